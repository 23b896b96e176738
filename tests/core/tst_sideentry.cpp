#include "RecordingSink.h"

#include "core/Module1.h"
#include "core/SideEntry.h"

#include <QTest>

namespace {

Module1 fresh(int subdivs)
{
    Module1 s;
    s.subdivs = std::int16_t(subdivs);
    for (int i = 0; i < 8; ++i)
        s.palette[i] = 100 + i;
    return s;
}

bool same_points(const Module1& s, int a, int b)
{
    return s.point_x[a] == s.point_x[b] && s.point_y[a] == s.point_y[b];
}

} // namespace

class SideEntryTest : public QObject {
    Q_OBJECT

private slots:
    void worked_example_three_points_per_side()
    {
        Module1 s = fresh(3);
        RecordingSink sink;
        const float A[] = {0, 0}, B[] = {10, 20}, C[] = {30, 20};
        EntryResult r = enter_point(s, sink, A[0], A[1]);
        QCOMPARE(s.point_count, 1);
        QVERIFY(s.side_open);
        QVERIFY(!r.enable_save);
        QCOMPARE(sink.dots.size(), 1u);

        r = enter_point(s, sink, B[0], B[1]);
        QCOMPARE(s.point_count, 3);
        QVERIFY(!s.side_open);
        QCOMPARE(s.point_x[1], 5.0f);
        QCOMPARE(s.point_y[1], 10.0f);
        QCOMPARE(s.point_x[2], 10.0f);
        QCOMPARE(s.point_y[2], 20.0f);
        QVERIFY(sink.lines_drawn.empty());
        QVERIFY(!r.enable_save);

        enter_point(s, sink, B[0], B[1]);
        QCOMPARE(s.point_count, 4);
        r = enter_point(s, sink, C[0], C[1]);
        QCOMPARE(s.point_count, 6);
        QCOMPARE(s.point_x[4], 20.0f);
        QCOMPARE(s.point_x[5], 30.0f);
        QVERIFY(r.enable_save);
        // Strings 0-3, 1-4, 2-5 in the first chip's colour, after the side's dots.
        QCOMPARE(sink.lines_drawn.size(), 3u);
        for (int j = 0; j < 3; ++j) {
            const auto& l = sink.lines_drawn[j];
            QCOMPARE(l.x1, s.point_x[j]);
            QCOMPARE(l.y1, s.point_y[j]);
            QCOMPARE(l.x2, s.point_x[j + 3]);
            QCOMPARE(l.y2, s.point_y[j + 3]);
            QCOMPARE(l.colour, 100);
        }
        QCOMPARE(sink.dots.size(), 6u);
    }

    void dots_take_the_colour_set_last_and_fans_cycle_through_the_palette()
    {
        Module1 s = fresh(2);
        RecordingSink sink;
        sink.set_colour(7);
        for (int side = 0; side < 10; ++side) {
            enter_point(s, sink, float(side), 0);
            enter_point(s, sink, float(side), 5);
        }
        QCOMPARE(sink.dots.front().colour, 7);
        // Fan between sides k-1 and k takes palette[(k-1) mod 8]: the ninth fan wraps to chip 0.
        QCOMPARE(sink.lines_drawn.size(), 18u);
        for (int fan = 0; fan < 9; ++fan) {
            QCOMPARE(sink.lines_drawn[2 * fan].colour, 100 + fan % 8);
            QCOMPARE(sink.lines_drawn[2 * fan + 1].colour, 100 + fan % 8);
        }
        // The dots of side 2 come in the colour of the fan before them.
        QCOMPARE(sink.dots[4].colour, 100);
    }

    void second_side_need_not_start_where_the_first_ended()
    {
        Module1 s = fresh(20);
        RecordingSink sink;
        enter_point(s, sink, -100, 0);
        enter_point(s, sink, 100, 0);
        enter_point(s, sink, -100, 50);
        const EntryResult r = enter_point(s, sink, 100, 50);
        QCOMPARE(s.point_count, 40);
        QVERIFY(r.enable_save);
        QCOMPARE(sink.lines_drawn.size(), 20u);
        for (int j = 0; j < 20; ++j) {
            QCOMPARE(sink.lines_drawn[j].y1, 0.0f);
            QCOMPARE(sink.lines_drawn[j].y2, 50.0f);
            QCOMPARE(sink.lines_drawn[j].x1, sink.lines_drawn[j].x2);
        }
    }

    void the_last_point_of_a_side_is_the_click_itself()
    {
        Module1 s = fresh(7);
        RecordingSink sink;
        const float x0 = 0.1f, y0 = -333.3f, x1 = 517.77f, y1 = 0.3f;
        enter_point(s, sink, x0, y0);
        enter_point(s, sink, x1, y1);
        QCOMPARE(s.point_x[6], x1);
        QCOMPARE(s.point_y[6], y1);
        // Clicking the same spot twice gives a side of equal points.
        enter_point(s, sink, 4, 4);
        enter_point(s, sink, 4, 4);
        for (int i = 8; i < 14; ++i)
            QVERIFY(same_points(s, 7, i));
    }

    void small_and_odd_point_counts()
    {
        {   // Two points per side: the second click adds only itself; fans have two strings.
            Module1 s = fresh(2);
            RecordingSink sink;
            for (float x : {0.f, 1.f, 1.f, 2.f})
                enter_point(s, sink, x, 0);
            QCOMPARE(s.point_count, 4);
            QCOMPARE(sink.lines_drawn.size(), 2u);
        }
        {   // One point per side: the fan is one string from the point before the side.
            Module1 s = fresh(1);
            RecordingSink sink;
            enter_point(s, sink, 0, 0);
            enter_point(s, sink, 9, 9);
            QCOMPARE(s.point_count, 1);
            QCOMPARE(sink.dots.size(), 1u);
            enter_point(s, sink, 3, 3);
            enter_point(s, sink, 8, 8);
            QCOMPARE(s.point_count, 2);
            QCOMPARE(sink.lines_drawn.size(), 1u);
            QCOMPARE(sink.lines_drawn[0].x1, 0.0f);
            QCOMPARE(sink.lines_drawn[0].x2, 3.0f);
        }
        for (int subdivs : {0, -1, -32768}) {
            // Nothing stored or drawn by a second click; save is enabled from the first.
            Module1 s = fresh(subdivs);
            RecordingSink sink;
            const EntryResult first = enter_point(s, sink, 0, 0);
            QCOMPARE(first.enable_save, subdivs != -32768);
            const EntryResult second = enter_point(s, sink, 5, 5);
            QCOMPARE(s.point_count, 1);
            QCOMPARE(sink.dots.size(), 1u);
            QVERIFY(sink.lines_drawn.empty());
            if (subdivs == -32768) {
                QCOMPARE(first.limit, Limit::Overflow);
                QCOMPARE(second.limit, Limit::Overflow);
            } else {
                QVERIFY(!second.limit);
                QVERIFY(!s.side_open);
            }
        }
    }

    void raising_subdivs_between_sides_joins_the_last_points_before_the_new_side()
    {
        Module1 s = fresh(3);
        RecordingSink sink;
        for (float x : {0.f, 2.f, 2.f, 4.f})
            enter_point(s, sink, x, 0);
        QCOMPARE(s.point_count, 6);
        s.subdivs = 4;
        enter_point(s, sink, 10, 0);
        const std::size_t before = sink.lines_drawn.size();
        // The fan would start at point 6 - 4 - 1 + ... = 2: points 2..5 joined to 6..9.
        const EntryResult r = enter_point(s, sink, 13, 0);
        QVERIFY(!r.limit);
        QCOMPARE(s.point_count, 10);
        QCOMPARE(sink.lines_drawn.size() - before, 4u);
        QCOMPARE(sink.lines_drawn[before].x1, s.point_x[2]);
        QCOMPARE(sink.lines_drawn[before].x2, s.point_x[6]);

        // Raised beyond what is stored: the fan would start before point 0.
        s.subdivs = 12;
        enter_point(s, sink, 20, 0);
        const std::size_t lines_before = sink.lines_drawn.size();
        const std::size_t colours_before = sink.colour_changes.size();
        const EntryResult bad = enter_point(s, sink, 30, 0);
        QCOMPARE(bad.limit, Limit::NegativeIndex);
        QCOMPARE(s.point_count, 22); // the side's points stand
        QCOMPARE(sink.lines_drawn.size(), lines_before);
        // The first string, 11 - 12 - 1 = -2 to 10, takes palette[-2 div 12 = 0] before its
        // ends are read.
        QCOMPARE(sink.colour_changes.size(), colours_before + 1);
        QCOMPARE(sink.colour, Colour(100));
    }

    void the_table_holds_5001_points_and_no_more()
    {
        Module1 s = fresh(2);
        RecordingSink sink;
        EntryResult r;
        int clicks = 0;
        while (!r.limit && clicks < 10000) {
            r = enter_point(s, sink, float(clicks % 50), float(clicks / 50));
            ++clicks;
        }
        QCOMPARE(r.limit, Limit::TableFull);
        QCOMPARE(s.point_count, 5001);
        // On a first click the dot is drawn before the point would be stored.
        s.side_open = false;
        const std::size_t dots = sink.dots.size();
        r = enter_point(s, sink, 1, 1);
        QCOMPARE(r.limit, Limit::TableFull);
        QCOMPARE(sink.dots.size(), dots + 1);
        QCOMPARE(s.point_count, 5001);
        // A long second side stops at the end of the table.
        Module1 big = fresh(3000);
        enter_point(big, sink, 0, 0);
        enter_point(big, sink, 1, 1);
        enter_point(big, sink, 1, 1);
        r = enter_point(big, sink, 2, 2);
        QCOMPARE(r.limit, Limit::TableFull);
        QCOMPARE(big.point_count, 5001);
    }

    void huge_subdivs_overflow_instead_of_wrapping()
    {
        Module1 s = fresh(16384); // 2 * subdivs does not fit 16 bits
        RecordingSink sink;
        const EntryResult r = enter_point(s, sink, 0, 0);
        QCOMPARE(r.limit, Limit::Overflow);
        QCOMPARE(s.point_count, 1);
        Module1 t = fresh(16383);
        QVERIFY(!enter_point(t, sink, 0, 0).limit);
    }

    void fan_bounds_overflow_a_step_at_a_time_data()
    {
        QTest::addColumn<int>("subdivs");
        QTest::addColumn<bool>("closes");
        // Second click with two points stored (a = 2). 2 - (-32766) = 32768 leaves 16 bits
        // before the "- 1" would bring it back; with -32765 every step fits, the empty fan
        // passes and only 2 * subdivs overflows, after the side has closed.
        QTest::newRow("a - subdivs overflows") << -32766 << false;
        QTest::newRow("a - subdivs fits") << -32765 << true;
    }

    void fan_bounds_overflow_a_step_at_a_time()
    {
        QFETCH(int, subdivs);
        QFETCH(bool, closes);
        Module1 s = fresh(subdivs);
        s.point_count = 2;
        s.side_open = true;
        RecordingSink sink;
        const EntryResult r = enter_point(s, sink, 5, 5);
        QCOMPARE(r.limit, Limit::Overflow);
        QCOMPARE(s.side_open, !closes);
        QCOMPARE(s.point_count, 2);
        QVERIFY(sink.lines_drawn.empty());
    }
};

QTEST_APPLESS_MAIN(SideEntryTest)
#include "tst_sideentry.moc"
