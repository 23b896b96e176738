#pragma once

#include "raster/DrawPlanner.h"
#include "raster/Raster.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

class WorkerPool;

// Draws batches of strings on all of a pool's workers, leaving the image a single Raster
// draws, pixel for pixel, whatever the number of workers: each pixel ends in the colour of
// the last string over it. DrawPlanner chooses how; the ways are:
// - on the calling thread, a block of rows at a time on a large image;
// - bands: the image is cut into horizontal bands, one per worker, and each worker draws
//   every string of the batch, in order, over its own band only, a block of rows at a time;
// - strings: each worker draws its own consecutive share of the strings, the first straight
//   into the image and the others each into an image of its own, which are then laid over
//   the image in order, row by row on all workers.
class BandedRaster {
public:
    // `count` strings of a batch in one pixel colour.
    struct Run {
        std::uint32_t colour;
        std::size_t count;
    };
    using Split = ::Split;

    // `parallel_from` and `split` override the planner's choice (tests and benchmarks).
    BandedRaster(std::uint32_t* pixels, int width, int height, int stride_pixels,
                 WorkerPool& pool, std::optional<double> parallel_from = std::nullopt,
                 Split split = Split::automatic);

    // Draws the segments run by run, each in its run's colour; the runs' counts add up to
    // the number of segments.
    void lines(std::span<const Segment> segments, std::span<const Run> runs,
               const Raster::Map& map);

    // Copy after copy, copy k being every string turned by turns[k] (see `turned`), each
    // copy drawn run by run in the runs' colours: the pixels lines gives for the turned
    // strings, turned by the workers as they draw.
    void copies(std::span<const Segment> strings, std::span<const Run> runs,
                std::span<const Turn> turns, const Raster::Map& map);

    // The pixels touched since the last take_dirty, then forgets them.
    Raster::Box take_dirty();

private:
    // Draws strings first .. end - 1 of the batch into the raster, each in its run's colour
    // (lines) or its run's number + 1 (shares).
    using DrawShare = std::function<void(Raster& raster, std::size_t first, std::size_t end,
                                         bool numbered)>;
    // Whole batch, but only rows top to bottom.
    using DrawRows = std::function<void(Raster& raster, int top, int bottom)>;

    DrawJob job() const;
    // A batch of `count` strings of `pixels`, as planned: `share` draws strings first ..
    // end - 1 whole, `rows` all of them in rows; colours[i] is run number i's.
    void draw_batch(double pixels, std::size_t count, std::span<const std::uint32_t> colours,
                    const DrawShare& share, const DrawRows& rows);
    void in_bands(const DrawPlan& plan, const DrawRows& draw);
    // Rows top to bottom a block at a time, every string of the batch over each block.
    void in_blocks(Raster& raster, int top, int bottom, int block_rows,
                   const DrawRows& draw) const;
    void in_shares(std::size_t count, std::span<const std::uint32_t> colours,
                   const DrawShare& draw);

    std::uint32_t* pixels_;
    int width_;
    int height_;
    int stride_;
    WorkerPool& pool_;
    std::optional<double> parallel_from_;
    Split split_;
    Raster::Box dirty_;
};
