#include "core/FigureDrawing.h"

#include "core/DrawingSink.h"
#include "core/Kaleidoscope.h"
#include "core/Module1.h"

#include <algorithm>

ReplayResult draw_figure(const Module1& state, int copies, DrawingSink& sink, const ReplayProgress& progress)
{
    sink.clear();
    // Each side's dots in its fan's colour: the state keeps no colour per dot.
    const int n = state.subdivs;
    const int count = std::clamp<int>(state.point_count, 0, Module1::kTableSize);
    for (int i = 0; i < count; ++i) {
        if (n > 0 && i % n == 0)
            sink.set_colour(state.palette[(i / n) % 8]);
        sink.dot(state.point_x[i], state.point_y[i]);
    }
    const bool copies_on = state.kaleidoscope_on && copies >= 1;
    return draw_kaleidoscope(state, copies_on ? copies : 1, sink, progress);
}
