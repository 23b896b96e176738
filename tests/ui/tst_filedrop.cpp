#include "ui/FileDrop.h"

#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <QWidget>

class FileDropTest : public QObject {
    Q_OBJECT

private slots:
    void takes_the_first_local_file_data()
    {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<QString>("dropped");
        QTest::newRow("a file") << QList<QUrl>{QUrl::fromLocalFile("/tmp/fan.svg")} << "/tmp/fan.svg";
        QTest::newRow("the first local one")
            << QList<QUrl>{QUrl("https://example.org/a.svg"), QUrl::fromLocalFile("/tmp/b c.png"),
                           QUrl::fromLocalFile("/tmp/d.pdf")}
            << "/tmp/b c.png";
        QTest::newRow("no file: refused") << QList<QUrl>{QUrl("https://example.org/a.svg")} << "";
    }

    void takes_the_first_local_file()
    {
        QFETCH(QList<QUrl>, urls);
        QFETCH(QString, dropped);
        QWidget window;
        FileDrop drop;
        drop.watch(&window);
        QVERIFY(window.acceptDrops());
        QSignalSpy spy(&drop, &FileDrop::dropped);
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &enter);
        QCOMPARE(enter.isAccepted(), !dropped.isEmpty());
        QDropEvent event(QPointF(1, 1), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &event);
        QCOMPARE(spy.size(), dropped.isEmpty() ? 0 : 1);
        if (!dropped.isEmpty())
            QCOMPARE(spy.front().front().toString(), dropped);
    }
};

QTEST_MAIN(FileDropTest)
#include "tst_filedrop.moc"
