#include "core/Module1.h"
#include "export/SavedFigure.h"

#include <QTest>

#include <array>
#include <cmath>

namespace {

// Three points, one of them a negative zero and one the smallest float there is.
const std::array<Colour, 8> kPalette = {rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255), 0, kMaxColour, rgb(1, 2, 3),
                                        rgb(10, 11, 12), rgb(16, 32, 48)};
const SavedFigure kWorkedFigure{.point_x = {0.f, -1.5f, 0.1f}, .point_y = {-0.f, 2.25f, 1e-45f}, .subdivs = 12,
                                .kaleidoscope_on = true, .copies_text = "7 <x>%\n", .copies = 7, .palette = kPalette,
                                .chips = {rgb(0xab, 0xcd, 0xef), rgb(0, 255, 0), rgb(0, 0, 255), 0, kMaxColour,
                                          rgb(1, 2, 3), rgb(10, 11, 12), rgb(16, 32, 48)},
                                .pixel_ratio = 1.5};

const QByteArray kWorkedBlock = "tressik-figure 1\n"
                                "subdivs 12\n"
                                "copies-box 7 %3Cx%3E%25%0A\n"
                                "copies 7\n"
                                "kaleidoscope on\n"
                                "side-open no\n"
                                "palette #ff0000 #00ff00 #0000ff #000000 #ffffff #010203 #0a0b0c #102030\n"
                                "chips #abcdef #00ff00 #0000ff #000000 #ffffff #010203 #0a0b0c #102030\n"
                                "pixel-ratio 1.5\n"
                                "points 3\n"
                                "0 -0\n"
                                "-1.5 2.25\n"
                                "0.1 1e-45\n"
                                "end\n";

// The worked block with line `number` (from 1) replaced by `text`, or left out when it is null.
QByteArray with_line(int number, const char* text)
{
    QList<QByteArray> lines = kWorkedBlock.split('\n');
    if (text)
        lines[number - 1] = text;
    else
        lines.removeAt(number - 1);
    return lines.join('\n');
}

} // namespace

class SavedFigureTest : public QObject {
    Q_OBJECT

private slots:
    void worked_block_both_ways()
    {
        QCOMPARE(QByteArray::fromStdString(figure_block(kWorkedFigure)), kWorkedBlock);
        const BlockReading read = parse_figure_block(kWorkedBlock.toStdString());
        QCOMPARE(QString::fromStdString(read.cause), QString());
        QVERIFY(read.figure && *read.figure == kWorkedFigure);
        QVERIFY(std::signbit(read.figure->point_y[0]));
    }

    void bad_blocks_refused_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<QString>("cause");
        QTest::newRow("not a block") << QByteArray("<svg>\n") << "it is not a Tressik figure block";
        QTest::newRow("newer") << with_line(1, "tressik-figure 2")
            << "it was made by a newer Tressik (figure format 2; this one reads 1)";
        QTest::newRow("no end") << with_line(14, nullptr) << "the figure block is cut short";
        QTest::newRow("a point short") << with_line(13, nullptr) << "the figure block is cut short";
        QTest::newRow("bad value") << with_line(5, "kaleidoscope maybe") << "line 5 of the figure block is malformed";
        QTest::newRow("unescaped") << with_line(3, "copies-box <7>") << "line 3 of the figure block is malformed";
        QTest::newRow("unknown item") << with_line(4, "colour 7") << "line 4 of the figure block has an unknown item";
        QTest::newRow("item missing") << with_line(4, nullptr)
            << "line 4 of the figure block gives kaleidoscope where copies belongs";
        QTest::newRow("too many points") << with_line(10, "points 5002") << "it has more than 5001 points";
        QTest::newRow("infinite") << with_line(12, "-1.5 inf")
            << "line 12 of the figure block holds a number that is not finite";
        QTest::newRow("subdivs") << with_line(2, "subdivs 32768")
            << "line 2 of the figure block holds a number out of range";
        QTest::newRow("beyond a float") << with_line(11, "1e39 0")
            << "line 11 of the figure block holds a number out of range";
        QTest::newRow("after the end") << kWorkedBlock + "x" << "line 15 of the figure block follows its end";
        QTest::newRow("too long") << with_line(3, "copies-box ") + QByteArray(256 * 1024, 'x')
                                  << "the figure block is larger than 256 KB";
    }

    void bad_blocks_refused()
    {
        QFETCH(QByteArray, block);
        QFETCH(QString, cause);
        const BlockReading read = parse_figure_block(block.toStdString());
        QVERIFY(!read.figure);
        QCOMPARE(QString::fromStdString(read.cause), cause);
    }
};

QTEST_GUILESS_MAIN(SavedFigureTest)
#include "tst_savedfigure.moc"
