#include "export/WmfWriter.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::uint16_t kCreatePenIndirect = 0x02FA;
constexpr std::uint16_t kSelectObject = 0x012D;
constexpr std::uint16_t kDeleteObject = 0x01F0;
constexpr std::uint16_t kEndOfFile = 0x0000;
constexpr std::uint16_t kSetMapMode = 0x0103;
constexpr std::uint16_t kSetWindowOrg = 0x020B;
constexpr std::uint16_t kSetWindowExt = 0x020C;

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::uint16_t kAnisotropic = 8; // logical units map onto the frame as the window says

constexpr std::uint32_t kCreatePenWords = 8;
constexpr std::uint32_t kObjectRecordWords = 4;
constexpr std::uint32_t kEndOfFileWords = 3;
constexpr std::uint32_t kMapModeWords = 4;
constexpr std::uint32_t kWindowWords = 5;

std::uint16_t word(int v) { return static_cast<std::uint16_t>(v); }

} // namespace

WmfWriter::WmfWriter(Output& out)
    : out_(out), buffer_(std::make_unique_for_overwrite<char[]>(kBufferSize))
{
    framing(buffer_.get());
    used_ = kFramingBytes;
    note_record(kMapModeWords);
    note_record(kWindowWords);
}

void WmfWriter::framing(char* p) const
{
    // An empty figure, or one on a line, still needs an extent readers can divide by.
    // Here y grows upward: the box's least y is the figure's bottom edge.
    int left = 0, right = 1, bottom = 0, top = 1;
    if (!box_.empty()) {
        left = std::clamp(box_.left, -kLimit, kLimit);
        right = std::max(std::clamp(box_.right, -kLimit, kLimit), left + 1);
        bottom = std::clamp(box_.top, -kLimit, kLimit);
        top = std::max(std::clamp(box_.bottom, -kLimit, kLimit), bottom + 1);
    }

    // Placeable header: the box with y turned over, as readers expect y to grow downward.
    put32(p, kPlaceableKey);
    put16(p + 4, 0); // handle
    put16(p + 6, word(left));
    put16(p + 8, word(-top));
    put16(p + 10, word(right));
    put16(p + 12, word(-bottom));
    put16(p + 14, kUnitsPerInch);
    put32(p + 16, 0); // reserved
    std::uint16_t checksum = 0;
    for (int i = 0; i < 10; ++i)
        checksum ^= static_cast<std::uint16_t>(static_cast<unsigned char>(p[2 * i])
                                               | static_cast<unsigned char>(p[2 * i + 1]) << 8);
    put16(p + 20, checksum);

    // The metafile proper starts after the placeable header; its size excludes it.
    char* h = p + kPlaceableBytes;
    const std::uint64_t words = (flushed_ + used_ - kPlaceableBytes) / 2;
    put16(h, 1);          // mtType: on disk
    put16(h + 2, 9);      // mtHeaderSize
    put16(h + 4, 0x0300); // mtVersion
    put32(h + 6, static_cast<std::uint32_t>(words));
    put16(h + 10, static_cast<std::uint16_t>(peak_alive_));
    put32(h + 12, max_record_);
    put16(h + 16, 0); // mtNoParameters

    // The window's origin is the box's top left corner and its y extent is negative: y grows
    // upward, as on the canvas. Parameters go in reverse order, y before x.
    char* r = h + kHeaderBytes;
    put32(r, kMapModeWords);
    put16(r + 4, kSetMapMode);
    put16(r + 6, kAnisotropic);
    r += kMapModeWords * 2;
    put32(r, kWindowWords);
    put16(r + 4, kSetWindowOrg);
    put16(r + 6, word(top));
    put16(r + 8, word(left));
    r += kWindowWords * 2;
    put32(r, kWindowWords);
    put16(r + 4, kSetWindowExt);
    put16(r + 6, word(-(top - bottom)));
    put16(r + 8, word(right - left));
}

void WmfWriter::note_record(std::uint32_t words)
{
    max_record_ = std::max(max_record_, words);
}

int WmfWriter::create_pen(Colour colour)
{
    const auto free_slot = std::find(in_use_.begin(), in_use_.end(), false);
    const int index = static_cast<int>(free_slot - in_use_.begin());
    if (free_slot == in_use_.end())
        in_use_.push_back(true);
    else
        *free_slot = true;
    peak_alive_ = std::max(peak_alive_, ++alive_);

    char* p = reserve(kCreatePenWords * 2);
    put32(p, kCreatePenWords);
    put16(p + 4, kCreatePenIndirect);
    put16(p + 6, 0);  // solid
    put16(p + 8, 1);  // width, as a point: x is the width, y unused
    put16(p + 10, 0);
    // COLORREF: red, green, blue, 0 in byte order.
    const auto c = static_cast<std::uint32_t>(colour) & 0xFFFFFF;
    put16(p + 12, static_cast<std::uint16_t>(c & 0xFFFF));
    put16(p + 14, static_cast<std::uint16_t>(c >> 16));
    used_ += kCreatePenWords * 2;
    note_record(kCreatePenWords);
    return index;
}

void WmfWriter::object_record(std::uint16_t function, int index)
{
    char* p = reserve(kObjectRecordWords * 2);
    put32(p, kObjectRecordWords);
    put16(p + 4, function);
    put16(p + 6, static_cast<std::uint16_t>(index));
    used_ += kObjectRecordWords * 2;
    note_record(kObjectRecordWords);
}

void WmfWriter::select_object(int index)
{
    object_record(kSelectObject, index);
}

void WmfWriter::delete_object(int index)
{
    object_record(kDeleteObject, index);
    if (index >= 0 && static_cast<std::size_t>(index) < in_use_.size() && in_use_[index]) {
        in_use_[index] = false;
        --alive_;
    }
}

void WmfWriter::flush()
{
    // After a failure the file is lost anyway; keep discarding so memory stays flat.
    if (used_ != 0 && !failed_) {
        if (out_.write(buffer_.get(), used_))
            flushed_ += used_;
        else
            failed_ = true;
    }
    used_ = 0;
}

bool WmfWriter::finish()
{
    if (finished_)
        return ok();
    finished_ = true;

    char* p = reserve(kEndOfFileWords * 2);
    put32(p, kEndOfFileWords);
    put16(p + 4, kEndOfFile);
    used_ += kEndOfFileWords * 2;
    note_record(kEndOfFileWords);
    flush();

    // mtSize has 32 bits; a file beyond it cannot be described.
    if (!failed_ && (flushed_ - kPlaceableBytes) / 2 > std::numeric_limits<std::uint32_t>::max())
        failed_ = true;
    if (failed_)
        return false;
    char bytes[kFramingBytes];
    framing(bytes);
    if (!out_.overwrite(0, bytes, kFramingBytes))
        failed_ = true;
    return ok();
}
