#pragma once

#include "core/Replay.h"
#include "export/FigureFrame.h"
#include "export/PathRuns.h"
#include "export/TextBuffer.h"
#include "raster/WorkerPool.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class Output;

// Writes the replay as a one-page PDF document of stroked lines: a path per run of strings of
// one colour, in logical units, y up as PDF has it. The strings are cut into pieces of about
// `piece_bytes` of content each, every piece a form XObject of its own, which the page's short
// content stream maps onto the page and draws in order. Readers that parse the page's content
// whole (qpdf) or a stream at a time (Ghostscript, poppler) then hold one piece, not the
// figure. The pieces are compressed on the worker pool while the replay goes on, a few in
// flight, and written in order: the bytes depend only on the figure. Objects are written in
// the order they are finished, and the page last of all. The figure's block, when there is one,
// comes first, as an uncompressed embedded file named in the catalog, where a reader finds it
// early and a viewer lists it as an attachment.
class PdfWriter final : public StringSink {
public:
    // zlib's level: measured by bench_export, level 1 compresses the strings three to four
    // times faster than the usual 6, in a file about a fifth larger.
    static constexpr int kLevel = 1;
    // The longest page side PDF allows, in inches (14400 points).
    static constexpr double kMaxInches = 200;
    // Content per piece: small enough that a reader holds little, large enough that the
    // page lists few forms and each compression job outweighs handing it over.
    static constexpr std::size_t kPieceBytes = std::size_t(2) << 20;

    PdfWriter(Output& out, const FigureFrame& frame, WorkerPool& pool = WorkerPool::shared(), int level = kLevel,
              std::size_t piece_bytes = kPieceBytes, std::string_view block = {});
    ~PdfWriter() override;
    PdfWriter(const PdfWriter&) = delete;
    PdfWriter& operator=(const PdfWriter&) = delete;

    void pen(Colour colour) override { runs_.colour = colour; }
    bool strings(std::span<const ReplayedString> batch) override;

    // Ends the content and writes the page and the cross-reference table. False if any
    // write failed.
    bool finish();

private:
    struct Piece;
    class Compressor;

    bool put(std::string_view bytes);
    void start_path();
    void cut();
    void end_piece();
    bool write_done(bool wait);
    void write_one();
    void write_piece(const Piece& piece);
    int new_object();

    Output& out_;
    std::unique_ptr<Compressor> compressor_;
    int level_;
    std::size_t piece_bytes_;
    std::string piece_;              // the open piece's content so far
    std::uint64_t piece_start_ = 0;  // where it began in the content
    bool path_open_ = false;         // strings drawn since the last stroke
    std::uint64_t written_ = 0;      // bytes of the file so far
    std::vector<std::uint64_t> offsets_{0}; // of each object, by number; 0 is free
    std::vector<int> forms_;                // the pieces' object numbers, in order
    int block_file_ = 0;                    // the block's file specification, if any
    bool failed_ = false;
    double page_width_ = 0, page_height_ = 0; // in points
    std::string page_start_;                  // the page's content before the forms
    std::string box_;                         // the forms' bounding box
    TextBuffer text_;
    PathRuns runs_;
};
