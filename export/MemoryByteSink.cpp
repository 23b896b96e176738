#include "export/MemoryByteSink.h"

#include <algorithm>

bool MemoryByteSink::write(const char* data, std::size_t size)
{
    bytes_.insert(bytes_.end(), data, data + size);
    return true;
}

bool MemoryByteSink::rewrite_start(const char* data, std::size_t size)
{
    if (size > bytes_.size())
        return false;
    std::copy(data, data + size, bytes_.begin());
    return true;
}
