#include "export/MetafileExport.h"

#include "export/WmfStringSink.h"
#include "export/WmfWriter.h"

namespace {

// The pen the file starts with, before the first side chooses its own.
constexpr Colour kFirstPen = rgb(255, 0, 0);

} // namespace

ExportResult write_metafile(const Module1& state, int copies, Output& out,
                            const ReplayProgress& progress)
{
    WmfWriter wmf(out);
    WmfStringSink sink(wmf, kFirstPen);
    const ReplayResult replay = replay_strings(state, copies, sink, progress);

    ExportResult result;
    result.limit = replay.limit;
    result.cancelled = replay.cancelled;
    result.strings = sink.written();
    result.clipped = sink.clipped();
    result.left_out = sink.left_out();

    sink.release_pen();
    result.write_failed = !wmf.finish();
    return result;
}
