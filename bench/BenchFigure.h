#pragma once

#include "core/Colour.h"
#include "core/Module1.h"

#include <cmath>
#include <cstdint>
#include <utility>

// The benchmarks' figure: a star polygon {250/101} of 250 sides, 20 points a side (5,000
// points, 4,980 strings a copy), its vertices 145 degrees apart, entered as clicks would enter
// them, with the kaleidoscope drawn.
namespace bench_figure {

constexpr int kSides = 250;
constexpr int kPerSide = 20;       // points per side, and subdivs
constexpr int kStarStep = 101;
constexpr double kRadius = 379.0;  // logical; 130 pixels at 412 / 1200 pixels per unit
constexpr double kPi = 3.14159265358979323846;

inline Module1 make()
{
    Module1 s;
    s.subdivs = kPerSide;
    s.palette = {rgb(0, 0, 0),     rgb(200, 0, 0),   rgb(0, 160, 0),   rgb(0, 0, 200),
                 rgb(160, 160, 0), rgb(160, 0, 160), rgb(0, 160, 160), rgb(90, 90, 90)};
    auto vertex = [](int i) {
        const double a = 2 * kPi * double((i * kStarStep) % kSides) / kSides + 0.1;
        return std::pair{float(kRadius * std::cos(a)), float(kRadius * std::sin(a))};
    };
    int n = 0;
    for (int side = 0; side < kSides; ++side) {
        // The first point, then subdivs - 1 evenly spaced ones, as the second click adds them.
        const auto [x0, y0] = vertex(side);
        const auto [x1, y1] = vertex(side + 1);
        s.point_x[n] = x0;
        s.point_y[n] = y0;
        ++n;
        for (int i = 1; i < kPerSide; ++i) {
            s.point_x[n] = float(((double(x1) - x0) * i) / (kPerSide - 1) + x0);
            s.point_y[n] = float(((double(y1) - y0) * i) / (kPerSide - 1) + y0);
            ++n;
        }
    }
    s.point_count = std::int16_t(n);
    s.kaleidoscope_on = true;
    return s;
}

// Made once per benchmark program.
inline const Module1& figure()
{
    static const Module1 f = make();
    return f;
}

} // namespace bench_figure
