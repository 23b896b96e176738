#pragma once

#include "raster/AffineMap.h"
#include "raster/DrawPlanner.h"
#include "raster/Raster.h"
#include "raster/RosetteRaster.h"

#include <cstdint>
#include <memory>

class WorkerPool;

// A kaleidoscope's copies drawn into a pixel buffer piece by piece, as DrawPlanner plans:
// forward, copy after copy, or last first where the copies overlap enough to pay. Between
// two pieces the caller may report progress, stop, or move the buffer. Every piece leaves
// whole copies: the picture of drawing copies first .. first + drawn() - 1 forward (forward)
// or the last drawn() copies (last first), string after string.
class CopiesRaster {
public:
    using Copies = RosetteRaster::Copies;

    // `job` overrides for tests and benchmarks: its split and parallel_from are used, the rest
    // is worked out here.
    CopiesRaster(std::uint32_t* pixels, int width, int height, int stride_pixels,
                 WorkerPool& pool, const AffineMap& map, const Copies& copies,
                 const DrawJob& overrides = {});
    ~CopiesRaster();

    const DrawPlan& plan() const { return plan_; }
    bool finished() const { return drawn_ >= total(); }
    int drawn() const { return drawn_; }
    int total() const { return int(copies_.turns.size()); }

    // Draws the next piece into `pixels`: the same image, perhaps at another address.
    void draw_piece(std::uint32_t* pixels);
    // The pixels written since the last take_dirty, then forgets them.
    Raster::Box take_dirty();

private:
    int width_, height_, stride_;
    WorkerPool& pool_;
    AffineMap map_;
    Copies copies_;
    DrawJob job_;
    DrawPlan plan_;
    int drawn_ = 0;
    Raster::Box dirty_;
    std::unique_ptr<RosetteRaster> rosette_;
};
