#include "core/canvas.h"

#include "core/Raster.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QResizeEvent>

#include <algorithm>

namespace {

// Images beyond this edge would not fit the raster's fixed-point arithmetic comfortably.
constexpr int kMaxImageEdge = 16384;

QRgb to_rgb(Colour c) { return qRgb(red_of(c), green_of(c), blue_of(c)); }

Colour from_rgb(QRgb c) { return rgb(qRed(c), qGreen(c), qBlue(c)); }

Raster raster_of(QImage& image)
{
    return Raster(reinterpret_cast<std::uint32_t*>(image.bits()), image.width(), image.height(),
                  int(image.bytesPerLine() / 4));
}

} // namespace

canvas::canvas(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("canvas"));
    setAccessibleName(QStringLiteral("canvas"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setBackgroundRole(QPalette::Base);
    set_color(from_rgb(palette().color(QPalette::Text).rgb()));
    resize(412, 282);
    grow_image(size());
}

void canvas::set_mapping(const Mapping& mapping) { mapping_ = mapping; }

QPointF canvas::to_logical(QPointF pixel) const
{
    const double w = std::max(1, width()), h = std::max(1, height());
    return {mapping_.left + pixel.x() * (mapping_.right - mapping_.left) / w,
            mapping_.top + pixel.y() * (mapping_.bottom - mapping_.top) / h};
}

QPointF canvas::to_pixel(double x, double y) const
{
    return {(x - mapping_.left) * width() / (mapping_.right - mapping_.left),
            (y - mapping_.top) * height() / (mapping_.bottom - mapping_.top)};
}

void canvas::clear()
{
    image_.fill(background());
    update();
}

void canvas::set_color(Colour colour)
{
    colour_ = colour;
    pixel_colour_ = to_rgb(colour);
}

void canvas::dot(float x, float y)
{
    Raster raster = raster_of(image_);
    const QPointF p = to_pixel(x, y);
    raster.set_pixel(p.x(), p.y(), pixel_colour_);
    repaint_dirty_from(raster);
}

void canvas::line(float x1, float y1, float x2, float y2)
{
    const Segment one{x1, y1, x2, y2};
    lines(std::span(&one, 1));
}

void canvas::lines(std::span<const Segment> segments)
{
    Raster raster = raster_of(image_);
    // One affine map for the whole batch: pixel = logical * scale + offset.
    const double sx = width() / (mapping_.right - mapping_.left);
    const double sy = height() / (mapping_.bottom - mapping_.top);
    const double ox = -mapping_.left * sx, oy = -mapping_.top * sy;
    raster.lines(segments, {sx, ox, sy, oy}, pixel_colour_);
    repaint_dirty_from(raster);
}

void canvas::repaint_dirty_from(Raster& raster)
{
    const Raster::Box box = raster.take_dirty();
    if (box.empty())
        return;
    // A side of a thousand dots and strings asks for one repaint, not two thousand.
    const bool scheduled = !pending_.isEmpty();
    pending_ |= QRect(QPoint(box.left, box.top), QPoint(box.right, box.bottom));
    if (!scheduled) {
        QMetaObject::invokeMethod(this, [this] {
            update(pending_);
            pending_ = QRect();
        }, Qt::QueuedConnection);
    }
}

void canvas::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.drawImage(event->rect(), image_, event->rect());
    // A window larger than the image can be: the rest is plain background.
    const QRegion beyond = QRegion(event->rect()) - QRegion(image_.rect());
    for (const QRect& r : beyond)
        painter.fillRect(r, QColor::fromRgb(background()));
}

void canvas::resizeEvent(QResizeEvent* event)
{
    // A resize changes the mapping only; the pixels stay where they are.
    mapping_ = kResizeMapping;
    grow_image(event->size());
    QWidget::resizeEvent(event);
}

void canvas::mouseReleaseEvent(QMouseEvent* event)
{
    const QPointF p = to_logical(event->position());
    Form_MouseUp(int(event->button()), int(event->modifiers()), float(p.x()), float(p.y()));
}

void canvas::Form_MouseUp(int button, int shift, float x, float y)
{
    // The canvas keeps no figure: whoever draws on it decides what a click means.
    emit mouseUp(button, shift, x, y);
}

void canvas::grow_image(QSize size)
{
    const int w = std::clamp(std::max(size.width(), image_.width()), 1, kMaxImageEdge);
    const int h = std::clamp(std::max(size.height(), image_.height()), 1, kMaxImageEdge);
    if (w == image_.width() && h == image_.height())
        return;
    QImage grown(w, h, QImage::Format_RGB32);
    if (grown.isNull())
        return; // out of memory: keep drawing on the image we have
    grown.fill(background());
    if (!image_.isNull()) {
        QPainter painter(&grown);
        painter.drawImage(0, 0, image_);
    }
    image_ = std::move(grown);
}

QRgb canvas::background() const { return palette().color(QPalette::Base).rgb(); }
