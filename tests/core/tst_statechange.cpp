#include "core/StateChange.h"

#include <QTest>

#include <cmath>

class StateChangeTest : public QObject {
    Q_OBJECT

private slots:
    // A click that completes a side of 20 points: the points 20 .. 39 and the fields.
    void keeps_the_stretch_written_both_ways()
    {
        Module1 before;
        before.subdivs = 20;
        before.point_count = 21;
        before.side_open = true;
        before.point_x[20] = 7;
        before.point_x[45] = 3; // stale, untouched
        Module1 after = before;
        for (int i = 21; i < 40; ++i)
            after.point_x[i] = float(i);
        after.point_count = 40;
        after.side_open = false;
        after.palette[3] = 99;

        const StateChange change(before, after);
        QVERIFY(!change.empty());
        QVERIFY(change.bytes() < sizeof(StateChange) + 4 * 4 * 19 + 1); // the 19 points written
        Module1 state = after;
        state.subdivs = 7; // typed since: the command did not change it, nor does its undo
        change.undo(state);
        QCOMPARE(state.point_x, before.point_x);
        QCOMPARE(state.point_count, std::int16_t(21));
        QVERIFY(state.side_open);
        QCOMPARE(state.palette[3], 0);
        QCOMPARE(state.subdivs, std::int16_t(7));
        change.redo(state);
        QCOMPARE(state.point_x, after.point_x);
        QCOMPARE(state.point_count, std::int16_t(40));
        QCOMPARE(state.palette[3], 99);
    }

    void sees_every_field_and_bit()
    {
        const Module1 base;
        QVERIFY(StateChange(base, base).empty());
        Module1 other = base;
        other.point_y[5000] = -0.0f; // the last entry, and a zero of the other sign
        QVERIFY(!StateChange(base, other).empty());
        other = base;
        other.kaleidoscope_on = true;
        QVERIFY(!StateChange(base, other).empty());
        other = base;
        other.subdivs = 3;
        QVERIFY(!StateChange(base, other).empty());
    }
};

QTEST_APPLESS_MAIN(StateChangeTest)
#include "tst_statechange.moc"
