#pragma once

// One line clipped to an image and set up to be stepped along its major axis: the machinery
// Raster and RosetteRaster share, so both light exactly the same pixels for a line.

#include "raster/Raster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

namespace stroke {

// Beyond this distance from the origin an end's magnitude swamps the small offsets that
// place a line near the image: such lines are clipped by clip_far.
constexpr double kFarEnd = 1048576.0; // 2^20

// Liang-Barsky with the parameters kept from both ends: t from the first end and u = 1 - t
// from the second, each crossing worked out from the end nearer it. So a line from 1e38 that
// ends beside the image is placed to within rounding of its near end, and the trimmed line
// stays between its two ends' rows and columns.
inline bool clip_far(double& x1, double& y1, double& x2, double& y2, double xmin, double ymin,
                     double xmax, double ymax)
{
    const double dx = x2 - x1, dy = y2 - y1;
    if (!(std::isfinite(dx) && std::isfinite(dy)))
        return false;
    double t0 = 0, u0 = 1; // where it enters
    double t1 = 1, u1 = 0; // where it leaves
    auto axis = [&](double a1, double a2, double d, double lo, double hi) {
        if (d == 0)
            return a1 >= lo && a1 <= hi;
        const double enter = d > 0 ? lo : hi, leave = d > 0 ? hi : lo;
        t0 = std::max(t0, (enter - a1) / d);
        u0 = std::min(u0, (a2 - enter) / d);
        t1 = std::min(t1, (leave - a1) / d);
        u1 = std::max(u1, (a2 - leave) / d);
        return true;
    };
    if (!axis(x1, x2, dx, xmin, xmax) || !axis(y1, y2, dy, ymin, ymax))
        return false;
    // Compared in the form that is exact near the crossings.
    const bool enters_late = t0 > 0.5, leaves_late = t1 > 0.5;
    if (enters_late ? (!leaves_late || u0 < u1) : (!leaves_late && t0 > t1))
        return false;
    const double ox = x1, oy = y1, ex = x2, ey = y2;
    x1 = enters_late ? ex - u0 * dx : ox + t0 * dx;
    y1 = enters_late ? ey - u0 * dy : oy + t0 * dy;
    x2 = leaves_late ? ex - u1 * dx : ox + t1 * dx;
    y2 = leaves_late ? ey - u1 * dy : oy + t1 * dy;
    return true;
}

// Liang-Barsky: trims the segment to [xmin, xmax] x [ymin, ymax]; false when nothing is left.
// Every pixel of the trimmed line lies within the rows (and columns) of the original ends:
// drawing in bands relies on it.
inline bool clip(double& x1, double& y1, double& x2, double& y2, double xmin, double ymin, double xmax,
          double ymax)
{
    // Both ends beyond one edge: nothing, exactly.
    if ((x1 < xmin && x2 < xmin) || (x1 > xmax && x2 > xmax) || (y1 < ymin && y2 < ymin)
        || (y1 > ymax && y2 > ymax))
        return false;
    if (std::max({std::abs(x1), std::abs(y1), std::abs(x2), std::abs(y2)}) > kFarEnd)
        return clip_far(x1, y1, x2, y2, xmin, ymin, xmax, ymax);
    double t0 = 0, t1 = 1;
    const double dx = x2 - x1, dy = y2 - y1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 - xmin, xmax - x1, y1 - ymin, ymax - y1};
    for (int i = 0; i < 4; ++i) {
        if (!(std::isfinite(p[i]) && std::isfinite(q[i])))
            return false;
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0) {
            if (r > t1)
                return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0)
                return false;
            t1 = std::min(t1, r);
        }
    }
    const double ox = x1, oy = y1;
    x1 = ox + t0 * dx;
    y1 = oy + t0 * dy;
    x2 = ox + t1 * dx;
    y2 = oy + t1 * dy;
    return true;
}

// floor(v) for |v| < 2^62, without a library call: equal to std::floor there.
inline std::int64_t floor64(double v)
{
    const auto i = static_cast<std::int64_t>(v);
    return i - (static_cast<double>(i) > v);
}

inline int nearest(double v) { return int(floor64(v + 0.5)); }

// nearest(v) clamped to [0, max]; defined for every finite v, however large.
inline int nearest_in(double v, int max)
{
    if (v < -1.0)
        return 0;
    if (v > max + 1.0)
        return max;
    return std::clamp(nearest(v), 0, max);
}

constexpr double kOne = 4294967296.0; // 32.32 fixed point
// Far beyond any image, yet far from overflowing 64 bits while a line is stepped along.
constexpr double kFixedLimit = 2305843009213693952.0; // 2^61

// floor(v * kOne), held within +-kFixedLimit (NaN, which well-clipped lines never produce,
// goes to the lower end): outside the image either way, and the caller checks rows.
inline std::int64_t to_fixed(double v)
{
    double w = v * kOne;
    if (!(w > -kFixedLimit))
        w = -kFixedLimit;
    else if (w > kFixedLimit)
        w = kFixedLimit;
    return floor64(w);
}

// One line, clipped and set up, ready to be stepped along its major axis.
struct Stroke {
    std::uint32_t* first;     // the first pixel
    std::int64_t minor, step; // 32.32 minor position of the first pixel, and per pixel
    int count;                // pixels after the first; -1 when there is nothing to draw
    int from;                 // major position of the first pixel
    bool steep;               // the major axis is y: stepping moves a row down
    bool checked;             // some minor positions may fall outside [0, minor_size)
    int minor_size;
};

inline void grow(Raster::Box& box, int left, int top, int right, int bottom)
{
    // Empty is {INT_MAX, INT_MAX, INT_MIN, INT_MIN} here, so growing needs no test.
    box.left = std::min(box.left, left);
    box.top = std::min(box.top, top);
    box.right = std::max(box.right, right);
    box.bottom = std::max(box.bottom, bottom);
}

// Clips the line to the image, works out its pixels and grows `dirty` to cover them.
[[gnu::always_inline]] inline Stroke prepare(std::uint32_t* pixels, int width, int height, std::ptrdiff_t stride,
                      double x1, double y1, double x2, double y2, Raster::Box& dirty)
{
    Stroke none{};
    none.count = -1;
    if (width <= 0 || height <= 0)
        return none;
    const double xmax = width - 0.5, ymax = height - 0.5;
    if (x1 >= -0.5 && x1 <= xmax && x2 >= -0.5 && x2 <= xmax && y1 >= -0.5 && y1 <= ymax
        && y2 >= -0.5 && y2 <= ymax) {
        // Wholly inside (NaN fails the tests): what the clip returns for a line it need not
        // trim, to the last bit, for it rebuilds the far end as start + 1 * delta.
        x2 = x1 + (x2 - x1);
        y2 = y1 + (y2 - y1);
    } else if (!clip(x1, y1, x2, y2, -0.5, -0.5, xmax, ymax)) {
        return none;
    }

    // Major axis a, minor axis b, a1 <= a2.
    const bool steep = std::abs(y2 - y1) > std::abs(x2 - x1);
    double a1 = x1, b1 = y1, a2 = x2, b2 = y2;
    if (steep) {
        std::swap(a1, b1);
        std::swap(a2, b2);
    }
    if (a1 > a2) {
        std::swap(a1, a2);
        std::swap(b1, b2);
    }
    // Along the major axis every whole position from one end to the other gets a pixel.
    const int major_size = steep ? height : width;
    const int minor_size = steep ? width : height;
    const int from = nearest_in(a1, major_size - 1);
    const int to = nearest_in(a2, major_size - 1);
    const double slope = a2 > a1 ? (b2 - b1) / (a2 - a1) : 0.0;

    Stroke s;
    s.minor = to_fixed(b1 + (from - a1) * slope + 0.5);
    s.step = std::int64_t(slope * kOne);
    s.count = to - from;
    s.from = from;
    s.steep = steep;
    s.minor_size = minor_size;
    s.first = pixels + from * (steep ? stride : 1);
    // The minor position moves monotonically, so the two ends bound every pixel between.
    int m0 = int(s.minor >> 32);
    int m1 = int((s.minor + std::int64_t(s.count) * s.step) >> 32);
    s.checked = !(unsigned(m0) < unsigned(minor_size) && unsigned(m1) < unsigned(minor_size));
    m0 = std::clamp(m0, 0, minor_size - 1);
    m1 = std::clamp(m1, 0, minor_size - 1);
    const int lo = std::min(m0, m1), hi = std::max(m0, m1);
    if (steep)
        grow(dirty, lo, from, hi, to);
    else
        grow(dirty, from, lo, to, hi);
    return s;
}

// Writes the stroke's pixels. Pointers are only ever formed to pixels that get written.
[[gnu::always_inline]] inline void run(const Stroke& s, std::ptrdiff_t stride, std::uint32_t colour)
{
    const std::int64_t minor = s.minor, step = s.step;
    const int n = s.count + 1;
    // Steep strokes step a row per pixel and move along the row; the others the other way.
    const std::ptrdiff_t major_stride = s.steep ? stride : 1;
    const std::ptrdiff_t minor_stride = s.steep ? 1 : stride;
    if (!s.checked && n >= 4) {
        // Four pixels at a time, each from its own multiple of the step, so they are
        // independent. The last four end exactly at the far end, overlapping the four
        // before if need be: those pixels are written again in the same colour.
        const std::int64_t step2 = 2 * step, step3 = 3 * step, step4 = 4 * step;
        const int last = n - 4;
        std::uint32_t* p = s.first;
        std::int64_t m = minor;
        const std::int64_t m_last = minor + last * step;
        if (s.steep) {
            const std::ptrdiff_t stride2 = 2 * stride, stride3 = 3 * stride, stride4 = 4 * stride;
            auto four = [&](std::uint32_t* q, std::int64_t at) {
                q[at >> 32] = colour;
                q[stride + ((at + step) >> 32)] = colour;
                q[stride2 + ((at + step2) >> 32)] = colour;
                q[stride3 + ((at + step3) >> 32)] = colour;
            };
            for (int i = 0; i < last; i += 4, p += stride4, m += step4)
                four(p, m);
            four(s.first + last * stride, m_last);
        } else {
            auto four = [&](std::uint32_t* q, std::int64_t at) {
                q[(at >> 32) * stride] = colour;
                q[((at + step) >> 32) * stride + 1] = colour;
                q[((at + step2) >> 32) * stride + 2] = colour;
                q[((at + step3) >> 32) * stride + 3] = colour;
            };
            for (int i = 0; i < last; i += 4, p += 4, m += step4)
                four(p, m);
            four(s.first + last, m_last);
        }
        return;
    }
    if (!s.checked) {
        for (int i = 0; i < n; ++i)
            s.first[i * major_stride + ((minor + i * step) >> 32) * minor_stride] = colour;
        return;
    }
    // An end lies a rounding hair outside the image (or the clip lost precision on huge
    // coordinates): check every pixel.
    const unsigned size = unsigned(s.minor_size);
    for (int i = 0; i < n; ++i) {
        const int m = int((minor + i * step) >> 32);
        if (unsigned(m) < size)
            s.first[i * major_stride + m * minor_stride] = colour;
    }
}

// Largest i with i * d <= n, for d > 0 (floor division).
inline std::int64_t floor_div(std::int64_t n, std::int64_t d)
{
    const std::int64_t q = n / d;
    return q - (q * d > n);
}

// Narrows the stroke to the pixels that lie in rows top to bottom; false when none do.
// The pixels kept are the very ones the whole stroke lights there: the first pointer and
// the minor position move by whole steps, so each keeps its exact fixed-point position.
inline bool keep_rows(Stroke& s, std::ptrdiff_t stride, int top, int bottom)
{
    std::int64_t i0, i1; // the range of pixel indices to keep, inclusive
    if (s.steep) {
        // A row per pixel.
        i0 = top - s.from;
        i1 = bottom - s.from;
    } else {
        // The row of pixel i is (minor + i * step) >> 32, monotonic in i.
        const std::int64_t lo = std::int64_t(top) << 32;         // rows >= top
        const std::int64_t hi = (std::int64_t(bottom) + 1) << 32; // rows <= bottom
        const std::int64_t m = s.minor, step = s.step;
        if (step > 0) {
            i0 = m >= lo ? 0 : floor_div(lo - m + step - 1, step);
            i1 = m >= hi ? -1 : floor_div(hi - 1 - m, step);
        } else if (step < 0) {
            const std::int64_t down = -step;
            i0 = m < hi ? 0 : floor_div(m - hi, down) + 1;
            i1 = m < lo ? -1 : floor_div(m - lo, down);
        } else {
            const bool inside = m >= lo && m < hi;
            i0 = inside ? 0 : 1;
            i1 = inside ? s.count : 0;
        }
    }
    i0 = std::max<std::int64_t>(i0, 0);
    i1 = std::min<std::int64_t>(i1, s.count);
    if (i0 > i1)
        return false;
    s.first += i0 * (s.steep ? stride : 1);
    s.minor += i0 * s.step;
    s.from += int(i0);
    s.count = int(i1 - i0);
    return true;
}


} // namespace stroke
