#pragma once

// Helpers shared by the widget tests of the tool window, the chips and the colour dialog.

#include "colour/ColourChip.h"
#include "colour/adjust.h"
#include "core/Colour.h"
#include "core/Limit.h"
#include "ui/Form1.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
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

// A control of a window, found by its name. A missing one ends the test run at once.
template <class Control = QWidget>
Control* control(const QObject* window, const char* name)
{
    auto* found = window ? window->findChild<Control*>(QLatin1String(name)) : nullptr;
    if (!found)
        qFatal("no %s named %s", Control::staticMetaObject.className(), name);
    return found;
}

// Every message the program shows while this lives, in order, read off the message box as
// it appears on the screen.
class MessageWatch : public QObject {
public:
    MessageWatch() { QCoreApplication::instance()->installEventFilter(this); }
    ~MessageWatch() override { QCoreApplication::instance()->removeEventFilter(this); }

    // How many of the messages say that a command stopped at `limit`.
    int stops_at(Limit limit) const
    {
        const QString reason = QString::fromUtf8(describe(limit));
        int n = 0;
        for (const QString& text : texts)
            n += text.startsWith(reason);
        return n;
    }

    // How many say that a command stopped at any limit.
    int stops() const
    {
        int n = 0;
        for (Limit limit : {Limit::TableFull, Limit::NegativeIndex, Limit::DivisionByZero, Limit::Overflow,
                            Limit::BadCopies})
            n += stops_at(limit);
        return n;
    }

    QStringList texts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->objectName().endsWith(QLatin1String("Message")))
            if (auto* box = qobject_cast<QMessageBox*>(watched))
                texts << box->text();
        return false;
    }
};

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

// How many windows of a kind are open.
template <typename Window>
inline int open_windows()
{
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        n += qobject_cast<Window*>(w) != nullptr && w->isVisible();
    return n;
}

// A window of fixed size with a close box only, that does not block the others.
inline void expect_fixed_frame(QWidget* w, QSize client)
{
    QCOMPARE(w->size(), client);
    QCOMPARE(w->minimumSize(), client);
    QCOMPARE(w->maximumSize(), client);
    const Qt::WindowFlags flags = w->windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QCOMPARE(w->windowModality(), Qt::NonModal);
}

inline std::array<int, 8> borders(const Form1& form)
{
    std::array<int, 8> b{};
    for (int i = 0; i < 8; ++i)
        b[i] = form.chip[i]->border_style();
    return b;
}

} // namespace fixture
