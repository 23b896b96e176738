#pragma once

#include "core/Replay.h"

class DrawingSink;
struct Module1;

// Draws the whole figure of `state` afresh on a cleared sink: every stored point's dot, then
// the fans in order in the palette's colours, as the kaleidoscope's replay draws them, or,
// when the kaleidoscope is on and `copies` is at least 1, its `copies` copies (the first of
// which is the figure itself). Used where the canvas's own pixels cannot be put back: a
// drawing opened from a file, or a step undone across a resize. A limit stops the drawing
// there, with what came before drawn; it is returned.
ReplayResult draw_figure(const Module1& state, int copies, DrawingSink& sink,
                         const ReplayProgress& progress = {});
