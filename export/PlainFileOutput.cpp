#include "export/PlainFileOutput.h"

#include <fcntl.h>

bool PlainFileOutput::open()
{
    fd_ = FileDescriptor(::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    return fd_.is_open() || fail(last_error());
}

bool PlainFileOutput::write(const char* data, std::size_t size)
{
    std::size_t written = 0;
    const std::error_code ec = fd_.write_all(data, size, written);
    return !ec || fail(ec);
}

bool PlainFileOutput::overwrite(std::uint64_t offset, const char* data, std::size_t size)
{
    std::size_t written = 0;
    const std::error_code ec = fd_.write_all_at(offset, data, size, written);
    return !ec || fail(ec);
}

bool PlainFileOutput::commit()
{
    if (durable_)
        if (const std::error_code ec = fd_.sync())
            return fail(ec);
    const std::error_code ec = fd_.close();
    return !ec || fail(ec);
}
