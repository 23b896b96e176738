// Copies drawn last first over a cover leave the very picture that drawing them copy after
// copy with Raster::lines leaves, whatever the workers, and whole copies when stopped.

#include "raster/RosetteRaster.h"
#include "raster/WorkerPool.h"

#include <QTest>

#include <cmath>
#include <vector>

namespace {

constexpr int kWidth = 97, kHeight = 71;
// The canvas's resize mapping: 1200 logical units across, 1000 down, origin in the middle.
constexpr AffineMap kMap{kWidth / 1200.0, kWidth / 2.0, -kHeight / 1000.0, kHeight / 2.0};

struct Figure {
    std::vector<Segment> strings;
    std::vector<RosetteRaster::Run> runs;
};

// Fans between the sides of a star polygon, as clicks would enter them, reaching `radius`.
Figure star(int sides, int per_side, double radius)
{
    Figure f;
    auto vertex = [&](int i) {
        const double a = 6.283185307179586 * ((i * 3) % sides) / sides + 0.3;
        return std::pair{radius * std::cos(a), radius * std::sin(a)};
    };
    std::vector<std::pair<float, float>> points;
    for (int side = 0; side <= sides; ++side) {
        const auto [ax, ay] = vertex(side);
        const auto [bx, by] = vertex(side + 1);
        for (int i = 0; i < per_side; ++i)
            points.push_back({float(ax + (bx - ax) * i / (per_side - 1)),
                              float(ay + (by - ay) * i / (per_side - 1))});
    }
    for (std::size_t j = 0; j + std::size_t(per_side) < points.size(); ++j)
        f.strings.push_back({points[j].first, points[j].second, points[j + std::size_t(per_side)].first,
                             points[j + std::size_t(per_side)].second});
    for (std::size_t at = 0, side = 0; at < f.strings.size(); at += std::size_t(per_side), ++side)
        f.runs.push_back({0xff000000u | std::uint32_t(side * 0x252d37),
                          std::min<std::size_t>(std::size_t(per_side), f.strings.size() - at)});
    return f;
}

// The same strings again in other colours (covering wholly), then shorter pieces of them and
// strings along them overlapping partly.
Figure covering()
{
    Figure f;
    const Segment base[] = {{-500, 20, 480, 60}, {30, -450, 90, 400}, {-300, -300, 310, 290}};
    for (int round = 0; round < 3; ++round) {
        for (const Segment& g : base)
            f.strings.push_back(g);
        for (const Segment& g : base)
            f.strings.push_back({g.x1 * 0.5f, g.y1 * 0.5f, g.x2 * 0.7f, g.y2 * 0.7f});
        f.runs.push_back({0xff000000u | std::uint32_t(round * 0x405060 + 7), 6});
    }
    return f;
}

// Strings that reach far beyond the image, one end or both, and one of no length.
Figure far_reaching()
{
    Figure f;
    f.strings = {{-1e6f, 10, 1e6f, -20},  {0, 1e20f, 5, -1e20f},  {250, 40, 3e7f, 2e7f},
                 {-1e30f, -1e30f, 1e30f, 9e29f}, {100, 100, 100, 100}, {-700, 600, 900, -400}};
    f.runs = {{0xff102030u, 3}, {0xff405060u, 3}};
    return f;
}

// One string, in one colour.
Figure lone(Segment g)
{
    return {{g}, {{0xff204060u, 1}}};
}

std::vector<Turn> turns(int copies)
{
    std::vector<Turn> t;
    for (int k = 0; k < copies; ++k) {
        const double a = ((double(k) / copies) * 2) * 3.141592654;
        t.push_back({std::cos(a), std::sin(a)});
    }
    return t;
}

// A starting picture that is not blank, so that every pixel left alone shows.
std::vector<std::uint32_t> first_picture()
{
    std::vector<std::uint32_t> p(std::size_t(kWidth) * kHeight);
    for (std::size_t i = 0; i < p.size(); ++i)
        p[i] = 0xff000000u | std::uint32_t(i * 2654435761u >> 8);
    return p;
}

// Copies first .. last - 1 drawn forward, string after string.
std::vector<std::uint32_t> forward(const Figure& f, const std::vector<Turn>& t, int first, int last)
{
    std::vector<std::uint32_t> p = first_picture();
    Raster raster(p.data(), kWidth, kHeight, kWidth);
    for (int k = first; k < last; ++k) {
        std::size_t at = 0;
        for (const RosetteRaster::Run& r : f.runs) {
            std::vector<Segment> copy;
            for (std::size_t j = at; j < at + r.count; ++j)
                copy.push_back(turned(f.strings[j], t[std::size_t(k)]));
            raster.lines(copy, kMap, r.colour);
            at += r.count;
        }
    }
    return p;
}

} // namespace

class RosetteRasterTest : public QObject {
    Q_OBJECT

private slots:
    void the_picture_of_ascending_order_whatever_the_workers_data()
    {
        QTest::addColumn<Figure>("figure");
        QTest::addColumn<int>("copies");
        QTest::addColumn<int>("workers");
        QTest::addColumn<bool>("stopped");
        QTest::addColumn<RosetteRaster::Split>("split");
        QTest::addColumn<int>("piece");
        // piece 0: every copy at once.
        const std::tuple<const char*, Figure, int, int> figures[] = {
            {"star, thousands of copies", star(7, 9, 560), 3000, 37},
            {"star reaching past the edges", star(5, 12, 800), 400, 37},
            {"covering wholly and partly", covering(), 250, 37},
            {"reaching far outside", far_reaching(), 120, 37},
            // Turned through more than three quarters in one piece: every copy still drawn.
            {"short string, one piece", lone({0, 600, 10, 600}), 400, 0},
            // Beyond the image's farthest corner (781 units out), and far beyond it.
            {"beyond the corner", lone({0, 1000, 1, 1000}), 10, 1},
            {"far beyond the corner", lone({0, 1e6f, 1, 1e6f}), 10, 1}};
        for (const auto& [name, figure, copies, piece] : figures)
            for (int workers : {1, 2, 3, 7})
                for (bool stopped : {false, true})
                    for (auto split : {RosetteRaster::Split::bands, RosetteRaster::Split::strings})
                        QTest::addRow("%s, %d workers%s, %s", name, workers,
                                      stopped ? ", stopped" : "",
                                      split == RosetteRaster::Split::bands ? "rows" : "strings")
                            << figure << copies << workers << stopped << split << piece;
    }

    void the_picture_of_ascending_order_whatever_the_workers()
    {
        QFETCH(Figure, figure);
        QFETCH(int, copies);
        QFETCH(int, workers);
        QFETCH(bool, stopped);
        QFETCH(RosetteRaster::Split, split);
        QFETCH(int, piece);
        if (piece == 0)
            piece = copies;
        const std::vector<Turn> t = turns(copies);
        std::vector<std::uint32_t> pixels = first_picture();
        WorkerPool pool(workers);
        RosetteRaster rosette(pixels.data(), kWidth, kHeight, kWidth, pool, kMap,
                              {figure.strings, figure.runs, t}, split);
        // Stopping a little past halfway when asked to.
        while (rosette.drawn() < rosette.total() && !(stopped && 2 * rosette.drawn() > copies))
            rosette.draw_more(piece);
        QCOMPARE(rosette.drawn(), stopped ? std::min(copies, piece * (copies / (2 * piece) + 1)) : copies);
        const std::vector<std::uint32_t> expected = forward(figure, t, copies - rosette.drawn(), copies);
        QVERIFY(pixels == expected);
        const Raster::Box dirty = rosette.take_dirty();
        QCOMPARE(dirty.empty(), expected == first_picture());
        QVERIFY(dirty.empty() || (dirty.left >= 0 && dirty.right < kWidth && dirty.bottom < kHeight));
    }

    // The reach every ring and stretch is widened by holds for the lines Raster draws. A
    // slope of 1 from (20.49, 10.98): the first pixel is column round(20.49) = 20, row
    // floor(10.98 - 0.49 + 0.5) = 10, whose centre lies sqrt(0.49^2 + 0.98^2) = 1.0957 from
    // the string's end, behind it.
    void a_lit_pixel_lies_within_the_reach()
    {
        std::vector<std::uint32_t> pixels(64 * 64, 0);
        const Segment g{20.49f, 10.98f, 40.49f, 30.98f};
        Raster(pixels.data(), 64, 64, 64).lines(std::span(&g, 1), {1, 0, 1, 0}, 1);
        QCOMPARE(pixels[10 * 64 + 20], 1u);
        const double distance = std::hypot(20.49f - 20.0, 10.98f - 10.0);
        QVERIFY(distance > 1.095 && distance <= RosetteRaster::kLitReach);
    }
};

QTEST_GUILESS_MAIN(RosetteRasterTest)
#include "tst_rosetteraster.moc"
