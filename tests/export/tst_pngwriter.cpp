// A kaleidoscope's PNG is drawn as the canvas draws it, all copies at once (last first where
// the copies lie under a pixel apart), and leaves the very pixels of the plain Raster turning
// and drawing the copies one after the other on an image of the PNG's size.

#include "core/Kaleidoscope.h"
#include "export/FigureFrame.h"
#include "export/PngWriter.h"
#include "raster/Raster.h"
#include "raster/WorkerPool.h"

#include "FigureFiles.h"
#include "MemoryOutput.h"

#include <QImage>
#include <QTest>

#include <cmath>

class PngWriterTest : public QObject {
    Q_OBJECT

private slots:
    void copies_as_the_plain_raster_draws_them_data()
    {
        QTest::addColumn<int>("copies");
        QTest::addColumn<int>("workers");
        // The rim lies about 75 pixels out: 2 pi 75 = 471 copies and more go last first.
        for (int workers : {1, 2}) {
            QTest::addRow("36 copies, forward, %d workers", workers) << 36 << workers;
            QTest::addRow("600 copies, last first, %d workers", workers) << 600 << workers;
        }
    }

    void copies_as_the_plain_raster_draws_them()
    {
        QFETCH(int, copies);
        QFETCH(int, workers);
        // Fans along a star polygon {7/3} reaching 200 units from the origin, 8 points a side:
        // every angle covered, so its copies close their rings.
        figures::Points points;
        for (int side = 0; side < 8; ++side) {
            const double a = 6.283185307179586 * ((side * 3) % 7) / 7;
            const double b = 6.283185307179586 * ((side * 3 + 3) % 7) / 7;
            for (int i = 0; i < 8; ++i)
                points.push_back({float(200 * (std::cos(a) + (std::cos(b) - std::cos(a)) * i / 7)),
                                  float(200 * (std::sin(a) + (std::sin(b) - std::sin(a)) * i / 7))});
        }
        const Module1 m = figures::figure(points, 8, rgb(200, 0, 0));
        ReplayResult replay;
        WorkerPool pool(workers);
        const FigureFrame frame = measure_figure(m, copies, {}, replay, pool);
        PngWriter png(frame, 1, pool);
        const FigureStrings f = *whole_figure(m, copies);
        const std::vector<Turn> turns = copy_turns(copies);
        QCOMPARE(png.draw_copies({f.strings, f.runs, turns}, {}), copies);
        MemoryOutput out;
        QVERIFY(out.open() && png.finish(out));
        const QImage saved = QImage::fromData(reinterpret_cast<const uchar*>(out.bytes().data()),
                                              int(out.bytes().size()), "PNG");
        QCOMPARE(saved.size(), QSize(png.width(), png.height()));

        std::vector<std::uint32_t> plain(std::size_t(png.width()) * std::size_t(png.height()), 0xffffffu);
        Raster raster(plain.data(), png.width(), png.height(), png.width());
        for (const Turn& t : turns)
            for (std::size_t r = 0, at = 0; r < f.runs.size(); at += f.runs[r++].count)
                raster.turned_lines(std::span(f.strings).subspan(at, f.runs[r].count), t, png.map(),
                                    std::uint32_t(f.runs[r].colour));
        int ink = 0;
        for (int y = 0; y < png.height(); ++y)
            for (int x = 0; x < png.width(); ++x) {
                const std::uint32_t p = plain[std::size_t(y) * std::size_t(png.width()) + std::size_t(x)];
                const QRgb expected = qRgb(int(p & 0xff), int(p >> 8 & 0xff), int(p >> 16 & 0xff));
                QCOMPARE(saved.pixel(x, y), expected);
                ink += expected != qRgb(255, 255, 255);
            }
        QVERIFY(ink > 1000);
    }
};

QTEST_GUILESS_MAIN(PngWriterTest)
#include "tst_pngwriter.moc"
