#include "export/MemoryOutput.h"

#include <algorithm>

bool MemoryOutput::open()
{
    bytes_.clear();
    return true;
}

bool MemoryOutput::write(const char* data, std::size_t size)
{
    bytes_.insert(bytes_.end(), data, data + size);
    return true;
}

bool MemoryOutput::overwrite(std::uint64_t offset, const char* data, std::size_t size)
{
    if (offset > bytes_.size() || size > bytes_.size() - offset)
        return fail(std::make_error_code(std::errc::invalid_argument));
    std::copy(data, data + size, bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
}
