#pragma once

#include <cstdint>
#include <optional>

// The hard limits of the drawing state. An operation that reaches one stops there;
// what it stored before stands, and the user is told which limit stopped it.
enum class Limit {
    TableFull,        // a 5002nd point
    NegativeIndex,    // a string would start before the first point
    DivisionByZero,   // points per side is 0
    Overflow,         // a count left the 16-bit range, or a turned point single precision
    BadCopies,        // the copies box holds no number in the 16-bit range
};

const char* describe(Limit limit);

// Counts and indices are 16-bit quantities; arithmetic on them is done wide and checked.
inline std::optional<std::int16_t> checked16(long long value)
{
    if (value < INT16_MIN || value > INT16_MAX)
        return std::nullopt;
    return static_cast<std::int16_t>(value);
}
