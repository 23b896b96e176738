#include "ui/tressikhelp.h"

#include "widgets/Controls.h"
#include "widgets/Twips.h"
#include "ui/CaptionFit.h"

#include <QLabel>

namespace {

// The classic dialog face where the system has it, else a look-alike; narrow faces come last.
// Font matching may hand back a much wider face that would cut the caption off, so the first
// face that shows the whole caption is taken, and where none does at 12 points, the largest
// size that does.
QFont caption_font(const QString& caption, QSize room)
{
    static const QStringList families = {
        QStringLiteral("MS Sans Serif"),     QStringLiteral("Microsoft Sans Serif"),
        QStringLiteral("Arial"),             QStringLiteral("Helvetica"),
        QStringLiteral("Liberation Sans"),   QStringLiteral("Nimbus Sans"),
        QStringLiteral("Arial Narrow"),      QStringLiteral("Liberation Sans Narrow"),
        QStringLiteral("Nimbus Sans Narrow"), QStringLiteral("DejaVu Sans Condensed"),
    };
    QFont wanted(families.first(), 12, QFont::Bold);
    wanted.setStyleHint(QFont::SansSerif);
    wanted.setItalic(false);
    return fitting_font(wanted, families, caption, room);
}

} // namespace

tressikhelp::tressikhelp(QWidget* parent)
    : QWidget(parent)
{
    set_up_fixed_window(this, "tressikhelp", QStringLiteral("Tressik help"), twips_size(6165, 4605));
    setAttribute(Qt::WA_DeleteOnClose);
    // White, the colour of title-bar text in the standard scheme.
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    setAutoFillBackground(true);

    Label1 = make_label(this, "Label1", QStringLiteral("Tressik is String Art"), twips_rect(120, 0, 2295, 375));
    Label1->setFont(caption_font(Label1->text(), Label1->size()));
}
