#pragma once

#include <QRect>
#include <QSize>

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
