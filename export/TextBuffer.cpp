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

char* TextBuffer::put_large(char* p, std::uint64_t thousandths)
{
    return put_fraction(put_whole(p, thousandths / 1000), unsigned(thousandths % 1000));
}

char* TextBuffer::put_exact(char* p, double value)
{
    return put_exact_places(p, std::isfinite(value) ? value : 0.0, 3);
}

char* TextBuffer::put_exact_places(char* p, double value, int places)
{
    // to_chars rounds the double's exact value, halves to even, as printf does.
    char* const start = p;
    const auto [end, ec] = std::to_chars(p, p + kMaxNumber, value, std::chars_format::fixed, places);
    if (ec != std::errc())
        return p;
    char* last = end;
    if (places > 0) {
        while (last[-1] == '0')
            --last;
        if (last[-1] == '.')
            --last;
    }
    // A value that rounds to nought is written without its sign.
    if (*start == '-' && last == start + 2 && start[1] == '0') {
        *start = '0';
        return start + 1;
    }
    return last;
}

std::string TextBuffer::decimal(double value, int places)
{
    char buffer[kMaxNumber + 8];
    return std::string(buffer, put_exact_places(buffer, std::isfinite(value) ? value : 0.0, places));
}
