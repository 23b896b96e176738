#include "colour/BackColor.h"

#include "colour/ColourChip.h"

#include <QPalette>
#include <QVariant>
#include <QWidget>

namespace {
constexpr const char* kProperty = "BackColor";
}

void set_back_color(QWidget* control, Colour colour)
{
    if (!control)
        return;
    if (auto* chip = qobject_cast<ColourChip*>(control)) {
        chip->set_color(colour);
        return;
    }
    const QColor c(red_of(colour), green_of(colour), blue_of(colour));
    QPalette p = control->palette();
    p.setColor(QPalette::Button, c);
    p.setColor(QPalette::Base, c);
    p.setColor(QPalette::Window, c);
    control->setPalette(p);
    control->setAutoFillBackground(true);
    control->setProperty(kProperty, colour);
}

Colour back_color(const QWidget* control)
{
    if (!control)
        return 0;
    if (auto* chip = qobject_cast<const ColourChip*>(control))
        return chip->color();
    const QVariant stored = control->property(kProperty);
    if (stored.isValid())
        return stored.toInt();
    const QColor c = control->palette().color(control->backgroundRole());
    return rgb(c.red(), c.green(), c.blue());
}
