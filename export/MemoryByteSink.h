#pragma once

#include "export/ByteSink.h"

#include <vector>

// Keeps the whole output in memory; for tests and small outputs.
class MemoryByteSink : public ByteSink {
public:
    bool write(const char* data, std::size_t size) override;
    bool rewrite_start(const char* data, std::size_t size) override;

    const std::vector<char>& bytes() const { return bytes_; }

private:
    std::vector<char> bytes_;
};
