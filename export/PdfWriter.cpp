#include "export/PdfWriter.h"

#include "export/Output.h"

#include <algorithm>
#include <cstdio>
#include <zlib.h>

namespace {

constexpr std::size_t kPacked = std::size_t(1) << 18;
constexpr double kPointsPerInch = 72;

// A colour part as PDF has it, 0 to 1; three decimals tell all 256 values apart.
std::string part(int value) { return TextBuffer::decimal(value / 255.0); }

std::string with_number(const char* format, unsigned long long n)
{
    char text[64];
    const int length = std::snprintf(text, sizeof text, format, n);
    return std::string(text, std::size_t(length));
}

} // namespace

PdfWriter::PdfWriter(Output& out, const FigureFrame& frame, int level, std::uint64_t stream_limit)
    : out_(out), z_(std::make_unique<z_stream_s>()), packed_(new unsigned char[kPacked]),
      stream_limit_(stream_limit),
      // Each buffer of text is flushed through the compressor, so that the stream's length
      // is known before the next one: small enough that a stream can be ended in time.
      text_([this](const char* data, std::size_t size) { return compress(data, size); },
            std::size_t(std::min<std::uint64_t>(TextBuffer::kSize, stream_limit / 4)))
{
    if (deflateInit(z_.get(), level) != Z_OK) {
        failed_ = true;
        z_.reset();
    }
    page_width_ = frame.width_inches() * kPointsPerInch;
    page_height_ = frame.height_inches() * kPointsPerInch;
    put("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    begin_stream();
    const double k = kPointsPerInch / FigureFrame::kUnitsPerInch * frame.scale; // points per unit
    const auto n = [](double v, int places = 3) { return TextBuffer::decimal(v, places); };
    text_.text("1 1 1 rg 0 0 " + n(page_width_) + " " + n(page_height_) + " re f\n" + n(k, 6) + " 0 0 " + n(k, 6)
               + " " + n(-frame.left() * k) + " " + n(-frame.bottom() * k) + " cm\n"
               + n(FigureFrame::kStringInches * kPointsPerInch / k) + " w 1 J 1 j\n");
}

PdfWriter::~PdfWriter()
{
    if (z_)
        deflateEnd(z_.get());
}

bool PdfWriter::put(std::string_view bytes)
{
    if (failed_ || !out_.write(bytes.data(), bytes.size()))
        failed_ = true;
    written_ += bytes.size();
    return !failed_;
}

int PdfWriter::new_object()
{
    offsets_.push_back(written_);
    return int(offsets_.size() - 1);
}

bool PdfWriter::begin_stream()
{
    const int object = new_object();
    contents_.push_back(object);
    put(with_number("%llu 0 obj\n", (unsigned long long)object)
        + with_number("<</Length %llu 0 R/Filter/FlateDecode>>\nstream\n", (unsigned long long)object + 1));
    stream_start_ = written_;
    return !failed_ && (!z_ || deflateReset(z_.get()) == Z_OK);
}

bool PdfWriter::end_stream()
{
    if (!deflate_out(Z_FINISH))
        return false;
    const std::uint64_t length = written_ - stream_start_;
    put("\nendstream\nendobj\n");
    const int object = new_object();
    return put(with_number("%llu 0 obj\n", (unsigned long long)object)
               + with_number("%llu\nendobj\n", (unsigned long long)length));
}

bool PdfWriter::deflate_out(int flush)
{
    if (failed_ || !z_) {
        failed_ = true;
        return false;
    }
    int status = Z_OK;
    do {
        z_->next_out = packed_.get();
        z_->avail_out = kPacked;
        status = deflate(z_.get(), flush);
        if (status == Z_STREAM_ERROR) {
            failed_ = true;
            return false;
        }
        put(std::string_view(reinterpret_cast<const char*>(packed_.get()), kPacked - z_->avail_out));
    } while (z_->avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
    return !failed_;
}

bool PdfWriter::compress(const char* data, std::size_t size)
{
    if (failed_ || !z_)
        return false;
    // Every buffer is flushed whole, so the stream's length so far is exact: a buffer that
    // could carry it past the limit goes into a new stream.
    constexpr std::uint64_t kEnding = 64; // the end of the zlib stream
    const std::uint64_t grown = written_ - stream_start_ + deflateBound(z_.get(), uLong(size)) + kEnding;
    if (grown > stream_limit_ && written_ > stream_start_ && !(end_stream() && begin_stream()))
        return false;
    z_->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    z_->avail_in = uInt(size);
    return deflate_out(Z_SYNC_FLUSH);
}

void PdfWriter::start_path()
{
    if (runs_.in_path > 0)
        text_.text("S\n");
    const Colour c = runs_.colour;
    if (runs_.in_path == 0 || runs_.path_colour != c)
        text_.text(part(red_of(c)) + " " + part(green_of(c)) + " " + part(blue_of(c)) + " RG\n");
}

bool PdfWriter::strings(std::span<const ReplayedString> batch)
{
    runs_.each_string(batch, [this] { start_path(); }, [this](const ReplayedString& s) {
        char* p = text_.reserve(4 * TextBuffer::kMaxNumber + 12);
        p = TextBuffer::put_number(p, s.x1);
        *p++ = ' ';
        p = TextBuffer::put_number(p, s.y1);
        p[0] = ' ', p[1] = 'm', p[2] = ' ';
        p = TextBuffer::put_number(p + 3, s.x2);
        *p++ = ' ';
        p = TextBuffer::put_number(p, s.y2);
        p[0] = ' ', p[1] = 'l', p[2] = '\n';
        text_.end(p + 3);
    });
    return text_.ok() && !failed_;
}

bool PdfWriter::finish()
{
    if (runs_.in_path > 0)
        text_.text("S\n");
    if (!text_.flush() || !end_stream())
        return false;
    const int catalog = new_object();
    put(with_number("%llu 0 obj\n", (unsigned long long)catalog)
        + with_number("<</Type/Catalog/Pages %llu 0 R>>\nendobj\n", (unsigned long long)catalog + 1));
    const int pages = new_object();
    put(with_number("%llu 0 obj\n", (unsigned long long)pages)
        + with_number("<</Type/Pages/Kids[%llu 0 R]/Count 1>>\nendobj\n", (unsigned long long)pages + 1));
    const int page = new_object();
    std::string contents;
    for (int c : contents_)
        contents += with_number(contents.empty() ? "%llu 0 R" : " %llu 0 R", (unsigned long long)c);
    put(with_number("%llu 0 obj\n", (unsigned long long)page)
        + with_number("<</Type/Page/Parent %llu 0 R", (unsigned long long)pages) + "/MediaBox[0 0 "
        + TextBuffer::decimal(page_width_) + " " + TextBuffer::decimal(page_height_) + "]/Resources<<>>/Contents["
        + contents + "]>>\nendobj\n");

    // Offsets in the table have ten digits.
    if (written_ > 9999999999ull) {
        failed_ = true;
        return false;
    }
    const std::uint64_t table = written_;
    std::string xref = with_number("xref\n0 %llu\n0000000000 65535 f\r\n", offsets_.size());
    for (std::size_t i = 1; i < offsets_.size(); ++i)
        xref += with_number("%010llu 00000 n\r\n", offsets_[i]);
    xref += with_number("trailer\n<</Size %llu", offsets_.size())
        + with_number("/Root %llu 0 R>>\nstartxref\n", (unsigned long long)catalog)
        + with_number("%llu\n%%%%EOF\n", table);
    return put(xref);
}
