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
    Box box;
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

namespace {

struct Point {
    double x, y;
};

// The square a file can hold, half a unit wider than its coordinates, so that every end
// that rounds inside it counts as inside.
constexpr double kEdge = kLimit + 0.5;

bool inside(Point p) { return std::fabs(p.x) < kEdge && std::fabs(p.y) < kEdge; }

// Whether the string from a to b misses the square (Liang and Barsky's test).
bool misses(Point a, Point b)
{
    const double along[4] = {a.x - b.x, b.x - a.x, a.y - b.y, b.y - a.y};
    const double room[4] = {a.x + kEdge, kEdge - a.x, a.y + kEdge, kEdge - a.y};
    double enter = 0, leave = 1;
    for (int i = 0; i < 4; ++i) {
        if (along[i] == 0) {
            if (room[i] < 0)
                return true;
            continue;
        }
        const double t = room[i] / along[i];
        if (along[i] < 0)
            enter = std::max(enter, t);
        else
            leave = std::min(leave, t);
    }
    return !(enter <= leave);
}

// A point of the string inside the square, when it has one: halves the string toward the
// square until the middle lands inside. Each middle is taken from ends nearer the square
// than the last, so far ends (a click far off a small canvas, turned) cost no precision.
bool point_inside(Point a, Point b, Point& found)
{
    for (int i = 0; i < 2200; ++i) { // halvings from double's largest to adjacent values
        if (misses(a, b))
            return false;
        const Point middle{a.x * 0.5 + b.x * 0.5, a.y * 0.5 + b.y * 0.5};
        if (inside(middle)) {
            found = middle;
            return true;
        }
        if (misses(a, middle))
            a = middle;
        else
            b = middle;
    }
    return false;
}

// Where the string from `from`, inside the square, toward `to` leaves it. Measured from the
// inside point, so that a far `to` only scales a small fraction.
Point leaving(Point from, Point to)
{
    const double dx = to.x - from.x, dy = to.y - from.y;
    double t = 1;
    if (dx != 0)
        t = std::min(t, ((dx > 0 ? kEdge : -kEdge) - from.x) / dx);
    if (dy != 0)
        t = std::min(t, ((dy > 0 ? kEdge : -kEdge) - from.y) / dy);
    return {from.x + t * dx, from.y + t * dy};
}

} // namespace

// Cuts the string to the square the file can hold. An end inside keeps the rounding it has
// always had; only an end outside moves, to the edge.
void WmfStringSink::clip(const ReplayedString& s)
{
    if (!std::isfinite(s.x1) || !std::isfinite(s.y1) || !std::isfinite(s.x2) || !std::isfinite(s.y2)) {
        ++left_out_;
        return;
    }
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    const bool from_inside = to_coordinate(s.x1, x1) && to_coordinate(s.y1, y1);
    const bool to_inside = to_coordinate(s.x2, x2) && to_coordinate_via_float(s.y2, y2);
    const Point from{s.x1, s.y1}, to{s.x2, s.y2};
    Point base = from_inside ? from : to;
    if (!from_inside && !to_inside && !point_inside(from, to, base)) {
        ++left_out_;
        return;
    }
    if (!from_inside) {
        const Point edge = leaving(base, from);
        x1 = edge_coordinate(edge.x);
        y1 = edge_coordinate(edge.y);
    }
    if (!to_inside) {
        const Point edge = leaving(base, to);
        x2 = edge_coordinate(edge.x);
        y2 = edge_coordinate(edge.y);
    }
    wmf_.line(x1, y1, x2, y2);
    ++written_;
    ++clipped_;
}

void WmfStringSink::release_pen()
{
    wmf_.delete_object(pen_);
}
