#include "raster/PixelChange.h"

#include <algorithm>
#include <cstring>

namespace {

// The first pixel from `x` on where the rows differ, or `end`. Eight pixels at a time
// where they agree, the common case on either side of a string.
int next_difference(const std::uint32_t* a, const std::uint32_t* b, int x, int end)
{
    for (; x + 8 <= end; x += 8)
        if (std::memcmp(a + x, b + x, 8 * sizeof *a) != 0)
            break;
    while (x < end && a[x] == b[x])
        ++x;
    return x;
}

} // namespace

PixelChange PixelChange::between(const std::uint32_t* before, const std::uint32_t* now, int stride,
                                 const Box& box)
{
    PixelChange change;
    if (box.empty())
        return change;
    for (int y = box.top; y <= box.bottom; ++y) {
        const std::uint32_t* a = before + std::size_t(y) * std::size_t(stride);
        const std::uint32_t* b = now + std::size_t(y) * std::size_t(stride);
        const int end = box.right + 1;
        int x = next_difference(a, b, box.left, end);
        while (x < end) {
            // The run goes on while the next difference lies within the gap.
            int last = x;
            for (int i = x + 1; i < end && i - last <= kJoinGap + 1; ++i)
                if (a[i] != b[i])
                    last = i;
            change.runs_.push_back({y, x, last - x + 1});
            change.pixels_.insert(change.pixels_.end(), a + x, a + last + 1);
            change.box_.cover(x, y);
            change.box_.cover(last, y);
            x = next_difference(a, b, last + 1, end);
        }
    }
    change.runs_.shrink_to_fit();
    change.pixels_.shrink_to_fit();
    return change;
}

Box PixelChange::swap(std::uint32_t* image, int stride)
{
    std::uint32_t* kept = pixels_.data();
    for (const Run& r : runs_) {
        std::uint32_t* row = image + std::size_t(r.row) * std::size_t(stride) + r.left;
        std::swap_ranges(row, row + r.count, kept);
        kept += r.count;
    }
    return box_;
}

std::size_t PixelChange::bytes() const
{
    return sizeof *this + runs_.capacity() * sizeof(Run) + pixels_.capacity() * sizeof(std::uint32_t);
}
