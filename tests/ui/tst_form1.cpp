#include "FormFixture.h"

#include "colour/BackColor.h"
#include "canvas/canvas.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <set>

using namespace fixture;

namespace {

// Clicks the canvas at a logical position, as the user does.
void click_canvas(Form1& form, double x, double y)
{
    canvas* c = form.canvas_window();
    QTest::mouseClick(c, Qt::LeftButton, {}, c->to_pixel(x, y).toPoint());
}

int sum(Colour c) { return red_of(c) + green_of(c) + blue_of(c); }

// Is colour c drawn anywhere within a few pixels of the logical point (x, y)?
bool drawn_near(const canvas& c, double x, double y, Colour colour)
{
    const QPoint p = c.to_pixel(x, y).toPoint();
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) {
            const QPoint q = p + QPoint(dx, dy);
            if (c.image().rect().contains(q) && (c.image().pixel(q) & 0xffffff) == (pixel_of(colour) & 0xffffff))
                return true;
        }
    return false;
}

// Gives chip 3 a colour that the palette does not hold yet.
Colour make_chip3_stale(Form1& form)
{
    const Colour marker = rgb(3, 33, 133);
    form.chip[3]->set_colour(marker);
    return marker;
}

} // namespace

class Form1Test : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        flush_deletions();
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void start_up_state()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Module1& s = form->state();
        QCOMPARE(s.point_count, 0);
        QVERIFY(!s.side_open);
        QVERIFY(!s.kaleidoscope_on);
        QCOMPARE(s.subdivs, 20);
        QVERIFY(!form->mnuSaveas->isEnabled());
        QCOMPARE(form->Text1->text(), QStringLiteral("20"));
        QCOMPARE(form->Text3->text(), QStringLiteral("5"));
        QVERIFY(form->canvas_window() && form->canvas_window()->isVisible());
        QCOMPARE(form->canvas_window()->mapping(), canvas::kStartupMapping);
        QVERIFY(!form->adjust_window());
        QVERIFY(!form->help_window());
        QVERIFY(!form->about_window());
    }

    void window_is_fixed_with_a_client_area_of_104_by_343()
    {
        auto form = shown_form();
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), QStringLiteral("TRESSIK"));
        QWidget* client = form->centralWidget();
        const int menu = form->menuBar()->height();
        QVERIFY(menu > 0);
        QCOMPARE(client->geometry(), QRect(0, menu, 104, 343));
        QCOMPARE(form->size(), QSize(104, 343 + menu));
        QCOMPARE(form->minimumSize(), form->maximumSize());
        form->resize(300, 600);
        QCOMPARE(form->size(), QSize(104, 343 + menu));

        const Qt::WindowFlags flags = form->windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));

        // Default colours and font everywhere: nothing sets its own.
        for (QWidget* w : client->findChildren<QWidget*>()) {
            QVERIFY2(!w->testAttribute(Qt::WA_SetFont), qPrintable(w->objectName()));
            QVERIFY2(!w->testAttribute(Qt::WA_SetPalette), qPrintable(w->objectName()));
        }
    }

    void controls_stand_where_the_layout_puts_them()
    {
        auto form = shown_form();
        QVERIFY(form);
        Form1& f = *form;
        struct Row {
            QWidget* w;
            QRect r;
            QString text;
        };
        const QList<Row> rows = {
            {f.Label1, {8, 8, 41, 17}, "subdivs"},        {f.Text1, {56, 8, 33, 19}, "20"},
            {f.Label2, {16, 32, 33, 17}, "copies"},       {f.Text3, {56, 32, 33, 19}, "5"},
            {f.Command1, {8, 56, 81, 17}, "clear canvas"}, {f.Command2, {8, 80, 81, 17}, "complete loop"},
            {f.Command3, {8, 104, 81, 17}, "kaliedoscope"}, {f.Command4, {16, 296, 65, 17}, "randomize"},
            {f.Command5, {16, 320, 65, 17}, "primary"},
            {f.chip[0], {24, 136, 25, 25}, {}},           {f.chip[1], {72, 136, 25, 25}, {}},
            {f.chip[2], {24, 176, 25, 25}, {}},           {f.chip[3], {72, 176, 25, 25}, {}},
            {f.chip[4], {24, 216, 25, 25}, {}},           {f.chip[5], {72, 216, 25, 25}, {}},
            {f.chip[6], {24, 256, 25, 25}, {}},           {f.chip[7], {72, 256, 25, 25}, {}},
            {f.Label3[0], {8, 144, 17, 17}, "0"},         {f.Label3[1], {8, 184, 17, 17}, "2"},
            {f.Label3[2], {8, 224, 17, 17}, "4"},         {f.Label3[3], {8, 264, 17, 17}, "6"},
            {f.Label3[4], {56, 144, 17, 17}, "1"},        {f.Label3[5], {56, 184, 17, 17}, "3"},
            {f.Label3[6], {56, 224, 17, 17}, "5"},        {f.Label3[7], {56, 264, 17, 17}, "7"},
        };
        for (const Row& row : rows) {
            QCOMPARE(row.w->parentWidget(), f.centralWidget());
            QCOMPARE(row.w->geometry(), row.r);
            if (auto* label = qobject_cast<QLabel*>(row.w))
                QCOMPARE(label->text(), row.text);
            else if (auto* button = qobject_cast<QPushButton*>(row.w))
                QCOMPARE(button->text(), row.text);
            else if (auto* box = qobject_cast<QLineEdit*>(row.w))
                QCOMPARE(box->text(), row.text);
        }
        // Each digit's last pixel column lies under its chip, which is drawn over it.
        for (int i = 0; i < 8; ++i) {
            const QRect chip = f.chip[i]->geometry();
            QCOMPARE(f.centralWidget()->childAt(chip.left(), chip.top() + 10), f.chip[i]);
        }
    }

    void focus_starts_on_clear_and_cycles_in_tab_order()
    {
        auto form = shown_form();
        QVERIFY(form);
        Form1& f = *form;
        QCOMPARE(f.focusWidget(), f.Command1);
        QCOMPARE(f.active_control(), f.Command1);
        const QList<QWidget*> cycle = {f.Command1, f.Command2, f.Text1,   f.Command3, f.Text3,
                                       f.Command4, f.Command5, f.chip[0], f.chip[1],  f.chip[2],
                                       f.chip[3],  f.chip[4],  f.chip[5], f.chip[6],  f.chip[7]};
        for (int i = 1; i <= cycle.size(); ++i) {
            QTest::keyClick(f.focusWidget(), Qt::Key_Tab);
            QCOMPARE(f.focusWidget(), cycle[i % cycle.size()]);
            QCOMPARE(f.active_control(), cycle[i % cycle.size()]);
        }
        QTest::keyClick(f.focusWidget(), Qt::Key_Backtab);
        QCOMPARE(f.focusWidget(), f.chip[7]);
        for (QLabel* label : f.centralWidget()->findChildren<QLabel*>())
            QCOMPARE(label->focusPolicy(), Qt::NoFocus);
    }

    void the_active_control_is_kept_while_another_window_is_active()
    {
        auto form = shown_form();
        QVERIFY(form);
        click(form->Text3);
        QCOMPARE(form->active_control(), form->Text3);
        form->mnuAbout_Click();
        form->about_window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form->about_window()));
        QVERIFY(!form->isActiveWindow());
        control<QPushButton>(form->about_window(), "Command1")->setFocus();
        QCOMPARE(form->active_control(), form->Text3);
        // Focus given while the tool window is inactive counts as well.
        form->Command4->setFocus();
        QCOMPARE(form->active_control(), form->Command4);
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QCOMPARE(QApplication::focusWidget(), form->Command4);
    }

    void menus_have_exact_captions_and_no_keys()
    {
        auto form = shown_form();
        QVERIFY(form);
        Form1& f = *form;
        QCOMPARE(f.menuBar()->actions(), (QList<QAction*>{f.mnuFile->menuAction(), f.mnuHelp->menuAction()}));
        QCOMPARE(f.mnuFile->title(), QStringLiteral("File"));
        QCOMPARE(f.mnuHelp->title(), QStringLiteral("Help"));
        QCOMPARE(f.mnuFile->actions(), (QList<QAction*>{f.mnuSaveas, f.mnuExit}));
        QCOMPARE(f.mnuHelp->actions(), (QList<QAction*>{f.mnuTressikhelp, f.mnuAbout}));
        QCOMPARE(f.mnuSaveas->text(), QStringLiteral("save as   .wmf"));
        QCOMPARE(f.mnuExit->text(), QStringLiteral("exit"));
        QCOMPARE(f.mnuTressikhelp->text(), QStringLiteral("Tressik help"));
        QCOMPARE(f.mnuAbout->text(), QStringLiteral("about Tressik"));
        for (QAction* a : {f.mnuFile->menuAction(), f.mnuHelp->menuAction(), f.mnuSaveas, f.mnuExit,
                           f.mnuTressikhelp, f.mnuAbout}) {
            QVERIFY2(!a->text().contains(QLatin1Char('&')), qPrintable(a->text()));
            QVERIFY(a->shortcut().isEmpty());
            QVERIFY(a->shortcuts().isEmpty());
            QVERIFY(!a->isSeparator());
        }
        QVERIFY(!f.mnuSaveas->isEnabled());
        QVERIFY(f.mnuExit->isEnabled() && f.mnuTressikhelp->isEnabled() && f.mnuAbout->isEnabled());
    }

    void save_is_enabled_by_the_first_fan_and_disabled_by_clear()
    {
        auto form = shown_form();
        QVERIFY(form);
        Form1& f = *form;
        click_canvas(f, -200, 0);
        click_canvas(f, 0, 200);
        QCOMPARE(f.state().point_count, 20);
        QVERIFY(!f.mnuSaveas->isEnabled());
        click_canvas(f, 0, 200);
        QVERIFY(!f.mnuSaveas->isEnabled());
        click_canvas(f, 200, 0);
        QCOMPARE(f.state().point_count, 40);
        QVERIFY(f.mnuSaveas->isEnabled());

        click(f.Command1);
        QVERIFY(!f.mnuSaveas->isEnabled());
        click_canvas(f, -200, 0);
        click_canvas(f, 0, 200);
        QVERIFY(!f.mnuSaveas->isEnabled());
        QVERIFY(!f.state().side_open);
        QCOMPARE(f.state().point_count, 20); // a new first side
    }

    void typing_into_the_subdivisions_box()
    {
        auto form = shown_form();
        QVERIFY(form);
        Form1& f = *form;
        erase(f.Text1);
        QCOMPARE(f.Text1->text(), QString());
        QCOMPARE(f.state().subdivs, 20); // an empty box keeps the value
        QTest::keyClick(f.Text1, Qt::Key_3);
        QCOMPARE(f.state().subdivs, 3);
        QTest::keyClick(f.Text1, Qt::Key_5);
        QCOMPARE(f.state().subdivs, 35);
        QTest::keyClick(f.Text1, Qt::Key_X);
        QCOMPARE(f.Text1->text(), QStringLiteral("35x")); // the box keeps what was typed
        QCOMPARE(f.state().subdivs, 35);
    }

    void subdivisions_text_values_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("subdivs");
        QTest::newRow("7.5 rounds to even 8") << "7.5" << 8;
        QTest::newRow("6.5 rounds to even 6") << "6.5" << 6;
        QTest::newRow("7.4") << "7.4" << 7;
        QTest::newRow("negative") << "-3" << -3;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("top of 16 bits") << "32767" << 32767;
        QTest::newRow("bottom of 16 bits") << "-32768" << -32768;
        QTest::newRow("beyond 16 bits keeps") << "32768" << 11;
        QTest::newRow("rounds beyond 16 bits keeps") << "32767.5" << 11;
        QTest::newRow("far beyond keeps") << "1e30" << 11;
        QTest::newRow("word keeps") << "many" << 11;
        QTest::newRow("empty keeps") << "" << 11;
        QTest::newRow("sign only keeps") << "-" << 11;
    }

    void subdivisions_text_values()
    {
        QFETCH(QString, text);
        QFETCH(int, subdivs);
        auto form = shown_form();
        QVERIFY(form);
        form->Text1->setText(QStringLiteral("11"));
        QCOMPARE(form->state().subdivs, 11);
        paste_over(form->Text1, text);
        QCOMPARE(form->Text1->text(), text);
        QCOMPARE(int(form->state().subdivs), subdivs);
    }

    void changing_boxes_leaves_the_figure_alone()
    {
        auto form = shown_form();
        QVERIFY(form);
        draw_two_sides(*form);
        const QImage drawn = form->canvas_window()->image();
        form->Text1->setText(QStringLiteral("7"));
        paste_over(form->Text3, QStringLiteral("9"));
        QCOMPARE(form->state().point_count, 40);
        QCOMPARE(form->state().subdivs, 7);
        QVERIFY(!form->state().kaleidoscope_on);
        QCOMPARE(form->canvas_window()->image(), drawn);
    }

    void clear_forgets_the_figure_only()
    {
        auto form = shown_form();
        QVERIFY(form);
        Form1& f = *form;
        draw_two_sides(f);
        f.Command3->click(); // kaleidoscope
        f.canvas_MouseUp(1, 0, 50, 50); // a side left open
        QVERIFY(f.state().kaleidoscope_on && f.state().side_open);
        f.Text1->setText(QStringLiteral("12"));
        f.Text3->setText(QStringLiteral("7"));
        f.chip[2]->set_colour(rgb(9, 9, 9)); // not reloaded: the palette is kept as it stands
        const auto palette = f.state().palette;
        const auto chips = f.chip_colours();
        const canvas::Mapping mapping = f.canvas_window()->mapping();

        click(f.Command1);
        QCOMPARE(f.state().point_count, 0);
        QVERIFY(!f.state().side_open);
        QVERIFY(!f.state().kaleidoscope_on);
        QVERIFY(!f.mnuSaveas->isEnabled());
        QCOMPARE(f.state().subdivs, 12);
        QCOMPARE(f.state().palette, palette);
        QCOMPARE(f.chip_colours(), chips);
        QCOMPARE(f.Text1->text(), QStringLiteral("12"));
        QCOMPARE(f.Text3->text(), QStringLiteral("7"));
        QCOMPARE(f.canvas_window()->mapping(), mapping);
        const QImage cleared = f.canvas_window()->image();
        const QRgb background = cleared.pixel(0, 0);
        for (int y = 0; y < cleared.height(); ++y)
            for (int x = 0; x < cleared.width(); ++x)
                QCOMPARE(cleared.pixel(x, y), background);

        // Clearing an empty canvas changes nothing.
        click(f.Command1);
        QCOMPARE(f.canvas_window()->image(), cleared);
        QVERIFY(!f.mnuSaveas->isEnabled());
    }

    void exit_and_close_box_close_canvas_dialog_and_tool_window_data()
    {
        QTest::addColumn<bool>("by_menu");
        QTest::addColumn<QString>("dialog");
        QTest::newRow("exit, dialog never opened") << true << "none";
        QTest::newRow("exit") << true << "open";
        QTest::newRow("close box") << false << "open";
        QTest::newRow("exit, dialog cancelled") << true << "hidden";
        QTest::newRow("close box, dialog cancelled") << false << "hidden";
    }

    void exit_and_close_box_close_canvas_dialog_and_tool_window()
    {
        QFETCH(bool, by_menu);
        QFETCH(QString, dialog);
        auto form = shown_form();
        QVERIFY(form);
        QPointer<adjust> adjuster;
        if (dialog != QLatin1String("none")) {
            click(form->chip[1]);
            adjuster = form->adjust_window();
            QVERIFY(adjuster);
            if (dialog == QLatin1String("hidden"))
                click(control<QPushButton>(adjuster, "Command2"));
        }
        form->mnuTressikhelp_Click();
        form->mnuAbout_Click();
        QPointer<canvas> drawing = form->canvas_window();

        if (by_menu)
            form->mnuExit->trigger();
        else
            QVERIFY(form->close());
        flush_deletions();
        QVERIFY(!form->isVisible());
        QVERIFY(drawing.isNull());
        QVERIFY(adjuster.isNull());
        QVERIFY(!form->adjust_window()); // and none was made on the way out
        QVERIFY(form->help_window() && form->help_window()->isVisible());
        QVERIFY(form->about_window() && form->about_window()->isVisible());
    }

    // Runs the real event loop: the program ends when its last window closes, and not before.
    void the_program_ends_with_its_last_window_data()
    {
        QTest::addColumn<QString>("other");
        QTest::newRow("tool window alone") << QString();
        QTest::newRow("help left open") << "help";
        QTest::newRow("about left open") << "about";
    }

    void the_program_ends_with_its_last_window()
    {
        QFETCH(QString, other);
        auto form = shown_form();
        QVERIFY(form);
        click(form->chip[0]); // the dialog is open too
        QPointer<QWidget> left;
        if (other == QLatin1String("help")) {
            form->mnuTressikhelp_Click();
            left = form->help_window();
        } else if (other == QLatin1String("about")) {
            form->mnuAbout_Click();
            left = form->about_window();
        }

        int phase = 0;
        bool running_after_exit = false;
        QTimer step;
        step.setSingleShot(true);
        connect(&step, &QTimer::timeout, this, [&] {
            if (phase++ == 0) {
                form->mnuExit->trigger();
                step.start(50);
                return;
            }
            running_after_exit = true;
            if (left)
                left->close();
        });
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, this, [] { QCoreApplication::exit(7); });
        guard.start(5000);
        step.start(0);
        QCOMPARE(QApplication::exec(), 0);
        // Exit alone ends the program only when no help or about window stays behind.
        QCOMPARE(running_after_exit, !other.isEmpty());
        QVERIFY(!form->isVisible());
    }

    // --- Colours of the chips ---

    void start_up_colours_every_chip_at_random_and_loads_the_palette()
    {
        const std::array<Colour, 8> expected = {rgb(1, 2, 3),     rgb(100, 100, 100), rgb(0, 0, 255),
                                                rgb(255, 95, 0),  rgb(0, 0, 0),       rgb(50, 60, 70),
                                                rgb(7, 200, 140), rgb(80, 90, 100)};
        std::vector<double> draws;
        for (Colour c : expected) {
            draws.push_back(draw_for(rgb(255, 255, 255))); // each chip has one refusal first
            draws.push_back(draw_for(c));
        }
        Form1 form(sequence(draws));
        QCOMPARE(form.chip_colours(), expected);
        QCOMPARE(form.state().palette, expected);
        for (int i = 0; i < 8; ++i)
            QCOMPARE(form.chip[i]->border_style(), 0);
    }

    void the_time_seeded_source_gives_dark_colours()
    {
        Form1 form; // the program's own random source
        std::set<Colour> seen;
        for (Colour c : form.chip_colours()) {
            QVERIFY(is_valid_colour(c));
            QVERIFY(sum(c) <= 350);
            seen.insert(c);
        }
        for (int i = 0; i < 200; ++i) {
            const Colour c = form.get_random_color();
            QVERIFY(is_valid_colour(c) && sum(c) <= 350);
            seen.insert(c);
        }
        QVERIFY(seen.size() > 150); // really random, not one colour over and over
    }

    void randomize_recolours_every_chip()
    {
        auto source = std::make_shared<std::vector<double>>(8, draw_for(rgb(1, 1, 1)));
        auto played = std::make_shared<std::size_t>(0);
        Form1 form([source, played] { return (*source)[(*played)++ % source->size()]; });
        *source = {draw_for(rgb(255, 255, 255)), draw_for(rgb(10, 0, 0)), draw_for(rgb(20, 0, 0)),
                   draw_for(rgb(30, 0, 0)),      draw_for(rgb(40, 0, 0)), draw_for(rgb(50, 0, 0)),
                   draw_for(rgb(60, 0, 0)),      draw_for(rgb(70, 0, 0)), draw_for(rgb(80, 0, 0))};
        *played = 0;
        form.show();
        click(form.Command4);
        const std::array<Colour, 8> expected = {rgb(10, 0, 0), rgb(20, 0, 0), rgb(30, 0, 0), rgb(40, 0, 0),
                                                rgb(50, 0, 0), rgb(60, 0, 0), rgb(70, 0, 0), rgb(80, 0, 0)};
        QCOMPARE(form.chip_colours(), expected);
        QCOMPARE(form.state().palette, expected);
    }

    void primary_sets_the_fixed_colours_and_fans_follow_them()
    {
        auto form = shown_form();
        QVERIFY(form);
        click(form->Command5);
        const std::array<Colour, 8> primary = {rgb(0, 0, 0),     rgb(255, 0, 0),   rgb(0, 255, 0),
                                               rgb(0, 0, 255),   rgb(0, 255, 255), rgb(255, 255, 0),
                                               rgb(255, 0, 255), rgb(128, 128, 128)};
        QCOMPARE(form->chip_colours(), primary);
        QCOMPARE(form->state().palette, primary);

        // Three sides: the first fan between sides 0 and 1, the second between 1 and 2.
        Form1& f = *form;
        f.canvas_MouseUp(1, 0, -400, 0);
        f.canvas_MouseUp(1, 0, -400, 400);
        f.canvas_MouseUp(1, 0, -400, 400);
        f.canvas_MouseUp(1, 0, 0, 400);
        f.canvas_MouseUp(1, 0, 0, 400);
        f.canvas_MouseUp(1, 0, 0, 0);
        const canvas& c = *f.canvas_window();
        // Middles of string 10 of each fan, far apart from each other.
        QVERIFY(drawn_near(c, -295, 305, rgb(0, 0, 0)));
        QVERIFY(!drawn_near(c, -295, 305, rgb(255, 0, 0)));
        QVERIFY(drawn_near(c, -95, 295, rgb(255, 0, 0)));
        QVERIFY(!drawn_near(c, -95, 295, rgb(0, 0, 0)));
        QVERIFY(count_pixels(c.image(), rgb(255, 0, 0)) > 200);
    }

    // --- When the palette is reloaded ---

    void palette_is_reloaded_only_at_its_moments_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("reloads");
        QTest::newRow("side entry") << "side entry" << false;
        QTest::newRow("complete loop") << "complete loop" << false;
        QTest::newRow("clear canvas") << "clear canvas" << false;
        QTest::newRow("cancel") << "cancel" << false;
        QTest::newRow("chip click changing nothing") << "same chip again" << false;
        QTest::newRow("randomize") << "randomize" << true;
        QTest::newRow("primary") << "primary" << true;
        QTest::newRow("kaleidoscope") << "kaleidoscope" << true;
        QTest::newRow("export") << "export" << true;
        QTest::newRow("dialog change") << "dialog change" << true;
        QTest::newRow("chip click changing the dialog") << "other chip" << true;
    }

    void palette_is_reloaded_only_at_its_moments()
    {
        QFETCH(QString, action);
        QFETCH(bool, reloads);
        auto form = shown_form();
        QVERIFY(form);
        Form1& f = *form;
        QTemporaryDir dir;
        f.set_file_name_asker([&](QWidget*, const QString&, const QString&) {
            return dir.filePath(QStringLiteral("x.wmf"));
        });
        f.chip[0]->set_colour(rgb(10, 20, 30));
        f.chip[5]->set_colour(rgb(90, 80, 70));
        // Two sides and their fan, then the dialog open for chip 0.
        f.canvas_MouseUp(1, 0, -200, 0);
        f.canvas_MouseUp(1, 0, 0, 200);
        f.canvas_MouseUp(1, 0, 0, 200);
        f.canvas_MouseUp(1, 0, 200, 0);
        click(f.chip[0]);
        adjust* d = f.adjust_window();
        QVERIFY(d);
        const Colour marker = make_chip3_stale(f);

        if (action == QLatin1String("side entry")) {
            f.canvas_MouseUp(1, 0, 200, 0);
            f.canvas_MouseUp(1, 0, 0, -200);
            QCOMPARE(f.state().point_count, 60);
        } else if (action == QLatin1String("complete loop")) {
            click(f.Command2);
            QCOMPARE(f.state().point_count, 60);
        } else if (action == QLatin1String("clear canvas")) {
            click(f.Command1);
        } else if (action == QLatin1String("cancel")) {
            click(control<QPushButton>(d, "Command2"));
        } else if (action == QLatin1String("same chip again")) {
            click(f.chip[0]);
            QVERIFY(d->isVisible());
        } else if (action == QLatin1String("randomize")) {
            click(f.Command4);
        } else if (action == QLatin1String("primary")) {
            click(f.Command5);
        } else if (action == QLatin1String("kaleidoscope")) {
            click(f.Command3);
        } else if (action == QLatin1String("export")) {
            f.mnuSaveas->trigger();
            QVERIFY(QFile::exists(dir.filePath(QStringLiteral("x.wmf"))));
        } else if (action == QLatin1String("dialog change")) {
            auto* blue = control<QScrollBar>(d, "bscroll");
            click(blue, bar_part(blue, QStyle::SC_ScrollBarAddLine).center());
            QCOMPARE(f.chip[0]->colour(), rgb(10, 20, 29));
        } else if (action == QLatin1String("other chip")) {
            click(f.chip[5]);
        }
        QCOMPARE(f.state().palette[3] == f.chip[3]->colour(), reloads);
        if (reloads)
            QCOMPARE(f.state().palette, f.chip_colours());
        else
            QVERIFY(f.state().palette[3] != marker);
    }

    void a_clicked_chip_takes_the_focus_and_the_only_border()
    {
        auto form = shown_form();
        QVERIFY(form);
        Form1& f = *form;
        QCOMPARE(borders(f), (std::array<int, 8>{}));
        click(f.chip[6]);
        QCOMPARE(borders(f), (std::array<int, 8>{0, 0, 0, 0, 0, 0, 1, 0}));
        QCOMPARE(f.focusWidget(), f.chip[6]);
        QCOMPARE(f.active_control(), f.chip[6]);
        click(f.chip[2]);
        QCOMPARE(borders(f), (std::array<int, 8>{0, 0, 1, 0, 0, 0, 0, 0}));
        QCOMPARE(f.active_control(), f.chip[2]);
        // The border stays after the dialog goes.
        click(control<QPushButton>(f.adjust_window(), "Command2"));
        QCOMPARE(borders(f), (std::array<int, 8>{0, 0, 1, 0, 0, 0, 0, 0}));
        f.adjust_window()->close();
        flush_deletions();
        QCOMPARE(borders(f), (std::array<int, 8>{0, 0, 1, 0, 0, 0, 0, 0}));
    }

    void the_dialog_colours_a_push_button_that_is_the_active_control()
    {
        auto form = shown_form();
        QVERIFY(form);
        form->chip[7]->set_colour(rgb(10, 20, 30));
        click(form->chip[7]);
        adjust* d = form->adjust_window();
        QVERIFY(d);
        click(form->Command4, {2, 2}); // focus and a click: new random chip colours too
        QCOMPARE(form->active_control(), form->Command4);
        const Colour chip7 = form->chip[7]->colour();
        paste_over(control<QLineEdit>(d, "rbox"), QStringLiteral("250"));
        QCOMPARE(back_color(form->Command4), rgb(250, 20, 30));
        QCOMPARE(form->chip[7]->colour(), chip7);
        const QImage shot = form->Command4->grab().toImage();
        QVERIFY(count_pixels(shot, rgb(250, 20, 30)) > shot.width() * shot.height() / 3);
        click(control<QPushButton>(d, "Command2"));
        QCOMPARE(back_color(form->Command4), rgb(10, 20, 30));
    }
};

QTEST_MAIN(Form1Test)
#include "tst_form1.moc"
