#pragma once

#include "core/DrawingSink.h"
#include "raster/AffineMap.h"
#include "raster/BandedRaster.h"
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
// written (one cover byte per pixel). Each pixel so ends in the colour of the last string
// over it in ascending order.
//
// A turn about the origin keeps a string's distance range from the origin, so the pixels a
// string can light lie in a ring that is the same for every copy. Pixels are counted in thin
// rings, per band of rows; once every pixel of the rings a string reaches is written, the
// string is passed over without being turned, and of the others only the stretches that
// reach rings still open are stepped along.
//
// On several workers, a large image is cut into bands of rows, one per worker, as
// BandedRaster does. A small one would set every string up again in every band for a small
// share of its pixels, so there the strings are shared out instead (string j to worker
// j mod workers): each worker draws its strings last first into an image of its own that
// holds, per pixel, the number of the last string written there, and each pixel then takes
// the colour of the highest number over all the workers' images.
class RosetteRaster {
public:
    using Run = BandedRaster::Run;
    // Copy k is every string turned by turns[k] (see `turned`), in the runs' colours.
    struct Copies {
        std::span<const Segment> strings;
        std::span<const Run> runs;
        std::span<const Turn> turns;
    };

    // Whether going last first pays: each copy moves the figure's rim by less than a pixel
    // from the one before, so most strings only redraw what later ones cover.
    static bool pays(const Copies& copies, const AffineMap& map);

    // Images of fewer pixels than this share out strings rather than rows: there every
    // band would set up nearly every live string again for a small share of pixels. Larger
    // ones are cut into bands, which need no image of numbers per worker. bench_canvas, on
    // two cores: 1000 copies on 412 x 282 drew in two bands at 0.57 times the speed of one;
    // 32767 copies took 1.27 s shared out and 1.81 s in bands on 1920 x 1050, and 2.2 s and
    // 2.0 s on 3840 x 2100.
    static constexpr double kBandsFrom = 1 << 22;

    enum class Split { automatic, bands, strings };

    RosetteRaster(std::uint32_t* pixels, int width, int height, int stride_pixels,
                  WorkerPool& pool, const AffineMap& map, const Copies& copies,
                  Split split = Split::automatic);
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
    void find_stretches(const Band& band, Live& live) const;
    void draw_band(Band& band, int from, int to);
    // Shared strings: lays the pixels written for copies from .. to - 1 over the image, each
    // in the colour of the highest number over all the shares.
    void merge(int from, int to);

    std::uint32_t* pixels_;
    int width_, height_, stride_;
    WorkerPool& pool_;
    AffineMap map_;
    Copies copies_;
    int drawn_ = 0;

    std::vector<std::uint32_t> colour_;   // per string
    std::vector<std::int32_t> lo_, hi_;   // per string: the rings it can light
    std::vector<double> reach_;           // per string: its farther end's distance from the origin
    std::vector<std::uint8_t> narrowable_; // per string: close enough for stretches to be exact
    double ring_scale_ = 0;               // rings per logical unit
    double slack_ = 0;                    // logical distance of a lit pixel from its string
    int rings_ = 0;
    std::vector<double> column_sq_, row_sq_; // squared logical distance from the origin's
                                             // column and row, per pixel column and row
    std::vector<std::uint8_t> cover_;     // bands: one byte per pixel, same stride as the image
    int shares_ = 1;                      // workers the strings are shared out to
    std::vector<std::unique_ptr<Band>> bands_;
};
