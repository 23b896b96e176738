#include "FormFixture.h"

#include "colour/BackColor.h"
#include "colour/ChipColours.h"
#include "core/canvas.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTemporaryDir>

#include <set>

using namespace fixture;

namespace {

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
    form.chip[3]->set_color(marker);
    return marker;
}

} // namespace

class ColoursTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        flush_deletions();
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    // --- Random and fixed colours ---

    void random_colours_are_dark_and_redrawn_until_they_are()
    {
        // 351 is one too many; 350 is fine; 1.0, NaN and wild values are simply drawn again.
        auto source = sequence({draw_for(rgb(200, 100, 51)), draw_for(rgb(200, 100, 50)),
                                draw_for(kMaxColour), 1.0, std::nan(""), -1e300, 1e300,
                                draw_for(0), 0.999999999});
        QCOMPARE(random_dark_colour(source), rgb(200, 100, 50));
        QCOMPARE(random_dark_colour(source), 0);

        // The colour is floor(r * 2^24): red in the low byte.
        QCOMPARE(random_dark_colour([] { return 0.5; }), rgb(0, 0, 128));
        QCOMPARE(random_dark_colour([] { return 1.5 / 16777216; }), rgb(1, 0, 0));
    }

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
        f.chip[0]->set_color(rgb(10, 20, 30));
        f.chip[5]->set_color(rgb(90, 80, 70));
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
            click(d->Command2);
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
            click(d->bscroll, bar_part(d->bscroll, QStyle::SC_ScrollBarAddLine).center());
            QCOMPARE(f.chip[0]->color(), rgb(10, 20, 29));
        } else if (action == QLatin1String("other chip")) {
            click(f.chip[5]);
        }
        QCOMPARE(f.state().palette[3] == f.chip[3]->color(), reloads);
        if (reloads)
            QCOMPARE(f.state().palette, f.chip_colours());
        else
            QVERIFY(f.state().palette[3] != marker);
    }

    // --- Chips ---

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
        click(f.adjust_window()->Command2);
        QCOMPARE(borders(f), (std::array<int, 8>{0, 0, 1, 0, 0, 0, 0, 0}));
        f.adjust_window()->close();
        flush_deletions();
        QCOMPARE(borders(f), (std::array<int, 8>{0, 0, 1, 0, 0, 0, 0, 0}));
    }

    void a_click_is_a_press_and_release_of_the_left_button_on_the_chip()
    {
        ColourChip chip;
        chip.resize(25, 25);
        chip.show();
        QSignalSpy clicks(&chip, &ColourChip::clicked);
        click(&chip);
        QCOMPARE(clicks.size(), 1);
        QTest::mousePress(&chip, Qt::LeftButton, {}, {5, 5});
        QTest::mouseRelease(&chip, Qt::LeftButton, {}, {40, 5}); // let go outside
        QCOMPARE(clicks.size(), 1);
        QTest::mouseClick(&chip, Qt::RightButton, {}, {5, 5});
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(chip.focusPolicy() & Qt::TabFocus, Qt::TabFocus);
    }

    void a_chip_shows_its_colour_and_its_border()
    {
        ColourChip chip;
        chip.resize(25, 25);
        chip.set_color(rgb(200, 10, 50));
        QImage shot = chip.grab().toImage();
        QCOMPARE(count_pixels(shot, rgb(200, 10, 50)), 25 * 25);
        chip.set_border_style(1);
        shot = chip.grab().toImage();
        QCOMPARE(count_pixels(shot, rgb(200, 10, 50)), 23 * 23); // a one-pixel line all round
        QVERIFY((shot.pixel(0, 0) & 0xffffff) != (pixel_of(rgb(200, 10, 50)) & 0xffffff));
        QCOMPARE(shot.pixel(0, 0), shot.pixel(24, 24));
    }

    // --- BackColor on whatever control is active ---

    void back_color_shows_on_every_kind_of_control_data()
    {
        QTest::addColumn<QString>("style");
        for (const QString& key : QStyleFactory::keys())
            QTest::newRow(qPrintable(key)) << key;
    }

    void back_color_shows_on_every_kind_of_control()
    {
        QFETCH(QString, style);
        std::unique_ptr<QStyle> look(QStyleFactory::create(style));
        QWidget window;
        window.resize(120, 90);
        auto* button = new QPushButton(QStringLiteral("clear canvas"), &window);
        button->setGeometry(8, 8, 81, 17);
        auto* box = new QLineEdit(QStringLiteral("20"), &window);
        box->setGeometry(8, 32, 33, 19);
        auto* chip = new ColourChip(&window);
        chip->setGeometry(8, 56, 25, 25);
        for (QWidget* w : {static_cast<QWidget*>(button), static_cast<QWidget*>(box)})
            w->setStyle(look.get());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        const Colour colour = rgb(10, 200, 30);
        for (QWidget* w : {static_cast<QWidget*>(button), static_cast<QWidget*>(box), static_cast<QWidget*>(chip)}) {
            set_back_color(w, colour);
            QCOMPARE(back_color(w), colour);
            const QImage shot = w->grab().toImage();
            // The face of the control, not just a rim, shows the colour exactly; the text and
            // the frame take the rest.
            QVERIFY2(count_pixels(shot, colour) > shot.width() * shot.height() / 3, qPrintable(w->metaObject()->className()));
        }
        QCOMPARE(chip->color(), colour);

        // A second colour replaces the first; an impossible one is ignored.
        set_back_color(button, rgb(1, 2, 3));
        QCOMPARE(back_color(button), rgb(1, 2, 3));
        set_back_color(button, -1);
        QCOMPARE(back_color(button), rgb(1, 2, 3));
        QVERIFY(count_pixels(button->grab().toImage(), rgb(1, 2, 3)) > 81 * 17 / 3);
        QCOMPARE(count_pixels(button->grab().toImage(), colour), 0);
    }

    void the_dialog_colours_a_push_button_that_is_the_active_control()
    {
        auto form = shown_form();
        QVERIFY(form);
        form->chip[7]->set_color(rgb(10, 20, 30));
        click(form->chip[7]);
        adjust* d = form->adjust_window();
        QVERIFY(d);
        click(form->Command4, {2, 2}); // focus and a click: new random chip colours too
        QCOMPARE(form->active_control(), form->Command4);
        const Colour chip7 = form->chip[7]->color();
        paste_over(d->rbox, QStringLiteral("250"));
        QCOMPARE(back_color(form->Command4), rgb(250, 20, 30));
        QCOMPARE(form->chip[7]->color(), chip7);
        const QImage shot = form->Command4->grab().toImage();
        QVERIFY(count_pixels(shot, rgb(250, 20, 30)) > shot.width() * shot.height() / 3);
        click(d->Command2);
        QCOMPARE(back_color(form->Command4), rgb(10, 20, 30));
    }
};

QTEST_MAIN(ColoursTest)
#include "tst_colours.moc"
