#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace text_detail {

// For every number below 1000: its digits, left-aligned in four bytes, and their count; and
// as a fraction of thousandths, "." and its digits without trailing zeros, and their count
// (none for 0). Four bytes are copied whatever the count, so no loop or branch per digit.
struct Digits {
    std::array<char, 4000> whole{};
    std::array<unsigned char, 1000> whole_length{};
    std::array<char, 4000> fraction{};
    std::array<unsigned char, 1000> fraction_length{};
};

constexpr Digits make_digits()
{
    Digits d;
    for (int i = 0; i < 1000; ++i) {
        const char digits[3] = {char('0' + i / 100), char('0' + i / 10 % 10), char('0' + i % 10)};
        const int length = i >= 100 ? 3 : i >= 10 ? 2 : 1;
        for (int k = 0; k < length; ++k)
            d.whole[std::size_t(4 * i + k)] = digits[3 - length + k];
        d.whole_length[std::size_t(i)] = static_cast<unsigned char>(length);
        d.fraction[std::size_t(4 * i)] = '.';
        for (int k = 0; k < 3; ++k)
            d.fraction[std::size_t(4 * i + 1 + k)] = digits[k];
        const int places = i == 0 ? 0 : i % 100 == 0 ? 1 : i % 10 == 0 ? 2 : 3;
        d.fraction_length[std::size_t(i)] = static_cast<unsigned char>(places == 0 ? 0 : places + 1);
    }
    return d;
}
inline constexpr Digits kDigits = make_digits();

} // namespace text_detail

// Text built straight into a buffer that is handed on (to a file, or to a compressor) each
// time it fills, so memory stays flat however long the text grows. Numbers are written in
// plain decimal, rounded to 1/1000, as whole numbers of thousandths: no floating-point
// printer in the per-string path, but for the few numbers next to a half.
class TextBuffer {
public:
    // Takes a full buffer; false when it can take no more.
    using Drain = std::function<bool(const char* data, std::size_t size)>;

    static constexpr std::size_t kSize = std::size_t(1) << 20;
    // The most a number can take: a double's 309 integer digits, the sign, the fraction.
    static constexpr std::size_t kMaxNumber = 320;

    // The buffer is handed on once it holds `flush_at` bytes or more.
    explicit TextBuffer(Drain drain, std::size_t flush_at = kSize);
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    // Room for `bytes` more, at the returned place; end() tells how much was used.
    char* reserve(std::size_t bytes)
    {
        if (capacity_ - used_ < bytes || used_ >= flush_at_)
            flush();
        return data_.get() + used_;
    }
    void end(char* at) { used_ = std::size_t(at - data_.get()); }

    void text(std::string_view s);
    void number(double value) { end(put_number(reserve(kMaxNumber), value)); }

    // Hands on what is buffered. False once the drain has refused anything.
    bool flush();
    bool ok() const { return ok_; }
    std::uint64_t total() const { return drained_ + used_; } // bytes written so far

    // `value` rounded to 1/1000 as printf("%.3f") rounds it: the double's exact value, halves
    // to even; in plain decimal with trailing zeros dropped: 12.5, -0.001, 7. Needs kMaxNumber
    // bytes at `p`; returns the end.
    static char* put_number(char* p, double value)
    {
        const double thousandths = value * 1000;
        // Adding 1.5 * 2^52 rounds to a whole number in the current (nearest, even) mode.
        constexpr double kShift = 6755399441055744.0;
        const double n = (thousandths + kShift) - kShift;
        // The product is off the exact value by at most 2^-21 below 2^32: unless it lies that
        // close to a half, its nearest whole number is the exact value's. The rest, and
        // anything huge or not a number, take the exact printer.
        if (!(std::fabs(thousandths) < 0x1p32) || !(std::fabs(thousandths - n) < 0.4999)) [[unlikely]]
            return put_exact(p, value);
        const std::int64_t whole = static_cast<std::int64_t>(n);
        *p = '-';
        p += whole < 0;
        const std::uint64_t size = std::uint64_t(whole < 0 ? -whole : whole);
        if (size >= 1000000) [[unlikely]]
            return put_large(p, size);
        return put_fraction(put_small(p, unsigned(size) / 1000), unsigned(size) % 1000);
    }

    static char* put_whole(char* p, std::uint64_t v)
    {
        if (v < 1000)
            return put_small(p, unsigned(v));
        char reversed[24];
        int count = 0;
        while (v >= 1000) {
            const char* three = text_detail::kDigits.fraction.data() + 4 * (v % 1000) + 1;
            reversed[count++] = three[2];
            reversed[count++] = three[1];
            reversed[count++] = three[0];
            v /= 1000;
        }
        p = put_small(p, unsigned(v));
        while (count > 0)
            *p++ = reversed[--count];
        return p;
    }

    // The same number as a string, for headers; `places` decimals at most (up to 6).
    static std::string decimal(double value, int places = 3);

private:
    static char* put_exact(char* p, double value);
    // Thousandths of a million or more, out of line so the common path needs few registers.
    static char* put_large(char* p, std::uint64_t thousandths);
    // A finite value to `places` decimals, trailing zeros dropped.
    static char* put_exact_places(char* p, double value, int places);
    // A number below 1000.
    static char* put_small(char* p, unsigned v)
    {
        std::memcpy(p, text_detail::kDigits.whole.data() + 4 * v, 4);
        return p + text_detail::kDigits.whole_length[v];
    }
    // Thousandths below 1000, with their point when there are any.
    static char* put_fraction(char* p, unsigned thousandths)
    {
        std::memcpy(p, text_detail::kDigits.fraction.data() + 4 * thousandths, 4);
        return p + text_detail::kDigits.fraction_length[thousandths];
    }

    Drain drain_;
    std::unique_ptr<char[]> data_;
    std::size_t capacity_;
    std::size_t flush_at_;
    std::size_t used_ = 0;
    std::uint64_t drained_ = 0;
    bool ok_ = true;
};
