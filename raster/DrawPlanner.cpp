#include "raster/DrawPlanner.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <unistd.h>
#include <vector>

namespace {

double image_pixels(const DrawJob& job)
{
    return double(std::max(job.width, 0)) * double(std::max(job.height, 0));
}

int usable_workers(const DrawJob& job) { return std::clamp(job.workers, 1, std::max(job.height, 1)); }

double block_bytes(const DrawJob& job) { return job.block_bytes.value_or(DrawPlanner::block_bytes()); }

// Rows of one block; a band no taller than this is drawn whole.
int block_rows(const DrawJob& job)
{
    const double rows = block_bytes(job) / (4.0 * std::max(job.stride, 1));
    return int(std::clamp(rows, 1.0, double(std::max(job.height, 1))));
}

bool may_share_forward(const DrawJob& job)
{
    return job.split != Split::bands && image_pixels(job) <= DrawPlanner::kForwardSharesUpTo;
}

// The forward drawing of a batch of `pixels`.
void plan_batch(const DrawJob& job, double pixels, DrawPlan& plan)
{
    const double image = image_pixels(job);
    const double from = job.parallel_from.value_or(DrawPlanner::kParallelFrom);
    const int workers = usable_workers(job);
    if (workers <= 1 || (from > 0 && pixels < from)) {
        plan.workers = 1;
        const bool large = double(std::max(job.stride, 0)) * std::max(job.height, 0) * 4
                           > 2 * block_bytes(job);
        plan.block_rows = large && pixels >= image ? block_rows(job) : 0;
        return;
    }
    plan.workers = workers;
    const bool shares = job.split == Split::strings
                        || (may_share_forward(job) && pixels >= DrawPlanner::kSharesFrom * image);
    plan.split = shares ? Split::strings : Split::bands;
    plan.block_rows = shares ? 0 : block_rows(job);
}

} // namespace

double DrawPlanner::block_bytes()
{
    static const double bytes = [] {
        const long level2 = sysconf(_SC_LEVEL2_CACHE_SIZE);
        return level2 > 0 ? std::clamp(level2 / 2.0, 65536.0, 16777216.0) : 1048576.0;
    }();
    return bytes;
}

DrawPlan DrawPlanner::plan(const DrawJob& job)
{
    DrawPlan plan;
    const int copies = std::max(job.copies, 1);
    const double per_copy = double(std::max<std::size_t>(job.strings, 1));
    if (copies >= 2 && copies >= kTwoPi * job.rim && job.open_share <= kMostOpen) {
        plan.last_first = true;
        plan.workers = usable_workers(job);
        // Shares number every string of every copy from 1 in 32 bits, and index the image
        // in 32 bits.
        const bool numbered = per_copy * copies < 4e9
                              && double(std::max(job.stride, 0)) * std::max(job.height, 0) < 4e9;
        const bool shares = plan.workers > 1 && numbered
                            && (job.split == Split::strings
                                || (job.split == Split::automatic
                                    && image_pixels(job) < kLastFirstSharesUpTo));
        plan.split = shares ? Split::strings : Split::bands;
        plan.piece = int(std::clamp(kLastFirstStringsPerPiece / per_copy, 1.0, double(copies)));
        return plan;
    }
    // Pieces of one size, so that the last is as worth splitting as the others.
    const double pixels = std::max(job.pixels, 0.0) + 1;
    const double most = std::clamp(kPixelsPerPiece / pixels, 1.0,
                                   std::max(1.0, kStringsPerPiece / per_copy));
    const int pieces = int(std::ceil(copies / std::min(most, double(copies))));
    plan.piece = (copies + pieces - 1) / pieces;
    plan_batch(job, std::max(job.pixels, 0.0) * plan.piece, plan);
    return plan;
}

double DrawPlanner::enough_pixels(const DrawJob& job)
{
    const double image = image_pixels(job);
    if (usable_workers(job) <= 1)
        return image;
    const double from = job.parallel_from.value_or(kParallelFrom);
    return std::max({from, image, may_share_forward(job) ? kSharesFrom * image : 0.0});
}

double string_pixels(std::span<const Segment> segments, const AffineMap& map, int width,
                     int height, double enough)
{
    const double longest = std::max(width, height);
    double pixels = 0;
    for (const Segment& g : segments) {
        const double dx = std::abs((double(g.x2) - g.x1) * map.sx);
        const double dy = std::abs((double(g.y2) - g.y1) * map.sy);
        const double length = std::max(dx, dy);
        if (length >= 0) // not NaN
            pixels += std::min(length, longest);
        if (pixels >= enough)
            break;
    }
    return pixels;
}

double rim_pixels(std::span<const Segment> segments, const AffineMap& map)
{
    const double scale = std::max(std::abs(map.sx), std::abs(map.sy));
    if (!(std::isfinite(scale) && map.sx != 0 && map.sy != 0 && std::isfinite(map.ox)
          && std::isfinite(map.oy)))
        return std::numeric_limits<double>::infinity();
    double rim = 0;
    for (const Segment& g : segments)
        rim = std::max({rim, double(std::hypot(g.x1, g.y1)), double(std::hypot(g.x2, g.y2))});
    return rim * scale;
}

double open_share(std::span<const Segment> segments, const AffineMap& map)
{
    constexpr int kRadii = 64, kAngles = 64;
    const double rim = rim_pixels(segments, map);
    const double scale = std::max(std::abs(map.sx), std::abs(map.sy));
    if (!(rim > 0 && std::isfinite(rim)) || segments.empty())
        return 0;
    // Points along each string, a few pixels apart, into cells of radius and angle.
    std::vector<std::uint64_t> covered(kRadii, 0);
    std::vector<std::uint64_t> reached(segments.size(), 0); // radii per string
    auto radius_of = [&](double x, double y) {
        return std::min(int(std::hypot(x, y) * scale / rim * kRadii), kRadii - 1);
    };
    // The angle as a number from 0 to 4 that grows with it, without a library call: cells a
    // little unequal in angle do for an estimate.
    auto angle_of = [](double x, double y) {
        if (y >= 0)
            return x >= 0 ? y / (x + y) : 1 - x / (y - x);
        return x < 0 ? 2 - y / (-x - y) : 3 + x / (x - y);
    };
    // Every string of a small figure, an even sample of a large one: a figure's strings
    // change little from one to the next.
    const std::size_t step = (segments.size() + 1023) / 1024;
    for (std::size_t j = 0; j < segments.size(); j += step) {
        const Segment& g = segments[j];
        const double dx = double(g.x2) - g.x1, dy = double(g.y2) - g.y1;
        const double pixels = std::hypot(dx, dy) * scale;
        if (!std::isfinite(pixels))
            continue;
        const int n = int(std::clamp(pixels / 8, 2.0, 16.0));
        for (int i = 0; i < n; ++i) {
            const double t = (i + 0.5) / n, x = g.x1 + t * dx, y = g.y1 + t * dy;
            if (x == 0 && y == 0)
                continue;
            const int radius = radius_of(x, y);
            const int angle = int(angle_of(x, y) * (kAngles / 4)) & (kAngles - 1);
            covered[std::size_t(radius)] |= std::uint64_t(1) << angle;
            reached[j] |= std::uint64_t(1) << radius;
        }
    }
    // The widest run of uncovered angles at each radius, round the circle.
    std::vector<double> gap(kRadii, 0);
    for (int r = 0; r < kRadii; ++r) {
        const std::uint64_t c = covered[std::size_t(r)];
        if (c == 0)
            continue;
        int widest = 0, run = 0;
        for (int a = 0; a < 2 * kAngles; ++a) {
            run = (c >> (a % kAngles) & 1) ? 0 : run + 1;
            widest = std::max(widest, std::min(run, kAngles));
        }
        gap[std::size_t(r)] = double(widest) / kAngles;
    }
    double sum = 0;
    for (std::size_t j = 0; j < segments.size(); j += step) {
        double widest = 0;
        for (int r = 0; r < kRadii; ++r)
            if (reached[j] >> r & 1)
                widest = std::max(widest, gap[std::size_t(r)]);
        sum += widest;
    }
    return sum / double((segments.size() + step - 1) / step);
}
