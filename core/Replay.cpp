#include "core/Replay.h"

#include "core/Module1.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// The constant the figures have always been turned with; keep it, or saved files change.
constexpr double kPi = 3.141592654;
constexpr int kBatch = 1024;

class Batcher {
public:
    explicit Batcher(StringSink& sink) : sink_(sink) {}

    bool push(const ReplayedString& s)
    {
        buffer_[used_++] = s;
        return used_ < kBatch || flush();
    }

    bool flush()
    {
        if (used_ == 0)
            return true;
        const bool go_on = sink_.strings(std::span(buffer_.data(), used_));
        handed_ += used_;
        used_ = 0;
        return go_on;
    }

    long long handed() const { return handed_; }

private:
    StringSink& sink_;
    std::array<ReplayedString, kBatch> buffer_;
    int used_ = 0;
    long long handed_ = 0;
};

} // namespace

Turn copy_turn(int k, int copies)
{
    const double angle = ((double(k) / copies) * 2) * kPi;
    return {std::cos(angle), std::sin(angle)};
}

ReplayResult replay_strings(const Module1& s, int copies, StringSink& sink,
                            const ReplayProgress& progress)
{
    ReplayResult result;
    Batcher batch(sink);
    const int n = s.subdivs;
    // The copies run from 0 to copies - 1, and that bound is a 16-bit quantity too.
    if (!checked16(copies - 1)) {
        result.limit = Limit::Overflow;
        return result;
    }
    for (int k = 0; k < copies; ++k) {
        if (progress && !progress(k, copies)) {
            result.cancelled = true;
            break;
        }
        // A step at a time in 16 bits: point_count - subdivs alone can overflow.
        const auto gap = checked16(s.point_count - n);
        const auto bound = gap ? checked16(*gap - 1) : std::nullopt;
        if (!bound) {
            result.limit = Limit::Overflow;
            break;
        }
        const int last = *bound;
        if (last < 0)
            continue;
        if (n == 0) {
            result.limit = Limit::DivisionByZero;
            break;
        }
        if (n < 0) {
            // The first string would pair point 0 with a point before it.
            sink.pen(s.palette[0]);
            result.limit = Limit::NegativeIndex;
            break;
        }
        // From here every j and j + n lie within the stored points.
        const Turn turn = copy_turn(k, copies);
        const double c = turn.c;
        const double si = turn.s;
        bool go_on = true;
        for (int side_start = 0; go_on && side_start <= last; side_start += n) {
            if (!batch.flush()) {
                go_on = false;
                break;
            }
            sink.pen(s.palette[(side_start / n) % 8]);
            const int side_end = std::min(side_start + n - 1, last);
            for (int j = side_start; j <= side_end; ++j) {
                const int m = j + n;
                const double ax = s.point_x[j], ay = s.point_y[j];
                const double bx = s.point_x[m], by = s.point_y[m];
                if (!batch.push({ax * c - ay * si, ax * si + ay * c, bx * c - by * si, bx * si + by * c})) {
                    go_on = false;
                    break;
                }
            }
        }
        if (!go_on || !batch.flush()) {
            result.stopped_by_sink = true;
            break;
        }
    }
    if (!result.stopped_by_sink && !batch.flush())
        result.stopped_by_sink = true;
    result.strings = batch.handed();
    return result;
}
