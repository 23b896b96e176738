#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace text_detail {

// "000001002...999": three digits for every number below 1000.
constexpr std::array<char, 3000> three_digits()
{
    std::array<char, 3000> table{};
    for (int i = 0; i < 1000; ++i) {
        table[std::size_t(3 * i)] = char('0' + i / 100);
        table[std::size_t(3 * i + 1)] = char('0' + i / 10 % 10);
        table[std::size_t(3 * i + 2)] = char('0' + i % 10);
    }
    return table;
}
inline constexpr std::array<char, 3000> kThreeDigits = three_digits();

} // namespace text_detail

// Text built straight into a buffer that is handed on (to a file, or to a compressor) each
// time it fills, so memory stays flat however long the text grows. Numbers are written in
// plain decimal, rounded to 1/1000, as whole numbers of thousandths: no floating-point
// printer in the per-string path.
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

    // `value` rounded to 1/1000, halves to even, in plain decimal with trailing zeros
    // dropped: 12.5, -0.001, 7. Needs kMaxNumber bytes at `p`; returns the end.
    static char* put_number(char* p, double value)
    {
        const double thousandths = value * 1000;
        if (!(std::fabs(thousandths) < 0x1p51))
            return put_large(p, value); // huge, or not a number at all
        // Adding 1.5 * 2^52 rounds to a whole number in the current (nearest, even) mode.
        constexpr double kShift = 6755399441055744.0;
        std::int64_t n = static_cast<std::int64_t>((thousandths + kShift) - kShift);
        if (n < 0) {
            *p++ = '-';
            n = -n;
        }
        p = put_whole(p, std::uint64_t(n) / 1000);
        const unsigned fraction = unsigned(std::uint64_t(n) % 1000);
        if (fraction != 0) {
            *p++ = '.';
            const char* digits = kThreeDigits + 3 * fraction;
            p[0] = digits[0];
            p[1] = digits[1];
            p[2] = digits[2];
            p += fraction % 100 == 0 ? 1 : fraction % 10 == 0 ? 2 : 3;
        }
        return p;
    }

    static char* put_whole(char* p, std::uint64_t v)
    {
        if (v < 10) {
            *p = char('0' + v);
            return p + 1;
        }
        if (v < 1000) {
            const char* digits = kThreeDigits + 3 * v;
            const int skip = v < 100 ? 1 : 0;
            for (int i = skip; i < 3; ++i)
                *p++ = digits[i];
            return p;
        }
        char reversed[20];
        int count = 0;
        while (v >= 1000) {
            const char* digits = kThreeDigits + 3 * (v % 1000);
            reversed[count++] = digits[2];
            reversed[count++] = digits[1];
            reversed[count++] = digits[0];
            v /= 1000;
        }
        p = put_whole(p, v);
        while (count > 0)
            *p++ = reversed[--count];
        return p;
    }

    // The same number as a string, for headers; `places` decimals at most (up to 6).
    static std::string decimal(double value, int places = 3);

private:
    static char* put_large(char* p, double value);
    static constexpr const char* kThreeDigits = text_detail::kThreeDigits.data();

    Drain drain_;
    std::unique_ptr<char[]> data_;
    std::size_t capacity_;
    std::size_t flush_at_;
    std::size_t used_ = 0;
    std::uint64_t drained_ = 0;
    bool ok_ = true;
};
