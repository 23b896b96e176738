#include "widgets/Controls.h"

#include <QLabel>
#include <QLineEdit>

void set_up_fixed_window(QWidget* window, const char* name, const QString& title, QSize size)
{
    window->setObjectName(QLatin1String(name));
    window->setWindowTitle(title);
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                           | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    window->setFixedSize(size);
}

QLineEdit* make_box(QWidget* parent, const char* name, const char* text, QRect geometry)
{
    return placed(new QLineEdit(QLatin1String(text), parent), name, geometry);
}

QLabel* make_label(QWidget* parent, const char* name, const QString& text, QRect geometry,
                   Qt::Alignment alignment)
{
    auto* label = placed(new QLabel(text, parent), name, geometry);
    label->setAlignment(alignment);
    return label;
}
