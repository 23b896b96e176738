#include "RecordingSink.h"

#include "core/Kaleidoscope.h"
#include "core/Module1.h"
#include "core/SideEntry.h"

#include <QTest>

#include <cmath>

namespace {

Module1 one_fan(RecordingSink& sink, int subdivs = 20)
{
    Module1 s;
    s.subdivs = std::int16_t(subdivs);
    for (int i = 0; i < 8; ++i)
        s.palette[i] = 300 + i;
    enter_point(s, sink, 100, 0);
    enter_point(s, sink, 100, 200);
    enter_point(s, sink, 100, 200);
    enter_point(s, sink, 300, 200);
    return s;
}

// Takes the copies all at once and draws `drawn` of them; strings drawn one by one are counted.
class CopiesAtOnce final : public DrawingSink {
public:
    void clear() override {}
    void set_colour(Colour) override {}
    void dot(float, float) override {}
    void line(float, float, float, float) override { ++lines; }
    std::optional<int> draw_copies(const TurnedCopies& c, const CopiesProgress&) override
    {
        strings.assign(c.strings.begin(), c.strings.end());
        runs.assign(c.runs.begin(), c.runs.end());
        turns.assign(c.turns.begin(), c.turns.end());
        return drawn;
    }

    int drawn = 0, lines = 0;
    std::vector<Segment> strings;
    std::vector<ColourRun> runs;
    std::vector<Turn> turns;
};

} // namespace

class KaleidoscopeTest : public QObject {
    Q_OBJECT

private slots:
    void one_copy_redraws_the_figure_unrotated()
    {
        RecordingSink fan_sink;
        Module1 s = one_fan(fan_sink);
        RecordingSink sink;
        const ReplayResult r = draw_kaleidoscope(s, 1, sink);
        QVERIFY(!r.limit);
        QCOMPARE(r.strings, 20);
        QCOMPARE(sink.lines_drawn.size(), fan_sink.lines_drawn.size());
        for (std::size_t i = 0; i < sink.lines_drawn.size(); ++i) {
            QCOMPARE(sink.lines_drawn[i].x1, fan_sink.lines_drawn[i].x1);
            QCOMPARE(sink.lines_drawn[i].y2, fan_sink.lines_drawn[i].y2);
            QCOMPARE(sink.lines_drawn[i].colour, 300);
        }
    }

    void four_copies_turn_a_quarter_each_counter_clockwise()
    {
        RecordingSink ignore;
        Module1 s = one_fan(ignore);
        RecordingSink sink;
        draw_kaleidoscope(s, 4, sink);
        QCOMPARE(sink.lines_drawn.size(), 80u);
        // The first string runs from (100, 0) to (100, 200); a quarter turn takes (x, y) to (-y, x).
        const auto& q = sink.lines_drawn[20];
        QVERIFY(std::abs(q.x1 - 0.0f) < 1e-3f && std::abs(q.y1 - 100.0f) < 1e-3f);
        QVERIFY(std::abs(q.x2 + 200.0f) < 1e-3f && std::abs(q.y2 - 100.0f) < 1e-3f);
        const auto& h = sink.lines_drawn[40];
        QVERIFY(std::abs(h.x1 + 100.0f) < 1e-3f && std::abs(h.y1) < 1e-3f);
        const auto& t = sink.lines_drawn[60];
        QVERIFY(std::abs(t.x1) < 1e-3f && std::abs(t.y1 + 100.0f) < 1e-3f);
        // Each copy starts with its side's colour.
        QCOMPARE(sink.colour_changes, std::vector<Colour>(4, 300));
    }

    void the_rotation_uses_the_ten_digit_pi()
    {
        // With copies = 2 the half turn is 3.141592654 rad, a hair past pi: sin is about -4.1e-10,
        // so a point at x = 1e9 lands measurably off the axis. Full-precision pi would give -0.12.
        Module1 s;
        s.subdivs = 1;
        s.point_count = 2;
        s.point_x[0] = 1e9f;
        s.point_x[1] = 0;
        RecordingSink sink;
        draw_kaleidoscope(s, 2, sink);
        QCOMPARE(sink.lines_drawn.size(), 2u);
        const double expected = double(1e9f) * std::sin(3.141592654);
        QCOMPARE(sink.lines_drawn[1].y1, float(expected));
        QVERIFY(std::abs(sink.lines_drawn[1].y1 - float(1e9 * std::sin(M_PI))) > 0.1f);
    }

    void nothing_is_drawn_for_no_copies_or_too_few_points()
    {
        RecordingSink ignore;
        Module1 s = one_fan(ignore);
        for (int copies : {0, -3}) {
            RecordingSink sink;
            const ReplayResult r = draw_kaleidoscope(s, copies, sink);
            QVERIFY(!r.limit);
            QVERIFY(sink.lines_drawn.empty());
        }
        Module1 single;
        single.subdivs = 20;
        single.point_count = 20;
        RecordingSink sink;
        QVERIFY(!draw_kaleidoscope(single, 5, sink).limit);
        QVERIFY(sink.lines_drawn.empty());
    }

    void colours_change_once_per_side()
    {
        RecordingSink ignore;
        Module1 s;
        s.subdivs = 3;
        for (int i = 0; i < 8; ++i)
            s.palette[i] = 300 + i;
        for (int side = 0; side < 11; ++side) {
            enter_point(s, ignore, float(side), 0);
            enter_point(s, ignore, float(side), 9);
        }
        RecordingSink sink;
        draw_kaleidoscope(s, 1, sink);
        QCOMPARE(sink.lines_drawn.size(), 30u);
        QCOMPARE(sink.colour_changes.size(), 10u);
        QCOMPARE(sink.colour_changes[8], 300); // the ninth fan wraps to the first colour
        QCOMPARE(sink.lines_drawn[29].colour, 301);
    }

    void an_open_side_adds_one_string_the_canvas_has_not_shown()
    {
        RecordingSink ignore;
        Module1 s = one_fan(ignore);
        enter_point(s, ignore, -50, -50);
        RecordingSink sink;
        draw_kaleidoscope(s, 1, sink);
        QCOMPARE(sink.lines_drawn.size(), 21u);
        const auto& extra = sink.lines_drawn.back();
        QCOMPARE(extra.x1, s.point_x[20]);
        QCOMPARE(extra.x2, -50.0f);
        QCOMPARE(extra.colour, 301);
    }

    void the_replay_bound_overflows_a_step_at_a_time_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("subdivs");
        QTest::addColumn<Limit>("limit");
        // point_count - subdivs is worked out in 16 bits before the "- 1".
        QTest::newRow("0 - -32768 = 32768") << 0 << -32768 << Limit::Overflow;
        QTest::newRow("1 - -32767 = 32768") << 1 << -32767 << Limit::Overflow;
        QTest::newRow("0 - -32767 = 32767") << 0 << -32767 << Limit::NegativeIndex;
    }

    void the_replay_bound_overflows_a_step_at_a_time()
    {
        QFETCH(int, points);
        QFETCH(int, subdivs);
        QFETCH(Limit, limit);
        Module1 s;
        s.point_count = std::int16_t(points);
        s.subdivs = std::int16_t(subdivs);
        RecordingSink sink;
        QCOMPARE(draw_kaleidoscope(s, 1, sink).limit, limit);
        QVERIFY(sink.lines_drawn.empty());
    }

    void a_sink_may_take_every_copy_at_once_data()
    {
        QTest::addColumn<int>("subdivs");
        QTest::addColumn<float>("far");
        QTest::addColumn<int>("drawn");
        QTest::addColumn<bool>("taken");
        QTest::newRow("all four drawn") << 20 << 0.0f << 4 << true;
        QTest::newRow("stopped after one") << 20 << 0.0f << 1 << true;
        // What the replay must stop at, or a turned end could leave single precision: copy
        // after copy.
        QTest::newRow("subdivs 0") << 0 << 0.0f << 4 << false;
        QTest::newRow("a point 3.3e38 out") << 20 << 3.3e38f << 4 << false;
    }

    void a_sink_may_take_every_copy_at_once()
    {
        QFETCH(int, subdivs);
        QFETCH(float, far);
        QFETCH(int, drawn);
        QFETCH(bool, taken);
        RecordingSink ignore;
        Module1 s = one_fan(ignore);
        s.subdivs = std::int16_t(subdivs);
        if (far != 0)
            s.point_y[5] = far;
        CopiesAtOnce sink;
        sink.drawn = drawn;
        const ReplayResult r = draw_kaleidoscope(s, 4, sink);
        QCOMPARE(sink.turns.size(), taken ? 4u : 0u);
        if (!taken) {
            QCOMPARE(sink.lines, subdivs == 0 ? 0 : 80);
            return;
        }
        QCOMPARE(r.strings, drawn * 20);
        QCOMPARE(r.cancelled, drawn < 4);
        QCOMPARE(sink.strings.size(), 20u);
        QCOMPARE(sink.strings[0].x1, 100.0f); // (100, 0) to (100, 200), unturned
        QCOMPARE(sink.strings[0].y2, 200.0f);
        QCOMPARE(sink.runs.size(), 1u);
        QCOMPARE(sink.runs[0].colour, 300);
        QCOMPARE(sink.runs[0].count, 20u);
        // A quarter turn for the second copy: (x, y) to (-y, x).
        const Segment q = turned(sink.strings[0], sink.turns[1]);
        QVERIFY(std::abs(q.x1) < 1e-3f && std::abs(q.y1 - 100) < 1e-3f && std::abs(q.x2 + 200) < 1e-3f);
    }

    void limits_and_cancelling()
    {
        RecordingSink ignore;
        Module1 s = one_fan(ignore);
        s.subdivs = 0;
        RecordingSink sink;
        QCOMPARE(draw_kaleidoscope(s, 3, sink).limit, Limit::DivisionByZero);
        QVERIFY(sink.lines_drawn.empty());
        s.subdivs = -5;
        QCOMPARE(draw_kaleidoscope(s, 3, sink).limit, Limit::NegativeIndex);
        s.subdivs = -32768;
        QCOMPARE(draw_kaleidoscope(s, 3, sink).limit, Limit::Overflow);
        // No copies: the loop never runs, so no limit is reached either.
        QVERIFY(!draw_kaleidoscope(s, 0, sink).limit);
        QVERIFY(!draw_kaleidoscope(s, -32767, sink).limit);
        // -32768 copies: the last copy's number, -32769, is beyond 16 bits.
        s.subdivs = 20;
        QCOMPARE(draw_kaleidoscope(s, -32768, sink).limit, Limit::Overflow);
        QVERIFY(sink.lines_drawn.empty());

        s.subdivs = 20;
        int asked = 0;
        const ReplayResult r = draw_kaleidoscope(s, 10, sink, [&](int done, int total) {
            ++asked;
            return done < 3 && total == 10;
        });
        QVERIFY(r.cancelled);
        QCOMPARE(asked, 4);
        QCOMPARE(sink.lines_drawn.size(), 60u); // the copies drawn before the cancel stand
    }
};

QTEST_APPLESS_MAIN(KaleidoscopeTest)
#include "tst_kaleidoscope.moc"
