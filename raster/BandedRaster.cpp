#include "raster/BandedRaster.h"

#include "raster/WorkerPool.h"

#include <algorithm>
#include <cmath>
#include <vector>

BandedRaster::BandedRaster(std::uint32_t* pixels, int width, int height, int stride_pixels,
                           WorkerPool& pool, std::optional<double> parallel_from, Split split)
    : pixels_(pixels), width_(width), height_(height), stride_(stride_pixels), pool_(pool),
      parallel_from_(parallel_from), split_(split)
{
}

DrawJob BandedRaster::job() const
{
    DrawJob job;
    job.width = width_;
    job.height = height_;
    job.stride = stride_;
    job.workers = pool_.size();
    job.split = split_;
    job.parallel_from = parallel_from_;
    return job;
}

void BandedRaster::lines(std::span<const Segment> segments, std::span<const Run> runs,
                         const Raster::Map& map)
{
    auto each_run = [&](Raster& raster, std::size_t first, std::size_t end, bool numbered,
                        auto draw) {
        std::size_t at = 0;
        for (std::size_t r = 0; r < runs.size() && at < end; ++r) {
            const std::size_t from = std::max(at, first), to = std::min(at + runs[r].count, end);
            if (from < to)
                draw(raster, segments.subspan(from, to - from),
                     numbered ? std::uint32_t(r + 1) : runs[r].colour);
            at += runs[r].count;
        }
    };
    std::vector<std::uint32_t> colours;
    colours.reserve(runs.size());
    for (const Run& r : runs)
        colours.push_back(r.colour);
    const double enough = DrawPlanner::enough_pixels(job());
    draw_batch(
        string_pixels(segments, map, width_, height_, enough), segments.size(), colours,
        [&](Raster& raster, std::size_t first, std::size_t end, bool numbered) {
            each_run(raster, first, end, numbered,
                     [&](Raster& r, std::span<const Segment> s, std::uint32_t colour) {
                         r.lines(s, map, colour);
                     });
        },
        [&](Raster& raster, int top, int bottom) {
            each_run(raster, 0, segments.size(), false,
                     [&](Raster& r, std::span<const Segment> s, std::uint32_t colour) {
                         r.lines_in_rows(s, map, colour, top, bottom);
                     });
        });
}

void BandedRaster::copies(std::span<const Segment> strings, std::span<const Run> runs,
                          std::span<const Turn> turns, const Raster::Map& map)
{
    const std::size_t per_copy = strings.size();
    // Strings first .. end - 1 of all the copies laid end to end.
    auto each_run = [&](Raster& raster, std::size_t first, std::size_t end, bool numbered,
                        auto draw) {
        if (per_copy == 0)
            return;
        for (std::size_t k = first / per_copy; k < turns.size() && k * per_copy < end; ++k) {
            std::size_t at = k * per_copy;
            for (std::size_t r = 0; r < runs.size(); ++r) {
                const std::size_t from = std::max(at, first);
                const std::size_t to = std::min(at + runs[r].count, end);
                if (from < to)
                    draw(raster, strings.subspan(from - k * per_copy, to - from), turns[k],
                         numbered ? std::uint32_t(k * runs.size() + r + 1) : runs[r].colour);
                at += runs[r].count;
            }
        }
    };
    std::vector<std::uint32_t> colours;
    colours.reserve(runs.size() * turns.size());
    for (std::size_t k = 0; k < turns.size(); ++k)
        for (const Run& r : runs)
            colours.push_back(r.colour);
    const std::size_t count = per_copy * turns.size();
    // A turn keeps a string's length in logical units; near enough in pixels to choose by.
    const double enough = DrawPlanner::enough_pixels(job());
    draw_batch(
        string_pixels(strings, map, width_, height_, enough) * double(turns.size()), count,
        colours,
        [&](Raster& raster, std::size_t first, std::size_t end, bool numbered) {
            each_run(raster, first, end, numbered,
                     [&](Raster& r, std::span<const Segment> s, const Turn& turn,
                         std::uint32_t colour) { r.turned_lines(s, turn, map, colour); });
        },
        [&](Raster& raster, int top, int bottom) {
            each_run(raster, 0, count, false,
                     [&](Raster& r, std::span<const Segment> s, const Turn& turn,
                         std::uint32_t colour) {
                         r.turned_lines_in_rows(s, turn, map, colour, top, bottom);
                     });
        });
}

void BandedRaster::draw_batch(double pixels, std::size_t count,
                              std::span<const std::uint32_t> colours, const DrawShare& share,
                              const DrawRows& rows)
{
    DrawJob batch = job();
    batch.pixels = pixels;
    batch.strings = count;
    const DrawPlan plan = DrawPlanner::plan(batch);
    if (plan.workers <= 1) {
        Raster raster(pixels_, width_, height_, stride_);
        if (plan.block_rows > 0)
            in_blocks(raster, 0, height_ - 1, plan.block_rows, rows);
        else
            share(raster, 0, count, false);
        dirty_.unite(raster.take_dirty());
    } else if (plan.split == Split::strings) {
        in_shares(count, colours, share);
    } else {
        in_bands(plan, rows);
    }
}

void BandedRaster::in_bands(const DrawPlan& plan, const DrawRows& draw)
{
    // Each worker writes its own rows and its own dirty box, nothing else.
    const int bands = plan.workers;
    std::vector<Raster::Box> dirty(std::size_t(pool_.size()));
    pool_.run([&](int band) {
        if (band >= bands)
            return;
        const int top = int(std::int64_t(height_) * band / bands);
        const int bottom = int(std::int64_t(height_) * (band + 1) / bands) - 1;
        Raster raster(pixels_, width_, height_, stride_);
        in_blocks(raster, top, bottom, plan.block_rows, draw);
        dirty[std::size_t(band)] = raster.take_dirty();
    });
    for (const Raster::Box& box : dirty)
        dirty_.unite(box);
}

void BandedRaster::in_shares(std::size_t count, std::span<const std::uint32_t> colours,
                             const DrawShare& draw)
{
    const int workers = pool_.size();
    const std::size_t size = std::size_t(width_) * std::size_t(height_);
    // The first share is drawn straight into the image. Each later share's image holds, per
    // pixel, 1 + the number of the run that wrote it last, or 0.
    std::vector<std::vector<std::uint32_t>> shares;
    shares.resize(std::size_t(workers));
    std::vector<Raster::Box> dirty(static_cast<std::size_t>(workers));
    pool_.run([&](int w) {
        const std::size_t first = count * std::size_t(w) / std::size_t(workers);
        const std::size_t end = count * std::size_t(w + 1) / std::size_t(workers);
        std::vector<std::uint32_t>& share = shares[std::size_t(w)];
        if (w > 0)
            share.assign(size, 0);
        Raster raster(w > 0 ? share.data() : pixels_, width_, height_, w > 0 ? width_ : stride_);
        draw(raster, first, end, w > 0);
        dirty[std::size_t(w)] = raster.take_dirty();
    });
    dirty_.unite(dirty[0]);
    Raster::Box drawn;
    for (std::size_t w = 1; w < dirty.size(); ++w)
        drawn.unite(dirty[w]);
    if (drawn.empty())
        return;
    // Later shares over earlier ones, each worker over its own rows.
    pool_.run([&](int w) {
        const int rows = drawn.bottom - drawn.top + 1;
        const int top = drawn.top + int(std::int64_t(rows) * w / workers);
        const int bottom = drawn.top + int(std::int64_t(rows) * (w + 1) / workers) - 1;
        for (int y = top; y <= bottom; ++y) {
            std::uint32_t* out = pixels_ + std::ptrdiff_t(y) * stride_;
            const std::size_t row = std::size_t(y) * std::size_t(width_);
            for (int x = drawn.left; x <= drawn.right; ++x) {
                std::uint32_t last = 0;
                for (std::size_t share = 1; share < shares.size(); ++share)
                    if (const std::uint32_t v = shares[share][row + std::size_t(x)])
                        last = v;
                if (last)
                    out[x] = colours[last - 1];
            }
        }
    });
    dirty_.unite(drawn);
}

void BandedRaster::in_blocks(Raster& raster, int top, int bottom, int block_rows,
                             const DrawRows& draw) const
{
    const int rows = std::max(block_rows, 1);
    for (int from = top; from <= bottom; from += rows)
        draw(raster, from, std::min(bottom, from + rows - 1));
}

Raster::Box BandedRaster::take_dirty()
{
    const Raster::Box box = dirty_;
    dirty_ = {};
    return box;
}
