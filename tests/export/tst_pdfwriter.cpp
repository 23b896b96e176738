#include "FigureFiles.h"
#include "MemoryOutput.h"

#include "export/PdfWriter.h"

#include <QTemporaryDir>

namespace {

QByteArray written(const Module1& m, int copies, std::uint64_t stream_limit)
{
    MemoryOutput out;
    ReplayResult replay;
    PdfWriter pdf(out, measure_figure(m, copies, {}, replay), PdfWriter::kLevel, stream_limit);
    replay_strings(m, copies, pdf);
    if (!pdf.finish())
        qFatal("the PDF was not written");
    return QByteArray(out.bytes().data(), qsizetype(out.bytes().size()));
}

} // namespace

class PdfWriterTest : public QObject {
    Q_OBJECT

private slots:
    // A content stream that would pass the limit is ended and another begun; the page shows
    // them as one, and qpdf finds the file sound.
    void long_content_is_split_into_streams()
    {
        figures::Points ring;
        for (int i = 0; i < 200; ++i)
            ring.emplace_back(float(300 * std::cos(i * 0.1)), float(300 * std::sin(i * 0.1)));
        const Module1 m = figures::figure(ring, 20);
        const QByteArray whole = written(m, 3, PdfWriter::kStreamLimit), split = written(m, 3, 1000);
        std::vector<qsizetype> whole_lengths, lengths;
        const QByteArray content = figures::pdf_content(whole, &whole_lengths);
        QCOMPARE(whole_lengths.size(), std::size_t(1));
        QVERIFY(content.size() > 3 * 180 * 20);
        QCOMPARE(figures::pdf_content(split, &lengths), content);
        QVERIFY2(lengths.size() >= 4, qPrintable(QString::number(lengths.size())));
        for (qsizetype length : lengths)
            QVERIFY(length <= 1000);
        QVERIFY(split.contains("/Contents[1 0 R 3 0 R 5 0 R 7 0 R"));

        QTemporaryDir dir;
        write_file(dir.filePath("split.pdf"), split);
        QVERIFY(figures::run("qpdf", {"--check", dir.filePath("split.pdf")}));
    }
};

QTEST_GUILESS_MAIN(PdfWriterTest)
#include "tst_pdfwriter.moc"
