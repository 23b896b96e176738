#include "ui/tressikhelp.h"

#include "core/Twips.h"

#include <QFontMetrics>
#include <QLabel>

namespace {

// The classic dialog face where the system has it. Elsewhere font matching may hand back a
// much wider face that cuts the caption off, so take the first look-alike that shows the
// whole caption inside the label, as the classic face does; narrow faces come last.
QFont caption_font(const QString& caption, int width)
{
    static const char* const families[] = {
        "MS Sans Serif", "Microsoft Sans Serif", "Arial",        "Helvetica",
        "Liberation Sans", "Nimbus Sans",        "Arial Narrow", "Liberation Sans Narrow",
        "Nimbus Sans Narrow", "DejaVu Sans Condensed",
    };
    QFont first;
    for (const char* family : families) {
        QFont font(QLatin1String(family), 12, QFont::Bold);
        font.setStyleHint(QFont::SansSerif);
        font.setItalic(false);
        if (family == families[0])
            first = font;
        if (QFontMetrics(font).horizontalAdvance(caption) <= width)
            return font;
    }
    return first;
}

} // namespace

tressikhelp::tressikhelp(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("tressikhelp"));
    setWindowTitle(QStringLiteral("Tressik help"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twips_size(6165, 4605));
    // White, the colour of title-bar text in the standard scheme.
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    setAutoFillBackground(true);

    Label1 = placed(new QLabel(QStringLiteral("Tressik is String Art"), this), "Label1",
                    twips_rect(120, 0, 2295, 375));
    Label1->setFont(caption_font(Label1->text(), Label1->width()));
}
