#include "export/FileByteSink.h"

bool FileByteSink::write(const char* data, std::size_t size)
{
    return std::fwrite(data, 1, size, file_) == size;
}

bool FileByteSink::rewrite_start(const char* data, std::size_t size)
{
    if (std::fseek(file_, 0, SEEK_SET) != 0)
        return false;
    const bool written = std::fwrite(data, 1, size, file_) == size;
    // Back to the end, so that anything appended later does not land over the records.
    return std::fseek(file_, 0, SEEK_END) == 0 && written && std::fflush(file_) == 0;
}
