// The canvas's mapping without a window: worked examples on the two mappings the program uses.

#include "canvas/CanvasMapping.h"

#include <QTest>

Q_DECLARE_METATYPE(LogicalRect)

namespace {

constexpr LogicalRect kStartup{-500, 500, 600, -600};
constexpr LogicalRect kResize{-600, 500, 600, -500};

} // namespace

class CanvasMappingTest : public QObject {
    Q_OBJECT

private slots:
    void pixels_to_logical_data()
    {
        QTest::addColumn<LogicalRect>("edges");
        QTest::addColumn<QSizeF>("client");
        QTest::addColumn<QPointF>("pixel");
        QTest::addColumn<QPointF>("logical");
        // Start-up: 1100 x 1100 units over 412 x 282 pixels, the origin off the centre.
        QTest::newRow("start-up top left") << kStartup << QSizeF(412, 282) << QPointF(0, 0) << QPointF(-500, 500);
        QTest::newRow("start-up bottom right") << kStartup << QSizeF(412, 282) << QPointF(412, 282) << QPointF(600, -600);
        QTest::newRow("start-up centre") << kStartup << QSizeF(412, 282) << QPointF(206, 141) << QPointF(50, -50);
        // Resize: 1200 across and 1000 down, the origin at the centre, whatever the size.
        QTest::newRow("resize centre") << kResize << QSizeF(412, 282) << QPointF(206, 141) << QPointF(0, 0);
        QTest::newRow("resize top left") << kResize << QSizeF(412, 282) << QPointF(0, 0) << QPointF(-600, 500);
        QTest::newRow("resize bottom left") << kResize << QSizeF(412, 282) << QPointF(0, 282) << QPointF(-600, -500);
        QTest::newRow("resize, larger window") << kResize << QSizeF(800, 600) << QPointF(400, 300) << QPointF(0, 0);
        QTest::newRow("resize, quarter point") << kResize << QSizeF(800, 600) << QPointF(200, 150) << QPointF(-300, 250);
    }

    void pixels_to_logical()
    {
        QFETCH(LogicalRect, edges);
        QFETCH(QSizeF, client);
        QFETCH(QPointF, pixel);
        QFETCH(QPointF, logical);
        const CanvasMapping m(edges, client.width(), client.height());
        QCOMPARE(m.to_logical(pixel), logical);
        QCOMPARE(m.to_pixel(logical.x(), logical.y()), pixel);
        // The affine form the line drawer uses puts the point on the same pixel.
        const AffineMap a = m.affine();
        QCOMPARE(QPointF(logical.x() * a.sx + a.ox, logical.y() * a.sy + a.oy), pixel);
    }

    void the_affine_form_of_the_resize_mapping()
    {
        // 1200 x 1000 pixels: one pixel per unit, y turned over, the origin at (600, 500).
        const AffineMap a = CanvasMapping(kResize, 1200, 1000).affine();
        QCOMPARE(a.sx, 1.0);
        QCOMPARE(a.ox, 600.0);
        QCOMPARE(a.sy, -1.0);
        QCOMPARE(a.oy, 500.0);
    }

    void scaling_keeps_the_edges_over_finer_pixels()
    {
        // At two device pixels per widget pixel: (-450, 250) lies at widget (51.5, 70.5),
        // device (103, 141).
        const CanvasMapping widget(kResize, 412, 282);
        const CanvasMapping device = widget.scaled(2);
        // The same edges, now at the corners of 824 x 564 pixels.
        QCOMPARE(device.to_logical(QPointF(0, 0)), QPointF(-600, 500));
        QCOMPARE(device.to_logical(QPointF(824, 564)), QPointF(600, -500));
        QCOMPARE(widget.to_pixel(-450, 250), QPointF(51.5, 70.5));
        QCOMPARE(device.to_pixel(-450, 250), QPointF(103, 141));
    }

    void an_empty_client_area_still_maps_to_finite_points()
    {
        const CanvasMapping m(kResize, 0, 0);
        QCOMPARE(m.to_logical(QPointF(0, 0)), QPointF(-600, 500));
        QCOMPARE(m.to_logical(QPointF(1, 1)), QPointF(600, -500));
    }
};

QTEST_APPLESS_MAIN(CanvasMappingTest)
#include "tst_canvasmapping.moc"
