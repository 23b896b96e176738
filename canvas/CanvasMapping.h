#pragma once

#include "raster/AffineMap.h"

#include <QPointF>

// Logical coordinates of a client area's four edges.
struct LogicalRect {
    double left, top, right, bottom;
    bool operator==(const LogicalRect&) const = default;
};

// A logical rectangle laid over a client area of width x height pixels. The pixels may be
// widget pixels (mouse positions) or device pixels (the image), as the caller sizes it.
class CanvasMapping {
public:
    CanvasMapping(const LogicalRect& edges, double width, double height);

    QPointF to_pixel(double x, double y) const;
    QPointF to_logical(QPointF pixel) const;
    AffineMap affine() const;

    // The same edges over a client area `ratio` times as many pixels across and down.
    CanvasMapping scaled(double ratio) const;

private:
    LogicalRect edges_;
    double width_, height_;
};
