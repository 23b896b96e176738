#pragma once

#include "core/Colour.h"

class QWidget;

// The background colour of any focusable control: a chip, a push button or a text box.
// The colour dialog paints whichever control is active, whatever its kind.
void set_back_color(QWidget* control, Colour colour);
