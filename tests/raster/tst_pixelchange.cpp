#include "raster/PixelChange.h"

#include <QTest>

#include <vector>

Q_DECLARE_METATYPE(Box)

namespace {

constexpr int kWidth = 40, kStride = 48, kHeight = 3;

using Pixels = std::vector<std::uint32_t>;
struct Set {
    int x, y;
};

// A blank image with `set` pixels changed to a colour of their own.
Pixels image(const std::vector<Set>& set)
{
    Pixels p(std::size_t(kStride) * kHeight, 0xffffff);
    for (const Set& s : set)
        p[std::size_t(s.y) * kStride + s.x] = 0x10000u * std::uint32_t(s.y) + std::uint32_t(s.x);
    return p;
}

} // namespace

class PixelChangeTest : public QObject {
    Q_OBJECT

private slots:
    void keeps_the_changed_pixels_and_swaps_both_ways_data()
    {
        QTest::addColumn<std::vector<Set>>("changed");
        QTest::addColumn<Box>("watched");
        QTest::addColumn<int>("kept");
        QTest::addColumn<Box>("box");
        const Box all{0, 0, kWidth - 1, kHeight - 1};
        QTest::newRow("nothing") << std::vector<Set>{} << all << 0 << Box{};
        QTest::newRow("one pixel") << std::vector<Set>{{5, 1}} << all << 1 << Box{5, 1, 5, 1};
        // Sixteen unchanged pixels between two changes join them; seventeen do not.
        QTest::newRow("a run across a gap") << std::vector<Set>{{2, 0}, {19, 0}} << all << 18 << Box{2, 0, 19, 0};
        QTest::newRow("two runs") << std::vector<Set>{{2, 0}, {20, 0}} << all << 2 << Box{2, 0, 20, 0};
        QTest::newRow("rows apart, at the edges")
            << std::vector<Set>{{0, 0}, {39, 2}} << all << 2 << Box{0, 0, 39, 2};
        QTest::newRow("outside the watched box") << std::vector<Set>{{1, 1}, {30, 1}} << Box{10, 0, 39, 2} << 1
                                                 << Box{30, 1, 30, 1};
    }

    void keeps_the_changed_pixels_and_swaps_both_ways()
    {
        QFETCH(std::vector<Set>, changed);
        QFETCH(Box, watched);
        QFETCH(int, kept);
        QFETCH(Box, box);
        const Pixels before = image({}), after = image(changed);
        PixelChange change = PixelChange::between(before.data(), after.data(), kStride, watched);
        QCOMPARE(int(change.pixels()), kept);
        QCOMPARE(change.empty(), kept == 0);
        const Box got = change.box();
        QCOMPARE((std::vector<int>{got.left, got.top, got.right, got.bottom}),
                 (std::vector<int>{box.left, box.top, box.right, box.bottom}));
        if (box.empty())
            return;
        // Undo, redo, undo: the image alternates; a change outside the watched box stays.
        Pixels shown = after;
        for (int round = 0; round < 3; ++round) {
            change.swap(shown.data(), kStride);
            const Pixels& expected = round % 2 == 0 ? before : after;
            for (std::size_t i = 0; i < shown.size(); ++i)
                if (!(i == kStride + 1 && watched.left > 1))
                    QCOMPARE(shown[i], expected[i]);
        }
    }
};

QTEST_APPLESS_MAIN(PixelChangeTest)
#include "tst_pixelchange.moc"
