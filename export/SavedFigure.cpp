#include "export/SavedFigure.h"

#include "core/Module1.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

SavedFigure saved_figure(const Module1& state, std::string copies_text, std::int16_t copies,
                         const std::array<Colour, 8>& chips)
{
    SavedFigure figure;
    const int count = std::clamp(int(state.point_count), 0, Module1::kTableSize);
    figure.point_x.assign(state.point_x.begin(), state.point_x.begin() + count);
    figure.point_y.assign(state.point_y.begin(), state.point_y.begin() + count);
    figure.subdivs = state.subdivs;
    figure.side_open = state.side_open;
    figure.kaleidoscope_on = state.kaleidoscope_on;
    figure.copies_text = std::move(copies_text);
    figure.copies = copies;
    figure.palette = state.palette;
    figure.chips = chips;
    return figure;
}

void restore_state(const SavedFigure& figure, Module1& state)
{
    const std::size_t count =
        std::min({figure.point_x.size(), figure.point_y.size(), std::size_t(Module1::kTableSize)});
    state.point_x.fill(0);
    state.point_y.fill(0);
    std::copy_n(figure.point_x.begin(), count, state.point_x.begin());
    std::copy_n(figure.point_y.begin(), count, state.point_y.begin());
    state.point_count = std::int16_t(count);
    state.subdivs = figure.subdivs;
    state.side_open = figure.side_open;
    state.kaleidoscope_on = figure.kaleidoscope_on;
    state.palette = figure.palette;
}

namespace {

constexpr std::string_view kFirstWord = "tressik-figure";
constexpr char kHex[] = "0123456789ABCDEF", kLowerHex[] = "0123456789abcdef";

// Kept as %XX so that the text can stand in XML and in a PDF string as it is.
bool needs_escape(unsigned char c)
{
    return c < 0x20 || c > 0x7E || std::strchr("%<>&\"']", c) != nullptr;
}

void put_escaped(std::string& out, std::string_view text)
{
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (needs_escape(c)) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
}

// A colour outside 24 bits keeps its low 24.
void put_colours(std::string& out, const std::array<Colour, 8>& colours)
{
    for (const Colour colour : colours) {
        const std::uint32_t c = std::uint32_t(colour) & 0xFFFFFFu;
        out += " #";
        for (const std::uint32_t part : {c & 255, (c >> 8) & 255, c >> 16}) {
            out += kLowerHex[part >> 4];
            out += kLowerHex[part & 15];
        }
    }
}

// The shortest text that reads back to the same number.
template <typename Number>
void put_number(std::string& out, Number value)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The block's lines one by one, counted from 1.
class Lines {
public:
    explicit Lines(std::string_view text) : text_(text) {}

    bool next(std::string_view& line)
    {
        if (at_ >= text_.size())
            return false;
        const std::size_t end = std::min(text_.find('\n', at_), text_.size());
        line = text_.substr(at_, end - at_);
        at_ = end + 1;
        ++number_;
        return true;
    }
    int number() const { return number_; }

private:
    std::string_view text_;
    std::size_t at_ = 0;
    int number_ = 0;
};

// Why a line is refused; the parser stops at the first.
struct BlockRefusal {
    std::string cause;
};

class Parser {
public:
    explicit Parser(std::string_view text) : lines_(text) {}

    SavedFigure parse()
    {
        std::string_view line;
        if (!lines_.next(line) || !line.starts_with(kFirstWord) || line.size() == kFirstWord.size()
            || line[kFirstWord.size()] != ' ')
            throw BlockRefusal{"it is not a Tressik figure block"};
        const std::string_view version_text = line.substr(kFirstWord.size() + 1);
        long long version = 0;
        if (!whole_number(version_text, version) || version < 1)
            throw BlockRefusal{"it is not a Tressik figure block"};
        if (version > SavedFigure::kVersion)
            throw BlockRefusal{"it was made by a newer Tressik (figure format " + std::string(version_text)
                               + "; this one reads " + std::to_string(SavedFigure::kVersion) + ")"};

        SavedFigure figure;
        figure.subdivs = std::int16_t(small_number(item("subdivs")));
        figure.copies_text = unescaped(item("copies-box"));
        figure.copies = std::int16_t(small_number(item("copies")));
        figure.kaleidoscope_on = choice(item("kaleidoscope"), "on", "off");
        figure.side_open = choice(item("side-open"), "yes", "no");
        colours(item("palette"), figure.palette);
        colours(item("chips"), figure.chips);
        std::string_view value = item("pixel-ratio", "points");
        if (key_ == "pixel-ratio") {
            figure.pixel_ratio = decimal<double>(value);
            if (!(*figure.pixel_ratio > 0 && *figure.pixel_ratio < 1000))
                throw out_of_range();
            value = item("points");
        }
        long long count = 0;
        if (!whole_number(value, count))
            throw malformed();
        if (count > SavedFigure::kMaxPoints)
            throw BlockRefusal{"it has more than " + std::to_string(SavedFigure::kMaxPoints) + " points"};
        if (count < 0)
            throw out_of_range();
        figure.point_x.reserve(std::size_t(count));
        figure.point_y.reserve(std::size_t(count));
        for (long long i = 0; i < count; ++i) {
            if (!lines_.next(line) || line == "end")
                throw cut_short();
            const std::size_t space = line.find(' ');
            if (space == std::string_view::npos)
                throw malformed();
            figure.point_x.push_back(decimal<float>(line.substr(0, space)));
            figure.point_y.push_back(decimal<float>(line.substr(space + 1)));
        }
        if (!lines_.next(line))
            throw cut_short();
        if (line != "end")
            throw malformed();
        if (lines_.next(line))
            throw BlockRefusal{"line " + std::to_string(lines_.number()) + " of the figure block follows its end"};
        return figure;
    }

private:
    BlockRefusal cut_short() const { return {"the figure block is cut short"}; }
    BlockRefusal at_line(const std::string& what) const
    {
        return {"line " + std::to_string(lines_.number()) + " of the figure block " + what};
    }
    BlockRefusal malformed() const { return at_line("is malformed"); }
    BlockRefusal out_of_range() const { return at_line("holds a number out of range"); }

    // The value of the next line, which must give `key` (or `other`, when there is a choice).
    std::string_view item(std::string_view key, std::string_view other = {})
    {
        std::string_view line;
        if (!lines_.next(line) || line == "end")
            throw cut_short();
        const std::size_t space = line.find(' ');
        key_ = line.substr(0, space);
        if (key_ != key && (other.empty() || key_ != other)) {
            static constexpr std::string_view kKeys[] = {"subdivs", "copies-box", "copies", "kaleidoscope",
                                                         "side-open", "palette", "chips", "pixel-ratio", "points"};
            if (std::find(std::begin(kKeys), std::end(kKeys), key_) == std::end(kKeys))
                throw at_line("has an unknown item");
            throw at_line("gives " + std::string(key_) + " where " + std::string(key) + " belongs");
        }
        return space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    }

    // Decimal digits with an optional minus. Beyond a long long, the nearest end of its range,
    // which every range here refuses.
    static bool whole_number(std::string_view text, long long& value)
    {
        const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
        if (result.ptr != text.data() + text.size())
            return false;
        if (result.ec == std::errc::result_out_of_range)
            value = text.starts_with('-') ? std::numeric_limits<long long>::min() : std::numeric_limits<long long>::max();
        else if (result.ec != std::errc())
            return false;
        return true;
    }

    long long small_number(std::string_view text) const
    {
        long long value = 0;
        if (!whole_number(text, value))
            throw malformed();
        if (value < -32768 || value > 32767)
            throw out_of_range();
        return value;
    }

    template <typename Number>
    Number decimal(std::string_view text) const
    {
        Number value = 0;
        const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
        if (result.ec == std::errc::result_out_of_range)
            throw out_of_range(); // beyond the type's range, or so small that it would read as zero
        if (result.ec != std::errc() || result.ptr != text.data() + text.size())
            throw malformed();
        if (!std::isfinite(value))
            throw at_line("holds a number that is not finite");
        return value;
    }

    bool choice(std::string_view text, std::string_view yes, std::string_view no) const
    {
        if (text != yes && text != no)
            throw malformed();
        return text == yes;
    }

    void colours(std::string_view text, std::array<Colour, 8>& colours) const
    {
        if (text.size() != 8 * 8 - 1)
            throw malformed();
        for (std::size_t i = 0; i < 8; ++i) {
            const std::string_view c = text.substr(8 * i, 7);
            if (c[0] != '#' || (i < 7 && text[8 * i + 7] != ' '))
                throw malformed();
            int parts[3];
            for (int k = 0; k < 3; ++k) {
                const int high = hex_digit(c[std::size_t(1 + 2 * k)]), low = hex_digit(c[std::size_t(2 + 2 * k)]);
                if (high < 0 || low < 0)
                    throw malformed();
                parts[k] = 16 * high + low;
            }
            colours[i] = rgb(parts[0], parts[1], parts[2]);
        }
    }

    std::string unescaped(std::string_view text) const
    {
        std::string out;
        out.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            if (c != '%') {
                if (needs_escape(c))
                    throw malformed();
                out += text[i];
                continue;
            }
            const int high = i + 2 < text.size() ? hex_digit(text[i + 1]) : -1;
            const int low = high >= 0 ? hex_digit(text[i + 2]) : -1;
            if (low < 0)
                throw malformed();
            out += char(16 * high + low);
            i += 2;
        }
        return out;
    }

    Lines lines_;
    std::string_view key_; // of the last item read
};

} // namespace

std::string figure_block(const SavedFigure& figure)
{
    std::string out;
    const std::size_t count = std::min(figure.point_x.size(), figure.point_y.size());
    out.reserve(256 + figure.copies_text.size() * 3 + count * 24);
    out += kFirstWord;
    out += ' ';
    put_number(out, SavedFigure::kVersion);
    out += "\nsubdivs ";
    put_number(out, figure.subdivs);
    out += "\ncopies-box ";
    put_escaped(out, figure.copies_text);
    out += "\ncopies ";
    put_number(out, figure.copies);
    out += figure.kaleidoscope_on ? "\nkaleidoscope on" : "\nkaleidoscope off";
    out += figure.side_open ? "\nside-open yes" : "\nside-open no";
    out += "\npalette";
    put_colours(out, figure.palette);
    out += "\nchips";
    put_colours(out, figure.chips);
    if (figure.pixel_ratio) {
        out += "\npixel-ratio ";
        put_number(out, *figure.pixel_ratio);
    }
    out += "\npoints ";
    put_number(out, count);
    out += '\n';
    for (std::size_t i = 0; i < count; ++i) {
        put_number(out, figure.point_x[i]);
        out += ' ';
        put_number(out, figure.point_y[i]);
        out += '\n';
    }
    out += "end\n";
    return out;
}

BlockReading parse_figure_block(std::string_view text)
{
    BlockReading reading;
    if (text.size() > SavedFigure::kMaxBlockBytes) {
        reading.cause = "the figure block is larger than " + std::to_string(SavedFigure::kMaxBlockBytes / 1024) + " KB";
        return reading;
    }
    try {
        reading.figure = Parser(text).parse();
    } catch (const BlockRefusal& refusal) {
        reading.cause = refusal.cause;
    }
    return reading;
}
