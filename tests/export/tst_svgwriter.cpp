#include "FigureFiles.h"
#include "MemoryOutput.h"

#include "core/NullSink.h"
#include "core/SideEntry.h"
#include "export/FigureExport.h"
#include "export/SvgWriter.h"

#include <QTemporaryDir>

namespace {

// The paths of a drawing: what follows the group's opening line, up to its end.
QByteArray paths_of(const std::vector<char>& bytes)
{
    const QByteArray file(bytes.data(), qsizetype(bytes.size()));
    const qsizetype start = file.indexOf("\">\n", file.indexOf("<g ")) + 3;
    return file.mid(start, file.indexOf("</g>") - start);
}

} // namespace

class SvgWriterTest : public QObject {
    Q_OBJECT

private slots:
    // A run of one colour is cut into paths of so many strings; a new colour starts a path.
    // String i goes from (i, 0) to (i, 1): y turned downward.
    void runs_cut_into_paths_data()
    {
        QTest::addColumn<int>("per_path"); // 0: the writer's own
        QTest::addColumn<QList<int>>("runs"); // strings in red, then in blue, ...
        QTest::addColumn<int>("paths");
        QTest::addColumn<QByteArray>("excerpt");
        const QByteArray red = "<path stroke=\"#ff0000\" d=\"", blue = "<path stroke=\"#0000ff\" d=\"";
        QTest::newRow("five, two to a path") << 2 << QList<int>{5} << 3
                                             << red + "M0 0L0 -1M1 0L1 -1\"/>\n" + red + "M2 0L2 -1M3 0L3 -1\"/>\n" + red
                + "M4 0L4 -1\"/>\n";
        QTest::newRow("a new colour starts a path") << 2 << QList<int>{3, 1} << 3
                                                    << red + "M0 0L0 -1M1 0L1 -1\"/>\n" + red + "M2 0L2 -1\"/>\n" + blue
                + "M3 0L3 -1\"/>\n";
        QTest::newRow("fifty to a path") << 0 << QList<int>{101} << 3
                                         << "M49 0L49 -1\"/>\n" + red + "M50 0L50 -1M51 0L51 -1";
    }

    void runs_cut_into_paths()
    {
        QFETCH(int, per_path);
        QFETCH(QList<int>, runs);
        QFETCH(int, paths);
        QFETCH(QByteArray, excerpt);
        FigureFrame frame;
        frame.min_x = frame.min_y = 0;
        frame.max_x = frame.max_y = 1;
        MemoryOutput out;
        SvgWriter svg(out, frame, per_path > 0 ? per_path : SvgWriter::kStringsPerPath);
        int i = 0;
        for (std::size_t k = 0; k < std::size_t(runs.size()); ++k) {
            svg.pen(k % 2 ? rgb(0, 0, 255) : rgb(255, 0, 0));
            std::vector<ReplayedString> batch;
            for (int n = 0; n < runs[qsizetype(k)]; ++n, ++i)
                batch.push_back({double(i), 0, double(i), 1});
            QVERIFY(svg.strings(batch));
        }
        QVERIFY(svg.finish());
        const QByteArray written = paths_of(out.bytes());
        QCOMPARE(written.count("<path"), paths);
        if (per_path > 0)
            QCOMPARE(written, excerpt);
        else
            QVERIFY2(written.contains(excerpt), written.left(300).constData());
    }

    // The rosette of 40,000 one-colour strings that librsvg could not draw in 180 s when it
    // was four paths: read back in well under the limit on any machine.
    void rosette_read_by_rsvg_convert()
    {
        Module1 state;
        state.subdivs = 20;
        state.palette.fill(rgb(255, 0, 0));
        NullSink nowhere;
        for (auto [x, y] : {std::pair{300.f, 60.f}, {100.f, 60.f}, {100.f, 60.f}, {100.f, 240.f}})
            enter_point(state, nowhere, x, y);
        MemoryOutput out;
        const ExportResult result = write_figure(FigureFormat::Svg, state, 2000, out);
        QCOMPARE(result.strings, 40000LL);
        QTemporaryDir dir;
        write_file(dir.filePath("rosette.svg"),
                   QByteArray(out.bytes().data(), qsizetype(out.bytes().size())));
        QVERIFY(figures::run("rsvg-convert", {"-o", dir.filePath("rosette.png"), dir.filePath("rosette.svg")},
                             nullptr, 120000));
    }
};

QTEST_GUILESS_MAIN(SvgWriterTest)
#include "tst_svgwriter.moc"
