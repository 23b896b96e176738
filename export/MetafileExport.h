#pragma once

#include "core/Limit.h"
#include "core/Replay.h"

#include <optional>

class Output;
struct Module1;

struct ExportResult {
    std::optional<Limit> limit; // the replay met a limit
    bool cancelled = false;
    bool write_failed = false;
    long long strings = 0;  // strings written to the file, cut ones included
    long long clipped = 0;  // strings cut at the edge of the range a file can hold
    long long left_out = 0; // strings wholly beyond it, or with an end not a finite number
    bool scaled_down = false; // drawn smaller than the figure's own size, to fit the format
};

// Writes the figure, `copies` times turned about the origin, as a Windows metafile of
// pens and lines, framed so that readers show it right way up with its own proportions.
// Strings beyond -16383 .. 16383 on either axis are cut there or left out, and counted.
// On success the file is complete. After a limit or a cancellation the file is still well
// formed but holds only what came before; after a write failure nothing can be said about it.
ExportResult write_metafile(const Module1& state, int copies, Output& out,
                            const ReplayProgress& progress = {});
