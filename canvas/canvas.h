#pragma once

#include "canvas/CanvasMapping.h"
#include "core/DrawingSink.h"
#include "canvas/RetainedImage.h"

#include <QImage>
#include <QPointF>
#include <QWidget>

// The drawing window. It keeps pixels only: a retained image that strings are drawn into
// once and that is never redrawn from any model. The image holds device pixels, so strings
// are one device pixel wide on a high-density screen too.
class canvas : public QWidget, public DrawingSink {
    Q_OBJECT

public:
    // Logical coordinates of the client area's four edges.
    using Mapping = LogicalRect;
    static constexpr Mapping kStartupMapping{-500, 500, 600, -600};
    static constexpr Mapping kResizeMapping{-600, 500, 600, -500};

    explicit canvas(QWidget* parent = nullptr);

    void set_mapping(const Mapping& mapping);
    Mapping mapping() const { return mapping_; }
    // The mapping over the client area as it stands, in widget pixels.
    CanvasMapping client_mapping() const;
    QPointF to_logical(QPointF pixel) const;
    QPointF to_pixel(double x, double y) const;

    // The retained pixels: device pixels, with the image's device pixel ratio set.
    const QImage& image() const { return pixels_.image(); }

    void clear() override;
    void set_colour(Colour colour) override;
    void dot(float x, float y) override;
    void line(float x1, float y1, float x2, float y2) override;
    void lines(std::span<const Segment> segments) override;
    void coloured_lines(std::span<const Segment> segments, std::span<const ColourRun> runs) override;
    std::optional<int> draw_copies(const TurnedCopies& copies, const CopiesProgress& progress) override;

    // The window's mouse-button release, in logical coordinates; every button alike.
    void Form_MouseUp(int button, int shift, float x, float y);

signals:
    // A mouse button was released at logical (x, y).
    void mouseUp(int button, int shift, float x, float y);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void fit_image();
    void before_drawing();
    void after_drawing();

    RetainedImage pixels_;
    QRect pending_; // drawn but not yet asked to be repainted
    Mapping mapping_ = kResizeMapping;
};
