#include "core/Kaleidoscope.h"

#include "core/DrawingSink.h"

#include <cmath>
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

ReplayResult draw_kaleidoscope(const Module1& state, int copies, DrawingSink& sink,
                               const ReplayProgress& progress)
{
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
