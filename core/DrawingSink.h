#pragma once

#include "core/Colour.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <span>

// One string in logical coordinates, as the canvas draws it.
struct Segment {
    float x1, y1, x2, y2;
};

// `count` consecutive strings of a batch, drawn after the drawing colour is set to `colour`.
struct ColourRun {
    Colour colour;
    std::size_t count;
};

// A turn about the logical origin: (x, y) goes to (x c - y s, x s + y c).
struct Turn {
    double c, s;
};

// A string turned, in double precision, each end then rounded to single precision.
inline Segment turned(const Segment& g, const Turn& t)
{
    const double x1 = g.x1, y1 = g.y1, x2 = g.x2, y2 = g.y2;
    return {float(x1 * t.c - y1 * t.s), float(x1 * t.s + y1 * t.c), float(x2 * t.c - y2 * t.s),
            float(x2 * t.s + y2 * t.c)};
}

// The kaleidoscope's copies of one figure: copy k is every string turned by turns[k], drawn
// run by run in the runs' colours, copy after copy.
struct TurnedCopies {
    std::span<const Segment> strings;
    std::span<const ColourRun> runs;
    std::span<const Turn> turns;
};

// Asked between pieces of work with the copies done so far (never fewer than before) and
// their total; returns false to stop.
using CopiesProgress = std::function<bool(int done, int total)>;

// What the drawing algorithms draw on: the canvas, or a recorder in tests.
class DrawingSink {
public:
    virtual ~DrawingSink() = default;

    virtual void clear() = 0;
    virtual void set_colour(Colour colour) = 0;
    virtual void dot(float x, float y) = 0;
    virtual void line(float x1, float y1, float x2, float y2) = 0;

    // Many strings in the current colour. Sinks that can draw a batch faster override it.
    virtual void lines(std::span<const Segment> segments)
    {
        for (const Segment& s : segments)
            line(s.x1, s.y1, s.x2, s.y2);
    }

    // Strings each in its own colour, as set_colour and line would draw them one after the
    // other; the last colour stays current. Sinks that can draw a batch faster override it.
    virtual void lines_each_coloured(std::span<const Segment> segments,
                                     std::span<const Colour> colours)
    {
        for (std::size_t i = 0; i < segments.size() && i < colours.size(); ++i) {
            set_colour(colours[i]);
            line(segments[i].x1, segments[i].y1, segments[i].x2, segments[i].y2);
        }
    }

    // Strings in several colours, run by run, as set_colour and lines would draw them; the
    // last run's colour stays current. Sinks that can draw a large batch faster override it.
    virtual void coloured_lines(std::span<const Segment> segments, std::span<const ColourRun> runs)
    {
        std::size_t at = 0;
        for (const ColourRun& r : runs) {
            set_colour(r.colour);
            lines(segments.subspan(at, r.count));
            at += r.count;
        }
    }

    // Draws all the copies at once, if the sink knows a faster way to the very pixels that
    // coloured_lines gives copy after copy; the last run's colour stays current. A stop leaves
    // whole copies only. Returns how many copies were drawn, or nothing when the sink leaves
    // the copies to the caller.
    virtual std::optional<int> draw_copies(const TurnedCopies& /*copies*/,
                                           const CopiesProgress& /*progress*/)
    {
        return std::nullopt;
    }
};
