#pragma once

#include <QFileDialog>

#include <cstddef>

class QLineEdit;

// What the user chose in the save dialog: the file's name (empty on cancel) and the filter it
// was chosen under, an index into kSaveFilters.
struct FileChoice {
    QString name;
    std::size_t filter = 0;
};

// The save dialog of "save as   .wmf", offering the figure's formats. A name typed without a
// suffix gets the chosen filter's own, switching filters changes a known suffix and keeps any
// other, and the question before replacing a file is asked about the file that will be
// written. Qt's own dialog, not the desktop's: a desktop dialog asks about the name as typed,
// before any suffix is added.
class FigureSaveDialog : public QFileDialog {
    Q_OBJECT

public:
    // `filters` in Qt's form, "meta files (*.wmf);;...;;all files (*.*)"; `previous` the name
    // and filter chosen last (no name at first).
    FigureSaveDialog(QWidget* parent, const QString& filters, const FileChoice& previous);

    // Shows the dialog modally; the choice, with an empty name on cancel.
    static FileChoice ask(QWidget* parent, const QString& filters, const FileChoice& previous);

    // The suffix a name filter gives a bare name: "wmf" for "meta files (*.wmf)", none for
    // "all files (*.*)" or a filter of several patterns.
    static QString suffix_of(const QString& name_filter);

    // The filter chosen now, an index into kSaveFilters.
    std::size_t filter() const;

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void filter_switched(const QString& name_filter);

    QLineEdit* name_box_ = nullptr; // Qt's box for the file name
    QString name_before_switch_;
};
