// How fast the kaleidoscope reaches the canvas's pixels, beside a bare line loop.
//
// The figure: 5000 points, 250 sides of 20 points each, the sides running along a closed
// star polygon {250/101} (bench/BenchFigure.h) so that consecutive sides stitch parabolic envelopes; the
// strings make a rosette of radius about 130 pixels on the 412 x 282 canvas under the resize
// mapping (1200 logical units across 412 pixels). The same logical figure is drawn on
// 1920 x 1050 and 3840 x 2100 canvases too, so there every string is longer.
//
// Canvas:    draw_kaleidoscope onto a shown canvas widget (offscreen platform), exactly the
//            path Command3 takes, minus the progress dialog; on all workers.
// Workers:   the same kaleidoscope onto the canvas's retained image (no widget) with a pool of
//            one worker (drawn on the calling thread, as before there was a pool) and with
//            the shared pool, one worker per hardware thread; and, as the baseline, today's
//            drawing on all workers: every string, one copy per batch (all = 2). Where copies
//            lie under a pixel apart at the figure's rim (1000 copies at 412 x 282), the image
//            draws them last first and skips what later copies cover.
// Batches:   strings per second for batches of a given size, on the calling thread and
//            split over all workers: where splitting starts to pay (DrawPlanner::kParallelFrom).
// Reference: the same strings, as precomputed integer pixel endpoints, drawn by the simplest
//            32.32 fixed-point DDA, single core, no clipping, into a bare uint32 buffer of
//            the same size; and two such loops at once on two threads (reference_pair), what
//            a second core can give at all.
// Largest:   32767 copies, the most the copies box takes, once with today's drawing and once
//            with the image's own, on all workers, with a check that the pictures agree.
// Rows with ratio 2 draw the 412 x 282 canvas at twice the pixel density (824 x 564).
// Both report strings per second; the canvas rows also carry ratio = canvas / reference,
// and a summary table follows the benchmark output.

#include "canvas/CanvasMapping.h"
#include "core/Kaleidoscope.h"
#include "core/Module1.h"
#include "core/NullSink.h"
#include "canvas/RetainedImage.h"
#include "raster/WorkerPool.h"
#include "core/Replay.h"
#include "raster/BandedRaster.h"
#include "raster/CopiesRaster.h"
#include "canvas/canvas.h"

#include "BenchFigure.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <thread>
#include <memory>
#include <utility>
#include <vector>

namespace {

constexpr canvas::Mapping kMapping = canvas::kResizeMapping;
using bench_figure::figure;

// Pixel endpoints of every replayed string, computed as the canvas maps them.
struct PixelLine {
    std::int16_t x1, y1, x2, y2;
};

class Collector final : public StringSink {
public:
    Collector(int width, int height, std::vector<PixelLine>& out)
        : out_(out), map_(CanvasMapping(kMapping, width, height).affine())
    {
    }
    void pen(Colour) override {}
    bool strings(std::span<const ReplayedString> batch) override
    {
        for (const ReplayedString& s : batch)
            out_.push_back({px(float(s.x1)), py(float(s.y1)), px(float(s.x2)), py(float(s.y2))});
        return true;
    }

private:
    std::int16_t px(float x) const { return std::int16_t(std::floor(x * map_.sx + map_.ox + 0.5)); }
    std::int16_t py(float y) const { return std::int16_t(std::floor(y * map_.sy + map_.oy + 0.5)); }
    std::vector<PixelLine>& out_;
    AffineMap map_;
};

const std::vector<PixelLine>& pixel_lines(int width, int height, int copies)
{
    static std::map<std::tuple<int, int, int>, std::unique_ptr<std::vector<PixelLine>>> cache;
    auto& slot = cache[{width, height, copies}];
    if (!slot) {
        slot = std::make_unique<std::vector<PixelLine>>();
        slot->reserve(std::size_t(figure().point_count) * copies);
        Collector collect(width, height, *slot);
        replay_strings(figure(), copies, collect);
    }
    return *slot;
}

// The reference line loop: major-axis DDA, 32.32 fixed point, both ends drawn, no clipping.
void reference_line(std::uint32_t* pixels, int stride, const PixelLine& l, std::uint32_t colour)
{
    int x1 = l.x1, y1 = l.y1, x2 = l.x2, y2 = l.y2;
    const int dx = x2 - x1, dy = y2 - y1;
    if (std::abs(dx) >= std::abs(dy)) {
        if (x1 > x2) {
            std::swap(x1, x2);
            std::swap(y1, y2);
        }
        const std::int64_t step = dx ? (std::int64_t(y2 - y1) << 32) / (x2 - x1) : 0;
        std::int64_t y = (std::int64_t(y1) << 32) + (std::int64_t(1) << 31);
        for (int x = x1; x <= x2; ++x, y += step)
            pixels[std::ptrdiff_t(y >> 32) * stride + x] = colour;
    } else {
        if (y1 > y2) {
            std::swap(x1, x2);
            std::swap(y1, y2);
        }
        const std::int64_t step = (std::int64_t(x2 - x1) << 32) / (y2 - y1);
        std::int64_t x = (std::int64_t(x1) << 32) + (std::int64_t(1) << 31);
        for (int y = y1; y <= y2; ++y, x += step)
            pixels[std::ptrdiff_t(y) * stride + (x >> 32)] = colour;
    }
}

struct Config {
    int width, height, copies;
    int ratio = 1; // device pixels per widget pixel
    int device_width() const { return width * ratio; }
    int device_height() const { return height * ratio; }
    auto key() const { return std::tuple{ratio, width, height, copies}; }
    bool operator<(const Config& o) const { return key() < o.key(); }
};

// Strings per second: over all iterations, and in the fastest iteration. On a machine that
// is busy with other work the fastest iteration is the better estimate of what the code can
// do; on a quiet one the two agree.
struct Rate {
    double mean = 0, best = 0;
};
struct Figures {
    Rate reference, reference_pair, canvas, one_worker, all_workers, today;
    double pixels_per_string = 0;
};
std::map<Config, Figures> results;

// The largest figures: seconds for today's algorithm (every string, copy after copy, on all
// workers) and for the drawing the canvas does now, and whether their pictures agree.
struct Large {
    double forward = 0, now = 0;
    QImage forward_image, now_image;
};
std::map<std::pair<int, int>, Large> large;

using Clock = std::chrono::steady_clock;

Config config(const benchmark::State& state)
{
    return {int(state.range(0)), int(state.range(1)), int(state.range(2)),
            state.range(3) > 0 ? int(state.range(3)) : 1};
}

void BM_Reference(benchmark::State& state)
{
    const Config c = config(state);
    const int width = c.device_width(), height = c.device_height();
    const std::vector<PixelLine>& lines = pixel_lines(width, height, c.copies);
    std::vector<std::uint32_t> buffer(std::size_t(width) * height, 0xffffffffu);
    for (const PixelLine& l : lines) {
        if (std::min({l.x1, l.x2}) < 0 || std::max({l.x1, l.x2}) >= width
            || std::min({l.y1, l.y2}) < 0 || std::max({l.y1, l.y2}) >= height) {
            state.SkipWithError("the figure does not fit the image");
            return;
        }
    }
    long long pixels = 0;
    for (const PixelLine& l : lines)
        pixels += std::max(std::abs(l.x2 - l.x1), std::abs(l.y2 - l.y1)) + 1;

    double seconds = 0, fastest = 1e300;
    long long strings = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        std::uint32_t* p = buffer.data();
        for (std::size_t i = 0; i < lines.size(); ++i)
            reference_line(p, width, lines[i], 0xff000000u | std::uint32_t(i >> 4));
        benchmark::DoNotOptimize(p);
        benchmark::ClobberMemory();
        const double dt = std::chrono::duration<double>(Clock::now() - t0).count();
        state.SetIterationTime(dt);
        seconds += dt;
        fastest = std::min(fastest, dt);
        strings += (long long)lines.size();
    }
    state.counters["strings/s"] = benchmark::Counter(double(strings), benchmark::Counter::kIsRate);
    state.counters["px/string"] = double(pixels) / double(lines.size());
    Figures& f = results[c];
    f.reference = {double(strings) / seconds, double(lines.size()) / fastest};
    f.pixels_per_string = double(pixels) / double(lines.size());
}

// Two reference loops at once, each on its own thread and buffer: what two busy cores give.
void BM_ReferencePair(benchmark::State& state)
{
    const Config c = config(state);
    const int width = c.device_width(), height = c.device_height();
    const std::vector<PixelLine>& lines = pixel_lines(width, height, c.copies);
    std::vector<std::uint32_t> buffers[2];
    for (auto& b : buffers)
        b.assign(std::size_t(width) * height, 0xffffffffu);
    double seconds = 0, fastest = 1e300;
    long long strings = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        auto loop = [&](std::vector<std::uint32_t>& buffer) {
            std::uint32_t* p = buffer.data();
            for (std::size_t i = 0; i < lines.size(); ++i)
                reference_line(p, width, lines[i], 0xff000000u | std::uint32_t(i >> 4));
            benchmark::DoNotOptimize(p);
        };
        std::thread other(loop, std::ref(buffers[1]));
        loop(buffers[0]);
        other.join();
        benchmark::ClobberMemory();
        const double dt = std::chrono::duration<double>(Clock::now() - t0).count();
        state.SetIterationTime(dt);
        seconds += dt;
        fastest = std::min(fastest, dt);
        strings += 2 * (long long)lines.size();
    }
    state.counters["strings/s"] = benchmark::Counter(double(strings), benchmark::Counter::kIsRate);
    results[c].reference_pair = {double(strings) / seconds, 2 * double(lines.size()) / fastest};
}

void BM_Canvas(benchmark::State& state)
{
    const Config c{int(state.range(0)), int(state.range(1)), int(state.range(2))};
    canvas window;
    window.resize(c.width, c.height);
    window.show();
    QApplication::processEvents();
    // A resized canvas is in the resize mapping, kMapping, and its image covers the window.
    if (window.width() != c.width || window.height() != c.height) {
        state.SkipWithError("the canvas did not take the requested size");
        return;
    }
    double seconds = 0, fastest = 1e300;
    long long strings = 0;
    for (auto _ : state) {
        // The app lets events (repaints) run between drawing steps; do that untimed.
        window.drawing().clear();
        QApplication::processEvents();
        const auto t0 = Clock::now();
        const ReplayResult r = draw_kaleidoscope(figure(), c.copies, window.drawing());
        const double dt = std::chrono::duration<double>(Clock::now() - t0).count();
        state.SetIterationTime(dt);
        seconds += dt;
        fastest = std::min(fastest, dt);
        strings += r.strings;
        if (r.limit || r.strings != (long long)(figure().point_count - figure().subdivs) * c.copies)
            state.SkipWithError("the replay did not hand over every string");
    }
    state.counters["strings/s"] = benchmark::Counter(double(strings), benchmark::Counter::kIsRate);
    Figures& f = results[c];
    const double per_iteration = double(strings) / double(state.iterations());
    f.canvas = {double(strings) / seconds, per_iteration / fastest};
    if (f.reference.mean > 0)
        state.counters["ratio"] = f.canvas.mean / f.reference.mean;
}

// Hands the canvas's image the strings copy after copy, as the kaleidoscope always did: every
// string drawn, each copy's batch split over the workers when it pays.
class CopyAfterCopy final : public DrawingSink {
public:
    explicit CopyAfterCopy(RetainedImage& image) : image_(image) {}
    void clear() override { image_.clear(); }
    void set_colour(Colour c) override { image_.set_colour(c); }
    void dot(float x, float y) override { image_.dot(x, y); }
    void line(float x1, float y1, float x2, float y2) override { image_.line(x1, y1, x2, y2); }
    void lines(std::span<const Segment> s) override { image_.lines(s); }
    void coloured_lines(std::span<const Segment> s, std::span<const ColourRun> runs) override
    {
        image_.coloured_lines(s, runs);
    }

private:
    RetainedImage& image_;
};

// The kaleidoscope onto the canvas's image without the widget, on one worker or on all; or
// (today) as it was drawn before, string after string, copy after copy, on all workers.
void BM_Workers(benchmark::State& state)
{
    const Config c{int(state.range(0)), int(state.range(1)), int(state.range(2)), int(state.range(4))};
    const bool all = state.range(3) != 0, today = state.range(3) == 2;
    static WorkerPool one(1);
    WorkerPool& pool = all ? WorkerPool::shared() : one;
    RetainedImage image(0xffffffffu, pool);
    image.set_mapping(CanvasMapping(kMapping, c.width, c.height));
    image.fit(QSize(c.width, c.height), c.ratio);
    CopyAfterCopy copy_after_copy(image);
    DrawingSink& sink = today ? static_cast<DrawingSink&>(copy_after_copy) : image;
    double seconds = 0, fastest = 1e300;
    long long strings = 0;
    for (auto _ : state) {
        image.clear();
        const auto t0 = Clock::now();
        const ReplayResult r = draw_kaleidoscope(figure(), c.copies, sink);
        const double dt = std::chrono::duration<double>(Clock::now() - t0).count();
        state.SetIterationTime(dt);
        seconds += dt;
        fastest = std::min(fastest, dt);
        strings += r.strings;
    }
    state.counters["strings/s"] = benchmark::Counter(double(strings), benchmark::Counter::kIsRate);
    state.counters["workers"] = pool.size();
    Figures& f = results[c];
    const double per_iteration = double(strings) / double(state.iterations());
    (today ? f.today : all ? f.all_workers : f.one_worker) = {double(strings) / seconds,
                                                               per_iteration / fastest};
}

// The largest kaleidoscope on the canvas's image, on all workers: today's algorithm (every
// string, copy after copy) or the canvas's own drawing of all copies at once.
void BM_Largest(benchmark::State& state)
{
    const int width = int(state.range(0)), height = int(state.range(1));
    const int copies = int(state.range(2));
    const bool now = state.range(3) != 0;
    RetainedImage image(0xffffffffu, WorkerPool::shared());
    image.set_mapping(CanvasMapping(kMapping, width, height));
    image.fit(QSize(width, height), 1);
    CopyAfterCopy forward(image);
    DrawingSink& sink = now ? static_cast<DrawingSink&>(image) : forward;
    double seconds = 0;
    for (auto _ : state) {
        image.clear();
        const auto t0 = Clock::now();
        const ReplayResult r = draw_kaleidoscope(figure(), copies, sink);
        const double dt = std::chrono::duration<double>(Clock::now() - t0).count();
        state.SetIterationTime(dt);
        seconds += dt;
        if (r.limit || r.cancelled)
            state.SkipWithError("the kaleidoscope did not finish");
    }
    state.counters["strings/s"] = benchmark::Counter(
        double(figure().point_count - figure().subdivs) * copies * double(state.iterations()),
        benchmark::Counter::kIsRate);
    Large& l = large[{width, height}];
    (now ? l.now : l.forward) = seconds / double(state.iterations());
    (now ? l.now_image : l.forward_image) = image.image().copy();
}

// Batches of `batch` strings (pixel coordinates, one colour) of the figure on a w x h image,
// on the calling thread or split over all workers whatever their length.
void BM_Batch(benchmark::State& state)
{
    const int width = int(state.range(0)), height = int(state.range(1));
    const std::size_t batch = std::size_t(state.range(2));
    const bool all = state.range(3) != 0;
    const std::vector<PixelLine>& lines = pixel_lines(width, height, 36);
    std::vector<Segment> segments;
    segments.reserve(lines.size());
    for (const PixelLine& l : lines)
        segments.push_back({float(l.x1), float(l.y1), float(l.x2), float(l.y2)});
    const std::size_t used = segments.size() / batch * batch;
    std::vector<std::uint32_t> buffer(std::size_t(width) * height, 0xffffffffu);
    BandedRaster raster(buffer.data(), width, height, width, WorkerPool::shared(),
                        all ? 0 : 1e300);
    const BandedRaster::Run run{0xff000000u, batch};
    long long strings = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (std::size_t at = 0; at < used; at += batch)
            raster.lines(std::span(segments).subspan(at, batch), std::span(&run, 1), {1, 0, 1, 0});
        benchmark::DoNotOptimize(raster.take_dirty());
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
        strings += (long long)used;
    }
    state.counters["strings/s"] = benchmark::Counter(double(strings), benchmark::Counter::kIsRate);
}

// The replay and its hand-over alone, into a sink that draws nothing: the part of the canvas
// path that is not the canvas's.
void BM_ReplayOnly(benchmark::State& state)
{
    const int copies = int(state.range(0));
    NullSink sink;
    long long strings = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        strings += draw_kaleidoscope(figure(), copies, sink).strings;
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
    }
    state.counters["strings/s"] = benchmark::Counter(double(strings), benchmark::Counter::kIsRate);
}

// Figures a user draws, 20000 copies each at 412 x 282: the copies drawn one after the other
// by the plain Raster on one worker (today), and by the planner on one worker and on all.
struct Drawn {
    const char* name;
    FigureStrings figure;
};

// Fans between consecutive sides of the polygon through `corners`, `points` a side; closed, a
// fan at every corner.
FigureStrings fans(const std::vector<std::pair<double, double>>& corners, int points, bool closed)
{
    FigureStrings f;
    const std::size_t n = corners.size(), fan_count = closed ? n : n - 2;
    auto at = [&](std::size_t side, int i) {
        const auto [ax, ay] = corners[side % n];
        const auto [bx, by] = corners[(side + 1) % n];
        return std::pair{float(ax + (bx - ax) * i / (points - 1)), float(ay + (by - ay) * i / (points - 1))};
    };
    for (std::size_t side = 0; side < fan_count; ++side) {
        for (int i = 0; i < points; ++i) {
            const auto [x1, y1] = at(side, i);
            const auto [x2, y2] = at(side + 1, i);
            f.strings.push_back({x1, y1, x2, y2});
        }
        f.runs.push_back({Colour(side * 0x30405), std::size_t(points)});
    }
    return f;
}

const std::vector<Drawn>& user_figures()
{
    static const std::vector<Drawn> figures = [] {
        std::vector<Drawn> d;
        // Three corners of a triangle round the origin, 1500 points a side, the loop closed:
        // three corner fans.
        d.push_back({"three corner fans", fans({{0, 460}, {-400, -230}, {400, -230}}, 1500, true)});
        // Two sides of 2000 points away from the origin: one fan of 2000 strings.
        d.push_back({"one fan away", fans({{120, 60}, {520, 120}, {300, 440}}, 2000, false)});
        const std::optional<FigureStrings> whole = whole_figure(figure(), 20000);
        d.push_back({"star", *whole});
        return d;
    }();
    return figures;
}

std::map<std::pair<int, int>, double> user_seconds; // (figure, way): 0 today, 1 one worker, 2 all

void BM_UserFigure(benchmark::State& state)
{
    const int which = int(state.range(0)), way = int(state.range(1)), copies = 20000;
    const FigureStrings& f = user_figures()[std::size_t(which)].figure;
    const AffineMap map = CanvasMapping(kMapping, 412, 282).affine();
    std::vector<BandedRaster::Run> runs;
    for (const ColourRun& r : f.runs)
        runs.push_back({0xff000000u | std::uint32_t(r.colour), r.count});
    const std::vector<Turn> turns = copy_turns(copies);
    static WorkerPool one(1);
    std::vector<std::uint32_t> pixels(412 * 282, 0xffffffffu);
    double seconds = 0;
    for (auto _ : state) {
        std::fill(pixels.begin(), pixels.end(), 0xffffffffu);
        const auto t0 = Clock::now();
        if (way == 0) {
            Raster plain(pixels.data(), 412, 282, 412);
            for (const Turn& t : turns)
                for (std::size_t r = 0, at = 0; r < runs.size(); at += runs[r++].count)
                    plain.turned_lines(std::span(f.strings).subspan(at, runs[r].count), t, map, runs[r].colour);
        } else {
            CopiesRaster drawing(pixels.data(), 412, 282, 412, way == 1 ? one : WorkerPool::shared(), map,
                                 {f.strings, runs, turns});
            while (!drawing.finished())
                drawing.draw_piece(pixels.data());
        }
        const double dt = std::chrono::duration<double>(Clock::now() - t0).count();
        state.SetIterationTime(dt);
        seconds += dt;
    }
    user_seconds[{which, way}] = seconds / double(state.iterations());
}

void register_all()
{
    for (int which = 0; which < 3; ++which)
        for (int way : {0, 1, 2})
            benchmark::RegisterBenchmark("user_figure", BM_UserFigure)
                ->Args({which, way})
                ->ArgNames({"figure", "way"})
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1);
    const int sizes[3][2] = {{412, 282}, {1920, 1050}, {3840, 2100}};
    benchmark::RegisterBenchmark("replay_only", BM_ReplayOnly)
        ->Arg(1000)
        ->ArgName("copies")
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    for (const auto& size : sizes) {
        // About five seconds of one core's work or less for the longest runs.
        for (int copies : {36, size[0] > 2000 ? 250 : 1000}) {
            // The start-up size also at twice the pixel density, as on a high-density screen.
            for (int ratio : {1, 2}) {
                if (ratio == 2 && size[0] != 412)
                    continue;
                auto shape = [&](benchmark::internal::Benchmark* b) {
                    b->UseManualTime()->Unit(benchmark::kMillisecond);
                    // A second or more per iteration on the larger canvases: a fixed few,
                    // for a best-of. The start-up canvas's rows take a second or more each.
                    if (copies > 36 && size[0] > 412)
                        b->Iterations(3);
                    else
                        b->MinTime(1.0);
                };
                auto* reference = benchmark::RegisterBenchmark("reference", BM_Reference);
                shape(reference->Args({size[0], size[1], copies, ratio})
                          ->ArgNames({"w", "h", "copies", "ratio"}));
                if (size[0] == 412)
                    shape(benchmark::RegisterBenchmark("reference_pair", BM_ReferencePair)
                              ->Args({size[0], size[1], copies, ratio})
                              ->ArgNames({"w", "h", "copies", "ratio"}));
                if (ratio == 1)
                    shape(benchmark::RegisterBenchmark("canvas", BM_Canvas)
                              ->Args({size[0], size[1], copies})
                              ->ArgNames({"w", "h", "copies"}));
                // all: 0 one worker, 1 all workers, 2 today's drawing on all workers.
                for (int all : {0, 1, 2})
                    shape(benchmark::RegisterBenchmark("workers", BM_Workers)
                              ->Args({size[0], size[1], copies, all, ratio})
                              ->ArgNames({"w", "h", "copies", "all", "ratio"}));
            }
        }
    }
    // The largest figure the program allows copies for, once each way.
    for (const auto& size : {std::pair{412, 282}, std::pair{1920, 1050}})
        for (int now : {0, 1})
            benchmark::RegisterBenchmark("largest", BM_Largest)
                ->Args({size.first, size.second, 32767, now})
                ->ArgNames({"w", "h", "copies", "now"})
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1);
    // Strings of about 125, 250, 540 and 1070 pixels.
    const int batch_sizes[4][2] = {{412, 282}, {824, 564}, {1920, 1050}, {3840, 2100}};
    for (const auto& size : batch_sizes)
        for (int batch : {256, 1024, 4096, 16384})
            for (int all : {0, 1})
                benchmark::RegisterBenchmark("batch", BM_Batch)
                    ->Args({size[0], size[1], batch, all})
                    ->ArgNames({"w", "h", "strings", "all"})
                    ->UseManualTime()
                    ->Unit(benchmark::kMillisecond)
                    ->MinTime(0.5);
}

void print_summary()
{
    if (!user_seconds.empty()) {
        std::printf("\nFigures a user draws, 20000 copies at 412x282, seconds: the plain Raster copy after"
                    " copy on one worker (today), the planner on one worker and on all\n");
        for (int which = 0; which < 3; ++which) {
            const double today = user_seconds[{which, 0}], one = user_seconds[{which, 1}],
                         all = user_seconds[{which, 2}];
            if (today > 0 && one > 0 && all > 0)
                std::printf("%-18s today %7.2f s   1 worker %6.2f s (%5.2fx faster)   all %6.2f s (%4.2fx 1 worker)\n",
                            user_figures()[std::size_t(which)].name, today, one, today / one, all, one / all);
        }
    }
    if (!results.empty()) {
        std::printf("\nSummary: strings per second, %d points, %d strings per copy; mean over all"
                    " iterations / fastest iteration; %d workers in all\n",
                    int(figure().point_count), figure().point_count - figure().subdivs,
                    WorkerPool::shared().size());
        std::printf("%-12s %6s %9s %23s %23s %23s %23s %23s %13s %15s %13s\n", "size", "copies",
                    "px/string", "reference (mean/best)", "canvas (mean/best)",
                    "1 worker (mean/best)", "all (mean/best)", "today all (mean/best)",
                    "all/1 worker", "1 worker/ref", "all/today");
        for (const auto& [c, f] : results) {
            char size[32];
            std::snprintf(size, sizeof size, c.ratio == 1 ? "%dx%d" : "%dx%d@%d", c.width,
                          c.height, c.ratio);
            std::printf("%-12s %6d %9.1f %11.0f/%11.0f %11.0f/%11.0f %11.0f/%11.0f %11.0f/%11.0f"
                        " %11.0f/%11.0f",
                        size, c.copies, f.pixels_per_string, f.reference.mean, f.reference.best,
                        f.canvas.mean, f.canvas.best, f.one_worker.mean, f.one_worker.best,
                        f.all_workers.mean, f.all_workers.best, f.today.mean, f.today.best);
            if (f.one_worker.mean > 0 && f.all_workers.mean > 0)
                std::printf("  %5.2fx/%5.2fx", f.all_workers.mean / f.one_worker.mean,
                            f.all_workers.best / f.one_worker.best);
            if (f.reference.mean > 0 && f.one_worker.mean > 0)
                std::printf("  %6.1f%%/%5.1f%%", 100 * f.one_worker.mean / f.reference.mean,
                            100 * f.one_worker.best / f.reference.best);
            if (f.today.mean > 0 && f.all_workers.mean > 0)
                std::printf("  %5.2fx/%5.2fx", f.all_workers.mean / f.today.mean,
                            f.all_workers.best / f.today.best);
            std::printf("\n");
        }
        // What a second core can give at all here: two reference loops at once over one.
        std::printf("\nTwo reference loops at once over one, beside all workers over one"
                    " (mean/best); the target for all workers is 90%% of the first\n");
        for (const auto& [c, f] : results) {
            if (f.reference_pair.mean <= 0 || f.reference.mean <= 0)
                continue;
            char size[32];
            std::snprintf(size, sizeof size, c.ratio == 1 ? "%dx%d" : "%dx%d@%d", c.width,
                          c.height, c.ratio);
            std::printf("%-12s %6d   two references %5.2fx/%5.2fx", size, c.copies,
                        f.reference_pair.mean / f.reference.mean,
                        f.reference_pair.best / f.reference.best);
            if (f.one_worker.mean > 0 && f.all_workers.mean > 0)
                std::printf("   all workers %5.2fx/%5.2fx", f.all_workers.mean / f.one_worker.mean,
                            f.all_workers.best / f.one_worker.best);
            std::printf("\n");
        }
    }
    if (!large.empty()) {
        std::printf("\nThe largest kaleidoscope (32767 copies), one run each: today's algorithm"
                    " (every string, copy after copy) and the canvas's drawing now\n");
        for (const auto& [size, l] : large) {
            std::printf("%dx%d  today %8.2f s   now %8.2f s", size.first, size.second, l.forward,
                        l.now);
            if (l.forward > 0 && l.now > 0)
                std::printf("   %5.2fx faster, pictures %s", l.forward / l.now,
                            l.forward_image == l.now_image ? "identical" : "DIFFERENT");
            std::printf("\n");
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    // The canvas is a widget: without a display use the offscreen platform.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    register_all();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    print_summary();
    return 0;
}
