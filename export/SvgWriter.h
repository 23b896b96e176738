#pragma once

#include "core/Replay.h"
#include "export/FigureFrame.h"
#include "export/PathRuns.h"
#include "export/TextBuffer.h"

class Output;

// Writes the replay as an SVG drawing: one path of moves and lines per run of strings of one
// colour, in logical units with y turned downward as SVG has it, on a white background, the
// viewBox framing the figure and width and height in inches. Strings with an end that is not
// a finite number are skipped (the frame has counted them).
class SvgWriter final : public StringSink {
public:
    // librsvg's time grows with the square of a path's length; measured with rsvg-convert,
    // see PATH_NOTE.
    static constexpr long long kStringsPerPath = 100;

    // Writes the start of the drawing, up to the first path.
    SvgWriter(Output& out, const FigureFrame& frame, long long strings_per_path = kStringsPerPath);

    void pen(Colour colour) override { runs_.colour = colour; }
    bool strings(std::span<const ReplayedString> batch) override;

    // Closes the drawing and hands over the rest. False if any write failed.
    bool finish();

private:
    void start_path();

    TextBuffer text_;
    PathRuns runs_;
};
