#pragma once

#include "core/Colour.h"

#include <cstddef>
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
};
