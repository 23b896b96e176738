#pragma once

#include "core/Colour.h"
#include "export/FigureFormat.h"
#include "export/SaveCommand.h"
#include "ui/FigureSaveDialog.h"

#include <QString>

#include <array>
#include <cstdint>
#include <string>
#include <functional>
#include <optional>

class QWidget;
class UserMessages;
struct Module1;

// Saving the figure, from the file name to the last word about it: asks for the name, writes
// the file so that only a whole one takes the name's place, shows progress for long work and
// tells the user what came of it. Every save of the program goes through here.
class SaveFlow {
public:
    // Asks for the file's name with `filters` in Qt's form, offering `previous`, the name and
    // filter chosen last (no name at first); an empty name on cancel.
    using FileNameAsker =
        std::function<FileChoice(QWidget* parent, const QString& filters, const FileChoice& previous)>;

    // `ask` null means the program's save dialog; work that runs longer than
    // `progress_delay_ms` shows a progress dialog over `window`.
    SaveFlow(QWidget* window, UserMessages& messages, FileNameAsker ask, int progress_delay_ms);

    // Asks for the file's name and type; false when the user cancelled, and nothing is
    // written then. The type chosen is offered again while the tool window lives.
    bool ask_file_name();
    // The file chosen last; empty before the first.
    const QString& file_name() const { return chosen_.name; }
    // Offers `name`, a drawing just opened, at the next save, under the filter of the format
    // its suffix names. A name whose suffix names no drawing's format (a metafile, none at
    // all) leaves the offer as it was, so that no drawing is offered to be overwritten by a
    // metafile.
    void offer(const QString& name);
    // Writes the file chosen last through `draw` and reports any failure, and anything the
    // reader of the file should know.
    void save(const MetafileDrawing& draw);
    // Draws the figure into the opened file in the chosen format, `copies` times when the
    // kaleidoscope was drawn; `copies` is the copies box's value, none when the box holds no
    // number. A PNG has `pixel_ratio` image pixels to the canvas's pixel. An SVG, PDF or PNG
    // carries the figure too, with the copies box's `copies_text` and the `chips`, so that it
    // opens again.
    ExportResult draw(const Module1& state, std::optional<std::int16_t> copies, double pixel_ratio, Output& out,
                      const std::string& copies_text = {}, const std::array<Colour, 8>& chips = {});
    // The tool window is closing: a save under way stops.
    void stop() { stopped_ = true; }

private:
    QWidget* window_;
    UserMessages& messages_;
    FileNameAsker ask_file_name_;
    int progress_delay_ms_;
    FileChoice chosen_;                             // the file's name as written, and the filter
    FigureFormat format_ = FigureFormat::Metafile; // what that name and filter write
    bool stopped_ = false;
};
