#include "RecordingSink.h"

#include "core/FigureDrawing.h"
#include "core/Module1.h"

#include <QTest>

namespace {

using D = RecordingSink::Drawn;

// Two sides of two points, A B and C D, in palette colours 10, 11, ...
Module1 two_sides()
{
    Module1 s;
    s.subdivs = 2;
    const float xy[4][2] = {{1, 0}, {2, 0}, {0, 1}, {0, 2}};
    for (int i = 0; i < 4; ++i) {
        s.point_x[i] = xy[i][0];
        s.point_y[i] = xy[i][1];
    }
    s.point_count = 4;
    for (int i = 0; i < 8; ++i)
        s.palette[i] = 10 + i;
    return s;
}

} // namespace

class FigureDrawingTest : public QObject {
    Q_OBJECT

private slots:
    void draws_dots_then_fans_or_the_copies()
    {
        Module1 s = two_sides();
        const std::vector<D> dots = {{D::Colour, 10}, {D::Dot, 0, 1, 0}, {D::Dot, 0, 2, 0},
                                     {D::Colour, 11}, {D::Dot, 0, 0, 1}, {D::Dot, 0, 0, 2}};
        const D fan[] = {{D::Line, 0, 1, 0, 0, 1}, {D::Line, 0, 2, 0, 0, 2}};

        RecordingSink plain;
        draw_figure(s, 4, plain);
        QCOMPARE(plain.clears, 1);
        std::vector<D> expected = dots;
        expected.push_back({D::Colour, 10});
        expected.insert(expected.end(), std::begin(fan), std::end(fan));
        QCOMPARE(plain.drawn, expected);

        // With the kaleidoscope on, two copies: the fan, then the fan turned half a turn.
        s.kaleidoscope_on = true;
        RecordingSink copies;
        draw_figure(s, 2, copies);
        QCOMPARE(copies.lines_drawn.size(), std::size_t(4));
        QCOMPARE(copies.lines_drawn[2].x1, -1.0f);
        QVERIFY(std::abs(copies.lines_drawn[3].y2 + 2) < 1e-6f);
        QCOMPARE(std::vector<D>(copies.drawn.begin(), copies.drawn.begin() + 6), dots);
    }
};

QTEST_APPLESS_MAIN(FigureDrawingTest)
#include "tst_figuredrawing.moc"
