// Undo and redo of a kaleidoscope step, and opening a saved drawing, each beside its reference
// in the same run.
//
// Step:  the bench's star (5,000 points) on a canvas image of 412 x 282 and of 3840 x 2100
//        under the resize mapping, its 1,000-copy kaleidoscope drawn as one step: undo and
//        redo each swap the pixels the step changed with the image's. Reference: a copy of the
//        whole image into a buffer already there (memcpy). Target: at most 3x the copy.
// Open:  the same drawing saved as a PNG (the figure carried in it), opened as the program
//        opens it: read back, the state restored, the figure drawn afresh as one step.
//        Reference: the kaleidoscope's own drawing of the same copies as one step, on the same
//        image. Target: at most 1.1x.

#include "canvas/CanvasMapping.h"
#include "canvas/RetainedImage.h"
#include "core/FigureDrawing.h"
#include "core/Kaleidoscope.h"
#include "core/SideEntry.h"
#include "export/DrawingFile.h"
#include "export/FigureExport.h"
#include "export/SavedFigure.h"
#include "raster/WorkerPool.h"
#include "PlainFileOutput.h"

#include "BenchFigure.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <vector>

namespace {

constexpr int kCopies = 1000;
constexpr LogicalRect kResize{-600, 500, 600, -500};
using Clock = std::chrono::steady_clock;
using bench_figure::figure;

std::map<std::string, double> seconds; // the last run of each row
std::map<std::string, double> kept;    // bytes a click's step keeps
const std::string path = (std::filesystem::temp_directory_path() / "tressik-bench-open.png").string();

double since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

struct Canvas {
    RetainedImage image;
    Canvas(int w, int h) : image(0xffffffffu, WorkerPool::shared())
    {
        image.set_mapping(CanvasMapping(kResize, w, h));
        image.fit(QSize(w, h), 1);
    }
};

std::string row(const char* what, int w) { return std::string(what) + (w > 1000 ? " large" : " small"); }

void BM_CopyImage(benchmark::State& state)
{
    const int w = int(state.range(0)), h = int(state.range(1));
    Canvas c(w, h);
    const QImage& image = c.image.image();
    std::vector<std::uint32_t> copy(std::size_t(image.sizeInBytes() / 4));
    for (auto _ : state) {
        const auto t0 = Clock::now();
        std::memcpy(copy.data(), image.constBits(), std::size_t(image.sizeInBytes()));
        benchmark::DoNotOptimize(copy.data());
        state.SetIterationTime(seconds[row("copy", w)] = since(t0));
    }
}

void BM_UndoRedo(benchmark::State& state)
{
    const int w = int(state.range(0)), h = int(state.range(1));
    Canvas c(w, h);
    c.image.begin_change();
    draw_kaleidoscope(figure(), kCopies, c.image);
    std::optional<PixelChange> step = c.image.take_change();
    std::printf("(%dx%d: the step keeps %.1f MB of %zu changed pixels)\n", w, h, step->bytes() / 1048576.0,
                step->pixels());
    double undo = 0, redo = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        c.image.swap_change(*step);
        undo = since(t0);
        t0 = Clock::now();
        c.image.swap_change(*step);
        redo = since(t0);
        state.SetIterationTime(undo + redo);
    }
    seconds[row("undo", w)] = undo;
    seconds[row("redo", w)] = redo;
}

void BM_Kaleidoscope(benchmark::State& state)
{
    const int w = int(state.range(0)), h = int(state.range(1));
    Canvas c(w, h);
    for (auto _ : state) {
        c.image.clear();
        const auto t0 = Clock::now();
        c.image.begin_change();
        draw_kaleidoscope(figure(), kCopies, c.image);
        benchmark::DoNotOptimize(c.image.take_change());
        state.SetIterationTime(seconds[row("kaleidoscope", w)] = since(t0));
    }
}

void BM_Open(benchmark::State& state)
{
    const int w = int(state.range(0)), h = int(state.range(1));
    Canvas c(w, h);
    for (auto _ : state) {
        c.image.clear();
        const auto t0 = Clock::now();
        const DrawingReading read = read_drawing(path);
        if (!read.figure) {
            state.SkipWithError(read.cause.c_str());
            return;
        }
        Module1 opened;
        restore_state(*read.figure, opened);
        c.image.begin_change();
        draw_figure(opened, read.figure->copies, c.image);
        benchmark::DoNotOptimize(c.image.take_change());
        state.SetIterationTime(seconds[row("open", w)] = since(t0));
    }
}

// A click that completes a side of the star and draws its fan, alone and as a step.
void BM_Click(benchmark::State& state)
{
    const int w = int(state.range(0)), h = int(state.range(1));
    const bool step = state.range(2) != 0;
    Canvas c(w, h);
    draw_kaleidoscope(figure(), 1, c.image);
    Module1 s = figure();
    s.point_count = 21;
    s.side_open = true;
    int n = 0;
    for (auto _ : state) {
        Module1 m = s;
        m.palette[0] = ++n % 2 ? rgb(200, 0, 0) : rgb(0, 0, 200); // every click changes its pixels
        const auto t0 = Clock::now();
        if (step)
            c.image.begin_change();
        enter_point(m, c.image, m.point_x[20] + 300, m.point_y[20]);
        std::optional<PixelChange> change;
        if (step)
            change = c.image.take_change();
        state.SetIterationTime(seconds[row(step ? "click step" : "click", w)] = since(t0));
        if (change)
            kept[row("click", w)] = double(change->bytes());
    }
}

void sizes(benchmark::internal::Benchmark* b) { b->Args({412, 282})->Args({3840, 2100}); }

} // namespace

BENCHMARK(BM_Click)
    ->ArgsProduct({{412}, {282}, {0, 1}})
    ->ArgsProduct({{3840}, {2100}, {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);
BENCHMARK(BM_CopyImage)->Apply(sizes)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_UndoRedo)->Apply(sizes)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_Kaleidoscope)->Apply(sizes)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Open)->Apply(sizes)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    // The drawing to open: the star with its copies, as the program saves it.
    {
        PlainFileOutput out(path, false);
        const SavedFigure saved = saved_figure(figure(), std::to_string(kCopies), kCopies, figure().palette);
        if (!out.open() || write_figure(FigureFormat::Png, figure(), kCopies, out, 1, {}, WorkerPool::shared(), &saved)
                               .write_failed
            || !out.commit()) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(path);
    std::printf("\n%-11s %10s %10s %10s %8s %8s %14s %10s %8s\n", "canvas", "copy ms", "undo ms", "redo ms",
                "undo/cp", "redo/cp", "kaleidosc. ms", "open ms", "open/k");
    for (const char* size : {"small", "large"}) {
        const auto s = [&](const char* what) { return seconds[std::string(what) + " " + size] * 1000; };
        std::printf("%-11s %10.3f %10.3f %10.3f %8.2f %8.2f %14.1f %10.1f %8.3f\n",
                    size[0] == 's' ? "412x282" : "3840x2100", s("copy"), s("undo"), s("redo"),
                    s("undo") / s("copy"), s("redo") / s("copy"), s("kaleidoscope"), s("open"),
                    s("open") / s("kaleidoscope"));
    }
    for (const char* size : {"small", "large"})
        std::printf("A click at %s: %.3f ms alone, %.3f ms as a step, which keeps %.1f KB\n",
                    size[0] == 's' ? "412x282" : "3840x2100", seconds[std::string("click ") + size] * 1000,
                    seconds[std::string("click step ") + size] * 1000, kept[std::string("click ") + size] / 1024);
    std::printf("Targets: undo and redo at most 3x the copy; open at most 1.1x the kaleidoscope.\n");
    return 0;
}
