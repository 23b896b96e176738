// The metafile export against the fastest the destination can take: the same number of
// bytes written with fwrite from a 1 MiB buffer. A ratio near 1 means the export keeps up
// with the disk. The destination is a file in the temporary folder, or the one named by
// TRESSIK_BENCH_FILE (/dev/null there measures the export's own work alone).

#include "core/Module1.h"
#include "export/MetafileExport.h"
#include "PlainFileOutput.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <filesystem>
#include <string>
#include <memory>
#include <vector>

namespace {

constexpr int kPoints = 5000;
constexpr int kCopies = 360; // about 39 MB, long enough to time a file write
constexpr std::size_t kRawBuffer = std::size_t(1) << 20;

const char* destination()
{
    static const std::string path = [] {
        const char* file = std::getenv("TRESSIK_BENCH_FILE");
        if (file && *file)
            return std::string(file);
        return (std::filesystem::temp_directory_path() / "tressik-bench-export.wmf").string();
    }();
    return path.c_str();
}

// A ring of sides of twenty points, inside the range a metafile holds (-16383 to 16383)
// however it is turned: nothing is cut, every string takes the usual path.
const Module1& ring()
{
    static const Module1 figure = [] {
        Module1 m;
        for (int i = 0; i < kPoints; ++i) {
            m.point_x[i] = float(10000 * std::cos(i * 0.0123));
            m.point_y[i] = float(10000 * std::sin(i * 0.0123));
        }
        m.point_count = kPoints;
        m.subdivs = 20;
        for (int i = 0; i < 8; ++i)
            m.palette[i] = rgb(30 * i, 255 - 30 * i, 128);
        return m;
    }();
    return figure;
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

// A save is durable: the save command's file is synced to disk before it replaces the old
// one. With `durable` both sides end that way; without it both stop at the page cache.
bool finish_file(std::FILE* f, bool durable)
{
    if (std::fflush(f) != 0)
        return false;
    return !durable || fsync(fileno(f)) == 0;
}

void forget_destination()
{
    if (!std::getenv("TRESSIK_BENCH_FILE"))
        std::filesystem::remove(destination());
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::size_t export_once(benchmark::State& state, bool durable)
{
    PlainFileOutput file(destination(), durable);
    CountingOutput counting(file);
    if (!counting.open()) {
        state.SkipWithError("cannot open the destination");
        return 0;
    }
    const ExportResult result = write_metafile(ring(), kCopies, counting);
    if (result.limit || result.write_failed || !counting.commit())
        state.SkipWithError("the export failed");
    benchmark::DoNotOptimize(result.strings);
    return counting.bytes;
}

void raw_once(benchmark::State& state, std::size_t bytes, const std::vector<char>& buffer, bool durable)
{
    File f(std::fopen(destination(), "wb"));
    if (!f) {
        state.SkipWithError("cannot open the destination");
        return;
    }
    while (bytes > 0) {
        const std::size_t chunk = std::min(bytes, buffer.size());
        if (std::fwrite(buffer.data(), 1, chunk, f.get()) != chunk) {
            state.SkipWithError("raw write failed");
            return;
        }
        bytes -= chunk;
    }
    if (!finish_file(f.get(), durable))
        state.SkipWithError("raw write failed");
}

void BM_ExportVersusRawWrite(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    const bool durable = state.range(0) != 0;
    const std::vector<char> buffer(kRawBuffer, 'x');
    std::size_t bytes = 0;
    double export_seconds = 0;
    double raw_seconds = 0;
    for (auto _ : state) {
        // Each side writes a new file, as the save command does: dropping the old one's
        // pages is not part of either measurement.
        forget_destination();
        const auto t0 = Clock::now();
        bytes = export_once(state, durable);
        const auto t1 = Clock::now();
        forget_destination();
        const auto t2 = Clock::now();
        raw_once(state, bytes, buffer, durable);
        const auto t3 = Clock::now();
        export_seconds += std::chrono::duration<double>(t1 - t0).count();
        raw_seconds += std::chrono::duration<double>(t3 - t2).count();
    }
    const double total = double(bytes) * double(state.iterations());
    const double export_rate = total / export_seconds;
    const double raw_rate = total / raw_seconds;
    state.counters["file_bytes"] = double(bytes);
    state.counters["export_bytes_per_second"] = export_rate;
    state.counters["raw_bytes_per_second"] = raw_rate;
    state.counters["export_over_raw"] = export_rate / raw_rate;
}
BENCHMARK(BM_ExportVersusRawWrite)->ArgName("durable")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!std::getenv("TRESSIK_BENCH_FILE"))
        std::filesystem::remove(destination());
    return 0;
}
