#include "core/NumberText.h"

#include <charconv>
#include <algorithm>
#include <cmath>
#include <string>

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Checks the grammar by hand: from_chars alone would also take "inf", "nan" and hex.
bool has_number_shape(std::string_view s)
{
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < s.size() && is_digit(s[i])) {
        ++i;
        ++digits;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && is_digit(s[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        std::size_t exponent_digits = 0;
        while (i < s.size() && is_digit(s[i])) {
            ++i;
            ++exponent_digits;
        }
        if (exponent_digits == 0)
            return false;
    }
    return i == s.size();
}

// Roughly log10 of a well-shaped, unsigned-or-signed number; only its sign matters here.
long long decimal_order(std::string_view s)
{
    std::size_t i = (s.front() == '-' || s.front() == '+') ? 1 : 0;
    long long order = 0;
    bool seen_nonzero = false;
    bool after_point = false;
    for (; i < s.size() && s[i] != 'e' && s[i] != 'E'; ++i) {
        if (s[i] == '.') {
            after_point = true;
        } else if (!seen_nonzero) {
            if (s[i] != '0')
                seen_nonzero = true;
            if (after_point)
                --order;
            else if (seen_nonzero)
                ++order;
        } else if (!after_point) {
            ++order;
        }
    }
    long long exponent = 0;
    if (i < s.size()) {
        ++i;
        const bool negative = s[i] == '-';
        if (s[i] == '-' || s[i] == '+')
            ++i;
        for (; i < s.size(); ++i)
            exponent = std::min(exponent * 10 + (s[i] - '0'), 1LL << 40);
        if (negative)
            exponent = -exponent;
    }
    return order + exponent;
}

} // namespace

std::optional<double> numeric_value(std::string_view text)
{
    while (!text.empty() && is_blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back()))
        text.remove_suffix(1);
    if (!has_number_shape(text))
        return std::nullopt;
    if (text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Beyond double: tiny magnitudes are zero, huge ones have no usable value.
        if (decimal_order(text) > 0)
            return std::nullopt;
        return text.front() == '-' ? -0.0 : 0.0;
    }
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<std::int16_t> round_to_int16(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value); // the default mode rounds halves to even
    if (rounded < INT16_MIN || rounded > INT16_MAX)
        return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

std::optional<std::int16_t> text_to_int16(std::string_view text)
{
    const std::optional<double> value = numeric_value(text);
    if (!value)
        return std::nullopt;
    return round_to_int16(*value);
}
