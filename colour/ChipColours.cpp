#include "colour/ChipColours.h"

#include <cmath>

Colour random_dark_colour(const std::function<double()>& uniform)
{
    for (;;) {
        const double r = uniform();
        if (!(r >= 0.0 && r < 1.0))
            continue; // a source that strays outside [0, 1) is simply asked again
        const Colour c = Colour(std::floor(r * 16777216.0));
        if (red_of(c) + green_of(c) + blue_of(c) <= 350)
            return c;
    }
}
