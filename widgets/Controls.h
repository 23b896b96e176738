#pragma once

#include <QRect>
#include <Qt>

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

// Every window but the canvas: a fixed frame with a close box and neither minimise nor
// maximise.
constexpr Qt::WindowFlags kFixedWindowFlags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                              | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;

// A single-line text box with its first text.
QLineEdit* make_box(QWidget* parent, const char* name, const char* text, QRect geometry);
