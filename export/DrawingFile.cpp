#include "export/DrawingFile.h"

#include "export/FileDescriptor.h"
#include "export/SaveCommand.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1a\n";
constexpr std::string_view kNoFigure =
    "it holds no Tressik figure: it was not saved by Tressik, or by an older version";

std::string too_large()
{
    return "the figure block is larger than " + std::to_string(SavedFigure::kMaxBlockBytes / 1024) + " KB";
}

std::string refused_open(int error)
{
    switch (error) {
    case ENOENT: return "it does not exist";
    case EACCES:
    case EPERM: return "no permission to read it";
    case EISDIR: return "it is a folder";
    case ENXIO: return "it is a socket or a missing device, not a file";
    default: return reason_in_words(std::error_code(error, std::generic_category()));
    }
}

std::string refused_kind(mode_t mode)
{
    if (S_ISDIR(mode))
        return "it is a folder";
    if (S_ISFIFO(mode))
        return "it is a named pipe, not a file";
    if (S_ISCHR(mode))
        return "it is a character device, not a file";
    if (S_ISBLK(mode))
        return "it is a block device, not a file";
    if (S_ISSOCK(mode))
        return "it is a socket, not a file";
    return "it is not a regular file";
}

// The file's bytes front to back; a failed read is kept as its cause.
class Reader {
public:
    explicit Reader(int fd) : fd_(fd) {}

    // Up to `size` bytes; fewer only at the end of the file or on a failure.
    std::size_t read(char* data, std::size_t size)
    {
        std::size_t done = 0;
        while (done < size && failure.empty()) {
            const ssize_t n = ::read(fd_, data + done, size - done);
            if (n > 0)
                done += std::size_t(n);
            else if (n == 0)
                break;
            else if (errno != EINTR)
                failure = "it could not be read: " + reason_in_words(last_error());
        }
        return done;
    }
    bool read_exactly(void* data, std::size_t size) { return read(static_cast<char*>(data), size) == size; }
    bool skip(std::uint64_t bytes)
    {
        if (::lseek(fd_, off_t(bytes), SEEK_CUR) >= 0)
            return true;
        failure = "it could not be read: " + reason_in_words(last_error());
        return false;
    }

    std::string failure;

private:
    int fd_;
};

DrawingReading refused(std::string cause)
{
    DrawingReading reading;
    reading.cause = std::move(cause);
    return reading;
}

DrawingReading from_block(std::string_view block)
{
    BlockReading parsed = parse_figure_block(block);
    DrawingReading reading;
    reading.figure = std::move(parsed.figure);
    reading.cause = std::move(parsed.cause);
    return reading;
}

// Finds the block in the rest of the file, a buffer at a time, holding no more than the block
// and a buffer: it begins `skip` bytes into the first `start`, and ends before the next `end`.
// `seen` is what has been read already.
DrawingReading text_block(Reader& file, std::string seen, std::string_view start, std::size_t skip,
                          std::string_view end)
{
    constexpr std::size_t kBuffer = 64 * 1024;
    std::string text = std::move(seen);
    std::size_t from = 0; // the block's start may lie no earlier
    std::size_t found = std::string::npos;
    for (;;) {
        found = text.find(start, from);
        if (found != std::string::npos)
            break;
        // Keep the tail that could be the start of `start`.
        const std::size_t keep = std::min(text.size(), start.size() - 1);
        text.erase(0, text.size() - keep);
        from = 0;
        const std::size_t size = text.size();
        text.resize(size + kBuffer);
        text.resize(size + file.read(text.data() + size, kBuffer));
        if (!file.failure.empty())
            return refused(file.failure);
        if (text.size() == size)
            return refused(std::string(kNoFigure));
    }
    text.erase(0, found + skip);
    // A newer block is still told apart by its first line, so the end is looked for whole.
    for (std::size_t searched = 0;;) {
        const std::size_t at = text.find(end, searched);
        if (at != std::string::npos) {
            if (at > SavedFigure::kMaxBlockBytes)
                return refused(too_large());
            text.resize(at);
            return from_block(text);
        }
        if (text.size() > SavedFigure::kMaxBlockBytes + end.size())
            return refused(too_large());
        searched = text.size() >= end.size() ? text.size() - end.size() + 1 : 0;
        const std::size_t size = text.size();
        text.resize(size + kBuffer);
        text.resize(size + file.read(text.data() + size, kBuffer));
        if (!file.failure.empty())
            return refused(file.failure);
        if (text.size() == size) {
            // Cut short inside the file: the block says what it can, or that it is cut short.
            DrawingReading reading = from_block(text);
            if (!reading.figure)
                return reading;
            return refused("the figure block is cut short");
        }
    }
}

std::uint32_t big_endian(const unsigned char* bytes)
{
    return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 | std::uint32_t(bytes[2]) << 8 | bytes[3];
}

// Walks the chunks after the signature to the first iTXt of ours, skipping the others unread.
DrawingReading png_block(Reader& file)
{
    constexpr std::string_view kKeyword("Tressik figure\0", 15);
    // The keyword, the compression flag and method, and empty language and translated keyword.
    constexpr std::size_t kHeader = kKeyword.size() + 4;
    const std::string damaged = "the PNG file is damaged";
    for (;;) {
        unsigned char head[8];
        if (!file.read_exactly(head, 8))
            return refused(file.failure.empty() ? "the PNG file is cut short" : file.failure);
        const std::uint32_t length = big_endian(head);
        const std::string_view type(reinterpret_cast<const char*>(head + 4), 4);
        if (length > 0x7FFFFFFFu)
            return refused(damaged);
        if (type == "IEND")
            return refused(std::string(kNoFigure));
        if (type != "iTXt" || length < kKeyword.size()) {
            if (!file.skip(std::uint64_t(length) + 4))
                return refused(file.failure);
            continue;
        }
        std::string data(kKeyword.size(), '\0');
        if (!file.read_exactly(data.data(), data.size()))
            return refused(file.failure.empty() ? "the PNG file is cut short" : file.failure);
        if (data != kKeyword) {
            if (!file.skip(std::uint64_t(length) - data.size() + 4))
                return refused(file.failure);
            continue;
        }
        if (length > SavedFigure::kMaxBlockBytes + kHeader)
            return refused(too_large());
        data.resize(length + 4);
        if (!file.read_exactly(data.data() + kKeyword.size(), data.size() - kKeyword.size()))
            return refused(file.failure.empty() ? "the figure block is cut short" : file.failure);
        uLong crc = crc32(0, head + 4, 4);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(data.data()), uInt(length));
        if (crc != big_endian(reinterpret_cast<const unsigned char*>(data.data()) + length))
            return refused("the figure block is damaged: its checksum does not match");
        data.resize(length);
        // Written uncompressed, with no language and no translated keyword.
        if (length < kHeader || data.compare(kKeyword.size(), 4, std::string_view("\0\0\0\0", 4)) != 0)
            return refused("the figure block is stored in a form Tressik does not write");
        return from_block(std::string_view(data).substr(kHeader));
    }
}

bool starts_as_svg(std::string_view head)
{
    if (head.starts_with("\xEF\xBB\xBF"))
        head.remove_prefix(3);
    while (!head.empty() && std::strchr(" \t\r\n", head.front()))
        head.remove_prefix(1);
    return head.starts_with("<?xml") || head.starts_with("<svg") || head.starts_with("<!--")
        || head.starts_with("<!DOCTYPE");
}

} // namespace

DrawingReading read_drawing(const std::string& path)
{
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.is_open())
        return refused(refused_open(errno));
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0)
        return refused(refused_open(errno));
    if (!S_ISREG(status.st_mode))
        return refused(refused_kind(status.st_mode));

    Reader file(fd.get());
    std::string head(64, '\0');
    head.resize(file.read(head.data(), head.size()));
    if (!file.failure.empty())
        return refused(file.failure);
    if (head.empty())
        return refused("it is empty");
    if (head.starts_with(kPngSignature)) {
        // Back to the first chunk, after the signature.
        if (::lseek(fd.get(), off_t(kPngSignature.size()), SEEK_SET) < 0)
            return refused("it could not be read: " + reason_in_words(last_error()));
        return png_block(file);
    }
    if (head.starts_with("%PDF-"))
        return text_block(file, std::move(head), "stream\ntressik-figure ", 7, "\nendstream");
    if (starts_as_svg(head)) {
        constexpr std::string_view kStart = "<tressik:figure xmlns:tressik=\"https://tressik.github.io/ns/figure\">\n";
        return text_block(file, std::move(head), kStart, kStart.size(), "</tressik:figure>");
    }
    return refused("it is not an SVG, PDF or PNG file");
}
