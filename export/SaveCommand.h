#pragma once

#include "export/FigureFormat.h"
#include "export/MetafileExport.h"
#include "export/Output.h"

#include <functional>
#include <string>
#include <string_view>
#include <system_error>

// What a save came to. Either it went through, or it stopped at a limit of the drawing
// state, was cancelled, or failed at one of the output's stages with the system's reason.
struct SaveResult {
    enum class Stage { None, Open, Write, Commit }; // where it failed, if it did
    ExportResult exported;
    Stage failed_at = Stage::None;
    std::error_code error;
    Output::Earlier earlier = Output::Earlier::None;

    bool saved() const { return failed_at == Stage::None && !exported.limit && !exported.cancelled; }
};

// Draws the metafile into the opened output.
using MetafileDrawing = std::function<ExportResult(Output& out)>;

// The save command: opens the output, draws into it, and commits it when the drawing went
// through, or cancels it, so that only a whole file ever takes the destination's place.
SaveResult save_metafile(Output& out, const MetafileDrawing& draw);

// The system's reason in plain words, for a message: "the disk is full".
std::string reason_in_words(std::error_code reason);

// What the user is told about a save that did not go through, naming `file`; empty when
// there is nothing to tell (a cancelled save that left everything as it was). A destination
// refused before anything was written is told in one line: "/tmp/fan.wmf is read-only: not
// saved", "/tmp/fifo is a named pipe, not a file: not saved". A save
// stopped at a limit is told with limit_consequence() after the limit's own description.
std::string save_failure_message(const SaveResult& result, std::string_view file);
std::string limit_consequence(const SaveResult& result);

// What the user is told after a save that went through in `format`: the strings cut or left
// out, and a picture scaled down to fit its format (a PDF page, or a PNG's pixels, whose
// density then falls so that its size stays the figure's). Empty when there is nothing to tell.
std::string saved_message(const ExportResult& result, FigureFormat format);
