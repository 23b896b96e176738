#pragma once

// Helpers shared by the widget tests of the tool window, the chips and the colour dialog.

#include "colour/ColourChip.h"
#include "colour/adjust.h"
#include "core/Colour.h"
#include "ui/Form1.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

namespace fixture {

// The uniform number r for which floor(r * 2^24) is exactly `colour`.
inline double draw_for(Colour colour) { return double(colour) / 16777216.0; }

// A random source that plays the given numbers in order, then repeats the last one.
inline std::function<double()> sequence(std::vector<double> values)
{
    auto played = std::make_shared<std::size_t>(0);
    auto list = std::make_shared<std::vector<double>>(std::move(values));
    return [played, list] {
        const std::size_t i = std::min(*played, list->size() - 1);
        ++*played;
        return (*list)[i];
    };
}

// A source that makes every chip the same dark colour.
inline std::function<double()> constant(Colour colour)
{
    return [colour] { return draw_for(colour); };
}

// The tool window shown on the screen, with its canvas mapped and drawn.
inline std::unique_ptr<Form1> shown_form(std::function<double()> uniform = constant(rgb(1, 2, 3)))
{
    auto form = std::make_unique<Form1>(std::move(uniform));
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    if (form->canvas_window() && !QTest::qWaitForWindowExposed(form->canvas_window()))
        return nullptr;
    return form;
}

// Two whole sides of 20 points: enough for the first fan and for saving.
inline void draw_two_sides(Form1& form)
{
    form.canvas_MouseUp(1, 0, -200, 0);
    form.canvas_MouseUp(1, 0, 0, 200);
    form.canvas_MouseUp(1, 0, 0, 200);
    form.canvas_MouseUp(1, 0, 200, 0);
}

// Runs pending deletions, so windows closed with WA_DeleteOnClose are really gone.
inline void flush_deletions()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

inline void click(QWidget* w, QPoint at = {})
{
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at.isNull() ? w->rect().center() : at);
}

// Replaces the whole text of a box as a paste from the clipboard would.
inline void paste_over(QLineEdit* box, const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
    box->selectAll();
    box->paste();
}

// Empties a box the way a user does: select everything, then Backspace.
inline void erase(QLineEdit* box)
{
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
}

// Where the style puts one part of a scroll bar, as QScrollBar itself asks for it.
inline QRect bar_part(const QScrollBar* bar, QStyle::SubControl part)
{
    QStyleOptionSlider opt;
    opt.initFrom(bar);
    opt.subControls = QStyle::SC_None;
    opt.activeSubControls = QStyle::SC_None;
    opt.orientation = bar->orientation();
    opt.minimum = bar->minimum();
    opt.maximum = bar->maximum();
    opt.sliderPosition = bar->sliderPosition();
    opt.sliderValue = bar->value();
    opt.singleStep = bar->singleStep();
    opt.pageStep = bar->pageStep();
    opt.upsideDown = bar->invertedAppearance();
    if (bar->orientation() == Qt::Horizontal)
        opt.state |= QStyle::State_Horizontal;
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, part, bar);
}

inline QRgb pixel_of(Colour c) { return qRgb(red_of(c), green_of(c), blue_of(c)); }

// How many pixels of an image have exactly the colour c.
inline int count_pixels(const QImage& image, Colour c)
{
    const QImage img = image.convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += (img.pixel(x, y) & 0xffffff) == (pixel_of(c) & 0xffffff);
    return n;
}

inline std::array<int, 8> borders(const Form1& form)
{
    std::array<int, 8> b{};
    for (int i = 0; i < 8; ++i)
        b[i] = form.chip[i]->border_style();
    return b;
}

} // namespace fixture
