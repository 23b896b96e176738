#include "ui/about1.h"

#include "widgets/Controls.h"
#include "widgets/Twips.h"

#include <QLabel>
#include <QPushButton>

about1::about1(QWidget* parent)
    : QWidget(parent)
{
    set_up_fixed_window(this, "about1", QStringLiteral("about Tressik"), twips_size(3225, 1095));
    setAttribute(Qt::WA_DeleteOnClose);

    Label1 = make_label(this, "Label1",
                        QStringLiteral("Tressik \u00a9 2026 the Tressik authors. Free software under the MIT License."),
                        twips_rect(0, 0, 3135, 735), Qt::AlignLeft | Qt::AlignTop);
    Label1->setWordWrap(true);

    Command1 = placed(new QPushButton(QStringLiteral("OK"), this), "Command1",
                      twips_rect(960, 600, 975, 375));
    Command1->setDefault(true);
    Command1->setFocus();
    connect(Command1, &QPushButton::clicked, this, &about1::Command1_Click);
}

void about1::Command1_Click() { close(); }
