#pragma once

#include "core/Colour.h"

#include <QWidget>

// A plain rectangular colour swatch that can take the keyboard focus and be clicked.
// Its colour is its background colour; its border is none (0) or a single line (1).
class ColourChip : public QWidget {
    Q_OBJECT

public:
    explicit ColourChip(QWidget* parent = nullptr);

    Colour colour() const { return colour_; }
    void set_colour(Colour colour);

    void set_border_style(int style);

    QSize sizeHint() const override { return {25, 25}; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void describe_colour();

    Colour colour_ = 0;
    int border_style_ = 0;
    bool pressed_ = false;
};
