#pragma once

#include "core/Box.h"
#include "core/Colour.h"
#include "export/Output.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

// A Windows metafile drawn with pens and lines only, in the canvas's logical units with y
// growing upward. Readers learn where the figure lies and which way is up from a placeable
// header and a window set before the first pen (origin at the top left corner of the
// figure's box, y extent negative). Records are built straight into a 1 MiB buffer that
// goes to the output when full, so memory stays flat however large the file grows. The
// headers' totals and the box are only known at the end: a placeholder is written first
// and patched by finish().
class WmfWriter {
public:
    static constexpr std::size_t kBufferSize = std::size_t(1) << 20;
    static constexpr std::size_t kPlaceableBytes = 22;
    static constexpr std::size_t kHeaderBytes = 18;
    // Both headers, then SetMapMode, SetWindowOrg and SetWindowExt.
    static constexpr std::size_t kFramingBytes = kPlaceableBytes + kHeaderBytes + 8 + 10 + 10;
    // The box's corners, its width and height, and y turned over must all fit 16 bits.
    static constexpr int kLimit = 16383;
    static constexpr std::uint16_t kUnitsPerInch = 256;

    explicit WmfWriter(Output& out);
    WmfWriter(const WmfWriter&) = delete;
    WmfWriter& operator=(const WmfWriter&) = delete;

    // A solid pen one unit wide. Returns its object index: the lowest one free.
    int create_pen(Colour colour);
    void select_object(int index);
    void delete_object(int index);

    // A string: a move and a line, with one check for room. Coordinates must already lie in
    // -kLimit .. kLimit. The box takes in both ends; it belongs to the caller's loop, where it
    // can stay in registers (the record stores could alias the writer's own members), and is
    // handed over with cover() before finish().
    void line(int x1, int y1, int x2, int y2, Box& box)
    {
        box.cover(x1, y1);
        box.cover(x2, y2);
        char* p = reserve(kPointRecordWords * 4);
        store_point(p, kMoveTo, x1, y1);
        store_point(p + kPointRecordWords * 2, kLineTo, x2, y2);
        used_ += kPointRecordWords * 4;
        note_point_record();
    }
    void line(int x1, int y1, int x2, int y2)
    {
        Box box;
        line(x1, y1, x2, y2, box);
        cover(box);
    }
    void cover(const Box& box) { box_.cover(box); }

    // Writes the end record, hands over what is buffered and patches the header.
    // Nothing may be written after it. False if any write failed.
    bool finish();
    bool ok() const { return !failed_; }

private:
    static constexpr std::uint16_t kMoveTo = 0x0214;
    static constexpr std::uint16_t kLineTo = 0x0213;
    static constexpr std::uint32_t kPointRecordWords = 5;

    static void put16(char* p, std::uint16_t v)
    {
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(p, &v, 2);
        } else {
            p[0] = static_cast<char>(v & 0xFF);
            p[1] = static_cast<char>(v >> 8);
        }
    }
    // Also used for the header's unaligned 32-bit fields: low word first.
    static void put32(char* p, std::uint32_t v)
    {
        put16(p, static_cast<std::uint16_t>(v));
        put16(p + 2, static_cast<std::uint16_t>(v >> 16));
    }

    char* reserve(std::size_t bytes)
    {
        if (kBufferSize - used_ < bytes)
            flush();
        return buffer_.get() + used_;
    }

    static void store_point(char* p, std::uint16_t function, int x, int y)
    {
        put32(p, kPointRecordWords);
        put16(p + 4, function);
        put16(p + 6, static_cast<std::uint16_t>(y));
        put16(p + 8, static_cast<std::uint16_t>(x));
    }

    void note_point_record()
    {
        if (max_record_ < kPointRecordWords)
            max_record_ = kPointRecordWords;
    }

    void object_record(std::uint16_t function, int index);
    void note_record(std::uint32_t words);
    void flush();
    void framing(char* p) const;

    Output& out_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    std::uint64_t flushed_ = 0; // bytes the output has taken
    std::uint32_t max_record_ = 0;
    Box box_; // of every point drawn, for the framing
    std::vector<bool> in_use_; // by object index
    int alive_ = 0;
    int peak_alive_ = 0;
    bool failed_ = false;
    bool finished_ = false;
};
