#include "FormFixture.h"

#include "colour/ChipColours.h"

#include <cmath>

using namespace fixture;

class ChipColoursTest : public QObject {
    Q_OBJECT

private slots:
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
};

QTEST_APPLESS_MAIN(ChipColoursTest)
#include "tst_chipcolours.moc"
