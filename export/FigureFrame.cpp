#include "export/FigureFrame.h"

#include "core/Kaleidoscope.h"
#include "core/Module1.h"
#include "raster/WorkerPool.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

class BoxSink final : public StringSink {
public:
    explicit BoxSink(FigureFrame& frame) : frame_(frame) {}

    void pen(Colour) override {}
    bool strings(std::span<const ReplayedString> batch) override
    {
        // In locals, so the loop keeps them in registers.
        double min_x = frame_.min_x, max_x = frame_.max_x, min_y = frame_.min_y, max_y = frame_.max_y;
        long long left_out = 0;
        for (const ReplayedString& s : batch) {
            if (!finite_string(s)) {
                ++left_out;
                continue;
            }
            min_x = std::min({min_x, s.x1, s.x2});
            max_x = std::max({max_x, s.x1, s.x2});
            min_y = std::min({min_y, s.y1, s.y2});
            max_y = std::max({max_y, s.y1, s.y2});
        }
        frame_.min_x = min_x;
        frame_.max_x = max_x;
        frame_.min_y = min_y;
        frame_.max_y = max_y;
        frame_.left_out += left_out;
        frame_.strings += (long long)batch.size() - left_out;
        return true;
    }

private:
    FigureFrame& frame_;
};

double picture_inches(double extent, double scale)
{
    return std::max(extent * scale / FigureFrame::kUnitsPerInch + FigureFrame::kStringInches,
                    FigureFrame::kLeastInches);
}

} // namespace

double FigureFrame::width_inches() const { return picture_inches(empty() ? 0 : max_x - min_x, scale); }
double FigureFrame::height_inches() const { return picture_inches(empty() ? 0 : max_y - min_y, scale); }

void FigureFrame::fit(const std::function<bool(double, double)>& fits)
{
    scale = 1;
    if (fits(width_inches(), height_inches()))
        return;
    // The size only grows with the scale: halve the interval until the scale is exact to
    // double's precision.
    double low = 0, high = 1;
    for (int i = 0; i < 64; ++i) {
        scale = (low + high) / 2;
        (fits(width_inches(), height_inches()) ? low : high) = scale;
    }
    scale = low > 0 ? low : std::numeric_limits<double>::min();
}

namespace {

// Copies measured between two progress reports.
constexpr int kCopiesPerReport = 256;

// The box of every end of every copy, from the points the strings join: each point turned as
// the replay turns it, every copy of a report shared out over the workers.
bool measure_points(const Module1& s, int copies, const ReplayProgress& progress,
                    WorkerPool& pool, FigureFrame& frame)
{
    struct Extent {
        double min_x, max_x, min_y, max_y;
    };
    // String j joins point j to point j + n, for j up to point_count - n - 1: the ends are
    // points 0 .. min(that, n - 1) and n .. point_count - 1.
    const int n = s.subdivs, points = s.point_count;
    const int ends[2][2] = {{0, std::min(points - n, n)}, {n, points}};
    std::vector<Extent> extents(std::size_t(pool.size()),
                                {frame.min_x, frame.max_x, frame.min_y, frame.max_y});
    for (int done = 0; done < copies; done += kCopiesPerReport) {
        if (progress && !progress(done, copies))
            return false;
        const int end = std::min(copies, done + kCopiesPerReport);
        pool.run([&](int w) {
            Extent e = extents[std::size_t(w)];
            const int workers = pool.size();
            for (int k = done + (end - done) * w / workers; k < done + (end - done) * (w + 1) / workers; ++k) {
                const Turn t = copy_turn(k, copies);
                for (const auto& range : ends)
                    for (int i = range[0]; i < range[1]; ++i) {
                        const double ax = s.point_x[i], ay = s.point_y[i];
                        const double x = ax * t.c - ay * t.s, y = ax * t.s + ay * t.c;
                        e.min_x = std::min(e.min_x, x);
                        e.max_x = std::max(e.max_x, x);
                        e.min_y = std::min(e.min_y, y);
                        e.max_y = std::max(e.max_y, y);
                    }
            }
            extents[std::size_t(w)] = e;
        });
    }
    for (const Extent& e : extents) {
        frame.min_x = std::min(frame.min_x, e.min_x);
        frame.max_x = std::max(frame.max_x, e.max_x);
        frame.min_y = std::min(frame.min_y, e.min_y);
        frame.max_y = std::max(frame.max_y, e.max_y);
    }
    return true;
}

} // namespace

FigureFrame measure_figure(const Module1& state, int copies, const ReplayProgress& progress,
                           ReplayResult& replay)
{
    return measure_figure(state, copies, progress, replay, WorkerPool::shared());
}

FigureFrame measure_figure(const Module1& state, int copies, const ReplayProgress& progress,
                           ReplayResult& replay, WorkerPool& pool)
{
    FigureFrame frame;
    frame.min_x = frame.min_y = std::numeric_limits<double>::infinity();
    frame.max_x = frame.max_y = -std::numeric_limits<double>::infinity();
    if (const std::optional<FigureStrings> figure = whole_figure(state, copies)) {
        replay = {};
        replay.cancelled = !measure_points(state, copies, progress, pool, frame);
        if (!replay.cancelled) {
            frame.strings = (long long)figure->strings.size() * copies;
            replay.strings = frame.strings;
        }
    } else {
        BoxSink sink(frame);
        replay = replay_strings(state, copies, sink, progress);
    }
    if (frame.strings == 0) {
        frame.min_x = frame.min_y = 1;
        frame.max_x = frame.max_y = 0;
    }
    return frame;
}
