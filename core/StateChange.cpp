#include "core/StateChange.h"

#include <algorithm>
#include <bit>
#include <cstdint>

namespace {

// Points compared by their bits: a stored -0 or NaN is a change like any other.
bool same_point(const Module1& a, const Module1& b, int i)
{
    return std::bit_cast<std::uint32_t>(a.point_x[i]) == std::bit_cast<std::uint32_t>(b.point_x[i])
        && std::bit_cast<std::uint32_t>(a.point_y[i]) == std::bit_cast<std::uint32_t>(b.point_y[i]);
}

} // namespace

StateChange::StateChange(const Module1& before, const Module1& after)
{
    int first = 0, last = Module1::kTableSize;
    while (first < last && same_point(before, after, first))
        ++first;
    while (last > first && same_point(before, after, last - 1))
        --last;
    first_ = first;
    points_differ_ = first < last;
    const auto side = [first, last](const Module1& m) {
        Side s;
        s.x.assign(m.point_x.begin() + first, m.point_x.begin() + last);
        s.y.assign(m.point_y.begin() + first, m.point_y.begin() + last);
        s.point_count = m.point_count;
        s.subdivs = m.subdivs;
        s.side_open = m.side_open;
        s.kaleidoscope_on = m.kaleidoscope_on;
        s.palette = m.palette;
        return s;
    };
    before_ = side(before);
    after_ = side(after);
}

bool StateChange::empty() const
{
    // The stretches hold the same values once the points agree bit for bit.
    return !points_differ_ && before_ == after_;
}

void StateChange::put(Module1& state, const Side& side) const
{
    std::copy(side.x.begin(), side.x.end(), state.point_x.begin() + first_);
    std::copy(side.y.begin(), side.y.end(), state.point_y.begin() + first_);
    const Side& from = other(side);
    const auto put_if_changed = [](auto& field, const auto& to, const auto& was) {
        if (to != was)
            field = to;
    };
    put_if_changed(state.point_count, side.point_count, from.point_count);
    put_if_changed(state.subdivs, side.subdivs, from.subdivs);
    put_if_changed(state.side_open, side.side_open, from.side_open);
    put_if_changed(state.kaleidoscope_on, side.kaleidoscope_on, from.kaleidoscope_on);
    put_if_changed(state.palette, side.palette, from.palette);
}

std::size_t StateChange::bytes() const
{
    return sizeof *this + 4 * sizeof(float) * before_.x.size();
}
