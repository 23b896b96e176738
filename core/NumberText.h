#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The one reader of numbers typed into boxes. A numeric text is an optional sign, decimal
// digits with an optional fraction and an optional exponent, with blanks allowed around it:
// "12", " -7.5 ", ".5", "3.", "1e3". The empty text, "inf", "0x10" and "1,5" are not numeric.

// The value of a numeric text, or nothing when the text is not numeric (or beyond double).
std::optional<double> numeric_value(std::string_view text);

// A value rounded to the nearest whole number, halves to the even neighbour, when the
// result fits a signed 16-bit integer.
std::optional<std::int16_t> round_to_int16(double value);

// numeric_value followed by round_to_int16: "7.5" gives 8, "6.5" gives 6, "40000" nothing.
std::optional<std::int16_t> text_to_int16(std::string_view text);
