// The line drawer on its own: which pixels a line lights, that nothing outside the image is
// ever written, and that the dirty rectangle covers what changed.

#include "canvas/CanvasMapping.h"
#include "raster/Raster.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <set>
#include <span>
#include <utility>
#include <vector>

namespace {

constexpr std::uint32_t kBlank = 0x00ffffffu;
constexpr std::uint32_t kGuard = 0xdeadbeefu;
constexpr std::uint32_t kInk = 0xff102030u;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// An image of width x height inside a larger block: `guard` pixels of guard all round, and
// `pad` more at the end of every row (stride > width), all of them set to kGuard.
class Image {
public:
    Image(int width, int height, int guard = 16, int pad = 3)
        : width_(width), height_(height), guard_(guard), stride_(width + pad + 2 * guard),
          block_(std::size_t(stride_) * (height + 2 * guard), kGuard)
    {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                at(x, y) = kBlank;
    }

    Raster raster() { return Raster(origin(), width_, height_, stride_); }
    std::uint32_t* origin() { return block_.data() + std::size_t(guard_) * stride_ + guard_; }
    std::uint32_t& at(int x, int y) { return origin()[std::ptrdiff_t(y) * stride_ + x]; }
    std::uint32_t at(int x, int y) const
    {
        return block_[std::size_t(y + guard_) * stride_ + std::size_t(x + guard_)];
    }
    int width() const { return width_; }
    int height() const { return height_; }

    // Every pixel outside the image (guard ring and row padding) still holds the guard.
    bool guards_intact() const
    {
        const int rows = height_ + 2 * guard_;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < stride_; ++c) {
                const bool inside = r >= guard_ && r < guard_ + height_ && c >= guard_
                                    && c < guard_ + width_;
                if (!inside && block_[std::size_t(r) * stride_ + c] != kGuard)
                    return false;
            }
        return true;
    }

    std::set<std::pair<int, int>> inked(std::uint32_t colour = kInk) const
    {
        std::set<std::pair<int, int>> out;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (at(x, y) == colour)
                    out.insert({x, y});
        return out;
    }

    bool same_pixels(const Image& other) const { return block_ == other.block_; }

private:
    int width_, height_, guard_, stride_;
    std::vector<std::uint32_t> block_;
};

using Pixels = std::set<std::pair<int, int>>;

Pixels draw_one(int w, int h, double x1, double y1, double x2, double y2)
{
    Image image(w, h);
    Raster r = image.raster();
    r.line(x1, y1, x2, y2, kInk);
    if (!image.guards_intact())
        qFatal("a line wrote outside the image");
    return image.inked();
}

struct Line {
    double x1, y1, x2, y2;
};

// Which pixels a line may light, worked out whole and unclipped from the drawer's rule: one
// pixel at every whole position along the major axis, from the one nearest one end to the
// one nearest the other, and across it the pixel nearest the exact line. Drawn into `big`,
// an image `border` pixels wider than the one under test on every side, as kSure, or, where
// the line passes halfway between two pixels (within the drawer's rounding), both as kEither.
// Returns the pixels drawn, in big's coordinates, so that they can be wiped again.
constexpr std::uint32_t kSure = 1, kEither = 2;

std::vector<std::pair<int, int>> reference(Image& big, int border, Line l)
{
    const bool steep = std::abs(l.y2 - l.y1) > std::abs(l.x2 - l.x1);
    double a1 = l.x1, b1 = l.y1, a2 = l.x2, b2 = l.y2;
    if (steep) {
        std::swap(a1, b1);
        std::swap(a2, b2);
    }
    if (a1 > a2) {
        std::swap(a1, a2);
        std::swap(b1, b2);
    }
    const double slope = a2 > a1 ? (b2 - b1) / (a2 - a1) : 0.0;
    std::vector<std::pair<int, int>> drawn;
    const auto plot = [&](int major, int minor, std::uint32_t kind) {
        const int x = (steep ? minor : major) + border, y = (steep ? major : minor) + border;
        if (x < 0 || y < 0 || x >= big.width() || y >= big.height())
            qFatal("the reference image is too small for a line");
        big.at(x, y) = kind;
        drawn.push_back({x, y});
    };
    constexpr double kTie = 1e-6;
    for (int major = int(std::floor(a1 + 0.5)); major <= int(std::floor(a2 + 0.5)); ++major) {
        const double exact = b1 + (major - a1) * slope + 0.5;
        const int minor = int(std::floor(exact));
        const double beyond = exact - minor;
        if (beyond < kTie || beyond > 1 - kTie) {
            plot(major, minor, kEither);
            plot(major, beyond < kTie ? minor - 1 : minor + 1, kEither);
        } else {
            plot(major, minor, kSure);
        }
    }
    return drawn;
}

// Random lines of every kind for a w x h image: inside, crossing an edge, wholly outside,
// on the border, through corners, on exact pixel centres and exact half-pixel ties, short
// and long, every direction.
std::vector<Line> random_lines(int w, int h, int count, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> inside_x(-0.5, w - 0.5), inside_y(-0.5, h - 0.5);
    std::uniform_real_distribution<double> around_x(-1.5 * w, 2.5 * w),
        around_y(-1.5 * h, 2.5 * h);
    std::uniform_int_distribution<int> kind(0, 7), ix(-2, w + 1), iy(-2, h + 1), tiny(-3, 3);
    const double borders_x[] = {-0.5, 0.0, w - 1.0, w - 0.5};
    const double borders_y[] = {-0.5, 0.0, h - 1.0, h - 0.5};
    std::uniform_int_distribution<int> border(0, 3);
    std::vector<Line> out;
    out.reserve(std::size_t(count));
    while (int(out.size()) < count) {
        Line l{};
        switch (kind(rng)) {
        case 0: // inside
            l = {inside_x(rng), inside_y(rng), inside_x(rng), inside_y(rng)};
            break;
        case 1: // anywhere around: crossing edges, or not touching the image at all
            l = {around_x(rng), around_y(rng), around_x(rng), around_y(rng)};
            break;
        case 2: // whole pixel centres, some just outside
            l = {double(ix(rng)), double(iy(rng)), double(ix(rng)), double(iy(rng))};
            break;
        case 3: // half-pixel ties
            l = {ix(rng) + 0.5, iy(rng) - 0.5, ix(rng) - 0.5, iy(rng) + 0.5};
            break;
        case 4: // along or onto the border
            l = {borders_x[border(rng)], inside_y(rng), inside_x(rng), borders_y[border(rng)]};
            break;
        case 5: { // short
            const double x = inside_x(rng), y = inside_y(rng);
            l = {x, y, x + tiny(rng) * 0.37, y + tiny(rng) * 0.41};
            break;
        }
        case 6: { // exact diagonals and axis-parallel lines
            const int x = ix(rng), y = iy(rng), d = ix(rng) - x;
            const int which = border(rng);
            l = which == 0   ? Line{double(x), double(y), double(x + d), double(y + d)}
                : which == 1 ? Line{double(x), double(y), double(x + d), double(y - d)}
                : which == 2 ? Line{double(x), double(y), double(x + d), double(y)}
                             : Line{double(x), double(y), double(x), double(y + d)};
            break;
        }
        default: // corner to corner, and beyond
            l = {-0.5 - tiny(rng), -0.5 - tiny(rng), w - 0.5 + tiny(rng), h - 0.5 + tiny(rng)};
            break;
        }
        out.push_back(l);
    }
    return out;
}

// The bounding box of the pixels that differ between two images of the same size.
Raster::Box changed_box(const Image& before, const Image& after)
{
    Raster::Box b;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x)
            if (before.at(x, y) != after.at(x, y))
                b.cover(x, y);
    return b;
}

bool covers(const Raster::Box& outer, const Raster::Box& inner)
{
    if (inner.empty())
        return true;
    return !outer.empty() && outer.left <= inner.left && outer.top <= inner.top
           && outer.right >= inner.right && outer.bottom >= inner.bottom;
}

} // namespace

class RasterTest : public QObject {
    Q_OBJECT

private slots:
    void both_end_pixels_are_drawn()
    {
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> x(0, 40), y(0, 30);
        for (int i = 0; i < 5000; ++i) {
            const int x1 = x(rng), y1 = y(rng), x2 = x(rng), y2 = y(rng);
            const Pixels p = draw_one(41, 31, x1, y1, x2, y2);
            QVERIFY2(p.count({x1, y1}) && p.count({x2, y2}),
                     qPrintable(QStringLiteral("(%1,%2)-(%3,%4)").arg(x1).arg(y1).arg(x2).arg(y2)));
            // One pixel per whole position along the major axis, no more.
            QCOMPARE(int(p.size()), std::max(std::abs(x2 - x1), std::abs(y2 - y1)) + 1);
        }
    }

    void ends_off_pixel_centres_land_on_the_nearest_pixel_or_beside_it()
    {
        std::mt19937 rng(8);
        std::uniform_real_distribution<double> x(-0.49, 40.49), y(-0.49, 30.49);
        for (int i = 0; i < 5000; ++i) {
            const double x1 = x(rng), y1 = y(rng), x2 = x(rng), y2 = y(rng);
            const Pixels p = draw_one(41, 31, x1, y1, x2, y2);
            for (auto [ex, ey] : {std::pair{x1, y1}, std::pair{x2, y2}}) {
                const int nx = int(std::floor(ex + 0.5)), ny = int(std::floor(ey + 0.5));
                bool near = false;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        near = near || p.count({nx + dx, ny + dy});
                QVERIFY(near);
            }
        }
    }

    void horizontal_vertical_diagonal_and_steep_lines_hit_the_expected_pixels()
    {
        QCOMPARE(draw_one(10, 8, 1, 2, 8, 2),
                 (Pixels{{1, 2}, {2, 2}, {3, 2}, {4, 2}, {5, 2}, {6, 2}, {7, 2}, {8, 2}}));
        QCOMPARE(draw_one(10, 8, 3, 0, 3, 7),
                 (Pixels{{3, 0}, {3, 1}, {3, 2}, {3, 3}, {3, 4}, {3, 5}, {3, 6}, {3, 7}}));
        QCOMPARE(draw_one(10, 8, 0, 0, 5, 5),
                 (Pixels{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}}));
        QCOMPARE(draw_one(10, 8, 6, 0, 0, 6),
                 (Pixels{{6, 0}, {5, 1}, {4, 2}, {3, 3}, {2, 4}, {1, 5}, {0, 6}}));
        // Steep: x = y / 3, rounded to nearest.
        QCOMPARE(draw_one(10, 8, 0, 0, 2, 6),
                 (Pixels{{0, 0}, {0, 1}, {1, 2}, {1, 3}, {1, 4}, {2, 5}, {2, 6}}));
        // Shallow: y = x / 4.
        QCOMPARE(draw_one(10, 8, 0, 0, 8, 2),
                 (Pixels{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 2}, {7, 2}, {8, 2}}));
        // A long line: every column once, the row following the exact line.
        const Pixels shallow = draw_one(300, 50, 0, 40, 299, 3);
        QCOMPARE(int(shallow.size()), 300);
        for (auto [px, py] : shallow) {
            const double exact = 40 + (3.0 - 40) * px / 299;
            QVERIFY(std::abs(py - exact) <= 0.5 + 1e-9);
        }
    }

    void direction_does_not_matter()
    {
        for (const Line& l : random_lines(37, 23, 3000, 11)) {
            QCOMPARE(draw_one(37, 23, l.x1, l.y1, l.x2, l.y2),
                     draw_one(37, 23, l.x2, l.y2, l.x1, l.y1));
        }
    }

    void a_zero_length_line_draws_one_pixel()
    {
        QCOMPARE(draw_one(10, 8, 3, 4, 3, 4), (Pixels{{3, 4}}));
        QCOMPARE(draw_one(10, 8, 3.3, 3.6, 3.3, 3.6), (Pixels{{3, 4}}));
        QCOMPARE(draw_one(10, 8, 0, 0, 0, 0), (Pixels{{0, 0}}));
        QCOMPARE(draw_one(10, 8, 9, 7, 9, 7), (Pixels{{9, 7}}));
        QCOMPARE(draw_one(1, 1, 0, 0, 0, 0), (Pixels{{0, 0}}));
        QCOMPARE(draw_one(10, 8, 10, 4, 10, 4), Pixels{}); // just outside
        QCOMPARE(draw_one(10, 8, -1, 4, -1, 4), Pixels{});
    }

    void lines_partly_outside_are_clipped_to_what_is_inside()
    {
        // Across the whole image and beyond: every pixel inside on the line is drawn.
        Pixels row;
        for (int x = 0; x < 20; ++x)
            row.insert({x, 5});
        QCOMPARE(draw_one(20, 10, -50, 5, 70, 5), row);
        QCOMPARE(draw_one(20, 10, 70, 5, -50, 5), row);
        Pixels column;
        for (int y = 0; y < 10; ++y)
            column.insert({7, y});
        QCOMPARE(draw_one(20, 10, 7, -1e6, 7, 1e6), column);
        Pixels diagonal;
        for (int i = 0; i < 10; ++i)
            diagonal.insert({i, i});
        QCOMPARE(draw_one(20, 10, -30, -30, 40, 40), diagonal);
        QCOMPARE(draw_one(20, 10, -1e9, -1e9, 1e9, 1e9), diagonal);
        // Wholly outside, including just beyond the border: nothing.
        QCOMPARE(draw_one(20, 10, -5, -5, 30, -5), Pixels{});
        QCOMPARE(draw_one(20, 10, 20, 0, 20, 9), Pixels{});
        QCOMPARE(draw_one(20, 10, -0.51, 0, -0.51, 9), Pixels{});
        QCOMPARE(draw_one(20, 10, -10, 3, 3, 20), Pixels{}); // passes by a corner

        // Entering through the top edge, leaving through the right one, and a steep line
        // entering through the left edge: worked by hand from the exact line.
        QCOMPARE(draw_one(10, 8, -2, -3, 6, 5), (Pixels{{1, 0}, {2, 1}, {3, 2}, {4, 3}, {5, 4}, {6, 5}}));
        QCOMPARE(draw_one(10, 8, 5, 0, 15, 5), (Pixels{{5, 0}, {6, 1}, {7, 1}, {8, 2}, {9, 2}}));
        QCOMPARE(draw_one(10, 8, -3.2, 0, 2.8, 12), (Pixels{{0, 6}, {0, 7}}));
    }

    void huge_infinite_and_nan_coordinates_never_write_outside()
    {
        const double wild[] = {0,     5,      -0.5,    19.5,   1e6,   -1e6,     1e9,
                               -1e9,  1e15,   -1e15,   2147483648.0, -2147483649.0,
                               1e19,  -1e19,  1e100,   -1e100, 1e300, -1e300,
                               std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
                               std::numeric_limits<double>::denorm_min(), kInf, -kInf, kNaN};
        Image image(20, 10);
        Raster r = image.raster();
        long long lines = 0;
        for (double x1 : wild)
            for (double y1 : wild)
                for (double x2 : {0.0, 7.0, 1e9, -1e300, kInf, kNaN})
                    for (double y2 : {0.0, 3.0, -1e9, 1e300, -kInf, kNaN}) {
                        r.line(x1, y1, x2, y2, kInk);
                        r.line(x2, y2, x1, y1, kInk);
                        r.set_pixel(x1, y1, kInk);
                        ++lines;
                    }
        QVERIFY(lines > 10000);
        QVERIFY(image.guards_intact());
        const Raster::Box dirty = r.take_dirty();
        QVERIFY(dirty.empty() || (dirty.left >= 0 && dirty.top >= 0 && dirty.right < 20
                                  && dirty.bottom < 10));

        // Lines through the image from very far away: the clip loses precision there, so
        // its ends can land well off the border. Whatever is drawn stays inside.
        std::mt19937 rng(17);
        std::uniform_real_distribution<double> unit(0.1, 1.0), across(-5, 25), down(-5, 15);
        for (double a : {1e12, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e25, 1e40, 1e150}) {
            for (int i = 0; i < 300; ++i) {
                const double u1 = unit(rng), u2 = unit(rng);
                r.line(-a * u1, down(rng), a * u2, down(rng), kInk);        // shallow
                r.line(across(rng), -a * u1, across(rng), a * u2, kInk);    // steep
                r.line(-a * u1, -a * u2, a * u2, a * u1, kInk);             // diagonal-ish
                r.line(a * u1, down(rng), across(rng), down(rng), kInk);    // one end far
                r.line(across(rng), a * u1, across(rng), down(rng), kInk);
            }
        }
        QVERIFY(image.guards_intact());
        const Raster::Box far = r.take_dirty();
        QVERIFY(!far.empty() && far.left >= 0 && far.top >= 0 && far.right < 20
                && far.bottom < 10);

        // NaN anywhere draws nothing.
        Image clean(20, 10);
        Raster c = clean.raster();
        c.line(kNaN, 3, 5, 5, kInk);
        c.line(3, kNaN, 5, 5, kInk);
        c.line(3, 3, kNaN, 5, kInk);
        c.line(3, 3, 5, kNaN, kInk);
        c.line(kNaN, kNaN, kNaN, kNaN, kInk);
        c.set_pixel(kNaN, 2, kInk);
        QVERIFY(clean.inked().empty());
        QVERIFY(c.take_dirty().empty());

        // The same through the batch call, where the map itself can overflow.
        Image batch(20, 10);
        Raster b = batch.raster();
        const float fwild[] = {0, 3, 1e30f, -1e30f, 3.4e38f, -3.4e38f,
                               std::numeric_limits<float>::infinity(),
                               std::numeric_limits<float>::quiet_NaN()};
        std::vector<Segment> segments;
        for (float x1 : fwild)
            for (float y1 : fwild)
                for (float x2 : fwild)
                    segments.push_back({x1, y1, x2, 2});
        b.lines(segments, {1e10, 0, -1e10, 5}, kInk);
        b.lines(segments, {1, 10, 1, 5}, kInk);
        QVERIFY(batch.guards_intact());
    }

    void images_of_one_pixel_and_of_none()
    {
        Image one(1, 1);
        Raster r = one.raster();
        for (const Line& l : random_lines(1, 1, 2000, 13))
            r.line(l.x1, l.y1, l.x2, l.y2, kInk);
        QVERIFY(one.guards_intact());

        std::uint32_t nothing = kGuard;
        Raster empty(&nothing, 0, 0, 0);
        empty.line(-5, -5, 5, 5, kInk);
        empty.line(0, 0, 0, 0, kInk);
        empty.set_pixel(0, 0, kInk);
        Raster flat(&nothing, 1, 0, 1);
        flat.line(0, 0, 0, 0, kInk);
        QCOMPARE(nothing, kGuard);
        QVERIFY(empty.take_dirty().empty());
        QVERIFY(flat.take_dirty().empty());
    }

    void the_dirty_rectangle_covers_every_changed_pixel()
    {
        const int w = 53, h = 29;
        Image image(w, h);
        Raster r = image.raster();
        QVERIFY(r.take_dirty().empty());
        const std::vector<Line> lines = random_lines(w, h, 6000, 14);
        std::uint32_t colour = 1;
        for (std::size_t i = 0; i < lines.size(); i += 3) {
            const Image before = image;
            // A few lines (and a dot) at a time, in colours never seen before, so that
            // every written pixel changes.
            for (std::size_t j = i; j < std::min(i + 3, lines.size()); ++j)
                r.line(lines[j].x1, lines[j].y1, lines[j].x2, lines[j].y2, ++colour);
            r.set_pixel(lines[i].x1, lines[i].y2, ++colour);
            const Raster::Box dirty = r.take_dirty();
            const Raster::Box changed = changed_box(before, image);
            QVERIFY2(covers(dirty, changed),
                     qPrintable(QStringLiteral("changed %1,%2-%3,%4 not in dirty %5,%6-%7,%8")
                                    .arg(changed.left).arg(changed.top).arg(changed.right)
                                    .arg(changed.bottom).arg(dirty.left).arg(dirty.top)
                                    .arg(dirty.right).arg(dirty.bottom)));
            if (!dirty.empty())
                QVERIFY(dirty.left >= 0 && dirty.top >= 0 && dirty.right < w && dirty.bottom < h);
        }
        // Taking the box forgets it; a line wholly outside leaves it empty.
        r.line(-10, -10, -5, -20, kInk);
        QVERIFY(r.take_dirty().empty());
        r.line(3, 3, 9, 4, kInk);
        const Raster::Box one = r.take_dirty();
        QCOMPARE(one.left, 3);
        QCOMPARE(one.top, 3);
        QCOMPARE(one.right, 9);
        QCOMPARE(one.bottom, 4);
        QVERIFY(r.take_dirty().empty());
    }

    // Each line, clipped or not, lights inside the image just what it lights drawn whole, and
    // its dirty rectangle covers those pixels, reaching a pixel beyond at most.
    void pixels_and_dirty_rectangles_match_lines_drawn_whole()
    {
        for (auto [w, h] : {std::pair{211, 141}, std::pair{37, 23}, std::pair{5, 64},
                            std::pair{64, 3}, std::pair{1, 9}}) {
            const int border = 3 * std::max(w, h) + 4; // random lines reach 1.5 sizes beyond
            Image image(w, h), big(w + 2 * border, h + 2 * border, 0, 0);
            Raster r = image.raster();
            std::uint32_t colour = kInk;
            for (const Line& l : random_lines(w, h, 3000, 15 + unsigned(w))) {
                const QString name = QStringLiteral("%1 x %2: (%3,%4)-(%5,%6)")
                                         .arg(w).arg(h).arg(l.x1).arg(l.y1).arg(l.x2).arg(l.y2);
                r.line(l.x1, l.y1, l.x2, l.y2, ++colour);
                const Raster::Box dirty = r.take_dirty();
                const auto drawn = reference(big, border, l);
                // What the line may light inside, and beside it just outside, drawn on the edge.
                Raster::Box may;
                for (auto [x, y] : drawn)
                    if (x >= border - 1 && y >= border - 1 && x <= border + w && y <= border + h)
                        may.cover(std::clamp(x - border, 0, w - 1), std::clamp(y - border, 0, h - 1));
                int may_light = 0, differ = 0;
                bool on_border = true;
                Raster::Box lit;
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        const std::uint32_t want = big.at(x + border, y + border);
                        const bool here = image.at(x, y) == colour;
                        if (here)
                            lit.cover(x, y);
                        may_light += want != kBlank;
                        if ((want == kSure && !here) || (want == kBlank && here)) {
                            ++differ;
                            on_border = on_border && (x == 0 || y == 0 || x == w - 1 || y == h - 1);
                        }
                    }
                QVERIFY2(covers(dirty, lit), qPrintable(name + ": lit pixels outside the dirty rectangle"));
                // A line that only grazes the image's edge on a tie is cut to that one point,
                // which may round to the pixel inside or the one outside.
                const bool one_pixel = lit.empty() || (lit.left == lit.right && lit.top == lit.bottom);
                QVERIFY2(differ == 0 || (one_pixel && may_light <= 1 && on_border),
                         qPrintable(name + QStringLiteral(": %1 pixels differ").arg(differ)));
                // Such a point may also reach a pixel further.
                QVERIFY2(dirty.empty() || (!may.empty() && dirty.left >= may.left - 1 && dirty.top >= may.top - 1
                                           && dirty.right <= may.right + 1 && dirty.bottom <= may.bottom + 1),
                         qPrintable(name + ": dirty rectangle too large"));
                for (auto [x, y] : drawn)
                    big.at(x, y) = kBlank;
            }
            QVERIFY(image.guards_intact());
        }
    }

    void a_batch_draws_what_single_lines_draw()
    {
        const int w = 412, h = 282;
        std::mt19937 rng(16);
        std::uniform_real_distribution<float> logical(-900, 900);
        std::vector<Segment> segments(20000);
        for (Segment& s : segments)
            s = {logical(rng), logical(rng), logical(rng), logical(rng)};
        // The canvas's resize mapping: (-600, 500) top left, (600, -500) bottom right.
        const Raster::Map map = CanvasMapping({-600, 500, 600, -500}, w, h).affine();
        Image one_by_one(w, h), batched(w, h);
        Raster single = one_by_one.raster(), batch = batched.raster();
        for (std::size_t i = 0; i < segments.size(); i += 1000) {
            const auto part = std::span(segments).subspan(i, 1000);
            const std::uint32_t colour = 0xff000000u | std::uint32_t(i);
            for (const Segment& s : part)
                single.line(s.x1 * map.sx + map.ox, s.y1 * map.sy + map.oy,
                            s.x2 * map.sx + map.ox, s.y2 * map.sy + map.oy, colour);
            batch.lines(part, map, colour);
            const Raster::Box a = single.take_dirty(), b = batch.take_dirty();
            QCOMPARE(a.left, b.left);
            QCOMPARE(a.top, b.top);
            QCOMPARE(a.right, b.right);
            QCOMPARE(a.bottom, b.bottom);
        }
        QVERIFY(batched.guards_intact());
        QVERIFY(one_by_one.same_pixels(batched));
        batch.lines({}, map, kInk); // nothing to draw is fine
        QVERIFY(batch.take_dirty().empty());
    }
};

QTEST_GUILESS_MAIN(RasterTest)
#include "tst_raster.moc"
