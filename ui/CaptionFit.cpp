#include "ui/CaptionFit.h"

#include <QFontMetrics>

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

} // namespace

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
