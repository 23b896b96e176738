#pragma once

#include "core/Colour.h"

#include <array>
#include <cstdint>
#include <span>

// The one drawing state the whole program shares. Plain data: every handler reads and
// writes the fields directly. Points 0 .. point_count-1 are valid; the rest are stale.
struct Module1 {
    static constexpr int kTableSize = 5001;
    static constexpr int kLastIndex = kTableSize - 1;

    std::array<float, kTableSize> point_x{};
    std::array<float, kTableSize> point_y{};
    std::int16_t point_count = 0;
    bool side_open = false;
    std::int16_t subdivs = 0;
    bool kaleidoscope_on = false;
    std::array<Colour, 8> palette{};
    Colour saved_color = 0;

    // What "clear canvas" forgets. The palette, subdivs and saved_color survive it.
    void reset();

    // Copies the chips' colours into the palette, chip i into palette[i].
    void load_palette(std::span<const Colour, 8> chip_colours);
};
