#pragma once

// The property tests' driver: sequences of user actions, made at random or by hand, run on
// the real drawing core the way the tool window drives it and on the model of
// PropertyModel.h, with any difference described.

#include "NumberReference.h"
#include "PropertyModel.h"
#include "RecordingSink.h"

#include "core/Kaleidoscope.h"
#include "core/LoopClose.h"
#include "core/Module1.h"
#include "core/NumberText.h"
#include "core/SideEntry.h"

#include <QTest>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace property {

constexpr std::uint64_t kDefaultSeed = 0x7e551c;
constexpr std::uint64_t kDefaultSteps = 4000;

inline std::uint64_t env_number(const char* name, std::uint64_t fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 0) : fallback;
}

inline const char* name_of(std::optional<Limit> limit)
{
    if (!limit)
        return "none";
    switch (*limit) {
    case Limit::TableFull: return "TableFull";
    case Limit::NegativeIndex: return "NegativeIndex";
    case Limit::DivisionByZero: return "DivisionByZero";
    case Limit::Overflow: return "Overflow";
    case Limit::BadCopies: return "BadCopies";
    }
    return "?";
}

inline std::string describe(const model::Drawn& d)
{
    std::ostringstream s;
    s.precision(9);
    switch (d.kind) {
    case model::Drawn::Dot: s << "dot(" << d.x1 << ", " << d.y1 << ")"; break;
    case model::Drawn::Colour: s << "colour(" << d.colour << ")"; break;
    case model::Drawn::Line: s << "line(" << d.x1 << ", " << d.y1 << ", " << d.x2 << ", " << d.y2 << ")"; break;
    }
    return s.str();
}

// One step of a sequence: what the user did.
struct Op {
    enum Kind { Click, Subdivs, Close, Kaleidoscope, Export, Clear, Palette } kind = Click;
    float x = 0, y = 0;
    std::string text;
    std::array<Colour, 8> colours{};

    std::string describe() const
    {
        std::ostringstream s;
        s.precision(9);
        switch (kind) {
        case Click: s << "click(" << x << ", " << y << ")"; break;
        case Subdivs: s << "subdivs text \"" << text << "\""; break;
        case Close: s << "complete loop"; break;
        case Kaleidoscope: s << "kaleidoscope, copies text \"" << text << "\""; break;
        case Export: s << "export, copies text \"" << text << "\""; break;
        case Clear: s << "clear"; break;
        case Palette: s << "palette"; for (Colour c : colours) s << ' ' << c; break;
        }
        return s.str();
    }
};

// Runs each step on the real drawing core, the way the tool window drives it, and on the
// model, and says how they differ.
class Harness {
public:
    Harness() : real_(std::make_unique<Module1>())
    {
        real_->subdivs = 20;
        figure_.subdivs = 20;
    }

    Module1& real() { return *real_; }
    model::Figure& figure() { return figure_; }
    std::optional<Limit> last_limit;
    bool last_enable_save = false;
    long long last_strings = 0;
    // Checks a save of the figure with the copies text given; empty when the file is as
    // the model says. Without it, the harness takes no saves.
    std::function<std::string(const std::string& copies_text, std::optional<Limit>& limit,
                              std::optional<Limit>& expected)>
        save;

    // Empty when the core and the model agree after the step.
    std::string apply(const Op& op)
    {
        Module1& s = *real_;
        // Stale entries are poison: a string drawn from one shows as NaN.
        for (int i = std::max<int>(s.point_count, 0); i < Module1::kTableSize; ++i)
            s.point_x[i] = s.point_y[i] = std::nanf("");
        sink_ = std::make_unique<RecordingSink>();
        figure_.drawn.clear();
        last_enable_save = false;
        last_strings = 0;

        std::optional<Limit> limit, expected;
        std::string trouble;
        try {
            trouble = step(op, limit, expected);
        } catch (const std::exception& e) {
            return std::string("the model failed: ") + e.what() + "\n";
        }
        last_limit = limit;
        if (limit != expected)
            trouble += std::string("limit ") + name_of(limit) + ", model says " + name_of(expected) + "\n";
        trouble += compare_drawn();
        trouble += compare_state();
        return trouble;
    }

private:
    std::string step(const Op& op, std::optional<Limit>& limit, std::optional<Limit>& expected)
    {
        Module1& s = *real_;
        std::string trouble;
        switch (op.kind) {
        case Op::Click: {
            const EntryResult r = enter_point(s, *sink_, op.x, op.y);
            bool enable = false;
            expected = figure_.click(op.x, op.y, enable);
            limit = r.limit;
            last_enable_save = r.enable_save;
            if (r.enable_save != enable)
                trouble += std::string("enable_save ") + (r.enable_save ? "true" : "false") + ", model says "
                    + (enable ? "true" : "false") + "\n";
            break;
        }
        case Op::Subdivs:
            // Like Text1_Change: a text with no 16-bit value keeps the previous count.
            if (const auto v = text_to_int16(op.text))
                s.subdivs = *v;
            if (const auto v = reference::to_int16(op.text))
                figure_.subdivs = *v;
            break;
        case Op::Close:
            limit = close_loop(s, *sink_);
            expected = figure_.close_loop();
            break;
        case Op::Kaleidoscope: {
            s.kaleidoscope_on = figure_.kaleidoscope_on = true;
            if (const auto copies = text_to_int16(op.text)) {
                const ReplayResult r = draw_kaleidoscope(s, *copies, *sink_);
                limit = r.limit;
                last_strings = r.strings;
                if (r.cancelled || r.stopped_by_sink)
                    trouble += "replay stopped without a cause\n";
            } else {
                limit = Limit::BadCopies;
            }
            const auto copies = reference::to_int16(op.text);
            expected = copies ? figure_.kaleidoscope(*copies) : Limit::BadCopies;
            const auto lines = std::count_if(figure_.drawn.begin(), figure_.drawn.end(),
                                             [](const model::Drawn& d) { return d.kind == model::Drawn::Line; });
            if (last_strings != lines)
                trouble += "replay counted " + std::to_string(last_strings) + " strings, model drew "
                    + std::to_string(lines) + "\n";
            break;
        }
        case Op::Export:
            if (!save)
                return "no saves in this run\n";
            trouble += save(op.text, limit, expected);
            break;
        case Op::Clear:
            s.reset();
            figure_.reset();
            break;
        case Op::Palette:
            s.load_palette(op.colours);
            figure_.palette = op.colours;
            break;
        }
        return trouble;
    }

    std::string compare_drawn() const
    {
        std::string trouble;
        if (const long long n = sink_->non_finite())
            trouble += "the sink was given " + std::to_string(n) + " non-finite coordinates\n";
        const auto& got = sink_->drawn;
        const auto& want = figure_.drawn;
        const std::size_t n = std::min(got.size(), want.size());
        for (std::size_t i = 0; i < n; ++i) {
            if (!(got[i] == want[i]))
                return trouble + "drawing " + std::to_string(i) + ": " + describe(got[i]) + ", model says "
                    + describe(want[i]) + "\n";
        }
        if (got.size() != want.size())
            trouble += "drew " + std::to_string(got.size()) + " things, model " + std::to_string(want.size())
                + (got.size() > n ? ", first extra " + describe(got[n]) : ", first missing " + describe(want[n]))
                + "\n";
        return trouble;
    }

    std::string compare_state() const
    {
        const Module1& s = *real_;
        std::string trouble;
        if (s.point_count < 0 || s.point_count > Module1::kTableSize)
            trouble += "point_count " + std::to_string(s.point_count) + " outside 0..5001\n";
        if (s.point_count != figure_.point_count())
            trouble += "point_count " + std::to_string(s.point_count) + ", model "
                + std::to_string(figure_.point_count()) + "\n";
        if (s.side_open != figure_.side_open)
            trouble += std::string("side_open ") + (s.side_open ? "true" : "false") + ", model "
                + (figure_.side_open ? "true" : "false") + "\n";
        if (s.subdivs != figure_.subdivs)
            trouble += "subdivs " + std::to_string(s.subdivs) + ", model " + std::to_string(figure_.subdivs) + "\n";
        if (s.kaleidoscope_on != figure_.kaleidoscope_on)
            trouble += "kaleidoscope_on differs\n";
        if (s.palette != figure_.palette)
            trouble += "palette changed\n";
        if (!trouble.empty())
            return trouble;
        for (int i = 0; i < s.point_count; ++i) {
            if (std::bit_cast<std::uint32_t>(s.point_x[i]) != std::bit_cast<std::uint32_t>(figure_.xs[i])
                || std::bit_cast<std::uint32_t>(s.point_y[i]) != std::bit_cast<std::uint32_t>(figure_.ys[i])) {
                std::ostringstream m;
                m.precision(9);
                m << "point " << i << " is (" << s.point_x[i] << ", " << s.point_y[i] << "), model ("
                  << figure_.xs[i] << ", " << figure_.ys[i] << ")\n";
                return m.str();
            }
        }
        return {};
    }

    std::unique_ptr<Module1> real_; // on the heap, so ASan sees reads before its start
    model::Figure figure_;
    std::unique_ptr<RecordingSink> sink_ = std::make_unique<RecordingSink>(); // afresh each step
};

// Draws user actions: mostly clicks, often chained where the last side ended, with the odd
// far-off point, count change, loop, kaleidoscope, export, clear and recolouring.
class OpMaker {
public:
    // Without saves, the share of saves goes to the kaleidoscope.
    OpMaker(std::uint64_t seed, bool saves) : rng_(seed), saves_(saves) {}

    // `strings_per_copy` keeps the replays small enough for a quick run.
    Op next(long long strings_per_copy, bool full)
    {
        Op op;
        // A full table mostly just says so; start afresh soon.
        const int r = full && pick(4) == 0 ? 93 : pick(100);
        if (r < 52) {
            op.kind = Op::Click;
            click(op);
        } else if (r < 62) {
            op.kind = Op::Subdivs;
            op.text = subdivs_text();
        } else if (r < 70) {
            op.kind = Op::Close;
        } else if (r < 79) {
            op.kind = Op::Kaleidoscope;
            op.text = copies_text(strings_per_copy);
        } else if (r < 93) {
            op.kind = saves_ ? Op::Export : Op::Kaleidoscope;
            op.text = copies_text(strings_per_copy);
        } else if (r < 95) {
            op.kind = Op::Clear;
        } else {
            op.kind = Op::Palette;
            for (Colour& c : op.colours)
                c = std::uniform_int_distribution<Colour>(0, kMaxColour)(rng_);
        }
        return op;
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    float log_uniform(double low, double high)
    {
        const double e = std::uniform_real_distribution<double>(std::log(low), std::log(high))(rng_);
        return float(pick(2) ? std::exp(e) : -std::exp(e));
    }

    void click(Op& op)
    {
        const int r = pick(100);
        if (r < 25) {
            op.x = last_x_, op.y = last_y_; // start where the last side ended
        } else if (r < 80) {
            std::uniform_real_distribution<float> on_canvas(-600.0f, 600.0f);
            op.x = on_canvas(rng_), op.y = on_canvas(rng_);
            // Whole and half units put metafile coordinates right on a rounding tie.
            if (const int grid = pick(3))
                op.x = std::round(op.x * grid) / grid, op.y = std::round(op.y * grid) / grid;
        } else if (r < 95) {
            std::uniform_real_distribution<float> beside(-1200.0f, 1200.0f);
            op.x = beside(rng_), op.y = beside(rng_);
        } else if (r < 96) {
            // The edges of a metafile coordinate, and just beyond them.
            static const float edges[] = {16383.0f, 16383.4f, 16383.5f, 16384.0f, -16383.0f, -16383.4f,
                                          -16383.5f, -16383.6f, -16382.5f, 32767.0f, -32768.0f, 0.5f,
                                          -0.5f, 65536.0f};
            op.x = edges[pick(int(std::size(edges)))], op.y = edges[pick(int(std::size(edges)))];
        } else if (r < 98) {
            op.x = log_uniform(600, 40000), op.y = log_uniform(600, 40000);
        } else {
            op.x = log_uniform(1, 1e30), op.y = log_uniform(1e-30, 1e30);
        }
        last_x_ = op.x, last_y_ = op.y;
    }

    std::string subdivs_text()
    {
        static const char* const odd[] = {"",     "abc",     "40000",    "-40000", "2.5",  "7.5", " 12 ",
                                          "1e3",  "1e5",     "32767.5",  "-32768.5", "0x10", "1,5", ".",
                                          "-",    "nan",     "16383.5",  "0.4",    "-0.5", "6.5"};
        static const int extreme[] = {16383, 16384, -16384, -16385, 32767, -32768, -32767, -32766, 20000, -20000,
                                      5000, 5001, 5002, 9999, 2500, 2501};
        const int r = pick(100);
        if (r < 45)
            return std::to_string(2 + pick(29));
        if (r < 58) {
            static const int small[] = {0, 1, -1, -2, -5, -20};
            return std::to_string(small[pick(6)]);
        }
        if (r < 68)
            return std::to_string(31 + pick(270));
        if (r < 74)
            return std::to_string(300 + pick(4700));
        if (r < 82)
            return std::to_string(extreme[pick(int(std::size(extreme)))]);
        return odd[pick(int(std::size(odd)))];
    }

    std::string copies_text(long long strings_per_copy)
    {
        static const char* const texts[] = {"0",  "1",   "2",     "3",      "4",     "5",     "6",   "8",
                                            "12", "-1",  "-3",    "abc",    "",      "40000", "-40000",
                                            "2.5", "3.5", "1e1",  " 6 ",    "0.4",   "-0.5",  "32767",
                                            "-32768", "1,5", "5x", "0.5",  "1.5",   "7"};
        for (;;) {
            const std::string text = texts[pick(int(std::size(texts)))];
            const auto copies = reference::to_int16(text);
            const long long work = copies ? std::llabs(*copies) * (strings_per_copy + 1) : 0;
            if (work <= 120000)
                return text;
        }
    }

    std::mt19937_64 rng_;
    bool saves_;
    float last_x_ = 0, last_y_ = 0;
};

// What a random run met.
struct Tally {
    std::map<std::string, int> limits; // by name, how many steps stopped there
    int peak_points = 0;
    std::string trouble; // the first difference, with the steps before it; empty if none
};

// Runs TRESSIK_PROPERTY_STEPS random steps (kDefaultSteps unless set) from
// TRESSIK_PROPERTY_SEED, with saves when the harness takes them; `after` sees each step
// once it has passed.
inline Tally run_random(Harness& h, const std::function<void(const Op&)>& after)
{
    const std::uint64_t seed = env_number("TRESSIK_PROPERTY_SEED", kDefaultSeed);
    const std::uint64_t steps = env_number("TRESSIK_PROPERTY_STEPS", kDefaultSteps);
    qInfo("seed %llu, %llu steps; rerun with TRESSIK_PROPERTY_SEED=%llu TRESSIK_PROPERTY_STEPS=%llu",
          static_cast<unsigned long long>(seed), static_cast<unsigned long long>(steps),
          static_cast<unsigned long long>(seed), static_cast<unsigned long long>(steps));

    OpMaker maker(seed, bool(h.save));
    Tally tally;
    std::deque<std::string> recent;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    Clock::time_point last_report = start;
    for (std::uint64_t step = 0; step < steps; ++step) {
        // A long run says how far it has got, about every ten seconds.
        if (step % 1024 == 0 && Clock::now() - last_report >= std::chrono::seconds(10)) {
            last_report = Clock::now();
            const double seconds = std::chrono::duration<double>(last_report - start).count();
            qInfo("%llu of %llu steps, %.0f s, %.0f steps/s", static_cast<unsigned long long>(step),
                  static_cast<unsigned long long>(steps), seconds, double(step) / seconds);
        }
        const auto& f = h.figure();
        const long long per_copy = f.subdivs > 0 ? std::max(0, f.point_count() - f.subdivs) : 1;
        const Op op = maker.next(per_copy, f.point_count() == model::Figure::kTable);
        recent.push_back("#" + std::to_string(step) + " " + op.describe());
        if (recent.size() > 40)
            recent.pop_front();
        const std::string trouble = h.apply(op);
        if (!trouble.empty()) {
            tally.trouble = "seed " + std::to_string(seed) + ", step " + std::to_string(step) + ": " + trouble
                + "last steps:\n";
            for (const std::string& line : recent)
                tally.trouble += "  " + line + "\n";
            return tally;
        }
        if (h.last_limit)
            ++tally.limits[name_of(h.last_limit)];
        tally.peak_points = std::max<int>(tally.peak_points, h.real().point_count);
        after(op);
    }
    std::string limits;
    for (const auto& [name, n] : tally.limits)
        limits += " " + name + "=" + std::to_string(n);
    qInfo("limits:%s; largest figure %d points", limits.c_str(), tally.peak_points);
    return tally;
}

// Whether a run is long enough to be held to reaching every limit and the largest figure.
inline bool full_length() { return env_number("TRESSIK_PROPERTY_STEPS", kDefaultSteps) >= kDefaultSteps; }

// A long run on demand goes on for as long as it takes: QTest's per-function watchdog
// (five minutes unless told otherwise) would stop it part-way. Call before QTest::qExec.
inline void allow_long_runs()
{
    if (env_number("TRESSIK_PROPERTY_STEPS", kDefaultSteps) > kDefaultSteps
        && !qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number(std::numeric_limits<int>::max()));
}

// Runs the steps on the core and the model; empty when they agree.
inline std::string run(Harness& h, const std::vector<Op>& ops)
{
    for (std::size_t i = 0; i < ops.size(); ++i) {
        const std::string trouble = h.apply(ops[i]);
        if (!trouble.empty())
            return "step " + std::to_string(i) + " (" + ops[i].describe() + "):\n" + trouble;
    }
    return {};
}

inline Op click(float x, float y) { return {Op::Click, x, y}; }
inline Op with_text(Op::Kind kind, const char* text) { return {kind, 0, 0, text}; }

} // namespace property

// Runs the steps on the core and the model; any difference fails with its description.
#define CHECK_RUN(harness, ...)                                                                            \
    do {                                                                                                   \
        const std::string trouble_ = property::run(harness, __VA_ARGS__);                                  \
        QVERIFY2(trouble_.empty(), trouble_.c_str());                                                      \
    } while (false)
