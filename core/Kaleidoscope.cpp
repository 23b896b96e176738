#include "core/Kaleidoscope.h"

#include "core/DrawingSink.h"

#include <algorithm>
#include <array>

namespace {

class SinkAdaptor final : public StringSink {
public:
    explicit SinkAdaptor(DrawingSink& sink) : sink_(sink) {}

    void pen(Colour colour) override { sink_.set_color(colour); }

    bool strings(std::span<const ReplayedString> batch) override
    {
        std::array<Segment, 1024> segments;
        while (!batch.empty()) {
            const std::size_t n = std::min(batch.size(), segments.size());
            for (std::size_t i = 0; i < n; ++i) {
                const ReplayedString& s = batch[i];
                segments[i] = {float(s.x1), float(s.y1), float(s.x2), float(s.y2)};
            }
            sink_.lines(std::span(segments.data(), n));
            batch = batch.subspan(n);
        }
        return true;
    }

private:
    DrawingSink& sink_;
};

} // namespace

ReplayResult draw_kaleidoscope(const Module1& state, int copies, DrawingSink& sink,
                               const ReplayProgress& progress)
{
    SinkAdaptor adaptor(sink);
    return replay_strings(state, copies, adaptor, progress);
}
