#include "FigureFiles.h"
#include "MemoryOutput.h"

#include "export/PdfWriter.h"

#include <QRegularExpression>
#include <QTemporaryDir>

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

// What the forms stroke, line by line as "colour: string": a form starts in the page's state,
// so a string it does not stroke itself is lost, and is listed as such.
QStringList stroked(const std::vector<QByteArray>& forms)
{
    QStringList lines;
    for (const QByteArray& form : forms) {
        QString colour = "unset";
        QStringList path;
        for (const QByteArray& line : form.split('\n')) {
            if (line.endsWith(" RG"))
                colour = QString::fromLatin1(line);
            else if (line.endsWith(" l"))
                path << QString::fromLatin1(line);
            else if (line == "S") {
                for (const QString& s : path)
                    lines << colour + ": " + s;
                path.clear();
            }
        }
        for (const QString& s : path)
            lines << "not stroked: " + s;
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
        std::vector<QByteArray> forms = figures::pdf_streams(file), one = figures::pdf_streams(whole);
        const QByteArray page = forms.back();
        forms.pop_back();
        one.pop_back();
        QCOMPARE(one.size(), std::size_t(1));
        QCOMPARE(stroked(one).size(), 3 * 180);
        QCOMPARE(stroked(forms), stroked(one));
        // A form ends at the first string past its size: a line and a stroke more at most.
        for (const QByteArray& form : forms)
            QVERIFY2(form.size() <= piece + 64, qPrintable(QString::number(form.size())));
        QString draws;
        for (std::size_t i = 1; i <= forms.size(); ++i)
            draws += QString("/F%1 Do\n").arg(i);
        QVERIFY(QString::fromLatin1(page).endsWith(" w 1 J 1 j\n" + draws));
        if (piece == 1000) {
            QVERIFY2(forms.size() >= 20, qPrintable(QString::number(forms.size())));
            QVERIFY(file.contains("/XObject<</F1 1 0 R/F2 2 0 R/F3 3 0 R"));
            QCOMPARE(file, written(m, 3, 1000, 2));
        }
        QTemporaryDir dir;
        write_file(dir.filePath("forms.pdf"), file);
        QVERIFY(figures::run("qpdf", {"--check", dir.filePath("forms.pdf")}));
    }
};

QTEST_GUILESS_MAIN(PdfWriterTest)
#include "tst_pdfwriter.moc"
