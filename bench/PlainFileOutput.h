#pragma once

#include "export/FileDescriptor.h"
#include "export/Output.h"

#include <fcntl.h>
#include <string>

// Writes straight into the named file, created or emptied on open: the plainest way to a
// file, for the benchmark. Not for saving figures: a failure leaves whatever was written.
class PlainFileOutput final : public Output {
public:
    // With `durable`, commit waits until the file is on the disk.
    PlainFileOutput(std::string path, bool durable) : path_(std::move(path)), durable_(durable) {}

    bool open() override
    {
        fd_ = FileDescriptor(::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
        return fd_.is_open() || fail(last_error());
    }
    bool write(const char* data, std::size_t size) override
    {
        std::size_t written = 0;
        const std::error_code ec = fd_.write_all(data, size, written);
        return !ec || fail(ec);
    }
    bool overwrite(std::uint64_t offset, const char* data, std::size_t size) override
    {
        std::size_t written = 0;
        const std::error_code ec = fd_.write_all_at(offset, data, size, written);
        return !ec || fail(ec);
    }
    bool commit() override
    {
        if (durable_)
            if (const std::error_code ec = fd_.sync())
                return fail(ec);
        const std::error_code ec = fd_.close();
        return !ec || fail(ec);
    }
    void cancel() override { fd_.close(); }

private:
    std::string path_;
    bool durable_;
    FileDescriptor fd_;
};
