// Drawing on all workers gives the very image one thread draws, pixel for pixel.

#include "raster/BandedRaster.h"
#include "canvas/CanvasMapping.h"
#include "core/Kaleidoscope.h"
#include "core/Module1.h"
#include "canvas/RetainedImage.h"
#include "raster/WorkerPool.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr int kWidth = 412, kHeight = 282;
constexpr QRgb kWhite = 0xffffffffu;
// Band borders on 282 rows: 141 for two workers, 94 and 188 for three, 40 80 120 161 201 241
// for seven; with rows of 4096 pixels (kWide), block borders every 64 rows. Strings are given
// in pixels here: the map is the identity.
constexpr int kWide = 4096;
constexpr AffineMap kPixels{1, 0, 1, 0};

using Segments = std::vector<Segment>;

Segments crossing_borders()
{
    // Long strings at every angle, through the middle and past the edges.
    Segments s;
    for (int i = 0; i < 180; ++i) {
        const double a = i * 3.14159265358979 / 180;
        s.push_back({float(206 - 300 * std::cos(a)), float(141 - 300 * std::sin(a)),
                     float(206 + 250 * std::cos(a)), float(141 + 250 * std::sin(a))});
    }
    return s;
}

Segments along_border_rows()
{
    Segments s;
    for (int row : {40, 64, 80, 93, 94, 120, 128, 140, 141, 161, 187, 188, 201, 241}) {
        for (float d : {-1.0f, -0.5f, 0.0f, 0.49f, 0.5f})
            s.push_back({-3.0f, row + d, 415.0f, row + d});
        // Shallow strings whose row steps exactly over the border.
        s.push_back({0, row - 0.5f, 411, row + 0.5f});
        s.push_back({0, row + 1.5f, 411, row - 1.5f});
        // Slopes of a half: the fixed-point row lands exactly on the border's first row.
        s.push_back({0, row - 1.0f, 8, row + 3.0f});
        s.push_back({100, row + 2.0f, 104, float(row)});
    }
    return s;
}

Segments within_one_band()
{
    Segments s;
    for (int i = 0; i < 300; ++i)
        s.push_back({float(i), 10.0f + float(i % 7), float(i + 90), 30.0f - float(i % 5)});
    return s;
}

Segments far_outside()
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    return {{-1e6f, -1e6f, 1e6f, 1e6f},   {-1e30f, 5, 1e30f, 280},  {100, -1e30f, 300, 1e30f},
            {-inf, 140, inf, 141},        {nan, 0, 200, 200},       {5000, 5000, 6000, 6000},
            {-5000, 300, 5000, -20},      {206, -1e7f, 207, 1e7f},  {-1e5f, 141, 1e5f, 141.5f}};
}

Segments random_strings()
{
    std::mt19937 rng(18);
    std::uniform_real_distribution<float> x(-200, 612), y(-150, 432);
    Segments s(3000);
    for (Segment& g : s)
        g = {x(rng), y(rng), x(rng), y(rng)};
    return s;
}

// Runs of up to 37 strings in changing colours, so overlaps show the order of drawing.
std::vector<BandedRaster::Run> runs_for(std::size_t strings)
{
    std::vector<BandedRaster::Run> runs;
    for (std::size_t at = 0, i = 0; at < strings; ++i) {
        const std::size_t n = std::min<std::size_t>(strings - at, 1 + (i * 13) % 37);
        runs.push_back({0xff000000u | std::uint32_t(i * 0x10305), n});
        at += n;
    }
    return runs;
}

std::vector<std::uint32_t> blank(int stride = kWidth)
{
    return std::vector<std::uint32_t>(std::size_t(stride) * kHeight, kWhite);
}

// The image's kWidth columns out of rows `stride` pixels apart.
std::vector<std::uint32_t> columns(const std::vector<std::uint32_t>& pixels, int stride)
{
    std::vector<std::uint32_t> out;
    for (int y = 0; y < kHeight; ++y)
        out.insert(out.end(), pixels.begin() + std::ptrdiff_t(y) * stride,
                   pixels.begin() + std::ptrdiff_t(y) * stride + kWidth);
    return out;
}

// The single-threaded image: one Raster, run after run.
std::vector<std::uint32_t> drawn_by_one_raster(const Segments& segments)
{
    std::vector<std::uint32_t> pixels = blank();
    Raster raster(pixels.data(), kWidth, kHeight, kWidth);
    std::size_t at = 0;
    for (const BandedRaster::Run& r : runs_for(segments.size())) {
        raster.lines(std::span(segments).subspan(at, r.count), kPixels, r.colour);
        at += r.count;
    }
    return pixels;
}

// A figure for the replay: sides along a star polygon, as clicks would enter them.
Module1 star(int sides, int per_side, double radius)
{
    Module1 s;
    s.subdivs = std::int16_t(per_side);
    for (int i = 0; i < 8; ++i)
        s.palette[i] = rgb(30 * i, 255 - 30 * i, 17 * i);
    auto vertex = [&](int i) {
        const double a = 2 * 3.14159265358979 * ((i * 3) % sides) / sides + 0.2;
        return QPointF(radius * std::cos(a), radius * std::sin(a));
    };
    int n = 0;
    for (int side = 0; side < sides; ++side) {
        const QPointF a = vertex(side), b = vertex(side + 1);
        for (int i = 0; i < per_side; ++i) {
            s.point_x[n] = float(a.x() + (b.x() - a.x()) * i / (per_side - 1));
            s.point_y[n] = float(a.y() + (b.y() - a.y()) * i / (per_side - 1));
            ++n;
        }
    }
    s.point_count = std::int16_t(n);
    return s;
}

// Draws through set_colour and lines only: the replay exactly as one thread drew it before.
class OneRunAtATime final : public DrawingSink {
public:
    explicit OneRunAtATime(RetainedImage& image) : image_(image) {}
    void clear() override { image_.clear(); }
    void set_colour(Colour c) override { image_.set_colour(c); }
    void dot(float x, float y) override { image_.dot(x, y); }
    void line(float x1, float y1, float x2, float y2) override { image_.line(x1, y1, x2, y2); }
    void lines(std::span<const Segment> s) override { image_.lines(s); }

private:
    RetainedImage& image_;
};

RetainedImage image_for(WorkerPool& pool)
{
    RetainedImage image(kWhite, pool, 0);
    image.set_mapping(CanvasMapping({-600, 500, 600, -500}, kWidth, kHeight));
    image.fit(QSize(kWidth, kHeight), 1);
    return image;
}

} // namespace

class BandedRasterTest : public QObject {
    Q_OBJECT

private slots:
    void the_same_pixels_whatever_the_workers_data()
    {
        QTest::addColumn<int>("workers");
        QTest::addColumn<Segments>("segments");
        QTest::addColumn<BandedRaster::Split>("split");
        QTest::addColumn<int>("stride");
        const std::pair<const char*, Segments> figures[] = {
            {"crossing borders", crossing_borders()}, {"along border rows", along_border_rows()},
            {"within one band", within_one_band()},   {"far outside", far_outside()},
            {"random", random_strings()}};
        for (const auto& [name, segments] : figures)
            for (int n : {1, 2, 3, 7})
                for (auto split : {BandedRaster::Split::bands, BandedRaster::Split::strings})
                    for (int stride : {kWidth, kWide}) // wide rows: drawn in blocks of rows
                        QTest::addRow("%s, %d workers, %s%s", name, n,
                                      split == BandedRaster::Split::bands ? "bands" : "strings",
                                      stride == kWide ? ", wide rows" : "")
                            << n << segments << split << stride;
    }

    void the_same_pixels_whatever_the_workers()
    {
        QFETCH(int, workers);
        QFETCH(Segments, segments);
        QFETCH(BandedRaster::Split, split);
        QFETCH(int, stride);
        const std::vector<std::uint32_t> expected = drawn_by_one_raster(segments);
        WorkerPool pool(workers);
        std::vector<std::uint32_t> pixels = blank(stride);
        BandedRaster banded(pixels.data(), kWidth, kHeight, stride, pool, 0, split);
        banded.lines(segments, runs_for(segments.size()), kPixels);
        pixels = columns(pixels, stride);
        QVERIFY(pixels == expected);
        QVERIFY(pixels != blank());

        // The same strings as copies turned about the corner, turned by the workers, against
        // the turned strings drawn copy after copy by one Raster.
        const std::vector<Turn> turns{{1, 0}, {std::cos(0.01), std::sin(0.01)},
                                      {std::cos(-0.3), std::sin(-0.3)}};
        const std::vector<BandedRaster::Run> runs = runs_for(segments.size());
        std::vector<std::uint32_t> forward = blank();
        Raster one(forward.data(), kWidth, kHeight, kWidth);
        for (const Turn& t : turns) {
            Segments copy;
            for (const Segment& g : segments)
                copy.push_back(turned(g, t));
            for (std::size_t r = 0, at = 0; r < runs.size(); at += runs[r++].count)
                one.lines(std::span(copy).subspan(at, runs[r].count), kPixels, runs[r].colour);
        }
        pixels = blank(stride);
        BandedRaster(pixels.data(), kWidth, kHeight, stride, pool, 0, split)
            .copies(segments, runs, turns, kPixels);
        QVERIFY(columns(pixels, stride) == forward);
    }

    void whole_and_in_two_bands_alike_for_any_finite_ends_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<AffineMap>("map");
        QTest::addColumn<Segment>("segment");
        QTest::addColumn<int>("split"); // the second band's first row
        QTest::addColumn<int>("lit");
        // Found by fuzzing: from near 1e38 to three pixels left of the image, which the line
        // never enters.
        QTest::newRow("1e38 to beside the image")
            << 28 << 22 << AffineMap{1, -3, -5, 20}
            << Segment{-6.3211022e37f, -6.3223688e37f, 1.6694313e-35f, 0} << 15 << 0;
        QTest::newRow("1e38 to inside the image")
            << 28 << 22 << AffineMap{1, 10, -5, 20}
            << Segment{-6.3211022e37f, -6.3223688e37f, 0, 0} << 15 << 2;
        QTest::newRow("1e30 across the image") << 28 << 22 << AffineMap{1, 0, 1, 0}
                                               << Segment{-1e30f, 3, 1e30f, 18} << 11 << -1;
    }

    void whole_and_in_two_bands_alike_for_any_finite_ends()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(AffineMap, map);
        QFETCH(Segment, segment);
        QFETCH(int, split);
        QFETCH(int, lit);
        const std::size_t size = std::size_t(width) * std::size_t(height);
        std::vector<std::uint32_t> whole(size, kWhite), banded(size, kWhite);
        Raster(whole.data(), width, height, width).lines(std::span(&segment, 1), map, 0);
        Raster in_bands(banded.data(), width, height, width);
        in_bands.lines_in_rows(std::span(&segment, 1), map, 0, 0, split - 1);
        in_bands.lines_in_rows(std::span(&segment, 1), map, 0, split, height - 1);
        QVERIFY(whole == banded);
        if (lit >= 0) // -1: whatever the clip makes of ends that far apart
            QCOMPARE(int(std::count(whole.begin(), whole.end(), 0u)), lit);
    }

    void a_replay_draws_the_same_image_whatever_the_workers_data()
    {
        QTest::addColumn<int>("workers");
        QTest::addColumn<int>("copies");
        QTest::addColumn<int>("stop_from");
        for (int n : {1, 2, 3, 7}) {
            QTest::addRow("%d workers", n) << n << 9 << -1;
            QTest::addRow("%d workers, batches of copies", n) << n << 600 << -1;
            QTest::addRow("%d workers, batches of copies, stopped", n) << n << 600 << 200;
            // Copies under a pixel apart at the rim: drawn last first.
            QTest::addRow("%d workers, last first", n) << n << 2000 << -1;
        }
    }

    void a_replay_draws_the_same_image_whatever_the_workers()
    {
        QFETCH(int, workers);
        QFETCH(int, copies);
        QFETCH(int, stop_from);
        // Reaches past the canvas's edges (600 units across, 500 up) at most angles.
        // 576 strings a copy: a piece of a few hundred copies, and a stop between two.
        const Module1 figure = star(25, 24, 650);
        const long long per_copy = figure.point_count - 24;
        WorkerPool pool(workers);
        RetainedImage image = image_for(pool);
        int reported = -1;
        const ReplayResult r2 = draw_kaleidoscope(figure, copies, image, [&](int done, int total) {
            if (done < reported || total != copies)
                QTest::qFail("progress went back", __FILE__, __LINE__);
            reported = done;
            return stop_from < 0 || done < stop_from;
        });
        // Stopped, whole copies stand: the same as drawing that many copies one at a time.
        const int drawn = int(r2.strings / per_copy);
        QCOMPARE(r2.strings, drawn * per_copy);
        QCOMPARE(r2.cancelled, stop_from >= 0);
        QVERIFY(stop_from < 0 ? drawn == copies : drawn >= stop_from && drawn < copies);
        WorkerPool one(1);
        RetainedImage expected = image_for(one);
        OneRunAtATime reference(expected);
        const ReplayResult r1 = draw_kaleidoscope(figure, copies, reference,
                                                  [&](int done, int) { return done < drawn; });
        QCOMPARE(r2.strings, r1.strings);
        QVERIFY(image.image() == expected.image());
        QCOMPARE(image.take_dirty(), expected.take_dirty());
    }
};

QTEST_GUILESS_MAIN(BandedRasterTest)
#include "tst_bandedraster.moc"
