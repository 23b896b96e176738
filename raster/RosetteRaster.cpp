#include "raster/RosetteRaster.h"

#include "raster/Stroke.h"
#include "raster/WorkerPool.h"

#include <algorithm>
#include <climits>
#include <cmath>

using namespace stroke;

namespace {

// Turned ends are rounded to single precision: 2^-24 of their distance, taken as 1e-6.
constexpr double kRounding = 1e-6;
constexpr double kRingsPerPixel = 2;
// Rings are widened beyond half a pixel when the image's far corner would need more.
constexpr double kMostRings = 1 << 20;
// Strings that reach farther than this many pixels from the image are clipped from their
// far ends, and their pixels are only known to lie between their ends' rows: they are
// stepped along whole.
constexpr double kNear = 262144;
// A string crossing more open stretches of rings than this is stepped along whole.
constexpr int kMaxStretches = 4;
// Copies drawn between two looks at the rings that have filled.
constexpr int kThinEvery = 12;
// The strings near a band are worked out for copies turning through at most this angle
// (radians), or kThinEvery copies when they turn farther: then every live string is near.
constexpr double kNearAngle = 1.0;

// The string's closest approach to the origin.
double closest(const Segment& g)
{
    const double ax = g.x1, ay = g.y1, dx = double(g.x2) - ax, dy = double(g.y2) - ay;
    const double dd = dx * dx + dy * dy;
    const double t = dd > 0 ? std::clamp(-(ax * dx + ay * dy) / dd, 0.0, 1.0) : 0.0;
    return std::hypot(ax + t * dx, ay + t * dy);
}

double farthest(const Segment& g) { return std::max(std::hypot(g.x1, g.y1), std::hypot(g.x2, g.y2)); }

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

// What one string of any copy can light: rings lo .. hi; lo is rings_ for a string beyond
// the farthest corner.
struct RosetteRaster::Reach {
    std::int32_t lo = 0, hi = -1;
    double far = 0;          // its farther end's distance from the origin
    bool narrowable = false; // near enough the image for stretches to be exact
};

// A string that may still write pixels in a band, and where along it (0 at its first end, 1
// at its second) it reaches rings still open there.
struct RosetteRaster::Live {
    std::int32_t string;
    int stretches; // -1: stepped along whole
    double t[4 * kMaxStretches];
};

// One worker's rows (bands) or strings (shares), and what is still open there.
struct RosetteRaster::Band {
    int top = 0, bottom = -1;
    int share = 0; // draws strings j with j mod shares_ == share
    // Shared strings only: per pixel (image stride), 1 + the number of the last string of
    // this share written there over all copies, 0 when none; and the pixels first written
    // in this piece, up to the reserved capacity (past it, `overflow` and the piece's box).
    std::vector<std::uint32_t> stamp;
    std::vector<std::uint32_t> written;
    bool overflow = false;
    Raster::Box piece;
    bool started = false;

    std::vector<std::int32_t> open;        // per ring: pixels not written yet
    std::vector<std::int32_t> prefix;      // open rings below ring r
    std::vector<std::pair<int, int>> gaps; // runs of open rings, first and last
    bool rings_closed = false; // since `live` was last thinned
    int closed_first = INT_MAX, closed_last = INT_MIN;
    bool found = false;        // stretches found for every live string

    std::vector<Live> live;          // strings that may still write here, ascending
    std::vector<const Live*> near;   // those of them near the band in copies near_first ..
    int near_first = INT_MAX;        // the copy being drawn; INT_MAX: to be worked out again
    Raster::Box dirty;

    bool open_rings(int lo, int hi) const
    {
        return prefix[std::size_t(hi) + 1] - prefix[std::size_t(lo)] > 0;
    }

    // Works out the open rings again after one has filled.
    void rebuild_rings()
    {
        const int rings = int(open.size());
        prefix.assign(std::size_t(rings) + 1, 0);
        gaps.clear();
        for (int r = 0; r < rings; ++r) {
            const bool is_open = open[std::size_t(r)] > 0;
            prefix[std::size_t(r) + 1] = prefix[std::size_t(r)] + is_open;
            if (!is_open)
                continue;
            if (!gaps.empty() && gaps.back().second == r - 1)
                gaps.back().second = r;
            else
                gaps.push_back({r, r});
        }
        rings_closed = true;
    }
};

// Writes the pixels of strokes that lie in a band and are not written yet: the value into
// the image (bands) or into the band's stamps (shared strings), counting each off its ring.
class RosetteRaster::Walk {
public:
    Walk(RosetteRaster& rosette, Band& band)
        : r_(rosette), b_(band), stride_(rosette.stride_),
          dirty(rosette.shares_ > 1 ? Raster::Box{} : band.dirty)
    {
    }

    // Pixels i0 .. i1 of the stroke.
    template <bool Stamped>
    void pixels(const Stroke& s, std::int64_t i0, std::int64_t i1, std::uint32_t value)
    {
        i0 = std::max<std::int64_t>(i0, 0);
        i1 = std::min<std::int64_t>(i1, s.count);
        const std::ptrdiff_t major_stride = s.steep ? stride_ : 1;
        const std::ptrdiff_t minor_stride = s.steep ? 1 : stride_;
        const std::ptrdiff_t base = s.first - r_.pixels_;
        // Rows: the major position for steep strokes, the minor one for the others.
        unsigned size = unsigned(s.minor_size);
        std::int64_t low = 0;
        if (s.steep) {
            i0 = std::max<std::int64_t>(i0, b_.top - s.from);
            i1 = std::min<std::int64_t>(i1, b_.bottom - s.from);
        } else {
            low = b_.top;
            size = unsigned(b_.bottom - b_.top + 1);
        }
        if (i0 > i1)
            return;
        // The minor position moves monotonically: when the first and last pixels are in the
        // band, all are, and four at a time can be passed over when all four are written.
        const bool inside = std::uint64_t(((s.minor + i0 * s.step) >> 32) - low) < size
                            && std::uint64_t(((s.minor + i1 * s.step) >> 32) - low) < size;
        std::int64_t i = i0;
        if (inside) {
            auto at_ = [&](std::int64_t n) {
                return base + n * major_stride + ((s.minor + n * s.step) >> 32) * minor_stride;
            };
            for (; i + 3 <= i1; i += 4) {
                const std::ptrdiff_t a0 = at_(i), a1 = at_(i + 1), a2 = at_(i + 2), a3 = at_(i + 3);
                if (written<Stamped>(a0) && written<Stamped>(a1) && written<Stamped>(a2)
                    && written<Stamped>(a3))
                    continue;
                for (const std::ptrdiff_t a : {a0, a1, a2, a3})
                    if (!written<Stamped>(a))
                        write<Stamped>(a, value);
            }
            for (; i <= i1; ++i)
                if (const std::ptrdiff_t a = at_(i); !written<Stamped>(a))
                    write<Stamped>(a, value);
            return;
        }
        for (; i <= i1; ++i) {
            const std::int64_t m = (s.minor + i * s.step) >> 32;
            if (std::uint64_t(m - low) >= size)
                continue;
            const std::ptrdiff_t at = base + i * major_stride + m * minor_stride;
            if (!written<Stamped>(at))
                write<Stamped>(at, value);
        }
    }

private:
    template <bool Stamped>
    bool written(std::ptrdiff_t at) const
    {
        if constexpr (Stamped)
            return b_.stamp[std::size_t(at)] != 0;
        else
            return r_.cover_[std::size_t(at)] != 0;
    }

    template <bool Stamped>
    void write(std::ptrdiff_t at, std::uint32_t value)
    {
        if constexpr (Stamped) {
            b_.stamp[std::size_t(at)] = value;
            if (b_.written.size() < b_.written.capacity())
                b_.written.push_back(std::uint32_t(at));
            else
                b_.overflow = true;
        } else {
            r_.cover_[std::size_t(at)] = 1;
            r_.pixels_[at] = value;
        }
        take(at);
    }

    // Counts a newly written pixel off its ring.
    void take(std::ptrdiff_t at)
    {
        const int y = int(at / stride_), x = int(at - std::ptrdiff_t(y) * stride_);
        grow(dirty, x, y, x, y);
        const int ring = r_.ring_at(x, y);
        if (--b_.open[std::size_t(ring)] == 0) {
            b_.closed_first = std::min(b_.closed_first, ring);
            b_.closed_last = std::max(b_.closed_last, ring);
            b_.rebuild_rings();
        }
    }

    RosetteRaster& r_;
    Band& b_;
    std::ptrdiff_t stride_;

public:
    Raster::Box dirty;
};

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
    measure_strings();
    measure_turns();
    make_bands(split);
}

RosetteRaster::~RosetteRaster() = default;

void RosetteRaster::measure_strings()
{
    const double scale = std::max(std::abs(map_.sx), std::abs(map_.sy));
    const double offset = std::max(std::abs(map_.ox), std::abs(map_.oy));
    reach_.resize(copies_.strings.size());
    for (std::size_t j = 0; j < reach_.size(); ++j) {
        const Segment& g = copies_.strings[j];
        Reach& r = reach_[j];
        r.far = farthest(g);
        r.narrowable = r.far * scale + offset < kNear;
        if (!r.narrowable) {
            r.lo = 0;
            r.hi = rings_ - 1;
            continue;
        }
        const double slack = slack_ + kRounding * r.far, near = closest(g);
        // Past the farthest corner: lo = rings_ > hi, no ring at all.
        r.lo = int(std::min(std::max(0.0, near - slack) * ring_scale_, double(rings_)));
        r.hi = int(std::min((r.far + slack) * ring_scale_, double(rings_ - 1)));
    }
}

void RosetteRaster::measure_turns()
{
    const std::span<const Turn> turns = copies_.turns;
    turned_.assign(turns.size(), 0);
    for (std::size_t k = 1; k < turns.size(); ++k) {
        // The angle between two copies along the way, whatever the turns' spacing.
        const double chord = std::hypot(turns[k].c - turns[k - 1].c, turns[k].s - turns[k - 1].s);
        turned_[k] = turned_[k - 1] + 2 * std::asin(std::min(1.0, chord / 2));
    }
}

void RosetteRaster::make_bands(Split split)
{
    const std::size_t area = std::size_t(height_) * std::size_t(std::max(stride_, 0));
    // Stamps number every string of every copy from 1 in 32 bits, and offsets fit 32 bits.
    const bool numbered
        = double(reach_.size()) * double(copies_.turns.size()) < 4e9 && double(area) < 4e9;
    const int workers = std::max(1, std::min(pool_.size(), height_));
    if (workers > 1 && numbered && split == Split::strings)
        shares_ = workers;
    else
        cover_.assign(area, 0);
    for (int b = 0; b < workers; ++b) {
        auto band = std::make_unique<Band>();
        if (shares_ > 1) {
            band->bottom = height_ - 1;
            band->share = b;
        } else {
            band->top = int(std::int64_t(height_) * b / workers);
            band->bottom = int(std::int64_t(height_) * (b + 1) / workers) - 1;
        }
        bands_.push_back(std::move(band));
    }
}

int RosetteRaster::ring_at(int x, int y) const
{
    return std::min(int(std::sqrt(column_sq_[std::size_t(x)] + row_sq_[std::size_t(y)]) * ring_scale_),
                    rings_ - 1);
}

void RosetteRaster::start_band(Band& b) const
{
    b.open.assign(std::size_t(rings_), 0);
    for (int y = b.top; y <= b.bottom; ++y)
        for (int x = 0; x < width_; ++x)
            ++b.open[std::size_t(ring_at(x, y))];
    b.rebuild_rings();
    for (std::size_t j = std::size_t(b.share); j < reach_.size(); j += std::size_t(shares_))
        b.live.push_back({std::int32_t(j), 0, {}});
    if (shares_ > 1) {
        b.stamp.assign(std::size_t(height_) * std::size_t(stride_), 0);
        b.written.reserve(std::size_t(width_) * std::size_t(height_) / 16 + 64);
    }
    b.started = true;
}

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
    if (!b.started)
        start_band(b);
    Walk walk(*this, b);
    b.written.clear();
    b.overflow = false;
    for (int k = to - 1; k >= from; --k) {
        if (b.prefix.back() == 0)
            break; // every pixel of the band is written
        if (!b.found || (b.rings_closed && (to - 1 - k) % kThinEvery == 0))
            thin(b);
        if (k < b.near_first)
            find_near(b, from, k);
        if (shares_ > 1)
            draw_copy<true>(b, k, walk);
        else
            draw_copy<false>(b, k, walk);
    }
    (shares_ > 1 ? b.piece : b.dirty) = walk.dirty;
}

// Drops the strings whose rings have all filled, and works out again where the others reach
// open rings, for those that reach rings closed since: rings only ever close, so the other
// strings' stretches still cover every pixel they can write.
void RosetteRaster::thin(Band& b) const
{
    std::erase_if(b.live, [&](const Live& l) {
        const Reach& r = reach_[std::size_t(l.string)];
        return !b.open_rings(r.lo, r.hi);
    });
    for (Live& l : b.live) {
        const Reach& r = reach_[std::size_t(l.string)];
        if (!b.found || (r.lo <= b.closed_last && r.hi >= b.closed_first))
            find_stretches(b, l);
    }
    b.found = true;
    b.closed_first = INT_MAX;
    b.closed_last = INT_MIN;
    b.rings_closed = false;
    b.near_first = INT_MAX; // `near` points into `live`
}

// The live strings that come near the band in copies near_first .. last, going back from
// `last` as far as the angle turned allows: over those copies each end moves along an arc no
// longer than its distance from the origin times the angle turned.
void RosetteRaster::find_near(Band& b, int from, int last) const
{
    const auto begin = turned_.begin() + from, end = turned_.begin() + last;
    int first = int(std::lower_bound(begin, end, turned_[std::size_t(last)] - kNearAngle) - turned_.begin());
    first = std::min(first, std::max(from, last - kThinEvery + 1));
    b.near_first = first;
    const double angle = turned_[std::size_t(last)] - turned_[std::size_t(first)];
    const bool narrow = angle < kNearAngle;
    const Turn a = copies_.turns[std::size_t(first)], z = copies_.turns[std::size_t(last)];
    const double above = b.top - 2.0, below = b.bottom + 2.0;
    b.near.clear();
    for (const Live& l : b.live) {
        const Reach& r = reach_[std::size_t(l.string)];
        if (narrow && r.narrowable) {
            const Segment& g = copies_.strings[std::size_t(l.string)];
            const Segment ga = turned(g, a), gz = turned(g, z);
            const double arc = r.far * (angle * (1 + 1e-9) + kRounding);
            const double low = std::min({ga.y1, ga.y2, gz.y1, gz.y2}) - arc;
            const double high = std::max({ga.y1, ga.y2, gz.y1, gz.y2}) + arc;
            const double r1 = low * map_.sy + map_.oy, r2 = high * map_.sy + map_.oy;
            if ((r1 < above && r2 < above) || (r1 > below && r2 > below))
                continue;
        }
        b.near.push_back(&l);
    }
}

template <bool Stamped>
void RosetteRaster::draw_copy(Band& b, int copy, Walk& walk)
{
    const Turn turn = copies_.turns[std::size_t(copy)];
    const double above = b.top - 2.0, below = b.bottom + 2.0;
    const std::size_t per_copy = reach_.size();
    Raster::Box unused;
    for (auto it = b.near.rbegin(); it != b.near.rend(); ++it) {
        const Live& l = **it;
        const std::size_t j = std::size_t(l.string);
        const Reach& r = reach_[j];
        if (!b.open_rings(r.lo, r.hi))
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
            = Stamped ? std::uint32_t(std::size_t(copy) * per_copy + j + 1) : colour_[j];
        if (l.stretches < 0) {
            if (keep_rows(s, stride_, b.top, b.bottom))
                walk.pixels<Stamped>(s, 0, s.count, value);
            continue;
        }
        // Major-axis position along the string, in the stroke's pixels. A pixel at major
        // position i stands for the string point at i, within half a pixel of it across, so
        // within the stretch when the pixel lies in an open ring (the stretch reaches
        // kLitReach past the rings); the end pixels lie at nearest(end), at most
        // floor(end) + 1. So positions floor(p0) .. floor(p1) + 1 hold every pixel to write;
        // one more each side keeps the rounding of p0 and p1 out of the question.
        const double m1 = s.steep ? y1 : x1, dm = (s.steep ? y2 : x2) - m1;
        for (int i = 0; i < l.stretches; ++i) {
            const double p0 = m1 + l.t[2 * i] * dm, p1 = m1 + l.t[2 * i + 1] * dm;
            walk.pixels<Stamped>(s, floor64(std::min(p0, p1)) - 1 - s.from,
                                 floor64(std::max(p0, p1)) + 2 - s.from, value);
        }
    }
}

void RosetteRaster::merge(int from, int to)
{
    Raster::Box written;
    bool overflow = false;
    for (const auto& b : bands_) {
        written.unite(b->piece);
        overflow = overflow || b->overflow;
    }
    if (written.empty())
        return; // the usual case once the picture has settled
    const std::uint32_t per_copy = std::uint32_t(reach_.size());
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
    const Reach& r = reach_[j];
    l.stretches = -1;
    const Segment& g = copies_.strings[j];
    const double ax = g.x1, ay = g.y1, dx = double(g.x2) - ax, dy = double(g.y2) - ay;
    const double qa = dx * dx + dy * dy, qb = ax * dx + ay * dy, qc = ax * ax + ay * ay;
    if (!r.narrowable || !(qa > 0))
        return;
    auto gap = std::lower_bound(b.gaps.begin(), b.gaps.end(), r.lo,
                                [](const std::pair<int, int>& gp, int ring) { return gp.second < ring; });
    const double slack = slack_ + kRounding * r.far;
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
    for (; gap != b.gaps.end() && gap->first <= r.hi; ++gap) {
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
    Raster::Box box;
    for (auto& b : bands_) {
        box.unite(b->dirty);
        b->dirty = {};
    }
    return box;
}
