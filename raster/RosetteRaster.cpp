#include "raster/RosetteRaster.h"

#include "raster/Stroke.h"
#include "raster/WorkerPool.h"

#include <algorithm>
#include <climits>
#include <cmath>

using namespace stroke;

namespace {

// A lit pixel's centre lies within sqrt(0.5^2 + 1^2) = 1.118 pixels of its string: up to half
// a pixel past an end along the major axis, and across it the rounded position plus half a
// pixel of slope. The rest is margin for rounding (the fixed-point steps drift by less than
// 1e-5 pixel along the longest line).
constexpr double kLitReach = 1.2;
constexpr double kRingsPerPixel = 2;
// Strings that reach farther than this many pixels from the image are clipped from their
// far ends, and their pixels are only known to lie between their ends' rows: they are
// stepped along whole.
constexpr double kNear = 262144;
// A string crossing more open stretches of rings than this is stepped along whole.
constexpr int kMaxStretches = 4;
// Copies drawn between two looks at the rings that have filled.
constexpr int kThinEvery = 12;

constexpr double kTwoPi = 6.283185307179586;
// Rings are widened beyond half a pixel when the image's far corner would need more.
constexpr double kMostRings = 1 << 20;

} // namespace

// A string that may still write pixels in a band, and where along it (0 at its first end, 1
// at its second) it reaches rings still open there.
struct RosetteRaster::Live {
    std::int32_t string;
    int stretches; // -1: stepped along whole
    double t[4 * kMaxStretches];
};

struct RosetteRaster::Band {
    int top = 0, bottom = -1;
    int share = 0;                        // draws strings j with j mod shares_ == share
    // Shared strings only: per pixel (image stride), 1 + the number of the last string of
    // this share written there over all copies, 0 when none; and the pixels first written
    // in this piece, up to the reserved capacity (past it, `overflow` and the piece's box).
    std::vector<std::uint32_t> stamp;
    std::vector<std::uint32_t> written;
    bool overflow = false;
    Raster::Box piece{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    bool counted = false;
    bool stale = false;                   // rings closed since `live` was last thinned
    bool found = false;                   // stretches found for every live string
    int closed_first = INT_MAX, closed_last = INT_MIN; // rings closed since
    std::vector<std::int32_t> open;       // per ring: pixels of the band not written yet
    std::vector<std::int32_t> prefix;     // open rings below ring r
    std::vector<std::pair<int, int>> gaps; // runs of open rings, first and last
    std::vector<Live> live;               // strings that may still write here, ascending
    std::vector<const Live*> near;        // those of them near the band in this piece
    Raster::Box dirty{INT_MAX, INT_MAX, INT_MIN, INT_MIN};

    // Works out the open rings again after one has filled.
    void rebuild()
    {
        const int rings = int(open.size());
        prefix.assign(std::size_t(rings) + 1, 0);
        gaps.clear();
        for (int r = 0; r < rings; ++r) {
            const bool is_open = open[std::size_t(r)] > 0;
            prefix[std::size_t(r) + 1] = prefix[std::size_t(r)] + is_open;
            if (is_open) {
                if (!gaps.empty() && gaps.back().second == r - 1)
                    gaps.back().second = r;
                else
                    gaps.push_back({r, r});
            }
        }
        stale = true;
    }
};

namespace {

double reach(const Segment& g) { return std::max(std::hypot(g.x1, g.y1), std::hypot(g.x2, g.y2)); }

// The string's closest approach to the origin.
double closest(const Segment& g)
{
    const double ax = g.x1, ay = g.y1, dx = double(g.x2) - ax, dy = double(g.y2) - ay;
    const double dd = dx * dx + dy * dy;
    const double t = dd > 0 ? std::clamp(-(ax * dx + ay * dy) / dd, 0.0, 1.0) : 0.0;
    return std::hypot(ax + t * dx, ay + t * dy);
}

// The parameters along the string at which it is within `radius` of the origin.
bool within(double a, double b, double c, double radius, double& t0, double& t1)
{
    const double disc = b * b - a * (c - radius * radius);
    if (!(disc >= 0))
        return false;
    const double root = std::sqrt(disc);
    t0 = (-b - root) / a;
    t1 = (-b + root) / a;
    return true;
}

} // namespace

bool RosetteRaster::pays(const Copies& copies, const AffineMap& map)
{
    const double scale = std::max(std::abs(map.sx), std::abs(map.sy));
    if (!(std::isfinite(scale) && scale > 0 && map.sx != 0 && map.sy != 0
          && std::isfinite(map.ox) && std::isfinite(map.oy)))
        return false;
    double rim = 0;
    for (const Segment& g : copies.strings)
        rim = std::max(rim, reach(g));
    return double(copies.turns.size()) >= kTwoPi * rim * scale;
}

RosetteRaster::RosetteRaster(std::uint32_t* pixels, int width, int height, int stride_pixels,
                             WorkerPool& pool, const AffineMap& map, const Copies& copies,
                             Split split)
    : pixels_(pixels), width_(std::max(width, 0)), height_(std::max(height, 0)),
      stride_(stride_pixels), pool_(pool), map_(map), copies_(copies)
{
    const std::size_t n = copies.strings.size();
    colour_.reserve(n);
    for (const Run& r : copies.runs)
        colour_.insert(colour_.end(), r.count, r.colour);
    colour_.resize(n, 0);

    // Rings of half a pixel, in logical units, out to the image's farthest corner.
    const double unit = std::max(1 / std::abs(map.sx), 1 / std::abs(map.sy));
    slack_ = kLitReach * unit;
    double corner = 0;
    for (double x : {-0.5, width_ - 0.5})
        for (double y : {-0.5, height_ - 0.5})
            corner = std::max(corner, std::hypot((x - map.ox) / map.sx, (y - map.oy) / map.sy));
    ring_scale_ = std::min(kRingsPerPixel / unit, kMostRings / std::max(corner, 1.0));
    rings_ = int(corner * ring_scale_) + 2;
    auto square = [](double v) { return v * v; };
    for (int x = 0; x < width_; ++x)
        column_sq_.push_back(square((x - map.ox) / map.sx));
    for (int y = 0; y < height_; ++y)
        row_sq_.push_back(square((y - map.oy) / map.sy));

    const double scale = std::max(std::abs(map.sx), std::abs(map.sy));
    const double offset = std::max(std::abs(map.ox), std::abs(map.oy));
    lo_.resize(n);
    hi_.resize(n);
    reach_.resize(n);
    narrowable_.resize(n);
    for (std::size_t j = 0; j < n; ++j) {
        const Segment& g = copies.strings[j];
        const double far = reach(g);
        reach_[j] = far;
        // Turned ends are rounded to single precision: a relative 2^-24 each.
        const double slack = slack_ + 1e-6 * far;
        narrowable_[j] = far * scale + offset < kNear;
        if (!narrowable_[j]) {
            lo_[j] = 0;
            hi_[j] = rings_ - 1;
            continue;
        }
        lo_[j] = int(std::max(0.0, closest(g) - slack) * ring_scale_);
        hi_[j] = int(std::min((far + slack) * ring_scale_, double(rings_ - 1)));
    }
    const std::size_t area = std::size_t(height_) * std::size_t(std::max(stride_, 0));
    const bool small = double(width_) * double(height_) < kBandsFrom;
    // Stamps number every string of every copy from 1 in 32 bits, and offsets fit 32 bits.
    const bool numbered = double(n) * double(copies.turns.size()) < 4e9 && double(area) < 4e9;
    const int workers = std::max(1, std::min(pool.size(), height_));
    if (workers > 1 && numbered
        && (split == Split::strings || (split == Split::automatic && small)))
        shares_ = workers;
    const int bands = shares_ > 1 ? shares_ : workers;
    if (shares_ == 1)
        cover_.assign(area, 0);
    for (int b = 0; b < bands; ++b) {
        auto band = std::make_unique<Band>();
        if (shares_ > 1) {
            band->bottom = height_ - 1;
            band->share = b;
        } else {
            band->top = int(std::int64_t(height_) * b / bands);
            band->bottom = int(std::int64_t(height_) * (b + 1) / bands) - 1;
        }
        bands_.push_back(std::move(band));
    }
}

RosetteRaster::~RosetteRaster() = default;

namespace {

// Everything one band needs, copied so that the hot loop reads locals.
struct Painter {
    std::uint32_t* pixels;
    std::uint8_t* cover;
    std::ptrdiff_t stride;
    const double* column_sq; // per column and per row: the squared logical distance
    const double* row_sq;    // of its pixel centres from the origin's column or row
    double ring_scale;
    int rings;

    // The same sum for counting and for writing, so that every pixel is counted in the ring
    // it is later taken from.
    int ring_at(int x, int y) const
    {
        return std::min(int(std::sqrt(column_sq[x] + row_sq[y]) * ring_scale), rings - 1);
    }
};

} // namespace

void RosetteRaster::draw_more(int count)
{
    const int to = total() - drawn_;
    const int from = std::max(0, to - std::max(count, 0));
    if (from >= to)
        return;
    if (bands_.size() == 1)
        draw_band(*bands_[0], from, to);
    else
        pool_.run([&](int piece) {
            if (std::size_t(piece) < bands_.size())
                draw_band(*bands_[std::size_t(piece)], from, to);
        });
    if (shares_ > 1)
        merge(from, to);
    drawn_ += to - from;
}

void RosetteRaster::draw_band(Band& b, int from, int to)
{
    if (b.top > b.bottom)
        return;
    const Painter paint{pixels_,        cover_.data(), stride_, column_sq_.data(),
                        row_sq_.data(), ring_scale_,   rings_};
    const std::size_t per_copy = lo_.size();
    if (!b.counted) {
        b.open.assign(std::size_t(rings_), 0);
        for (int y = b.top; y <= b.bottom; ++y)
            for (int x = 0; x < width_; ++x)
                ++b.open[std::size_t(paint.ring_at(x, y))];
        b.rebuild();
        for (std::size_t j = std::size_t(b.share); j < per_copy; j += std::size_t(shares_))
            b.live.push_back({std::int32_t(j), 0, {}});
        if (shares_ > 1) {
            b.stamp.assign(std::size_t(height_) * std::size_t(stride_), 0);
            b.written.reserve(std::size_t(width_) * std::size_t(height_) / 16 + 64);
        }
        b.counted = true;
    }
    auto open_between = [&](int lo, int hi) {
        return b.prefix[std::size_t(hi) + 1] - b.prefix[std::size_t(lo)] > 0;
    };
    // Drops the strings whose rings have all filled, and works out again where the others
    // reach open rings, for those that reach rings closed since: rings only ever close, so
    // the other strings' stretches still cover every pixel they can write.
    auto thin = [&] {
        std::erase_if(b.live, [&](const Live& l) {
            return !open_between(lo_[std::size_t(l.string)], hi_[std::size_t(l.string)]);
        });
        for (Live& l : b.live) {
            const std::size_t j = std::size_t(l.string);
            if (!b.found || (lo_[j] <= b.closed_last && hi_[j] >= b.closed_first))
                find_stretches(b, l);
        }
        b.found = true;
        b.closed_first = INT_MAX;
        b.closed_last = INT_MIN;
        b.stale = false;
    };
    const double above = b.top - 2.0, below = b.bottom + 2.0;
    Raster::Box unused{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    Raster::Box dirty = shares_ > 1 ? Raster::Box{INT_MAX, INT_MAX, INT_MIN, INT_MIN} : b.dirty;
    b.written.clear();
    b.overflow = false;

    // Writes the stroke's pixels i0 .. i1 that lie in the band and are not written yet: the
    // value into the image (bands) or into the band's stamps (shared strings).
    auto walk = [&](const Stroke& s, std::int64_t i0, std::int64_t i1, std::uint32_t value,
                    auto stamped) {
        i0 = std::max<std::int64_t>(i0, 0);
        i1 = std::min<std::int64_t>(i1, s.count);
        const std::ptrdiff_t major_stride = s.steep ? paint.stride : 1;
        const std::ptrdiff_t minor_stride = s.steep ? 1 : paint.stride;
        const std::ptrdiff_t base = s.first - paint.pixels;
        // Rows: the major position for steep strokes, the minor one for the others.
        unsigned size = unsigned(s.minor_size);
        std::int64_t low = 0;
        if (s.steep) {
            i0 = std::max<std::int64_t>(i0, b.top - s.from);
            i1 = std::min<std::int64_t>(i1, b.bottom - s.from);
        } else {
            low = b.top;
            size = unsigned(b.bottom - b.top + 1);
        }
        for (std::int64_t i = i0; i <= i1; ++i) {
            const std::int64_t m = (s.minor + i * s.step) >> 32;
            if (std::uint64_t(m - low) >= size)
                continue;
            const std::ptrdiff_t at = base + i * major_stride + m * minor_stride;
            if constexpr (decltype(stamped)::value) {
                if (b.stamp[std::size_t(at)])
                    continue;
                b.stamp[std::size_t(at)] = value;
                if (b.written.size() < b.written.capacity())
                    b.written.push_back(std::uint32_t(at));
                else
                    b.overflow = true;
            } else {
                if (paint.cover[at])
                    continue;
                paint.cover[at] = 1;
                paint.pixels[at] = value;
            }
            const int y = int(at / paint.stride), x = int(at - std::ptrdiff_t(y) * paint.stride);
            const int ring = paint.ring_at(x, y);
            grow(dirty, x, y, x, y);
            if (--b.open[std::size_t(ring)] == 0) {
                b.closed_first = std::min(b.closed_first, ring);
                b.closed_last = std::max(b.closed_last, ring);
                b.rebuild();
            }
        }
    };

    // The strings that come near the band in copies from .. last: over them each end moves
    // along an arc no longer than its distance from the origin times the angle turned.
    // Over more than a quarter turn, all of them.
    std::vector<const Live*>& near_ = b.near;
    auto find_near = [&](int last_copy) {
        const Turn first = copies_.turns[std::size_t(from)];
        const Turn last = copies_.turns[std::size_t(last_copy)];
        const double chord = std::hypot(last.c - first.c, last.s - first.s);
        const double angle = chord < 1.4 ? 2 * std::asin(chord / 2) * (1 + 1e-9) : -1;
        near_.clear();
        for (const Live& l : b.live) {
            const std::size_t j = std::size_t(l.string);
            if (angle >= 0 && narrowable_[j]) {
                const Segment a = turned(copies_.strings[j], first);
                const Segment z = turned(copies_.strings[j], last);
                const double arc = reach_[j] * angle + 1e-6 * reach_[j];
                const double low = std::min({a.y1, a.y2, z.y1, z.y2}) - arc;
                const double high = std::max({a.y1, a.y2, z.y1, z.y2}) + arc;
                const double r1 = low * map_.sy + map_.oy, r2 = high * map_.sy + map_.oy;
                if ((r1 < above && r2 < above) || (r1 > below && r2 > below))
                    continue;
            }
            near_.push_back(&l);
        }
    };
    auto draw_copies = [&](auto stamped) {
        for (int k = to - 1; k >= from; --k) {
            if (b.prefix.back() == 0)
                break; // every pixel of the band is written
            if ((to - 1 - k) % kThinEvery == 0 && (b.stale || k == to - 1)) {
                if (b.stale)
                    thin();
                find_near(k);
            }
            const Turn turn = copies_.turns[std::size_t(k)];
            for (auto it = near_.rbegin(); it != near_.rend(); ++it) {
                const Live& l = **it;
                const std::size_t j = std::size_t(l.string);
                if (!open_between(lo_[j], hi_[j]))
                    continue;
                const Segment g = turned(copies_.strings[j], turn);
                const double x1 = g.x1 * map_.sx + map_.ox, y1 = g.y1 * map_.sy + map_.oy;
                const double x2 = g.x2 * map_.sx + map_.ox, y2 = g.y2 * map_.sy + map_.oy;
                if ((y1 < above && y2 < above) || (y1 > below && y2 > below))
                    continue;
                Stroke s = prepare(pixels_, width_, height_, stride_, x1, y1, x2, y2, unused);
                if (s.count < 0)
                    continue;
                const std::uint32_t value
                    = decltype(stamped)::value ? std::uint32_t(std::size_t(k) * per_copy + j + 1)
                                               : colour_[j];
                if (l.stretches < 0) {
                    if (keep_rows(s, stride_, b.top, b.bottom))
                        walk(s, 0, s.count, value, stamped);
                    continue;
                }
                // Major-axis position along the string, in the stroke's pixels; a pixel lies
                // within half a pixel of the position of the string point it stands for.
                const double m1 = s.steep ? y1 : x1, dm = (s.steep ? y2 : x2) - m1;
                for (int i = 0; i < l.stretches; ++i) {
                    const double p0 = m1 + l.t[2 * i] * dm, p1 = m1 + l.t[2 * i + 1] * dm;
                    walk(s, floor64(std::min(p0, p1)) - 1 - s.from,
                         floor64(std::max(p0, p1)) + 2 - s.from, value, stamped);
                }
            }
        }
    };
    if (shares_ > 1) {
        draw_copies(std::true_type{});
        b.piece = dirty;
    } else {
        draw_copies(std::false_type{});
        b.dirty = dirty;
    }
}

void RosetteRaster::merge(int from, int to)
{
    Raster::Box written{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    bool overflow = false;
    for (const auto& b : bands_) {
        if (b->piece.right >= b->piece.left)
            written.unite(b->piece);
        overflow = overflow || b->overflow;
    }
    if (written.right < written.left)
        return; // the usual case once the picture has settled
    const std::uint32_t per_copy = std::uint32_t(lo_.size());
    const std::uint32_t low = std::uint32_t(from) * per_copy + 1;
    const std::uint32_t high = std::uint32_t(to) * per_copy;
    // Lays the pixel at `at` if the highest number there, over all shares, is of this piece.
    auto lay = [&](std::size_t at, Band& b) {
        std::uint32_t last = 0;
        for (const auto& share : bands_)
            last = std::max(last, share->stamp[at]);
        if (last < low || last > high)
            return;
        pixels_[at] = colour_[(last - 1) % per_copy];
        const int y = int(at / std::size_t(stride_));
        const int x = int(at - std::size_t(y) * std::size_t(stride_));
        grow(b.dirty, x, y, x, y);
    };
    pool_.run([&](int piece) {
        if (std::size_t(piece) >= bands_.size())
            return;
        Band& b = *bands_[std::size_t(piece)];
        if (!overflow) {
            // Each pixel is laid by the share whose number there is the highest, once.
            for (std::uint32_t at : b.written)
                if (std::all_of(bands_.begin(), bands_.end(),
                                [&](const auto& share) { return share->stamp[at] <= b.stamp[at]; }))
                    lay(at, b);
            return;
        }
        // Many pixels written: each share lays its own rows of the box.
        const int rows = written.bottom - written.top + 1, shares = int(bands_.size());
        const int top = written.top + int(std::int64_t(rows) * piece / shares);
        const int bottom = written.top + int(std::int64_t(rows) * (piece + 1) / shares) - 1;
        for (int y = top; y <= bottom; ++y)
            for (int x = written.left; x <= written.right; ++x)
                lay(std::size_t(y) * std::size_t(stride_) + std::size_t(x), b);
    });
}

void RosetteRaster::find_stretches(const Band& b, Live& l) const
{
    const std::size_t j = std::size_t(l.string);
    l.stretches = -1;
    const Segment& g = copies_.strings[j];
    const double ax = g.x1, ay = g.y1, dx = double(g.x2) - ax, dy = double(g.y2) - ay;
    const double qa = dx * dx + dy * dy, qb = ax * dx + ay * dy, qc = ax * ax + ay * ay;
    if (!narrowable_[j] || !(qa > 0))
        return;
    const int lo = lo_[j], hi = hi_[j];
    auto gap = std::lower_bound(b.gaps.begin(), b.gaps.end(), lo,
                                [](const std::pair<int, int>& gp, int r) { return gp.second < r; });
    const double slack = slack_ + 1e-6 * std::sqrt(std::max(qc, (ax + dx) * (ax + dx) + (ay + dy) * (ay + dy)));
    int n = 0;
    auto add = [&](double t0, double t1) {
        t0 = std::max(t0, 0.0);
        t1 = std::min(t1, 1.0);
        if (t0 > t1)
            return true;
        if (n == 2 * kMaxStretches)
            return false;
        l.t[2 * n] = t0;
        l.t[2 * n + 1] = t1;
        ++n;
        return true;
    };
    for (; gap != b.gaps.end() && gap->first <= hi; ++gap) {
        const double inner = gap->first / ring_scale_ - slack;
        const double outer = (gap->second + 1) / ring_scale_ + slack;
        double o0, o1, i0, i1;
        if (!within(qa, qb, qc, outer, o0, o1))
            continue;
        const bool ok = inner > 0 && within(qa, qb, qc, inner, i0, i1)
                            ? add(o0, i0) && add(i1, o1)
                            : add(o0, o1);
        if (!ok)
            return;
    }
    l.stretches = n;
}

Raster::Box RosetteRaster::take_dirty()
{
    Raster::Box box{0, 0, -1, -1};
    for (auto& b : bands_) {
        if (b->dirty.right >= b->dirty.left)
            box.unite(b->dirty);
        b->dirty = {INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    }
    return box;
}
