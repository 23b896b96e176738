#include "raster/BandedRaster.h"

#include "raster/WorkerPool.h"

#include <algorithm>
#include <cmath>
#include <vector>

BandedRaster::BandedRaster(std::uint32_t* pixels, int width, int height, int stride_pixels,
                           WorkerPool& pool, double parallel_from)
    : pixels_(pixels), width_(width), height_(height), stride_(stride_pixels), pool_(pool),
      parallel_from_(parallel_from), dirty_{0, 0, -1, -1}
{
}

void BandedRaster::lines(std::span<const Segment> segments, std::span<const Run> runs,
                         const Raster::Map& map)
{
    const int bands = std::min(pool_.size(), height_);
    if (bands <= 1 || !worth_splitting(segments, map)) {
        Raster raster(pixels_, width_, height_, stride_);
        std::size_t at = 0;
        for (const Run& r : runs) {
            raster.lines(segments.subspan(at, r.count), map, r.colour);
            at += r.count;
        }
        dirty_.unite(raster.take_dirty());
        return;
    }
    // Each worker writes its own rows and its own dirty box, nothing else.
    std::vector<Raster::Box> dirty(std::size_t(pool_.size()), Raster::Box{0, 0, -1, -1});
    pool_.run([&](int band) {
        if (band >= bands)
            return;
        const int top = int(std::int64_t(height_) * band / bands);
        const int bottom = int(std::int64_t(height_) * (band + 1) / bands) - 1;
        Raster raster(pixels_, width_, height_, stride_);
        std::size_t at = 0;
        for (const Run& r : runs) {
            raster.lines_in_rows(segments.subspan(at, r.count), map, r.colour, top, bottom);
            at += r.count;
        }
        dirty[std::size_t(band)] = raster.take_dirty();
    });
    for (const Raster::Box& box : dirty)
        dirty_.unite(box);
}

bool BandedRaster::worth_splitting(std::span<const Segment> segments, const Raster::Map& map) const
{
    if (parallel_from_ <= 0)
        return true;
    // No string lights more pixels than the image is long; NaN counts for nothing.
    const double longest = std::max(width_, height_);
    double pixels = 0;
    for (const Segment& g : segments) {
        const double dx = std::abs((g.x2 - g.x1) * map.sx), dy = std::abs((g.y2 - g.y1) * map.sy);
        const double length = std::max(dx, dy);
        if (length >= 0) // not NaN
            pixels += std::min(length, longest);
        if (pixels >= parallel_from_)
            return true;
    }
    return false;
}

Raster::Box BandedRaster::take_dirty()
{
    const Raster::Box box = dirty_;
    dirty_ = {0, 0, -1, -1};
    return box;
}
