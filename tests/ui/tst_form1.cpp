#include "FormFixture.h"

#include "colour/BackColor.h"
#include "canvas/canvas.h"
#include "ui/about1.h"
#include "ui/tressikhelp.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>
#include <QPushButton>
#include <QDropEvent>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <set>

using namespace fixture;

namespace {

// Clicks the canvas at a logical position under the start-up mapping, as the user does.
void click_canvas(double x, double y)
{
    QTest::mouseClick(window<canvas>(), Qt::LeftButton, {}, startup_pixel(x, y));
}

int sum(Colour c) { return red_of(c) + green_of(c) + blue_of(c); }

// Is colour c drawn anywhere within a few pixels of the logical point (x, y)?
bool drawn_near(const QImage& shown, double x, double y, Colour colour)
{
    const QPoint p = startup_pixel(x, y);
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) {
            const QPoint q = p + QPoint(dx, dy);
            if (shown.rect().contains(q) && (shown.pixel(q) & 0xffffff) == (pixel_of(colour) & 0xffffff))
                return true;
        }
    return false;
}

// A save dialog that always answers `name` under the first filter.
SaveFlow::FileNameAsker answering(const QString& name)
{
    return [name](QWidget*, const QString&, const FileChoice&) { return FileChoice{name}; };
}

// What undo and redo put back: the drawing state, every pixel of the canvas's image, its
// drawing colour and the save item; and the tool window's chips and boxes.
struct Look {
    Module1 s;
    QImage image;
    Colour colour;
    bool save;
    std::array<Colour, 8> chips;
    QString subdivs_text, copies_text;

    explicit Look(const Form1& form) : Look(form, Tool(form)) {}
    Look(const Form1& form, const Tool& t)
        : s(form.state()), image(window<canvas>()->pixels().image().copy()),
          colour(window<canvas>()->pixels().colour()), save(t.mnuSaveas->isEnabled()), chips(t.chip_colours()),
          subdivs_text(t.Text1->text()), copies_text(t.Text3->text())
    {
    }
    auto fields() const
    {
        return std::tie(s.point_x, s.point_y, s.point_count, s.side_open, s.subdivs, s.kaleidoscope_on, s.palette,
                        image, colour, save, chips, subdivs_text, copies_text);
    }
    bool operator==(const Look& o) const { return fields() == o.fields(); }
};

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
        const Tool t(*form);
        QVERIFY(!t.mnuSaveas->isEnabled());
        QCOMPARE(t.Text1->text(), QStringLiteral("20"));
        QCOMPARE(t.Text3->text(), QStringLiteral("5"));
        QVERIFY(window<canvas>() && window<canvas>()->isVisible());
        QVERIFY(!window<adjust>());
        QVERIFY(!window<tressikhelp>());
        QVERIFY(!window<about1>());
        // The start-up mapping: the corners arrive as (-500, -600) and (600, 500); (0, 0)
        // would mean the centre.
        QSignalSpy clicks(window<canvas>(), &canvas::mouseUp);
        QTest::mouseRelease(window<canvas>(), Qt::LeftButton, {}, QPoint(0, 282));
        QTest::mouseRelease(window<canvas>(), Qt::LeftButton, {}, QPoint(412, 0));
        QCOMPARE(clicks.size(), 2);
        QCOMPARE(QPointF(clicks[0][2].toFloat(), clicks[0][3].toFloat()), QPointF(-500, -600));
        QCOMPARE(QPointF(clicks[1][2].toFloat(), clicks[1][3].toFloat()), QPointF(600, 500));
        // Those clicks made a first side, with no fan (the corner dots fall just outside): the
        // table was empty and no side open.
        QCOMPARE(inked_pixels(), 18);
        QVERIFY(!t.mnuSaveas->isEnabled());
        QCOMPARE(side_dots(*form), 20);
        // Hiding and showing again is not a resize.
        window<canvas>()->hide();
        window<canvas>()->show();
        clicks.clear();
        QTest::mouseRelease(window<canvas>(), Qt::LeftButton, {}, QPoint(0, 282));
        QCOMPARE(QPointF(clicks[0][2].toFloat(), clicks[0][3].toFloat()), QPointF(-500, -600));
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
        expect_fixed_frame(form.get(), QSize(104, 343 + menu));
        form->resize(300, 600);
        QCOMPARE(form->size(), QSize(104, 343 + menu));

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
        const Tool t(*form);
        struct Row {
            QWidget* w;
            QRect r;
            QString text;
        };
        const QList<Row> rows = {
            {t.Label1, {8, 8, 41, 17}, "subdivs"},        {t.Text1, {56, 8, 33, 19}, "20"},
            {t.Label2, {16, 32, 33, 17}, "copies"},       {t.Text3, {56, 32, 33, 19}, "5"},
            {t.Command1, {8, 56, 81, 17}, "clear canvas"}, {t.Command2, {8, 80, 81, 17}, "complete loop"},
            {t.Command3, {8, 104, 81, 17}, "kaliedoscope"}, {t.Command4, {16, 296, 65, 17}, "randomize"},
            {t.Command5, {16, 320, 65, 17}, "primary"},
            {t.chip[0], {24, 136, 25, 25}, {}},           {t.chip[1], {72, 136, 25, 25}, {}},
            {t.chip[2], {24, 176, 25, 25}, {}},           {t.chip[3], {72, 176, 25, 25}, {}},
            {t.chip[4], {24, 216, 25, 25}, {}},           {t.chip[5], {72, 216, 25, 25}, {}},
            {t.chip[6], {24, 256, 25, 25}, {}},           {t.chip[7], {72, 256, 25, 25}, {}},
            {t.Label3[0], {8, 144, 17, 17}, "0"},         {t.Label3[1], {8, 184, 17, 17}, "2"},
            {t.Label3[2], {8, 224, 17, 17}, "4"},         {t.Label3[3], {8, 264, 17, 17}, "6"},
            {t.Label3[4], {56, 144, 17, 17}, "1"},        {t.Label3[5], {56, 184, 17, 17}, "3"},
            {t.Label3[6], {56, 224, 17, 17}, "5"},        {t.Label3[7], {56, 264, 17, 17}, "7"},
        };
        for (const Row& row : rows) {
            QCOMPARE(row.w->parentWidget(), form->centralWidget());
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
            const QRect chip = t.chip[i]->geometry();
            QCOMPARE(form->centralWidget()->childAt(chip.left(), chip.top() + 10), t.chip[i]);
        }
    }

    void focus_starts_on_clear_and_cycles_in_tab_order()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        QCOMPARE(form->focusWidget(), t.Command1);
        const QList<QWidget*> cycle = {t.Command1, t.Command2, t.Text1,   t.Command3, t.Text3,
                                       t.Command4, t.Command5, t.chip[0], t.chip[1],  t.chip[2],
                                       t.chip[3],  t.chip[4],  t.chip[5], t.chip[6],  t.chip[7]};
        for (int i = 1; i <= cycle.size(); ++i) {
            QTest::keyClick(form->focusWidget(), Qt::Key_Tab);
            QCOMPARE(form->focusWidget(), cycle[i % cycle.size()]);
        }
        QTest::keyClick(form->focusWidget(), Qt::Key_Backtab);
        QCOMPARE(form->focusWidget(), t.chip[7]);
        for (QLabel* label : form->centralWidget()->findChildren<QLabel*>())
            QCOMPARE(label->focusPolicy(), Qt::NoFocus);
    }

    void the_active_control_is_kept_while_another_window_is_active()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        click(t.Text3);
        QCOMPARE(form->focusWidget(), t.Text3);
        t.mnuAbout->trigger();
        window<about1>()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window<about1>()));
        QVERIFY(!form->isActiveWindow());
        control<QPushButton>(window<about1>(), "Command1")->setFocus();
        QCOMPARE(form->focusWidget(), t.Text3);
        // Focus given while the tool window is inactive counts as well.
        t.Command4->setFocus();
        QCOMPARE(form->focusWidget(), t.Command4);
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QCOMPARE(QApplication::focusWidget(), t.Command4);
    }

    void menus_have_exact_captions_and_no_keys()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        QCOMPARE(form->menuBar()->actions(), (QList<QAction*>{t.mnuFile->menuAction(), t.mnuHelp->menuAction()}));
        QCOMPARE(t.mnuFile->title(), QStringLiteral("File"));
        QCOMPARE(t.mnuHelp->title(), QStringLiteral("Help"));
        QCOMPARE(t.mnuFile->actions(), (QList<QAction*>{t.mnuOpen, t.mnuSaveas, t.mnuUndo, t.mnuRedo, t.mnuExit}));
        QVERIFY(t.mnuOpen->text() == "open..." && t.mnuUndo->text() == "undo" && t.mnuRedo->text() == "redo");
        QVERIFY(t.mnuOpen->shortcut() == QKeySequence("Ctrl+O") && t.mnuUndo->shortcut() == QKeySequence("Ctrl+Z"));
        QCOMPARE(t.mnuRedo->shortcuts(), (QList<QKeySequence>{QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}));
        QVERIFY(!t.mnuUndo->isEnabled() && !t.mnuRedo->isEnabled());
        QCOMPARE(t.mnuHelp->actions(), (QList<QAction*>{t.mnuTressikhelp, t.mnuAbout}));
        QCOMPARE(t.mnuSaveas->text(), QStringLiteral("save as   .wmf"));
        QCOMPARE(t.mnuExit->text(), QStringLiteral("exit"));
        QCOMPARE(t.mnuTressikhelp->text(), QStringLiteral("Tressik help"));
        QCOMPARE(t.mnuAbout->text(), QStringLiteral("about Tressik"));
        for (QAction* a : {t.mnuFile->menuAction(), t.mnuHelp->menuAction(), t.mnuSaveas, t.mnuExit,
                           t.mnuTressikhelp, t.mnuAbout}) {
            QVERIFY2(!a->text().contains(QLatin1Char('&')), qPrintable(a->text()));
            QVERIFY(a->shortcut().isEmpty());
            QVERIFY(a->shortcuts().isEmpty());
            QVERIFY(!a->isSeparator());
        }
        QVERIFY(!t.mnuSaveas->isEnabled());
        QVERIFY(t.mnuExit->isEnabled() && t.mnuTressikhelp->isEnabled() && t.mnuAbout->isEnabled());
    }

    void each_command_is_undone_and_redone_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("open_side"); // clicks of a third side made before it
        QTest::newRow("first click of a side") << 0 << 0;
        QTest::newRow("second click, with its fan") << 0 << 1;
        QTest::newRow("clear canvas") << 1 << 0;
        QTest::newRow("complete loop") << 2 << 0;
        QTest::newRow("kaliedoscope") << 3 << 0;
    }

    void each_command_is_undone_and_redone()
    {
        QFETCH(int, command);
        QFETCH(int, open_side);
        auto form = shown_form({.uniform = sequence({draw_for(rgb(1, 2, 3)), draw_for(rgb(90, 0, 0))})});
        QVERIFY(form);
        const Tool t(*form);
        draw_two_sides();
        if (open_side)
            release_on_canvas(200, 0);
        const Look before(*form);
        QPushButton* buttons[] = {nullptr, t.Command1, t.Command2, t.Command3};
        command == 0 ? release_on_canvas(200, -200) : click(buttons[command]);
        const Look after(*form);
        QVERIFY(!(after == before) && !t.mnuRedo->isEnabled());
        for (int round = 0; round < 2; ++round) {
            t.mnuUndo->trigger();
            QVERIFY(Look(*form) == before);
            t.mnuRedo->trigger();
            QVERIFY(Look(*form) == after);
        }
        // All the way back to the empty canvas: the four clicks, then nothing more.
        for (int i = 0; i < 5 + open_side; ++i)
            t.mnuUndo->trigger();
        QVERIFY(!t.mnuUndo->isEnabled() && form->state().point_count == 0 && inked_pixels() == 0);
    }

    void steps_are_dropped_by_a_new_command_and_made_only_by_a_change()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        click(t.Command2); // a loop on an empty figure
        click(t.Command1); // clearing an empty canvas
        QVERIFY(!t.mnuUndo->isEnabled());
        draw_two_sides();
        t.mnuUndo->trigger();
        t.mnuUndo->trigger();
        release_on_canvas(100, 100);
        QVERIFY(!t.mnuRedo->isEnabled() && form->state().point_count == 21);
        // Ctrl+Z in a text box undoes the typing; in the window and on the canvas, the figure.
        QTest::keyClicks(t.Text3, QStringLiteral("9"));
        QTest::keyClick(t.Text3, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.Text3->text(), QStringLiteral("5"));
        QTest::keyClick(t.Text3, Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(t.Text3->text() == QStringLiteral("59") && form->state().point_count == 21);
        QTest::keyClick(t.Command2, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(form->state().point_count, 20);
        QTest::keyClick(window<canvas>(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(form->state().point_count, 21);
    }

    void a_step_from_before_a_resize_draws_the_figure_afresh()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        draw_two_sides();
        click(t.Command1);
        window<canvas>()->resize(500, 300);
        QCoreApplication::processEvents();
        t.mnuUndo->trigger(); // the clear: the fan comes back where the points land now
        QCOMPARE(form->state().point_count, 40);
        const CanvasMapping now(canvas::kResizeMapping, 500, 300);
        for (const QPointF end : {QPointF(-200, 0), QPointF(0, 200), QPointF(200, 0)})
            QCOMPARE(shown_canvas().pixel(now.to_pixel(end.x(), end.y()).toPoint()), pixel_of(rgb(1, 2, 3)));
        // Steps recorded since the resize are pixel-exact again.
        const Look drawn(*form);
        release_on_canvas(0, -300);
        t.mnuUndo->trigger();
        QVERIFY(Look(*form) == drawn);
    }

    void a_saved_drawing_opens_again_as_one_step_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<int>("how"); // named as on the command line, dropped, chosen in the dialog
        QTest::newRow("SVG, named") << "svg" << 0;
        QTest::newRow("PDF, dropped on the canvas") << "pdf" << 1;
        QTest::newRow("PNG, chosen") << "png" << 2;
    }

    void a_saved_drawing_opens_again_as_one_step()
    {
        QFETCH(QString, suffix);
        QFETCH(int, how);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("fan.") + suffix);
        QString offered_folder;
        FileChoice offered; // to the save dialog
        const auto ask = [&](QWidget*, const QString& folder, const QString&) { return offered_folder = folder, path; };
        const auto ask_save = [&](QWidget*, const QString&, const FileChoice& previous) {
            return offered = previous, FileChoice{path};
        };
        auto form = shown_form({.ask_file_name = ask_save, .ask_open_name = ask});
        QVERIFY(form);
        const Tool t(*form);
        draw_two_sides();
        click(t.Command3);
        release_on_canvas(50, 50); // a side left open
        t.Text3->setText(QStringLiteral("3.0")); // saved as typed, drawn as 3 copies
        t.mnuSaveas->trigger();
        const QByteArray saved = read_file(path);
        const Look drawn(*form);

        click(t.Command1);
        t.Text1->setText(QStringLiteral("7"));
        click(t.Command4); // other chips
        const Look cleared(*form);
        if (how == 0) {
            form->open_drawing(path);
        } else if (how == 1) {
            // A drag that carries no local file is refused; one that does opens its first.
            for (const QList<QUrl>& urls : {QList<QUrl>{QUrl("https://example.org/fan.svg")},
                                            QList<QUrl>{QUrl("https://example.org/a.svg"), QUrl::fromLocalFile(path)}}) {
                QMimeData data;
                data.setUrls(urls);
                QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
                QCoreApplication::sendEvent(window<canvas>(), &enter);
                QCOMPARE(enter.isAccepted(), urls.size() == 2);
                QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
                QCoreApplication::sendEvent(window<canvas>(), &drop);
                QCoreApplication::processEvents(); // the drop opens once it is over
            }
        } else {
            t.mnuOpen->trigger();
            QCOMPARE(offered_folder, dir.path()); // the last save's
        }
        const Look opened(*form);
        QVERIFY(opened.s.point_x == drawn.s.point_x && opened.s.point_count == 41);
        QVERIFY(opened.s.side_open && opened.s.kaleidoscope_on && opened.s.palette == drawn.chips);
        QVERIFY(opened.chips == drawn.chips && opened.subdivs_text == "20" && opened.copies_text == "3.0");
        QVERIFY(opened.save && inked_pixels() > 300);
        QFile::remove(path);
        t.mnuSaveas->trigger(); // offered the drawing just opened, under its own format's filter
        QVERIFY(offered.name == path && offered.filter == std::size_t(how + 1) && read_file(path) == saved);
        t.mnuUndo->trigger();
        QVERIFY(Look(*form) == cleared);
        t.mnuRedo->trigger();
        QVERIFY(Look(*form) == opened);
    }

    void a_file_that_holds_no_figure_changes_nothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("notes.svg"));
        write_file(path, "<svg/>\n"); // no figure in it
        const QString filters = QStringLiteral("Tressik drawings (*.svg *.pdf *.png);;all files (*.*)");
        auto form = shown_form({.ask_open_name = [&](auto, auto&, auto& offered) { return offered == filters ? path : ""; }});
        QVERIFY(form);
        const Tool t(*form);
        draw_two_sides();
        const Look before(*form);
        t.mnuOpen->trigger();
        QVERIFY(Look(*form) == before);
        const auto boxes = form->findChildren<QMessageBox*>(QStringLiteral("openFailedMessage"));
        QVERIFY(boxes.size() == 1 && boxes.front()->text().startsWith(path + " was not opened: it holds no Tressik"));
        t.mnuUndo->trigger(); // the last click is still the last step
        QCOMPARE(form->state().point_count, 21);
    }

    void save_is_enabled_by_the_first_fan_and_disabled_by_clear()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        click_canvas(-200, 0);
        click_canvas(0, 200);
        QCOMPARE(inked_pixels(), 20); // a side of 20 dots
        QVERIFY(!t.mnuSaveas->isEnabled());
        click_canvas(0, 200);
        QVERIFY(!t.mnuSaveas->isEnabled());
        click_canvas(200, 0);
        QVERIFY(inked_pixels() > 40); // the second side and its fan
        QVERIFY(t.mnuSaveas->isEnabled());

        click(t.Command1);
        QVERIFY(!t.mnuSaveas->isEnabled());
        click_canvas(-200, 0);
        click_canvas(0, 200);
        QVERIFY(!t.mnuSaveas->isEnabled());
        QCOMPARE(inked_pixels(), 20); // a new first side, closed
        click_canvas(0, 200);
        click_canvas(200, 0);
        QVERIFY(t.mnuSaveas->isEnabled());
    }

    void typing_into_the_subdivisions_box()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        erase(t.Text1);
        QCOMPARE(t.Text1->text(), QString());
        QCOMPARE(side_dots(*form), 20); // an empty box keeps the value
        QTest::keyClick(t.Text1, Qt::Key_3);
        QCOMPARE(side_dots(*form), 3);
        QTest::keyClick(t.Text1, Qt::Key_5);
        QCOMPARE(side_dots(*form), 35);
        QTest::keyClick(t.Text1, Qt::Key_X);
        QCOMPARE(t.Text1->text(), QStringLiteral("35x")); // the box keeps what was typed
        QCOMPARE(side_dots(*form), 35);
    }

    void subdivisions_text_values_data()
    {
        QTest::addColumn<QString>("text");
        // What a side then draws: subdivs dots, one for fewer than two points, or a stop.
        QTest::addColumn<int>("dots");
        QTest::addColumn<int>("stop");
        const int none = -1;
        QTest::newRow("7.5 rounds to even 8") << "7.5" << 8 << none;
        QTest::newRow("6.5 rounds to even 6") << "6.5" << 6 << none;
        QTest::newRow("7.4") << "7.4" << 7 << none;
        QTest::newRow("negative") << "-3" << 1 << none;
        QTest::newRow("zero") << "0" << 1 << none;
        // 32767 points a side fill the table; 32767 + 1 steps overflow 16 bits.
        QTest::newRow("top of 16 bits") << "32767" << none << int(Limit::TableFull);
        QTest::newRow("bottom of 16 bits") << "-32768" << 1 << int(Limit::Overflow);
        QTest::newRow("beyond 16 bits keeps") << "32768" << 11 << none;
        QTest::newRow("rounds beyond 16 bits keeps") << "32767.5" << 11 << none;
        QTest::newRow("far beyond keeps") << "1e30" << 11 << none;
        QTest::newRow("word keeps") << "many" << 11 << none;
        QTest::newRow("empty keeps") << "" << 11 << none;
        QTest::newRow("sign only keeps") << "-" << 11 << none;
    }

    void subdivisions_text_values()
    {
        QFETCH(QString, text);
        QFETCH(int, dots);
        QFETCH(int, stop);
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        t.Text1->setText(QStringLiteral("11"));
        QCOMPARE(side_dots(*form), 11);
        paste_over(t.Text1, text);
        QCOMPARE(t.Text1->text(), text);
        MessageWatch messages;
        const int drawn = side_dots(*form);
        if (dots >= 0)
            QCOMPARE(drawn, dots);
        if (stop >= 0)
            QVERIFY(messages.stops_at(Limit(stop)) >= 1);
        else
            QCOMPARE(messages.stops(), 0);
    }

    void changing_boxes_leaves_the_figure_alone()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        draw_two_sides();
        const QImage drawn = shown_canvas();
        t.Text1->setText(QStringLiteral("7"));
        paste_over(t.Text3, QStringLiteral("9"));
        QCOMPARE(shown_canvas(), drawn);
        QVERIFY(t.mnuSaveas->isEnabled());
        QCOMPARE(side_dots(*form), 7);
    }

    void clear_forgets_the_figure_only()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("once.wmf"));
        auto form = shown_form({.ask_file_name = answering(path)});
        QVERIFY(form);
        const Tool t(*form);
        draw_two_sides();
        t.Command3->click(); // kaleidoscope
        release_on_canvas(50, 50); // a side left open
        t.Text1->setText(QStringLiteral("12"));
        t.Text3->setText(QStringLiteral("7"));
        const auto palette = t.chip_colours(); // as the kaleidoscope loaded it
        t.chip[2]->set_colour(rgb(9, 9, 9)); // not reloaded: the palette is kept as it stands
        const auto chips = t.chip_colours();

        click(t.Command1);
        QVERIFY(!t.mnuSaveas->isEnabled());
        QCOMPARE(inked_pixels(), 0);
        QCOMPARE(t.chip_colours(), chips);
        QCOMPARE(t.Text1->text(), QStringLiteral("12"));
        QCOMPARE(t.Text3->text(), QStringLiteral("7"));
        // No side stays open and the table is empty: two clicks make a first side, no fan;
        // the mapping is still the start-up one.
        click_canvas(-400, 0);
        click_canvas(-400, 400);
        QCOMPARE(inked_pixels(), 12);
        QVERIFY(!t.mnuSaveas->isEnabled());
        click(t.Command1);
        QCOMPARE(side_dots(*form), 12);
        QCOMPARE(drawn_palette(*form), palette);
        // The kaleidoscope is off: a save writes the figure once, not seven times.
        draw_two_sides();
        t.mnuSaveas->trigger();
        QCOMPARE(QFileInfo(path).size(), kTwoSidesFileSize - 2 * (20 - 12) * 10); // 12 strings, not 20
        click(t.Command1);
        const QImage cleared = shown_canvas();

        // Clearing an empty canvas changes nothing.
        click(t.Command1);
        QCOMPARE(shown_canvas(), cleared);
        QVERIFY(!t.mnuSaveas->isEnabled());
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
        const Tool t(*form);
        QPointer<adjust> adjuster;
        if (dialog != QLatin1String("none")) {
            click(t.chip[1]);
            adjuster = window<adjust>();
            QVERIFY(adjuster);
            if (dialog == QLatin1String("hidden"))
                click(control<QPushButton>(adjuster, "Command2"));
        }
        t.mnuTressikhelp->trigger();
        t.mnuAbout->trigger();
        QPointer<canvas> drawing = window<canvas>();

        if (by_menu)
            t.mnuExit->trigger();
        else
            QVERIFY(form->close());
        flush_deletions();
        QVERIFY(!form->isVisible());
        QVERIFY(drawing.isNull());
        QVERIFY(adjuster.isNull());
        QVERIFY(!window<adjust>()); // and none was made on the way out
        QVERIFY(window<tressikhelp>() && window<tressikhelp>()->isVisible());
        QVERIFY(window<about1>() && window<about1>()->isVisible());
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
        const Tool t(*form);
        click(t.chip[0]); // the dialog is open too
        QPointer<QWidget> left;
        if (other == QLatin1String("help")) {
            t.mnuTressikhelp->trigger();
            left = window<tressikhelp>();
        } else if (other == QLatin1String("about")) {
            t.mnuAbout->trigger();
            left = window<about1>();
        }

        int phase = 0;
        bool running_after_exit = false;
        QTimer step;
        step.setSingleShot(true);
        connect(&step, &QTimer::timeout, this, [&] {
            if (phase++ == 0) {
                t.mnuExit->trigger();
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
        Form1 form({.uniform = sequence(draws)});
        const Tool t(form);
        QCOMPARE(t.chip_colours(), expected);
        QCOMPARE(borders(form), (std::array<int, 8>{}));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(window<canvas>()));
        QCOMPARE(drawn_palette(form), expected);
    }

    void the_time_seeded_source_gives_dark_colours()
    {
        Form1 form; // the program's own random source
        const Tool t(form);
        std::set<Colour> seen;
        for (Colour c : t.chip_colours()) {
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
        Form1 form({.uniform = [source, played] { return (*source)[(*played)++ % source->size()]; }});
        const Tool t(form);
        *source = {draw_for(rgb(255, 255, 255)), draw_for(rgb(10, 0, 0)), draw_for(rgb(20, 0, 0)),
                   draw_for(rgb(30, 0, 0)),      draw_for(rgb(40, 0, 0)), draw_for(rgb(50, 0, 0)),
                   draw_for(rgb(60, 0, 0)),      draw_for(rgb(70, 0, 0)), draw_for(rgb(80, 0, 0))};
        *played = 0;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(window<canvas>()));
        click(t.Command4);
        const std::array<Colour, 8> expected = {rgb(10, 0, 0), rgb(20, 0, 0), rgb(30, 0, 0), rgb(40, 0, 0),
                                                rgb(50, 0, 0), rgb(60, 0, 0), rgb(70, 0, 0), rgb(80, 0, 0)};
        QCOMPARE(t.chip_colours(), expected);
        QCOMPARE(drawn_palette(form), expected);
    }

    void primary_sets_the_fixed_colours_and_fans_follow_them()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        click(t.Command5);
        const std::array<Colour, 8> primary = {rgb(0, 0, 0),     rgb(255, 0, 0),   rgb(0, 255, 0),
                                               rgb(0, 0, 255),   rgb(0, 255, 255), rgb(255, 255, 0),
                                               rgb(255, 0, 255), rgb(128, 128, 128)};
        QCOMPARE(t.chip_colours(), primary);
        QCOMPARE(drawn_palette(*form), primary);

        // Three sides: the first fan between sides 0 and 1, the second between 1 and 2.
        release_on_canvas(-400, 0);
        release_on_canvas(-400, 400);
        release_on_canvas(-400, 400);
        release_on_canvas(0, 400);
        release_on_canvas(0, 400);
        release_on_canvas(0, 0);
        const QImage c = shown_canvas();
        // Middles of string 10 of each fan, far apart from each other.
        QVERIFY(drawn_near(c, -295, 305, rgb(0, 0, 0)));
        QVERIFY(!drawn_near(c, -295, 305, rgb(255, 0, 0)));
        QVERIFY(drawn_near(c, -95, 295, rgb(255, 0, 0)));
        QVERIFY(!drawn_near(c, -95, 295, rgb(0, 0, 0)));
        QVERIFY(count_pixels(c, rgb(255, 0, 0)) > 200);
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
        QTemporaryDir dir;
        auto form = shown_form({.ask_file_name = answering(dir.filePath(QStringLiteral("x.wmf")))});
        QVERIFY(form);
        const Tool t(*form);
        t.chip[0]->set_colour(rgb(10, 20, 30));
        t.chip[5]->set_colour(rgb(90, 80, 70));
        // Two sides and their fan, then the dialog open for chip 0.
        draw_two_sides();
        click(t.chip[0]);
        adjust* d = window<adjust>();
        QVERIFY(d);
        const Colour marker = rgb(3, 33, 133); // chip 3's colour is not in the palette yet
        t.chip[3]->set_colour(marker);
        const int inked = inked_pixels();

        if (action == QLatin1String("side entry")) {
            release_on_canvas(200, 0);
            release_on_canvas(0, -200);
            QVERIFY(inked_pixels() > inked + 20); // a third side and its fan
        } else if (action == QLatin1String("complete loop")) {
            const MessageWatch messages;
            click(t.Command2);
            QCOMPARE(messages.stops(), 0); // the loop closed without a stop
        } else if (action == QLatin1String("clear canvas")) {
            click(t.Command1);
        } else if (action == QLatin1String("cancel")) {
            click(control<QPushButton>(d, "Command2"));
        } else if (action == QLatin1String("same chip again")) {
            click(t.chip[0]);
            QVERIFY(d->isVisible());
        } else if (action == QLatin1String("randomize")) {
            click(t.Command4);
        } else if (action == QLatin1String("primary")) {
            click(t.Command5);
        } else if (action == QLatin1String("kaleidoscope")) {
            click(t.Command3);
        } else if (action == QLatin1String("export")) {
            t.mnuSaveas->trigger();
            QVERIFY(QFile::exists(dir.filePath(QStringLiteral("x.wmf"))));
        } else if (action == QLatin1String("dialog change")) {
            auto* blue = control<QScrollBar>(d, "bscroll");
            click(blue, bar_part(blue, QStyle::SC_ScrollBarAddLine).center());
            QCOMPARE(t.chip[0]->colour(), rgb(10, 20, 29));
        } else if (action == QLatin1String("other chip")) {
            click(t.chip[5]);
        }
        const std::array<Colour, 8> chips = t.chip_colours();
        if (d && d->isVisible())
            click(control<QPushButton>(d, "Command2")); // the colour dialog is done with
        const std::array<Colour, 8> palette = drawn_palette(*form);
        QCOMPARE(palette[3] == chips[3], reloads);
        if (reloads)
            QCOMPARE(palette, chips);
        else
            QVERIFY(palette[3] != marker);
    }

    void a_clicked_chip_takes_the_focus_and_the_only_border()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        QCOMPARE(borders(*form), (std::array<int, 8>{}));
        click(t.chip[6]);
        QCOMPARE(borders(*form), (std::array<int, 8>{0, 0, 0, 0, 0, 0, 1, 0}));
        QCOMPARE(form->focusWidget(), t.chip[6]);
        click(t.chip[2]);
        QCOMPARE(borders(*form), (std::array<int, 8>{0, 0, 1, 0, 0, 0, 0, 0}));
        QCOMPARE(form->focusWidget(), t.chip[2]);
        // The border stays after the dialog goes.
        click(control<QPushButton>(window<adjust>(), "Command2"));
        QCOMPARE(borders(*form), (std::array<int, 8>{0, 0, 1, 0, 0, 0, 0, 0}));
        window<adjust>()->close();
        flush_deletions();
        QCOMPARE(borders(*form), (std::array<int, 8>{0, 0, 1, 0, 0, 0, 0, 0}));
    }

    void the_dialog_colours_a_push_button_that_is_the_active_control()
    {
        auto form = shown_form();
        QVERIFY(form);
        const Tool t(*form);
        t.chip[7]->set_colour(rgb(10, 20, 30));
        click(t.chip[7]);
        adjust* d = window<adjust>();
        QVERIFY(d);
        click(t.Command4, {2, 2}); // focus and a click: new random chip colours too
        QCOMPARE(form->focusWidget(), t.Command4);
        const Colour chip7 = t.chip[7]->colour();
        paste_over(control<QLineEdit>(d, "rbox"), QStringLiteral("250"));

        QCOMPARE(t.chip[7]->colour(), chip7);
        QVERIFY(shown_colour(t.Command4, rgb(250, 20, 30)));
        click(control<QPushButton>(d, "Command2"));
        QVERIFY(shown_colour(t.Command4, rgb(10, 20, 30)));
    }
};

QTEST_MAIN(Form1Test)
#include "tst_form1.moc"
