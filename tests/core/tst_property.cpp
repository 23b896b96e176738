#include "PropertyHarness.h"

#include <QTest>

#include <cmath>
#include <string>
#include <vector>

using namespace property;

class PropertyTest : public QObject {
    Q_OBJECT

private slots:
    void workedExamples();
    void randomSequences();
    void extremeCoordinatesStayFinite();
};

// Holds the model to the worked examples, and the core to the model, on hand-made sequences.
void PropertyTest::workedExamples()
{
    Op primary;
    primary.kind = Op::Palette;
    primary.colours = {rgb(0, 0, 0), rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255),
                       rgb(0, 255, 255), rgb(255, 255, 0), rgb(255, 0, 255), rgb(128, 128, 128)};
    using D = model::Drawn;

    { // subdivs 3, clicks A, B, B, C.
        Harness h;
        CHECK_RUN(h, {primary, with_text(Op::Subdivs, "3"), click(0, 0), click(4, 0), click(4, 0), click(4, 4)});
        QVERIFY(h.last_enable_save);
        const std::vector<float> xs = {0, 2, 4, 4, 4, 4}, ys = {0, 0, 0, 0, 2, 4};
        QCOMPARE(h.figure().xs, xs);
        QCOMPARE(h.figure().ys, ys);
        const std::vector<D> fan = {{D::Dot, 0, 4, 2}, {D::Dot, 0, 4, 4},
                                    {D::Colour, 0}, {D::Line, 0, 0, 0, 4, 0},
                                    {D::Colour, 0}, {D::Line, 0, 2, 0, 4, 2},
                                    {D::Colour, 0}, {D::Line, 0, 4, 0, 4, 4}};
        QVERIFY(h.figure().drawn == fan);
    }
    { // Two sides of 20, then "complete loop": strings 40-20 .. 59-39 in palette[1].
        Harness h;
        CHECK_RUN(h, {primary, click(-300, 0), click(0, 300), click(0, 300), click(300, 0),
                      with_text(Op::Close, "")});
        QVERIFY(!h.last_limit);
        QCOMPARE(int(h.real().point_count), 60);
        const auto& drawn = h.figure().drawn;
        QCOMPARE(drawn.size(), std::size_t(21));
        QCOMPARE(drawn[0].colour, rgb(255, 0, 0));
        QCOMPARE(drawn[1].x1, h.figure().xs[40]);
        QCOMPARE(drawn[1].x2, h.figure().xs[20]);
        QCOMPARE(drawn[20].y2, h.figure().ys[39]);
    }
    { // Four copies of one fan: a pen change and 20 strings per copy, the fourth turned by 270 degrees.
        Harness h;
        CHECK_RUN(h, {click(-300, 0), click(0, 300), click(0, 300), click(300, 0), with_text(Op::Kaleidoscope, "4")});
        const auto& quarter = h.figure().drawn;
        QCOMPARE(quarter.size(), std::size_t(84));
        QVERIFY(std::fabs(quarter[83].x2 - h.figure().ys[39]) < 1e-3f);
        QVERIFY(std::fabs(quarter[83].y2 + h.figure().xs[39]) < 1e-3f);
    }
    { // subdivs 1, 0 and negative: the second click stores nothing.
        for (const char* n : {"1", "0", "-3"}) {
            Harness h;
            CHECK_RUN(h, {with_text(Op::Subdivs, n), click(1, 1), click(2, 2), click(3, 3), click(4, 4),
                          with_text(Op::Close, ""), with_text(Op::Kaleidoscope, "3")});
            QCOMPARE(int(h.real().point_count), std::string(n) == "1" ? 3 : 2);
        }
    }
    { // Raising subdivs between sides starts the next fan before point 0: its colour,
      // palette[-1 div 5 = 0], is set, then reading point -1 stops it.
        Harness h;
        Op chips = primary;
        chips.colours[0] = rgb(1, 2, 3);
        CHECK_RUN(h, {chips, with_text(Op::Subdivs, "3"), click(0, 0), click(3, 0), with_text(Op::Subdivs, "5"),
                      click(3, 0), click(3, 3)});
        QCOMPARE(name_of(h.last_limit), "NegativeIndex");
        QCOMPARE(h.figure().drawn.back(), (D{D::Colour, rgb(1, 2, 3)}));
    }
    { // The 5002nd point is never stored: 4 sides of 1250 points, a click that stores the 5001st,
      // and a second click that finds the table full.
        Harness h;
        std::vector<Op> ops = {with_text(Op::Subdivs, "1250")};
        for (int side = 0; side < 4; ++side) {
            ops.push_back(click(float(side), 0));
            ops.push_back(click(float(side + 1), 0));
        }
        ops.push_back(click(9, 9));
        ops.push_back(click(8, 8));
        CHECK_RUN(h, ops);
        QCOMPARE(int(h.real().point_count), 5001);
        QCOMPARE(name_of(h.last_limit), "TableFull");
        CHECK_RUN(h, {with_text(Op::Close, "")});
        QCOMPARE(name_of(h.last_limit), "TableFull");
        CHECK_RUN(h, {with_text(Op::Clear, ""), with_text(Op::Subdivs, "20000"), click(1, 1)});
        QCOMPARE(name_of(h.last_limit), "Overflow");
    }
}

void PropertyTest::randomSequences()
{
    Harness h;
    const Tally tally = run_random(h, [](const Op&) {});
    QVERIFY2(tally.trouble.empty(), tally.trouble.c_str());
    // A run of the default length must reach every limit, or the sequences are too tame.
    if (full_length()) {
        for (const char* name : {"TableFull", "NegativeIndex", "DivisionByZero", "Overflow", "BadCopies"})
            QVERIFY2(tally.limits.count(name), name);
        QCOMPARE(tally.peak_points, 5001);
    }
}

// Points near the end of single precision: turning them must not hand the canvas infinities.
void PropertyTest::extremeCoordinatesStayFinite()
{
    Module1 s;
    s.subdivs = 2;
    RecordingSink sink;
    for (const auto& [x, y] : {std::pair{3e38f, 3e38f}, {-3e38f, 3e38f}, {-3e38f, 3e38f}, {-3e38f, -3e38f}})
        QVERIFY(!enter_point(s, sink, x, y).limit);
    QCOMPARE(sink.non_finite(), 0LL);
    const ReplayResult r = draw_kaleidoscope(s, 8, sink);
    QCOMPARE(sink.non_finite(), 0LL);
    // Copy 1, at 45 degrees, takes (3e38, 3e38) to (0, 4.2e38): beyond single precision.
    QVERIFY2(r.limit.has_value(), "no limit reported for strings beyond single precision");
}

int main(int argc, char** argv)
{
    allow_long_runs();
    PropertyTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_property.moc"
