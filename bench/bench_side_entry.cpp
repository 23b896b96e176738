// How long entering one side of 1000 points takes, canvas drawing included, repaint not.
//
// subdivs = 1000. Side 1 is two clicks (a start point, then 999 more points, each a dot);
// side 2 is two more clicks, and its second click also draws the fan: 1000 strings, point i
// of side 1 to point i of side 2, handed to the canvas in one batch as enter_point does.
// The clicks go through enter_point (core/SideEntry.h) onto a shown canvas widget
// (offscreen platform). Between clicks the events run (the repaint the app would do), untimed.
//
// Reference: the same 1000 dots and 1000 strings, already mapped to pixels, drawn straight
// into a bare buffer with Raster (no widget, no Qt).

#include "canvas/CanvasMapping.h"
#include "core/Module1.h"
#include "core/NullSink.h"
#include "raster/Raster.h"
#include "raster/WorkerPool.h"
#include "canvas/RetainedImage.h"
#include "core/SideEntry.h"
#include "canvas/canvas.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kSubdivs = 1000;
// The four clicks, logical coordinates: side 1 along the bottom, side 2 back along the top,
// so the fan's strings cross in the middle of the canvas.
constexpr float kClicks[4][2] = {{-400, -300}, {400, -300}, {400, 300}, {-400, 300}};

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t0)
{
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

Module1 fresh_state()
{
    Module1 s;
    s.subdivs = kSubdivs;
    s.palette = {rgb(0, 0, 0),     rgb(200, 0, 0),   rgb(0, 160, 0),   rgb(0, 0, 200),
                 rgb(160, 160, 0), rgb(160, 0, 160), rgb(0, 160, 160), rgb(90, 90, 90)};
    return s;
}

struct Summary {
    double mean_us = 0, best_us = 0;
};
Summary side1, side2, side2_image, reference;

Summary summarise(benchmark::State& state, double total, double best)
{
    const double mean = total / double(state.iterations());
    state.counters["us_per_side"] = mean * 1e6;
    state.counters["best_us"] = best * 1e6;
    return {mean * 1e6, best * 1e6};
}

bool make_canvas(benchmark::State& state, canvas& window)
{
    window.resize(412, 282);
    window.show();
    QApplication::processEvents();
    if (window.width() != 412 || window.height() != 282) {
        state.SkipWithError("the canvas did not take the requested size");
        return false;
    }
    return true;
}

// Side 1 alone: two clicks, 1000 dots, no strings.
void BM_FirstSide(benchmark::State& state)
{
    canvas window;
    if (!make_canvas(state, window))
        return;
    double total = 0, best = 1e300;
    for (auto _ : state) {
        Module1 s = fresh_state();
        window.drawing().clear();
        QApplication::processEvents();
        double t = 0;
        for (int click = 0; click < 2; ++click) {
            const auto t0 = Clock::now();
            const EntryResult r = enter_point(s, window.drawing(), kClicks[click][0], kClicks[click][1]);
            t += seconds_since(t0);
            if (r.limit)
                state.SkipWithError("a limit stopped the side");
            QApplication::processEvents();
        }
        state.SetIterationTime(t);
        total += t;
        best = std::min(best, t);
    }
    side1 = summarise(state, total, best);
}

// Side 2: two clicks, 1000 dots and the fan of 1000 strings.
void BM_SecondSideWithFan(benchmark::State& state)
{
    canvas window;
    if (!make_canvas(state, window))
        return;
    double total = 0, best = 1e300;
    for (auto _ : state) {
        Module1 s = fresh_state();
        window.drawing().clear();
        for (int click = 0; click < 2; ++click)
            enter_point(s, window.drawing(), kClicks[click][0], kClicks[click][1]);
        QApplication::processEvents();
        double t = 0;
        for (int click = 2; click < 4; ++click) {
            const auto t0 = Clock::now();
            const EntryResult r = enter_point(s, window.drawing(), kClicks[click][0], kClicks[click][1]);
            t += seconds_since(t0);
            if (r.limit)
                state.SkipWithError("a limit stopped the side");
            QApplication::processEvents();
        }
        if (s.point_count != 2 * kSubdivs)
            state.SkipWithError("the figure did not get its 2000 points");
        state.SetIterationTime(t);
        total += t;
        best = std::min(best, t);
    }
    side2 = summarise(state, total, best);
}

// Side 2 on the canvas's retained image alone, without the widget: how much of side 2's time
// the window's own work per dot and string (mapping, dirty areas, repaint requests) takes.
void BM_SecondSideOnImage(benchmark::State& state)
{
    static WorkerPool one(1);
    RetainedImage image(0xffffffffu, one);
    image.set_mapping(CanvasMapping(canvas::kResizeMapping, 412, 282));
    image.fit(QSize(412, 282), 1);
    double total = 0, best = 1e300;
    for (auto _ : state) {
        Module1 s = fresh_state();
        image.clear();
        for (int click = 0; click < 2; ++click)
            enter_point(s, image, kClicks[click][0], kClicks[click][1]);
        image.take_dirty();
        double t = 0;
        for (int click = 2; click < 4; ++click) {
            const auto t0 = Clock::now();
            const EntryResult r = enter_point(s, image, kClicks[click][0], kClicks[click][1]);
            benchmark::DoNotOptimize(image.take_dirty());
            t += seconds_since(t0);
            if (r.limit)
                state.SkipWithError("a limit stopped the side");
        }
        state.SetIterationTime(t);
        total += t;
        best = std::min(best, t);
    }
    side2_image = summarise(state, total, best);
}

// The same dots and strings as side 2, mapped as the canvas maps them, drawn with Raster.
void BM_RasterReference(benchmark::State& state)
{
    // Build the figure once, without a canvas, to get the very same points.
    NullSink nowhere;
    Module1 s = fresh_state();
    for (const auto& click : kClicks)
        enter_point(s, nowhere, click[0], click[1]);
    const int width = 412, height = 282;
    const AffineMap m = CanvasMapping(canvas::kResizeMapping, width, height).affine();
    auto px = [&](float x) { return x * m.sx + m.ox; };
    auto py = [&](float y) { return y * m.sy + m.oy; };

    std::vector<std::uint32_t> buffer(std::size_t(width) * height, 0xffffffffu);
    double total = 0, best = 1e300;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        Raster raster(buffer.data(), width, height, width);
        for (int i = kSubdivs; i < 2 * kSubdivs; ++i)
            raster.set_pixel(px(s.point_x[i]), py(s.point_y[i]), 0xff000000u);
        for (int j = 0; j < kSubdivs; ++j)
            raster.line(px(s.point_x[j]), py(s.point_y[j]), px(s.point_x[j + kSubdivs]),
                        py(s.point_y[j + kSubdivs]), 0xff000000u | std::uint32_t(j));
        benchmark::DoNotOptimize(raster.take_dirty());
        benchmark::ClobberMemory();
        const double t = seconds_since(t0);
        state.SetIterationTime(t);
        total += t;
        best = std::min(best, t);
    }
    reference = summarise(state, total, best);
}

BENCHMARK(BM_FirstSide)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_SecondSideWithFan)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_SecondSideOnImage)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_RasterReference)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(1.0);

} // namespace

int main(int argc, char** argv)
{
    // The canvas is a widget: without a display use the offscreen platform.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (side2.mean_us > 0) {
        std::printf("\nSummary: entering a side of %d points on a 412x282 canvas, microseconds"
                    " (mean / best iteration)\n",
                    kSubdivs);
        std::printf("  side 1 (1000 dots)                       %9.1f / %9.1f\n", side1.mean_us,
                    side1.best_us);
        std::printf("  side 2 (1000 dots + fan of 1000 strings) %9.1f / %9.1f\n", side2.mean_us,
                    side2.best_us);
        std::printf("  side 2 on the canvas's image alone       %9.1f / %9.1f\n",
                    side2_image.mean_us, side2_image.best_us);
        std::printf("  reference: same dots + strings, Raster   %9.1f / %9.1f\n",
                    reference.mean_us, reference.best_us);
        if (reference.mean_us > 0)
            std::printf("  side 2 / reference %.2f (best %.2f); on the image alone %.2f (best %.2f)\n",
                        side2.mean_us / reference.mean_us, side2.best_us / reference.best_us,
                        side2_image.mean_us / reference.mean_us,
                        side2_image.best_us / reference.best_us);
    }
    return 0;
}
