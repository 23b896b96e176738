#pragma once

#include "raster/Raster.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

class WorkerPool;

// Draws batches of strings on all of a pool's workers, leaving the image a single Raster
// draws, pixel for pixel, whatever the number of workers: each pixel ends in the colour of
// the last string over it. Two ways to split a batch:
// - bands: the image is cut into horizontal bands, one per worker, and each worker draws
//   every string of the batch, in order, over its own band only. A string that crosses
//   bands is set up in each, which costs little when strings are long beside the image's
//   height and much on a small image;
// - strings: each worker draws its own consecutive share of the strings, the first straight
//   into the image and the others each into an image of its own, which are then laid over
//   the image in order, row by row on all workers. Nothing is set up twice, but every pixel
//   of the image is looked at once per later worker, so it pays when a batch covers the
//   image many times over.
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

    // Strings are shared out instead of rows when a batch's pixels come to this many times
    // the image's, on images of up to kSharesUpTo pixels (each worker needs one more).
    static constexpr double kSharesFrom = 32;
    static constexpr double kSharesUpTo = 1 << 21;

    // Rows are drawn in blocks of about this many bytes, each while it stays in a core's
    // cache, when the image is larger than two of them and the batch covers it once or more.
    static constexpr double kBlockBytes = 1 << 20;

    enum class Split { automatic, bands, strings };

    // `parallel_from` 0 splits every batch, in bands unless `split` says otherwise.
    BandedRaster(std::uint32_t* pixels, int width, int height, int stride_pixels,
                 WorkerPool& pool, double parallel_from = kParallelFrom,
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
    enum class Way { here, bands, shares };
    Way way(double pixels, int bands) const;
    double image_pixels() const;
    // Pixels past which the way is settled; and past which, on `bands`, neither the way nor
    // drawing in blocks changes.
    double enough() const;
    double limit(int bands) const;
    // Draws a batch of `count` strings the way its pixels choose: `share` draws strings
    // first .. end - 1 whole, `rows` all of them in rows; colours[i] is run number i's.
    void draw_batch(int bands, double pixels, std::size_t count,
                    std::span<const std::uint32_t> colours, const DrawShare& share,
                    const DrawRows& rows);

    // The batch's pixels along the strings' major axes, counted up to `enough`.
    double pixels_of(std::span<const Segment> segments, const Raster::Map& map,
                     double enough) const;
    void in_bands(int bands, const DrawRows& draw);
    // Rows top to bottom a block at a time, every string of the batch over each block.
    void in_blocks(Raster& raster, int top, int bottom, const DrawRows& draw) const;
    bool blocks_pay(double pixels) const;
    // `count` strings; colours[i] is the colour of run number i.
    void in_shares(std::size_t count, std::span<const std::uint32_t> colours,
                   const DrawShare& draw);

    std::uint32_t* pixels_;
    int width_;
    int height_;
    int stride_;
    WorkerPool& pool_;
    double parallel_from_;
    Split split_;
    Raster::Box dirty_;
};
