#include "app/WindowIcon.h"

#include <QTest>

class WindowIconTest : public QObject {
    Q_OBJECT

private slots:
    void carries_every_size_of_the_icon_set()
    {
        const QIcon icon = window_icon();
        QList<QSize> sizes = icon.availableSizes();
        std::sort(sizes.begin(), sizes.end(), [](QSize a, QSize b) { return a.width() < b.width(); });
        QCOMPARE(sizes, (QList<QSize>{{16, 16}, {32, 32}, {48, 48}, {64, 64}, {128, 128}, {256, 256}}));
        // A title bar's 16 pixels come from the drawn 16-pixel image, not a scaled 256.
        QCOMPARE(icon.pixmap(16).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 QImage(QStringLiteral(":/icons/tressik-16.png")).convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }
};

QTEST_MAIN(WindowIconTest)
#include "tst_windowicon.moc"
