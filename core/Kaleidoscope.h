#pragma once

#include "core/DrawingSink.h"
#include "core/Replay.h"

#include <optional>
#include <vector>

class DrawingSink;

// The figure's strings, each rounded to single precision, and the runs of their colours: what
// every copy of the kaleidoscope turns.
struct FigureStrings {
    std::vector<Segment> strings;
    std::vector<ColourRun> runs;
};

// The figure's strings when all `copies` can be drawn whole: no limit of the replay is in
// reach and no turned end can leave single precision. Otherwise nothing, and the copies are
// replayed one after the other.
std::optional<FigureStrings> whole_figure(const Module1& state, int copies);

// The turns of copies 0 .. copies - 1, as copy_turn gives them.
std::vector<Turn> copy_turns(int copies);

// Draws the replay on a drawing sink: each string rounded to single precision, each side's
// strings handed over as one batch in the side's colour.
ReplayResult draw_kaleidoscope(const Module1& state, int copies, DrawingSink& sink,
                               const ReplayProgress& progress = {});
