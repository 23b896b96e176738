#pragma once

#include <cstddef>
#include <cstdint>
#include <system_error>

// An open POSIX file descriptor, closed when it goes. The calls report the system's reason
// for a failure; an empty error code means success.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;

    bool is_open() const { return fd_ >= 0; }
    int get() const { return fd_; }

    // All of `size` bytes, through short writes and interruptions. `written` tells how many
    // went out before a failure.
    std::error_code write_all(const char* data, std::size_t size, std::size_t& written);
    std::error_code write_all_at(std::uint64_t offset, const char* data, std::size_t size,
                                 std::size_t& written);
    std::error_code sync();
    // Some filesystems (NFS among them) report a failed write only here.
    std::error_code close();

private:
    int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

    int fd_ = -1;
};

// The calling thread's errno as an error code; EIO when the call set none.
std::error_code last_error();
