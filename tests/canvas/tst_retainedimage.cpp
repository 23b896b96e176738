// The canvas's pixels without a window: growing, changes of the device pixel ratio, and
// strings handed over in a batch.

#include "canvas/RetainedImage.h"
#include "raster/WorkerPool.h"

#include <QTest>

namespace {

constexpr QRgb kWhite = 0xffffffffu;
constexpr LogicalRect kResize{-600, 500, 600, -500};

int inked(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) != kWhite;
    return n;
}

// An image for a 412 x 282 client area under the resize mapping, at `ratio`.
RetainedImage make_image(WorkerPool& pool, double ratio)
{
    RetainedImage image(kWhite, pool);
    image.set_mapping(CanvasMapping(kResize, 412, 282));
    image.fit(QSize(412, 282), ratio);
    image.set_colour(rgb(255, 0, 0));
    return image;
}

} // namespace

class RetainedImageTest : public QObject {
    Q_OBJECT

private slots:
    void the_image_grows_and_never_shrinks()
    {
        WorkerPool pool(1);
        RetainedImage image = make_image(pool, 1);
        QCOMPARE(image.image().size(), QSize(412, 282));
        image.fit(QSize(100, 80), 1);
        QCOMPARE(image.image().size(), QSize(412, 282));
        image.fit(QSize(500, 200), 1);
        QCOMPARE(image.image().size(), QSize(500, 282));
        image.fit(QSize(1, 1), 1.5);
        // 500 x 282 pixels at 1, each 1.5 pixels at the finer ratio.
        QCOMPARE(image.image().size(), QSize(750, 423));
        QCOMPARE(image.image().devicePixelRatio(), 1.5);
    }

    void a_rising_ratio_scales_up_what_is_drawn()
    {
        WorkerPool pool(1);
        RetainedImage image = make_image(pool, 1);
        image.dot(0, 0); // pixel (206, 141)
        QCOMPARE(image.image().pixel(206, 141), qRgb(255, 0, 0));
        QCOMPARE(image.take_dirty(), QRect(206, 141, 1, 1));
        image.fit(QSize(412, 282), 2);
        QCOMPARE(image.ratio(), 2.0);
        QCOMPARE(image.image().size(), QSize(824, 564));
        QCOMPARE(image.image().devicePixelRatio(), 2.0);
        // The dot is now a block of two by two device pixels.
        for (QPoint p : {QPoint(412, 282), QPoint(413, 282), QPoint(412, 283), QPoint(413, 283)})
            QCOMPARE(image.image().pixel(p), qRgb(255, 0, 0));
        QCOMPARE(inked(image.image()), 4);
        // New strings are one device pixel wide: y = 250 is device row 141.
        image.set_colour(rgb(0, 0, 255));
        image.line(-600, 250, 600, 250);
        QCOMPARE(inked(image.image()), 4 + 824);
        QCOMPARE(image.image().pixel(0, 141), qRgb(0, 0, 255));
        QCOMPARE(image.image().pixel(0, 140), kWhite);
        QCOMPARE(image.image().pixel(0, 142), kWhite);
        QCOMPARE(image.take_dirty(), QRect(0, 70, 412, 1)); // in widget pixels
    }

    void a_falling_ratio_keeps_the_finer_image()
    {
        WorkerPool pool(1);
        RetainedImage image = make_image(pool, 2);
        image.line(-600, 250, 600, 250);
        image.fit(QSize(412, 282), 1);
        QCOMPARE(image.ratio(), 2.0);
        QCOMPARE(image.image().size(), QSize(824, 564));
        QCOMPARE(inked(image.image()), 824);
        // Still drawn one fine pixel wide: y = -250 is device row 423.
        image.line(-600, -250, 600, -250);
        QCOMPARE(inked(image.image()), 2 * 824);
        QCOMPARE(image.image().pixel(823, 423), qRgb(255, 0, 0));
    }

    void strings_each_coloured_draw_as_one_by_one()
    {
        WorkerPool pool(1);
        RetainedImage batch = make_image(pool, 1), single = make_image(pool, 1);
        // Crossing in the middle: the green string over the blue ones, the last blue over it.
        const Segment fan[] = {{-600, 250, 600, -250}, {-600, -250, 600, 250}, {0, 500, 0, -500},
                               {-300, 0, 300, 0}};
        const Colour blue = rgb(0, 0, 255), colours[] = {blue, blue, rgb(0, 255, 0), blue};
        batch.lines_each_coloured(fan, colours);
        for (std::size_t i = 0; i < 4; ++i) {
            single.set_colour(colours[i]);
            single.line(fan[i].x1, fan[i].y1, fan[i].x2, fan[i].y2);
        }
        batch.dot(-300, 200); // in the colour set last
        single.dot(-300, 200);
        QVERIFY(batch.image() == single.image());
        QCOMPARE(batch.image().pixel(206, 141), qRgb(0, 0, 255));
        QCOMPARE(batch.take_dirty(), single.take_dirty());
    }

    void clear_fills_with_the_background_and_keeps_the_colour()
    {
        WorkerPool pool(1);
        RetainedImage image = make_image(pool, 1);
        image.line(-600, 250, 600, 250);
        image.clear();
        QCOMPARE(inked(image.image()), 0);
        QCOMPARE(image.take_dirty(), QRect(0, 0, 412, 282));
        image.dot(0, 0);
        QCOMPARE(image.image().pixel(206, 141), qRgb(255, 0, 0));
        // A copy taken keeps its pixels while drawing goes on, from a copied image too.
        const QImage before = image.image();
        image.dot(300, 200);
        RetainedImage copied = image;
        image.dot(100, -100);
        copied.dot(-300, -200);
        QCOMPARE(inked(before), 1);
        QCOMPARE(inked(image.image()), 3);
        QCOMPARE(inked(copied.image()), 3);
        QVERIFY(image.image() != copied.image());
    }

    // A step's pixels: those drawn since it began, repainted or not; none across a resize.
    void a_change_holds_what_was_drawn_since_it_began()
    {
        WorkerPool pool(1);
        RetainedImage image = make_image(pool, 1);
        image.dot(0, 0);
        image.take_dirty();
        const QImage first = image.image().copy();
        image.begin_change();
        image.line(-600, 250, 600, 250); // row 71, across
        QCOMPARE(image.take_dirty(), QRect(0, 71, 412, 1)); // repainted meanwhile
        image.set_colour(rgb(0, 0, 255));
        image.dot(0, 0); // row 141
        std::optional<PixelChange> change = image.take_change();
        QVERIFY(change && change->pixels() == 412 + 1);
        image.swap_change(*change);
        QCOMPARE(image.image(), first);
        QCOMPARE(image.take_dirty(), QRect(0, 71, 412, 71)); // rows 71 .. 141 to repaint
        image.begin_change();
        image.dot(100, 100);
        image.fit(QSize(500, 282), 1);
        QVERIFY(!image.take_change());
    }
};

QTEST_GUILESS_MAIN(RetainedImageTest)
#include "tst_retainedimage.moc"
