#pragma once

#include "export/ByteSink.h"

#include <cstdio>

// Writes to an open stdio stream, which it does not own. The stream must be seekable
// (a regular file or /dev/null) for the header to be patched.
class FileByteSink : public ByteSink {
public:
    explicit FileByteSink(std::FILE* file) : file_(file) {}

    bool write(const char* data, std::size_t size) override;
    bool rewrite_start(const char* data, std::size_t size) override;

private:
    std::FILE* file_;
};
