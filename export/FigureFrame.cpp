#include "export/FigureFrame.h"

#include <algorithm>
#include <cmath>

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

FigureFrame measure_figure(const Module1& state, int copies, const ReplayProgress& progress,
                           ReplayResult& replay)
{
    FigureFrame frame;
    frame.min_x = frame.min_y = std::numeric_limits<double>::infinity();
    frame.max_x = frame.max_y = -std::numeric_limits<double>::infinity();
    BoxSink sink(frame);
    replay = replay_strings(state, copies, sink, progress);
    if (frame.strings == 0) {
        frame.min_x = frame.min_y = 1;
        frame.max_x = frame.max_y = 0;
    }
    return frame;
}
