#include "export/PngWriter.h"

#include "export/Output.h"
#include "raster/CopiesRaster.h"
#include "raster/WorkerPool.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <png.h>

namespace {

constexpr double kDotsPerInch = 96;

// The pixel whose bytes in memory are red, green, blue and a filler that the PNG leaves out.
std::uint32_t pixel(Colour c)
{
    const unsigned char bytes[4] = {static_cast<unsigned char>(red_of(c)), static_cast<unsigned char>(green_of(c)),
                                    static_cast<unsigned char>(blue_of(c)), 0xFF};
    std::uint32_t p;
    std::memcpy(&p, bytes, 4);
    return p;
}

struct Writing {
    Output* out;
    bool failed;
};

void write_bytes(png_structp png, png_bytep data, png_size_t size)
{
    auto* w = static_cast<Writing*>(png_get_io_ptr(png));
    // A failed write is remembered, not thrown: libpng carries on and the caller reports it.
    if (!w->failed && !w->out->write(reinterpret_cast<const char*>(data), size))
        w->failed = true;
}

void flush_nothing(png_structp) {}

// Kept free of C++ objects with destructors: libpng's errors jump out of it.
bool encode(Writing& writing, const std::uint32_t* pixels, int width, int height, double dots_per_inch,
            const char* block, std::size_t block_size)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &writing, write_bytes, flush_nothing);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    const auto per_metre = png_uint_32(std::lround(dots_per_inch / 0.0254));
    png_set_pHYs(png, info, per_metre, per_metre, PNG_RESOLUTION_METER);
    if (block_size > 0) {
        static char keyword[] = "Tressik figure";
        png_text text{};
        text.compression = PNG_ITXT_COMPRESSION_NONE;
        text.key = keyword;
        text.text = const_cast<char*>(block); // copied, not changed
        png_set_text(png, info, &text, 1);
    }
    png_write_info(png, info);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (int y = 0; y < height; ++y)
        png_write_row(png, reinterpret_cast<png_const_bytep>(pixels + std::size_t(y) * std::size_t(width)));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

int PngWriter::pixels(double inches, double pixel_ratio)
{
    return int(std::max(1.0, std::min(std::round(inches * kDotsPerInch * pixel_ratio), 1e9)));
}

bool PngWriter::fits(double width, double height, double pixel_ratio)
{
    const double across = pixels(width, pixel_ratio), down = pixels(height, pixel_ratio);
    return across <= kMaxSide && down <= kMaxSide && across * down * 4 <= kMaxBytes;
}

PngWriter::PngWriter(const FigureFrame& frame, double pixel_ratio, WorkerPool& pool)
    : pixel_ratio_(pixel_ratio), dots_per_inch_(kDotsPerInch * pixel_ratio),
      width_(pixels(frame.width_inches(), pixel_ratio)),
      height_(pixels(frame.height_inches(), pixel_ratio)), pool_(pool),
      pixels_(std::size_t(width_) * std::size_t(height_), pixel(rgb(255, 255, 255)))
{
    if (frame.scale < 1) {
        // Scaled down to fit: fewer pixels, but the size in inches of the figure's own frame.
        FigureFrame own = frame;
        own.scale = 1;
        dots_per_inch_ = width_ / own.width_inches();
    }
    raster_ = std::make_unique<BandedRaster>(pixels_.data(), width_, height_, width_, pool);
    // Pixel centres sit at whole coordinates: the image's middle is at (width - 1) / 2.
    const double per_unit = kDotsPerInch * pixel_ratio / FigureFrame::kUnitsPerInch * frame.scale;
    map_ = {per_unit, (width_ - 1) / 2.0 - frame.centre_x() * per_unit, -per_unit,
            (height_ - 1) / 2.0 + frame.centre_y() * per_unit};
}

PngWriter::~PngWriter() = default;

void PngWriter::pen(Colour colour) { colour_ = pixel(colour); }

bool PngWriter::strings(std::span<const ReplayedString> batch)
{
    for (const ReplayedString& s : batch) {
        if (!finite_string(s))
            continue;
        if (runs_.empty() || runs_.back().colour != colour_)
            runs_.push_back({colour_, 0});
        ++runs_.back().count;
        segments_.push_back({float(s.x1), float(s.y1), float(s.x2), float(s.y2)});
    }
    // Batch by batch, as the canvas draws them: the raster splits a batch over the workers
    // when its strings are long enough to gain by it.
    draw();
    return true;
}

int PngWriter::draw_copies(const TurnedCopies& copies, const CopiesProgress& progress)
{
    draw();
    std::vector<BandedRaster::Run> runs;
    for (const ColourRun& r : copies.runs)
        runs.push_back({pixel(r.colour), r.count});
    CopiesRaster drawing(pixels_.data(), width_, height_, width_, pool_, map_,
                         {copies.strings, runs, copies.turns});
    while (!drawing.finished() && (!progress || progress(drawing.drawn(), drawing.total())))
        drawing.draw_piece(pixels_.data());
    return drawing.drawn();
}

void PngWriter::draw()
{
    if (!segments_.empty())
        raster_->lines(segments_, runs_, map_);
    segments_.clear();
    runs_.clear();
}

bool PngWriter::finish(Output& out, std::string_view block)
{
    draw();
    Writing writing{&out, false};
    const std::string text(block); // libpng measures the text to its terminating zero
    const bool encoded = encode(writing, pixels_.data(), width_, height_, dots_per_inch_, text.c_str(), text.size());
    return encoded && !writing.failed;
}
