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

// printf's "%.3f" with the trailing zeros dropped, and a rounded nought without its sign.
std::string printed(double value)
{
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.3f", value);
    std::string text = buffer;
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    return text == "-0" ? "0" : text;
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
        // 255.1275 is stored just below the half.
        QTest::newRow("just below 255.1275") << 255.1275 << "255.127";
        // Past 2^51 thousandths: 2^42 + 0.5 + 2^-10 is 4398046511104.5009765625.
        QTest::newRow("fraction past 2^51 thousandths") << (0x1p42 + 0.5 + 0x1p-10) << "4398046511104.501";
        QTest::newRow("its least fraction") << -(0x1p42 + 0x1p-10) << "-4398046511104.001";
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

    // Every double rounds as printf rounds it: seeded draws of every magnitude, and the
    // doubles on either side of each k.5 thousandths, where rounding twice goes wrong.
    void numbers_match_printf()
    {
        std::mt19937_64 random(29);
        std::uniform_real_distribution<double> exponent(-12, 20);
        int compared = 0;
        for (int i = 0; i < 200000; ++i) {
            const double near_half = (double(random() % 2000000000) - 1e9 + 0.5) / 1000;
            const double any = std::pow(10.0, exponent(random)) * (random() % 2 ? 1 : -1);
            for (double v : {near_half, std::nextafter(near_half, 0.0), std::nextafter(near_half, 1e300), any}) {
                if (written(v) != printed(v))
                    QFAIL(qPrintable(QString::asprintf("%.17g: %s, printf %s", v, written(v).c_str(),
                                                       printed(v).c_str())));
                ++compared;
            }
        }
        QCOMPARE(compared, 800000);
    }
};

QTEST_GUILESS_MAIN(TextBufferTest)
#include "tst_textbuffer.moc"
