#pragma once

#include <QRect>
#include <QString>
#include <Qt>

class QLabel;
class QLineEdit;
class QWidget;

// Names a control and puts it where its window's layout says.
template <class Control>
Control* placed(Control* control, const char* name, QRect geometry)
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(geometry);
    return control;
}

// Every window but the canvas: a fixed frame of `size` with a close box and neither
// minimise nor maximise. Its minimum and maximum sizes are equal as well, since some window
// systems (Wayland compositors among them) go by those alone when they offer to resize or
// maximise a window.
void set_up_fixed_window(QWidget* window, const char* name, const QString& title, QSize size);

// A single-line text box with its first text.
QLineEdit* make_box(QWidget* parent, const char* name, const char* text, QRect geometry);

// A caption; Qt's own alignment, left and centred on its height, unless `alignment` says otherwise.
QLabel* make_label(QWidget* parent, const char* name, const QString& text, QRect geometry,
                   Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
