#pragma once

#include <QFont>
#include <QSize>
#include <QString>
#include <QStringList>

// The fixed windows are laid out to the pixel for a compact dialog font. Desktop faces are
// wider than the one the layout was drawn for (DejaVu Sans, the face of a bare system, needs
// 35 pixels for "copies", whose label has 33), so the program's font is kept at 7.5 points.
constexpr qreal kCompactPointSize = 7.5;

class QWidget;

// The font for every window of the program: the desktop's face, no larger than the compact size.
QFont program_font(QFont desktop);
// Makes program_font the application's font. The program calls it before it makes any window,
// and so does every test that measures what a window shows.
void use_program_font();

// Steps the font of a fixed window down by half points, in whatever face the system hands
// over, until every caption that takes the window's font fits its room: a label's rectangle
// less what the controls drawn over it hide, a push button's inside. Nothing changes where
// they all fit already. A caption with a font of its own is fitted where it is made.
void fit_captions(QWidget* window);

// Whether `caption`, drawn on one line in `font` from the left edge of `room`, keeps every
// glyph inside it with a pixel to spare on the right for rounding at scale factors.
bool caption_fits(const QString& caption, const QFont& font, QSize room);

// `wanted` when the caption fits in it. Otherwise the first of `faces` (in `wanted`'s style)
// that it fits in, trying every face at a size before the next half point down; at the
// smallest size tried the first face is all there is left.
QFont fitting_font(const QFont& wanted, const QStringList& faces, const QString& caption, QSize room);
