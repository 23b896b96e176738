// Saving one figure in every format, in one run, beside the yardsticks each format is held to.
//
// The figure is bench_canvas's: 5000 points, 250 sides of 20 points along a star polygon,
// drawn 1000 times turned (4,980,000 strings). Each format is saved through the export the
// save command uses, into a file in the temporary folder (the page cache: writing there is a
// memory copy, cheaper than any of the encoders).
//
// metafile, SVG, PDF, PNG: seconds per save, bytes per string, bytes per second.
// zlib:   the PDF's own content, its streams inflated beforehand and joined, compressed in
//         memory in one call on one core at the PDF writer's level (and at 6 for comparison):
//         the PDF writer's yardstick, on the clock, since the writer compresses on every core.
// replay: the figure replayed onto a raster of the PNG's size with the PNG's mapping, on the
//         worker pool, as the canvas draws: the PNG writer's yardstick.
// Every figure is the fastest of a few saves: other work on the machine only slows a run.

#include "core/Module1.h"
#include "export/FigureExport.h"
#include "export/FigureFrame.h"
#include "export/PdfWriter.h"
#include "export/PngWriter.h"
#include "raster/BandedRaster.h"
#include "raster/WorkerPool.h"
#include "PlainFileOutput.h"

#include "BenchFigure.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kCopies = 1000;
using bench_figure::figure;

std::string destination(const char* suffix)
{
    return (std::filesystem::temp_directory_path() / (std::string("tressik-bench-export.") + suffix)).string();
}

// Counts what passes through on the way to the file.
class CountingOutput final : public Output {
public:
    explicit CountingOutput(Output& out) : out_(out) {}
    bool open() override { return out_.open(); }
    bool write(const char* data, std::size_t size) override
    {
        bytes += size;
        return out_.write(data, size);
    }
    bool overwrite(std::uint64_t offset, const char* data, std::size_t size) override
    {
        return out_.overwrite(offset, data, size);
    }
    bool commit() override { return out_.commit(); }
    void cancel() override { out_.cancel(); }
    std::size_t bytes = 0;

private:
    Output& out_;
};

struct Row {
    double seconds = 1e300; // the fastest save's processor time, on every thread
    double wall = 1e300;    // the fastest save's time on the clock
    double bytes = 0;
    double strings = 0;
    std::string note;
};
std::map<std::string, Row> rows;

using Clock = std::chrono::steady_clock;

// Processor time of the whole process, the worker pool's threads included: while other work
// shares the machine it grows far less than the time on the clock.
double processor_seconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Runs `once` per iteration, keeping its fastest time; `once` returns the bytes it made.
void timed(benchmark::State& state, const std::string& name, const std::function<double()>& once)
{
    Row& row = rows[name];
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const double c0 = processor_seconds();
        const double bytes = once();
        const double cpu = processor_seconds() - c0;
        const double dt = std::chrono::duration<double>(Clock::now() - t0).count();
        state.SetIterationTime(dt);
        row.seconds = std::min(row.seconds, cpu);
        row.wall = std::min(row.wall, dt);
        row.bytes = bytes;
    }
    row.strings = double(figure().point_count - figure().subdivs) * kCopies;
    state.counters["bytes/string"] = row.bytes / row.strings;
    state.counters["MB/s"] = row.bytes / row.seconds / 1e6;
}

// Saves through the export with a chosen PDF level; the others ignore it.
double save(FigureFormat format, int level, benchmark::State& state)
{
    const std::string path = destination(std::string(suffix_of(format)).c_str());
    PlainFileOutput file(path, false);
    CountingOutput out(file);
    if (!out.open()) {
        state.SkipWithError("cannot open the destination");
        return 0;
    }
    ExportResult result;
    if (format == FigureFormat::Pdf && level != PdfWriter::kLevel) {
        ReplayResult replay;
        const FigureFrame frame = measure_figure(figure(), kCopies, {}, replay);
        PdfWriter pdf(out, frame, WorkerPool::shared(), level);
        replay_strings(figure(), kCopies, pdf);
        result.write_failed = !pdf.finish();
    } else {
        result = write_figure(format, figure(), kCopies, out);
    }
    if (result.limit || result.write_failed || !out.commit())
        state.SkipWithError("the export failed");
    return double(out.bytes);
}

const char* level_name(int level) { return level == 6 ? "PDF (zlib 6)" : "PDF"; }

void BM_Save(benchmark::State& state)
{
    const auto format = FigureFormat(state.range(0));
    const int level = int(state.range(1));
    const std::string name = format == FigureFormat::Pdf ? level_name(level)
        : format == FigureFormat::Metafile              ? "metafile"
        : format == FigureFormat::Svg                   ? "SVG"
                                                        : "PNG";
    timed(state, name, [&] { return save(format, level, state); });
}

// The content of the PDF saved last at `level`, its streams inflated and joined: what its
// writer compressed.
std::vector<unsigned char> pdf_content()
{
    std::ifstream in(destination("pdf"), std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), {});
    std::vector<unsigned char> content;
    std::vector<unsigned char> chunk(std::size_t(1) << 20);
    for (std::size_t at = file.find("stream\n"); at != std::string::npos; at = file.find("stream\n", at)) {
        at += 7;
        const std::size_t end = file.find("\nendstream", at);
        z_stream z{};
        inflateInit(&z);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(file.data() + at));
        z.avail_in = uInt(end - at);
        int status = Z_OK;
        while (status == Z_OK) {
            z.next_out = chunk.data();
            z.avail_out = uInt(chunk.size());
            status = inflate(&z, Z_NO_FLUSH);
            content.insert(content.end(), chunk.data(), chunk.data() + (chunk.size() - z.avail_out));
        }
        inflateEnd(&z);
        at = end + 10;
    }
    return content;
}

void BM_Zlib(benchmark::State& state)
{
    const int level = int(state.range(0));
    // The file the PDF row at this level left behind.
    const std::vector<unsigned char> content = pdf_content();
    std::vector<unsigned char> packed(compressBound(uLong(content.size())));
    const std::string name = std::string("zlib ") + std::to_string(level) + " alone";
    timed(state, name, [&] {
        uLongf size = uLongf(packed.size());
        if (compress2(packed.data(), &size, content.data(), uLong(content.size()), level) != Z_OK)
            state.SkipWithError("zlib failed");
        return double(content.size());
    });
    rows[name].note = std::to_string(content.size()) + " bytes of content";
}

// Draws the replay as the canvas does: batches of strings in runs of one colour.
class RasterSink final : public StringSink {
public:
    RasterSink(BandedRaster& raster, const Raster::Map& map) : raster_(raster), map_(map) {}
    void pen(Colour c) override { colour_ = std::uint32_t(c) | 0xFF000000u; }
    bool strings(std::span<const ReplayedString> batch) override
    {
        segments_.clear();
        for (const ReplayedString& s : batch)
            segments_.push_back({float(s.x1), float(s.y1), float(s.x2), float(s.y2)});
        const BandedRaster::Run run{colour_, segments_.size()};
        raster_.lines(segments_, std::span(&run, 1), map_);
        return true;
    }

private:
    BandedRaster& raster_;
    Raster::Map map_;
    std::uint32_t colour_ = 0;
    std::vector<Segment> segments_;
};

void BM_Replay(benchmark::State& state)
{
    ReplayResult replay;
    const FigureFrame frame = measure_figure(figure(), kCopies, {}, replay);
    const int width = PngWriter::pixels(frame.width_inches(), 1), height = PngWriter::pixels(frame.height_inches(), 1);
    const double per_unit = 96.0 / FigureFrame::kUnitsPerInch;
    const Raster::Map map{per_unit, (width - 1) / 2.0 - frame.centre_x() * per_unit, -per_unit,
                          (height - 1) / 2.0 + frame.centre_y() * per_unit};
    std::vector<std::uint32_t> pixels(std::size_t(width) * height);
    timed(state, "replay on a raster", [&] {
        std::fill(pixels.begin(), pixels.end(), 0xFFFFFFFFu);
        BandedRaster raster(pixels.data(), width, height, width, WorkerPool::shared());
        RasterSink sink(raster, map);
        replay_strings(figure(), kCopies, sink);
        benchmark::DoNotOptimize(pixels.data());
        return double(pixels.size() * 4);
    });
    rows["replay on a raster"].note = std::to_string(width) + " x " + std::to_string(height) + " pixels";
    rows["PNG"].note = rows["replay on a raster"].note;
}

void register_all()
{
    const auto shape = [](benchmark::internal::Benchmark* b, int iterations = 3) {
        b->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(iterations);
    };
    shape(benchmark::RegisterBenchmark("save", BM_Save)->Args({int(FigureFormat::Metafile), 0})->ArgNames({"format", "level"}));
    shape(benchmark::RegisterBenchmark("save", BM_Save)->Args({int(FigureFormat::Svg), 0})->ArgNames({"format", "level"}));
    shape(benchmark::RegisterBenchmark("save", BM_Save)->Args({int(FigureFormat::Pdf), 6})->ArgNames({"format", "level"}), 1);
    shape(benchmark::RegisterBenchmark("zlib", BM_Zlib)->Arg(6)->ArgName("level"), 1);
    shape(benchmark::RegisterBenchmark("save", BM_Save)->Args({int(FigureFormat::Pdf), PdfWriter::kLevel})->ArgNames({"format", "level"}));
    shape(benchmark::RegisterBenchmark("zlib", BM_Zlib)->Arg(PdfWriter::kLevel)->ArgName("level"));
    shape(benchmark::RegisterBenchmark("save", BM_Save)->Args({int(FigureFormat::Png), 0})->ArgNames({"format", "level"}));
    shape(benchmark::RegisterBenchmark("replay", BM_Replay));
}

void print_summary()
{
    const Row& wmf = rows["metafile"];
    if (wmf.bytes == 0)
        return;
    std::printf("\nSummary: %.0f strings (%d points, %d copies); the fastest of 3 saves (1 at zlib 6);\n"
                "seconds of processor time (all threads) and on the clock; rates from processor time\n",
                wmf.strings, int(figure().point_count), kCopies);
    std::printf("%-20s %9s %9s %13s %12s %10s %12s  %s\n", "", "cpu s", "clock s", "strings/s", "bytes/string",
                "MB/s", "metafile=1", "");
    const double wmf_rate = wmf.bytes / wmf.seconds;
    for (const char* name : {"metafile", "SVG", "PDF", "PDF (zlib 6)", "PNG", "zlib 1 alone", "zlib 6 alone",
                             "replay on a raster"}) {
        const auto it = rows.find(name);
        if (it == rows.end() || it->second.bytes == 0)
            continue;
        const Row& r = it->second;
        const bool file = std::string(name).find("alone") == std::string::npos && std::string(name) != "replay on a raster";
        if (file)
            std::printf("%-20s %9.3f %9.3f %13.0f %12.2f %10.1f %12.2f  %s\n", name, r.seconds, r.wall,
                        r.strings / r.seconds,
                        r.bytes / r.strings, r.bytes / r.seconds / 1e6, r.bytes / r.seconds / wmf_rate, r.note.c_str());
        else
            std::printf("%-20s %9.3f %9.3f %13s %12s %10.1f %12s  %s\n", name, r.seconds, r.wall, "", "",
                        r.bytes / r.seconds / 1e6,
                        "", r.note.c_str());
    }
    // How many times faster `a` is than `b`; 0 when either did not run.
    const auto ratio = [](const std::string& a, const std::string& b) {
        const Row &x = rows[a], &y = rows[b];
        return x.bytes > 0 && y.bytes > 0 ? y.seconds / x.seconds : 0.0;
    };
    std::printf("\nTargets, same run:\n");
    std::printf("  SVG bytes/s over the metafile's:                 %.2f (at least 0.5)\n",
                rows["SVG"].bytes > 0 ? rows["SVG"].bytes / rows["SVG"].seconds / wmf_rate : 0.0);
    // The writer compresses on every core while the replay goes on: its time on the clock.
    const auto clock_ratio = [](const std::string& a, const std::string& b) {
        const Row &x = rows[a], &y = rows[b];
        return x.bytes > 0 && y.bytes > 0 ? y.wall / x.wall : 0.0;
    };
    std::printf("  PDF (zlib %d) speed over zlib %d alone, on the clock: %.2f (at least 1.6 on two cores)\n",
                PdfWriter::kLevel, PdfWriter::kLevel, clock_ratio("PDF", "zlib " + std::to_string(PdfWriter::kLevel) + " alone"));
    std::printf("  the same in processor time:                      %.2f\n",
                ratio("PDF", "zlib " + std::to_string(PdfWriter::kLevel) + " alone"));
    std::printf("  PDF (zlib 6) speed over zlib 6 alone, on the clock: %.2f\n", clock_ratio("PDF (zlib 6)", "zlib 6 alone"));
    std::printf("  PNG time over the replay on a raster of its size: %.2f (at most 1.5)\n",
                ratio("replay on a raster", "PNG"));
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    register_all();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    print_summary();
    for (const char* suffix : {"wmf", "svg", "pdf", "png"})
        std::filesystem::remove(destination(suffix));
    return 0;
}
