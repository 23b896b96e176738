#pragma once

#include "core/Colour.h"
#include "core/DrawingSink.h"
#include "core/Limit.h"

#include <functional>
#include <optional>
#include <span>

struct Module1;

// One replayed string, in double precision, exactly as the rotation produced it.
struct ReplayedString {
    double x1, y1, x2, y2;
};

// Receives the replay: a pen at each side's first point, then that side's strings in
// batches. The replay feeds the metafile, SVG and PDF writers and the measuring of every
// saved picture's frame; the canvas and the PNG take it only for a kaleidoscope that meets a
// limit, and otherwise draw the figure's strings turned copy by copy (whole_figure), the
// same turns in the same arithmetic.
class StringSink {
public:
    virtual ~StringSink() = default;
    virtual void pen(Colour colour) = 0;
    // Returns false to stop the replay (the sink has met a limit of its own).
    virtual bool strings(std::span<const ReplayedString> batch) = 0;
};

// Called before each copy with the copies done so far; returns false to cancel.
using ReplayProgress = std::function<bool(int done, int total)>;

struct ReplayResult {
    std::optional<Limit> limit;
    bool cancelled = false;
    bool stopped_by_sink = false;
    long long strings = 0; // strings handed to the sink
};

// Copy k's turn: k/copies of a full turn, counter-clockwise.
Turn copy_turn(int k, int copies);

// Replays every string of the figure `copies` times, copy k turned about the logical
// origin by k/copies of a full turn, counter-clockwise. Copy 0 is the figure itself.
ReplayResult replay_strings(const Module1& state, int copies, StringSink& sink,
                            const ReplayProgress& progress = {});
