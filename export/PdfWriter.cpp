#include "export/PdfWriter.h"

#include "export/Output.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>
#include <zlib.h>

namespace {

constexpr double kPointsPerInch = 72;

// A colour part as PDF has it, 0 to 1; three decimals tell all 256 values apart.
std::string part(int value) { return TextBuffer::decimal(value / 255.0); }

std::string with_number(const char* format, unsigned long long n)
{
    char text[64];
    const int length = std::snprintf(text, sizeof text, format, n);
    return std::string(text, std::size_t(length));
}

// Compressed bytes, left unset until written.
struct Packed {
    std::unique_ptr<unsigned char[]> data;
    std::size_t size = 0;
};

// One zlib stream of the whole text, at `level`: the same bytes whichever thread makes them.
bool deflate_all(const std::string& text, int level, Packed& packed)
{
    z_stream z{};
    if (deflateInit(&z, level) != Z_OK)
        return false;
    const uLong room = deflateBound(&z, uLong(text.size()));
    packed.data.reset(new unsigned char[room]);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = uInt(text.size());
    z.next_out = packed.data.get();
    z.avail_out = uInt(room);
    const bool ok = deflate(&z, Z_FINISH) == Z_STREAM_END;
    packed.size = room - z.avail_out;
    deflateEnd(&z);
    return ok;
}

} // namespace

// A piece of the content, and once compressed its bytes.
struct PdfWriter::Piece {
    std::string text;
    Packed packed;
    bool taken = false, done = false, ok = false;
};

// Compresses the pieces on the pool, oldest first, from a thread of its own, so the replay
// goes on meanwhile.
class PdfWriter::Compressor {
public:
    Compressor(WorkerPool& pool, int level)
        : pool_(pool), level_(level),
          // A piece being compressed on each worker, and as many waiting.
          limit_(std::size_t(std::clamp(2 * pool.size(), 2, 16))), thread_([this] { work(); })
    {
    }
    ~Compressor()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }

    // Whether as many pieces are queued as may be: the oldest must be written first.
    bool full()
    {
        std::lock_guard lock(mutex_);
        return queue_.size() >= limit_;
    }

    void push(std::string text)
    {
        std::lock_guard lock(mutex_);
        auto piece = std::make_unique<Piece>();
        piece->text = std::move(text);
        queue_.push_back(std::move(piece));
        changed_.notify_all();
    }

    // The oldest piece once compressed, waiting for it if `wait`; null when there is none.
    std::unique_ptr<Piece> pop(bool wait)
    {
        std::unique_lock lock(mutex_);
        if (wait)
            changed_.wait(lock, [this] { return queue_.empty() || queue_.front()->done; });
        if (queue_.empty() || !queue_.front()->done)
            return nullptr;
        std::unique_ptr<Piece> piece = std::move(queue_.front());
        queue_.pop_front();
        changed_.notify_all();
        return piece;
    }

private:
    // Each worker takes the oldest waiting piece until none is left, so no core waits for
    // another to finish its piece while there is work.
    void work()
    {
        for (;;) {
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return stopping_ || waiting() != nullptr; });
                if (stopping_)
                    return;
            }
            pool_.run([this](int) {
                for (;;) {
                    Piece* piece = nullptr;
                    {
                        std::lock_guard lock(mutex_);
                        if (stopping_ || !(piece = waiting()))
                            return;
                        piece->taken = true;
                    }
                    piece->ok = deflate_all(piece->text, level_, piece->packed);
                    {
                        std::lock_guard lock(mutex_);
                        piece->done = true;
                        std::string().swap(piece->text);
                    }
                    changed_.notify_all();
                }
            });
        }
    }
    Piece* waiting() const
    {
        for (const auto& piece : queue_)
            if (!piece->taken)
                return piece.get();
        return nullptr;
    }

    WorkerPool& pool_;
    const int level_;
    const std::size_t limit_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<Piece>> queue_; // in order; the front is written first
    bool stopping_ = false;
    std::thread thread_; // last: started once the rest is ready
};

PdfWriter::PdfWriter(Output& out, const FigureFrame& frame, WorkerPool& pool, int level, std::size_t piece_bytes,
                     std::string_view block)
    : out_(out), compressor_(std::make_unique<Compressor>(pool, level)), level_(level),
      piece_bytes_(std::max<std::size_t>(piece_bytes, 1)),
      text_(
          [this](const char* data, std::size_t size) {
              piece_.append(data, size);
              return true;
          },
          std::min(TextBuffer::kSize, piece_bytes_))
{
    page_width_ = frame.width_inches() * kPointsPerInch;
    page_height_ = frame.height_inches() * kPointsPerInch;
    put("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    if (!block.empty()) {
        const int file = new_object();
        put(with_number("%llu 0 obj\n", (unsigned long long)file)
            + with_number("<</Type/EmbeddedFile/Subtype/text#2Fplain/Length %llu>>\nstream\n",
                          (unsigned long long)block.size()));
        put(block);
        put("\nendstream\nendobj\n");
        block_file_ = new_object();
        put(with_number("%llu 0 obj\n", (unsigned long long)block_file_)
            + "<</Type/Filespec/F(tressik-figure.txt)/UF(tressik-figure.txt)"
            + with_number("/EF<</F %llu 0 R", (unsigned long long)file)
            + with_number("/UF %llu 0 R>>>>\nendobj\n", (unsigned long long)file));
    }
    const double k = kPointsPerInch / FigureFrame::kUnitsPerInch * frame.scale; // points per unit
    const auto n = [](double v, int places = 3) { return TextBuffer::decimal(v, places); };
    page_start_ = "1 1 1 rg 0 0 " + n(page_width_) + " " + n(page_height_) + " re f\n" + n(k, 6) + " 0 0 " + n(k, 6)
        + " " + n(-frame.left() * k) + " " + n(-frame.bottom() * k) + " cm\n"
        + n(FigureFrame::kStringInches * kPointsPerInch / k) + " w 1 J 1 j\n";
    // The forms draw in logical units; their box, in whole units, takes in the page.
    box_ = n(std::floor(frame.left())) + " " + n(std::floor(frame.bottom())) + " "
        + n(std::ceil(frame.left() + frame.width_units())) + " " + n(std::ceil(frame.bottom() + frame.height_units()));
    piece_.reserve(piece_bytes_ + TextBuffer::kSize);
}

PdfWriter::~PdfWriter() = default;

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

// Writes the compressed pieces at the front of the queue, as forms; with `wait`, all of them,
// else those done so far.
bool PdfWriter::write_done(bool wait)
{
    while (auto piece = compressor_->pop(wait))
        write_piece(*piece);
    return !failed_;
}

void PdfWriter::write_piece(const Piece& piece)
{
    if (!piece.ok)
        failed_ = true;
    const int object = new_object();
    forms_.push_back(object);
    put(with_number("%llu 0 obj\n", (unsigned long long)object) + "<</Type/XObject/Subtype/Form/BBox[" + box_
        + with_number("]/Length %llu/Filter/FlateDecode>>\nstream\n", (unsigned long long)piece.packed.size));
    put(std::string_view(reinterpret_cast<const char*>(piece.packed.data.get()), piece.packed.size));
    put("\nendstream\nendobj\n");
}

void PdfWriter::write_one()
{
    if (auto piece = compressor_->pop(true))
        write_piece(*piece);
}

void PdfWriter::end_piece()
{
    text_.flush();
    piece_start_ = text_.total();
    if (piece_.empty())
        return;
    write_done(false);
    while (compressor_->full())
        write_one();
    compressor_->push(std::move(piece_));
    piece_ = std::string();
    piece_.reserve(piece_bytes_ + TextBuffer::kSize);
}

// A form draws in the graphics state of the page, so each begins with its colour and ends
// with its path stroked.
void PdfWriter::cut()
{
    if (path_open_)
        text_.text("S\n");
    path_open_ = false;
    end_piece();
    const Colour c = runs_.path_colour;
    text_.text(part(red_of(c)) + " " + part(green_of(c)) + " " + part(blue_of(c)) + " RG\n");
}

void PdfWriter::start_path()
{
    if (path_open_)
        text_.text("S\n");
    path_open_ = false;
    const Colour c = runs_.colour;
    if (runs_.in_path == 0 || runs_.path_colour != c)
        text_.text(part(red_of(c)) + " " + part(green_of(c)) + " " + part(blue_of(c)) + " RG\n");
}

bool PdfWriter::strings(std::span<const ReplayedString> batch)
{
    runs_.each_string(batch, [this] { start_path(); }, [this](const ReplayedString& s) {
        if (text_.total() - piece_start_ >= piece_bytes_)
            cut();
        path_open_ = true;
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
    return !failed_;
}

bool PdfWriter::finish()
{
    if (path_open_)
        text_.text("S\n");
    path_open_ = false;
    end_piece();
    if (!write_done(true))
        return false;

    std::string content = page_start_;
    std::string forms;
    for (std::size_t i = 0; i < forms_.size(); ++i) {
        content += with_number("/F%llu Do\n", i + 1);
        forms += with_number("/F%llu ", i + 1) + with_number("%llu 0 R", (unsigned long long)forms_[i]);
    }
    Packed packed;
    if (!deflate_all(content, level_, packed))
        return false;
    const int page_content = new_object();
    put(with_number("%llu 0 obj\n", (unsigned long long)page_content)
        + with_number("<</Length %llu/Filter/FlateDecode>>\nstream\n", (unsigned long long)packed.size));
    put(std::string_view(reinterpret_cast<const char*>(packed.data.get()), packed.size));
    put("\nendstream\nendobj\n");

    const int catalog = new_object();
    const std::string names = block_file_ == 0 ? std::string()
                                               : with_number("/Names<</EmbeddedFiles<</Names[(tressik-figure.txt) %llu 0 R]>>>>",
                                                             (unsigned long long)block_file_);
    put(with_number("%llu 0 obj\n", (unsigned long long)catalog)
        + with_number("<</Type/Catalog/Pages %llu 0 R", (unsigned long long)catalog + 1) + names + ">>\nendobj\n");
    const int pages = new_object();
    put(with_number("%llu 0 obj\n", (unsigned long long)pages)
        + with_number("<</Type/Pages/Kids[%llu 0 R]/Count 1>>\nendobj\n", (unsigned long long)pages + 1));
    const int page = new_object();
    put(with_number("%llu 0 obj\n", (unsigned long long)page)
        + with_number("<</Type/Page/Parent %llu 0 R", (unsigned long long)pages) + "/MediaBox[0 0 "
        + TextBuffer::decimal(page_width_) + " " + TextBuffer::decimal(page_height_) + "]/Resources<</XObject<<"
        + forms + ">>>>" + with_number("/Contents %llu 0 R>>\nendobj\n", (unsigned long long)page_content));

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
