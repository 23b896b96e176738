#include "export/AtomicFileOutput.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string folder_of(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string name_of(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a chain of symbolic links ends at; it need not exist yet.
std::error_code follow_links(std::string path, std::string& target)
{
    for (int hop = 0; hop < 40; ++hop) { // the kernel's own limit
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            target = path;
            return {};
        }
        char link[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), link, sizeof link);
        if (n < 0)
            return last_error();
        if (std::size_t(n) == sizeof link)
            return std::make_error_code(std::errc::filename_too_long);
        std::string next(link, std::size_t(n));
        path = next.front() == '/' ? next : folder_of(path) + "/" + next;
    }
    return std::make_error_code(std::errc::too_many_symbolic_link_levels);
}

// Six characters that make the temporary name unlikely to be taken.
std::string random_tag()
{
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<int> pick(0, int(sizeof kLetters) - 2);
    std::string tag(6, ' ');
    for (char& c : tag)
        c = kLetters[pick(random)];
    return tag;
}

Refusal kind_of(mode_t mode)
{
    if (S_ISFIFO(mode))
        return Refusal::NamedPipe;
    if (S_ISCHR(mode))
        return Refusal::CharacterDevice;
    if (S_ISBLK(mode))
        return Refusal::BlockDevice;
    if (S_ISSOCK(mode))
        return Refusal::Socket;
    return Refusal::NotAFile;
}

class RefusalCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "tressik refusal"; }
    std::string message(int value) const override
    {
        switch (Refusal(value)) {
        case Refusal::ReadOnly: return "it is read-only";
        case Refusal::NamedPipe: return "it is a named pipe, not a file";
        case Refusal::CharacterDevice: return "it is a character device, not a file";
        case Refusal::BlockDevice: return "it is a block device, not a file";
        case Refusal::Socket: return "it is a socket, not a file";
        case Refusal::NotAFile: return "it is not a regular file";
        }
        return "it cannot be saved to";
    }
};

} // namespace

const std::error_category& refusal_category()
{
    static const RefusalCategory category;
    return category;
}

std::error_code make_error_code(Refusal refusal) { return {int(refusal), refusal_category()}; }

AtomicFileOutput::~AtomicFileOutput()
{
    cancel();
}

bool AtomicFileOutput::open()
{
    if (const std::error_code ec = follow_links(path_, target_))
        return fail(ec);
    if (name_of(target_).empty())
        return fail(std::make_error_code(std::errc::is_a_directory));

    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return fail(std::make_error_code(std::errc::is_a_directory));
        existed_ = true;
        // Only a regular file is written: a pipe or a device would take a file whose header
        // cannot be patched afterwards.
        if (!S_ISREG(st.st_mode))
            return fail(make_error_code(kind_of(st.st_mode)));
        // Read-only means read-only, also to root, who could write it anyway, and to the
        // rename, which would replace it whatever its bits.
        if ((st.st_mode & 0222) == 0
            || (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES))
            return fail(make_error_code(Refusal::ReadOnly));
        mode_ = st.st_mode & 07777;
        owner_ = st.st_uid;
        group_ = st.st_gid;
    } else if (errno != ENOENT) {
        return fail(last_error()); // a name too long, a folder we may not look into, ...
    }

    const long limit = ::pathconf(folder_of(target_).c_str(), _PC_NAME_MAX);
    return open_temporary(limit > 0 ? std::size_t(limit) : NAME_MAX);
}

bool AtomicFileOutput::open_temporary(std::size_t name_max)
{
    // Hidden beside the destination. A name near the limit gets a short temporary name
    // instead: the rename is just as atomic.
    const std::string name = name_of(target_);
    const std::string stem = name.size() + 8 <= name_max ? "." + name + "." : std::string(".tressik.");
    std::error_code refused;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary_ = folder_of(target_) + "/" + stem + random_tag();
        fd_ = FileDescriptor(::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (fd_.is_open())
            break;
        refused = last_error();
        if (refused != std::errc::file_exists)
            break;
    }
    if (!fd_.is_open()) {
        temporary_.clear();
        if (existed_ && (refused == std::errc::permission_denied || refused == std::errc::operation_not_permitted))
            return open_in_place(refused);
        return fail(refused);
    }
    if (existed_) {
        // Owner first: a change of owner clears the set-id bits that the mode then restores.
        // Only root may give a file away; anyone else keeps the file as their own.
        if (::fchown(fd_.get(), owner_, group_) != 0 && ::fchown(fd_.get(), uid_t(-1), group_) != 0) {
            // the file stays in our own group
        }
        if (::fchmod(fd_.get(), mode_) != 0) {
            // our own new file; nothing to lose but the earlier bits
        }
    }
    return true;
}

bool AtomicFileOutput::open_in_place(std::error_code refused)
{
    // Not blocking: a pipe put in the file's place since it was looked at would hang us.
    fd_ = FileDescriptor(::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd_.is_open())
        return fail(refused ? refused : last_error());
    struct stat st {};
    if (::fstat(fd_.get(), &st) != 0)
        return fail_and_discard(last_error());
    if (!S_ISREG(st.st_mode))
        return fail_and_discard(make_error_code(kind_of(st.st_mode)));
    const int flags = ::fcntl(fd_.get(), F_GETFL);
    if (flags == -1 || ::fcntl(fd_.get(), F_SETFL, flags & ~O_NONBLOCK) == -1)
        return fail_and_discard(last_error());
    direct_ = true;
    return true;
}

bool AtomicFileOutput::holding_back() const
{
    // In place, the first bytes wait in memory, so that a save cancelled or stopped at a
    // limit before they are let go leaves the earlier file exactly as it was.
    return direct_ && !released_;
}

bool AtomicFileOutput::release_held()
{
    released_ = true;
    std::size_t written = 0;
    const std::error_code ec = fd_.write_all(held_.data(), held_.size(), written);
    touched_ = touched_ || written > 0;
    held_.clear();
    held_.shrink_to_fit();
    return !ec || fail_and_discard(ec);
}

bool AtomicFileOutput::fail_and_discard(std::error_code reason)
{
    fail(reason);
    discard();
    return false;
}

bool AtomicFileOutput::write(const char* data, std::size_t size)
{
    if (done_ || error())
        return false;
    if (holding_back()) {
        if (held_.size() + size <= kHoldBack) {
            held_.insert(held_.end(), data, data + size);
            end_ += size;
            return true;
        }
        if (!release_held())
            return false;
    }
    std::size_t written = 0;
    const std::error_code ec = fd_.write_all(data, size, written);
    touched_ = touched_ || (direct_ && written > 0);
    end_ += written;
    // Stop at once: the partial file goes, and its space with it.
    return !ec || fail_and_discard(ec);
}

bool AtomicFileOutput::overwrite(std::uint64_t offset, const char* data, std::size_t size)
{
    if (done_ || error())
        return false;
    if (holding_back()) {
        if (offset > held_.size() || size > held_.size() - offset)
            return fail(std::make_error_code(std::errc::invalid_argument));
        std::copy(data, data + size, held_.begin() + std::ptrdiff_t(offset));
        return true;
    }
    std::size_t written = 0;
    const std::error_code ec = fd_.write_all_at(offset, data, size, written);
    touched_ = touched_ || (direct_ && written > 0);
    return !ec || fail_and_discard(ec);
}

bool AtomicFileOutput::commit()
{
    if (done_ || error() || !fd_.is_open())
        return false;
    if (holding_back() && !release_held())
        return false;
    if (direct_ && ::ftruncate(fd_.get(), off_t(end_)) != 0)
        return fail_and_discard(last_error());
    if (const std::error_code ec = fd_.sync())
        return fail_and_discard(ec);
    if (const std::error_code ec = fd_.close())
        return fail_and_discard(ec);
    if (!direct_ && ::rename(temporary_.c_str(), target_.c_str()) != 0)
        return fail_and_discard(last_error());
    done_ = true;
    return true;
}

void AtomicFileOutput::cancel()
{
    discard();
}

void AtomicFileOutput::discard()
{
    if (done_)
        return;
    done_ = true;
    // In place, the earlier file cannot be had back; at least it ends where our bytes end.
    if (direct_ && touched_ && ::ftruncate(fd_.get(), off_t(end_)) != 0) {
        // the save has failed already; the message says the file is damaged
    }
    fd_.close();
    if (!direct_ && !temporary_.empty())
        ::unlink(temporary_.c_str());
}

Output::Earlier AtomicFileOutput::earlier() const
{
    if (!existed_)
        return Earlier::None;
    return touched_ ? Earlier::Damaged : Earlier::Unchanged;
}
