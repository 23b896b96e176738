#pragma once

#include "core/DrawingSink.h"
#include "raster/AffineMap.h"

#include <cstddef>
#include <optional>
#include <span>

// How a batch may be shared out, when a caller (a test, a benchmark) wants one way.
enum class Split { automatic, bands, strings };

// What is to be drawn: a batch of strings, or a kaleidoscope's copies of one, on an image.
struct DrawJob {
    int width = 0, height = 0; // the image, in pixels
    int stride = 0;            // pixels from one row to the next in memory
    int workers = 1;           // the pool's
    double pixels = 0;         // along the strings' major axes in one copy (see string_pixels)
    std::size_t strings = 0;   // in one copy
    int copies = 1;            // 1 for a plain batch
    double rim = 0;            // the farthest end from the origin, in pixels; 0: not turned
    double open_share = 0;     // see open_share()
    // Asked for by tests and benchmarks: a way to split, and the pixels from which a batch is
    // split at all (0: every batch); otherwise the planner's own.
    Split split = Split::automatic;
    std::optional<double> parallel_from;
    std::optional<double> block_bytes; // otherwise DrawPlanner::block_bytes()
};

// How to draw it.
struct DrawPlan {
    bool last_first = false;    // copies drawn last first over a cover (RosetteRaster)
    int workers = 1;            // 1: on the calling thread alone
    Split split = Split::bands; // with several workers: bands of rows or shares of the strings
    int block_rows = 0;         // rows drawn at a time while they stay in cache; 0: all at once
    int piece = 1;              // copies drawn between two progress reports
};

// The one place that decides how strings reach the pixels. Every threshold was measured by a
// row of bench_canvas (named beside it) on two cores; the figures move from machine to
// machine, the rows say where to measure them again.
class DrawPlanner {
public:
    // A batch is split over the workers only when its strings add up to this many pixels:
    // waking the workers and setting a string up again in every band costs more below it.
    // bench_canvas: "batch" rows.
    static constexpr double kParallelFrom = 800000;
    // Forward drawing shares out strings instead of rows when a batch covers the image this
    // many times, on images of up to kForwardSharesUpTo pixels (each worker needs one more).
    // bench_canvas: "workers" rows with copies 36, ratio 1 and 2.
    static constexpr double kSharesFrom = 32;
    static constexpr double kForwardSharesUpTo = 1 << 21;
    // Last-first drawing shares out strings on images below this many pixels, where bands
    // would set nearly every live string up again; above it bands need no image of numbers.
    // bench_canvas: "largest" rows.
    static constexpr double kLastFirstSharesUpTo = 1 << 22;
    // Last first pays when copies lie under a pixel apart at the rim: 2 pi rim <= copies.
    // bench_canvas: "workers" rows with copies 1000 at 412 x 282.
    static constexpr double kTwoPi = 6.283185307179586;
    // ... and when the figure leaves no more than this share of its strings' copies open:
    // a string is stepped along until the copies have turned through the widest angle its
    // radii leave uncovered, at about twice the cost of drawing it forward.
    // bench_canvas: "user_figure" rows.
    static constexpr double kMostOpen = 0.4;
    // Work between two progress reports, some tens of milliseconds of it: pixels along the
    // strings and at most so many strings forward; last first passes over most strings, so
    // its pieces take more of them. bench_canvas: "workers" rows, all = 1.
    static constexpr double kPixelsPerPiece = 1 << 25;
    static constexpr double kStringsPerPiece = 1 << 18;
    static constexpr double kLastFirstStringsPerPiece = 1 << 20;
    // Rows go a block at a time once the image is larger than two blocks: a block is half a
    // core's level-2 cache (read at start; 1 MB when the system does not say).
    // bench_canvas: "workers" rows at 1920 x 1050 and 3840 x 2100, all = 0.
    static double block_bytes();

    static DrawPlan plan(const DrawJob& job);

    // Pixels past which plan() gives the same for a batch of `job`'s image and workers:
    // counting a batch's pixels may stop there.
    static double enough_pixels(const DrawJob& job);
};

// The pixels along the segments' major axes under `map`, each counted up to the image's
// longer side (no string lights more), NaN as nothing; counting stops past `enough`.
double string_pixels(std::span<const Segment> segments, const AffineMap& map, int width,
                     int height, double enough);

// The farthest end of the segments from the logical origin, in pixels of `map`'s finer axis;
// infinite when the map cannot be turned about the origin (zero, infinite or NaN).
double rim_pixels(std::span<const Segment> segments, const AffineMap& map);

// How much of a kaleidoscope of the segments last-first drawing has to step along, from 0
// (every radius covered at every angle) to 1: the mean over the strings of the widest share
// of a turn left uncovered at any radius the string reaches, the figure's points sorted into
// cells of radius and angle.
double open_share(std::span<const Segment> segments, const AffineMap& map);
