#include "FigureFiles.h"
#include "MemoryOutput.h"

#include "export/PdfWriter.h"

#include <QTemporaryDir>

namespace {

struct Pdf {
    QByteArray file;
    QByteArray content; // every stream inflated, in order
    std::vector<qsizetype> lengths;
};

Pdf written(const Module1& m, int copies, std::uint64_t stream_limit)
{
    MemoryOutput out;
    ReplayResult replay;
    const FigureFrame frame = measure_figure(m, copies, {}, replay);
    PdfWriter pdf(out, frame, PdfWriter::kLevel, stream_limit);
    replay_strings(m, copies, pdf);
    if (!pdf.finish())
        qFatal("the PDF was not written");
    Pdf result{QByteArray(out.bytes().data(), qsizetype(out.bytes().size())), {}, {}};
    for (qsizetype at = result.file.indexOf("stream\n"); at >= 0; at = result.file.indexOf("stream\n", at)) {
        at += 7;
        const qsizetype end = result.file.indexOf("\nendstream", at);
        result.lengths.push_back(end - at);
        result.content += qUncompress(QByteArray::fromHex("10000000") + result.file.mid(at, end - at));
        at = end + 10; // past "endstream"
    }
    return result;
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
        const Pdf whole = written(m, 3, PdfWriter::kStreamLimit);
        const Pdf split = written(m, 3, 1000);
        QCOMPARE(whole.lengths.size(), std::size_t(1));
        QVERIFY2(split.lengths.size() >= 4, qPrintable(QString::number(split.lengths.size())));
        for (qsizetype length : split.lengths)
            QVERIFY(length <= 1000);
        QVERIFY(whole.content.size() > 3 * 180 * 20);
        QCOMPARE(split.content, whole.content);
        QVERIFY(split.file.contains("/Contents[1 0 R 3 0 R 5 0 R 7 0 R"));

        QTemporaryDir dir;
        QFile file(dir.filePath("split.pdf"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(split.file) == split.file.size());
        file.close();
        QVERIFY(figures::run("qpdf", {"--check", file.fileName()}));
    }
};

QTEST_GUILESS_MAIN(PdfWriterTest)
#include "tst_pdfwriter.moc"
