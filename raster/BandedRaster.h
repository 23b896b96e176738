#pragma once

#include "raster/Raster.h"

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

    // A batch is split over the workers only when its strings add up to this many pixels
    // (along their major axes); smaller ones are drawn on the calling thread, for waking the
    // workers and setting each string up again in every band would cost more than it saves.
    // Measured by bench_canvas on two cores: splitting lost below about 0.5 M pixels and won
    // from about 1 M, for strings of 125 to 1070 pixels.
    static constexpr double kParallelFrom = 800000;

    // `parallel_from` 0 splits every batch.
    BandedRaster(std::uint32_t* pixels, int width, int height, int stride_pixels,
                 WorkerPool& pool, double parallel_from = kParallelFrom);

    // Draws the segments run by run, each in its run's colour; the runs' counts add up to
    // the number of segments.
    void lines(std::span<const Segment> segments, std::span<const Run> runs,
               const Raster::Map& map);

    // The pixels touched since the last take_dirty, then forgets them.
    Raster::Box take_dirty();

private:
    bool worth_splitting(std::span<const Segment> segments, const Raster::Map& map) const;

    std::uint32_t* pixels_;
    int width_;
    int height_;
    int stride_;
    WorkerPool& pool_;
    double parallel_from_;
    Raster::Box dirty_;
};
