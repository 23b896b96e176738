#pragma once

// A second, plain account of the drawing state for the property tests: each command is
// walked through step by step in the order the program is meant to work, with every 16-bit
// result, division and table access checked where it happens. Reaching a limit throws, so
// the command stops right there and what it did before stands. It shares no drawing code
// with core/.

#include "RecordingSink.h"

#include "core/Colour.h"
#include "core/Limit.h"

#include <array>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace model {

struct Stop {
    Limit limit;
};

// What a drawing sink is told, in order.
using Drawn = RecordingSink::Drawn;

// One metafile record after the header: its function and its parameter words.
struct Record {
    std::uint16_t function = 0;
    std::vector<std::uint16_t> params;

    bool operator==(const Record&) const = default;
};

inline std::int16_t i16(long long v)
{
    if (v < -32768 || v > 32767)
        throw Stop{Limit::Overflow};
    return static_cast<std::int16_t>(v);
}

// The largest coordinate a metafile is given either way; strings beyond are cut there.
constexpr int kMetafileLimit = 16383;

// Nearest whole number, halves to even, when it lies within the metafile's range.
inline std::optional<std::int16_t> coordinate(double v)
{
    if (!(v > -40000.0 && v < 40000.0))
        return std::nullopt;
    const double whole = std::floor(v);
    long long n = static_cast<long long>(whole);
    if (v - whole > 0.5 || (v - whole == 0.5 && n % 2 != 0))
        ++n;
    if (n < -kMetafileLimit || n > kMetafileLimit)
        return std::nullopt;
    return static_cast<std::int16_t>(n);
}

// Stands in the predicted records for a string that reaches beyond the range: its params
// are whether each end is inside, then that end's y and x (0 for an end outside).
constexpr std::uint16_t kCutString = 0xFFFF;

// Single precision, with what IEEE gives beyond its range spelt out rather than left undefined.
inline float single(double v)
{
    if (std::fabs(v) > static_cast<double>(FLT_MAX) * (1.0 + 0x1p-25))
        return v < 0 ? -HUGE_VALF : HUGE_VALF;
    if (std::fabs(v) > FLT_MAX)
        return v < 0 ? -FLT_MAX : FLT_MAX;
    return static_cast<float>(v);
}

class Figure {
public:
    static constexpr int kTable = 5001;

    std::vector<float> xs, ys; // the stored points; their number is point_count
    bool side_open = false;
    std::int16_t subdivs = 20;
    bool kaleidoscope_on = false;
    std::array<::Colour, 8> palette{};
    std::vector<Drawn> drawn;

    std::int16_t point_count() const { return static_cast<std::int16_t>(xs.size()); }

    void reset()
    {
        xs.clear();
        ys.clear();
        kaleidoscope_on = false;
        side_open = false;
    }

    // A mouse-button release on the canvas. Returns the limit met, and whether the save
    // item would be enabled.
    std::optional<Limit> click(float x, float y, bool& enable_save)
    {
        enable_save = false;
        try {
            const std::int16_t a = point_count();
            if (!side_open) {
                dot(x, y);
                store(x, y);
                side_open = true;
            } else {
                const int first = i16(point_count() - 1);
                const float x0 = px(first), y0 = py(first);
                const std::int16_t steps = i16(subdivs - 1);
                for (int i = 1; i <= steps; ++i) {
                    store(single(((double(x) - x0) * i) / steps + x0), single(((double(y) - y0) * i) / steps + y0));
                    dot(xs.back(), ys.back());
                }
                if (a > 1) {
                    const std::int16_t from = i16(i16(a - subdivs) - 1), to = i16(a - 2);
                    for (int j = from; j <= to; ++j) {
                        // A fan that would start before point 0 sets that string's colour,
                        // then stops where it reads point j.
                        colour(palette.at(std::size_t((j / subdivs) % 8)));
                        const std::int16_t m = i16(j + subdivs);
                        line(px(j), py(j), px(m), py(m));
                    }
                }
                side_open = false;
            }
            enable_save = point_count() >= i16(2 * subdivs);
        } catch (const Stop& stop) {
            return stop.limit;
        }
        return std::nullopt;
    }

    // "complete loop".
    std::optional<Limit> close_loop()
    {
        try {
            if (point_count() == 0)
                return std::nullopt;
            const std::int16_t old = point_count();
            const std::int16_t last = i16(subdivs - 1);
            for (int i = 0; i <= last; ++i)
                store(px(i), py(i));
            if (subdivs == 0)
                throw Stop{Limit::DivisionByZero};
            const std::int16_t q = i16(i16(old - 1) / subdivs);
            colour(palette[q & 7]);
            for (int j = old; j <= point_count() - 1; ++j) {
                const int k = i16(j - subdivs) % point_count();
                if (k < 0)
                    throw Stop{Limit::NegativeIndex};
                line(px(j), py(j), px(k), py(k));
            }
        } catch (const Stop& stop) {
            return stop.limit;
        }
        return std::nullopt;
    }

    // The replay behind the kaleidoscope and the export: a colour at each side's first point
    // and every string turned by k/copies of a full turn, in double precision.
    void replay(int copies, const std::function<void(::Colour)>& pen,
                const std::function<void(double, double, double, double)>& string) const
    {
        constexpr double kPi = 3.141592654;
        for (int k = 0; k <= i16(copies - 1); ++k) {
            const double angle = ((double(k) / copies) * 2) * kPi;
            const std::int16_t last = i16(i16(point_count() - subdivs) - 1);
            for (int j = 0; j <= last; ++j) {
                if (subdivs == 0)
                    throw Stop{Limit::DivisionByZero};
                if (j % subdivs == 0)
                    pen(palette.at(std::size_t((j / subdivs) % 8)));
                const int m = i16(j + subdivs);
                const double c = std::cos(angle), s = std::sin(angle);
                // With subdivs negative, m lies before point 0: that is the limit met.
                const double bx = px(m), by = py(m), ax = px(j), ay = py(j);
                string(ax * c - ay * s, ax * s + ay * c, bx * c - by * s, bx * s + by * c);
            }
        }
    }

    // "kaliedoscope" once the copies text has been read.
    std::optional<Limit> kaleidoscope(int copies)
    {
        try {
            replay(
                copies, [this](::Colour c) { colour(c); },
                [this](double x1, double y1, double x2, double y2) {
                    line(single(x1), single(y1), single(x2), single(y2));
                });
        } catch (const Stop& stop) {
            return stop.limit;
        }
        return std::nullopt;
    }

    // The metafile's records after the header and the mapping, end record included, with
    // kCutString for each string beyond the range. The one pen alive at a time always takes
    // object slot 0.
    std::optional<Limit> metafile(int copies, std::vector<Record>& records) const
    {
        const auto create = [&](::Colour c) {
            const auto ref = static_cast<std::uint32_t>(c);
            records.push_back({0x02FA, {0, 1, 0, std::uint16_t(ref & 0xFFFF), std::uint16_t(ref >> 16)}});
            records.push_back({0x012D, {0}});
        };
        std::optional<Limit> limit;
        create(rgb(255, 0, 0));
        try {
            replay(
                copies,
                [&](::Colour c) {
                    records.push_back({0x01F0, {0}});
                    create(c);
                },
                [&](double x1, double y1, double x2, double y2) {
                    const auto mx = coordinate(x1), my = coordinate(y1), lx = coordinate(x2);
                    const auto ly = coordinate(single(y2));
                    const bool from = mx && my, to = lx && ly;
                    if (from && to) {
                        records.push_back({0x0214, {std::uint16_t(*my), std::uint16_t(*mx)}});
                        records.push_back({0x0213, {std::uint16_t(*ly), std::uint16_t(*lx)}});
                    } else {
                        records.push_back({kCutString,
                                           {from, std::uint16_t(from ? *my : 0), std::uint16_t(from ? *mx : 0),
                                            to, std::uint16_t(to ? *ly : 0), std::uint16_t(to ? *lx : 0)}});
                    }
                });
        } catch (const Stop& stop) {
            limit = stop.limit;
        }
        records.push_back({0x01F0, {0}});
        records.push_back({0x0000, {}});
        return limit;
    }

private:
    // Reading a point that is not stored would be a mistake of this model, not a limit.
    float px(int i) const { return xs.at(check_read(i)); }
    float py(int i) const { return ys.at(check_read(i)); }

    std::size_t check_read(int i) const
    {
        if (i < 0)
            throw Stop{Limit::NegativeIndex};
        if (i >= point_count())
            throw std::logic_error("model read stale point " + std::to_string(i));
        return std::size_t(i);
    }

    void store(float x, float y)
    {
        if (xs.size() >= kTable)
            throw Stop{Limit::TableFull};
        xs.push_back(x);
        ys.push_back(y);
    }

    void dot(float x, float y) { drawn.push_back({Drawn::Dot, 0, x, y, 0, 0}); }
    void colour(::Colour c) { drawn.push_back({Drawn::Colour, c}); }
    void line(float x1, float y1, float x2, float y2) { drawn.push_back({Drawn::Line, 0, x1, y1, x2, y2}); }
};

} // namespace model
