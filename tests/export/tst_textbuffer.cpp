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

    // Handed on whole each time it fills, and the rest on flush.
    void buffers_are_handed_on()
    {
        std::string drained;
        int calls = 0;
        TextBuffer text([&](const char* data, std::size_t size) {
            drained.append(data, size);
            return ++calls < 3;
        }, 4);
        text.text("ab");
        text.number(1.5);
        text.text("cdef");
        QCOMPARE(drained, std::string("ab1.5"));
        QVERIFY(text.flush());
        QCOMPARE(drained, std::string("ab1.5cdef"));
        text.text("g");
        QVERIFY(!text.flush());
        QCOMPARE(text.total(), std::uint64_t(10));
    }
};

QTEST_GUILESS_MAIN(TextBufferTest)
#include "tst_textbuffer.moc"
