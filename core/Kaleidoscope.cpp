#include "core/Kaleidoscope.h"

#include "core/DrawingSink.h"
#include "core/Module1.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace {

// Strings are gathered across pens into one batch per copy, so that a drawing sink that
// splits its work (the canvas does, over all cores) gets batches worth splitting. The batch
// is drawn before each progress report and at the end, so whatever the user sees or cancels
// at a report is every copy before it, drawn whole.
class SinkAdaptor final : public StringSink {
public:
    explicit SinkAdaptor(DrawingSink& sink) : sink_(sink) {}

    void pen(Colour colour) override { runs_.push_back({colour, 0}); }

    bool strings(std::span<const ReplayedString> batch) override
    {
        for (const ReplayedString& s : batch) {
            const Segment f{float(s.x1), float(s.y1), float(s.x2), float(s.y2)};
            // A turned point can leave single precision, which the canvas cannot hold.
            if (!(std::isfinite(f.x1) && std::isfinite(f.y1) && std::isfinite(f.x2)
                  && std::isfinite(f.y2))) {
                overflowed_ = true;
                return false;
            }
            segments_.push_back(f);
            ++runs_.back().count; // the replay sets a pen before every side's strings
        }
        return true;
    }

    void flush()
    {
        if (runs_.empty())
            return;
        sink_.coloured_lines(segments_, runs_);
        segments_.clear();
        runs_.clear();
    }

    bool overflowed() const { return overflowed_; }

private:
    DrawingSink& sink_;
    std::vector<Segment> segments_;
    std::vector<ColourRun> runs_;
    bool overflowed_ = false;
};

} // namespace

std::optional<FigureStrings> whole_figure(const Module1& s, int copies)
{
    const int n = s.subdivs;
    if (copies < 1 || !checked16(copies - 1) || n <= 0)
        return std::nullopt;
    const auto gap = checked16(s.point_count - n);
    const auto bound = gap ? checked16(*gap - 1) : std::nullopt;
    if (!bound || *bound < 0)
        return std::nullopt;
    const int last = *bound;
    FigureStrings f;
    f.strings.reserve(std::size_t(last) + 1);
    // A turn keeps a point's distance from the origin, and single precision holds any
    // coordinate up to 3.4e38.
    constexpr double kSafe = 3e38;
    for (int j = 0; j <= last; ++j) {
        const Segment g{s.point_x[j], s.point_y[j], s.point_x[j + n], s.point_y[j + n]};
        if (!(std::hypot(g.x1, g.y1) <= kSafe && std::hypot(g.x2, g.y2) <= kSafe))
            return std::nullopt;
        f.strings.push_back(g);
    }
    for (int side_start = 0; side_start <= last; side_start += n)
        f.runs.push_back({s.palette[(side_start / n) % 8],
                          std::size_t(std::min(side_start + n - 1, last) - side_start + 1)});
    return f;
}

std::vector<Turn> copy_turns(int copies)
{
    std::vector<Turn> turns;
    turns.reserve(std::size_t(std::max(copies, 0)));
    for (int k = 0; k < copies; ++k)
        turns.push_back(copy_turn(k, copies));
    return turns;
}

ReplayResult draw_kaleidoscope(const Module1& state, int copies, DrawingSink& sink,
                               const ReplayProgress& progress)
{
    if (const std::optional<FigureStrings> figure = whole_figure(state, copies)) {
        const std::vector<Turn> turns = copy_turns(copies);
        if (const std::optional<int> drawn
            = sink.draw_copies({figure->strings, figure->runs, turns}, progress)) {
            ReplayResult result;
            result.cancelled = *drawn < copies;
            result.strings = (long long)*drawn * (long long)figure->strings.size();
            return result;
        }
    }
    SinkAdaptor adaptor(sink);
    ReplayResult result = replay_strings(state, copies, adaptor, [&](int done, int total) {
        adaptor.flush();
        return !progress || progress(done, total);
    });
    adaptor.flush();
    if (adaptor.overflowed())
        result.limit = Limit::Overflow;
    return result;
}
