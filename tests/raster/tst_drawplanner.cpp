// How strings reach the pixels, chosen without drawing: the planner's table, worked by hand
// with blocks of 1 MB.

#include "raster/DrawPlanner.h"

#include <QTest>

#include <cmath>
#include <limits>
#include <vector>

class DrawPlannerTest : public QObject {
    Q_OBJECT

private slots:
    void plans_data()
    {
        QTest::addColumn<DrawJob>("job");
        QTest::addColumn<DrawPlan>("plan");
        auto job = [](int width, int height, int workers, std::size_t strings, int copies,
                      double pixels, double rim, Split split = Split::automatic) {
            DrawJob j;
            j.width = width;
            j.height = height;
            j.stride = width;
            j.workers = workers;
            j.strings = strings;
            j.copies = copies;
            j.pixels = pixels;
            j.rim = rim;
            j.split = split;
            j.block_bytes = 1 << 20;
            return j;
        };
        const auto bands = Split::bands, strings = Split::strings;
        const double inf = std::numeric_limits<double>::infinity();
        // 412 x 282 = 116,184 pixels; 32 times that is 3,717,888. 2 pi 130 = 816.8 copies.
        QTest::newRow("a side's fan: on the calling thread")
            << job(412, 282, 2, 1000, 1, 125000, 0) << DrawPlan{false, 1, bands, 0, 1};
        QTest::newRow("a batch covering the image 32 times: strings shared out")
            << job(412, 282, 2, 30000, 1, 3720000, 0) << DrawPlan{false, 2, strings, 0, 1};
        QTest::newRow("just under: bands, each one block")
            << job(412, 282, 2, 30000, 1, 3700000, 0) << DrawPlan{false, 2, bands, 282, 1};
        // 1920 x 1050 x 4 bytes is over two blocks; a block is 1 MB / 7680 = 136 rows.
        QTest::newRow("one worker, a batch covering a large image: in blocks")
            << job(1920, 1050, 1, 4000, 1, 2016000, 0) << DrawPlan{false, 1, bands, 136, 1};
        QTest::newRow("one worker, a smaller batch: whole strings")
            << job(1920, 1050, 1, 4000, 1, 2015999, 0) << DrawPlan{false, 1, bands, 0, 1};
        // 33,554,432 / 622,501 = 53.9 copies a piece, at most 262,144 / 4980 = 52.6.
        QTest::newRow("36 copies of the star: forward, one piece, shared out")
            << job(412, 282, 2, 4980, 36, 622500, 130) << DrawPlan{false, 2, strings, 0, 36};
        // 2^20 / 4980 = 210.6 copies a piece.
        QTest::newRow("1000 copies of the star: last first, shared out")
            << job(412, 282, 2, 4980, 1000, 622500, 130) << DrawPlan{true, 2, strings, 0, 210};
        QTest::newRow("the same on one worker")
            << job(412, 282, 1, 4980, 1000, 622500, 130) << DrawPlan{true, 1, bands, 0, 210};
        QTest::newRow("the same, bands asked for")
            << job(412, 282, 2, 4980, 1000, 622500, 130, bands) << DrawPlan{true, 2, bands, 0, 210};
        // 2 pi 1212 = 7615 copies. 33,554,432 / 5,350,001 = 6.27 a piece: 160 pieces of 7;
        // 8,064,000 pixels is past sharing, and a block is 1 MB / 15360 = 68 rows.
        QTest::newRow("1000 copies at 3840 x 2100: forward in pieces, bands in blocks")
            << job(3840, 2100, 2, 4980, 1000, 5350000, 1212) << DrawPlan{false, 2, bands, 68, 7};
        QTest::newRow("32767 copies at 3840 x 2100: last first in bands")
            << job(3840, 2100, 2, 4980, 32767, 5350000, 1212) << DrawPlan{true, 2, bands, 0, 210};
        QTest::newRow("string numbers past 32 bits: last first in bands")
            << job(412, 282, 2, 5000, 1000000, 625000, 130) << DrawPlan{true, 2, bands, 0, 209};
        QTest::newRow("a map that cannot turn: forward")
            << job(412, 282, 2, 4980, 1000, 622500, inf) << DrawPlan{false, 2, strings, 0, 53};
        QTest::newRow("one row: one worker")
            << job(412, 1, 2, 1000, 1, 3e6, 0) << DrawPlan{false, 1, bands, 0, 1};
        QTest::newRow("strings shared out asked for, though the batch is small")
            << job(412, 282, 2, 1000, 1, 900000, 0, strings) << DrawPlan{false, 2, strings, 0, 1};
        DrawJob open = job(412, 282, 2, 4980, 1000, 622500, 130);
        open.open_share = 0.41;
        QTest::newRow("most angles left open: forward") << open << DrawPlan{false, 2, strings, 0, 53};
    }

    void plans()
    {
        QFETCH(DrawJob, job);
        QFETCH(DrawPlan, plan);
        const DrawPlan got = DrawPlanner::plan(job);
        QCOMPARE(got.last_first, plan.last_first);
        QCOMPARE(got.workers, plan.workers);
        QCOMPARE(int(got.split), int(plan.split));
        QCOMPARE(got.block_rows, plan.block_rows);
        QCOMPARE(got.piece, plan.piece);
    }

    void open_shares_data()
    {
        QTest::addColumn<std::vector<Segment>>("strings");
        QTest::addColumn<double>("share");
        std::vector<Segment> polygon;
        for (int i = 0; i < 64; ++i) {
            const double a = i * 6.283185307179586 / 64, b = (i + 1) * 6.283185307179586 / 64;
            polygon.push_back({float(300 * std::cos(a)), float(300 * std::sin(a)),
                               float(300 * std::cos(b)), float(300 * std::sin(b))});
        }
        // Every angle at its radius: rings close within a few copies.
        QTest::newRow("a polygon round the origin") << polygon << 0.0;
        // One angle of 64 at its radius: open for 63/64 of a turn.
        QTest::newRow("one short string") << std::vector<Segment>{{0, 300, 10, 300}} << 63.0 / 64;
    }

    void open_shares()
    {
        QFETCH(std::vector<Segment>, strings);
        QFETCH(double, share);
        QCOMPARE(open_share(strings, AffineMap{412 / 1200.0, 206, -282 / 1000.0, 141}), share);
    }
};

QTEST_GUILESS_MAIN(DrawPlannerTest)
#include "tst_drawplanner.moc"
