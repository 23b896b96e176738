#pragma once

#include "core/DrawingSink.h"

// Draws nowhere: for work whose drawing state matters but whose pixels do not, such as the
// loop closed while the user has closed the canvas, or a benchmark of the arithmetic alone.
class NullSink : public DrawingSink {
public:
    void clear() override {}
    void set_colour(Colour) override {}
    void dot(float, float) override {}
    void line(float, float, float, float) override {}
    void lines(std::span<const Segment>) override {}
    void coloured_lines(std::span<const Segment>, std::span<const ColourRun>) override {}
    void lines_each_coloured(std::span<const Segment>, std::span<const Colour>) override {}
};
