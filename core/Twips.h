#pragma once

#include <QLineEdit>
#include <QRect>
#include <QSize>
#include <QString>
#include <Qt>

// Window layouts are laid out in twips, 1/1440 inch: 15 twips to the pixel at 96 dpi.
constexpr int kTwipsPerPixel = 15;

constexpr QRect twips_rect(int left, int top, int width, int height)
{
    return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
                 height / kTwipsPerPixel);
}

constexpr QSize twips_size(int width, int height)
{
    return QSize(width / kTwipsPerPixel, height / kTwipsPerPixel);
}

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
inline QLineEdit* make_box(QWidget* parent, const char* name, const char* text, QRect geometry)
{
    return placed(new QLineEdit(QLatin1String(text), parent), name, geometry);
}
