#include "NumberReference.h"
#include "PropertyModel.h"

#include "core/DrawingSink.h"
#include "core/Kaleidoscope.h"
#include "core/LoopClose.h"
#include "core/Module1.h"
#include "core/NumberText.h"
#include "core/SideEntry.h"
#include "export/MemoryOutput.h"
#include "export/MetafileExport.h"

#include <QTest>

#include <bit>
#include <chrono>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t kDefaultSeed = 0x7e551c;
constexpr std::uint64_t kDefaultSteps = 4000;

std::uint64_t env_number(const char* name, std::uint64_t fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 0) : fallback;
}

const char* name_of(std::optional<Limit> limit)
{
    if (!limit)
        return "none";
    switch (*limit) {
    case Limit::TableFull: return "TableFull";
    case Limit::NegativeIndex: return "NegativeIndex";
    case Limit::DivisionByZero: return "DivisionByZero";
    case Limit::Overflow: return "Overflow";
    case Limit::BadCopies: return "BadCopies";
    case Limit::CoordinateRange: return "CoordinateRange";
    }
    return "?";
}

std::string describe(const model::Drawn& d)
{
    std::ostringstream s;
    s.precision(9);
    switch (d.kind) {
    case model::Drawn::Dot: s << "dot(" << d.x1 << ", " << d.y1 << ")"; break;
    case model::Drawn::Colour: s << "colour(" << d.colour << ")"; break;
    case model::Drawn::Line: s << "line(" << d.x1 << ", " << d.y1 << ", " << d.x2 << ", " << d.y2 << ")"; break;
    }
    return s.str();
}

std::string describe(const model::Record& r)
{
    std::ostringstream s;
    s << "record 0x" << std::hex << r.function << std::dec << " (";
    for (std::size_t i = 0; i < r.params.size(); ++i)
        s << (i ? ", " : "") << std::int16_t(r.params[i]);
    return s.str() + ")";
}

// Records everything it is told, and counts coordinates that are not finite numbers.
class RecordingSink final : public DrawingSink {
public:
    std::vector<model::Drawn> drawn;
    long long non_finite = 0;

    void clear() override {}
    void set_colour(Colour colour) override { drawn.push_back({model::Drawn::Colour, colour}); }
    void dot(float x, float y) override
    {
        check(x), check(y);
        drawn.push_back({model::Drawn::Dot, 0, x, y, 0, 0});
    }
    void line(float x1, float y1, float x2, float y2) override
    {
        check(x1), check(y1), check(x2), check(y2);
        drawn.push_back({model::Drawn::Line, 0, x1, y1, x2, y2});
    }

private:
    void check(float v) { non_finite += !std::isfinite(v); }
};

struct ParsedMetafile {
    std::uint16_t objects = 0;
    std::uint32_t max_record = 0;
    std::vector<model::Record> mapping; // map mode, window origin and extent
    std::vector<model::Record> records; // end record included
};

// Reads the bytes back: a placeable header with its key, then the 9-word header, whose size
// must be the rest of the file, the mapping records (kept apart), record sizes that add up
// exactly, and the end record last.
std::optional<ParsedMetafile> parse_metafile(const std::vector<char>& all, std::string& why)
{
    constexpr std::size_t kPlaceable = 22;
    if (all.size() < kPlaceable + 18 || all.size() % 2) {
        why = "file of " + std::to_string(all.size()) + " bytes";
        return std::nullopt;
    }
    const std::vector<char> bytes(all.begin() + kPlaceable, all.end());
    const auto word = [&](std::size_t at) {
        return std::uint16_t(std::uint8_t(bytes[at]) | std::uint8_t(bytes[at + 1]) << 8);
    };
    const auto dword = [&](std::size_t at) { return word(at) | std::uint32_t(word(at + 2)) << 16; };
    if (std::uint8_t(all[0]) != 0xD7 || std::uint8_t(all[1]) != 0xCD || std::uint8_t(all[2]) != 0xC6
        || std::uint8_t(all[3]) != 0x9A) {
        why = "no placeable header";
        return std::nullopt;
    }
    if (word(0) != 1 || word(2) != 9 || word(4) != 0x0300 || word(16) != 0) {
        why = "header is not a version 3 disk metafile";
        return std::nullopt;
    }
    if (std::uint64_t(dword(6)) * 2 != bytes.size()) {
        why = "mtSize " + std::to_string(dword(6)) + " words for " + std::to_string(bytes.size()) + " bytes";
        return std::nullopt;
    }
    ParsedMetafile file;
    file.objects = word(10);
    file.max_record = dword(12);
    std::size_t at = 18;
    while (at < bytes.size()) {
        if (!file.records.empty() && file.records.back().function == 0) {
            why = "records after the end record";
            return std::nullopt;
        }
        const std::uint32_t words = bytes.size() - at >= 6 ? dword(at) : 0;
        if (words < 3 || words > (bytes.size() - at) / 2) {
            why = "record of " + std::to_string(words) + " words at byte " + std::to_string(at);
            return std::nullopt;
        }
        model::Record r{word(at + 4), {}};
        for (std::uint32_t i = 3; i < words; ++i)
            r.params.push_back(word(at + 2 * i));
        if (at < 18 + 2 * (4 + 5 + 5))
            file.mapping.push_back(std::move(r));
        else
            file.records.push_back(std::move(r));
        at += std::size_t(words) * 2;
    }
    if (file.records.empty() || file.records.back().function != 0 || !file.records.back().params.empty()) {
        why = "no end record";
        return std::nullopt;
    }
    if (file.mapping.size() != 3 || file.mapping[0].function != 0x0103 || file.mapping[0].params != std::vector<std::uint16_t>{8}
        || file.mapping[1].function != 0x020B || file.mapping[2].function != 0x020C) {
        why = "no anisotropic mapping with a window before the first pen";
        return std::nullopt;
    }
    return file;
}

// Matches the file's records against the model's, where each of the model's cut strings is
// either left out (possible only when both its ends lie outside) or a move and a line within
// the range whose inside ends are the model's and whose outside ends lie on the range's edge.
// Counts the strings written and the cut ones kept; empty when they agree.
std::string match_records(const std::vector<model::Record>& file, const std::vector<model::Record>& predicted,
                          long long& written, long long& kept, long long& cut)
{
    const auto on_edge = [](std::int16_t x, std::int16_t y) {
        return std::abs(x) == model::kMetafileLimit || std::abs(y) == model::kMetafileLimit;
    };
    const auto within = [](std::int16_t v) { return std::abs(v) <= model::kMetafileLimit; };
    // Whether the move and line at `at` are a cut string's, the model's params `w`.
    const auto cut_fits = [&](std::size_t at, const auto& w) {
        if (!(at + 1 < file.size() && file[at].function == 0x0214 && file[at + 1].function == 0x0213))
            return false;
        const std::int16_t my = file[at].params[0], mx = file[at].params[1];
        const std::int16_t ly = file[at + 1].params[0], lx = file[at + 1].params[1];
        return within(mx) && within(my) && within(lx) && within(ly)
            && (w[0] ? my == std::int16_t(w[1]) && mx == std::int16_t(w[2]) : on_edge(mx, my))
            && (w[3] ? ly == std::int16_t(w[4]) && lx == std::int16_t(w[5]) : on_edge(lx, ly));
    };
    // Whether the two records at `at` are the model's string at `q`, cut or not.
    const auto pair_fits = [&](std::size_t at, std::size_t q) {
        if (q >= predicted.size())
            return false;
        if (predicted[q].function == model::kCutString)
            return cut_fits(at, predicted[q].params);
        return q + 1 < predicted.size() && at + 1 < file.size() && file[at] == predicted[q]
            && file[at + 1] == predicted[q + 1];
    };
    // A run of strings wholly outside: each is left out or cut to a pair on the edge, and the
    // file cannot say which of them were kept, nor, when the next string lies on the edge as
    // well, where the run ends. Each count the next record fits after is a choice; a choice
    // that later goes wrong is taken back for the next one.
    struct Choice {
        std::size_t p, f; // where the run ends in the model, and starts in the file
        long long written, kept, cut;
        std::vector<std::size_t> counts; // of pairs the run may have kept, fewest first
        std::size_t tried = 0;
    };
    std::vector<Choice> choices;
    std::string first_trouble;
    std::size_t p = 0, f = 0;
    written = kept = cut = 0;
    for (int retries = 0;; ++retries) {
        std::string trouble;
        while (trouble.empty() && p < predicted.size()) {
            const model::Record& want = predicted[p];
            if (want.function != model::kCutString) {
                if (f >= file.size() || !(file[f] == want)) {
                    trouble = "metafile record " + std::to_string(f) + ": "
                        + (f < file.size() ? describe(file[f]) : std::string("missing")) + ", model says "
                        + describe(want);
                    break;
                }
                written += want.function == 0x0213;
                ++f;
                ++p;
                continue;
            }
            const auto& w = want.params; // from inside, y, x, to inside, y, x
            if (w[0] || w[3]) {
                if (!cut_fits(f, w)) {
                    trouble = "metafile record " + std::to_string(f) + ": a string with an end inside the range, cut as "
                        + (f < file.size() ? describe(file[f]) : std::string("nothing")) + "; model says "
                        + describe(want);
                    break;
                }
                ++cut;
                f += 2;
                ++written;
                ++kept;
                ++p;
                continue;
            }
            std::size_t next = p;
            while (next < predicted.size() && predicted[next].function == model::kCutString
                   && !predicted[next].params[0] && !predicted[next].params[3])
                ++next;
            const std::size_t run = next - p;
            Choice choice{next, f, written, kept, cut + static_cast<long long>(run), {}};
            for (std::size_t n = 0; n <= run && (n == 0 || cut_fits(f + 2 * (n - 1), w)); ++n)
                if (next < predicted.size() ? pair_fits(f + 2 * n, next) : f + 2 * n == file.size())
                    choice.counts.push_back(n);
            if (choice.counts.empty()) {
                trouble = "metafile record " + std::to_string(f) + ": " + std::to_string(run)
                    + " strings wholly outside the range, and what follows them, do not fit";
                break;
            }
            choices.push_back(std::move(choice));
            const Choice& c = choices.back();
            const std::size_t n = c.counts[0];
            p = c.p;
            f = c.f + 2 * n;
            cut = c.cut;
            written = c.written + static_cast<long long>(n);
            kept = c.kept + static_cast<long long>(n);
        }
        if (trouble.empty() && f != file.size())
            trouble = "metafile has " + std::to_string(file.size() - f) + " records beyond the model's";
        if (trouble.empty())
            return {};
        if (first_trouble.empty())
            first_trouble = trouble;
        while (!choices.empty() && choices.back().tried + 1 >= choices.back().counts.size())
            choices.pop_back();
        if (choices.empty() || retries > 100000)
            return first_trouble;
        Choice& c = choices.back();
        const std::size_t n = c.counts[++c.tried];
        p = c.p;
        f = c.f + 2 * n;
        cut = c.cut;
        written = c.written + static_cast<long long>(n);
        kept = c.kept + static_cast<long long>(n);
    }
}

// One step of a sequence: what the user did.
struct Op {
    enum Kind { Click, Subdivs, Close, Kaleidoscope, Export, Clear, Palette } kind = Click;
    float x = 0, y = 0;
    std::string text;
    std::array<Colour, 8> colours{};

    std::string describe() const
    {
        std::ostringstream s;
        s.precision(9);
        switch (kind) {
        case Click: s << "click(" << x << ", " << y << ")"; break;
        case Subdivs: s << "subdivs text \"" << text << "\""; break;
        case Close: s << "complete loop"; break;
        case Kaleidoscope: s << "kaleidoscope, copies text \"" << text << "\""; break;
        case Export: s << "export, copies text \"" << text << "\""; break;
        case Clear: s << "clear"; break;
        case Palette: s << "palette"; for (Colour c : colours) s << ' ' << c; break;
        }
        return s.str();
    }
};

// Runs each step on the real drawing core, the way the tool window drives it, and on the
// model, and says how they differ.
class Harness {
public:
    Harness() : real_(std::make_unique<Module1>())
    {
        real_->subdivs = 20;
        figure_.subdivs = 20;
    }

    Module1& real() { return *real_; }
    model::Figure& figure() { return figure_; }
    std::optional<Limit> last_limit;
    bool last_enable_save = false;
    std::vector<char> last_file;
    long long last_strings = 0;
    long long last_cut = 0; // strings of the last export beyond the metafile's range

    // Empty when the core and the model agree after the step.
    std::string apply(const Op& op)
    {
        Module1& s = *real_;
        // Stale entries are poison: a string drawn from one shows as NaN.
        for (int i = std::max<int>(s.point_count, 0); i < Module1::kTableSize; ++i)
            s.point_x[i] = s.point_y[i] = std::nanf("");
        sink_.drawn.clear();
        figure_.drawn.clear();
        last_enable_save = false;
        last_file.clear();
        last_strings = 0;
        last_cut = 0;

        std::optional<Limit> limit, expected;
        std::string trouble;
        try {
            trouble = step(op, limit, expected);
        } catch (const std::exception& e) {
            return std::string("the model failed: ") + e.what() + "\n";
        }
        last_limit = limit;
        if (limit != expected)
            trouble += std::string("limit ") + name_of(limit) + ", model says " + name_of(expected) + "\n";
        trouble += compare_drawn();
        trouble += compare_state();
        return trouble;
    }

private:
    std::string step(const Op& op, std::optional<Limit>& limit, std::optional<Limit>& expected)
    {
        Module1& s = *real_;
        std::string trouble;
        switch (op.kind) {
        case Op::Click: {
            const EntryResult r = enter_point(s, sink_, op.x, op.y);
            bool enable = false;
            expected = figure_.click(op.x, op.y, enable);
            limit = r.limit;
            last_enable_save = r.enable_save;
            if (r.enable_save != enable)
                trouble += std::string("enable_save ") + (r.enable_save ? "true" : "false") + ", model says "
                    + (enable ? "true" : "false") + "\n";
            break;
        }
        case Op::Subdivs:
            // Like Text1_Change: a text with no 16-bit value keeps the previous count.
            if (const auto v = text_to_int16(op.text))
                s.subdivs = *v;
            if (const auto v = reference::to_int16(op.text))
                figure_.subdivs = *v;
            break;
        case Op::Close:
            limit = close_loop(s, sink_);
            expected = figure_.close_loop();
            break;
        case Op::Kaleidoscope: {
            s.kaleidoscope_on = figure_.kaleidoscope_on = true;
            if (const auto copies = text_to_int16(op.text)) {
                const ReplayResult r = draw_kaleidoscope(s, *copies, sink_);
                limit = r.limit;
                last_strings = r.strings;
                if (r.cancelled || r.stopped_by_sink)
                    trouble += "replay stopped without a cause\n";
            } else {
                limit = Limit::BadCopies;
            }
            const auto copies = reference::to_int16(op.text);
            expected = copies ? figure_.kaleidoscope(*copies) : Limit::BadCopies;
            const auto lines = std::count_if(figure_.drawn.begin(), figure_.drawn.end(),
                                             [](const model::Drawn& d) { return d.kind == model::Drawn::Line; });
            if (last_strings != lines)
                trouble += "replay counted " + std::to_string(last_strings) + " strings, model drew "
                    + std::to_string(lines) + "\n";
            break;
        }
        case Op::Export:
            trouble += export_step(op.text, limit, expected);
            break;
        case Op::Clear:
            s.reset();
            figure_.reset();
            break;
        case Op::Palette:
            s.load_palette(op.colours);
            figure_.palette = op.colours;
            break;
        }
        return trouble;
    }

    std::string export_step(const std::string& text, std::optional<Limit>& limit, std::optional<Limit>& expected)
    {
        std::string trouble;
        const Module1& s = *real_;
        std::vector<model::Record> predicted;
        if (const auto copies = reference::to_int16(text))
            expected = figure_.metafile(figure_.kaleidoscope_on ? *copies : 1, predicted);
        else
            expected = Limit::BadCopies;

        // Like the save command: the copies text is read on every save.
        const auto copies = text_to_int16(text);
        if (!copies) {
            limit = Limit::BadCopies;
            return trouble;
        }
        MemoryOutput out;
        const ExportResult r = write_metafile(s, s.kaleidoscope_on ? *copies : 1, out);
        limit = r.limit;
        last_file = out.bytes();
        last_strings = r.strings;
        if (r.write_failed || r.cancelled)
            trouble += "export failed or cancelled on its own\n";

        // Even a save stopped at a limit leaves a well-formed file of what came before.
        std::string why;
        const auto file = parse_metafile(out.bytes(), why);
        if (!file)
            return trouble + "metafile does not parse: " + why + "\n";
        if (file->objects != 1 || file->max_record != 8)
            trouble += "header says " + std::to_string(file->objects) + " objects, largest record "
                + std::to_string(file->max_record) + " words\n";
        long long written = 0, kept = 0, cut = 0;
        if (const std::string why_not = match_records(file->records, predicted, written, kept, cut); !why_not.empty())
            return trouble + why_not + "\n";
        if (r.strings != written || r.clipped != kept || r.clipped + r.left_out != cut)
            trouble += "export counted " + std::to_string(r.strings) + " strings, " + std::to_string(r.clipped)
                + " cut and " + std::to_string(r.left_out) + " left out; file and model say " + std::to_string(written)
                + ", " + std::to_string(kept) + " and " + std::to_string(cut - kept) + "\n";
        last_cut = cut;
        return trouble;
    }

    std::string compare_drawn() const
    {
        std::string trouble;
        if (sink_.non_finite != 0)
            trouble += "the sink was given " + std::to_string(sink_.non_finite) + " non-finite coordinates\n";
        const auto& got = sink_.drawn;
        const auto& want = figure_.drawn;
        const std::size_t n = std::min(got.size(), want.size());
        for (std::size_t i = 0; i < n; ++i) {
            if (!(got[i] == want[i]))
                return trouble + "drawing " + std::to_string(i) + ": " + describe(got[i]) + ", model says "
                    + describe(want[i]) + "\n";
        }
        if (got.size() != want.size())
            trouble += "drew " + std::to_string(got.size()) + " things, model " + std::to_string(want.size())
                + (got.size() > n ? ", first extra " + describe(got[n]) : ", first missing " + describe(want[n]))
                + "\n";
        return trouble;
    }

    std::string compare_state() const
    {
        const Module1& s = *real_;
        std::string trouble;
        if (s.point_count < 0 || s.point_count > Module1::kTableSize)
            trouble += "point_count " + std::to_string(s.point_count) + " outside 0..5001\n";
        if (s.point_count != figure_.point_count())
            trouble += "point_count " + std::to_string(s.point_count) + ", model "
                + std::to_string(figure_.point_count()) + "\n";
        if (s.side_open != figure_.side_open)
            trouble += std::string("side_open ") + (s.side_open ? "true" : "false") + ", model "
                + (figure_.side_open ? "true" : "false") + "\n";
        if (s.subdivs != figure_.subdivs)
            trouble += "subdivs " + std::to_string(s.subdivs) + ", model " + std::to_string(figure_.subdivs) + "\n";
        if (s.kaleidoscope_on != figure_.kaleidoscope_on)
            trouble += "kaleidoscope_on differs\n";
        if (s.palette != figure_.palette)
            trouble += "palette changed\n";
        if (!trouble.empty())
            return trouble;
        for (int i = 0; i < s.point_count; ++i) {
            if (std::bit_cast<std::uint32_t>(s.point_x[i]) != std::bit_cast<std::uint32_t>(figure_.xs[i])
                || std::bit_cast<std::uint32_t>(s.point_y[i]) != std::bit_cast<std::uint32_t>(figure_.ys[i])) {
                std::ostringstream m;
                m.precision(9);
                m << "point " << i << " is (" << s.point_x[i] << ", " << s.point_y[i] << "), model ("
                  << figure_.xs[i] << ", " << figure_.ys[i] << ")\n";
                return m.str();
            }
        }
        return {};
    }

    std::unique_ptr<Module1> real_; // on the heap, so ASan sees reads before its start
    model::Figure figure_;
    RecordingSink sink_;
};

// Draws user actions: mostly clicks, often chained where the last side ended, with the odd
// far-off point, count change, loop, kaleidoscope, export, clear and recolouring.
class OpMaker {
public:
    explicit OpMaker(std::uint64_t seed) : rng_(seed) {}

    // `strings_per_copy` keeps the replays small enough for a quick run.
    Op next(long long strings_per_copy, bool full)
    {
        Op op;
        // A full table mostly just says so; start afresh soon.
        const int r = full && pick(4) == 0 ? 93 : pick(100);
        if (r < 52) {
            op.kind = Op::Click;
            click(op);
        } else if (r < 62) {
            op.kind = Op::Subdivs;
            op.text = subdivs_text();
        } else if (r < 70) {
            op.kind = Op::Close;
        } else if (r < 79) {
            op.kind = Op::Kaleidoscope;
            op.text = copies_text(strings_per_copy);
        } else if (r < 93) {
            op.kind = Op::Export;
            op.text = copies_text(strings_per_copy);
        } else if (r < 95) {
            op.kind = Op::Clear;
        } else {
            op.kind = Op::Palette;
            for (Colour& c : op.colours)
                c = std::uniform_int_distribution<Colour>(0, kMaxColour)(rng_);
        }
        return op;
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    float log_uniform(double low, double high)
    {
        const double e = std::uniform_real_distribution<double>(std::log(low), std::log(high))(rng_);
        return float(pick(2) ? std::exp(e) : -std::exp(e));
    }

    void click(Op& op)
    {
        const int r = pick(100);
        if (r < 25) {
            op.x = last_x_, op.y = last_y_; // start where the last side ended
        } else if (r < 80) {
            std::uniform_real_distribution<float> on_canvas(-600.0f, 600.0f);
            op.x = on_canvas(rng_), op.y = on_canvas(rng_);
            // Whole and half units put metafile coordinates right on a rounding tie.
            if (const int grid = pick(3))
                op.x = std::round(op.x * grid) / grid, op.y = std::round(op.y * grid) / grid;
        } else if (r < 95) {
            std::uniform_real_distribution<float> beside(-1200.0f, 1200.0f);
            op.x = beside(rng_), op.y = beside(rng_);
        } else if (r < 96) {
            // The edges of a metafile coordinate, and just beyond them.
            static const float edges[] = {16383.0f, 16383.4f, 16383.5f, 16384.0f, -16383.0f, -16383.4f,
                                          -16383.5f, -16383.6f, -16382.5f, 32767.0f, -32768.0f, 0.5f,
                                          -0.5f, 65536.0f};
            op.x = edges[pick(int(std::size(edges)))], op.y = edges[pick(int(std::size(edges)))];
        } else if (r < 98) {
            op.x = log_uniform(600, 40000), op.y = log_uniform(600, 40000);
        } else {
            op.x = log_uniform(1, 1e30), op.y = log_uniform(1e-30, 1e30);
        }
        last_x_ = op.x, last_y_ = op.y;
    }

    std::string subdivs_text()
    {
        static const char* const odd[] = {"",     "abc",     "40000",    "-40000", "2.5",  "7.5", " 12 ",
                                          "1e3",  "1e5",     "32767.5",  "-32768.5", "0x10", "1,5", ".",
                                          "-",    "nan",     "16383.5",  "0.4",    "-0.5", "6.5"};
        static const int extreme[] = {16383, 16384, -16384, -16385, 32767, -32768, -32767, -32766, 20000, -20000,
                                      5000, 5001, 5002, 9999, 2500, 2501};
        const int r = pick(100);
        if (r < 45)
            return std::to_string(2 + pick(29));
        if (r < 58) {
            static const int small[] = {0, 1, -1, -2, -5, -20};
            return std::to_string(small[pick(6)]);
        }
        if (r < 68)
            return std::to_string(31 + pick(270));
        if (r < 74)
            return std::to_string(300 + pick(4700));
        if (r < 82)
            return std::to_string(extreme[pick(int(std::size(extreme)))]);
        return odd[pick(int(std::size(odd)))];
    }

    std::string copies_text(long long strings_per_copy)
    {
        static const char* const texts[] = {"0",  "1",   "2",     "3",      "4",     "5",     "6",   "8",
                                            "12", "-1",  "-3",    "abc",    "",      "40000", "-40000",
                                            "2.5", "3.5", "1e1",  " 6 ",    "0.4",   "-0.5",  "32767",
                                            "-32768", "1,5", "5x", "0.5",  "1.5",   "7"};
        for (;;) {
            const std::string text = texts[pick(int(std::size(texts)))];
            const auto copies = reference::to_int16(text);
            const long long work = copies ? std::llabs(*copies) * (strings_per_copy + 1) : 0;
            if (work <= 120000)
                return text;
        }
    }

    std::mt19937_64 rng_;
    float last_x_ = 0, last_y_ = 0;
};

} // namespace

class PropertyTest : public QObject {
    Q_OBJECT

private slots:
    void workedExamples();
    void randomSequences();
    void extremeCoordinatesStayFinite();

private:
    static std::string run(Harness& h, const std::vector<Op>& ops);
};

std::string PropertyTest::run(Harness& h, const std::vector<Op>& ops)
{
    for (std::size_t i = 0; i < ops.size(); ++i) {
        const std::string trouble = h.apply(ops[i]);
        if (!trouble.empty())
            return "step " + std::to_string(i) + " (" + ops[i].describe() + "):\n" + trouble;
    }
    return {};
}

// Runs the steps on the core and the model; any difference fails with its description.
#define CHECK_RUN(harness, ...)                                                                            \
    do {                                                                                                   \
        const std::string trouble_ = run(harness, __VA_ARGS__);                                            \
        QVERIFY2(trouble_.empty(), trouble_.c_str());                                                      \
    } while (false)

// Holds the model to the worked examples, and the core to the model, on hand-made sequences.
void PropertyTest::workedExamples()
{
    const auto click = [](float x, float y) { Op op; op.kind = Op::Click; op.x = x; op.y = y; return op; };
    const auto text = [](Op::Kind kind, const char* t) { Op op; op.kind = kind; op.text = t; return op; };
    Op primary;
    primary.kind = Op::Palette;
    primary.colours = {rgb(0, 0, 0), rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255),
                       rgb(0, 255, 255), rgb(255, 255, 0), rgb(255, 0, 255), rgb(128, 128, 128)};
    using D = model::Drawn;

    { // subdivs 3, clicks A, B, B, C.
        Harness h;
        CHECK_RUN(h, {primary, text(Op::Subdivs, "3"), click(0, 0), click(4, 0), click(4, 0), click(4, 4)});
        QVERIFY(h.last_enable_save);
        const std::vector<float> xs = {0, 2, 4, 4, 4, 4}, ys = {0, 0, 0, 0, 2, 4};
        QCOMPARE(h.figure().xs, xs);
        QCOMPARE(h.figure().ys, ys);
        const std::vector<D> fan = {{D::Dot, 0, 4, 2}, {D::Dot, 0, 4, 4},
                                    {D::Colour, 0}, {D::Line, 0, 0, 0, 4, 0},
                                    {D::Colour, 0}, {D::Line, 0, 2, 0, 4, 2},
                                    {D::Colour, 0}, {D::Line, 0, 4, 0, 4, 4}};
        QVERIFY(h.figure().drawn == fan);
    }
    { // Two sides of 20, then "complete loop": strings 40-20 .. 59-39 in palette[1].
        Harness h;
        CHECK_RUN(h, {primary, click(-300, 0), click(0, 300), click(0, 300), click(300, 0), text(Op::Close, "")});
        QVERIFY(!h.last_limit);
        QCOMPARE(int(h.real().point_count), 60);
        const auto& drawn = h.figure().drawn;
        QCOMPARE(drawn.size(), std::size_t(21));
        QCOMPARE(drawn[0].colour, rgb(255, 0, 0));
        QCOMPARE(drawn[1].x1, h.figure().xs[40]);
        QCOMPARE(drawn[1].x2, h.figure().xs[20]);
        QCOMPARE(drawn[20].y2, h.figure().ys[39]);
        // Saving 60 points: 40 strings.
        CHECK_RUN(h, {text(Op::Export, "5")});
        QCOMPARE(h.last_strings, 40LL);
    }
    { // Two sides of 20 saved with the kaleidoscope off: 2 pens, 20 strings.
        Harness h;
        CHECK_RUN(h, {click(-300, 0), click(0, 300), click(0, 300), click(300, 0), text(Op::Export, "7")});
        std::vector<model::Record> records;
        h.figure().metafile(1, records);
        const auto count = [&](std::uint16_t f) {
            return std::count_if(records.begin(), records.end(), [f](const model::Record& r) { return r.function == f; });
        };
        QCOMPARE(count(0x02FA), 2);
        QCOMPARE(count(0x012D), 2);
        QCOMPARE(count(0x01F0), 2);
        QCOMPARE(count(0x0214), 20);
        QCOMPARE(count(0x0213), 20);
        // Four copies of one fan: a pen change and 20 strings per copy, the fourth turned by 270 degrees.
        CHECK_RUN(h, {text(Op::Kaleidoscope, "4")});
        const auto& quarter = h.figure().drawn;
        QCOMPARE(quarter.size(), std::size_t(84));
        QVERIFY(std::fabs(quarter[83].x2 - h.figure().ys[39]) < 1e-3f);
        QVERIFY(std::fabs(quarter[83].y2 + h.figure().xs[39]) < 1e-3f);
        CHECK_RUN(h, {text(Op::Export, "4")});
        QCOMPARE(h.last_strings, 80LL);
    }
    { // subdivs 1, 0 and negative: the second click stores nothing.
        for (const char* n : {"1", "0", "-3"}) {
            Harness h;
            CHECK_RUN(h, {text(Op::Subdivs, n), click(1, 1), click(2, 2), click(3, 3), click(4, 4),
                          text(Op::Close, ""), text(Op::Kaleidoscope, "3"), text(Op::Export, "3")});
            QCOMPARE(int(h.real().point_count), std::string(n) == "1" ? 3 : 2);
        }
    }
    { // Raising subdivs between sides starts the next fan before point 0.
        Harness h;
        CHECK_RUN(h, {text(Op::Subdivs, "3"), click(0, 0), click(3, 0), text(Op::Subdivs, "5"), click(3, 0),
                      click(3, 3)});
        QCOMPARE(name_of(h.last_limit), "NegativeIndex");
    }
    { // The 5002nd point is never stored: 4 sides of 1250 points, a click that stores the 5001st,
      // and a second click that finds the table full.
        Harness h;
        std::vector<Op> ops = {text(Op::Subdivs, "1250")};
        for (int side = 0; side < 4; ++side) {
            ops.push_back(click(float(side), 0));
            ops.push_back(click(float(side + 1), 0));
        }
        ops.push_back(click(9, 9));
        ops.push_back(click(8, 8));
        CHECK_RUN(h, ops);
        QCOMPARE(int(h.real().point_count), 5001);
        QCOMPARE(name_of(h.last_limit), "TableFull");
        CHECK_RUN(h, {text(Op::Close, "")});
        QCOMPARE(name_of(h.last_limit), "TableFull");
        CHECK_RUN(h, {text(Op::Clear, ""), text(Op::Subdivs, "20000"), click(1, 1)});
        QCOMPARE(name_of(h.last_limit), "Overflow");
    }
}

void PropertyTest::randomSequences()
{
    const std::uint64_t seed = env_number("TRESSIK_PROPERTY_SEED", kDefaultSeed);
    const std::uint64_t steps = env_number("TRESSIK_PROPERTY_STEPS", kDefaultSteps);
    qInfo("seed %llu, %llu steps; rerun with TRESSIK_PROPERTY_SEED=%llu TRESSIK_PROPERTY_STEPS=%llu",
          static_cast<unsigned long long>(seed), static_cast<unsigned long long>(steps),
          static_cast<unsigned long long>(seed), static_cast<unsigned long long>(steps));

    OpMaker maker(seed);
    Harness h;
    std::deque<std::string> recent;
    std::map<std::string, int> limits;
    int clean_exports = 0, cut_exports = 0, peak_points = 0;
    std::size_t largest_file = 0;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    Clock::time_point last_report = start;
    for (std::uint64_t step = 0; step < steps; ++step) {
        // A long run says how far it has got, about every ten seconds.
        if (step % 1024 == 0 && Clock::now() - last_report >= std::chrono::seconds(10)) {
            last_report = Clock::now();
            const double seconds = std::chrono::duration<double>(last_report - start).count();
            qInfo("%llu of %llu steps, %.0f s, %.0f steps/s", static_cast<unsigned long long>(step),
                  static_cast<unsigned long long>(steps), seconds, double(step) / seconds);
        }
        const auto& f = h.figure();
        const long long per_copy = f.subdivs > 0 ? std::max(0, f.point_count() - f.subdivs) : 1;
        const Op op = maker.next(per_copy, f.point_count() == model::Figure::kTable);
        recent.push_back("#" + std::to_string(step) + " " + op.describe());
        if (recent.size() > 40)
            recent.pop_front();
        const std::string trouble = h.apply(op);
        if (!trouble.empty()) {
            std::string log;
            for (const std::string& line : recent)
                log += "  " + line + "\n";
            QFAIL(("seed " + std::to_string(seed) + ", step " + std::to_string(step) + ": " + trouble
                   + "last steps:\n" + log)
                      .c_str());
        }
        if (h.last_limit)
            ++limits[name_of(h.last_limit)];
        clean_exports += op.kind == Op::Export && !h.last_limit && h.last_strings > 0;
        cut_exports += op.kind == Op::Export && h.last_cut > 0;
        peak_points = std::max<int>(peak_points, h.real().point_count);
        largest_file = std::max(largest_file, h.last_file.size());
    }

    std::string tally;
    for (const auto& [name, n] : limits)
        tally += " " + name + "=" + std::to_string(n);
    qInfo("limits:%s; %d exports with strings and no limit, %d with strings cut; largest figure %d points, "
          "largest file %zu bytes",
          tally.c_str(), clean_exports, cut_exports, peak_points, largest_file);
    // A run of the default length must reach every limit, or the sequences are too tame.
    if (steps >= kDefaultSteps) {
        for (const char* name : {"TableFull", "NegativeIndex", "DivisionByZero", "Overflow", "BadCopies"})
            QVERIFY2(limits.count(name), name);
        QVERIFY(clean_exports > 10);
        QVERIFY(cut_exports > 10); // strings beyond the metafile's range, cut or left out
        QCOMPARE(peak_points, 5001);
        QVERIFY(largest_file > (std::size_t(1) << 20)); // beyond the writer's buffer
    }
}

// Points near the end of single precision: turning them must not hand the canvas infinities.
void PropertyTest::extremeCoordinatesStayFinite()
{
    Module1 s;
    s.subdivs = 2;
    RecordingSink sink;
    for (const auto& [x, y] : {std::pair{3e38f, 3e38f}, {-3e38f, 3e38f}, {-3e38f, 3e38f}, {-3e38f, -3e38f}})
        QVERIFY(!enter_point(s, sink, x, y).limit);
    QCOMPARE(sink.non_finite, 0LL);
    const ReplayResult r = draw_kaleidoscope(s, 8, sink);
    QCOMPARE(sink.non_finite, 0LL);
    // Copy 1, at 45 degrees, takes (3e38, 3e38) to (0, 4.2e38): beyond single precision.
    QVERIFY2(r.limit.has_value(), "no limit reported for strings beyond single precision");
}

int main(int argc, char** argv)
{
    // A long run on demand goes on for as long as it takes: QTest's per-function watchdog
    // (five minutes unless told otherwise) would stop it part-way.
    if (env_number("TRESSIK_PROPERTY_STEPS", kDefaultSteps) > kDefaultSteps
        && !qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number(std::numeric_limits<int>::max()));
    PropertyTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_property.moc"
