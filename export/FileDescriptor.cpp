#include "export/FileDescriptor.h"

#include <cerrno>
#include <unistd.h>

std::error_code last_error()
{
    return std::error_code(errno != 0 ? errno : EIO, std::generic_category());
}

FileDescriptor::~FileDescriptor()
{
    if (fd_ >= 0)
        ::close(fd_);
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.release();
    }
    return *this;
}

namespace {

// A regular file takes at least one byte when it has room; no progress at all would loop.
std::error_code stalled() { return std::make_error_code(std::errc::no_space_on_device); }

} // namespace

namespace {

// Repeats `step` (which writes from an offset into the data and returns what write(2)
// returns) through short writes and interruptions.
template <class Step>
std::error_code write_fully(std::size_t size, std::size_t& written, Step step)
{
    written = 0;
    while (written < size) {
        const ssize_t n = step(written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return last_error();
        }
        if (n == 0)
            return stalled();
        written += static_cast<std::size_t>(n);
    }
    return {};
}

} // namespace

std::error_code FileDescriptor::write_all(const char* data, std::size_t size, std::size_t& written)
{
    return write_fully(size, written, [&](std::size_t done) { return ::write(fd_, data + done, size - done); });
}

std::error_code FileDescriptor::write_all_at(std::uint64_t offset, const char* data, std::size_t size,
                                             std::size_t& written)
{
    return write_fully(size, written, [&](std::size_t done) {
        return ::pwrite(fd_, data + done, size - done, static_cast<off_t>(offset + done));
    });
}

std::error_code FileDescriptor::sync()
{
    return ::fsync(fd_) == 0 ? std::error_code() : last_error();
}

std::error_code FileDescriptor::close()
{
    // The descriptor is gone whatever close says; retrying could close another file's.
    const int fd = release();
    return fd < 0 || ::close(fd) == 0 ? std::error_code() : last_error();
}
