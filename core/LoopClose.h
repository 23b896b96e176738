#pragma once

#include "core/Limit.h"

#include <optional>

struct Module1;
class DrawingSink;

// "complete loop": appends a copy of the first side and joins it to the last side entered,
// in the colour of the side that holds the last point entered before the command.
std::optional<Limit> close_loop(Module1& state, DrawingSink& sink);
