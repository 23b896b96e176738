#include "export/TextBuffer.h"

#include <QTest>

#include <limits>

class TextBufferTest : public QObject {
    Q_OBJECT

private slots:
    // Thousandths, halves to even, plain decimal without trailing zeros or exponent.
    void numbers_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 7.0 << "7";
        QTest::newRow("zero and minus zero") << -0.0 << "0";
        QTest::newRow("trailing zeros dropped") << 12.5 << "12.5";
        QTest::newRow("thousandth") << -0.001 << "-0.001";
        QTest::newRow("below half a thousandth") << -0.0004 << "0";
        QTest::newRow("half to even") << 0.0625 << "0.062";
        QTest::newRow("rounds up into the whole") << 2.9996 << "3";
        QTest::newRow("thousands") << 1234567.891 << "1234567.891";
        QTest::newRow("beyond 2^51 thousandths") << 1e20 << "100000000000000000000";
        QTest::newRow("float's largest") << double(std::numeric_limits<float>::max())
                                         << "340282346638528859811704183484516925440";
    }

    void numbers()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        char buffer[TextBuffer::kMaxNumber];
        QCOMPARE(QString::fromLatin1(buffer, TextBuffer::put_number(buffer, value) - buffer), text);
        QCOMPARE(QString::fromStdString(TextBuffer::decimal(value)), text);
    }
};

QTEST_GUILESS_MAIN(TextBufferTest)
#include "tst_textbuffer.moc"
