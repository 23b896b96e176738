#pragma once

#include "canvas/CanvasMapping.h"
#include "core/DrawingSink.h"
#include "raster/PixelChange.h"
#include "raster/Raster.h"

#include <QImage>
#include <QRect>

#include <functional>
#include <optional>

class WorkerPool;

// The canvas's pixels, without the window: an image in device pixels that strings are drawn
// into once and never redrawn from any model. It grows with the client area and never
// shrinks, so making the window smaller and larger again loses nothing; and its pixel ratio
// only rises, so moving the window between screens loses nothing either.
class RetainedImage final : public DrawingSink {
public:
    // `parallel_from` overrides the pixels from which a batch is split over the workers.
    RetainedImage(QRgb background, WorkerPool& pool,
                  std::optional<double> parallel_from = std::nullopt);

    // Grows the image to cover a client area of `client` widget pixels at `ratio` device
    // pixels per widget pixel. A higher ratio than the image's scales what is drawn so far up
    // into a finer image; a lower one leaves the image as it is, to be shown scaled down.
    void fit(QSize client, double ratio);

    // The mapping in widget pixels, the one the window's clicks go through too; drawing uses
    // it scaled to the image's pixels.
    void set_mapping(const CanvasMapping& mapping);
    const CanvasMapping& mapping() const { return mapping_; }

    // Whoever takes the image may share it: the next drawing asks for its bits again.
    const QImage& image() const
    {
        bits_known_ = false;
        return image_;
    }
    double ratio() const { return ratio_; }
    QRgb background() const { return background_; }

    // Called whenever something is drawn while nothing drawn is waiting to be taken, so that
    // a window asks for one repaint per burst of drawing, however it is drawn on.
    void on_drawn(std::function<void()> drawn) { dirty_.drawn = std::move(drawn); }
    // The area drawn on since the last call, in widget pixels, then forgets it.
    QRect take_dirty();

    // Commands as steps that can be undone. begin_change keeps the image as it is now (a
    // shared copy: the first drawing after it copies the pixels once); take_change gives the
    // pixels changed since, keeping their old values, and lets the kept image go. A change
    // taken after the image was resized or made finer is none: it no longer lines up.
    void begin_change();
    std::optional<PixelChange> take_change();
    // Swaps a change's pixels with the image's (undo or redo), to be repainted.
    void swap_change(PixelChange& change);
    // Changes whenever the image is resized, made finer or remapped: pixels kept before then
    // no longer line up with where the figure's points land.
    std::uint64_t epoch() const { return epoch_; }
    // The current drawing colour.
    Colour colour() const { return colour_; }

    void clear() override;
    void set_colour(Colour colour) override;
    void dot(float x, float y) override;
    void line(float x1, float y1, float x2, float y2) override;
    void lines(std::span<const Segment> segments) override;
    void coloured_lines(std::span<const Segment> segments, std::span<const ColourRun> runs) override;
    void lines_each_coloured(std::span<const Segment> segments,
                             std::span<const Colour> colours) override;
    std::optional<int> draw_copies(const TurnedCopies& copies, const CopiesProgress& progress) override;

private:
    // The area drawn on since it was last taken, in image pixels. Dots and single strings
    // leave theirs in the retained raster instead, taken with the rest.
    struct DirtyArea {
        Raster::Box box;
        bool waiting = false; // drawn on since last taken
        std::function<void()> drawn;

        void unite(const Raster::Box& other)
        {
            if (other.empty())
                return;
            box.unite(other);
            wake();
        }
        void wake()
        {
            if (waiting)
                return;
            waiting = true;
            if (drawn)
                drawn();
        }
    };

    // The retained raster, on the image's pixels as they are now.
    Raster& strokes();
    // After the retained raster drew.
    void note_strokes();
    Raster::Box take_area();
    // Works out again what drawing takes from the image and the mapping: done when either
    // changes, not per string.
    void refresh();

    QImage image_;
    double ratio_ = 1;
    QRgb background_;
    WorkerPool& pool_;
    std::optional<double> parallel_from_;
    CanvasMapping mapping_;
    CanvasMapping device_mapping_; // mapping_ in the image's pixels
    AffineMap affine_{};           // device_mapping_ as the raster takes it
    int width_ = 0, height_ = 0, stride_ = 0;
    QRgb pixel_colour_ = 0;
    Colour colour_ = 0;
    std::uint64_t epoch_ = 0;
    std::uint64_t before_epoch_ = 0;
    QImage before_;  // the image at begin_change, while a step is open
    Raster::Box touched_; // drawn on since begin_change and already taken for repainting
    DirtyArea dirty_;
    Raster raster_{nullptr, 0, 0, 0};
    // Whether raster_ draws on image_.bits() as it is now. Asked again after the area is
    // taken (a repaint follows, and bits() marks the image changed for it), whenever the
    // image may have been replaced, and while a copy shares it; not per dot. A copy of the
    // whole asks for its own.
    struct Asked {
        bool known = false;
        Asked() = default;
        Asked(const Asked&) {}
        Asked& operator=(const Asked&)
        {
            known = false;
            return *this;
        }
        operator bool() const { return known; }
        Asked& operator=(bool now)
        {
            known = now;
            return *this;
        }
    };
    mutable Asked bits_known_;
};
