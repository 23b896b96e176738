#include "ui/FigureSaveDialog.h"

#include "export/FigureFormat.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QRegularExpression>

FigureSaveDialog::FigureSaveDialog(QWidget* parent, const QString& filters, const FileChoice& previous)
    : QFileDialog(parent)
{
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setNameFilter(filters);
    selectNameFilter(nameFilters().value(int(previous.filter)));
    if (!previous.name.isEmpty())
        selectFile(previous.name);
    name_box_ = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    // Qt rewrites the name's suffix to the new filter's before it reports a switch of filter
    // ("fan.*" under "all files", "v1.2" made "v1.svg"), so the name is noted before any key,
    // click or turn of the wheel reaches the file types or their list.
    if (auto* types = findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
        types->installEventFilter(this);
        types->view()->installEventFilter(this);
        types->view()->viewport()->installEventFilter(this);
    }
    connect(this, &QFileDialog::filterSelected, this, &FigureSaveDialog::filter_switched);
    // The dialog applies the suffix before it checks for an existing file.
    setDefaultSuffix(suffix_of(selectedNameFilter()));
}

FileChoice FigureSaveDialog::ask(QWidget* parent, const QString& filters, const FileChoice& previous)
{
    FigureSaveDialog dialog(parent, filters, previous);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return {dialog.selectedFiles().value(0), dialog.filter()};
}

QString FigureSaveDialog::suffix_of(const QString& name_filter)
{
    static const QRegularExpression one_pattern(QStringLiteral(R"(\(\s*\*\.(\w+)\s*\)\s*$)"));
    const QRegularExpressionMatch match = one_pattern.match(name_filter);
    return match.hasMatch() ? match.captured(1) : QString();
}

std::size_t FigureSaveDialog::filter() const { return filter_index(selectedNameFilter().toStdString()); }

void FigureSaveDialog::accept()
{
    // Qt adds the suffix only to a name without a dot, so a name whose one dot comes first
    // (".fan") would be asked about bare and written with the suffix. The box takes the
    // written name, and Qt asks about that.
    const QStringList files = selectedFiles();
    if (name_box_ && files.size() == 1 && !QFileInfo(files[0]).isDir()) {
        const QString written = QString::fromStdString(choose_format(files[0].toStdString(), filter()).file_name);
        if (written != files[0]) {
            selectFile(written); // leaves no other file picked in the list
            name_box_->setText(QFileInfo(written).fileName());
        }
    }
    QFileDialog::accept();
}

bool FigureSaveDialog::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonRelease:
    case QEvent::Wheel:
        if (name_box_)
            name_before_switch_ = name_box_->text();
        break;
    default: break;
    }
    return QFileDialog::eventFilter(watched, event);
}

void FigureSaveDialog::filter_switched(const QString& name_filter)
{
    if (name_box_) {
        const QString before = name_before_switch_.isNull() ? name_box_->text() : name_before_switch_;
        name_before_switch_ = QString();
        const QString kept =
            QString::fromStdString(switch_filter(before.toStdString(), filter_index(name_filter.toStdString())));
        if (name_box_->text() != kept)
            name_box_->setText(kept);
    }
    setDefaultSuffix(suffix_of(name_filter));
}
