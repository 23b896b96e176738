#include "ui/SaveFlow.h"

#include "core/Module1.h"
#include "export/AtomicFileOutput.h"
#include "export/MetafileExport.h"
#include "ui/LongTask.h"
#include "ui/MetafileSaveDialog.h"
#include "ui/UserMessages.h"

#include <QFile>

SaveFlow::SaveFlow(QWidget* window, UserMessages& messages, FileNameAsker ask, int progress_delay_ms)
    : window_(window),
      messages_(messages),
      ask_file_name_(ask ? std::move(ask) : FileNameAsker(&MetafileSaveDialog::ask)),
      progress_delay_ms_(progress_delay_ms)
{
}

bool SaveFlow::ask_file_name()
{
    const QString name = ask_file_name_(window_, QStringLiteral("meta files (*.wmf);;all files (*.*)"),
                                        meta_file_name_);
    if (name.isEmpty())
        return false;
    meta_file_name_ = name;
    return true;
}

void SaveFlow::save(const MetafileDrawing& draw)
{
    AtomicFileOutput out(QFile::encodeName(meta_file_name_).toStdString());
    const SaveResult result = save_metafile(out, draw);
    if (result.exported.limit) {
        messages_.report_limit(*result.exported.limit, QString::fromStdString(limit_consequence(result)));
        return;
    }
    if (!result.saved()) {
        const std::string message = save_failure_message(result, meta_file_name_.toStdString());
        if (!message.empty())
            messages_.tell(QString::fromStdString(message), QStringLiteral("saveFailedMessage"));
        return;
    }
    if (result.exported.clipped + result.exported.left_out > 0)
        report_clipped(result.exported.clipped, result.exported.left_out);
}

ExportResult SaveFlow::draw(const Module1& state, std::optional<std::int16_t> copies, Output& out)
{
    if (!copies) {
        ExportResult result;
        result.limit = Limit::BadCopies;
        return result;
    }
    LongTask task(window_, QStringLiteral("Saving the metafile..."), progress_delay_ms_);
    return write_metafile(state, state.kaleidoscope_on ? *copies : 1, out, [this, &task](int done, int total) {
        return task.step(done, total) && !stopped_;
    });
}

void SaveFlow::report_clipped(long long clipped, long long left_out)
{
    messages_.tell(QStringLiteral("The file was saved. %1 of its strings reached beyond the range a metafile "
                                  "can hold (-16383 to 16383 on either axis): %2 cut at its edge, %3 left out.")
                       .arg(clipped + left_out)
                       .arg(clipped)
                       .arg(left_out),
                   QStringLiteral("stringsClippedMessage"));
}
