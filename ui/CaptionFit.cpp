#include "ui/CaptionFit.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

namespace {

// Below this a caption is no longer readable; a smaller room keeps a cut caption.
constexpr qreal kSmallestPointSize = 6;

QFont in_face(const QFont& style, const QString& face, qreal points)
{
    QFont font = style;
    font.setFamilies({face});
    font.setPointSizeF(points);
    return font;
}

// A label's room: its rectangle up to the first sibling drawn over it, on the right for one
// that starts above the label (a chip over its digit), below for one that starts lower
// ("OK" over the notice).
QSize label_room(const QLabel* label)
{
    const QRect own = label->geometry();
    QSize room = label->contentsRect().size();
    const QObjectList& siblings = label->parentWidget()->children();
    for (qsizetype i = siblings.indexOf(label) + 1; i < siblings.size(); ++i) {
        const auto* above = qobject_cast<const QWidget*>(siblings[i]);
        if (!above || !above->geometry().intersects(own))
            continue;
        const QRect over = above->geometry();
        if (over.top() <= own.top())
            room.setWidth(std::min(room.width(), over.left() - own.left()));
        else
            room.setHeight(std::min(room.height(), over.top() - own.top()));
    }
    return room;
}

// Inside a push button's frame, a pixel clear all round: a glyph touching the frame reads as cut.
QSize button_room(const QPushButton* button, const QFont& font)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.fontMetrics = QFontMetrics(font);
    option.text = button->text();
    const QRect contents = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    return contents.adjusted(1, 1, -1, -1).size();
}

bool control_fits(const QWidget* control, const QFont& font)
{
    if (const auto* button = qobject_cast<const QPushButton*>(control))
        return caption_fits(button->text(), font, button_room(button, font));
    const auto* label = qobject_cast<const QLabel*>(control);
    const QSize room = label_room(label);
    if (!label->wordWrap())
        return caption_fits(label->text(), font, room);
    const QRect wrapped = QFontMetrics(font).boundingRect(QRect(0, 0, room.width() - 1, 1 << 20),
                                                           Qt::TextWordWrap, label->text());
    return wrapped.width() <= room.width() - 1 && wrapped.height() <= room.height();
}

} // namespace

void use_program_font()
{
    if (const QFont font = program_font(QApplication::font()); font != QApplication::font())
        QApplication::setFont(font);
}

void fit_captions(QWidget* window)
{
    QList<const QWidget*> captions;
    for (const QWidget* control : window->findChildren<QWidget*>()) {
        if ((qobject_cast<const QLabel*>(control) || qobject_cast<const QPushButton*>(control))
            && !control->testAttribute(Qt::WA_SetFont))
            captions << control;
    }
    const auto all_fit = [&](const QFont& font) {
        return std::all_of(captions.begin(), captions.end(),
                           [&](const QWidget* control) { return control_fits(control, font); });
    };
    QFont font = window->font();
    if (font.pointSizeF() <= 0 || all_fit(font))
        return; // a font sized in pixels is the desktop's own choice
    do
        font.setPointSizeF(font.pointSizeF() - 0.5);
    while (font.pointSizeF() > kSmallestPointSize && !all_fit(font));
    window->setFont(font);
}

QFont program_font(QFont desktop)
{
    if (desktop.pointSizeF() > kCompactPointSize)
        desktop.setPointSizeF(kCompactPointSize);
    return desktop;
}

bool caption_fits(const QString& caption, const QFont& font, QSize room)
{
    const QFontMetrics metrics(font);
    // Bold and slanted glyphs can reach past the advance, and the advance past the glyphs.
    const int right = std::max(metrics.horizontalAdvance(caption), metrics.boundingRect(caption).right() + 1);
    return right <= room.width() - 1 && metrics.height() <= room.height();
}

QFont fitting_font(const QFont& wanted, const QStringList& faces, const QString& caption, QSize room)
{
    if (caption_fits(caption, wanted, room) || faces.isEmpty())
        return wanted;
    // Font matching hands back some face for any name, so each face is measured as matched.
    qreal points = wanted.pointSizeF();
    for (; points >= kSmallestPointSize; points -= 0.5) {
        for (const QString& face : faces) {
            QFont font = in_face(wanted, face, points);
            if (caption_fits(caption, font, room))
                return font;
        }
    }
    return in_face(wanted, faces.first(), points + 0.5);
}
