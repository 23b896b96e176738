#pragma once

#include "export/Output.h"

#include <algorithm>
#include <cstdint>
#include <system_error>
#include <vector>

// Keeps what it is given, remembers how, and fails where a test tells it to, with the
// reason the test gives.
class ScriptedOutput final : public Output {
public:
    std::error_code reason = std::make_error_code(std::errc::no_space_on_device);
    bool fail_open = false;
    std::size_t fail_after_writes = SIZE_MAX; // writes that succeed before one fails
    bool fail_overwrite = false;
    bool fail_commit = false;
    Earlier earlier_file = Earlier::None;

    std::vector<char> bytes;
    std::vector<std::size_t> write_sizes;
    std::vector<std::size_t> overwrite_sizes;
    bool committed = false;
    bool cancelled = false;

    bool open() override { return !fail_open || fail(reason); }
    bool write(const char* data, std::size_t size) override
    {
        write_sizes.push_back(size);
        if (write_sizes.size() > fail_after_writes)
            return fail(reason);
        bytes.insert(bytes.end(), data, data + size);
        return true;
    }
    bool overwrite(std::uint64_t offset, const char* data, std::size_t size) override
    {
        overwrite_sizes.push_back(size);
        if (fail_overwrite || offset + size > bytes.size())
            return fail(reason);
        std::copy(data, data + size, bytes.begin() + std::ptrdiff_t(offset));
        return true;
    }
    bool commit() override
    {
        if (fail_commit)
            return fail(reason);
        committed = true;
        return true;
    }
    void cancel() override { cancelled = true; }
    Earlier earlier() const override { return earlier_file; }
};
