#include "canvas/CanvasMapping.h"

#include <algorithm>

CanvasMapping::CanvasMapping(const LogicalRect& edges, double width, double height)
    : edges_(edges), width_(width), height_(height)
{
}

QPointF CanvasMapping::to_pixel(double x, double y) const
{
    return {(x - edges_.left) * width_ / (edges_.right - edges_.left),
            (y - edges_.top) * height_ / (edges_.bottom - edges_.top)};
}

QPointF CanvasMapping::to_logical(QPointF pixel) const
{
    // A window shrunk to nothing still maps its one remaining pixel somewhere finite.
    const double w = std::max(1.0, width_), h = std::max(1.0, height_);
    return {edges_.left + pixel.x() * (edges_.right - edges_.left) / w,
            edges_.top + pixel.y() * (edges_.bottom - edges_.top) / h};
}

AffineMap CanvasMapping::affine() const
{
    const double sx = width_ / (edges_.right - edges_.left);
    const double sy = height_ / (edges_.bottom - edges_.top);
    return {sx, -edges_.left * sx, sy, -edges_.top * sy};
}

CanvasMapping CanvasMapping::scaled(double ratio) const
{
    return {edges_, width_ * ratio, height_ * ratio};
}
