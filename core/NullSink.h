#pragma once

#include "core/DrawingSink.h"

// Draws nowhere: for work whose drawing state matters but whose pixels do not, such as the
// loop closed while the user has closed the canvas.
class NullSink : public DrawingSink {
public:
    void clear() override {}
    void set_color(Colour) override {}
    void dot(float, float) override {}
    void line(float, float, float, float) override {}
};
