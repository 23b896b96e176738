#pragma once

// Helpers shared by the widget tests of the tool window, the chips and the colour dialog.

#include "FileBytes.h"

#include "canvas/CanvasMapping.h"
#include "canvas/canvas.h"
#include "colour/ColourChip.h"
#include "colour/adjust.h"
#include "core/Colour.h"
#include "core/Limit.h"
#include "ui/Form1.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
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

// The program's one window of a kind (the canvas, the colour dialog, help, about) while it
// is there, shown or hidden; null when there is none.
template <class Window>
Window* window()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<Window*>(w))
            return found;
    return nullptr;
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

// The tool window's controls and menu items, found by their names as a user finds them by sight.
struct Tool {
    explicit Tool(const Form1& form)
        : Label1(control<QLabel>(&form, "Label1")), Text1(control<QLineEdit>(&form, "Text1")),
          Label2(control<QLabel>(&form, "Label2")), Text3(control<QLineEdit>(&form, "Text3")),
          Command1(control<QPushButton>(&form, "Command1")), Command2(control<QPushButton>(&form, "Command2")),
          Command3(control<QPushButton>(&form, "Command3")), Command4(control<QPushButton>(&form, "Command4")),
          Command5(control<QPushButton>(&form, "Command5")), mnuFile(control<QMenu>(&form, "mnuFile")),
          mnuOpen(control<QAction>(&form, "mnuOpen")), mnuSaveas(control<QAction>(&form, "mnuSaveas")),
          mnuUndo(control<QAction>(&form, "mnuUndo")), mnuRedo(control<QAction>(&form, "mnuRedo")),
          mnuExit(control<QAction>(&form, "mnuExit")),
          mnuHelp(control<QMenu>(&form, "mnuHelp")), mnuTressikhelp(control<QAction>(&form, "mnuTressikhelp")),
          mnuAbout(control<QAction>(&form, "mnuAbout"))
    {
        for (int i = 0; i < 8; ++i)
            chip[i] = control<ColourChip>(&form, ("chip" + QByteArray::number(i)).constData());
        // Lowered under the chips one by one from element 0, so element 7 comes first.
        const QList<QLabel*> digits = form.findChildren<QLabel*>(QStringLiteral("Label3"));
        for (int i = 0; i < 8 && i < digits.size(); ++i)
            Label3[7 - i] = digits[i];
    }

    std::array<Colour, 8> chip_colours() const
    {
        std::array<Colour, 8> colours{};
        for (int i = 0; i < 8; ++i)
            colours[i] = chip[i]->colour();
        return colours;
    }

    QLabel* Label1;
    QLineEdit* Text1;
    QLabel* Label2;
    QLineEdit* Text3;
    QPushButton *Command1, *Command2, *Command3, *Command4, *Command5;
    std::array<ColourChip*, 8> chip{};
    std::array<QLabel*, 8> Label3{};
    QMenu* mnuFile;
    QAction *mnuOpen, *mnuSaveas, *mnuUndo, *mnuRedo, *mnuExit;
    QMenu* mnuHelp;
    QAction *mnuTressikhelp, *mnuAbout;
};

// The tool window shown on the screen, with its canvas mapped and drawn; chips of one dark
// colour unless the options say otherwise.
inline std::unique_ptr<Form1> shown_form(Form1Options options = {})
{
    if (!options.uniform)
        options.uniform = constant(rgb(1, 2, 3));
    auto form = std::make_unique<Form1>(std::move(options));
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    if (window<canvas>() && !QTest::qWaitForWindowExposed(window<canvas>()))
        return nullptr;
    return form;
}

// A mouse-button release on the canvas at logical (x, y), as the canvas reports it.
inline void release_on_canvas(float x, float y)
{
    if (canvas* c = window<canvas>())
        c->Form_MouseUp(1, 0, x, y);
}

// Two whole sides of 20 points: enough for the first fan and for saving.
inline void draw_two_sides()
{
    release_on_canvas(-200, 0);
    release_on_canvas(0, 200);
    release_on_canvas(0, 200);
    release_on_canvas(200, 0);
}

// The size of the file that draw_two_sides() saves once: the placeable header; the header,
// the mapping mode and window, red pen and its selection, one pen change at the side start,
// 20 strings of a move and a line, the last pen's deletion, the end record, in 16-bit words.
constexpr qint64 kTwoSidesFileSize = 22 + 2 * (9 + 4 + 5 + 5 + 8 + 4 + 16 + 20 * 10 + 4 + 3);

// The canvas window as the user sees it.
inline QImage shown_canvas()
{
    canvas* c = window<canvas>();
    return c ? c->grab().toImage().convertToFormat(QImage::Format_RGB32) : QImage();
}

// Where logical (x, y) lies on the canvas window under the start-up mapping.
inline QPoint startup_pixel(double x, double y)
{
    const canvas* c = window<canvas>();
    return CanvasMapping(canvas::kStartupMapping, c->width(), c->height()).to_pixel(x, y).toPoint();
}

// How many pixels of the canvas window differ from its background.
inline int inked_pixels()
{
    const QImage shown = shown_canvas();
    const QRgb background = window<canvas>()->palette().color(QPalette::Base).rgb() & 0xffffff;
    int n = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            n += (shown.pixel(x, y) & 0xffffff) != background;
    return n;
}

// How many points a new first side takes now, counted as the dots it draws across the empty
// canvas (one for fewer than two points); `subdivs` as the drawing reads it. The canvas is
// cleared before and after, which keeps subdivs and the palette.
inline int side_dots(Form1& form)
{
    Tool t(form);
    t.Command1->click();
    release_on_canvas(-450, 0);
    release_on_canvas(450, 0);
    const int dots = inked_pixels();
    t.Command1->click();
    return dots;
}

// The palette as the next fans take it. Clears the canvas (which keeps the palette), draws
// nine upright sides of 20 points across it, whose eight fans take entries 0 to 7 in turn,
// and reads each fan's colour off the window. The figure is gone afterwards, and the canvas
// is left empty; the subdivisions box keeps its text. Needs the start-up mapping.
inline std::array<Colour, 8> drawn_palette(Form1& form)
{
    Tool t(form);
    t.Command1->click();
    const QString subdivs = t.Text1->text();
    t.Text1->setText(QStringLiteral("20"));
    const auto side_x = [](int k) { return -450.0f + 110.0f * float(k); };
    for (int k = 0; k < 9; ++k) {
        release_on_canvas(side_x(k), -300);
        release_on_canvas(side_x(k), 300);
    }
    const QImage shown = shown_canvas();
    const QRgb background = window<canvas>()->palette().color(QPalette::Base).rgb() & 0xffffff;
    std::array<Colour, 8> palette{};
    for (int i = 0; i < 8; ++i) {
        const QPoint top = startup_pixel(side_x(i) + 55, 300), bottom = startup_pixel(side_x(i) + 55, -300);
        palette[i] = -1;
        for (int y = top.y(); y <= bottom.y() && palette[i] < 0; ++y)
            if (const QRgb p = shown.pixel(top.x(), y) & 0xffffff; p != background)
                palette[i] = rgb(qRed(p), qGreen(p), qBlue(p));
    }
    t.Text1->setText(subdivs);
    t.Command1->click();
    return palette;
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

// Whether a control shows `c` over more than a third of itself, as its back colour does.
inline bool shown_colour(QWidget* control, Colour c)
{
    const QImage shot = control->grab().toImage();
    return count_pixels(shot, c) > shot.width() * shot.height() / 3;
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

// Which chips show a border (1) and which none (0), as drawn: a border is a line round the
// chip in another colour than its middle.
inline std::array<int, 8> borders(const Form1& form)
{
    const Tool t(form);
    std::array<int, 8> b{};
    for (int i = 0; i < 8; ++i) {
        const QImage shot = t.chip[i]->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRgb middle = shot.pixel(shot.width() / 2, shot.height() / 2);
        b[i] = shot.pixel(0, shot.height() / 2) != middle && shot.pixel(shot.width() / 2, 0) != middle;
    }
    return b;
}

} // namespace fixture
