#pragma once

#include "core/DrawingSink.h"
#include "core/Replay.h"
#include "export/FigureFrame.h"
#include "raster/BandedRaster.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class Output;
class WorkerPool;

// Draws the replay into an image with the canvas's own line drawing, on the worker pool,
// and writes it as an 8-bit RGB PNG. The image is the only thing held: strings go to the
// pixels a batch at a time. Drawn at 96 times `pixel_ratio` dots per inch (as many as the
// canvas image has), strings one pixel wide, y turned downward.
class PngWriter final : public StringSink {
public:
    // The largest image drawn: 16384 pixels a side, 256 MB of pixels in memory.
    static constexpr int kMaxSide = 16384;
    static constexpr double kMaxBytes = 256.0 * 1024 * 1024;

    PngWriter(const FigureFrame& frame, double pixel_ratio, WorkerPool& pool);
    ~PngWriter() override;

    // Pixels across and down for a picture of the given inches: at least one each way.
    static int pixels(double inches, double pixel_ratio);
    // Whether a picture of that many inches can be drawn.
    static bool fits(double width, double height, double pixel_ratio);

    void pen(Colour colour) override;
    bool strings(std::span<const ReplayedString> batch) override;

    // All the copies at once, drawn as the canvas draws them (last first where it pays).
    // Asks `progress` between pieces; returns the copies drawn, all of them unless stopped.
    int draw_copies(const TurnedCopies& copies, const CopiesProgress& progress);

    // Draws what is left and writes the file, with the figure's `block` (when there is one) as
    // an uncompressed iTXt chunk before the image data. False if a write failed.
    bool finish(Output& out, std::string_view block = {});

    int width() const { return width_; }
    int height() const { return height_; }
    // Logical units to the image's pixels.
    const Raster::Map& map() const { return map_; }

private:
    void draw();

    double pixel_ratio_;
    double dots_per_inch_; // what pHYs records
    int width_, height_;
    WorkerPool& pool_;
    std::vector<std::uint32_t> pixels_;
    std::unique_ptr<BandedRaster> raster_;
    Raster::Map map_;
    std::vector<Segment> segments_;
    std::vector<BandedRaster::Run> runs_;
    std::uint32_t colour_ = 0;
};
