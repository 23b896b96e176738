#include "colour/BackColor.h"

#include "colour/ColourChip.h"

#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QWidget>

namespace {

QString css(Colour colour)
{
    return QStringLiteral("rgb(%1, %2, %3)").arg(red_of(colour)).arg(green_of(colour)).arg(blue_of(colour));
}

// A palette colour alone is not enough: Fusion paints buttons with a gradient of its own
// and some styles ignore the palette altogether. A style sheet is honoured by every style.
// Type selectors keep it off the control's pop-ups (a line edit's context menu).
QString sheet_for(const QWidget* control, Colour colour)
{
    const QString c = css(colour);
    if (qobject_cast<const QPushButton*>(control)) {
        // A button with only a background colour in its sheet is still drawn by the style,
        // which hides the colour; a border of its own keeps the classic raised look.
        return QStringLiteral(
                   "QPushButton { background-color: %1; border-style: solid; border-width: 2px;"
                   " border-color: palette(light) palette(shadow) palette(shadow) palette(light); }"
                   " QPushButton:pressed { border-color: palette(shadow) palette(light)"
                   " palette(light) palette(shadow); }")
            .arg(c);
    }
    if (qobject_cast<const QLineEdit*>(control))
        return QStringLiteral("QLineEdit { background-color: %1; }").arg(c);
    return QStringLiteral("%1 { background-color: %2; }")
        .arg(QLatin1String(control->metaObject()->className()), c);
}

} // namespace

void set_back_color(QWidget* control, Colour colour)
{
    if (!control || !is_valid_colour(colour))
        return;
    if (auto* chip = qobject_cast<ColourChip*>(control)) {
        chip->set_colour(colour);
        return;
    }
    const QColor c(red_of(colour), green_of(colour), blue_of(colour));
    QPalette p = control->palette();
    p.setColor(QPalette::Button, c);
    p.setColor(QPalette::Base, c);
    p.setColor(QPalette::Window, c);
    control->setPalette(p);
    control->setAutoFillBackground(true);
    control->setStyleSheet(sheet_for(control, colour));
}
