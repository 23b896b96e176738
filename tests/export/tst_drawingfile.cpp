#include "FigureFiles.h"
#include "MemoryOutput.h"

#include "export/DrawingFile.h"
#include "export/FigureExport.h"

#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const Module1 kFan = figures::fan(QRectF(0, 0, 40, 30));

QByteArray saved(FigureFormat format, const Module1& m, const SavedFigure* figure, double ratio = 1)
{
    MemoryOutput out;
    write_figure(format, m, 3, out, ratio, {}, figure);
    return QByteArray(out.bytes().data(), qsizetype(out.bytes().size()));
}

QByteArray saved_with_figure(FigureFormat format)
{
    const SavedFigure figure = figures::carried(kFan);
    return saved(format, kFan, &figure);
}

const QString kNoFigure = "it holds no Tressik figure: it was not saved by Tressik, or by an older version";

} // namespace

class DrawingFileTest : public QObject {
    Q_OBJECT

private slots:
    void bad_files_refused_data()
    {
        QTest::addColumn<QString>("kind"); // how the path is made
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("cause");
        QTest::newRow("missing") << "missing" << QByteArray() << "it does not exist";
        QTest::newRow("no permission") << "unreadable" << QByteArray("<svg") << "no permission to read it";
        QTest::newRow("folder") << "folder" << QByteArray() << "it is a folder";
        QTest::newRow("named pipe") << "pipe" << QByteArray() << "it is a named pipe, not a file";
        QTest::newRow("device") << "device" << QByteArray() << "it is a character device, not a file";
        QTest::newRow("empty") << "file" << QByteArray() << "it is empty";
        QTest::newRow("not a drawing") << "file" << QByteArray("GIF89a") << "it is not an SVG, PDF or PNG file";
        QTest::newRow("SVG without a block") << "file" << saved(FigureFormat::Svg, kFan, nullptr) << kNoFigure;
        const QByteArray svg = saved_with_figure(FigureFormat::Svg);
        QTest::newRow("cut short") << "file" << svg.left(svg.indexOf("points")) << "the figure block is cut short";
        QTest::newRow("newer") << "file" << QByteArray(svg).replace("tressik-figure 1", "tressik-figure 2")
                               << "it was made by a newer Tressik (figure format 2; this one reads 1)";
        QTest::newRow("over the limit")
            << "file" << svg.left(svg.indexOf("points")) + QByteArray(300 * 1024, '0') + svg.mid(svg.indexOf("end\n"))
            << "the figure block is larger than 256 KB";
        QByteArray png = saved_with_figure(FigureFormat::Png);
        png[png.indexOf("subdivs 20")] = 'S';
        QTest::newRow("PNG checksum") << "file" << png << "the figure block is damaged: its checksum does not match";
    }

    void bad_files_refused()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, cause);
        QTemporaryDir dir;
        QString path = dir.filePath("drawing");
        if (kind == "file" || kind == "unreadable")
            write_file(path, bytes);
        if (kind == "unreadable") {
            if (geteuid() == 0)
                QSKIP("root reads any file");
            QVERIFY(chmod(path.toLocal8Bit(), 0) == 0);
        }
        if (kind == "pipe")
            QVERIFY(mkfifo(path.toLocal8Bit(), 0600) == 0);
        if (kind == "folder")
            path = dir.path();
        if (kind == "device")
            path = "/dev/null";
        const DrawingReading read = read_drawing(path.toStdString());
        QVERIFY(!read.figure);
        QCOMPARE(QString::fromStdString(read.cause), cause);
    }
};

QTEST_GUILESS_MAIN(DrawingFileTest)
#include "tst_drawingfile.moc"
