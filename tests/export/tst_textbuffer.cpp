#include "export/TextBuffer.h"

#include <QTest>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

namespace {

std::string written(double value)
{
    char buffer[TextBuffer::kMaxNumber];
    return std::string(buffer, TextBuffer::put_number(buffer, value));
}

} // namespace

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
        // The double nearest each of these lies just above the half: up, not to even.
        QTest::newRow("just above half a thousandth") << 0.0005 << "0.001";
        QTest::newRow("just above 2.5 thousandths") << 0.0025 << "0.003";
        QTest::newRow("just above 255.1285") << 255.1285 << "255.129";
        // Past 2^51 thousandths: 2^42 + 0.5 + 2^-10 is 4398046511104.5009765625.
        QTest::newRow("fraction past 2^51 thousandths") << -(0x1p42 + 0.5 + 0x1p-10) << "-4398046511104.501";
        QTest::newRow("beyond 2^51 thousandths") << 1e20 << "100000000000000000000";
        QTest::newRow("float's largest") << double(std::numeric_limits<float>::max())
                                         << "340282346638528859811704183484516925440";
    }

    void numbers()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(written(value)), text);
        QCOMPARE(QString::fromStdString(TextBuffer::decimal(value)), text);
    }

    // Every double rounds as printf rounds it: seeded draws of every magnitude, and the
    // doubles on either side of k.5 thousandths, where rounding twice went wrong.
    void numbers_match_printf()
    {
        std::mt19937_64 random(29);
        std::uniform_real_distribution<double> exponent(-12, 20);
        const auto printed = [](double v) { // "%.3f", trailing zeros dropped, nought unsigned
            std::string text(400, '\0');
            text.resize(std::size_t(std::snprintf(text.data(), text.size(), "%.3f", v)));
            text.erase(text.find_last_not_of('0') + 1).erase(text.find_last_not_of('.') + 1);
            return text == "-0" ? std::string("0") : text;
        };
        for (int i = 0; i < 200000; ++i) {
            const double half = (double(random() % 2000000000) - 1e9 + 0.5) / 1000;
            const double any = std::pow(10.0, exponent(random)) * (random() % 2 ? 1 : -1);
            for (double v : {half, std::nextafter(half, 0.0), std::nextafter(half, 1e300), any})
                QVERIFY2(written(v) == printed(v), qPrintable(QString::asprintf("%.17g: %s", v, written(v).c_str())));
        }
    }
};

QTEST_GUILESS_MAIN(TextBufferTest)
#include "tst_textbuffer.moc"
