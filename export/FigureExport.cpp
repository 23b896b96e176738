#include "export/FigureExport.h"

#include "core/Kaleidoscope.h"
#include "export/FigureFrame.h"
#include "export/PdfWriter.h"
#include "export/PngWriter.h"
#include "export/SavedFigure.h"
#include "export/SvgWriter.h"
#include "raster/WorkerPool.h"

#include <memory>

namespace {

ExportResult from_replay(const ReplayResult& replay)
{
    ExportResult result;
    result.limit = replay.limit;
    result.cancelled = replay.cancelled;
    return result;
}

// The copies drawn all at once, as the canvas draws them, where they can all be drawn whole;
// otherwise replayed one after the other.
ReplayResult draw_png(const Module1& state, int copies, PngWriter& png, const ReplayProgress& progress)
{
    const std::optional<FigureStrings> figure = whole_figure(state, copies);
    if (!figure)
        return replay_strings(state, copies, png, progress);
    const std::vector<Turn> turns = copy_turns(copies);
    const int drawn = png.draw_copies({figure->strings, figure->runs, turns}, progress);
    ReplayResult result;
    result.cancelled = drawn < copies;
    result.strings = (long long)drawn * (long long)figure->strings.size();
    return result;
}

} // namespace

ExportResult write_figure(FigureFormat format, const Module1& state, int copies, Output& out, double pixel_ratio,
                          const ReplayProgress& progress, const SavedFigure* figure)
{
    return write_figure(format, state, copies, out, pixel_ratio, progress, WorkerPool::shared(), figure);
}

ExportResult write_figure(FigureFormat format, const Module1& state, int copies, Output& out, double pixel_ratio,
                          const ReplayProgress& progress, WorkerPool& pool, const SavedFigure* figure)
{
    if (format == FigureFormat::Metafile)
        return write_metafile(state, copies, out, progress);
    if (!(pixel_ratio > 0 && pixel_ratio < 1000))
        pixel_ratio = 1; // no image density to go by

    // The measuring replay is the first half of the work, the writing one the second.
    const auto half = [&progress](int first) -> ReplayProgress {
        if (!progress)
            return {};
        return [&progress, first](int done, int total) { return progress(first * total + done, 2 * total); };
    };
    ReplayResult replay;
    FigureFrame frame = measure_figure(state, copies, half(0), replay, pool);
    if (replay.limit || replay.cancelled)
        return from_replay(replay);
    if (format == FigureFormat::Pdf)
        frame.fit([](double w, double h) { return w <= PdfWriter::kMaxInches && h <= PdfWriter::kMaxInches; });
    if (format == FigureFormat::Png)
        frame.fit([pixel_ratio](double w, double h) { return PngWriter::fits(w, h, pixel_ratio); });

    std::string block;
    if (figure) {
        SavedFigure carried = *figure;
        carried.pixel_ratio = format == FigureFormat::Png ? std::optional(pixel_ratio) : std::nullopt;
        block = figure_block(carried);
    }
    bool written = false;
    switch (format) {
    case FigureFormat::Svg: {
        SvgWriter svg(out, frame, SvgWriter::kStringsPerPath, block);
        replay = replay_strings(state, copies, svg, half(1));
        written = svg.finish();
        break;
    }
    case FigureFormat::Pdf: {
        PdfWriter pdf(out, frame, pool, PdfWriter::kLevel, PdfWriter::kPieceBytes, block);
        replay = replay_strings(state, copies, pdf, half(1));
        written = pdf.finish();
        break;
    }
    case FigureFormat::Png: {
        PngWriter png(frame, pixel_ratio, pool);
        replay = draw_png(state, copies, png, half(1));
        written = (replay.limit || replay.cancelled) || png.finish(out, block);
        break;
    }
    case FigureFormat::Metafile: break;
    }
    ExportResult result = from_replay(replay);
    result.write_failed = !written;
    result.strings = frame.strings;
    result.left_out = frame.left_out;
    result.scaled_down = frame.scale < 1;
    return result;
}
