#pragma once

#include <cstddef>

// Where a writer's bytes go: a file, memory, or nowhere. Kept apart from any toolkit so the
// metafile code can be tested and measured on its own.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Appends; false when the bytes could not be stored (disk full and the like).
    virtual bool write(const char* data, std::size_t size) = 0;
    // Overwrites the first bytes of the output, used once at the end for the header.
    virtual bool rewrite_start(const char* data, std::size_t size) = 0;
};
