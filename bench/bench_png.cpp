// The PNG of bench_canvas's largest kaleidoscope (32767 copies of the star, 163 million
// strings), saved through the export (the measuring replay, the drawing and the encoding),
// beside the planner's drawing alone of the same copies on an image of the PNG's size with
// the PNG's mapping, on all workers, in the same run. The saved PNG's pixels are compared with
// that drawing's.

#include "core/Kaleidoscope.h"
#include "export/FigureExport.h"
#include "export/FigureFrame.h"
#include "export/PngWriter.h"
#include "raster/CopiesRaster.h"
#include "raster/WorkerPool.h"
#include "PlainFileOutput.h"

#include "BenchFigure.h"

#include <benchmark/benchmark.h>

#include <QImage>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

constexpr int kCopies = 32767;
using bench_figure::figure;
using Clock = std::chrono::steady_clock;

double save_seconds = 0, draw_seconds = 0;
std::vector<std::uint32_t> drawn;
int drawn_width = 0, drawn_height = 0;
const std::string path = (std::filesystem::temp_directory_path() / "tressik-bench-png.png").string();

void BM_SavePng(benchmark::State& state)
{
    for (auto _ : state) {
        PlainFileOutput out(path, false);
        const auto t0 = Clock::now();
        if (!out.open()) {
            state.SkipWithError("cannot write the file");
            return;
        }
        const ExportResult r = write_figure(FigureFormat::Png, figure(), kCopies, out, 1);
        if (r.write_failed || r.limit || r.cancelled || !out.commit()) {
            state.SkipWithError("the save failed");
            return;
        }
        const double dt = std::chrono::duration<double>(Clock::now() - t0).count();
        state.SetIterationTime(dt);
        save_seconds = dt;
    }
}

void BM_Planner(benchmark::State& state)
{
    ReplayResult replay;
    const FigureFrame frame = measure_figure(figure(), kCopies, {}, replay);
    PngWriter png(frame, 1, WorkerPool::shared());
    const FigureStrings f = *whole_figure(figure(), kCopies);
    const std::vector<Turn> turns = copy_turns(kCopies);
    std::vector<BandedRaster::Run> runs;
    for (const ColourRun& r : f.runs)
        runs.push_back({0xff000000u | std::uint32_t(r.colour), r.count});
    drawn_width = png.width();
    drawn_height = png.height();
    for (auto _ : state) {
        drawn.assign(std::size_t(drawn_width) * std::size_t(drawn_height), 0xffffffffu);
        const auto t0 = Clock::now();
        CopiesRaster drawing(drawn.data(), drawn_width, drawn_height, drawn_width,
                             WorkerPool::shared(), png.map(), {f.strings, runs, turns});
        while (!drawing.finished())
            drawing.draw_piece(drawn.data());
        const double dt = std::chrono::duration<double>(Clock::now() - t0).count();
        state.SetIterationTime(dt);
        draw_seconds = dt;
    }
}

} // namespace

BENCHMARK(BM_SavePng)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Planner)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (save_seconds > 0 && draw_seconds > 0) {
        // The saved pixels against the drawing's: the same strings wherever the drawing has ink.
        const QImage saved(QString::fromStdString(path));
        long long differ = 0;
        for (int y = 0; y < drawn_height && !saved.isNull(); ++y)
            for (int x = 0; x < drawn_width; ++x) {
                const std::uint32_t p = drawn[std::size_t(y) * std::size_t(drawn_width) + std::size_t(x)];
                const QRgb s = saved.pixel(x, y);
                differ += (qRed(s) != int(p & 0xff) || qGreen(s) != int(p >> 8 & 0xff) || qBlue(s) != int(p >> 16 & 0xff));
            }
        std::printf("\nThe PNG of %d copies (%dx%d): saved in %.2f s, the planner's drawing alone %.2f s:"
                    " %.2fx (target at most 1.5x); pixels %s\n",
                    kCopies, drawn_width, drawn_height, save_seconds, draw_seconds,
                    save_seconds / draw_seconds,
                    saved.isNull() ? "not read" : differ ? "DIFFERENT" : "identical");
    }
    std::filesystem::remove(path);
    return 0;
}
