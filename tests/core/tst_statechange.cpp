#include "core/StateChange.h"

#include <QTest>

class StateChangeTest : public QObject {
    Q_OBJECT

private slots:
    // A click that completes a side of 20 points: the points 21 .. 39 and the fields.
    void keeps_the_stretch_written_both_ways()
    {
        Module1 before;
        before.subdivs = 20;
        before.point_count = 21;
        before.side_open = true;
        before.point_x[45] = 3; // stale, untouched
        Module1 after = before;
        for (int i = 21; i < 40; ++i)
            after.point_x[i] = float(i);
        after.point_count = 40;
        after.side_open = false;
        after.palette[3] = 99;

        const StateChange change(before, after);
        QVERIFY(!change.empty() && change.bytes() <= sizeof(StateChange) + 4 * sizeof(float) * 19);
        Module1 state = after;
        state.subdivs = 7; // typed since: the command did not change it, nor does its undo
        change.undo(state);
        QVERIFY(state.point_x == before.point_x && state.point_count == 21 && state.side_open);
        QVERIFY(state.palette[3] == 0 && state.subdivs == 7);
        change.redo(state);
        QVERIFY(state.point_x == after.point_x && state.point_count == 40 && state.palette[3] == 99);
    }

    void sees_every_field_and_bit()
    {
        const Module1 base;
        QVERIFY(StateChange(base, base).empty());
        for (int field = 0; field < 3; ++field) { // a point's bit, a flag, a number
            Module1 other = base;
            other.point_y[5000] = field == 0 ? -0.0f : 0; // the last entry
            other.kaleidoscope_on = field == 1;
            other.subdivs = field == 2 ? 3 : 0;
            QVERIFY(!StateChange(base, other).empty());
        }
    }
};

QTEST_APPLESS_MAIN(StateChangeTest)
#include "tst_statechange.moc"
