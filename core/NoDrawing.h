#pragma once

#include "core/DrawingSink.h"

// Draws nowhere: for running the drawing algorithms where no pixels are wanted.
class NoDrawing final : public DrawingSink {
public:
    void clear() override {}
    void set_color(Colour) override {}
    void dot(float, float) override {}
    void line(float, float, float, float) override {}
    void lines(std::span<const Segment>) override {}
    void coloured_lines(std::span<const Segment>, std::span<const ColourRun>) override {}
};
