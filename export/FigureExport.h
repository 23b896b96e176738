#pragma once

#include "core/Replay.h"
#include "export/FigureFormat.h"
#include "export/MetafileExport.h"

class Output;
class WorkerPool;
struct Module1;
struct SavedFigure;

// Writes the figure, `copies` times turned about the origin, in `format`: the same strings of
// the same replay, in the same order and colours, whatever the format. A metafile is
// write_metafile's. The others are framed on the box of every string end, measured by a first
// replay that writes nothing; progress counts both replays. A string with an end that is not a
// finite number is left out and counted. A PNG is drawn at 96 * `pixel_ratio` dots per inch
// on `pool`. A picture larger than its format allows is scaled down, and the result says so.
// An SVG, PDF or PNG carries `figure`'s block when there is one, so that Tressik can open it
// again: a PNG's with the pixel ratio it was drawn at, the others' with none. A metafile has
// no room for it.
ExportResult write_figure(FigureFormat format, const Module1& state, int copies, Output& out,
                          double pixel_ratio = 1, const ReplayProgress& progress = {},
                          const SavedFigure* figure = nullptr);
ExportResult write_figure(FigureFormat format, const Module1& state, int copies, Output& out,
                          double pixel_ratio, const ReplayProgress& progress, WorkerPool& pool,
                          const SavedFigure* figure = nullptr);
