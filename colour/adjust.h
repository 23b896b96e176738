#pragma once

#include "core/Colour.h"

#include <QWidget>

#include <functional>

class ColourChip;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
struct Module1;

// The colour adjust dialog "color adj". It does not know which chip it edits: every change
// goes to the tool window's active control, and the palette is reloaded from the chips.
// The bars and boxes write to each other and rely on the nested change notifications that
// the program's own assignments raise; nothing here blocks them.
class adjust : public QWidget {
    Q_OBJECT

public:
    adjust(Module1& state, std::function<QWidget*()> active_control,
           std::function<void()> load_palette, QWidget* parent = nullptr);

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

    void rscroll_Change();
    void gscroll_Change();
    void bscroll_Change();
    void rbox_Change();
    void gbox_Change();
    void bbox_Change();
    void Command2_Click();

private:
    void bar_change(QScrollBar* bar, QLineEdit* box);
    void box_change(QLineEdit* box, QScrollBar* bar);
    void update_color();

    Module1& state_;
    std::function<QWidget*()> active_control_;
    std::function<void()> load_palette_;
};
