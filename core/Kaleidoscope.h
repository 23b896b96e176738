#pragma once

#include "core/Replay.h"

class DrawingSink;

// Draws the replay on a drawing sink: each string rounded to single precision, each side's
// strings handed over as one batch in the side's colour.
ReplayResult draw_kaleidoscope(const Module1& state, int copies, DrawingSink& sink,
                               const ReplayProgress& progress = {});
