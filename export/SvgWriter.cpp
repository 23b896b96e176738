#include "export/SvgWriter.h"

#include "export/Output.h"

namespace {

std::string hex_colour(Colour c)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text = "#000000";
    const int parts[3] = {red_of(c), green_of(c), blue_of(c)};
    for (int i = 0; i < 3; ++i) {
        text[std::size_t(1 + 2 * i)] = kHex[parts[i] >> 4];
        text[std::size_t(2 + 2 * i)] = kHex[parts[i] & 15];
    }
    return text;
}

} // namespace

SvgWriter::SvgWriter(Output& out, const FigureFrame& frame, long long strings_per_path, std::string_view block)
    : text_([&out](const char* data, std::size_t size) { return out.write(data, size); }), runs_(strings_per_path)
{
    const auto n = [](double v) { return TextBuffer::decimal(v); };
    const std::string left = n(frame.left()), top = n(-(frame.bottom() + frame.height_units()));
    const std::string width = n(frame.width_units()), height = n(frame.height_units());
    text_.text("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\""
               + TextBuffer::decimal(frame.width_inches(), 6) + "in\" height=\""
               + TextBuffer::decimal(frame.height_inches(), 6) + "in\" viewBox=\"" + left + " " + top + " " + width
               + " " + height + "\">\n");
    // The block holds nothing XML gives a meaning to: its text is escaped where it could.
    if (!block.empty()) {
        text_.text("<metadata><tressik:figure xmlns:tressik=\"https://tressik.github.io/ns/figure\">\n");
        text_.text(block);
        text_.text("</tressik:figure></metadata>\n");
    }
    text_.text("<rect x=\"" + left + "\" y=\"" + top + "\" width=\"" + width + "\" height=\""
               + height + "\" fill=\"#ffffff\"/>\n<g fill=\"none\" stroke-width=\""
               + n(FigureFrame::kStringInches * FigureFrame::kUnitsPerInch)
               + "\" stroke-linecap=\"round\" stroke-linejoin=\"round\">\n");
}

void SvgWriter::start_path()
{
    if (runs_.in_path > 0)
        text_.text("\"/>\n");
    text_.text("<path stroke=\"" + hex_colour(runs_.colour) + "\" d=\"");
}

bool SvgWriter::strings(std::span<const ReplayedString> batch)
{
    runs_.each_string(batch, [this] { start_path(); }, [this](const ReplayedString& s) {
        char* p = text_.reserve(4 * TextBuffer::kMaxNumber + 8);
        *p++ = 'M';
        p = TextBuffer::put_number(p, s.x1);
        *p++ = ' ';
        p = TextBuffer::put_number(p, -s.y1);
        *p++ = 'L';
        p = TextBuffer::put_number(p, s.x2);
        *p++ = ' ';
        p = TextBuffer::put_number(p, -s.y2);
        text_.end(p);
    });
    return text_.ok();
}

bool SvgWriter::finish()
{
    if (runs_.in_path > 0)
        text_.text("\"/>\n");
    text_.text("</g>\n</svg>\n");
    return text_.flush();
}
