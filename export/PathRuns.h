#pragma once

#include "core/Colour.h"
#include "core/Replay.h"
#include "export/FigureFrame.h"

#include <span>

// The SVG and PDF writers draw the strings as text paths: one run of one colour per path, cut
// every `per_path` strings, since readers refuse attributes of many megabytes and some slow
// down far more than in proportion to a path's length.
struct PathRuns {
    static constexpr long long kStringsPerPath = 10000;

    explicit PathRuns(long long strings_per_path = kStringsPerPath) : per_path(strings_per_path > 0 ? strings_per_path : 1) {}

    // Hands each finite string of `batch` to `put`, calling `start_path` first whenever the
    // pen's colour has changed or the open path is full; `start_path` still sees the open
    // path as it was.
    template <class StartPath, class Put>
    void each_string(std::span<const ReplayedString> batch, StartPath start_path, Put put)
    {
        for (const ReplayedString& s : batch) {
            if (!finite_string(s))
                continue;
            if (in_path == 0 || path_colour != colour || in_path == per_path) {
                start_path();
                path_colour = colour;
                in_path = 0;
            }
            ++in_path;
            put(s);
        }
    }

    long long per_path;
    Colour colour = 0;      // the pen's
    Colour path_colour = 0; // the open path's
    long long in_path = 0;  // strings in the open path
};
