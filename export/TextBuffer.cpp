#include "export/TextBuffer.h"

#include <algorithm>
#include <charconv>
#include <cstring>

TextBuffer::TextBuffer(Drain drain, std::size_t flush_at)
    : drain_(std::move(drain)), data_(new char[kSize + kMaxNumber * 8]), capacity_(kSize + kMaxNumber * 8),
      flush_at_(std::min(flush_at, kSize))
{
}

void TextBuffer::text(std::string_view s)
{
    while (!s.empty()) {
        char* p = reserve(std::min(s.size(), kSize));
        const std::size_t n = std::min(s.size(), capacity_ - used_);
        std::memcpy(p, s.data(), n);
        end(p + n);
        s.remove_prefix(n);
    }
}

bool TextBuffer::flush()
{
    if (used_ > 0 && ok_)
        ok_ = drain_(data_.get(), used_);
    drained_ += used_;
    used_ = 0;
    return ok_;
}

char* TextBuffer::put_large(char* p, double value)
{
    // Beyond 2^51 thousandths a double has no fraction worth writing.
    const auto [end, ec] = std::to_chars(p, p + kMaxNumber, std::isfinite(value) ? value : 0.0,
                                         std::chars_format::fixed, 0);
    return ec == std::errc() ? end : p;
}

std::string TextBuffer::decimal(double value, int places)
{
    char buffer[kMaxNumber + 8];
    const double scale = std::pow(10.0, places);
    const double rounded = std::nearbyint(value * scale) / scale;
    if (!(std::fabs(value * scale) < 0x1p51))
        return std::string(buffer, put_large(buffer, value));
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, rounded == 0 ? 0.0 : rounded,
                                         std::chars_format::fixed, places);
    std::string text(buffer, ec == std::errc() ? end : buffer);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    return text;
}
