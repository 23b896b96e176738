#pragma once

#include "core/Replay.h"
#include "export/FigureFrame.h"
#include "export/PathRuns.h"
#include "export/TextBuffer.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class Output;
struct z_stream_s;

// Writes the replay as a one-page PDF document of stroked lines: a path per run of strings of
// one colour, in logical units, y up as PDF has it, mapped onto the page by the content's
// first transformation. The content is compressed with zlib as it is written; a content
// stream that would grow past what PDF can describe is ended there and another one begun.
// Objects are written in the order they are finished, and the page, which lists the
// content streams, last of all.
class PdfWriter final : public StringSink {
public:
    // The longest stream PDF allows.
    static constexpr std::uint64_t kStreamLimit = (std::uint64_t(1) << 31) - 1;
    // zlib's level: measured by bench_export, level 1 compresses the strings three to four
    // times faster than the usual 6, in a file about a fifth larger.
    static constexpr int kLevel = 1;
    // The longest page side PDF allows, in inches (14400 points).
    static constexpr double kMaxInches = 200;

    PdfWriter(Output& out, const FigureFrame& frame, int level = kLevel, std::uint64_t stream_limit = kStreamLimit);
    ~PdfWriter() override;
    PdfWriter(const PdfWriter&) = delete;
    PdfWriter& operator=(const PdfWriter&) = delete;

    void pen(Colour colour) override { runs_.colour = colour; }
    bool strings(std::span<const ReplayedString> batch) override;

    // Ends the content and writes the page and the cross-reference table. False if any
    // write failed.
    bool finish();

private:
    bool put(std::string_view bytes);
    bool compress(const char* data, std::size_t size);
    bool deflate_out(int flush);
    bool begin_stream();
    bool end_stream();
    void start_path();
    int new_object();

    Output& out_;
    std::unique_ptr<z_stream_s> z_;
    std::unique_ptr<unsigned char[]> packed_;
    std::uint64_t stream_limit_;
    std::uint64_t written_ = 0;      // bytes of the file so far
    std::uint64_t stream_start_ = 0; // where the open content stream's data begins
    std::vector<std::uint64_t> offsets_{0}; // of each object, by number; 0 is free
    std::vector<int> contents_;             // the content streams' object numbers
    bool failed_ = false;
    double page_width_ = 0, page_height_ = 0; // in points
    TextBuffer text_;
    PathRuns runs_;
};
