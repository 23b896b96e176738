#include "raster/PixelChange.h"

#include <QTest>

#include <vector>

Q_DECLARE_METATYPE(Box)

namespace {

constexpr int kStride = 48, kHeight = 3; // 40 pixels a row, 8 more past its end
using Pixels = std::vector<std::uint32_t>;
using Points = std::vector<std::pair<int, int>>;

// A blank image with the pixels at `changed` in a colour of their own.
Pixels image(const Points& changed)
{
    Pixels p(std::size_t(kStride) * kHeight, 0xffffff);
    for (const auto& [x, y] : changed)
        p[std::size_t(y * kStride + x)] = std::uint32_t(y * 256 + x);
    return p;
}

} // namespace

class PixelChangeTest : public QObject {
    Q_OBJECT

private slots:
    void keeps_the_changed_pixels_and_swaps_both_ways_data()
    {
        QTest::addColumn<Points>("changed");
        QTest::addColumn<Box>("watched");
        QTest::addColumn<int>("kept");
        QTest::addColumn<Box>("box");
        const Box all{0, 0, 39, 2};
        QTest::newRow("nothing") << Points{} << all << 0 << Box{};
        QTest::newRow("one pixel") << Points{{5, 1}} << all << 1 << Box{5, 1, 5, 1};
        // Sixteen unchanged pixels between two changes join them; seventeen do not.
        QTest::newRow("a run across a gap") << Points{{2, 0}, {19, 0}} << all << 18 << Box{2, 0, 19, 0};
        QTest::newRow("two runs") << Points{{2, 0}, {20, 0}} << all << 2 << Box{2, 0, 20, 0};
        QTest::newRow("rows apart, at the edges") << Points{{0, 0}, {39, 2}} << all << 2 << Box{0, 0, 39, 2};
        QTest::newRow("the first outside the watched box") << Points{{1, 1}, {30, 1}} << Box{10, 0, 39, 2} << 1
                                                           << Box{30, 1, 30, 1};
    }

    void keeps_the_changed_pixels_and_swaps_both_ways()
    {
        QFETCH(Points, changed);
        QFETCH(Box, watched);
        QFETCH(int, kept);
        QFETCH(Box, box);
        const Pixels after = image(changed);
        PixelChange change = PixelChange::between(image({}).data(), after.data(), kStride, watched);
        const Box got = change.box();
        QCOMPARE((std::vector{int(change.pixels()), got.left, got.top, got.right, got.bottom}),
                 (std::vector{kept, box.left, box.top, box.right, box.bottom}));
        // Undo, redo, undo: the image alternates; a change outside the watched box stays.
        const Points outside(changed.begin(), watched.left > 0 ? changed.begin() + 1 : changed.begin());
        Pixels shown = after;
        for (int round = 0; round < 3; ++round) {
            change.swap(shown.data(), kStride);
            QVERIFY(shown == (round % 2 == 0 ? image(outside) : after));
        }
    }
};

QTEST_APPLESS_MAIN(PixelChangeTest)
#include "tst_pixelchange.moc"
