#pragma once

#include "core/Colour.h"

#include <QWidget>

class ColourChip;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

// The colour adjust dialog "color adj". It does not know which chip it edits: it reports
// every change, and whoever opened it colours its active control and reloads the palette.
// The bars and boxes write to each other and rely on the nested change notifications that
// the program's own assignments raise; nothing here blocks them.
class adjust : public QWidget {
    Q_OBJECT

public:
    explicit adjust(QWidget* parent = nullptr);

    // Sets the preview, then the bars, then the boxes to `colour`, and shows the dialog.
    // Each assignment that changes a value runs its handler, nested, as the user's would.
    void show_colour(Colour colour);

signals:
    // The preview's colour after any change; raised nested within the change's handler.
    void colourChanged(Colour colour);
    // "cancel" was pressed; the dialog hides itself once this has been handled.
    void cancelled();

private:
    void rscroll_Change();
    void gscroll_Change();
    void bscroll_Change();
    void rbox_Change();
    void gbox_Change();
    void bbox_Change();
    void Command2_Click();

    void name_and_order_controls();
    void bar_change(QScrollBar* bar, QLineEdit* box);
    void box_change(QLineEdit* box, QScrollBar* bar);
    void update_color();

    QLineEdit* rbox;
    QLineEdit* gbox;
    QLineEdit* bbox;
    QScrollBar* rscroll;
    QScrollBar* gscroll;
    QScrollBar* bscroll;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label7;
    ColourChip* chipbox;
    QPushButton* Command2;
};
