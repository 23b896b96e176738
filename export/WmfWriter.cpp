#include "export/WmfWriter.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::uint16_t kCreatePenIndirect = 0x02FA;
constexpr std::uint16_t kSelectObject = 0x012D;
constexpr std::uint16_t kDeleteObject = 0x01F0;
constexpr std::uint16_t kEndOfFile = 0x0000;

constexpr std::uint32_t kCreatePenWords = 8;
constexpr std::uint32_t kObjectRecordWords = 4;
constexpr std::uint32_t kEndOfFileWords = 3;

} // namespace

WmfWriter::WmfWriter(ByteSink& out)
    : out_(out), buffer_(std::make_unique_for_overwrite<char[]>(kBufferSize))
{
    header(buffer_.get());
    used_ = kHeaderBytes;
}

void WmfWriter::header(char* p) const
{
    const std::uint64_t words = (flushed_ + used_) / 2;
    put16(p, 1);          // mtType
    put16(p + 2, 9);      // mtHeaderSize
    put16(p + 4, 0x0300); // mtVersion
    put32(p + 6, static_cast<std::uint32_t>(words));
    put16(p + 10, static_cast<std::uint16_t>(peak_alive_));
    put32(p + 12, max_record_);
    put16(p + 16, 0); // mtNoParameters
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
    if (flushed_ / 2 > std::numeric_limits<std::uint32_t>::max())
        failed_ = true;
    if (failed_)
        return false;
    char bytes[kHeaderBytes];
    header(bytes);
    if (!out_.rewrite_start(bytes, kHeaderBytes))
        failed_ = true;
    return ok();
}
