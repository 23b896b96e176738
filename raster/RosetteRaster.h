#pragma once

#include "core/DrawingSink.h"
#include "raster/AffineMap.h"
#include "raster/BandedRaster.h"
#include "raster/DrawPlanner.h"
#include "raster/Raster.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class WorkerPool;

// Draws a kaleidoscope's copies into a pixel buffer, leaving exactly the picture that drawing
// them copy after copy, string after string, would leave, with far less work when the copies
// overlap: strings go last first, and a string writes only pixels that no later string has
// written. Each pixel so ends in the colour of the last string over it in ascending order.
//
// What it relies on:
// - A lit pixel's centre lies within sqrt(0.5^2 + 1^2) = 1.118 pixels of its string: up to
//   half a pixel past an end along the major axis, and across it the rounded position plus
//   half a pixel of slope. In logical units that is 1.118 times the larger of the two axes'
//   units per pixel; kLitReach adds a margin for the fixed-point steps (under 1e-5 pixel).
// - A turn about the origin keeps a point's distance from it (turned ends are rounded to
//   single precision: 2^-24 relative, taken as 1e-6) and adds its angle to the point's.
//   So a string can light pixels only within [closest - reach, farthest + reach] of the
//   origin, the same for every copy.
// - Pixels are counted in rings of half a pixel (ring r = floor(distance * scale), the same
//   sum for counting and taking, clamped to the last ring), per band. Once every pixel of
//   the rings a string reaches is written, the string is passed over without being turned;
//   of the others only the stretches that reach rings still open are stepped along. Rings
//   only ever close, so knowing of a closed ring late only costs time, never a pixel.
// - A lit pixel lies within 1.118 pixels of its string, so within two rows of its ends' rows
//   (bands pass over strings whose ends lie both more than two rows above or below them).
//
// On several workers a large image is cut into bands of rows, one per worker; on a small one
// the strings are shared out instead (string j to worker j mod workers): each worker draws
// its strings last first into an image of its own that holds, per pixel, the number of the
// last string written there, and each pixel then takes the colour of the highest number over
// all the workers' images. DrawPlanner chooses.
class RosetteRaster {
public:
    using Run = BandedRaster::Run;
    using Split = ::Split;

    // How far from its string a lit pixel's centre can lie, in pixels: sqrt(0.5^2 + 1^2), and
    // a margin for the fixed-point steps, which drift by under 1e-5 pixel along the longest
    // line. Every ring and stretch a string is given reaches this far around it.
    static constexpr double kLitPixel = 1.1180339887498949;
    static constexpr double kLitReach = kLitPixel + 0.08;
    // Copy k is every string turned by turns[k] (see `turned`), in the runs' colours. The
    // turns turn about the origin: c^2 + s^2 = 1.
    struct Copies {
        std::span<const Segment> strings;
        std::span<const Run> runs;
        std::span<const Turn> turns;
    };

    // `split`: Split::strings shares out the strings (when their numbers fit 32 bits), any
    // other cuts the image into bands.
    RosetteRaster(std::uint32_t* pixels, int width, int height, int stride_pixels,
                  WorkerPool& pool, const AffineMap& map, const Copies& copies,
                  Split split = Split::bands);
    ~RosetteRaster();
    RosetteRaster(const RosetteRaster&) = delete;
    RosetteRaster& operator=(const RosetteRaster&) = delete;

    // Draws up to `count` more copies, going back from the last copy not drawn yet. The image
    // then shows the first picture with copies drawn() .. total - 1 over it, in order.
    void draw_more(int count);
    int drawn() const { return drawn_; }
    // The same image moved to another buffer of the same size and stride.
    void move_to(std::uint32_t* pixels) { pixels_ = pixels; }
    int total() const { return int(copies_.turns.size()); }

    // The pixels written since the last take_dirty, then forgets them.
    Raster::Box take_dirty();

private:
    struct Band;
    struct Live;
    struct Reach;
    class Walk;

    void measure_strings();
    void measure_turns();
    void make_bands(Split split);
    void start_band(Band& band) const;
    void thin(Band& band) const;
    void find_stretches(const Band& band, Live& live) const;
    void find_near(Band& band, int from, int last) const;
    template <bool Stamped>
    void draw_copy(Band& band, int copy, Walk& walk);
    void draw_band(Band& band, int from, int to);
    // Shared strings: lays the pixels written for copies from .. to - 1 over the image, each
    // in the colour of the highest number over all the shares.
    void merge(int from, int to);
    int ring_at(int x, int y) const;

    std::uint32_t* pixels_;
    int width_, height_, stride_;
    WorkerPool& pool_;
    AffineMap map_;
    Copies copies_;
    int drawn_ = 0;

    std::vector<std::uint32_t> colour_; // per string
    std::vector<Reach> reach_;          // per string
    std::vector<double> turned_;        // per copy: angle turned since copy 0, along the way
    double ring_scale_ = 0;             // rings per logical unit
    double slack_ = 0;                  // logical distance of a lit pixel from its string
    int rings_ = 0;
    std::vector<double> column_sq_, row_sq_; // squared logical distance of each pixel column
                                             // and row from the origin's
    std::vector<std::uint8_t> cover_;   // bands: one byte per pixel, same stride as the image
    int shares_ = 1;                    // workers the strings are shared out to
    std::vector<std::unique_ptr<Band>> bands_;
};
