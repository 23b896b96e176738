#include "raster/CopiesRaster.h"

#include "raster/BandedRaster.h"
#include "raster/WorkerPool.h"

#include <algorithm>

CopiesRaster::CopiesRaster(std::uint32_t* pixels, int width, int height, int stride_pixels,
                           WorkerPool& pool, const AffineMap& map, const Copies& copies,
                           const DrawJob& overrides)
    : width_(width), height_(height), stride_(stride_pixels), pool_(pool), map_(map),
      copies_(copies), job_(overrides)
{
    job_.width = width;
    job_.height = height;
    job_.stride = stride_pixels;
    job_.workers = pool.size();
    job_.strings = copies.strings.size();
    job_.copies = total();
    job_.pixels = string_pixels(copies.strings, map, width, height, 1e300);
    job_.rim = rim_pixels(copies.strings, map);
    if (job_.copies >= DrawPlanner::kTwoPi * job_.rim)
        job_.open_share = open_share(copies.strings, map);
    plan_ = DrawPlanner::plan(job_);
    if (plan_.last_first)
        rosette_ = std::make_unique<RosetteRaster>(pixels, width, height, stride_pixels, pool,
                                                   map, copies, plan_.split);
}

CopiesRaster::~CopiesRaster() = default;

void CopiesRaster::draw_piece(std::uint32_t* pixels)
{
    if (finished())
        return;
    if (rosette_) {
        rosette_->move_to(pixels);
        rosette_->draw_more(plan_.piece);
        dirty_.unite(rosette_->take_dirty());
        drawn_ = rosette_->drawn();
        return;
    }
    // The workers turn the strings as they draw them.
    const int end = std::min(total(), drawn_ + plan_.piece);
    BandedRaster banded(pixels, width_, height_, stride_, pool_, job_.parallel_from, job_.split);
    banded.copies(copies_.strings, copies_.runs,
                  copies_.turns.subspan(std::size_t(drawn_), std::size_t(end - drawn_)), map_);
    dirty_.unite(banded.take_dirty());
    drawn_ = end;
}

Raster::Box CopiesRaster::take_dirty()
{
    const Raster::Box box = dirty_;
    dirty_ = {};
    return box;
}
