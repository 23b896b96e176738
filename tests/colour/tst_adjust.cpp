#include "FormFixture.h"

#include "colour/BackColor.h"
#include "canvas/canvas.h"

#include <QLabel>
#include <QProxyStyle>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyleFactory>

#include <optional>

using namespace fixture;

namespace {

constexpr Colour kChip = rgb(10, 20, 30);

// The dialog's controls, found by their names.
struct Dialog {
    explicit Dialog(adjust* d)
        : window(d), rbox(control<QLineEdit>(d, "rbox")), gbox(control<QLineEdit>(d, "gbox")),
          bbox(control<QLineEdit>(d, "bbox")), rscroll(control<QScrollBar>(d, "rscroll")),
          gscroll(control<QScrollBar>(d, "gscroll")), bscroll(control<QScrollBar>(d, "bscroll")),
          Label4(control<QLabel>(d, "Label4")), Label5(control<QLabel>(d, "Label5")),
          Label7(control<QLabel>(d, "Label7")), chipbox(control<ColourChip>(d, "chipbox")),
          Command2(control<QPushButton>(d, "Command2"))
    {
    }

    adjust* window;
    QLineEdit *rbox, *gbox, *bbox;
    QScrollBar *rscroll, *gscroll, *bscroll;
    QLabel *Label4, *Label5, *Label7;
    ColourChip* chipbox;
    QPushButton* Command2;
};

// The dialog on its own, connected as the tool window connects it: a stand-in control takes
// every change and, on cancel, the saved colour; the palette reloads are counted.
struct Bench {
    Colour saved_color = 0;
    QPushButton target{QStringLiteral("target")};
    int reloads = 0;
    std::unique_ptr<adjust> window;
    std::optional<Dialog> dialog;

    Bench()
    {
        window = std::make_unique<adjust>();
        QObject::connect(window.get(), &adjust::colourChanged, &target, [this](Colour colour) {
            set_back_color(&target, colour);
            ++reloads;
        });
        QObject::connect(window.get(), &adjust::cancelled, &target,
                         [this] { set_back_color(&target, saved_color); });
        dialog.emplace(window.get());
        window->show();
    }
};

// Gives chip n a colour (without reloading the palette) and clicks it.
std::optional<Dialog> open_for(Form1& form, int n, Colour colour)
{
    const Tool t(form);
    t.chip[n]->set_colour(colour);
    click(t.chip[n]);
    if (!window<adjust>())
        return std::nullopt;
    return Dialog(window<adjust>());
}

QStringList texts(const Dialog& d)
{
    return {d.rbox->text(), d.gbox->text(), d.bbox->text()};
}

QList<int> values(const Dialog& d)
{
    return {d.rscroll->value(), d.gscroll->value(), d.bscroll->value()};
}

QList<int> emitted(const QSignalSpy& spy)
{
    QList<int> v;
    for (const auto& args : spy)
        v << args.at(0).toInt();
    return v;
}

} // namespace

class AdjustTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        flush_deletions();
        // Every window a test opened went with it.
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    // --- The toolkit behaviour the handlers are built on ---

    void line_edit_and_scroll_bar_notify_as_the_handlers_expect()
    {
        QLineEdit box(QStringLiteral("a"));
        QSignalSpy changes(&box, &QLineEdit::textChanged);
        box.setText(QStringLiteral("b"));
        QCOMPARE(changes.size(), 1); // the program's own assignment notifies
        box.setText(QStringLiteral("b"));
        QCOMPARE(changes.size(), 1); // the same text again does not, so resets cannot loop

        // An assignment from inside the notification runs nested and leaves the last text.
        QStringList seen;
        connect(&box, &QLineEdit::textChanged, &box, [&](const QString& t) {
            seen << t;
            if (t == QLatin1String("bad"))
                box.setText(QStringLiteral("7"));
        });
        box.setText(QStringLiteral("bad"));
        QCOMPARE(seen, (QStringList{QStringLiteral("bad"), QStringLiteral("7")}));
        QCOMPARE(box.text(), QStringLiteral("7"));

        QScrollBar bar(Qt::Vertical);
        bar.setRange(0, 255);
        QSignalSpy moved(&bar, &QScrollBar::valueChanged);
        bar.setValue(0);
        QCOMPARE(moved.size(), 0);
        bar.setValue(9);
        QCOMPARE(moved.size(), 1);
    }

    // --- The dialog itself ---

    void is_laid_out_as_designed()
    {
        Bench b;
        const Dialog& d = *b.dialog;
        QCOMPARE(d.window->windowTitle(), QStringLiteral("color adj"));
        QCOMPARE(d.window->size(), QSize(104, 259));
        QCOMPARE(d.window->minimumSize(), d.window->maximumSize());
        const Qt::WindowFlags flags = d.window->windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));

        const QList<std::pair<QWidget*, QRect>> table = {
            {d.rbox, {8, 8, 25, 19}},       {d.gbox, {40, 8, 25, 19}},
            {d.bbox, {72, 8, 25, 19}},      {d.rscroll, {8, 32, 17, 137}},
            {d.gscroll, {40, 32, 17, 137}}, {d.bscroll, {72, 32, 17, 137}},
            {d.Label4, {8, 176, 25, 17}},   {d.Label5, {40, 176, 25, 17}},
            {d.Label7, {72, 176, 25, 17}},  {d.chipbox, {8, 192, 89, 33}},
            {d.Command2, {8, 232, 89, 21}},
        };
        for (const auto& [w, r] : table)
            QCOMPARE(w->geometry(), r);
        QCOMPARE(d.Command2->text(), QStringLiteral("cancel"));
        QCOMPARE(d.Label4->text(), QStringLiteral("Red"));
        QCOMPARE(d.Label5->text(), QStringLiteral("Gre"));
        QCOMPARE(d.Label7->text(), QStringLiteral("Blu"));
        QCOMPARE(d.Label4->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(d.Label5->palette().color(QPalette::WindowText), QColor(0, 128, 0));
        QCOMPARE(d.Label7->palette().color(QPalette::WindowText), QColor(0, 0, 255));

        // Created with all bars at 0 and the boxes' own texts.
        QCOMPARE(values(d), (QList<int>{0, 0, 0}));
        QCOMPARE(texts(d), (QStringList{"Text1", "Text5", "Text2"}));
    }

    void tab_order_starts_on_cancel()
    {
        Bench b;
        const Dialog& d = *b.dialog;
        QCOMPARE(d.window->focusWidget(), d.Command2);
        const QList<QWidget*> cycle = {d.Command2, d.bscroll, d.gscroll, d.rscroll,
                                       d.rbox,     d.bbox,    d.gbox,    d.chipbox};
        for (int i = 1; i <= cycle.size(); ++i) {
            QTest::keyClick(d.window->focusWidget(), Qt::Key_Tab);
            QCOMPARE(d.window->focusWidget(), cycle[i % cycle.size()]);
        }
        for (QLabel* label : {d.Label4, d.Label5, d.Label7})
            QCOMPARE(label->focusPolicy(), Qt::NoFocus);
    }

    void bars_run_from_255_at_the_top_to_0_at_the_bottom()
    {
        Bench b;
        QScrollBar* bar = b.dialog->rscroll;
        const QRect up = bar_part(bar, QStyle::SC_ScrollBarSubLine);
        const QRect down = bar_part(bar, QStyle::SC_ScrollBarAddLine);
        QVERIFY(up.bottom() < down.top());

        bar->setValue(255);
        QRect thumb = bar_part(bar, QStyle::SC_ScrollBarSlider);
        QVERIFY2(thumb.top() <= up.bottom() + 2, "255 puts the thumb at the top end");
        bar->setValue(0);
        thumb = bar_part(bar, QStyle::SC_ScrollBarSlider);
        QVERIFY2(thumb.bottom() >= down.top() - 2, "0 puts the thumb at the bottom end");
        bar->setValue(128);
        thumb = bar_part(bar, QStyle::SC_ScrollBarSlider);
        QVERIFY(thumb.top() > up.bottom() + 2 && thumb.bottom() < down.top() - 2);
    }

    void arrows_and_track_step_by_one_toward_the_click()
    {
        Bench b;
        QScrollBar* bar = b.dialog->gscroll;
        bar->setValue(100);
        QSignalSpy moved(bar, &QScrollBar::valueChanged);

        click(bar, bar_part(bar, QStyle::SC_ScrollBarSubLine).center());
        QCOMPARE(bar->value(), 101); // the top arrow raises the component
        click(bar, bar_part(bar, QStyle::SC_ScrollBarAddLine).center());
        click(bar, bar_part(bar, QStyle::SC_ScrollBarAddLine).center());
        QCOMPARE(bar->value(), 99);

        const QRect thumb = bar_part(bar, QStyle::SC_ScrollBarSlider);
        click(bar, {thumb.center().x(), thumb.top() - 3});
        QCOMPARE(bar->value(), 100); // the track above the thumb raises it by one
        click(bar, {thumb.center().x(), thumb.bottom() + 3});
        QCOMPARE(bar->value(), 99);
        QCOMPARE(emitted(moved), (QList<int>{101, 100, 99, 100, 99}));
        QCOMPARE(b.dialog->gbox->text(), QStringLiteral("99"));

        // At the ends a click goes nowhere and reports nothing.
        bar->setValue(255);
        moved.clear();
        click(bar, bar_part(bar, QStyle::SC_ScrollBarSubLine).center());
        QCOMPARE(bar->value(), 255);
        QCOMPARE(moved.size(), 0);

        // Any button steps an arrow.
        QTest::mouseClick(bar, Qt::RightButton, {}, bar_part(bar, QStyle::SC_ScrollBarAddLine).center());
        QTest::mouseClick(bar, Qt::MiddleButton, {}, bar_part(bar, QStyle::SC_ScrollBarAddLine).center());
        QCOMPARE(emitted(moved), (QList<int>{254, 253}));
    }

    void held_in_the_track_the_thumb_steps_up_to_the_pointer()
    {
        Bench b;
        QScrollBar* bar = b.dialog->bscroll;
        bar->setValue(180);
        const QPoint at{bar->width() / 2, bar_part(bar, QStyle::SC_ScrollBarSubLine).bottom() + 20};
        QTest::mousePress(bar, Qt::LeftButton, {}, at);
        QTRY_VERIFY_WITH_TIMEOUT(bar_part(bar, QStyle::SC_ScrollBarSlider).contains(at), 20000);
        const int reached = bar->value();
        QTest::qWait(300);
        QCOMPARE(bar->value(), reached); // and no further while still held
        QTest::mouseRelease(bar, Qt::LeftButton, {}, at);
        QVERIFY(reached > 180 && reached < 255);
        QCOMPARE(b.dialog->bbox->text(), QString::number(reached));
    }

    void any_click_in_the_track_steps_by_one_toward_it_data()
    {
        QTest::addColumn<QString>("style");
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("above");
        QTest::addColumn<int>("expected");
        const std::pair<const char*, Qt::MouseButton> buttons[] = {
            {"left", Qt::LeftButton}, {"middle", Qt::MiddleButton}, {"right", Qt::RightButton}};
        // "jumping" is a style that asks for a jump to the pointer on left and middle clicks.
        for (const char* style : {"Fusion", "Windows", "jumping"})
            for (const auto& [name, button] : buttons) {
                QTest::addRow("%s %s above", style, name) << style << int(button) << true << 101;
                QTest::addRow("%s %s below", style, name) << style << int(button) << false << 99;
            }
    }

    void any_click_in_the_track_steps_by_one_toward_it()
    {
        QFETCH(QString, style);
        QFETCH(int, button);
        QFETCH(bool, above);
        QFETCH(int, expected);
        class Jumping final : public QProxyStyle {
        public:
            Jumping() : QProxyStyle(QStringLiteral("Fusion")) {}
            int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                          QStyleHintReturn* data) const override
            {
                if (hint == SH_ScrollBar_LeftClickAbsolutePosition
                    || hint == SH_ScrollBar_MiddleClickAbsolutePosition)
                    return 1;
                return QProxyStyle::styleHint(hint, option, widget, data);
            }
        };
        std::unique_ptr<QStyle> look(style == QLatin1String("jumping") ? new Jumping
                                                                       : QStyleFactory::create(style));
        QVERIFY(look);
        Bench b;
        QScrollBar* bar = b.dialog->rscroll;
        bar->setStyle(look.get());
        bar->setValue(100);
        QSignalSpy moved(bar, &QScrollBar::valueChanged);
        // Halfway between the thumb and the arrow: far enough that a jump would show.
        const QRect thumb = bar_part(bar, QStyle::SC_ScrollBarSlider);
        const int y = above ? (bar_part(bar, QStyle::SC_ScrollBarSubLine).bottom() + thumb.top()) / 2
                            : (thumb.bottom() + bar_part(bar, QStyle::SC_ScrollBarAddLine).top()) / 2;
        QTest::mouseClick(bar, Qt::MouseButton(button), {}, {thumb.center().x(), y});
        QCOMPARE(bar->value(), expected);
        QCOMPARE(emitted(moved), QList<int>{expected});
        QCOMPARE(b.dialog->rbox->text(), QString::number(expected));
        bar->setStyle(nullptr);
    }

    void keys_move_toward_the_end_they_name_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("expected");
        // From 50; the top end is 255 (the minimum), the bottom end 0 (the maximum).
        QTest::newRow("up") << int(Qt::Key_Up) << 51;
        QTest::newRow("down") << int(Qt::Key_Down) << 49;
        QTest::newRow("page up") << int(Qt::Key_PageUp) << 51;
        QTest::newRow("page down") << int(Qt::Key_PageDown) << 49;
        QTest::newRow("home: the minimum, at the top") << int(Qt::Key_Home) << 255;
        QTest::newRow("end: the maximum, at the bottom") << int(Qt::Key_End) << 0;
    }

    void keys_move_toward_the_end_they_name()
    {
        QFETCH(int, key);
        QFETCH(int, expected);
        Bench b;
        QScrollBar* bar = b.dialog->gscroll;
        bar->setValue(50);
        bar->setFocus();
        QSignalSpy moved(bar, &QScrollBar::valueChanged);
        QTest::keyClick(bar, Qt::Key(key));
        QCOMPARE(emitted(moved), QList<int>{expected});
        QCOMPARE(b.dialog->gbox->text(), QString::number(expected));
    }

    void a_dragged_thumb_counts_only_where_it_is_let_go()
    {
        Bench b;
        QScrollBar* bar = b.dialog->bscroll;
        bar->setValue(40);
        QSignalSpy moved(bar, &QScrollBar::valueChanged);
        const QPoint grip = bar_part(bar, QStyle::SC_ScrollBarSlider).center();
        QTest::mousePress(bar, Qt::LeftButton, {}, grip);
        for (int dy = 4; dy <= 40; dy += 4)
            QTest::mouseMove(bar, grip - QPoint(0, dy));
        QCOMPARE(moved.size(), 0);
        QCOMPARE(bar->value(), 40);
        QCOMPARE(b.dialog->bbox->text(), QStringLiteral("40"));
        QVERIFY(bar->sliderPosition() > 40); // the thumb itself went up
        QTest::mouseRelease(bar, Qt::LeftButton, {}, grip - QPoint(0, 40));
        QCOMPARE(moved.size(), 1);
        QVERIFY(bar->value() > 40);
        QCOMPARE(b.dialog->bbox->text(), QString::number(bar->value()));
    }

    void every_change_colours_the_target_and_reloads_the_palette()
    {
        Bench b;
        const Dialog& d = *b.dialog;
        d.gscroll->setValue(20);
        QCOMPARE(d.gbox->text(), QStringLiteral("20"));
        QCOMPARE(d.chipbox->colour(), rgb(0, 20, 0));
        QVERIFY(shown_colour(&b.target, rgb(0, 20, 0)));
        // The bar's handler and, nested, the box's handler each end in update_color.
        QCOMPARE(b.reloads, 2);

        b.reloads = 0;
        d.bbox->setText(QStringLiteral("30"));
        QCOMPARE(d.bscroll->value(), 30);
        QVERIFY(shown_colour(&b.target, rgb(0, 20, 30)));
        QVERIFY(b.reloads >= 1);

        // Cancel restores the saved colour and reloads nothing.
        b.saved_color = rgb(1, 2, 3);
        b.reloads = 0;
        d.Command2->click();
        QVERIFY(shown_colour(&b.target, rgb(1, 2, 3)));
        QCOMPARE(b.reloads, 0);
        QVERIFY(!d.window->isVisible());
        QCOMPARE(values(d), (QList<int>{0, 20, 30}));
    }

    // From a new dialog (bars at 0), each bar set runs its handler, whose box assignment runs
    // the box's handler nested: every change is reported twice, the inner one first. The
    // boxes then already hold their texts, so setting them reports nothing more.
    void showing_a_colour_reports_every_mixture_on_the_way()
    {
        Bench b;
        QList<Colour> reported;
        QObject::connect(b.window.get(), &adjust::colourChanged, b.window.get(),
                         [&](Colour colour) { reported << colour; });
        b.window->show_colour(rgb(10, 20, 30));
        QCOMPARE(reported, (QList<Colour>{rgb(10, 0, 0), rgb(10, 0, 0), rgb(10, 20, 0), rgb(10, 20, 0),
                                          rgb(10, 20, 30), rgb(10, 20, 30)}));
        QCOMPARE(texts(*b.dialog), (QStringList{"10", "20", "30"}));
        QVERIFY(shown_colour(&b.target, rgb(10, 20, 30)));

        // Cancel is reported while the dialog still shows, and it hides afterwards.
        bool visible_when_cancelled = false;
        QObject::connect(b.window.get(), &adjust::cancelled, b.window.get(),
                         [&] { visible_when_cancelled = b.window->isVisible(); });
        b.dialog->Command2->click();
        QVERIFY(visible_when_cancelled);
        QVERIFY(!b.window->isVisible());
    }

    // --- The dialog as the tool window drives it ---

    void opening_for_a_chip_shows_its_colour()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        auto d = open_for(*form, 3, kChip);
        QVERIFY(d && d->window->isVisible());
        QCOMPARE(texts(*d), (QStringList{"10", "20", "30"}));
        QCOMPARE(values(*d), (QList<int>{10, 20, 30}));
        for (QScrollBar* bar : {d->rscroll, d->gscroll, d->bscroll}) {
            const QRect thumb = bar_part(bar, QStyle::SC_ScrollBarSlider);
            QVERIFY2(thumb.center().y() > bar->height() * 2 / 3, "low values sit near the bottom");
        }
        QCOMPARE(d->chipbox->colour(), kChip);
        QCOMPARE(t.chip[3]->colour(), kChip);
        QCOMPARE(form->focusWidget(), t.chip[3]);
        QCOMPARE(borders(*form), (std::array<int, 8>{0, 0, 0, 1, 0, 0, 0, 0}));
        QCOMPARE(drawn_palette(*form)[3], kChip); // opening moved the bars: palette reloaded
        // The colour to go back to on cancel is the chip's.
        paste_over(d->rbox, QStringLiteral("99"));
        click(d->Command2);
        QCOMPARE(t.chip[3]->colour(), kChip);
    }

    void first_opening_for_a_black_chip()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        t.chip[5]->set_colour(rgb(7, 7, 7)); // not yet in the palette
        auto d = open_for(*form, 0, 0);
        QVERIFY(d);
        QCOMPARE(values(*d), (QList<int>{0, 0, 0}));
        QCOMPARE(texts(*d), (QStringList{"0", "0", "0"}));
        QCOMPARE(t.chip[0]->colour(), 0);
        QCOMPARE(d->chipbox->colour(), 0);
        // The boxes changed, so their handlers ran and reloaded the palette.
        const std::array<Colour, 8> palette = drawn_palette(*form);
        QCOMPARE(palette[5], rgb(7, 7, 7));
        QCOMPARE(palette[0], 0);
    }

    void red_thumb_to_the_top()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        auto d = open_for(*form, 0, kChip);
        QVERIFY(d);
        QScrollBar* bar = d->rscroll;
        const QPoint grip = bar_part(bar, QStyle::SC_ScrollBarSlider).center();
        QTest::mousePress(bar, Qt::LeftButton, {}, grip);
        QTest::mouseMove(bar, {grip.x(), grip.y() / 2});
        QTest::mouseMove(bar, {grip.x(), 0});
        QCOMPARE(bar->value(), 10);
        QTest::mouseRelease(bar, Qt::LeftButton, {}, {grip.x(), 0});
        QCOMPARE(bar->value(), 255);
        QCOMPARE(d->rbox->text(), QStringLiteral("255"));
        const Colour adjusted = rgb(255, 20, 30);
        QCOMPARE(d->chipbox->colour(), adjusted);
        QCOMPARE(t.chip[0]->colour(), adjusted);
        QCOMPARE(drawn_palette(*form)[0], adjusted);

        // The next fan drawn takes the new colour.
        const int before = count_pixels(shown_canvas(), adjusted);
        release_on_canvas(-300, -300);
        release_on_canvas(-300, 300);
        release_on_canvas(-300, 300);
        release_on_canvas(300, 300);
        QVERIFY(count_pixels(shown_canvas(), adjusted) > before + 100);
    }

    void invalid_text_puts_the_bar_value_back()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        auto d = open_for(*form, 1, kChip);
        QVERIFY(d);
        QSignalSpy moved(d->rscroll, &QScrollBar::valueChanged);
        QSignalSpy edited(d->rbox, &QLineEdit::textChanged);

        d->rbox->setFocus();
        QTest::keyClick(d->rbox, Qt::Key_End);
        QTest::keyClick(d->rbox, Qt::Key_A);
        QCOMPARE(d->rbox->text(), QStringLiteral("10"));
        QCOMPARE(edited.size(), 2); // "10a", then the reset: no loop

        erase(d->rbox);
        QCOMPARE(d->rbox->text(), QStringLiteral("10"));

        // Deleting the only digit of a box.
        d->rscroll->setValue(7);
        QCOMPARE(d->rbox->text(), QStringLiteral("7"));
        QTest::keyClick(d->rbox, Qt::Key_End);
        QTest::keyClick(d->rbox, Qt::Key_Backspace);
        QCOMPARE(d->rbox->text(), QStringLiteral("7"));

        paste_over(d->rbox, QStringLiteral("-5"));
        QCOMPARE(d->rbox->text(), QStringLiteral("7"));
        QCOMPARE(d->rscroll->value(), 7);
        QCOMPARE(emitted(moved), QList<int>{7});
        QCOMPARE(t.chip[1]->colour(), rgb(7, 20, 30));
    }

    void digits_typed_over_a_selection()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        auto d = open_for(*form, 2, kChip);
        QVERIFY(d);
        QSignalSpy moved(d->gscroll, &QScrollBar::valueChanged);
        d->gbox->setFocus();
        d->gbox->selectAll();
        QTest::keyClick(d->gbox, Qt::Key_2);
        QCOMPARE(d->gbox->text(), QStringLiteral("2"));
        QCOMPARE(t.chip[2]->colour(), rgb(10, 2, 30));
        QTest::keyClick(d->gbox, Qt::Key_5);
        QCOMPARE(d->gbox->text(), QStringLiteral("25"));
        QTest::keyClick(d->gbox, Qt::Key_6);
        QCOMPARE(d->gbox->text(), QStringLiteral("25")); // 256 is too much
        QCOMPARE(emitted(moved), (QList<int>{2, 25}));
        QCOMPARE(t.chip[2]->colour(), rgb(10, 25, 30));
        QCOMPARE(drawn_palette(*form)[2], rgb(10, 25, 30));

        // Both ends of the range are accepted.
        paste_over(d->gbox, QStringLiteral("255"));
        QCOMPARE(d->gscroll->value(), 255);
        QCOMPARE(d->gbox->text(), QStringLiteral("255"));
        paste_over(d->gbox, QStringLiteral("0"));
        QCOMPARE(d->gscroll->value(), 0);
        QCOMPARE(d->gbox->text(), QStringLiteral("0"));
        QCOMPARE(t.chip[2]->colour(), rgb(10, 0, 30));
    }

    void fractions_stay_only_while_the_bar_does_not_move()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        auto d = open_for(*form, 4, rgb(0, 0, 12));
        QVERIFY(d);
        QSignalSpy moved(d->bscroll, &QScrollBar::valueChanged);
        paste_over(d->bbox, QStringLiteral("12.5")); // rounds to even: 12, where the bar is
        QCOMPARE(d->bbox->text(), QStringLiteral("12.5"));
        QCOMPARE(d->bscroll->value(), 12);
        QCOMPARE(moved.size(), 0);

        d->bscroll->setValue(12);
        paste_over(d->bbox, QStringLiteral("13.5")); // rounds to 14: the bar moves and writes back
        QCOMPARE(d->bscroll->value(), 14);
        QCOMPARE(d->bbox->text(), QStringLiteral("14"));
        QCOMPARE(t.chip[4]->colour(), rgb(0, 0, 14));
    }

    void cancel_restores_the_chip_but_not_the_palette()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        auto d = open_for(*form, 2, kChip);
        QVERIFY(d);
        click(d->rscroll, bar_part(d->rscroll, QStyle::SC_ScrollBarSubLine).center());
        paste_over(d->bbox, QStringLiteral("99"));
        const Colour adjusted = rgb(11, 20, 99);
        QCOMPARE(t.chip[2]->colour(), adjusted);
        QCOMPARE(drawn_palette(*form)[2], adjusted);

        click(d->Command2);
        QCOMPARE(t.chip[2]->colour(), kChip);
        QVERIFY(!d->window->isVisible());
        flush_deletions();
        QCOMPARE(window<adjust>(), d->window); // hidden, not destroyed
        QCOMPARE(values(*d), (QList<int>{11, 20, 99}));
        QCOMPARE(drawn_palette(*form)[2], adjusted); // lags until the next reload
        QCOMPARE(borders(*form)[2], 1);

        t.Command3->click(); // the kaleidoscope reloads it
        QCOMPARE(drawn_palette(*form)[2], kChip);

        // A further click shows the same dialog again.
        click(t.chip[2]);
        QCOMPARE(window<adjust>(), d->window);
        QVERIFY(d->window->isVisible());
        QCOMPARE(values(*d), (QList<int>{10, 20, 30}));
    }

    void close_box_destroys_the_dialog_without_handlers()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        const auto opened = open_for(*form, 4, kChip);
        QVERIFY(opened);
        QPointer<adjust> d = opened->window;
        paste_over(opened->gbox, QStringLiteral("200"));
        const Colour adjusted = rgb(10, 200, 30);
        QCOMPARE(t.chip[4]->colour(), adjusted);
        t.chip[6]->set_colour(rgb(5, 5, 5)); // a reload would copy it

        d->close();
        flush_deletions();
        QVERIFY(d.isNull());
        QVERIFY(!window<adjust>());
        QCOMPARE(t.chip[4]->colour(), adjusted); // saved colour not applied
        QVERIFY(drawn_palette(*form)[6] != rgb(5, 5, 5));

        // The next click makes a fresh dialog for the chip's colour as it is now.
        auto again = open_for(*form, 4, adjusted);
        QVERIFY(again && again->window->isVisible());
        QCOMPARE(values(*again), (QList<int>{10, 200, 30}));
        QCOMPARE(texts(*again), (QStringList{"10", "200", "30"}));
        // Its colour is the one to go back to on cancel.
        paste_over(again->rbox, QStringLiteral("99"));
        click(again->Command2);
        QCOMPARE(t.chip[4]->colour(), adjusted);
    }

    void a_bar_moved_after_clicking_the_subdivisions_box_colours_the_box()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        auto d = open_for(*form, 1, kChip);
        QVERIFY(d);
        click(t.Text1);
        QCOMPARE(form->focusWidget(), t.Text1);
        QCOMPARE(t.Text1->text(), QStringLiteral("20"));

        click(d->rscroll, bar_part(d->rscroll, QStyle::SC_ScrollBarSubLine).center());
        const Colour moved = rgb(11, 20, 30);
        QVERIFY(shown_colour(t.Text1, moved));
        QCOMPARE(t.chip[1]->colour(), kChip);
        QVERIFY(count_pixels(t.Text1->grab().toImage(), moved) > t.Text1->width() * 5);
        QCOMPARE(side_dots(*form), 20);

        click(d->Command2);
        QVERIFY(shown_colour(t.Text1, kChip));
        QVERIFY(count_pixels(t.Text1->grab().toImage(), kChip) > t.Text1->width() * 5);
        QCOMPARE(t.chip[1]->colour(), kChip);
    }

    void a_second_chip_while_the_dialog_is_open()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        auto d = open_for(*form, 1, kChip);
        QVERIFY(d);
        paste_over(d->rbox, QStringLiteral("77"));
        QCOMPARE(t.chip[1]->colour(), rgb(77, 20, 30));

        const Colour second = rgb(40, 50, 60);
        const auto reopened = open_for(*form, 6, second);
        QVERIFY(reopened);
        QCOMPARE(reopened->window, d->window);
        QCOMPARE(texts(*d), (QStringList{"40", "50", "60"}));
        QCOMPARE(values(*d), (QList<int>{40, 50, 60}));
        // second is the colour to go back to: shown below, where cancel restores it.
        QCOMPARE(t.chip[1]->colour(), rgb(77, 20, 30));
        QCOMPARE(t.chip[6]->colour(), second); // passing through mixtures, it ends as it was
        QCOMPARE(borders(*form), (std::array<int, 8>{0, 0, 0, 0, 0, 0, 1, 0}));

        paste_over(d->gbox, QStringLiteral("0"));
        QCOMPARE(t.chip[6]->colour(), rgb(40, 0, 60));
        click(d->Command2);
        QCOMPARE(t.chip[6]->colour(), second);
        QCOMPARE(t.chip[1]->colour(), rgb(77, 20, 30));
    }

    void a_colour_outside_the_range_is_refused()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        QVERIFY(!open_for(*form, 7, -1)); // no dialog is made for it

        auto d = open_for(*form, 2, kChip);
        QVERIFY(d);
        open_for(*form, 7, kMaxColour + 1);
        QCOMPARE(values(*d), (QList<int>{10, 20, 30}));
        QCOMPARE(t.chip[2]->colour(), kChip);
        // The colour to go back to is still chip 2's: cancel gives it to chip 7, now active.
        click(d->Command2);
        QCOMPARE(t.chip[7]->colour(), kChip);
    }
};

QTEST_MAIN(AdjustTest)
#include "tst_adjust.moc"
