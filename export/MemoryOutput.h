#pragma once

#include "export/Output.h"

#include <vector>

// Keeps the whole output in memory; for tests and small outputs. It never fails.
class MemoryOutput final : public Output {
public:
    bool open() override;
    bool write(const char* data, std::size_t size) override;
    bool overwrite(std::uint64_t offset, const char* data, std::size_t size) override;
    bool commit() override { return true; }
    void cancel() override { bytes_.clear(); }

    const std::vector<char>& bytes() const { return bytes_; }

private:
    std::vector<char> bytes_;
};
