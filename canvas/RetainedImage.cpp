#include "canvas/RetainedImage.h"

#include "raster/BandedRaster.h"
#include "raster/CopiesRaster.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Images beyond this edge would not fit the raster's fixed-point arithmetic comfortably.
constexpr int kMaxImageEdge = 16384;

QRgb to_rgb(Colour c) { return qRgb(red_of(c), green_of(c), blue_of(c)); }

int device_pixels(double widget_pixels, double ratio)
{
    return std::clamp(int(std::ceil(widget_pixels * ratio)), 1, kMaxImageEdge);
}

// The pixels of a grid `times` / `per` as fine as the box's own that cover the box; every
// conversion between widget and device pixels goes through here.
Raster::Box covering(const Raster::Box& box, double times, double per)
{
    return {int(std::floor(box.left * times / per)), int(std::floor(box.top * times / per)),
            int(std::ceil((box.right + 1) * times / per)) - 1,
            int(std::ceil((box.bottom + 1) * times / per)) - 1};
}

} // namespace

RetainedImage::RetainedImage(QRgb background, WorkerPool& pool,
                             std::optional<double> parallel_from)
    : background_(background), pool_(pool), parallel_from_(parallel_from),
      mapping_({-1, 1, 1, -1}, 1, 1), device_mapping_(mapping_)
{
    refresh();
}

void RetainedImage::set_mapping(const CanvasMapping& mapping)
{
    mapping_ = mapping;
    ++epoch_;
    refresh();
}

void RetainedImage::refresh()
{
    device_mapping_ = mapping_.scaled(ratio_);
    affine_ = device_mapping_.affine();
    width_ = image_.width();
    height_ = image_.height();
    stride_ = int(image_.bytesPerLine() / 4);
    dirty_.box.unite(raster_.take_dirty());
    raster_ = Raster(nullptr, width_, height_, stride_);
    bits_known_ = false;
}

Raster& RetainedImage::strokes()
{
    if (!bits_known_ || !image_.isDetached()) {
        // bits() keeps the image from being written while shared.
        raster_.move_to(reinterpret_cast<std::uint32_t*>(image_.bits()));
        bits_known_ = true;
    }
    return raster_;
}

void RetainedImage::note_strokes()
{
    if (!dirty_.waiting && !raster_.untouched())
        dirty_.wake();
}

Raster::Box RetainedImage::take_area()
{
    Raster::Box box = dirty_.box;
    box.unite(raster_.take_dirty());
    dirty_.box = {};
    dirty_.waiting = false;
    if (!before_.isNull())
        touched_.unite(box);
    bits_known_ = false;
    return box;
}

void RetainedImage::fit(QSize client, double ratio)
{
    const bool finer = ratio > ratio_ || image_.isNull();
    const double new_ratio = finer ? ratio : ratio_;
    const double scale = new_ratio / ratio_;
    int w = device_pixels(client.width(), new_ratio);
    int h = device_pixels(client.height(), new_ratio);
    if (!image_.isNull()) {
        w = std::max(w, device_pixels(image_.width(), scale));
        h = std::max(h, device_pixels(image_.height(), scale));
    }
    if (w == image_.width() && h == image_.height() && new_ratio == ratio_)
        return;
    QImage grown(w, h, QImage::Format_RGB32);
    if (grown.isNull())
        return; // out of memory: keep drawing on the image we have
    grown.fill(background_);
    if (!image_.isNull()) {
        // Pixel for pixel, or each old pixel as a block of the finer ones.
        QImage old = image_;
        old.setDevicePixelRatio(1);
        QPainter painter(&grown);
        painter.drawImage(QRectF(0, 0, old.width() * scale, old.height() * scale), old);
    }
    grown.setDevicePixelRatio(new_ratio);
    image_ = std::move(grown);
    ratio_ = new_ratio;
    ++epoch_;
    refresh();
    if (!dirty_.box.empty() && scale != 1)
        dirty_.unite(covering(take_area(), scale, 1));
}

QRect RetainedImage::take_dirty()
{
    const Raster::Box box = take_area();
    if (box.empty())
        return {};
    // The common case, and the one a click's dot and fan take many times over: no divisions.
    const Raster::Box widget = ratio_ == 1 ? box : covering(box, 1, ratio_);
    return QRect(QPoint(widget.left, widget.top), QPoint(widget.right, widget.bottom));
}

void RetainedImage::clear()
{
    image_.fill(background_);
    dirty_.unite({0, 0, image_.width() - 1, image_.height() - 1});
}

void RetainedImage::set_colour(Colour colour)
{
    colour_ = colour;
    pixel_colour_ = to_rgb(colour);
}

void RetainedImage::begin_change()
{
    before_ = image_;
    before_epoch_ = epoch_;
    touched_ = {};
    bits_known_ = false; // the next drawing copies the pixels before it writes
}

std::optional<PixelChange> RetainedImage::take_change()
{
    // What is drawn stays to be repainted: the repaint takes it with the rest.
    const Raster::Box waiting = take_area();
    dirty_.unite(waiting);
    Raster::Box box = touched_;
    const QImage before = std::move(before_);
    before_ = QImage();
    touched_ = {};
    if (before.isNull() || epoch_ != before_epoch_ || before.size() != image_.size()
        || before.bytesPerLine() != image_.bytesPerLine())
        return std::nullopt;
    box.left = std::max(box.left, 0);
    box.top = std::max(box.top, 0);
    box.right = std::min(box.right, width_ - 1);
    box.bottom = std::min(box.bottom, height_ - 1);
    return PixelChange::between(reinterpret_cast<const std::uint32_t*>(before.constBits()),
                                reinterpret_cast<const std::uint32_t*>(image_.constBits()), stride_, box);
}

void RetainedImage::swap_change(PixelChange& change)
{
    dirty_.unite(change.swap(reinterpret_cast<std::uint32_t*>(image_.bits()), stride_));
    bits_known_ = false;
}

void RetainedImage::dot(float x, float y)
{
    const QPointF p = device_mapping_.to_pixel(x, y);
    strokes().set_pixel(p.x(), p.y(), pixel_colour_);
    note_strokes();
}

void RetainedImage::line(float x1, float y1, float x2, float y2)
{
    strokes().line(x1 * affine_.sx + affine_.ox, y1 * affine_.sy + affine_.oy,
                   x2 * affine_.sx + affine_.ox, y2 * affine_.sy + affine_.oy, pixel_colour_);
    note_strokes();
}

void RetainedImage::lines(std::span<const Segment> segments)
{
    strokes().lines(segments, affine_, pixel_colour_);
    note_strokes();
}

void RetainedImage::lines_each_coloured(std::span<const Segment> segments,
                                        std::span<const Colour> colours)
{
    const std::size_t n = std::min(segments.size(), colours.size());
    for (std::size_t at = 0, end; at < n; at = end) {
        for (end = at + 1; end < n && colours[end] == colours[at];)
            ++end;
        strokes().lines(segments.subspan(at, end - at), affine_, to_rgb(colours[at]));
    }
    if (n > 0)
        set_colour(colours[n - 1]);
    note_strokes();
}

void RetainedImage::coloured_lines(std::span<const Segment> segments,
                                   std::span<const ColourRun> runs)
{
    if (runs.empty())
        return;
    std::vector<BandedRaster::Run> pixel_runs;
    pixel_runs.reserve(runs.size());
    for (const ColourRun& r : runs)
        pixel_runs.push_back({to_rgb(r.colour), r.count});
    BandedRaster banded(reinterpret_cast<std::uint32_t*>(image_.bits()), image_.width(),
                        image_.height(), int(image_.bytesPerLine() / 4), pool_, parallel_from_);
    banded.lines(segments, pixel_runs, affine_);
    dirty_.unite(banded.take_dirty());
    set_colour(runs.back().colour);
}

std::optional<int> RetainedImage::draw_copies(const TurnedCopies& copies,
                                              const CopiesProgress& progress)
{
    if (copies.runs.empty() || copies.turns.empty())
        return 0;
    std::vector<BandedRaster::Run> pixel_runs;
    pixel_runs.reserve(copies.runs.size());
    for (const ColourRun& r : copies.runs)
        pixel_runs.push_back({to_rgb(r.colour), r.count});
    const AffineMap map = affine_;
    const QSize size = image_.size();
    const qsizetype line = image_.bytesPerLine();
    auto bits = [&] { return reinterpret_cast<std::uint32_t*>(image_.bits()); };
    DrawJob overrides;
    overrides.parallel_from = parallel_from_;
    CopiesRaster drawing(bits(), size.width(), size.height(), int(line / 4), pool_, map,
                         {copies.strings, pixel_runs, copies.turns}, overrides);
    // Events run inside progress: an image resized or remapped under the drawing ends it
    // there, with whole copies drawn.
    auto may_go_on = [&] {
        if (progress && !progress(drawing.drawn(), drawing.total()))
            return false;
        const AffineMap now = affine_;
        return image_.size() == size && image_.bytesPerLine() == line && now.sx == map.sx
               && now.ox == map.ox && now.sy == map.sy && now.oy == map.oy;
    };
    while (!drawing.finished() && may_go_on()) {
        drawing.draw_piece(bits());
        dirty_.unite(drawing.take_dirty());
    }
    if (drawing.drawn() > 0)
        set_colour(copies.runs.back().colour);
    return drawing.drawn();
}
