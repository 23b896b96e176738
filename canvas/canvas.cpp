#include "canvas/canvas.h"

#include "raster/WorkerPool.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QResizeEvent>

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
    pixels_.set_colour(from_rgb(palette().color(QPalette::Text).rgb()));
    // A side of a thousand dots and strings asks for one repaint, not two thousand.
    pixels_.on_drawn([this] {
        if (repaint_asked_)
            return;
        repaint_asked_ = true;
        QMetaObject::invokeMethod(this, &canvas::repaint_drawn, Qt::QueuedConnection);
    });
    resize(412, 282);
    set_mapping(kResizeMapping);
    fit_image();
}

void canvas::set_mapping(const Mapping& mapping)
{
    pixels_.set_mapping(CanvasMapping(mapping, width(), height()));
}

void canvas::repaint_drawn()
{
    repaint_asked_ = false;
    update(pixels_.take_dirty());
}

bool canvas::event(QEvent* event)
{
    // Shown on a screen, or moved to one of another pixel density: the one place that
    // follows the device pixel ratio.
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::ScreenChangeInternal:
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    case QEvent::DevicePixelRatioChange:
#endif
        fit_image();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void canvas::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QImage& image = pixels_.image();
    const double ratio = pixels_.ratio();
    // An image finer than the screen is shown scaled down, smoothly, so thin strings stay.
    if (ratio != devicePixelRatioF())
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // The image carries its pixel ratio: the painter places its device pixels itself.
    painter.drawImage(QPointF(0, 0), image);
    // A window larger than the image can be: the rest is plain background.
    const QRect covered(0, 0, int(image.width() / ratio), int(image.height() / ratio));
    const QRegion beyond = QRegion(event->rect()) - QRegion(covered);
    for (const QRect& r : beyond)
        painter.fillRect(r, QColor::fromRgb(pixels_.background()));
}

void canvas::resizeEvent(QResizeEvent* event)
{
    // A resize changes the mapping only; the pixels stay where they are.
    set_mapping(kResizeMapping);
    fit_image();
    QWidget::resizeEvent(event);
}

void canvas::mouseReleaseEvent(QMouseEvent* event)
{
    const QPointF p = pixels_.mapping().to_logical(event->position());
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
