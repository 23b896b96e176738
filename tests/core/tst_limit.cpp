#include "core/Limit.h"

#include <QTest>

class LimitTest : public QObject {
    Q_OBJECT

private slots:
    // What the user reads at each limit: the words it must hold and words that would mislead.
    void describe_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("says");
        QTest::addColumn<QString>("never");
        QTest::newRow("table full") << int(Limit::TableFull) << "5001" << "";
        // Also the kaleidoscope's word for negative points per side, where no side is entered.
        QTest::newRow("negative index") << int(Limit::NegativeIndex) << "too few points" << "this side";
        QTest::newRow("division by zero") << int(Limit::DivisionByZero) << "is 0" << "";
        QTest::newRow("overflow") << int(Limit::Overflow) << "-32768 to 32767" << "";
        // "5.5" is taken as 6: no whole number is asked for.
        QTest::newRow("bad copies") << int(Limit::BadCopies) << "-32768 to 32767" << "whole number";
        // Nothing lies beyond the copies: strings out of a metafile's range are cut, not stopped at.
        QTest::newRow("past the last") << int(Limit::BadCopies) + 1 << "A limit of the drawing was reached."
                                       << "metafile";
    }

    void describe()
    {
        QFETCH(int, limit);
        QFETCH(QString, says);
        QFETCH(QString, never);
        const QString text = QString::fromUtf8(::describe(Limit(limit)));
        QVERIFY2(text.contains(says), qPrintable(text));
        QVERIFY2(never.isEmpty() || !text.contains(never), qPrintable(text));
    }
};

QTEST_APPLESS_MAIN(LimitTest)
#include "tst_limit.moc"
