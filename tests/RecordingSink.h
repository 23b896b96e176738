#pragma once

#include "core/DrawingSink.h"

#include <vector>

// Records what the drawing algorithms draw, in order, with the colour current at the time.
class RecordingSink final : public DrawingSink {
public:
    struct Dot {
        float x, y;
        Colour colour;
    };
    struct Line {
        float x1, y1, x2, y2;
        Colour colour;
    };

    void clear() override { ++clears; }
    void set_colour(Colour c) override
    {
        colour = c;
        colour_changes.push_back(c);
    }
    void dot(float x, float y) override { dots.push_back({x, y, colour}); }
    void line(float x1, float y1, float x2, float y2) override
    {
        lines_drawn.push_back({x1, y1, x2, y2, colour});
    }

    Colour colour = -1;
    int clears = 0;
    std::vector<Colour> colour_changes;
    std::vector<Dot> dots;
    std::vector<Line> lines_drawn;
};
