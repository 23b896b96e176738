#include "core/Kaleidoscope.h"

#include "core/DrawingSink.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

class SinkAdaptor final : public StringSink {
public:
    explicit SinkAdaptor(DrawingSink& sink) : sink_(sink) {}

    void pen(Colour colour) override { sink_.set_color(colour); }

    bool strings(std::span<const ReplayedString> batch) override
    {
        std::array<Segment, 1024> segments;
        while (!batch.empty()) {
            std::size_t n = std::min(batch.size(), segments.size());
            for (std::size_t i = 0; i < n; ++i) {
                const ReplayedString& s = batch[i];
                const Segment f{float(s.x1), float(s.y1), float(s.x2), float(s.y2)};
                // A turned point can leave single precision, which the canvas cannot hold.
                if (!(std::isfinite(f.x1) && std::isfinite(f.y1) && std::isfinite(f.x2)
                      && std::isfinite(f.y2))) {
                    overflowed_ = true;
                    n = i;
                    break;
                }
                segments[i] = f;
            }
            if (n > 0)
                sink_.lines(std::span(segments.data(), n));
            if (overflowed_)
                return false;
            batch = batch.subspan(n);
        }
        return true;
    }

    bool overflowed() const { return overflowed_; }

private:
    DrawingSink& sink_;
    bool overflowed_ = false;
};

} // namespace

ReplayResult draw_kaleidoscope(const Module1& state, int copies, DrawingSink& sink,
                               const ReplayProgress& progress)
{
    SinkAdaptor adaptor(sink);
    ReplayResult result = replay_strings(state, copies, adaptor, progress);
    if (adaptor.overflowed())
        result.limit = Limit::Overflow;
    return result;
}
