#include "export/WmfStringSink.h"

#include "export/WmfWriter.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

static_assert(FLT_EVAL_METHOD == 0, "the rounding below needs plain double arithmetic");

namespace {

constexpr double kLimit = WmfWriter::kLimit;

// Nearest whole number, halves to even, as std::nearbyint gives in the default rounding
// mode. Near 1.5 * 2^52 a double has no fraction bits, so adding it rounds in the current
// mode, and taking it away is exact: no library call per coordinate. Holds below 2^51.
double round_even(double value)
{
    constexpr double kShift = 6755399441055744.0;
    return (value + kShift) - kShift;
}

// The rounded coordinate when it lies in the file's range. Halves go to even, so exactly
// the values below kLimit + 0.5 in size round into it: one test, which NaN fails too.
bool to_coordinate(double value, int& out)
{
    if (!(std::fabs(value) < kLimit + 0.5))
        return false;
    out = static_cast<int>(round_even(value));
    return true;
}

// The end point's y has always passed through single precision on its way to the file;
// keep it, or files change by a unit here and there. Large values are turned away before
// the narrowing, which is undefined beyond float's range.
bool to_coordinate_via_float(double value, int& out)
{
    if (!(std::fabs(value) < kLimit + 1))
        return false;
    return to_coordinate(static_cast<double>(static_cast<float>(value)), out);
}

// A point where a cut string meets the edge; rounding must not carry it past the edge.
int edge_coordinate(double value)
{
    return static_cast<int>(std::clamp(round_even(std::clamp(value, -kLimit, kLimit)), -kLimit, kLimit));
}

} // namespace

WmfStringSink::WmfStringSink(WmfWriter& wmf, Colour first_pen)
    : wmf_(wmf), pen_(wmf.create_pen(first_pen))
{
    wmf_.select_object(pen_);
}

void WmfStringSink::pen(Colour colour)
{
    wmf_.delete_object(pen_);
    pen_ = wmf_.create_pen(colour);
    wmf_.select_object(pen_);
}

bool WmfStringSink::strings(std::span<const ReplayedString> batch)
{
    // Counted and boxed here: the writer's stores could alias a member.
    long long written = 0;
    WmfWriter::Box box;
    for (const ReplayedString& s : batch) {
        int x1, y1, x2, y2;
        if (to_coordinate(s.x1, x1) && to_coordinate(s.y1, y1) && to_coordinate(s.x2, x2)
            && to_coordinate_via_float(s.y2, y2)) {
            wmf_.line(x1, y1, x2, y2, box);
            ++written;
        } else {
            clip(s);
        }
    }
    written_ += written;
    wmf_.cover(box);
    // Checked per batch: once the disk is full there is no point replaying the rest.
    return wmf_.ok();
}

// Cuts the string to the square the file can hold (Liang and Barsky's way). An end inside
// keeps the rounding it has always had; only an end outside moves, to the edge. The square
// is taken half a unit wider, so that every end that rounds inside counts as inside.
void WmfStringSink::clip(const ReplayedString& s)
{
    if (!std::isfinite(s.x1) || !std::isfinite(s.y1) || !std::isfinite(s.x2) || !std::isfinite(s.y2)) {
        ++left_out_;
        return;
    }
    constexpr double kEdge = kLimit + 0.5;
    const double dx = s.x2 - s.x1;
    const double dy = s.y2 - s.y1;
    double enter = 0, leave = 1;
    const double along[4] = {-dx, dx, -dy, dy};
    const double room[4] = {s.x1 + kEdge, kEdge - s.x1, s.y1 + kEdge, kEdge - s.y1};
    for (int i = 0; i < 4; ++i) {
        if (along[i] == 0) {
            if (room[i] < 0) {
                ++left_out_;
                return;
            }
            continue;
        }
        const double t = room[i] / along[i];
        if (along[i] < 0)
            enter = std::max(enter, t);
        else
            leave = std::min(leave, t);
    }
    if (!(enter <= leave)) {
        ++left_out_;
        return;
    }

    int x1, y1, x2, y2;
    if (!to_coordinate(s.x1, x1) || !to_coordinate(s.y1, y1)) {
        x1 = edge_coordinate(s.x1 + enter * dx);
        y1 = edge_coordinate(s.y1 + enter * dy);
    }
    if (!to_coordinate(s.x2, x2) || !to_coordinate_via_float(s.y2, y2)) {
        x2 = edge_coordinate(s.x1 + leave * dx);
        y2 = edge_coordinate(s.y1 + leave * dy);
    }
    wmf_.line(x1, y1, x2, y2);
    ++written_;
    ++clipped_;
}

void WmfStringSink::release_pen()
{
    wmf_.delete_object(pen_);
}
