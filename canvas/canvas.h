#pragma once

#include "canvas/CanvasMapping.h"
#include "canvas/RetainedImage.h"

#include <QWidget>

class DrawingSink;

// The drawing window. It keeps pixels only: a retained image that strings are drawn into
// once and that is never redrawn from any model. The image holds device pixels, so strings
// are one device pixel wide on a high-density screen too.
class canvas : public QWidget {
    Q_OBJECT

public:
    // Logical coordinates of the client area's four edges.
    using Mapping = LogicalRect;
    static constexpr Mapping kStartupMapping{-500, 500, 600, -600};
    static constexpr Mapping kResizeMapping{-600, 500, 600, -500};

    explicit canvas(QWidget* parent = nullptr);

    // From now on the client area spans these logical edges.
    void set_mapping(const Mapping& mapping);

    // What the figure is drawn on: the retained image itself. The window repaints whatever
    // is drawn on it once the event loop runs.
    DrawingSink& drawing() { return pixels_; }
    // The same image, for what a step of the figure changed in it.
    RetainedImage& pixels() { return pixels_; }
    // Device pixels to the widget's pixel in that image, as a saved PNG takes them.
    double pixel_ratio() const { return pixels_.ratio(); }

    // The window's mouse-button release, in logical coordinates; every button alike.
    void Form_MouseUp(int button, int shift, float x, float y);

signals:
    // A mouse button was released at logical (x, y).
    void mouseUp(int button, int shift, float x, float y);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void fit_image();
    void repaint_drawn();

    RetainedImage pixels_;
    bool repaint_asked_ = false; // a repaint of what was drawn is on its way
};
