#pragma once

#include "raster/AffineMap.h"
#include "core/Box.h"
#include "core/DrawingSink.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <span>

// Draws 1-pixel lines into a bare 32-bit pixel buffer that someone else owns.
// Pixel centres sit at whole coordinates; everything outside the buffer is clipped,
// whatever the coordinates (huge, infinite or NaN ones included).
//
// A line lights one pixel at every whole position along its major axis, from the whole
// position nearest one end to the one nearest the other, both included; across it, the
// pixel nearest the exact line, stepped in 32.32 fixed point. Lines wholly inside the image
// skip the clip, and the pixel loop runs unchecked when both ends are known to be inside.
class Raster {
public:
    using Box = ::Box;

    Raster(std::uint32_t* pixels, int width, int height, int stride_pixels)
        : pixels_(pixels), width_(width), height_(height), stride_(stride_pixels)
    {
    }

    void set_pixel(double x, double y, std::uint32_t colour)
    {
        if (!(x > -0.5 && x < width_ - 0.5 && y > -0.5 && y < height_ - 0.5))
            return;
        // The nearest pixel, rounding halves up: floor(v + 0.5), v being small here.
        auto nearest = [](double v) {
            const int i = int(v + 0.5);
            return i - (double(i) > v + 0.5);
        };
        const int px = nearest(x), py = nearest(y);
        pixels_[std::size_t(py) * stride_ + px] = colour;
        dirty_.cover(px, py);
    }
    void line(double x1, double y1, double x2, double y2, std::uint32_t colour);

    using Map = AffineMap;
    // Draws each segment as line(x1 * sx + ox, y1 * sy + oy, x2 * sx + ox, y2 * sy + oy) would,
    // the map applied in double precision; the dirty box is kept in registers for the batch.
    void lines(std::span<const Segment> segments, const Map& map, std::uint32_t colour);

    // As lines, but writes only the pixels in rows top to bottom (inclusive): each line lights
    // there exactly the pixels it lights when drawn whole. The dirty box grows by whole lines.
    void lines_in_rows(std::span<const Segment> segments, const Map& map, std::uint32_t colour,
                       int top, int bottom);

    // As lines and lines_in_rows, each segment first turned (see `turned`): the very pixels
    // the turned segments give, without storing them.
    void turned_lines(std::span<const Segment> segments, const Turn& turn, const Map& map,
                      std::uint32_t colour);
    void turned_lines_in_rows(std::span<const Segment> segments, const Turn& turn,
                              const Map& map, std::uint32_t colour, int top, int bottom);

    // The same image moved to another buffer of the same size and stride.
    void move_to(std::uint32_t* pixels) { pixels_ = pixels; }
    // Nothing touched since the last take_dirty.
    bool untouched() const { return dirty_.empty(); }

    // The pixels touched since the last take_dirty, then forgets them. Inline, so that a
    // caller drawing one dot or line gets the box in registers.
    Box take_dirty()
    {
        const Box box = dirty_;
        dirty_ = {};
        return box;
    }

private:
    template <class Source>
    void draw(std::span<const Segment> segments, Source source, const Map& map,
              std::uint32_t colour);
    template <class Source>
    void draw_in_rows(std::span<const Segment> segments, Source source, const Map& map,
                      std::uint32_t colour, int top, int bottom);

    std::uint32_t* pixels_;
    int width_;
    int height_;
    int stride_;
    Box dirty_;
};
