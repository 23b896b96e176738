#pragma once

#include "core/DrawingSink.h"

#include <algorithm>
#include <cmath>
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
    // Everything but clears, in the order told: a dot or a line with its coordinates, or a
    // colour change with its colour.
    struct Drawn {
        enum Kind { Dot, Colour, Line } kind;
        ::Colour colour = 0;
        float x1 = 0, y1 = 0, x2 = 0, y2 = 0;

        bool operator==(const Drawn&) const = default;
    };

    void clear() override { ++clears; }
    void set_colour(Colour c) override
    {
        colour = c;
        colour_changes.push_back(c);
        drawn.push_back({Drawn::Colour, c});
    }
    void dot(float x, float y) override
    {
        dots.push_back({x, y, colour});
        drawn.push_back({Drawn::Dot, 0, x, y});
    }
    void line(float x1, float y1, float x2, float y2) override
    {
        lines_drawn.push_back({x1, y1, x2, y2, colour});
        drawn.push_back({Drawn::Line, 0, x1, y1, x2, y2});
    }

    // How many dots and lines were given a coordinate that is not a finite number.
    long long non_finite() const
    {
        return std::count_if(drawn.begin(), drawn.end(), [](const Drawn& d) {
            return !(std::isfinite(d.x1) && std::isfinite(d.y1) && std::isfinite(d.x2) && std::isfinite(d.y2));
        });
    }

    Colour colour = -1;
    int clears = 0;
    std::vector<Colour> colour_changes;
    std::vector<Dot> dots;
    std::vector<Line> lines_drawn;
    std::vector<Drawn> drawn;
};
