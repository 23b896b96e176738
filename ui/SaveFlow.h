#pragma once

#include "export/SaveCommand.h"

#include <QString>

#include <cstdint>
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
    // Asks for the file's name with `filter` in Qt's form, offering `previous`, the name chosen
    // last (empty at first); returns the empty string on cancel.
    using FileNameAsker = std::function<QString(QWidget* parent, const QString& filter, const QString& previous)>;

    // `ask` null means the program's save dialog; work that runs longer than
    // `progress_delay_ms` shows a progress dialog over `window`.
    SaveFlow(QWidget* window, UserMessages& messages, FileNameAsker ask, int progress_delay_ms);

    // Asks for the metafile's name; false when the user cancelled, and nothing is written then.
    bool ask_file_name();
    // Writes the file chosen last through `draw` and reports any failure or cut strings.
    void save(const MetafileDrawing& draw);
    // Draws the figure into the opened file, `copies` times when the kaleidoscope was drawn;
    // `copies` is the copies box's value, none when the box holds no number.
    ExportResult draw(const Module1& state, std::optional<std::int16_t> copies, Output& out);
    // The tool window is closing: a save under way stops.
    void stop() { stopped_ = true; }

private:
    void report_clipped(long long clipped, long long left_out);

    QWidget* window_;
    UserMessages& messages_;
    FileNameAsker ask_file_name_;
    int progress_delay_ms_;
    QString meta_file_name_;
    bool stopped_ = false;
};
