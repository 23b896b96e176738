#include "FormFixture.h"

#include "colour/ColourChip.h"

#include <QSignalSpy>

using namespace fixture;

class ColourChipTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        flush_deletions();
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
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
        chip.set_colour(rgb(200, 10, 50));
        QImage shot = chip.grab().toImage();
        QCOMPARE(count_pixels(shot, rgb(200, 10, 50)), 25 * 25);
        chip.set_border_style(1);
        shot = chip.grab().toImage();
        QCOMPARE(count_pixels(shot, rgb(200, 10, 50)), 23 * 23); // a one-pixel line all round
        QVERIFY((shot.pixel(0, 0) & 0xffffff) != (pixel_of(rgb(200, 10, 50)) & 0xffffff));
        QCOMPARE(shot.pixel(0, 0), shot.pixel(24, 24));
    }
};

QTEST_MAIN(ColourChipTest)
#include "tst_colourchip.moc"
