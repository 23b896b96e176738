#include "ui/UndoHistory.h"

#include <QTest>

namespace {

// A step that only changes the save item, `pixels` changed pixels kept.
Step step(int pixels)
{
    std::vector<std::uint32_t> before(std::size_t(pixels) + 1, 0), after(before.size(), 0);
    for (int i = 0; i < pixels; ++i)
        after[std::size_t(i)] = 1;
    Step s;
    s.pixels = PixelChange::between(before.data(), after.data(), int(before.size()),
                                    {0, 0, int(before.size()) - 1, 0});
    s.after.save_enabled = true;
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
        for (int i = 0; i < 3; ++i)
            history.add(step(1000));
        QCOMPARE(history.size(), std::size_t(3));
        history.add(step(1000)); // the oldest goes
        QCOMPARE(history.size(), std::size_t(3));
        QVERIFY(history.bytes() <= 3 * one);
        history.add(step(4000)); // larger than the budget: kept alone, until the next
        QCOMPARE(history.size(), std::size_t(1));
        history.add(step(1));
        QCOMPARE(history.size(), std::size_t(1));

        history.add(step(1));
        history.undo();
        history.undo();
        QVERIFY(!history.can_undo() && history.can_redo());
        history.redo();
        history.add(step(2)); // the step that could be redone goes
        QVERIFY(!history.can_redo());
        QCOMPARE(history.size(), std::size_t(2));
        QCOMPARE(int(history.undo().pixels->pixels()), 2);
    }
};

QTEST_APPLESS_MAIN(UndoHistoryTest)
#include "tst_undohistory.moc"
