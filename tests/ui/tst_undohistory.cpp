#include "ui/UndoHistory.h"

#include <QTest>

namespace {

// A step that keeps `pixels` changed pixels.
Step step(int pixels)
{
    const std::vector<std::uint32_t> before(std::size_t(pixels), 0), after(before.size(), 1);
    Step s;
    s.pixels = PixelChange::between(before.data(), after.data(), pixels, {0, 0, pixels - 1, 0});
    return s;
}

} // namespace

class UndoHistoryTest : public QObject {
    Q_OBJECT

private slots:
    void the_budget_drops_the_oldest_and_a_new_step_the_redo()
    {
        const std::size_t one = step(1000).bytes();
        UndoHistory history(3 * one);
        for (int i = 0; i < 4; ++i)
            history.add(step(1000)); // the fourth drops the first
        QVERIFY(history.size() == 3 && history.bytes() <= 3 * one);
        history.add(step(4000)); // beyond the budget alone: kept until the next step
        QCOMPARE(history.size(), std::size_t(1));
        history.add(step(1));
        history.add(step(1));
        history.undo();
        history.undo();
        QVERIFY(!history.can_undo() && history.can_redo() && history.size() == 2);
        history.redo();
        history.add(step(2)); // the step that could be redone goes
        QVERIFY(!history.can_redo() && history.size() == 2);
        QCOMPARE(int(history.undo().pixels->pixels()), 2);
    }
};

QTEST_APPLESS_MAIN(UndoHistoryTest)
#include "tst_undohistory.moc"
