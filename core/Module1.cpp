#include "core/Module1.h"

#include <algorithm>

void Module1::reset()
{
    point_count = 0;
    kaleidoscope_on = false;
    side_open = false;
}

void Module1::load_palette(std::span<const Colour, 8> chip_colours)
{
    std::copy(chip_colours.begin(), chip_colours.end(), palette.begin());
}
