#include "FigureFiles.h"
#include "MemoryOutput.h"
#include "ScriptedOutput.h"

#include "export/FigureExport.h"
#include "export/SaveCommand.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <limits>

using figures::figure;

Q_DECLARE_METATYPE(FigureFormat)

namespace {

QByteArray exported(FigureFormat format, const Module1& m, double ratio = 1, ExportResult* result = nullptr,
                    const SavedFigure* carried = nullptr)
{
    MemoryOutput out;
    const ExportResult r = write_figure(format, m, 1, out, ratio, {}, carried);
    if (result)
        *result = r;
    return QByteArray(out.bytes().data(), qsizetype(out.bytes().size()));
}

// Two sides of three points: up the y axis, then right along y = 20.
Module1 two_sides()
{
    return figure({{0, 0}, {0, 10}, {0, 20}, {0, 20}, {15.25f, 20}, {30.5f, 20}}, 3, rgb(255, 165, 0));
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();

} // namespace

class FigureExportTest : public QObject {
    Q_OBJECT

private slots:
    // Box 0..30.5 by 0..20, widened by 4/3 each side (half of 1/96 inch at 256 to the inch):
    // 33.167 by 22.667 units from (-1.333, -1.333); 0.129557 by 0.088542 inches, 9.328 by
    // 6.375 points, 0.28125 points to the unit. The PDF's strings are a form in whole units
    // about the box, which the page draws.
    void two_sides_written_out_data()
    {
        QTest::addColumn<FigureFormat>("format");
        QTest::addColumn<QByteArray>("text"); // the file, or the PDF's content
        QTest::newRow("SVG") << FigureFormat::Svg
                             << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                           "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" "
                                           "width=\"0.129557in\" height=\"0.088542in\" "
                                           "viewBox=\"-1.333 -21.333 33.167 22.667\">\n"
                                           "<rect x=\"-1.333\" y=\"-21.333\" width=\"33.167\" height=\"22.667\" "
                                           "fill=\"#ffffff\"/>\n"
                                           "<g fill=\"none\" stroke-width=\"2.667\" stroke-linecap=\"round\" "
                                           "stroke-linejoin=\"round\">\n"
                                           "<path stroke=\"#ffa500\" d=\"M0 0L0 -20M0 -10L15.25 -20M0 -20L30.5 -20\"/>\n"
                                           "</g>\n</svg>\n");
        QTest::newRow("PDF") << FigureFormat::Pdf
                             << QByteArray("1 0.647 0 RG\n"
                                           "0 0 m 0 20 l\n0 10 m 15.25 20 l\n0 20 m 30.5 20 l\nS\n"
                                           "1 1 1 rg 0 0 9.328 6.375 re f\n"
                                           "0.28125 0 0 0.28125 0.375 0.375 cm\n"
                                           "2.667 w 1 J 1 j\n"
                                           "/F1 Do\n");
    }

    void two_sides_written_out()
    {
        QFETCH(FigureFormat, format);
        QFETCH(QByteArray, text);
        const QByteArray file = exported(format, two_sides());
        QCOMPARE(format == FigureFormat::Pdf ? figures::pdf_content(file) : file, text);
        if (format == FigureFormat::Pdf)
            QVERIFY(file.contains("/MediaBox[0 0 9.328 6.375]/Resources<</XObject<</F1 1 0 R>>>>")
                    && file.contains("/BBox[-2 -2 32 22]"));
    }

    // Independent readers draw the fan right way up at its own proportions, and pass over the
    // figure's block when the file carries one.
    void readers_show_it_right_way_up_data()
    {
        QTest::addColumn<FigureFormat>("format");
        QTest::addColumn<QRectF>("box"); // logical units, y up: the bottom left corner, width, height
        QTest::addColumn<bool>("carried");
        for (const auto& [name, format] : {std::pair{"SVG", FigureFormat::Svg}, std::pair{"PDF", FigureFormat::Pdf},
                                           std::pair{"PNG", FigureFormat::Png}}) {
            QTest::addRow("%s, wide", name) << format << QRectF(0, 0, 400, 300) << false;
            QTest::addRow("%s, tall, off the origin", name) << format << QRectF(-900, -700, 300, 900) << false;
            QTest::addRow("%s, carrying the figure", name) << format << QRectF(0, 0, 400, 300) << true;
        }
    }

    void readers_show_it_right_way_up()
    {
        QFETCH(FigureFormat, format);
        QFETCH(QRectF, box);
        QFETCH(bool, carried);
        QTemporaryDir dir;
        const QString file = dir.filePath("fan." + QString::fromLatin1(suffix_of(format)));
        const Module1 fan = figures::fan(box);
        const SavedFigure figure = figures::carried(fan);
        write_file(file, exported(format, fan, 1, nullptr, carried ? &figure : nullptr));
        const double proportion = box.width() / box.height();
        const QString png = dir.filePath("read.png");
        switch (format) {
        case FigureFormat::Svg:
            QVERIFY(figures::run("rsvg-convert", {"-o", png, file}));
            figures::check_ink(QImage(png), proportion);
            QVERIFY(figures::run("convert", {file, png})); // ImageMagick's own reading
            break;
        case FigureFormat::Pdf:
            QVERIFY(figures::run("qpdf", {"--check", file}));
            QVERIFY(figures::run("pdftoppm", {"-png", "-r", "96", "-singlefile", file, dir.filePath("read")}));
            break;
        default:
            QVERIFY(figures::run("pngcheck", {file}));
            QVERIFY(figures::run("convert", {file, png}));
            break;
        }
        figures::check_ink(QImage(png), proportion);
    }

    // A metafile has no room for the figure: the same bytes with it as without.
    void metafile_leaves_the_figure_out()
    {
        const SavedFigure figure = figures::carried(two_sides());
        QCOMPARE(exported(FigureFormat::Metafile, two_sides(), 1, nullptr, &figure),
                 exported(FigureFormat::Metafile, two_sides()));
    }

    // Framed on the box of the ends, widened and at least 1/24 inch each way; too large for
    // its format, scaled down.
    void framing_data()
    {
        QTest::addColumn<FigureFormat>("format");
        QTest::addColumn<QString>("drawn");
        QTest::addColumn<double>("ratio");
        QTest::addColumn<QString>("width"); // inches for SVG, points for PDF, pixels for PNG
        QTest::addColumn<QString>("height");
        QTest::addColumn<int>("inked"); // PNG pixels
        QTest::addColumn<bool>("scaled");
        using F = FigureFormat;
        QTest::newRow("one point, SVG") << F::Svg << "one point" << 1.0 << "0.041667" << "0.041667" << 0 << false;
        QTest::newRow("one point, PDF") << F::Pdf << "one point" << 1.0 << "3" << "3" << 0 << false;
        QTest::newRow("one point, PNG") << F::Png << "one point" << 1.0 << "4" << "4" << 1 << false;
        QTest::newRow("no strings, SVG") << F::Svg << "no strings" << 1.0 << "0.041667" << "0.041667" << 0 << false;
        QTest::newRow("no strings, PDF") << F::Pdf << "no strings" << 1.0 << "3" << "3" << 0 << false;
        QTest::newRow("no strings, PNG") << F::Png << "no strings" << 1.0 << "4" << "4" << 0 << false;
        QTest::newRow("no strings, PNG at twice") << F::Png << "no strings" << 2.0 << "8" << "8" << 0 << false;
        // 60000 units: 234.375 inches and a string's width.
        QTest::newRow("wide, SVG") << F::Svg << "wide" << 1.0 << "234.385417" << "0.041667" << 0 << false;
        QTest::newRow("wide, PDF") << F::Pdf << "wide" << 1.0 << "14400" << "3" << 0 << true;
        QTest::newRow("wide, PNG") << F::Png << "wide" << 1.0 << "16384" << "4" << 16384 << true;
    }

    void framing()
    {
        QFETCH(FigureFormat, format);
        QFETCH(QString, drawn);
        QFETCH(double, ratio);
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(int, inked);
        QFETCH(bool, scaled);
        const Module1 m = drawn == "one point" ? figure({{5, 5}, {5, 5}, {5, 5}, {5, 5}}, 2)
            : drawn == "wide"                  ? figure({{0, 0}, {60000, 0}}, 1)
                                               : figure({{5, 5}, {6, 6}}, 2);
        ExportResult result;
        const QByteArray file = exported(format, m, ratio, &result);
        QCOMPARE(result.scaled_down, scaled);
        const QString message = QString::fromStdString(saved_message(result, format));
        QCOMPARE(message.contains("scaled down to fit"), scaled); // a PNG's pixels, not its size:
        QCOMPARE(message.contains("pixels were scaled down to fit, not its size"), scaled && format == FigureFormat::Png);
        QStringList size;
        if (format == FigureFormat::Png) {
            const QImage image = QImage::fromData(file, "PNG");
            size = {QString::number(image.width()), QString::number(image.height())};
            // Scaled down, the density that keeps the SVG's size: 16384 / 234.385417 in / 0.0254.
            QCOMPARE(image.dotsPerMeterX(), scaled ? 2752 : qRound(96 * ratio / 0.0254));
            int ink = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    ink += image.pixel(x, y) != qRgb(255, 255, 255);
            QCOMPARE(ink, inked);
        } else {
            const auto pattern = format == FigureFormat::Svg ? QRegularExpression("width=\"([0-9.]+)in\" height=\"([0-9.]+)in\"")
                                                             : QRegularExpression("/MediaBox\\[0 0 ([0-9.]+) ([0-9.]+)\\]");
            const QRegularExpressionMatch match = pattern.match(QString::fromLatin1(file));
            QVERIFY2(match.hasMatch(), file.left(400).constData());
            size = {match.captured(1), match.captured(2)};
        }
        QCOMPARE(size, (QStringList{width, height}));
        if (drawn != "wide" && format == FigureFormat::Svg)
            QVERIFY(file.contains(drawn == "one point" ? "viewBox=\"-0.333 -10.333 10.667 10.667\""
                                                       : "viewBox=\"-5.333 -5.333 10.667 10.667\""));
    }

    // The same replay in every format: strings with an end that is not a finite number are
    // left out and counted; a write failure and a cancellation stop the export.
    void results_in_every_format_data()
    {
        QTest::addColumn<FigureFormat>("format");
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("message");
        // Two copies: the string is left out of each.
        const QString metafile = "The file was saved. 2 of its strings reached beyond the range a metafile can hold "
                                 "(-16383 to 16383 on either axis): 0 cut at its edge, 2 left out.";
        const QString other = "The file was saved. 2 strings have an end that is not a finite number and were left out.";
        for (const auto& [name, format] : {std::pair{"metafile", FigureFormat::Metafile}, std::pair{"SVG", FigureFormat::Svg},
                                           std::pair{"PDF", FigureFormat::Pdf}, std::pair{"PNG", FigureFormat::Png}}) {
            QTest::addRow("%s, not a number", name) << format << "NaN" << (format == FigureFormat::Metafile ? metafile : other);
            QTest::addRow("%s, write fails", name) << format << "write fails" << QString();
            QTest::addRow("%s, cancelled", name) << format << "cancel" << QString();
        }
    }

    void results_in_every_format()
    {
        QFETCH(FigureFormat, format);
        QFETCH(QString, event);
        QFETCH(QString, message);
        const Module1 m = figure({{0, 0}, {0, 10}, {kNaN, 20}, {0, 20}, {10, 20}, {20, 20}}, 3);
        ScriptedOutput out;
        out.fail_after_writes = event == "write fails" ? 0 : SIZE_MAX;
        std::vector<std::pair<int, int>> steps;
        const ExportResult result = write_figure(format, m, 2, out, 1, [&](int done, int total) {
            steps.emplace_back(done, total);
            return event != "cancel" || done < total - 1;
        });
        QCOMPARE(result.write_failed, event == "write fails");
        QCOMPARE(result.cancelled, event == "cancel");
        if (event == "NaN") {
            QCOMPARE(result.left_out, 2LL);
            QCOMPARE(result.strings, 4LL);
            QCOMPARE(QString::fromStdString(saved_message(result, format)), message);
            // Both replays report: the measuring one first.
            const int total = format == FigureFormat::Metafile ? 2 : 4;
            QCOMPARE(steps.back(), std::pair(total - 1, total));
            QCOMPARE(int(steps.size()), total);
        }
    }
};

QTEST_GUILESS_MAIN(FigureExportTest)
#include "tst_figureexport.moc"
