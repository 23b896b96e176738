// The canvas window: clicks in logical units under both mappings, strings kept as it is
// resized and cleared; then, in a second run of this program, the same window on a screen
// of two device pixels per widget pixel, where strings are one device pixel wide and clicks
// still arrive in logical units.

#include "canvas/canvas.h"
#include "core/DrawingSink.h"

#include <QApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <limits>

namespace {

// What the window shows, in device pixels.
QImage shown(canvas& c) { return c.grab().toImage().convertToFormat(QImage::Format_RGB32); }

bool exposed(canvas& c)
{
    c.show();
    return QTest::qWaitForWindowExposed(&c);
}

// Where a button released at `at` arrives, in logical units; nowhere unless it arrives once,
// with that button.
QPointF released(canvas& c, QPoint at, Qt::MouseButton button = Qt::LeftButton)
{
    QSignalSpy spy(&c, &canvas::mouseUp);
    QTest::mouseRelease(&c, button, {}, at);
    if (spy.size() != 1 || spy[0][0].toInt() != int(button))
        return {qQNaN(), qQNaN()};
    return {spy[0][2].toFloat(), spy[0][3].toFloat()};
}

int painted_pixels(const QImage& image, QRgb background)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) != background;
    return n;
}

} // namespace

class CanvasTest : public QObject {
    Q_OBJECT

private slots:
    // Run at both densities: clicks arrive in logical units whatever the device pixels.
    void clicks_arrive_in_logical_units_under_both_mappings()
    {
        canvas c;
        QVERIFY(exposed(c));
        QCOMPARE(c.size(), QSize(412, 282));
        // A new canvas is in the resize mapping.
        QCOMPARE(released(c, {206, 141}), QPointF(0, 0));
        QCOMPARE(released(c, {0, 282}, Qt::RightButton), QPointF(-600, -500)); // (0, 0) would mean the centre
        c.set_mapping(canvas::kStartupMapping);
        QCOMPARE(released(c, {412, 282}), QPointF(600, -600));
        QCOMPARE(released(c, {412, 0}), QPointF(600, 500));
        // A real resize brings the resize mapping back: the centre is (0, 0) again.
        c.resize(500, 300);
        QTRY_COMPARE(c.size(), QSize(500, 300));
        QCOMPARE(released(c, {250, 150}), QPointF(0, 0));
    }

    void strings_are_kept_when_the_window_shrinks_and_grows()
    {
        canvas c;
        QVERIFY(exposed(c));
        const QRgb white = shown(c).pixel(0, 0);
        c.drawing().set_colour(rgb(255, 0, 0));
        c.drawing().line(-600, 0, 600, 0); // across the middle
        c.drawing().dot(0, 400); // pixel (206, 141 - 400 * 282 / 1000) = (206, 28.2)
        const QRgb red = qRgb(255, 0, 0);
        QCOMPARE(shown(c).pixel(206, 141), red);
        QCOMPARE(shown(c).pixel(0, 141), red);
        QCOMPARE(shown(c).pixel(411, 141), red);
        QCOMPARE(shown(c).pixel(206, 28), red);
        const int painted = painted_pixels(shown(c), white);
        QCOMPARE(painted, 412 + 1);

        c.resize(100, 80);
        QTRY_COMPARE(c.size(), QSize(100, 80));
        c.resize(800, 600);
        QTRY_COMPARE(c.size(), QSize(800, 600));
        QCOMPARE(shown(c).pixel(411, 141), red);
        QCOMPARE(painted_pixels(shown(c), white), painted);
        // The image has grown with the window: a string across it reaches the far edge.
        c.drawing().line(-600, -400, 600, -400); // row 540
        QCOMPARE(shown(c).pixel(799, 540), red);
        QCOMPARE(painted_pixels(shown(c), white), painted + 800);
    }

    void clear_keeps_the_drawing_colour_and_empties_the_image()
    {
        canvas c;
        DrawingSink& d = c.drawing();
        const QColor text = c.palette().color(QPalette::Text);
        // The window is 412 x 282 under the resize mapping: logical (0, 0) is pixel (206, 141).
        d.dot(0, 0);
        QCOMPARE(shown(c).pixel(206, 141), text.rgb());
        d.set_colour(rgb(1, 2, 3));
        d.line(-100, -100, 100, 100);
        const QRgb white = c.palette().color(QPalette::Base).rgb();
        QVERIFY(painted_pixels(shown(c), white) > 0);
        d.clear();
        QCOMPARE(painted_pixels(shown(c), white), 0);
        d.dot(0, 0);
        QCOMPARE(shown(c).pixel(206, 141), qRgb(1, 2, 3));
        QCOMPARE(painted_pixels(shown(c), white), 1);
    }

    void wild_coordinates_are_clipped()
    {
        canvas c;
        DrawingSink& d = c.drawing();
        d.set_colour(rgb(9, 9, 9));
        const float inf = std::numeric_limits<float>::infinity();
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const QRgb white = c.palette().color(QPalette::Base).rgb();
        // Far beyond the image, yet still a line through it.
        d.line(-1e6f, -1e6f, 1e6f, 1e6f);
        const int diagonal = painted_pixels(shown(c), white);
        QVERIFY(diagonal >= 282);
        // These may draw anything inside the image, but never outside it.
        d.line(-1e30f, -1e30f, 1e30f, 1e30f);
        d.line(nan, 0, 0, 0);
        d.line(-inf, 0, inf, 0);
        d.dot(nan, nan);
        d.dot(1e30f, 0);
        d.line(5000, 5000, 6000, 6000);
        d.line(-600, 1e30f, -600, -1e30f);
        QVERIFY(painted_pixels(shown(c), white) >= diagonal);
    }
};


class CanvasHighDensityTest : public QObject {
    Q_OBJECT

private slots:
    void a_diagonal_string_is_one_device_pixel_wide()
    {
        canvas c;
        QVERIFY(exposed(c));
        const QRgb white = shown(c).pixel(0, 0);
        c.drawing().set_colour(rgb(255, 0, 0));
        // Under the resize mapping on 824 x 564 device pixels (-450, 250) is pixel (103, 141)
        // and (450, -250) is (721, 423): 618 across, 282 down, so one pixel in each column.
        c.drawing().line(-450, 250, 450, -250);
        const QImage image = shown(c);
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

    void the_window_shows_the_device_pixels()
    {
        canvas c;
        QVERIFY(exposed(c));
        QCOMPARE(c.devicePixelRatioF(), 2.0);
        QCOMPARE(c.size(), QSize(412, 282));
        c.drawing().set_colour(rgb(0, 0, 255));
        c.drawing().line(-600, 250, 600, 250); // device row 141, between widget rows 70 and 71
        const QImage shown = c.grab().toImage();
        QCOMPARE(shown.size(), QSize(824, 564));
        QCOMPARE(shown.devicePixelRatio(), 2.0);
        QCOMPARE(shown.pixel(500, 141), qRgb(0, 0, 255));
        // Only that row: the rows either side show the background, not a blurred string.
        const QRgb white = c.palette().color(QPalette::Base).rgb();
        QCOMPARE(shown.pixel(500, 140), white);
        QCOMPARE(shown.pixel(500, 142), white);
    }
};

int main(int argc, char** argv)
{
    // The second run: two device pixels per widget pixel, as on a high-density screen.
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == QLatin1String("2")) {
        QApplication app(argc, argv);
        CanvasHighDensityTest dense;
        CanvasTest clicks;
        return QTest::qExec(&dense, argc, argv)
               + QTest::qExec(&clicks, {QString::fromLocal8Bit(argv[0]),
                                        QStringLiteral("clicks_arrive_in_logical_units_under_both_mappings")});
    }
    int failed = 0;
    {
        QApplication app(argc, argv);
        CanvasTest test;
        failed = QTest::qExec(&test, argc, argv);
    }
    QProcess dense;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    dense.setProcessEnvironment(env);
    dense.setProcessChannelMode(QProcess::ForwardedChannels);
    dense.start(QString::fromLocal8Bit(argv[0]), {});
    dense.waitForFinished(-1);
    return failed + (dense.exitStatus() == QProcess::NormalExit ? dense.exitCode() : 1);
}

#include "tst_canvas.moc"
