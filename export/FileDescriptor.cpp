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

std::error_code FileDescriptor::write_all(const char* data, std::size_t size, std::size_t& written)
{
    written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd_, data + written, size - written);
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

std::error_code FileDescriptor::write_all_at(std::uint64_t offset, const char* data, std::size_t size,
                                             std::size_t& written)
{
    written = 0;
    while (written < size) {
        const ssize_t n = ::pwrite(fd_, data + written, size - written, static_cast<off_t>(offset + written));
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
