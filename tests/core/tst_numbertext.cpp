#include "NumberReference.h"

#include "core/NumberText.h"

#include <QTest>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

std::uint64_t env_number(const char* name, std::uint64_t fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 0) : fallback;
}

// Printable form of a text for failure messages: non-ASCII and control bytes as \xNN.
std::string shown(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F) {
            out += char(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out + "\"";
}

std::string shown(std::optional<double> v)
{
    if (!v)
        return "none";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", *v);
    return buf;
}

std::string shown(std::optional<std::int16_t> v) { return v ? std::to_string(*v) : "none"; }

// Texts built from the pieces a user might type, with the odd stray character.
class TextMaker {
public:
    explicit TextMaker(std::uint64_t seed) : rng_(seed) {}

    std::string next()
    {
        const int mode = pick(100);
        if (mode < 60)
            return number();
        if (mode < 75)
            return near_half();
        if (mode < 95)
            return mutate(number());
        return noise();
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool chance(int percent) { return pick(100) < percent; }

    std::string digits(int n)
    {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += char('0' + pick(10));
        return s;
    }

    int digit_count()
    {
        const int r = pick(100);
        if (r < 25)
            return 0;
        if (r < 85)
            return 1 + pick(5);
        if (r < 97)
            return 6 + pick(25);
        return 400;
    }

    std::string blanks()
    {
        static const char* const kinds[] = {"", "", "", " ", "  ", "\t", " \t "};
        return kinds[pick(7)];
    }

    std::string number()
    {
        std::string s = blanks();
        static const char* const signs[] = {"", "", "", "-", "+"};
        s += signs[pick(5)];
        if (chance(10))
            s += std::string(1 + pick(30), '0');
        s += digits(digit_count());
        if (chance(50)) {
            s += '.';
            s += digits(digit_count());
        }
        if (chance(25)) {
            s += chance(50) ? 'e' : 'E';
            static const char* const exponent_signs[] = {"", "-", "+"};
            s += exponent_signs[pick(3)];
            static const char* const exponents[] = {"", "0", "1", "2", "5", "10", "300", "307", "308",
                                                    "309", "320", "324", "400", "4932", "99999999999999999999"};
            s += chance(50) ? exponents[pick(15)] : digits(pick(4));
        }
        return s + blanks();
    }

    // Values at and around a half, near zero and near the ends of the 16-bit range.
    std::string near_half()
    {
        static const int bases[] = {0, 1, 2, 3, 6, 7, 12, 13, 99, 32766, 32767, 32768, 40000};
        const int base = bases[pick(13)];
        const bool negative = chance(50);
        static const char* const tails[] = {".5", ".5", ".50", ".5000000000000000000001", ".4999999999999999999",
                                            ".49999999", ".50000001", "", ".0", ".25", ".75", ".5e0"};
        std::string s = (negative ? "-" : chance(10) ? "+" : "") + std::to_string(base) + tails[pick(12)];
        if (chance(10))
            s = " " + s + "\t";
        return s;
    }

    std::string mutate(std::string s)
    {
        static const std::vector<std::string> strays = {
            ",", "x", "e", "E", ".", "+", "-", " ", "\t", "d", "D", "&H", "$", "%", "\n", "\r", "_", "'",
            "i", "n", "f", "\xC2\xA0", "\xE2\x88\x92", "\xEF\xBC\x91", "\xD9\xA3", std::string(1, '\0')};
        const int count = 1 + pick(2);
        for (int i = 0; i < count; ++i) {
            const std::size_t at = s.empty() ? 0 : std::size_t(pick(int(s.size()) + 1));
            const int what = pick(3);
            const std::string& piece = strays[std::size_t(pick(int(strays.size())))];
            if (what == 0 || s.empty())
                s.insert(at, piece);
            else if (what == 1 && at < s.size())
                s.replace(at, 1, piece);
            else if (at < s.size())
                s.erase(at, 1);
        }
        return s;
    }

    std::string noise()
    {
        static const char* const words[] = {"", " ", "\t", "+", "-", ".", "e", "E5", "e5", "1e", "1e+", "-e1",
                                            "inf", "-inf", "Infinity", "nan", "NaN", "0x10", "0X1p3", "1,5",
                                            "1.2.3", "--1", "+-1", "1-", "1+", "..5", "5..", "1 000", "1_000",
                                            "\xEF\xBC\x91\xEF\xBC\x92", "\xD9\xA1\xD9\xA2", "\xE2\x88\x92" "5",
                                            "5\n", "\v5", "1d3", "&H10", "1e5e5", "0e", ".e1", "+.5", "-.", "."};
        return words[pick(int(std::size(words)))];
    }

    std::mt19937_64 rng_;
};

} // namespace

class NumberTextTest : public QObject {
    Q_OBJECT

private slots:
    void worked_data();
    void worked();
    void valuesAtTheEdges();
    void agreesWithReferenceOnGeneratedTexts();
    void roundingAgreesWithReferenceOnDoubles();
};

void NumberTextTest::worked_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("expected"); // 99999 for "no 16-bit value"
    constexpr int none = 99999;

    const std::vector<std::pair<const char*, int>> cases = {
        // The worked examples.
        {"7.5", 8}, {"6.5", 6}, {"12.5", 12}, {"13.5", 14}, {"40000", none}, {"", none},
        // Halves go to the even neighbour, on both sides of zero.
        {"0.5", 0}, {"1.5", 2}, {"2.5", 2}, {"-0.5", 0}, {"-1.5", -2}, {"-2.5", -2}, {"-3.5", -4},
        {"2.5000000001", 3}, {"2.4999999999", 2},
        // The ends of the 16-bit range, and just beyond.
        {"32767", 32767}, {"32767.4", 32767}, {"32767.5", none}, {"32766.5", 32766}, {"32768", none},
        {"-32768", -32768}, {"-32768.5", -32768}, {"-32768.51", none}, {"-32769", none}, {"-32767.5", -32768},
        {"3.27675e4", none}, {"-3.27685e4", -32768},
        // Accepted shapes.
        {" 12 ", 12}, {"\t-7\t", -7}, {"+7", 7}, {".5", 0}, {"5.", 5}, {"-.5", 0}, {"1e3", 1000},
        {"1E+3", 1000}, {"150e-2", 2}, {"0.0025e3", 2}, {"00012", 12}, {"1e-400", 0}, {"-1e-400", 0},
        {"0e999999", 0},
        // Not numbers, or out of reach.
        {"1e400", none}, {"-1e400", none}, {"1,5", none}, {"0x10", none}, {"inf", none}, {"nan", none},
        {" ", none}, {"+", none}, {"-", none}, {".", none}, {"1e", none}, {"e5", none}, {"1e+", none},
        {"1 2", none}, {"\xEF\xBC\x91\xEF\xBC\x92", none}, {"\xE2\x88\x92" "5", none}, {"5\n", none},
        {"1d3", none}, {"&H10", none},
    };
    for (const auto& [text, expected] : cases)
        QTest::newRow(shown(text).c_str()) << QByteArray(text) << expected;
    QTest::newRow("400 digits") << QByteArray(400, '9') << none;
    QTest::newRow("400 digits after the point") << ("0." + QByteArray(399, '0') + "7") << 0;
    QTest::newRow("400 leading zeros") << (QByteArray(400, '0') + "42") << 42;
}

void NumberTextTest::worked()
{
    QFETCH(QByteArray, text);
    QFETCH(int, expected);
    const auto actual = text_to_int16(std::string_view(text.constData(), std::size_t(text.size())));
    if (expected == 99999)
        QVERIFY2(!actual, ("got " + shown(actual)).c_str());
    else
        QCOMPARE(actual, std::optional<std::int16_t>(std::int16_t(expected)));
}

// numeric_value itself where the double matters: tiny, huge and signed zero.
void NumberTextTest::valuesAtTheEdges()
{
    QCOMPARE(numeric_value("2.5"), std::optional<double>(2.5));
    QCOMPARE(numeric_value(" .5 "), std::optional<double>(0.5));
    QCOMPARE(numeric_value("1e308"), std::optional<double>(1e308));
    QCOMPARE(numeric_value("1.7976931348623157e308"), std::optional<double>(DBL_MAX));
    QVERIFY(!numeric_value("1.8e308"));
    QVERIFY(!numeric_value(std::string(400, '1')));
    QVERIFY(!numeric_value("1e99999999999999999999"));
    QCOMPARE(numeric_value("1e-400"), std::optional<double>(0.0));
    QCOMPARE(numeric_value("1e-99999999999999999999"), std::optional<double>(0.0));
    const auto negative_zero = numeric_value("-0");
    QVERIFY(negative_zero && *negative_zero == 0.0);
    QCOMPARE(numeric_value("2.2250738585072014e-308"), std::optional<double>(DBL_MIN));
    QCOMPARE(numeric_value("4.9406564584124654e-324"), std::optional<double>(std::numeric_limits<double>::denorm_min()));
}

void NumberTextTest::agreesWithReferenceOnGeneratedTexts()
{
    const std::uint64_t seed = env_number("TRESSIK_NUMBERTEXT_SEED", 20240611);
    const std::uint64_t count = env_number("TRESSIK_NUMBERTEXT_COUNT", 30000);
    qInfo("seed %llu, %llu texts (TRESSIK_NUMBERTEXT_SEED, TRESSIK_NUMBERTEXT_COUNT)",
          static_cast<unsigned long long>(seed), static_cast<unsigned long long>(count));
    TextMaker maker(seed);
    std::uint64_t numeric = 0, in_range = 0, halves = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::string text = maker.next();
        const std::optional<double> expected = reference::value(text);
        const std::optional<double> actual = numeric_value(text);
        // strtold goes through long double first; allow the one-unit difference that can make.
        const bool same_value = expected.has_value() == actual.has_value()
            && (!expected || *expected == *actual || std::nextafter(*expected, *actual) == *actual);
        if (!same_value)
            QFAIL(("numeric_value(" + shown(text) + ") = " + shown(actual) + ", expected " + shown(expected)).c_str());

        const std::optional<std::int16_t> expected16 = expected ? reference::round_half_even(*expected) : std::nullopt;
        const std::optional<std::int16_t> actual16 = text_to_int16(text);
        if (expected16 != actual16)
            QFAIL(("text_to_int16(" + shown(text) + ") = " + shown(actual16) + ", expected " + shown(expected16)).c_str());

        numeric += expected.has_value();
        in_range += expected16.has_value();
        halves += expected && expected16 && std::fabs(*expected - std::trunc(*expected)) == 0.5;
    }
    qInfo("%llu numeric, %llu with a 16-bit value, %llu halves", static_cast<unsigned long long>(numeric),
          static_cast<unsigned long long>(in_range), static_cast<unsigned long long>(halves));
    // The generator must reach every class, or the comparison proves little.
    QVERIFY(numeric > count / 4 && numeric < count - count / 10);
    QVERIFY(in_range > count / 10);
    QVERIFY(halves > count / 100);
}

void NumberTextTest::roundingAgreesWithReferenceOnDoubles()
{
    std::vector<double> values = {0.0, -0.0, 0.5, -0.5, 1.5, -1.5, 2.5, -2.5, 32766.5, 32767.5, -32767.5, -32768.5,
                                  -32769.5, 32768.5, 1e300, -1e300, DBL_MAX, -DBL_MAX, DBL_MIN, -DBL_MIN,
                                  std::numeric_limits<double>::denorm_min(),
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN(), 4503599627370496.5, 9007199254740993.0};
    for (int k = -32770; k <= 32770; ++k) {
        const double half = k + 0.5;
        values.push_back(k);
        values.push_back(half);
        values.push_back(std::nextafter(half, 0.0));
        values.push_back(std::nextafter(half, half < 0 ? -1e9 : 1e9));
    }
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> spread(-40000.0, 40000.0);
    for (int i = 0; i < 20000; ++i)
        values.push_back(spread(rng));

    for (const double v : values) {
        const auto expected = reference::round_half_even(v);
        const auto actual = round_to_int16(v);
        if (expected != actual)
            QFAIL(("round_to_int16(" + shown(std::optional<double>(v)) + ") = " + shown(actual) + ", expected "
                   + shown(expected))
                      .c_str());
    }
}

QTEST_APPLESS_MAIN(NumberTextTest)
#include "tst_numbertext.moc"
