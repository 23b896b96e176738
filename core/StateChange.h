#pragma once

#include "core/Module1.h"

#include <cstddef>
#include <vector>

// What one command changed in the drawing state, kept both ways: the stretch of the point
// table it wrote and the fields around it, before and after. A click keeps a side's points,
// not the table. Undo and redo put back only the fields the command changed: subdivs and the
// palette also change between commands (typing, the chips), and those changes stay.
class StateChange {
public:
    StateChange() = default;
    StateChange(const Module1& before, const Module1& after);

    bool empty() const;
    // Puts back the state before the command, or the state it left.
    void undo(Module1& state) const { put(state, before_); }
    void redo(Module1& state) const { put(state, after_); }
    std::size_t bytes() const;

private:
    // One side of the change: the changed stretch of the table from `first` on, and the rest.
    struct Side {
        std::vector<float> x, y;
        std::int16_t point_count = 0, subdivs = 0;
        bool side_open = false, kaleidoscope_on = false;
        std::array<Colour, 8> palette{};
        bool operator==(const Side&) const = default;
    };
    void put(Module1& state, const Side& side) const;
    const Side& other(const Side& side) const { return &side == &before_ ? after_ : before_; }

    int first_ = 0;
    bool points_differ_ = false; // by their bits: -0 and NaN are compared as stored
    Side before_, after_;
};
