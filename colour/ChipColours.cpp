#include "colour/ChipColours.h"

#include <cmath>

Colour random_dark_colour(const std::function<double()>& uniform)
{
    for (;;) {
        const double r = uniform();
        const Colour c = Colour(std::floor(r * 16777216.0));
        if (!is_valid_colour(c))
            continue; // a source that strays outside [0, 1) is simply asked again
        if (red_of(c) + green_of(c) + blue_of(c) <= 350)
            return c;
    }
}
