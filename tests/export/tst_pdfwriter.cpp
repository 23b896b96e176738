#include "FigureFiles.h"
#include "MemoryOutput.h"

#include "export/PdfWriter.h"

#include <QTemporaryDir>

#include <utility>

namespace {

QByteArray written(const Module1& m, int copies, std::size_t piece_bytes, int workers)
{
    WorkerPool pool(workers);
    MemoryOutput out;
    ReplayResult replay;
    PdfWriter pdf(out, measure_figure(m, copies, {}, replay), pool, PdfWriter::kLevel, piece_bytes);
    replay_strings(m, copies, pdf);
    if (!pdf.finish())
        qFatal("the PDF was not written");
    return QByteArray(out.bytes().data(), qsizetype(out.bytes().size()));
}

// What the forms stroke, "colour: string" a line: a form starts in the page's state, so a
// string it does not stroke itself is lost, and listed so.
QStringList stroked(const std::vector<QByteArray>& forms)
{
    QStringList lines, path;
    for (const QByteArray& form : forms) {
        QString colour = "unset";
        for (const QString& line : QString::fromLatin1(form).split('\n'))
            if (line.endsWith(" RG"))
                colour = line;
            else if (line.endsWith(" l"))
                path << colour + ": " + line;
            else if (line == "S")
                lines << std::exchange(path, {});
        for (const QString& line : std::exchange(path, {}))
            lines << "lost " + line;
    }
    return lines;
}

} // namespace

class PdfWriterTest : public QObject {
    Q_OBJECT

private slots:
    // The content is cut into forms of about the piece's size, each starting with its colour
    // and stroking its own strings; together they stroke what one piece does, and the page
    // draws each once, in order. The bytes are the same on any number of workers.
    void content_in_forms_data()
    {
        QTest::addColumn<int>("piece");
        QTest::addColumn<int>("workers");
        QTest::newRow("one piece") << int(PdfWriter::kPieceBytes) << 2;
        QTest::newRow("pieces of 1000 bytes, one worker") << 1000 << 1;
        QTest::newRow("pieces of 1000 bytes, three workers") << 1000 << 3;
    }

    void content_in_forms()
    {
        QFETCH(int, piece);
        QFETCH(int, workers);
        figures::Points ring;
        for (int i = 0; i < 200; ++i)
            ring.emplace_back(float(300 * std::cos(i * 0.1)), float(300 * std::sin(i * 0.1)));
        const Module1 m = figures::figure(ring, 20);
        const QByteArray whole = written(m, 3, PdfWriter::kPieceBytes, 1), file = written(m, 3, std::size_t(piece), workers);
        std::vector<QByteArray> forms, one;
        figures::pdf_content(file, &forms), figures::pdf_content(whole, &one);
        const QByteArray page = forms.back();
        forms.pop_back();
        one.pop_back();
        QCOMPARE(stroked(one).size(), 3 * 180);
        QCOMPARE(stroked(forms), stroked(one));
        QString draws;
        for (std::size_t i = 1; i <= forms.size(); ++i) {
            draws += QString("/F%1 Do\n").arg(i);
            QVERIFY(forms[i - 1].size() <= piece + 64); // ends at the first string past its size
        }
        QVERIFY(QString::fromLatin1(page).endsWith(" w 1 J 1 j\n" + draws));
        QCOMPARE(forms.size() >= 20, piece == 1000);
        QVERIFY(piece != 1000 || (file.contains("/XObject<</F1 1 0 R/F2 2 0 R") && file == written(m, 3, 1000, 2)));
        QTemporaryDir dir;
        write_file(dir.filePath("forms.pdf"), file);
        QVERIFY(figures::run("qpdf", {"--check", dir.filePath("forms.pdf")}));
    }
};

QTEST_GUILESS_MAIN(PdfWriterTest)
#include "tst_pdfwriter.moc"
