#include "core/Limit.h"

const char* describe(Limit limit)
{
    switch (limit) {
    case Limit::TableFull:
        return "The figure is full: it holds at most 5001 points.";
    case Limit::NegativeIndex:
        return "There are too few points for a fan of this many strings: the points per side "
               "reach back before the first point.";
    case Limit::DivisionByZero:
        return "The number of points per side is 0.";
    case Limit::Overflow:
        return "A number went beyond what the drawing can hold (counts run from -32768 to 32767).";
    case Limit::BadCopies:
        return "The copies box does not hold a number from -32768 to 32767 (fractions are rounded).";
    }
    return "A limit of the drawing was reached.";
}
