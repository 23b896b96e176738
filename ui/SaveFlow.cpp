#include "ui/SaveFlow.h"

#include "core/Module1.h"
#include "export/AtomicFileOutput.h"
#include "export/FigureExport.h"
#include "export/SavedFigure.h"
#include "raster/WorkerPool.h"
#include "ui/LongTask.h"
#include "ui/UserMessages.h"

#include <QFile>

namespace {

QString progress_text(FigureFormat format)
{
    switch (format) {
    case FigureFormat::Metafile: break;
    case FigureFormat::Svg: return QStringLiteral("Saving the SVG drawing...");
    case FigureFormat::Pdf: return QStringLiteral("Saving the PDF document...");
    case FigureFormat::Png: return QStringLiteral("Saving the PNG image...");
    }
    return QStringLiteral("Saving the metafile...");
}

} // namespace

SaveFlow::SaveFlow(QWidget* window, UserMessages& messages, FileNameAsker ask, int progress_delay_ms)
    : window_(window),
      messages_(messages),
      ask_file_name_(ask ? std::move(ask) : FileNameAsker(&FigureSaveDialog::ask)),
      progress_delay_ms_(progress_delay_ms)
{
}

bool SaveFlow::ask_file_name()
{
    const FileChoice asked = ask_file_name_(window_, QString::fromStdString(save_filter_list()), chosen_);
    if (asked.name.isEmpty())
        return false;
    const SaveChoice choice = choose_format(asked.name.toStdString(), asked.filter);
    chosen_ = {QString::fromStdString(choice.file_name), asked.filter};
    format_ = choice.format;
    return true;
}

void SaveFlow::offer(const QString& name)
{
    const SaveChoice choice = choose_format(name.toStdString(), kAllFilesFilter);
    if (choice.format != FigureFormat::Metafile)
        chosen_ = {name, filter_of(choice.format)};
}

void SaveFlow::save(const MetafileDrawing& draw)
{
    AtomicFileOutput out(QFile::encodeName(chosen_.name).toStdString());
    const SaveResult result = save_metafile(out, draw);
    if (result.exported.limit) {
        messages_.report_limit(*result.exported.limit, QString::fromStdString(limit_consequence(result)));
        return;
    }
    if (!result.saved()) {
        const std::string message = save_failure_message(result, chosen_.name.toStdString());
        if (!message.empty())
            messages_.tell(QString::fromStdString(message), QStringLiteral("saveFailedMessage"));
        return;
    }
    const std::string note = saved_message(result.exported, format_);
    if (!note.empty())
        messages_.tell(QString::fromStdString(note), format_ == FigureFormat::Metafile
                                                         ? QStringLiteral("stringsClippedMessage")
                                                         : QStringLiteral("savedNoteMessage"));
}

ExportResult SaveFlow::draw(const Module1& state, std::optional<std::int16_t> copies, double pixel_ratio, Output& out,
                           const std::string& copies_text, const std::array<Colour, 8>& chips)
{
    if (!copies) {
        ExportResult result;
        result.limit = Limit::BadCopies;
        return result;
    }
    const std::int16_t drawn = state.kaleidoscope_on ? *copies : std::int16_t(1);
    const SavedFigure figure = saved_figure(state, copies_text, drawn, chips);
    LongTask task(window_, progress_text(format_), progress_delay_ms_);
    return write_figure(
        format_, state, drawn, out, pixel_ratio,
        [this, &task](int done, int total) { return task.step(done, total) && !stopped_; }, WorkerPool::shared(),
        &figure);
}
