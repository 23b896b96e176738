#include "export/WmfStringSink.h"

#include "export/WmfWriter.h"

#include <cfloat>
#include <cmath>

static_assert(FLT_EVAL_METHOD == 0, "the rounding below needs plain double arithmetic");

namespace {

// Nearest whole number, halves to even, as std::nearbyint gives in the default rounding
// mode, when it fits 16 bits. Near 1.5 * 2^52 a double has no fraction bits, so adding it
// rounds in the current mode, and taking it away is exact: no library call per coordinate.
// Holds below 2^51, hence the range check first, which NaN fails too.
bool to_coordinate(double value, int& out)
{
    constexpr double kShift = 6755399441055744.0;
    if (!(std::fabs(value) < 65536.0))
        return false;
    const double rounded = (value + kShift) - kShift;
    if (!(rounded >= -32768.0 && rounded <= 32767.0))
        return false;
    out = static_cast<int>(rounded);
    return true;
}

// The end point's y has always passed through single precision on its way to the file;
// keep it, or files change by a unit here and there. Large values are turned away before
// the narrowing, which is undefined beyond float's range.
bool to_coordinate_via_float(double value, int& out)
{
    if (!(std::fabs(value) < 65536.0))
        return false;
    return to_coordinate(static_cast<double>(static_cast<float>(value)), out);
}

} // namespace

WmfStringSink::WmfStringSink(WmfWriter& wmf, Colour first_pen)
    : wmf_(wmf), pen_(wmf.create_pen(first_pen))
{
    wmf_.select_object(pen_);
}

void WmfStringSink::pen(Colour colour)
{
    wmf_.delete_object(pen_);
    pen_ = wmf_.create_pen(colour);
    wmf_.select_object(pen_);
}

bool WmfStringSink::strings(std::span<const ReplayedString> batch)
{
    long long written = 0; // counted here: the writer's stores could alias a member
    bool fits = true;
    for (const ReplayedString& s : batch) {
        int x1, y1, x2, y2;
        if (!to_coordinate(s.x1, x1) || !to_coordinate(s.y1, y1) || !to_coordinate(s.x2, x2)
            || !to_coordinate_via_float(s.y2, y2)) {
            fits = false;
            break;
        }
        wmf_.line(x1, y1, x2, y2);
        ++written;
    }
    written_ += written;
    if (!fits) {
        out_of_range_ = true;
        return false;
    }
    // Checked per batch: once the disk is full there is no point replaying the rest.
    return wmf_.ok();
}

void WmfStringSink::release_pen()
{
    wmf_.delete_object(pen_);
}
