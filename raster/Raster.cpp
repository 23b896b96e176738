#include "raster/Raster.h"

#include "raster/Stroke.h"

#include <algorithm>
#include <cmath>
#include <utility>

using namespace stroke;

void Raster::line(double x1, double y1, double x2, double y2, std::uint32_t colour)
{
    const Stroke s = prepare(pixels_, width_, height_, stride_, x1, y1, x2, y2, dirty_);
    if (s.count >= 0)
        run(s, stride_, colour);
}

namespace {

struct AsGiven {
    const Segment& operator()(const Segment& g) const { return g; }
};

struct Turned {
    Turn turn;
    Segment operator()(const Segment& g) const { return turned(g, turn); }
};

} // namespace

template <class Source>
void Raster::draw(std::span<const Segment> segments, Source source, const Map& map,
                  std::uint32_t colour)
{
    std::uint32_t* const pixels = pixels_;
    const int width = width_, height = height_;
    const std::ptrdiff_t stride = stride_;
    Box dirty = dirty_;
    auto stroke = [&](const Segment& given) __attribute__((always_inline)) {
        const Segment g = source(given);
        return prepare(pixels, width, height, stride, g.x1 * map.sx + map.ox,
                       g.y1 * map.sy + map.oy, g.x2 * map.sx + map.ox, g.y2 * map.sy + map.oy,
                       dirty);
    };
    // Each line is set up before the one before it is drawn: the set-up, a long chain of
    // dependent arithmetic, then overlaps the pixel loop instead of waiting for its end.
    const std::size_t n = segments.size();
    if (n == 0)
        return;
    Stroke next = stroke(segments[0]);
    for (std::size_t i = 1; i <= n; ++i) {
        const Stroke s = next;
        if (i < n)
            next = stroke(segments[i]);
        if (s.count >= 0)
            run(s, stride, colour);
    }
    dirty_ = dirty;
}

template <class Source>
void Raster::draw_in_rows(std::span<const Segment> segments, Source source, const Map& map,
                          std::uint32_t colour, int top, int bottom)
{
    top = std::max(top, 0);
    bottom = std::min(bottom, height_ - 1);
    if (top > bottom)
        return;
    std::uint32_t* const pixels = pixels_;
    const int width = width_, height = height_;
    const std::ptrdiff_t stride = stride_;
    // A line lights no row more than a pixel beyond its ends' rows; two rows of margin keep
    // rounding out of the question. NaN ends fail both tests and go the whole way.
    const double above = top - 2.0, below = bottom + 2.0;
    Box dirty = dirty_;
    for (const Segment& given : segments) {
        const Segment g = source(given);
        const double y1 = g.y1 * map.sy + map.oy, y2 = g.y2 * map.sy + map.oy;
        if ((y1 < above && y2 < above) || (y1 > below && y2 > below))
            continue;
        Stroke s = prepare(pixels, width, height, stride, g.x1 * map.sx + map.ox, y1,
                           g.x2 * map.sx + map.ox, y2, dirty);
        if (s.count >= 0 && keep_rows(s, stride, top, bottom))
            run(s, stride, colour);
    }
    dirty_ = dirty;
}

void Raster::lines(std::span<const Segment> segments, const Map& map, std::uint32_t colour)
{
    draw(segments, AsGiven{}, map, colour);
}

void Raster::lines_in_rows(std::span<const Segment> segments, const Map& map,
                           std::uint32_t colour, int top, int bottom)
{
    draw_in_rows(segments, AsGiven{}, map, colour, top, bottom);
}

void Raster::turned_lines(std::span<const Segment> segments, const Turn& turn, const Map& map,
                          std::uint32_t colour)
{
    draw(segments, Turned{turn}, map, colour);
}

void Raster::turned_lines_in_rows(std::span<const Segment> segments, const Turn& turn,
                                  const Map& map, std::uint32_t colour, int top, int bottom)
{
    draw_in_rows(segments, Turned{turn}, map, colour, top, bottom);
}
