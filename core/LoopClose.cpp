#include "core/LoopClose.h"

#include "core/DrawingSink.h"
#include "core/Module1.h"

std::optional<Limit> close_loop(Module1& s, DrawingSink& sink)
{
    if (s.point_count == 0)
        return std::nullopt;
    const int old = s.point_count;
    const auto last_copied = checked16(s.subdivs - 1);
    if (!last_copied)
        return Limit::Overflow;
    for (int i = 0; i <= *last_copied; ++i) {
        if (s.point_count > Module1::kLastIndex)
            return Limit::TableFull;
        // i < point_count always holds here, so the source is a stored point.
        s.point_x[s.point_count] = s.point_x[i];
        s.point_y[s.point_count] = s.point_y[i];
        ++s.point_count;
    }
    if (s.subdivs == 0)
        return Limit::DivisionByZero;
    const int q = (old - 1) / s.subdivs;
    sink.set_colour(s.palette[q & 7]);
    for (int j = old; j < s.point_count; ++j) {
        const auto shifted = checked16(j - s.subdivs);
        if (!shifted)
            return Limit::Overflow;
        const int k = *shifted % s.point_count;
        if (k < 0)
            return Limit::NegativeIndex;
        sink.line(s.point_x[j], s.point_y[j], s.point_x[k], s.point_y[k]);
    }
    return std::nullopt;
}
