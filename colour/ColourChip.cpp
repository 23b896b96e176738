#include "colour/ColourChip.h"

#include <QMouseEvent>
#include <QPainter>

ColourChip::ColourChip(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    describe_colour();
}

void ColourChip::describe_colour()
{
    // A screen reader says the colour that a sighted user sees.
    setAccessibleDescription(QStringLiteral("red %1, green %2, blue %3")
                                 .arg(red_of(colour_)).arg(green_of(colour_)).arg(blue_of(colour_)));
}

void ColourChip::set_colour(Colour colour)
{
    if (colour == colour_)
        return;
    colour_ = colour;
    describe_colour();
    update();
}

void ColourChip::set_border_style(int style)
{
    if (style == border_style_)
        return;
    border_style_ = style;
    update();
}

void ColourChip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(red_of(colour_), green_of(colour_), blue_of(colour_)));
    if (border_style_ == 1) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void ColourChip::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
}

void ColourChip::mouseReleaseEvent(QMouseEvent* event)
{
    // A click is a press and a release of the left button over the chip.
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click)
        emit clicked();
}
