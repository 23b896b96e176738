// The figure block's reader on any bytes: it refuses or reads a figure, and what it reads is
// written and read again to the same figure and the same text. `make fuzz-block` runs it.

#include "export/SavedFigure.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Equal as bits, so that a negative zero or a NaN that slipped through is noticed.
bool same(const SavedFigure& a, const SavedFigure& b)
{
    const auto bits = [](const std::vector<float>& v, const std::vector<float>& w) {
        return v.size() == w.size() && (v.empty() || std::memcmp(v.data(), w.data(), v.size() * sizeof(float)) == 0);
    };
    return a == b && bits(a.point_x, b.point_x) && bits(a.point_y, b.point_y);
}

void fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const BlockReading read = parse_figure_block(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!read.figure) {
        if (read.cause.empty())
            fail("refused without a cause");
        return 0;
    }
    const std::string block = figure_block(*read.figure);
    const BlockReading again = parse_figure_block(block);
    if (!again.figure)
        fail(("the written block is refused: " + again.cause).c_str());
    if (!same(*again.figure, *read.figure))
        fail("the written block reads as another figure");
    if (figure_block(*again.figure) != block)
        fail("the block is written differently the second time");
    return 0;
}
