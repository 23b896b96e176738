// Every way of drawing a kaleidoscope leaves the plain Raster's pixels: hundreds of seeded
// random figures through the fuzz target's comparison (fuzz/CopiesComparison.h), which also
// runs for as long as wanted under `make fuzz`.

#include "fuzz/CopiesComparison.h"

#include <QTest>

#include <random>

class CopiesRasterTest : public QObject {
    Q_OBJECT

private slots:
    void random_figures_leave_the_plain_pixels()
    {
        std::mt19937 rng(28);
        std::vector<std::uint8_t> bytes(160);
        for (int figure = 0; figure < 600; ++figure) {
            for (std::uint8_t& b : bytes)
                b = std::uint8_t(rng());
            const char* difference = copies_comparison::compare(bytes.data(), bytes.size());
            QVERIFY2(!difference, qPrintable(QStringLiteral("figure %1: %2").arg(figure).arg(difference)));
        }
    }
};

QTEST_GUILESS_MAIN(CopiesRasterTest)
#include "tst_copiesraster.moc"
