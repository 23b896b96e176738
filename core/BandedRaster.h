#pragma once

#include "core/Raster.h"

#include <cstddef>
#include <cstdint>
#include <span>

class WorkerPool;

// Draws batches of strings on all of a pool's workers: the image is cut into horizontal
// bands, one per worker, and each worker draws every string of the batch, in order, over
// its own band only. Each pixel so ends in the colour of the last string over it, and the
// image is the one a single Raster draws, pixel for pixel, whatever the number of workers.
class BandedRaster {
public:
    // `count` strings of a batch in one pixel colour.
    struct Run {
        std::uint32_t colour;
        std::size_t count;
    };

    // Batches of fewer strings than this are drawn on the calling thread: below it waking
    // the workers costs more than it saves (measured by bench_canvas).
    static constexpr std::size_t kParallelFrom = 256;

    BandedRaster(std::uint32_t* pixels, int width, int height, int stride_pixels,
                 WorkerPool& pool, std::size_t parallel_from = kParallelFrom);

    // Draws the segments run by run, each in its run's colour; the runs' counts add up to
    // the number of segments.
    void lines(std::span<const Segment> segments, std::span<const Run> runs,
               const Raster::Map& map);

    // The pixels touched since the last take_dirty, then forgets them.
    Raster::Box take_dirty();

private:
    std::uint32_t* pixels_;
    int width_;
    int height_;
    int stride_;
    WorkerPool& pool_;
    std::size_t parallel_from_;
    Raster::Box dirty_;
};
