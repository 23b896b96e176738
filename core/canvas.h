#pragma once

#include "core/DrawingSink.h"

#include <QImage>
#include <QPointF>
#include <QWidget>

// The drawing window. It keeps pixels only: a retained image that strings are drawn into
// once and that is never redrawn from any model. The image grows with the window and never
// shrinks, so making the window smaller and larger again loses nothing.
class Raster;

class canvas : public QWidget, public DrawingSink {
    Q_OBJECT

public:
    // Logical coordinates of the client area's four edges.
    struct Mapping {
        double left, top, right, bottom;
        bool operator==(const Mapping&) const = default;
    };
    static constexpr Mapping kStartupMapping{-500, 500, 600, -600};
    static constexpr Mapping kResizeMapping{-600, 500, 600, -500};

    explicit canvas(QWidget* parent = nullptr);

    void set_mapping(const Mapping& mapping);
    Mapping mapping() const { return mapping_; }
    QPointF to_logical(QPointF pixel) const;
    QPointF to_pixel(double x, double y) const;

    const QImage& image() const { return image_; }
    Colour drawing_color() const { return colour_; }

    void clear() override;
    void set_color(Colour colour) override;
    void dot(float x, float y) override;
    void line(float x1, float y1, float x2, float y2) override;
    void lines(std::span<const Segment> segments) override;

    // The window's mouse-button release, in logical coordinates; every button alike.
    void Form_MouseUp(int button, int shift, float x, float y);

signals:
    // A mouse button was released at logical (x, y).
    void mouseUp(int button, int shift, float x, float y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void grow_image(QSize size);
    void repaint_dirty_from(Raster& raster);
    QRgb background() const;

    QImage image_;
    QRect pending_; // drawn but not yet asked to be repainted
    Mapping mapping_ = kResizeMapping;
    Colour colour_ = 0;
    QRgb pixel_colour_ = 0;
};
