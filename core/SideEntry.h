#pragma once

#include "core/Limit.h"

#include <optional>

struct Module1;
class DrawingSink;

struct EntryResult {
    std::optional<Limit> limit; // set when the click stopped at a limit
    bool enable_save = false;   // the figure is now big enough to be worth saving
};

// One mouse-button release on the canvas at logical (x, y). A first click starts a side;
// a second fills it with subdivs evenly spaced points and joins it to the side before with
// a fan of strings, point i to point i.
EntryResult enter_point(Module1& state, DrawingSink& sink, float x, float y);
