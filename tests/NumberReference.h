#pragma once

// A deliberately plain second reader of numbers typed into boxes, for the tests: a regular
// expression decides what is a number, strtold in the "C" locale gives its value, and the
// rounding is done by hand. It shares nothing with core/NumberText.

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <locale.h>
#include <optional>
#include <regex>
#include <string>

namespace reference {

// Blanks, sign, digits with an optional fraction (at least one digit), exponent, blanks.
inline bool is_numeric(const std::string& text)
{
    static const std::regex grammar(R"([ \t]*[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?[ \t]*)");
    return std::regex_match(text, grammar);
}

// The nearest double to a numeric text; nothing for other texts and for values beyond double.
inline std::optional<double> value(const std::string& text)
{
    if (!is_numeric(text))
        return std::nullopt;
    // Its own "C" locale, whatever the process's locale says about the decimal point.
    static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    const std::size_t first = text.find_first_not_of(" \t");
    const std::string number = text.substr(first, text.find_last_not_of(" \t") + 1 - first);
    char* end = nullptr;
    const long double wide = strtold_l(number.c_str(), &end, c_locale);
    if (end != number.c_str() + number.size())
        return std::nullopt;
    if (std::isinf(wide))
        return std::nullopt;
    // Beyond DBL_MAX by half a unit in the last place or more, a double would be infinite.
    const long double overflow = static_cast<long double>(DBL_MAX) + std::ldexp(1.0L, 970);
    if (std::fabs(wide) >= overflow)
        return std::nullopt;
    if (std::fabs(wide) > static_cast<long double>(DBL_MAX))
        return wide < 0 ? -DBL_MAX : DBL_MAX;
    return static_cast<double>(wide);
}

// Nearest whole number, a half going to the even neighbour, if it fits 16 bits.
inline std::optional<std::int16_t> round_half_even(double v)
{
    if (!std::isfinite(v) || v < -40000.0 || v > 40000.0)
        return std::nullopt;
    const double whole = std::floor(v);
    const double rest = v - whole; // exact at these magnitudes
    long long n = static_cast<long long>(whole);
    if (rest > 0.5 || (rest == 0.5 && n % 2 != 0))
        ++n;
    if (n < -32768 || n > 32767)
        return std::nullopt;
    return static_cast<std::int16_t>(n);
}

inline std::optional<std::int16_t> to_int16(const std::string& text)
{
    const std::optional<double> v = value(text);
    if (!v)
        return std::nullopt;
    return round_half_even(*v);
}

} // namespace reference
