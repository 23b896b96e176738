#include "FigureFiles.h"
#include "MemoryOutput.h"

#include "core/NullSink.h"
#include "core/SideEntry.h"
#include "export/FigureExport.h"
#include "export/SvgWriter.h"

#include <QTemporaryDir>

class SvgWriterTest : public QObject {
    Q_OBJECT

private slots:
    // A run of one colour is cut into paths of so many strings; a new colour starts a path.
    // String i goes from (i, 0) to (i, 1), y turned downward; runs alternate red and blue.
    void runs_cut_into_paths_data()
    {
        QTest::addColumn<int>("per_path");
        QTest::addColumn<QList<int>>("runs");
        QTest::addColumn<QByteArray>("excerpt"); // from the first path on
        const QByteArray red = "<path stroke=\"#ff0000\" d=\"", blue = "<path stroke=\"#0000ff\" d=\"";
        QTest::newRow("two to a path, then blue") << 2 << QList<int>{3, 1}
                                                  << red + "M0 0L0 -1M1 0L1 -1\"/>\n" + red + "M2 0L2 -1\"/>\n" + blue
                + "M3 0L3 -1\"/>\n</g>";
        QTest::newRow("the writer's fifty") << int(SvgWriter::kStringsPerPath) << QList<int>{101}
                                            << "M49 0L49 -1\"/>\n" + red + "M50 0L50 -1M51 0L51 -1";
    }

    void runs_cut_into_paths()
    {
        QFETCH(int, per_path);
        QFETCH(QList<int>, runs);
        QFETCH(QByteArray, excerpt);
        FigureFrame frame;
        frame.min_x = frame.min_y = 0;
        MemoryOutput out;
        SvgWriter svg(out, frame, per_path);
        for (int k = 0, i = 0; k < runs.size(); ++k) {
            svg.pen(k % 2 ? rgb(0, 0, 255) : rgb(255, 0, 0));
            std::vector<ReplayedString> batch;
            for (int n = 0; n < runs[k]; ++n, ++i)
                batch.push_back({double(i), 0, double(i), 1});
            QVERIFY(svg.strings(batch));
        }
        QVERIFY(svg.finish());
        const QByteArray file(out.bytes().data(), qsizetype(out.bytes().size()));
        QVERIFY2(file.contains(excerpt), file.constData());
        QCOMPARE(file.count("<path"), 3); // 2 + 1 and 1, or 50 + 50 + 1
        QVERIFY(per_path != 2 || file.indexOf("<path") == file.indexOf(excerpt));
    }

    // The rosette of 40,000 one-colour strings that librsvg could not draw in 180 s when it
    // was four paths: read back in well under the limit on any machine.
    void rosette_read_by_rsvg_convert()
    {
        Module1 state;
        state.subdivs = 20;
        NullSink nowhere;
        for (auto [x, y] : {std::pair{300.f, 60.f}, {100.f, 60.f}, {100.f, 60.f}, {100.f, 240.f}})
            enter_point(state, nowhere, x, y);
        MemoryOutput out;
        QCOMPARE(write_figure(FigureFormat::Svg, state, 2000, out).strings, 40000LL);
        QTemporaryDir dir;
        write_file(dir.filePath("r.svg"), QByteArray(out.bytes().data(), qsizetype(out.bytes().size())));
        QVERIFY(figures::run("rsvg-convert", {"-o", dir.filePath("r.png"), dir.filePath("r.svg")}, nullptr, 120000));
    }
};

QTEST_GUILESS_MAIN(SvgWriterTest)
#include "tst_svgwriter.moc"
