#pragma once

#include "core/Replay.h"
#include "export/FigureFrame.h"
#include "export/PathRuns.h"
#include "export/TextBuffer.h"

class Output;

// Writes the replay as an SVG drawing: a path of moves and lines per run of strings of one
// colour, cut every kStringsPerPath strings, in logical units with y turned downward as SVG has it, on a white background, the
// viewBox framing the figure and width and height in inches. Strings with an end that is not
// a finite number are skipped (the frame has counted them).
class SvgWriter final : public StringSink {
public:
    // librsvg takes time in proportion to a path's length for each of its strings. Measured
    // with rsvg-convert on one-colour rosettes of 10^4 to 10^6 strings: at 50 a path it
    // draws them within a quarter of its time for paths of 20 (one fan each), for 2% more
    // bytes than paths of 10,000; at 100 it takes twice as long, at 1250 28 times.
    static constexpr long long kStringsPerPath = 50;

    // Writes the start of the drawing, up to the first path, with the figure's `block` (when
    // there is one) in the metadata, where other readers pass over it.
    SvgWriter(Output& out, const FigureFrame& frame, long long strings_per_path = kStringsPerPath,
              std::string_view block = {});

    void pen(Colour colour) override { runs_.colour = colour; }
    bool strings(std::span<const ReplayedString> batch) override;

    // Closes the drawing and hands over the rest. False if any write failed.
    bool finish();

private:
    void start_path();

    TextBuffer text_;
    PathRuns runs_;
};
