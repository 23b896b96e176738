#pragma once

#include "core/Limit.h"
#include "core/Replay.h"

#include <optional>

class ByteSink;
struct Module1;

struct ExportResult {
    std::optional<Limit> limit; // the replay, or a coordinate, met a limit
    bool cancelled = false;
    bool write_failed = false;
    long long strings = 0; // strings written to the file
};

// Writes the figure, `copies` times turned about the origin, as a Windows metafile of
// pens and lines. On success the file is complete. After a limit or a cancellation the
// file is still well formed but holds only what came before; after a write failure
// nothing can be said about it.
ExportResult write_metafile(const Module1& state, int copies, ByteSink& out,
                            const ReplayProgress& progress = {});
