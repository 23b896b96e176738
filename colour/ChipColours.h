#pragma once

#include "core/Colour.h"

#include <array>
#include <functional>

// A random colour that is fairly dark: its three components add up to at most 350.
// `uniform` returns numbers in [0, 1).
Colour random_dark_colour(const std::function<double()>& uniform);

// The fixed colours of "primary", chip 0 to chip 7.
constexpr std::array<Colour, 8> kPrimaryColours{
    rgb(0, 0, 0),     rgb(255, 0, 0),   rgb(0, 255, 0),   rgb(0, 0, 255),
    rgb(0, 255, 255), rgb(255, 255, 0), rgb(255, 0, 255), rgb(128, 128, 128),
};
