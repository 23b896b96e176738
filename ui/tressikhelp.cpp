#include "ui/tressikhelp.h"

#include "core/Twips.h"

#include <QLabel>

tressikhelp::tressikhelp(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint)
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

    Label1 = new QLabel(QStringLiteral("Tressik is String Art"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twips_rect(120, 0, 2295, 375));
    // The classic dialog face where the system has it, its nearest sans-serif match elsewhere.
    QFont font(QStringLiteral("MS Sans Serif"), 12, QFont::Bold);
    font.setStyleHint(QFont::SansSerif);
    font.setItalic(false);
    Label1->setFont(font);
}
