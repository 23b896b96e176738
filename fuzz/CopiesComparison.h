#pragma once

// Draws a figure made from bytes through one of the ways of drawing a kaleidoscope (forward
// or last first, in bands, shares of the strings or blocks of rows, on 1, 2, 3 or 7 workers,
// whole or stopped after some pieces) and compares it with the plain Raster drawing the same
// copies one after the other, string after string: every pixel, and a dirty box that covers
// every changed pixel and no more than the plain one; and the drawing kept as an undo step
// gives back either picture. Shared by the fuzz target and the seeded comparison in the tests.

#include "raster/BandedRaster.h"
#include "raster/CopiesRaster.h"
#include "raster/PixelChange.h"
#include "raster/DrawPlanner.h"
#include "raster/Raster.h"
#include "raster/RosetteRaster.h"
#include "raster/WorkerPool.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

namespace copies_comparison {

// Numbers taken from the bytes, front to back; zeros once they run out.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint64_t next(int bytes)
    {
        std::uint64_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v = v << 8 | (at_ < size_ ? data_[at_++] : 0);
        return v;
    }
    int in(int lo, int hi) { return lo + int(next(4) % std::uint64_t(hi - lo + 1)); }
    bool flag() { return next(1) & 1; }
    double real(double lo, double hi) { return lo + (hi - lo) * double(next(4)) / 4294967295.0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

inline WorkerPool& pool(int workers)
{
    static std::unique_ptr<WorkerPool> pools[8];
    if (!pools[workers])
        pools[workers] = std::make_unique<WorkerPool>(workers);
    return *pools[workers];
}

inline float coordinate(Bytes& in, double corner)
{
    switch (in.in(0, 5)) {
    case 0: return float(in.in(-40, 40) * 10); // on a grid
    case 1: return float(in.real(-1.5 * corner, 1.5 * corner));
    case 2: return float(in.real(-3 * corner, 3 * corner)); // past the farthest corner
    case 3: return float(in.real(-1e30, 1e30));
    case 4: return (in.flag() ? 1 : -1) * std::ldexp(1.0f, in.in(0, 110));
    default: return float(in.real(-30, 30));
    }
}

inline bool inside(const Box& outer, const Box& inner)
{
    return inner.empty()
           || (!outer.empty() && outer.left <= inner.left && outer.top <= inner.top
               && outer.right >= inner.right && outer.bottom >= inner.bottom);
}

// nullptr when the drawing matches the plain one, else what differs.
inline const char* compare(const std::uint8_t* data, std::size_t size)
{
    Bytes in(data, size);
    const int width = in.in(1, 72), height = in.in(1, 56);
    const int stride = width + in.in(0, 3);
    // A map like the canvas's (any scale, y up or down), the origin in or near the image.
    const double sx = (in.flag() ? 1 : -1) * in.real(0.01, 3.0);
    // Often square pixels, where a lit pixel can lie farthest from its string in logical units.
    const double sy = (in.flag() ? 1 : -1) * (in.flag() ? std::abs(sx) : in.real(0.01, 3.0));
    const AffineMap map{sx, in.real(-0.5 * width, 1.5 * width), sy,
                        in.real(-0.5 * height, 1.5 * height)};
    const double corner = std::hypot(width / std::abs(sx), height / std::abs(sy)) + 2;

    // Strings at random, a fan between two sides as clicks make one, chords of a circle as a
    // star makes them, or spokes out from the origin: the figures whose copies close rings.
    const int kind = in.in(0, 3);
    std::vector<Segment> strings(std::size_t(in.in(1, kind == 0 ? 12 : 40)));
    if (kind == 0) {
        for (Segment& g : strings)
            g = {coordinate(in, corner), coordinate(in, corner), coordinate(in, corner),
                 coordinate(in, corner)};
    } else if (kind == 1) {
        float p[6];
        for (float& v : p)
            v = in.flag() ? coordinate(in, corner) : float(in.real(-corner, corner));
        const float n = float(strings.size());
        for (std::size_t i = 0; i < strings.size(); ++i) {
            const float t = float(i) / n;
            strings[i] = {p[0] + (p[2] - p[0]) * t, p[1] + (p[3] - p[1]) * t,
                          p[2] + (p[4] - p[2]) * t, p[3] + (p[5] - p[3]) * t};
        }
    } else if (kind == 3) {
        const double inner = in.real(0, 0.9) * corner, outer = in.real(0.1, 1.1) * corner;
        for (Segment& g : strings) {
            const double a = in.real(0, 6.3);
            g = {float(inner * std::cos(a)), float(inner * std::sin(a)), float(outer * std::cos(a)),
                 float(outer * std::sin(a))};
            if (in.flag())
                g = {g.x2, g.y2, g.x1, g.y1};
        }
    } else {
        const double radius = in.real(0.05, 1.3) * corner, step = in.real(0.5, 3.0);
        for (std::size_t i = 0; i < strings.size(); ++i) {
            const double a = double(i) * step;
            strings[i] = {float(radius * std::cos(a)), float(radius * std::sin(a)),
                          float(radius * std::cos(a + 2.4)), float(radius * std::sin(a + 2.4))};
        }
    }
    std::vector<BandedRaster::Run> runs;
    for (std::size_t at = 0; at < strings.size();) {
        const std::size_t n = std::min(strings.size() - at, std::size_t(in.in(1, 4)));
        runs.push_back({0xff000000u | std::uint32_t(in.next(4)), n});
        at += n;
    }
    // The kaleidoscope's turns, or turns at random angles.
    const int copies = in.flag() ? in.in(1, 700) : in.in(200, 1500);
    const bool even = in.flag();
    std::vector<Turn> turns;
    for (int k = 0; k < copies; ++k) {
        const double a = even ? ((double(k) / copies) * 2) * 3.141592654
                              : in.real(-7.0, 7.0);
        turns.push_back({std::cos(a), std::sin(a)});
    }

    const int workers_of[] = {1, 2, 3, 7};
    const int workers = workers_of[in.in(0, 3)];
    const int way = in.in(0, 2); // forward, last first, as planned
    const Split split = in.flag() ? Split::bands : Split::strings;
    const int piece = in.in(1, copies);
    const int pieces = in.flag() ? in.in(1, 4) : copies;

    // A first picture no string colour can take (alpha 0), so every lit pixel changes.
    std::vector<std::uint32_t> first(std::size_t(stride) * height);
    for (std::size_t i = 0; i < first.size(); ++i)
        first[i] = std::uint32_t(i * 2654435761u) & 0x00ffffffu;
    std::vector<std::uint32_t> pixels = first;
    Box dirty;
    int drawn_first = 0, drawn_end = 0; // the copies drawn: first .. end - 1
    if (way == 0) {
        // Forward, in pieces of copies; rows of a block each when the rows are many.
        BandedRaster banded(pixels.data(), width, height, stride, pool(workers), 0, split);
        for (int n = 0; n < pieces && drawn_end < copies; ++n) {
            const int end = std::min(copies, drawn_end + piece);
            banded.copies(strings, runs, std::span(turns).subspan(std::size_t(drawn_end), std::size_t(end - drawn_end)), map);
            drawn_end = end;
        }
        dirty = banded.take_dirty();
    } else if (way == 1) {
        RosetteRaster rosette(pixels.data(), width, height, stride, pool(workers), map,
                              {strings, runs, turns}, split);
        for (int n = 0; n < pieces && rosette.drawn() < copies; ++n)
            rosette.draw_more(piece);
        drawn_first = copies - rosette.drawn();
        drawn_end = copies;
        dirty = rosette.take_dirty();
    } else {
        DrawJob overrides;
        overrides.split = split;
        CopiesRaster drawing(pixels.data(), width, height, stride, pool(workers), map,
                             {strings, runs, turns}, overrides);
        for (int n = 0; n < pieces && !drawing.finished(); ++n)
            drawing.draw_piece(pixels.data());
        drawn_first = drawing.plan().last_first ? copies - drawing.drawn() : 0;
        drawn_end = drawing.plan().last_first ? copies : drawing.drawn();
        dirty = drawing.take_dirty();
    }

    std::vector<std::uint32_t> expected = first;
    Raster plain(expected.data(), width, height, stride);
    for (int k = drawn_first; k < drawn_end; ++k) {
        std::size_t at = 0;
        for (const BandedRaster::Run& r : runs) {
            std::vector<Segment> copy;
            for (std::size_t j = at; j < at + r.count; ++j)
                copy.push_back(turned(strings[j], turns[std::size_t(k)]));
            plain.lines(copy, map, r.colour);
            at += r.count;
        }
    }
    // Past each row's end too, where nothing may be written.
    if (pixels != expected)
        return "pixels";
    Box changed;
    for (std::size_t i = 0; i < first.size(); ++i)
        if (expected[i] != first[i])
            changed.cover(int(i % std::size_t(stride)), int(i / std::size_t(stride)));
    if (!inside(dirty, changed))
        return "dirty box misses a changed pixel";
    if (!inside(plain.take_dirty(), dirty))
        return "dirty box beyond the plain one";
    if (!inside(Box{0, 0, width - 1, height - 1}, dirty))
        return "dirty box beyond the image";
    // The drawing as a step undone and redone: what changed in the dirty box, swapped back
    // and forth, gives either picture whole.
    PixelChange step = PixelChange::between(first.data(), pixels.data(), stride, dirty);
    std::vector<std::uint32_t> shown = pixels;
    step.swap(shown.data(), stride);
    if (shown != first)
        return "undo";
    step.swap(shown.data(), stride);
    if (shown != pixels)
        return "redo";
    return nullptr;
}

} // namespace copies_comparison
