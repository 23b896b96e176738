#pragma once

#include "export/Output.h"

#include <algorithm>
#include <vector>

// Keeps the whole output in memory, for tests. It never fails.
class MemoryOutput final : public Output {
public:
    bool open() override
    {
        bytes_.clear();
        return true;
    }
    bool write(const char* data, std::size_t size) override
    {
        bytes_.insert(bytes_.end(), data, data + size);
        return true;
    }
    bool overwrite(std::uint64_t offset, const char* data, std::size_t size) override
    {
        if (offset > bytes_.size() || size > bytes_.size() - offset)
            return fail(std::make_error_code(std::errc::invalid_argument));
        std::copy(data, data + size, bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
        return true;
    }
    bool commit() override { return true; }
    void cancel() override { bytes_.clear(); }

    const std::vector<char>& bytes() const { return bytes_; }

private:
    std::vector<char> bytes_;
};
