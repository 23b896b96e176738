#include "widgets/Controls.h"

#include <QLineEdit>

QLineEdit* make_box(QWidget* parent, const char* name, const char* text, QRect geometry)
{
    return placed(new QLineEdit(QLatin1String(text), parent), name, geometry);
}
