#include "RecordingSink.h"

#include "core/FigureDrawing.h"
#include "core/Module1.h"

#include <QTest>

class FigureDrawingTest : public QObject {
    Q_OBJECT

private slots:
    // Two sides of two points, A B and C D, in palette colours 10, 11, ...: the dots in their
    // side's colour, then the fan, or with the kaleidoscope on, its copies.
    void draws_dots_then_fans_or_the_copies()
    {
        Module1 s;
        s.subdivs = 2;
        s.point_count = 4;
        s.point_x = {1, 2, 0, 0};
        s.point_y = {0, 0, 1, 2};
        for (int i = 0; i < 8; ++i)
            s.palette[i] = 10 + i;
        using D = RecordingSink::Drawn;
        std::vector<D> expected = {{D::Colour, 10}, {D::Dot, 0, 1, 0}, {D::Dot, 0, 2, 0}, {D::Colour, 11},
                                   {D::Dot, 0, 0, 1}, {D::Dot, 0, 0, 2},  {D::Colour, 10}, {D::Line, 0, 1, 0, 0, 1},
                                   {D::Line, 0, 2, 0, 0, 2}};
        RecordingSink plain;
        draw_figure(s, 4, plain);
        QVERIFY(plain.clears == 1 && plain.drawn == expected);

        // Two copies: the fan, then the fan turned half a turn.
        s.kaleidoscope_on = true;
        RecordingSink copies;
        draw_figure(s, 2, copies);
        QCOMPARE(copies.lines_drawn.size(), std::size_t(4));
        QVERIFY(copies.lines_drawn[2].x1 == -1 && std::abs(copies.lines_drawn[3].y2 + 2) < 1e-6f);
    }
};

QTEST_APPLESS_MAIN(FigureDrawingTest)
#include "tst_figuredrawing.moc"
