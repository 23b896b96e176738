#include "RecordingSink.h"

#include "core/LoopClose.h"
#include "core/Module1.h"
#include "core/SideEntry.h"

#include <QTest>

namespace {

// A figure of `sides` whole sides of `subdivs` points, each starting where the last ended.
Module1 figure(int subdivs, int sides, RecordingSink& sink)
{
    Module1 s;
    s.subdivs = std::int16_t(subdivs);
    for (int i = 0; i < 8; ++i)
        s.palette[i] = 200 + i;
    for (int side = 0; side < sides; ++side) {
        enter_point(s, sink, float(side * 10), float(side % 2));
        enter_point(s, sink, float(side * 10 + 10), float((side + 1) % 2));
    }
    return s;
}

} // namespace

class LoopCloseTest : public QObject {
    Q_OBJECT

private slots:
    void an_empty_table_is_left_alone()
    {
        Module1 s;
        s.subdivs = 20;
        RecordingSink sink;
        QVERIFY(!close_loop(s, sink));
        QCOMPARE(s.point_count, 0);
        QVERIFY(sink.colour_changes.empty());
        QVERIFY(sink.lines_drawn.empty());
    }

    void two_sides_get_the_closing_fan_in_the_second_colour()
    {
        RecordingSink sink;
        Module1 s = figure(20, 2, sink);
        sink.lines_drawn.clear();
        QVERIFY(!close_loop(s, sink));
        QCOMPARE(s.point_count, 60);
        for (int i = 0; i < 20; ++i) {
            QCOMPARE(s.point_x[40 + i], s.point_x[i]);
            QCOMPARE(s.point_y[40 + i], s.point_y[i]);
        }
        QCOMPARE(sink.lines_drawn.size(), 20u);
        for (int i = 0; i < 20; ++i) {
            const auto& l = sink.lines_drawn[i];
            QCOMPARE(l.x1, s.point_x[40 + i]);
            QCOMPARE(l.x2, s.point_x[20 + i]);
            QCOMPARE(l.y2, s.point_y[20 + i]);
            QCOMPARE(l.colour, 201);
        }
        // Twice: a second copy, joined to the first copy.
        sink.lines_drawn.clear();
        QVERIFY(!close_loop(s, sink));
        QCOMPARE(s.point_count, 80);
        QCOMPARE(sink.lines_drawn.front().x2, s.point_x[40]);
        QCOMPARE(sink.lines_drawn.front().colour, 202);
    }

    void an_open_side_is_paired_with_the_last_points_stored()
    {
        RecordingSink sink;
        Module1 s = figure(3, 2, sink);
        enter_point(s, sink, 77, 7); // a side left open after one click
        QVERIFY(s.side_open);
        sink.lines_drawn.clear();
        QVERIFY(!close_loop(s, sink));
        QCOMPARE(s.point_count, 10);
        QVERIFY(s.side_open);
        // Copy points 7, 8, 9 joined to 4, 5, 6: the last of those is the open side's point.
        QCOMPARE(sink.lines_drawn.size(), 3u);
        QCOMPARE(sink.lines_drawn[2].x2, 77.0f);
        // The colour of the side holding point 6, the last entered: 6 div 3 = 2.
        QCOMPARE(sink.lines_drawn[0].colour, 202);
    }

    void limits_stop_the_command_without_leaving_the_table()
    {
        {   // Fewer points stored than a side: k would be negative.
            Module1 s;
            s.subdivs = 5;
            RecordingSink sink;
            enter_point(s, sink, 1, 1);
            QCOMPARE(close_loop(s, sink), Limit::NegativeIndex);
            QCOMPARE(s.point_count, 6); // the copy stands
            QVERIFY(sink.lines_drawn.empty());
        }
        {   // Nothing per side: nothing to copy, and no side to take a colour from.
            RecordingSink sink;
            Module1 s = figure(3, 1, sink);
            s.subdivs = 0;
            QCOMPARE(close_loop(s, sink), Limit::DivisionByZero);
            QCOMPARE(s.point_count, 3);
        }
        {   // Negative counts copy nothing and draw nothing.
            RecordingSink sink;
            Module1 s = figure(3, 1, sink);
            s.subdivs = -4;
            QVERIFY(!close_loop(s, sink));
            QCOMPARE(s.point_count, 3);
            QVERIFY(sink.lines_drawn.empty());
            s.subdivs = -32768;
            QCOMPARE(close_loop(s, sink), Limit::Overflow);
        }
        {   // The copy runs into the end of the table.
            RecordingSink sink;
            Module1 s = figure(1000, 5, sink);
            QCOMPARE(s.point_count, 5000);
            QCOMPARE(close_loop(s, sink), Limit::TableFull);
            QCOMPARE(s.point_count, 5001);
        }
    }
};

QTEST_APPLESS_MAIN(LoopCloseTest)
#include "tst_loopclose.moc"
