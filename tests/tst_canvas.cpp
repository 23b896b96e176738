#include "canvas/canvas.h"
#include "ui/Form1.h"

#include <QSignalSpy>
#include <QTest>

namespace {

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
    void clicks_arrive_in_logical_units_under_both_mappings()
    {
        canvas c;
        c.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c));
        QCOMPARE(c.size(), QSize(412, 282));
        QCOMPARE(c.mapping(), canvas::kResizeMapping);
        QSignalSpy spy(&c, &canvas::mouseUp);
        QTest::mouseRelease(&c, Qt::LeftButton, {}, QPoint(206, 141));
        QTest::mouseRelease(&c, Qt::RightButton, {}, QPoint(0, 282)); // (0, 0) would mean the centre
        QCOMPARE(spy.size(), 2);
        QCOMPARE(spy[0][2].toFloat(), 0.0f);
        QCOMPARE(spy[0][3].toFloat(), 0.0f);
        QCOMPARE(spy[1][0].toInt(), int(Qt::RightButton));
        QCOMPARE(spy[1][2].toFloat(), -600.0f);
        QCOMPARE(spy[1][3].toFloat(), -500.0f);

        c.set_mapping(canvas::kStartupMapping);
        const QPointF top_left = c.to_logical(QPointF(0, 0));
        const QPointF bottom_right = c.to_logical(QPointF(412, 282));
        QCOMPARE(top_left, QPointF(-500, 500));
        QCOMPARE(bottom_right, QPointF(600, -600));

        // A real resize brings the resize mapping back; the pixels stay.
        c.resize(500, 300);
        QTRY_COMPARE(c.mapping(), canvas::kResizeMapping);
    }

    void form_load_leaves_the_startup_mapping_on_the_shown_canvas()
    {
        Form1 form([] { return 0.0; });
        canvas* c = form.canvas_window();
        QVERIFY(c);
        QVERIFY(c->isVisible());
        QCOMPARE(c->mapping(), canvas::kStartupMapping);
        // Hiding and showing again is not a resize.
        c->hide();
        c->show();
        QCOMPARE(c->mapping(), canvas::kStartupMapping);
    }

    void strings_are_kept_when_the_window_shrinks_and_grows()
    {
        canvas c;
        c.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c));
        const QRgb white = c.image().pixel(0, 0);
        c.set_colour(rgb(255, 0, 0));
        c.line(-600, 0, 600, 0); // across the middle
        c.dot(0, 400);
        const QRgb red = qRgb(255, 0, 0);
        QCOMPARE(c.image().pixel(206, 141), red);
        QCOMPARE(c.image().pixel(0, 141), red);
        QCOMPARE(c.image().pixel(411, 141), red);
        const QPointF dot = c.to_pixel(0, 400);
        QCOMPARE(c.image().pixel(qRound(dot.x()), qRound(dot.y())), red);
        const int painted = painted_pixels(c.image(), white);
        QCOMPARE(painted, 412 + 1);

        c.resize(100, 80);
        QTRY_COMPARE(c.size(), QSize(100, 80));
        c.resize(800, 600);
        QTRY_COMPARE(c.size(), QSize(800, 600));
        QCOMPARE(c.image().size(), QSize(800, 600));
        QCOMPARE(c.image().pixel(411, 141), red);
        QCOMPARE(painted_pixels(c.image(), white), painted);
        // What the window shows is the retained image.
        const QImage shown = c.grab().toImage();
        QCOMPARE(shown.pixel(300, 141), red);
    }

    void clear_keeps_the_drawing_colour_and_empties_the_image()
    {
        canvas c;
        const QColor text = c.palette().color(QPalette::Text);
        // The image is 412 x 282 under the resize mapping: logical (0, 0) is pixel (206, 141).
        c.dot(0, 0);
        QCOMPARE(c.image().pixel(206, 141), text.rgb());
        c.set_colour(rgb(1, 2, 3));
        c.line(-100, -100, 100, 100);
        const QRgb white = c.palette().color(QPalette::Base).rgb();
        QVERIFY(painted_pixels(c.image(), white) > 0);
        c.clear();
        QCOMPARE(painted_pixels(c.image(), white), 0);
        c.dot(0, 0);
        QCOMPARE(c.image().pixel(206, 141), qRgb(1, 2, 3));
        QCOMPARE(painted_pixels(c.image(), white), 1);
    }

    void wild_coordinates_are_clipped()
    {
        canvas c;
        c.set_colour(rgb(9, 9, 9));
        const float inf = std::numeric_limits<float>::infinity();
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const QRgb white = c.palette().color(QPalette::Base).rgb();
        // Far beyond the image, yet still a line through it.
        c.line(-1e6f, -1e6f, 1e6f, 1e6f);
        const int diagonal = painted_pixels(c.image(), white);
        QVERIFY(diagonal >= 282);
        // These may draw anything inside the image, but never outside it.
        c.line(-1e30f, -1e30f, 1e30f, 1e30f);
        c.line(nan, 0, 0, 0);
        c.line(-inf, 0, inf, 0);
        c.dot(nan, nan);
        c.dot(1e30f, 0);
        c.line(5000, 5000, 6000, 6000);
        c.line(-600, 1e30f, -600, -1e30f);
        QVERIFY(painted_pixels(c.image(), white) >= diagonal);
        QCOMPARE(c.image().size(), QSize(412, 282));
    }
};

QTEST_MAIN(CanvasTest)
#include "tst_canvas.moc"
