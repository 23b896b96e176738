#pragma once

#include <QFileDialog>

// The save dialog of "save as   .wmf". A name typed without a suffix gets the chosen
// filter's own (".wmf" under "meta files"), and the question before replacing a file is
// asked about that completed name. Qt's own dialog, not the desktop's: a desktop dialog
// asks about the name as typed, before any suffix is added.
class MetafileSaveDialog : public QFileDialog {
    Q_OBJECT

public:
    // `filter` in Qt's form, "meta files (*.wmf);;all files (*.*)"; `previous` the name
    // chosen last, or empty.
    MetafileSaveDialog(QWidget* parent, const QString& filter, const QString& previous);

    // Shows the dialog modally; the name to write, or the empty string on cancel.
    static QString ask(QWidget* parent, const QString& filter, const QString& previous);

    // The suffix a name filter gives a bare name: "wmf" for "meta files (*.wmf)", none for
    // "all files (*.*)" or a filter of several patterns.
    static QString suffix_of(const QString& name_filter);
};
