#include "core/Raster.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Liang-Barsky: trims the segment to [lo0, hi0] x [lo1, hi1]; false when nothing is left.
bool clip(double& x1, double& y1, double& x2, double& y2, double xmin, double ymin, double xmax,
          double ymax)
{
    double t0 = 0, t1 = 1;
    const double dx = x2 - x1, dy = y2 - y1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 - xmin, xmax - x1, y1 - ymin, ymax - y1};
    for (int i = 0; i < 4; ++i) {
        if (!(std::isfinite(p[i]) && std::isfinite(q[i])))
            return false;
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0) {
            if (r > t1)
                return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0)
                return false;
            t1 = std::min(t1, r);
        }
    }
    const double ox = x1, oy = y1;
    x1 = ox + t0 * dx;
    y1 = oy + t0 * dy;
    x2 = ox + t1 * dx;
    y2 = oy + t1 * dy;
    return true;
}

int nearest(double v) { return int(std::floor(v + 0.5)); }

constexpr double kOne = 4294967296.0; // 32.32 fixed point

} // namespace

Raster::Raster(std::uint32_t* pixels, int width, int height, int stride_pixels)
    : pixels_(pixels), width_(width), height_(height), stride_(stride_pixels)
{
}

void Raster::set_pixel(double x, double y, std::uint32_t colour)
{
    if (!(x > -0.5 && x < width_ - 0.5 && y > -0.5 && y < height_ - 0.5))
        return;
    const int px = nearest(x), py = nearest(y);
    pixels_[std::size_t(py) * stride_ + px] = colour;
    touch(px, py, px, py);
}

void Raster::line(double x1, double y1, double x2, double y2, std::uint32_t colour)
{
    if (width_ <= 0 || height_ <= 0)
        return;
    if (!clip(x1, y1, x2, y2, -0.5, -0.5, width_ - 0.5, height_ - 0.5))
        return;
    bool steep = std::abs(y2 - y1) > std::abs(x2 - x1);
    if (steep) {
        std::swap(x1, y1);
        std::swap(x2, y2);
    }
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    // Along the major axis every whole position from one end to the other gets a pixel.
    const int major_size = steep ? height_ : width_;
    const int minor_size = steep ? width_ : height_;
    const int from = std::clamp(nearest(x1), 0, major_size - 1);
    const int to = std::clamp(nearest(x2), 0, major_size - 1);
    const double slope = x2 > x1 ? (y2 - y1) / (x2 - x1) : 0.0;
    std::int64_t minor = std::int64_t(std::floor((y1 + (from - x1) * slope + 0.5) * kOne));
    const std::int64_t step = std::int64_t(slope * kOne);
    const std::int64_t minor_first = minor;
    if (steep) {
        for (int major = from; major <= to; ++major, minor += step) {
            const int m = int(minor >> 32);
            if (unsigned(m) < unsigned(minor_size))
                pixels_[std::size_t(major) * stride_ + m] = colour;
        }
    } else {
        std::uint32_t* row0 = pixels_;
        for (int major = from; major <= to; ++major, minor += step) {
            const int m = int(minor >> 32);
            if (unsigned(m) < unsigned(minor_size))
                row0[std::size_t(m) * stride_ + major] = colour;
        }
    }
    const int m0 = std::clamp(int(minor_first >> 32), 0, minor_size - 1);
    const int m1 = std::clamp(int((minor - step) >> 32), 0, minor_size - 1);
    if (steep)
        touch(std::min(m0, m1), from, std::max(m0, m1), to);
    else
        touch(from, std::min(m0, m1), to, std::max(m0, m1));
}

Raster::Box Raster::take_dirty()
{
    const Box box = dirty_;
    dirty_ = {0, 0, -1, -1};
    return box;
}

void Raster::touch(int left, int top, int right, int bottom)
{
    if (dirty_.empty()) {
        dirty_ = {left, top, right, bottom};
        return;
    }
    dirty_.left = std::min(dirty_.left, left);
    dirty_.top = std::min(dirty_.top, top);
    dirty_.right = std::max(dirty_.right, right);
    dirty_.bottom = std::max(dirty_.bottom, bottom);
}
