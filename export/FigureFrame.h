#pragma once

#include "core/Replay.h"

#include <cmath>
#include <functional>
#include <limits>

struct Module1;
class WorkerPool;

// Where a figure sits in a saved picture. The picture is framed on the box of every string
// end, widened by half a string's width each side and to at least 1/24 inch each way, and
// centred on the box. Logical units keep the metafile's 256 to the inch, equally across and
// down; a picture larger than its format allows is drawn at a smaller scale.
struct FigureFrame {
    static constexpr double kUnitsPerInch = 256;
    static constexpr double kStringInches = 1.0 / 96;
    static constexpr double kLeastInches = 1.0 / 24;

    // The box of the ends, in logical units; empty (min > max) without strings.
    double min_x = 1, max_x = 0, min_y = 1, max_y = 0;
    long long strings = 0;  // with finite ends
    long long left_out = 0; // with an end that is not a finite number
    double scale = 1;       // below 1 when scaled down to fit

    bool empty() const { return min_x > max_x; }
    double centre_x() const { return empty() ? 0 : (min_x + max_x) / 2; }
    double centre_y() const { return empty() ? 0 : (min_y + max_y) / 2; }
    // The picture's size, at the current scale.
    double width_inches() const;
    double height_inches() const;
    // The same in logical units.
    double width_units() const { return width_inches() * kUnitsPerInch / scale; }
    double height_units() const { return height_inches() * kUnitsPerInch / scale; }
    double left() const { return centre_x() - width_units() / 2; }
    double bottom() const { return centre_y() - height_units() / 2; }

    // Sets the largest scale up to 1 at which `fits` (given the width and height in inches)
    // holds; leaves 1 when it already does.
    void fit(const std::function<bool(double width, double height)>& fits);
};

// A string with both ends finite, for every format but the metafile, which cuts its own.
inline bool finite_string(const ReplayedString& s)
{
    return std::isfinite(s.x1) && std::isfinite(s.y1) && std::isfinite(s.x2) && std::isfinite(s.y2);
}

// A replay that only measures: the box of every finite end, and the strings left out.
// Writes nothing; the replay's limit or cancellation comes back in `replay`. A figure whose
// copies can all be drawn whole is measured by its points, every copy's turned on `pool`:
// the very ends the replay gives, each worked out once.
FigureFrame measure_figure(const Module1& state, int copies, const ReplayProgress& progress,
                           ReplayResult& replay);
FigureFrame measure_figure(const Module1& state, int copies, const ReplayProgress& progress,
                           ReplayResult& replay, WorkerPool& pool);
