#include "canvas/canvas.h"

#include "raster/WorkerPool.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QResizeEvent>

#include <cmath>

namespace {

Colour from_rgb(QRgb c) { return rgb(qRed(c), qGreen(c), qBlue(c)); }

} // namespace

canvas::canvas(QWidget* parent)
    : QWidget(parent, Qt::Window),
      pixels_(palette().color(QPalette::Base).rgb(), WorkerPool::shared())
{
    setWindowTitle(QStringLiteral("canvas"));
    setAccessibleName(QStringLiteral("canvas"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setBackgroundRole(QPalette::Base);
    set_colour(from_rgb(palette().color(QPalette::Text).rgb()));
    resize(412, 282);
    fit_image();
}

void canvas::set_mapping(const Mapping& mapping) { mapping_ = mapping; }

CanvasMapping canvas::client_mapping() const { return {mapping_, double(width()), double(height())}; }

QPointF canvas::to_logical(QPointF pixel) const { return client_mapping().to_logical(pixel); }

QPointF canvas::to_pixel(double x, double y) const { return client_mapping().to_pixel(x, y); }

void canvas::clear()
{
    pixels_.clear();
    pixels_.take_dirty();
    update();
}

void canvas::set_colour(Colour colour) { pixels_.set_colour(colour); }

void canvas::dot(float x, float y)
{
    before_drawing();
    pixels_.dot(x, y);
    after_drawing();
}

void canvas::line(float x1, float y1, float x2, float y2)
{
    const Segment one{x1, y1, x2, y2};
    lines(std::span(&one, 1));
}

void canvas::lines(std::span<const Segment> segments)
{
    before_drawing();
    pixels_.lines(segments);
    after_drawing();
}

void canvas::coloured_lines(std::span<const Segment> segments, std::span<const ColourRun> runs)
{
    before_drawing();
    pixels_.coloured_lines(segments, runs);
    after_drawing();
}

std::optional<int> canvas::draw_copies(const TurnedCopies& copies, const CopiesProgress& progress)
{
    before_drawing();
    // Each report shows the copies drawn so far.
    const std::optional<int> drawn = pixels_.draw_copies(copies, [&](int done, int total) {
        after_drawing();
        return !progress || progress(done, total);
    });
    after_drawing();
    return drawn;
}

void canvas::before_drawing() { pixels_.set_mapping(client_mapping()); }

void canvas::after_drawing()
{
    const QRect drawn = pixels_.take_dirty();
    if (drawn.isEmpty())
        return;
    // A side of a thousand dots and strings asks for one repaint, not two thousand.
    const bool scheduled = !pending_.isEmpty();
    pending_ |= drawn;
    if (!scheduled) {
        QMetaObject::invokeMethod(this, [this] {
            update(pending_);
            pending_ = QRect();
        }, Qt::QueuedConnection);
    }
}

bool canvas::event(QEvent* event)
{
    // Moved to a screen of another pixel density.
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    if (event->type() == QEvent::DevicePixelRatioChange)
        fit_image();
#endif
    if (event->type() == QEvent::ScreenChangeInternal)
        fit_image();
    return QWidget::event(event);
}

void canvas::paintEvent(QPaintEvent* event)
{
    fit_image();
    QPainter painter(this);
    const QImage& image = pixels_.image();
    const double ratio = pixels_.ratio();
    // An image finer than the screen is shown scaled down, smoothly, so thin strings stay.
    if (ratio != devicePixelRatioF())
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect covered = QRect(0, 0, int(image.width() / ratio), int(image.height() / ratio));
    const QRect shown = event->rect() & covered;
    if (!shown.isEmpty()) {
        const QRectF source(shown.x() * ratio, shown.y() * ratio, shown.width() * ratio,
                            shown.height() * ratio);
        painter.drawImage(QRectF(shown), image, source);
    }
    // A window larger than the image can be: the rest is plain background.
    const QRegion beyond = QRegion(event->rect()) - QRegion(covered);
    for (const QRect& r : beyond)
        painter.fillRect(r, QColor::fromRgb(pixels_.background()));
}

void canvas::resizeEvent(QResizeEvent* event)
{
    // A resize changes the mapping only; the pixels stay where they are.
    mapping_ = kResizeMapping;
    fit_image();
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

void canvas::fit_image()
{
    const double before = pixels_.ratio();
    pixels_.fit(size(), devicePixelRatioF());
    if (pixels_.ratio() != before)
        update(); // every pixel drawn so far, finer now
}
