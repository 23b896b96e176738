#include "core/SideEntry.h"

#include "core/DrawingSink.h"
#include "core/Module1.h"

#include <algorithm>
#include <vector>

namespace {

bool readable(const Module1& s, int index) { return index >= 0 && index < s.point_count; }

// Stores one point at the end of the table, or says the table is full.
bool append_point(Module1& s, float x, float y)
{
    if (s.point_count > Module1::kLastIndex)
        return false;
    s.point_x[s.point_count] = x;
    s.point_y[s.point_count] = y;
    ++s.point_count;
    return true;
}

std::optional<Limit> draw_fan(Module1& s, DrawingSink& sink, int a)
{
    // Evaluated a step at a time in 16 bits: a - subdivs can overflow even where
    // a - subdivs - 1 would fit again.
    const auto gap = checked16(a - s.subdivs);
    const auto first = gap ? checked16(*gap - 1) : std::nullopt;
    const auto last = checked16(a - 2);
    if (!first || !last)
        return Limit::Overflow;
    // Handed over as one batch: what set_colour and line would draw string by string.
    std::vector<Segment> fan;
    std::vector<Colour> colours;
    fan.reserve(std::size_t(std::max(*last - *first + 1, 0)));
    colours.reserve(fan.capacity());
    for (int j = *first; j <= *last; ++j) {
        // The colour comes before the string's ends are read, so a fan that stops at a
        // negative index has set it. Here j > -subdivs (a > 1), so the palette index is 0 then.
        const Colour colour = s.palette[(j / s.subdivs) % 8];
        const int m = j + s.subdivs;
        const std::optional<Limit> stop = j < 0 ? std::optional(Limit::NegativeIndex)
                                          : !checked16(m) || !readable(s, m)
                                              ? std::optional(Limit::Overflow)
                                              : std::nullopt;
        if (stop) {
            sink.lines_each_coloured(fan, colours);
            sink.set_colour(colour);
            return stop;
        }
        fan.push_back({s.point_x[j], s.point_y[j], s.point_x[m], s.point_y[m]});
        colours.push_back(colour);
    }
    sink.lines_each_coloured(fan, colours);
    return std::nullopt;
}

std::optional<Limit> finish_side(Module1& s, DrawingSink& sink, float x, float y, int a)
{
    if (!readable(s, s.point_count - 1))
        return Limit::NegativeIndex;
    const float x0 = s.point_x[s.point_count - 1];
    const float y0 = s.point_y[s.point_count - 1];
    const auto steps = checked16(s.subdivs - 1);
    if (!steps)
        return Limit::Overflow;
    for (int i = 1; i <= *steps; ++i) {
        const double px = ((double(x) - x0) * i) / *steps + x0;
        const double py = ((double(y) - y0) * i) / *steps + y0;
        if (!append_point(s, float(px), float(py)))
            return Limit::TableFull;
        sink.dot(s.point_x[s.point_count - 1], s.point_y[s.point_count - 1]);
    }
    if (a > 1) {
        if (auto limit = draw_fan(s, sink, a))
            return limit;
    }
    s.side_open = false;
    return std::nullopt;
}

} // namespace

EntryResult enter_point(Module1& s, DrawingSink& sink, float x, float y)
{
    const int a = s.point_count;
    EntryResult result;
    if (!s.side_open) {
        sink.dot(x, y);
        if (!append_point(s, x, y)) {
            result.limit = Limit::TableFull;
            return result;
        }
        s.side_open = true;
    } else if ((result.limit = finish_side(s, sink, x, y, a))) {
        return result;
    }
    const auto twice = checked16(2 * s.subdivs);
    if (!twice)
        result.limit = Limit::Overflow;
    else
        result.enable_save = s.point_count >= *twice;
    return result;
}
