#pragma once

#include "export/SavedFigure.h"

#include <string>

// Reads the figure back out of an SVG, PDF or PNG drawing that Tressik saved. The file is read
// front to back once, a piece at a time, and no more of it is held than the figure's block:
// a large PNG is walked chunk by chunk, not loaded. Anything but a regular file (a folder, a
// pipe, a device) is refused before a byte is read.
struct DrawingReading {
    std::optional<SavedFigure> figure;
    std::string cause; // why there is none, for a message naming the file: "it is a folder"
};
DrawingReading read_drawing(const std::string& path);
