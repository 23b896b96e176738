// The canvas on a screen of two device pixels per widget pixel: strings one device pixel
// wide where the mapping puts them, clicks still in logical units.

#include "canvas/canvas.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

class CanvasHighDensityTest : public QObject {
    Q_OBJECT

private slots:
    void the_image_holds_device_pixels()
    {
        canvas c;
        c.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c));
        QCOMPARE(c.devicePixelRatioF(), 2.0);
        QCOMPARE(c.size(), QSize(412, 282));
        QCOMPARE(c.image().size(), QSize(824, 564));
        QCOMPARE(c.image().devicePixelRatio(), 2.0);
    }

    void a_diagonal_string_is_one_device_pixel_wide()
    {
        canvas c;
        c.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c));
        const QRgb white = c.image().pixel(0, 0);
        c.set_colour(rgb(255, 0, 0));
        // Under the resize mapping on 824 x 564 device pixels (-450, 250) is pixel (103, 141)
        // and (450, -250) is (721, 423): 618 across, 282 down, so one pixel in each column.
        c.line(-450, 250, 450, -250);
        const QImage& image = c.image();
        int inked = 0;
        for (int x = 0; x < image.width(); ++x) {
            int in_column = 0;
            for (int y = 0; y < image.height(); ++y)
                in_column += image.pixel(x, y) != white;
            QCOMPARE(in_column, x >= 103 && x <= 721 ? 1 : 0);
            inked += in_column;
        }
        QCOMPARE(inked, 619);
        const QRgb red = qRgb(255, 0, 0);
        QCOMPARE(image.pixel(103, 141), red);
        QCOMPARE(image.pixel(412, 282), red); // the middle, (0, 0)
        QCOMPARE(image.pixel(721, 423), red);
        // 309 columns past the start the line has come down 309 * 282 / 618 = 141 rows.
        QCOMPARE(image.pixel(258, 212), red); // 155 columns: 70.7 rows down, row 212
    }

    void clicks_arrive_in_logical_units()
    {
        canvas c;
        c.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c));
        QSignalSpy spy(&c, &canvas::mouseUp);
        QTest::mouseRelease(&c, Qt::LeftButton, {}, QPoint(206, 141));
        QTest::mouseRelease(&c, Qt::LeftButton, {}, QPoint(0, 282)); // (0, 0) would mean the centre
        QCOMPARE(spy.size(), 2);
        QCOMPARE(spy[0][2].toFloat(), 0.0f);
        QCOMPARE(spy[0][3].toFloat(), 0.0f);
        QCOMPARE(spy[1][2].toFloat(), -600.0f);
        QCOMPARE(spy[1][3].toFloat(), -500.0f);
    }

    void the_window_shows_the_fine_pixels()
    {
        canvas c;
        c.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c));
        c.set_colour(rgb(0, 0, 255));
        c.line(-600, 250, 600, 250); // device row 141, between widget rows 70 and 71
        const QImage shown = c.grab().toImage();
        QCOMPARE(shown.size(), QSize(824, 564));
        QCOMPARE(shown.pixel(500, 141), qRgb(0, 0, 255));
        QCOMPARE(shown.pixel(500, 140), c.image().pixel(500, 140));
        QCOMPARE(shown.pixel(500, 142), c.image().pixel(500, 142));
    }
};

int main(int argc, char** argv)
{
    // Two device pixels per widget pixel, as on a high-density screen.
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    CanvasHighDensityTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_canvas.moc"
