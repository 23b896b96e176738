#include "ui/about1.h"

#include "widgets/Controls.h"
#include "widgets/Twips.h"

#include <QLabel>
#include <QPushButton>

about1::about1(QWidget* parent)
    : QWidget(parent, kFixedWindowFlags)
{
    setObjectName(QStringLiteral("about1"));
    setWindowTitle(QStringLiteral("about Tressik"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twips_size(3225, 1095));

    Label1 = placed(new QLabel(QStringLiteral("Tressik \u00a9 2026 the Tressik authors. Free software under the MIT License."), this),
                    "Label1", twips_rect(0, 0, 3135, 735));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Command1 = placed(new QPushButton(QStringLiteral("OK"), this), "Command1",
                      twips_rect(960, 600, 975, 375));
    Command1->setDefault(true);
    Command1->setFocus();
    connect(Command1, &QPushButton::clicked, this, &about1::Command1_Click);
}

void about1::Command1_Click() { close(); }
