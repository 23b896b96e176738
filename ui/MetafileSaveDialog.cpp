#include "ui/MetafileSaveDialog.h"

#include <QRegularExpression>

MetafileSaveDialog::MetafileSaveDialog(QWidget* parent, const QString& filter, const QString& previous)
    : QFileDialog(parent)
{
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setNameFilter(filter);
    if (!previous.isEmpty())
        selectFile(previous);
    // The dialog applies the suffix before it checks for an existing file.
    const auto follow = [this](const QString& chosen) { setDefaultSuffix(suffix_of(chosen)); };
    connect(this, &QFileDialog::filterSelected, this, follow);
    follow(selectedNameFilter());
}

QString MetafileSaveDialog::ask(QWidget* parent, const QString& filter, const QString& previous)
{
    MetafileSaveDialog dialog(parent, filter, previous);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

QString MetafileSaveDialog::suffix_of(const QString& name_filter)
{
    static const QRegularExpression one_pattern(QStringLiteral(R"(\(\s*\*\.(\w+)\s*\)\s*$)"));
    const QRegularExpressionMatch match = one_pattern.match(name_filter);
    return match.hasMatch() ? match.captured(1) : QString();
}
