#pragma once

#include <cstdint>

// A 24-bit colour packed as red + 256 * green + 65536 * blue, red in the low byte.
using Colour = std::int32_t;

constexpr Colour kMaxColour = 16777215;

constexpr Colour rgb(int red, int green, int blue)
{
    return red + 256 * green + 65536 * blue;
}

constexpr int red_of(Colour c) { return c % 256; }
constexpr int green_of(Colour c) { return (c / 256) % 256; }
constexpr int blue_of(Colour c) { return c / 65536; }

constexpr bool is_valid_colour(Colour c) { return c >= 0 && c <= kMaxColour; }
