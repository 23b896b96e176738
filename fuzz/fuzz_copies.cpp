// Differential fuzzing of the kaleidoscope's drawing against the plain Raster: see
// CopiesComparison.h. `make fuzz FUZZ_SECONDS=N` runs it.

#include "fuzz/CopiesComparison.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (const char* difference = copies_comparison::compare(data, size)) {
        std::fprintf(stderr, "difference: %s\n", difference);
        std::abort();
    }
    return 0;
}
