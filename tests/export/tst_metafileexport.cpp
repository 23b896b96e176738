#include "FigureFiles.h"
#include "PropertyHarness.h"
#include "ScriptedOutput.h"
#include "WmfReader.h"

#include "core/Module1.h"
#include "export/MemoryOutput.h"
#include "export/MetafileExport.h"
#include "export/WmfStringSink.h"
#include "export/WmfWriter.h"

#include <QFile>
#include <QImage>
#include <QLineF>
#include <QRectF>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <cmath>
#include <limits>
#include <random>
#include <utility>
#include <vector>

using wmf::parsed;

namespace {

constexpr Colour kOrange = rgb(255, 165, 0);
constexpr Colour kSkyBlue = rgb(0, 165, 255); // orange with red and blue swapped

using figures::Points;

Module1 figure(const Points& points, int subdivs)
{
    Module1 m = figures::figure(points, subdivs, kOrange);
    m.palette[1] = kSkyBlue;
    return m;
}

// Point j of an irregular figure; x and y differ everywhere, so a swap shows.
std::pair<float, float> point(int j) { return {float(j * 7 - 50), float(3 * j + 11)}; }

Points points(int count)
{
    Points p;
    for (int j = 0; j < count; ++j)
        p.push_back(point(j));
    return p;
}


// The pen records' colours as Colour values, read back from the COLORREF words.
std::vector<Colour> pen_colours(const wmf::File& file)
{
    std::vector<Colour> colours;
    for (const wmf::Record& r : file.records) {
        if (r.function != wmf::kCreatePenIndirect)
            continue;
        if (r.params.size() != 5 || r.params[0] != 0 || r.params[1] != 1 || r.params[2] != 0
            || r.params[4] > 0xFF)
            qFatal("not a solid pen one unit wide");
        colours.push_back(r.params[3] + 65536 * r.params[4]);
    }
    return colours;
}

// (x, y) of the point records, in file order.
std::vector<std::pair<int, int>> points_of(const wmf::File& file, std::uint16_t function)
{
    std::vector<std::pair<int, int>> out;
    for (const wmf::Record& r : file.records)
        if (r.function == function)
            out.emplace_back(r.param(1), r.param(0));
    return out;
}

struct SvgPicture {
    double width = 0, height = 0;
    std::vector<QLineF> lines;
};

SvgPicture read_svg(const QString& path)
{
    SvgPicture picture;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return picture;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto a = xml.attributes();
        if (xml.name() == u"svg") {
            picture.width = a.value("width").toDouble();
            picture.height = a.value("height").toDouble();
        } else if (xml.name() == u"line") {
            picture.lines.emplace_back(a.value("x1").toDouble(), a.value("y1").toDouble(),
                                       a.value("x2").toDouble(), a.value("y2").toDouble());
        }
    }
    return picture;
}

std::string describe(const model::Record& r)
{
    std::ostringstream s;
    s << "record 0x" << std::hex << r.function << std::dec << " (";
    for (std::size_t i = 0; i < r.params.size(); ++i)
        s << (i ? ", " : "") << std::int16_t(r.params[i]);
    return s.str() + ")";
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

// Saves the harness's figure into memory as the save command does, reads the file back and
// holds it to the model.
class SaveCheck {
public:
    explicit SaveCheck(property::Harness& harness) : h(harness)
    {
        h.save = [this](const std::string& text, std::optional<Limit>& limit, std::optional<Limit>& expected) {
            return check(text, limit, expected);
        };
    }
    SaveCheck(const SaveCheck&) = delete;
    SaveCheck& operator=(const SaveCheck&) = delete;

    std::vector<char> file; // of the last save
    long long cut = 0;      // strings of the last save beyond the metafile's range

private:
    std::string check(const std::string& text, std::optional<Limit>& limit, std::optional<Limit>& expected)
    {
        file.clear();
        cut = 0;
        std::string trouble;
        const Module1& s = h.real();
        const model::Figure& figure_ = h.figure();
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
        file = out.bytes();
        h.last_strings = r.strings;
        if (r.write_failed || r.cancelled)
            trouble += "export failed or cancelled on its own\n";

        // Even a save stopped at a limit leaves a well-formed file of what came before.
        std::string why;
        const auto parsed = wmf::parse(file, &why);
        if (!parsed)
            return trouble + "metafile does not parse: " + why + "\n";
        if (parsed->type != 1 || parsed->version != 0x0300 || parsed->parameters != 0)
            trouble += "header is not a version 3 disk metafile\n";
        if (parsed->map_mode != 8 || !parsed->window_org || !parsed->window_ext)
            trouble += "no anisotropic mapping with a window before the first pen\n";
        if (parsed->objects != 1 || parsed->max_record != 8)
            trouble += "header says " + std::to_string(parsed->objects) + " objects, largest record "
                + std::to_string(parsed->max_record) + " words\n";
        std::vector<model::Record> records;
        for (const wmf::Record& r : parsed->records)
            records.push_back({r.function, r.params});
        records.push_back({wmf::kEndOfFile, {}}); // last, as the reader has checked
        long long written = 0, kept = 0, cut = 0;
        if (const std::string why_not = match_records(records, predicted, written, kept, cut); !why_not.empty())
            return trouble + why_not + "\n";
        if (r.strings != written || r.clipped != kept || r.clipped + r.left_out != cut)
            trouble += "export counted " + std::to_string(r.strings) + " strings, " + std::to_string(r.clipped)
                + " cut and " + std::to_string(r.left_out) + " left out; file and model say " + std::to_string(written)
                + ", " + std::to_string(kept) + " and " + std::to_string(cut - kept) + "\n";
        this->cut = cut;
        return trouble;
    }

    property::Harness& h;
};

} // namespace

class TestMetafileExport : public QObject {
    Q_OBJECT

private slots:
    // Two sides of twenty points: one fan of twenty strings, in the first colour.
    void fanOfTwenty_data()
    {
        QTest::addColumn<int>("copies");
        QTest::newRow("one copy") << 1;
        QTest::newRow("five copies") << 5;
    }

    void fanOfTwenty()
    {
        QFETCH(int, copies);
        MemoryOutput sink;
        const ExportResult result = write_metafile(figure(points(40), 20), copies, sink);
        QVERIFY(!result.limit);
        QVERIFY(!result.cancelled);
        QVERIFY(!result.write_failed);
        QCOMPARE(result.strings, 20LL * copies);

        const wmf::File file = parsed(sink.bytes());
        QCOMPARE(file.max_record, 8u);
        QCOMPARE(int(file.objects), 1);
        QCOMPARE(file.peak_objects, 1);

        std::vector<std::uint16_t> expected{wmf::kCreatePenIndirect, wmf::kSelectObject};
        for (int k = 0; k < copies; ++k) {
            expected.insert(expected.end(),
                            {wmf::kDeleteObject, wmf::kCreatePenIndirect, wmf::kSelectObject});
            for (int j = 0; j < 20; ++j)
                expected.insert(expected.end(), {wmf::kMoveTo, wmf::kLineTo});
        }
        expected.push_back(wmf::kDeleteObject);
        std::vector<std::uint16_t> functions;
        for (const wmf::Record& r : file.records)
            functions.push_back(r.function);
        QCOMPARE(functions, expected);

        std::vector<Colour> colours(copies + 1, kOrange);
        colours[0] = rgb(255, 0, 0);
        QCOMPARE(pen_colours(file), colours);

        // Copy 0 is the figure itself: point j to point j + 20.
        const auto moves = points_of(file, wmf::kMoveTo);
        const auto lines = points_of(file, wmf::kLineTo);
        for (int j = 0; j < 20; ++j) {
            QCOMPARE(moves[j], std::make_pair(int(point(j).first), int(point(j).second)));
            QCOMPARE(lines[j], std::make_pair(int(point(j + 20).first), int(point(j + 20).second)));
        }
    }

    void rounding_data()
    {
        QTest::addColumn<ReplayedString>("in");
        QTest::addColumn<std::vector<int>>("out"); // x1, y1, x2, y2
        QTest::newRow("nearest") << ReplayedString{0.4, 0, 2.5, 0} << std::vector{0, 0, 2, 0};
        QTest::newRow("halves to even")
            << ReplayedString{0.5, 1.5, -0.5, -1.5} << std::vector{0, 2, 0, -2};
        QTest::newRow("more halves")
            << ReplayedString{2.5, -2.5, 3.5, 2.5} << std::vector{2, -2, 4, 2};
        // Only the end point's y passes through single precision.
        QTest::newRow("float rounds down to a half")
            << ReplayedString{2.5000001, 2.5000001, 2.5000001, 2.5000001} << std::vector{3, 3, 3, 2};
        QTest::newRow("float rounds up to a half")
            << ReplayedString{3.4999999, 3.4999999, 3.4999999, 3.4999999} << std::vector{3, 3, 3, 4};
        QTest::newRow("ends of the range")
            << ReplayedString{-16382.5, 16383.4, -16383.0, 16383.49} << std::vector{-16382, 16383, -16383, 16383};
        QTest::newRow("small negatives") << ReplayedString{-0.4, -0.5, -0.49, -1e-300} << std::vector{0, 0, 0, 0};
    }

    void rounding()
    {
        QFETCH(ReplayedString, in);
        QFETCH(std::vector<int>, out);
        MemoryOutput bytes;
        WmfWriter wmf(bytes);
        WmfStringSink sink(wmf, 255);
        QVERIFY(sink.strings(std::span(&in, 1)));
        QCOMPARE(sink.clipped(), 0LL);
        sink.release_pen();
        QVERIFY(wmf.finish());
        const wmf::File file = parsed(bytes.bytes());
        QCOMPARE(points_of(file, wmf::kMoveTo), (std::vector{std::make_pair(out[0], out[1])}));
        QCOMPARE(points_of(file, wmf::kLineTo), (std::vector{std::make_pair(out[2], out[3])}));
    }

    // The rounding is done without the library; it must agree with std::nearbyint on
    // quarters (every half of the range among them), on the neighbours of halves, and on
    // arbitrary values.
    void roundingAgreesWithNearbyint()
    {
        std::vector<double> values;
        for (int k = -4 * 16383; k <= 4 * 16383; ++k) {
            values.push_back(k / 4.0);
            if (k % 2 != 0) {
                values.push_back(std::nextafter(k / 4.0, -1e9));
                values.push_back(std::nextafter(k / 4.0, 1e9));
            }
        }
        std::mt19937_64 random(12345);
        std::uniform_real_distribution<double> anywhere(-16383.0, 16383.0);
        for (int i = 0; i < 100000; ++i)
            values.push_back(anywhere(random));

        std::vector<ReplayedString> batch;
        for (double v : values)
            batch.push_back({v, -v, v / 3, 0});
        MemoryOutput bytes;
        WmfWriter wmf(bytes);
        WmfStringSink sink(wmf, 255);
        QVERIFY(sink.strings(batch));
        sink.release_pen();
        QVERIFY(wmf.finish());
        const wmf::File file = parsed(bytes.bytes());
        const auto moves = points_of(file, wmf::kMoveTo);
        const auto lines = points_of(file, wmf::kLineTo);
        QCOMPARE(moves.size(), values.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            const double v = values[i];
            if (moves[i] != std::make_pair(int(std::nearbyint(v)), int(std::nearbyint(-v)))
                || lines[i].first != int(std::nearbyint(v / 3)))
                QFAIL(qPrintable(QString("differs at %1").arg(v, 0, 'g', 17)));
        }
    }

    void roundingInTheExportedFile()
    {
        MemoryOutput plain;
        write_metafile(figure({{0.4f, 0}, {2.5f, 0}}, 1), 1, plain);
        const wmf::File one = parsed(plain.bytes());
        QCOMPARE(points_of(one, wmf::kMoveTo), (std::vector{std::make_pair(0, 0)}));
        QCOMPARE(points_of(one, wmf::kLineTo), (std::vector{std::make_pair(2, 0)}));

        // The half turn is a shade off exact (the program's pi has ten digits), which puts
        // x1 and y2 of the turned string just past -2.5: x1 goes to -3 from double, y2 to
        // -2 through single precision. Files written before must not change.
        MemoryOutput turned;
        write_metafile(figure({{2.5f, -100}, {100, 2.5f}}, 1), 2, turned);
        const wmf::File two = parsed(turned.bytes());
        QCOMPARE(points_of(two, wmf::kMoveTo), (std::vector{std::make_pair(2, -100), std::make_pair(-3, 100)}));
        QCOMPARE(points_of(two, wmf::kLineTo), (std::vector{std::make_pair(100, 2), std::make_pair(-100, -2)}));
    }

    // Strings beyond -16383 .. 16383 are cut at the edge; an end inside keeps its rounding.
    void clipping_data()
    {
        constexpr double nan = std::numeric_limits<double>::quiet_NaN();
        constexpr double inf = std::numeric_limits<double>::infinity();
        QTest::addColumn<ReplayedString>("in");
        QTest::addColumn<std::vector<int>>("out"); // x1, y1, x2, y2, or empty when left out
        QTest::addColumn<int>("clipped");
        QTest::newRow("inside by a hair") << ReplayedString{16383.4, -16383.4, 0, 0}
                                          << std::vector{16383, -16383, 0, 0} << 0;
        QTest::newRow("end past the right")
            << ReplayedString{2.5, 0.5, 30000, 0.5} << std::vector{2, 0, 16383, 0} << 1;
        QTest::newRow("start past the left")
            << ReplayedString{-20000, 100, 0, 100} << std::vector{-16383, 100, 0, 100} << 1;
        // Leaves at x = 16383.5, where y = 16383 * 16383.5 / 32766 = 8191.75.
        QTest::newRow("slanting out")
            << ReplayedString{0, 0, 32766, 16383} << std::vector{0, 0, 16383, 8192} << 1;
        QTest::newRow("through, both ends outside")
            << ReplayedString{-20000, -20000, 20000, 20000} << std::vector{-16383, -16383, 16383, 16383} << 1;
        QTest::newRow("rounds outside at the edge")
            << ReplayedString{16383.5, 7, 0, 7} << std::vector{16383, 7, 0, 7} << 1;
        QTest::newRow("wholly outside") << ReplayedString{20000, 0, 30000, 5} << std::vector<int>{} << 0;
        // y = x - 37000 passes the corner (16383, -16383) at y = -20617.
        QTest::newRow("past a corner")
            << ReplayedString{17000, -20000, 20000, -17000} << std::vector<int>{} << 0;
        QTest::newRow("beyond single precision") << ReplayedString{0, 0, 0, 1e300} << std::vector{0, 0, 0, 16383} << 1;
        QTest::newRow("not a number") << ReplayedString{0, 0, nan, 0} << std::vector<int>{} << 0;
        QTest::newRow("infinite") << ReplayedString{0, 0, 0, -inf} << std::vector<int>{} << 0;
        // Far ends cost no precision: the slope here is 1.75e19 / 1.87e22 = 0.000935829, so
        // the string leaves at x = -16383.5 with y = -15.33.
        QTest::newRow("far end, one inside")
            << ReplayedString{-1.87e22, -1.75e19, 0, 0} << std::vector{-16383, -15, 0, 0} << 1;
        QTest::newRow("far ends, through the middle")
            << ReplayedString{-1e22, -1e22, 1e22, 1e22} << std::vector{-16383, -16383, 16383, 16383} << 1;
        QTest::newRow("ends at the ends of double's range")
            << ReplayedString{-1e308, 0, 1e308, 0} << std::vector{-16383, 0, 16383, 0} << 1;
    }

    void clipping()
    {
        QFETCH(ReplayedString, in);
        QFETCH(std::vector<int>, out);
        QFETCH(int, clipped);
        MemoryOutput bytes;
        WmfWriter wmf(bytes);
        WmfStringSink sink(wmf, 255);
        // The strings around it are written as ever.
        const ReplayedString batch[] = {{1, 2, 3, 4}, in, {5, 6, 7, 8}};
        QVERIFY(sink.strings(batch));
        QCOMPARE(sink.clipped(), (long long)clipped);
        QCOMPARE(sink.left_out(), out.empty() ? 1LL : 0LL);
        QCOMPARE(sink.written(), out.empty() ? 2LL : 3LL);
        sink.release_pen();
        QVERIFY(wmf.finish());
        const wmf::File file = parsed(bytes.bytes());
        std::vector moves{std::make_pair(1, 2), std::make_pair(5, 6)};
        std::vector lines{std::make_pair(3, 4), std::make_pair(7, 8)};
        if (!out.empty()) {
            moves.insert(moves.begin() + 1, {out[0], out[1]});
            lines.insert(lines.begin() + 1, {out[2], out[3]});
        }
        QCOMPARE(points_of(file, wmf::kMoveTo), moves);
        QCOMPARE(points_of(file, wmf::kLineTo), lines);
    }

    // A point inside the range, (15000, 15000), lies 21213 from the origin: every odd eighth
    // turn carries it past an edge, where it is cut. Nothing else of the figure is lost, and
    // the box takes in every copy.
    void copiesTurnedOutwardAreClipped()
    {
        MemoryOutput sink;
        const ExportResult result = write_metafile(figure({{15000, 15000}, {0, 0}}, 1), 8, sink);
        QVERIFY(!result.limit);
        QVERIFY(!result.write_failed);
        QCOMPARE(result.strings, 8LL);
        QCOMPARE(result.clipped, 4LL);
        QCOMPARE(result.left_out, 0LL);
        const wmf::File file = parsed(sink.bytes());
        QCOMPARE(points_of(file, wmf::kMoveTo),
                 (std::vector<std::pair<int, int>>{{15000, 15000}, {0, 16383}, {-15000, 15000}, {-16383, 0},
                                                   {-15000, -15000}, {0, -16383}, {15000, -15000}, {16383, 0}}));
        QCOMPARE(points_of(file, wmf::kLineTo), (std::vector<std::pair<int, int>>(8, {0, 0})));
        const wmf::Placeable& p = file.placeable;
        QCOMPARE((std::vector<int>{p.left, p.top, p.right, p.bottom}),
                 (std::vector<int>{-16383, -16383, 16383, 16383}));
    }

    // The file is framed by the strings themselves: two sides of twenty points span x from
    // -50 to 223 and y from 11 to 128.
    void frameFitsTheFigure()
    {
        MemoryOutput sink;
        write_metafile(figure(points(40), 20), 1, sink);
        const wmf::File file = parsed(sink.bytes());
        const wmf::Placeable& p = file.placeable;
        QCOMPARE((std::vector<int>{p.left, p.top, p.right, p.bottom}), (std::vector<int>{-50, -128, 223, -11}));
        QCOMPARE(file.window_org, std::optional(wmf::Point{-50, 128}));
        QCOMPARE(file.window_ext, std::optional(wmf::Point{273, -117}));
        QCOMPARE(file.map_mode, std::optional(8));
    }

    void replayLimitsAndCancellation_data()
    {
        QTest::addColumn<int>("subdivs");
        QTest::addColumn<int>("cancel_at");
        QTest::addColumn<std::optional<Limit>>("limit");
        QTest::addColumn<bool>("cancelled");
        QTest::addColumn<long long>("strings");
        QTest::newRow("no points per side") << 0 << -1 << std::optional(Limit::DivisionByZero) << false << 0LL;
        QTest::newRow("negative points per side") << -1 << -1 << std::optional(Limit::NegativeIndex) << false << 0LL;
        QTest::newRow("cancelled at the third copy") << 20 << 2 << std::optional<Limit>() << true << 40LL;
    }

    void replayLimitsAndCancellation()
    {
        QFETCH(int, subdivs);
        QFETCH(int, cancel_at);
        QFETCH(std::optional<Limit>, limit);
        QFETCH(bool, cancelled);
        QFETCH(long long, strings);
        MemoryOutput sink;
        const ExportResult result = write_metafile(figure(points(40), subdivs), 5, sink,
                                                   [&](int done, int) { return done != cancel_at; });
        QCOMPARE(result.limit, limit);
        QCOMPARE(result.cancelled, cancelled);
        QCOMPARE(result.strings, strings);
        QVERIFY(!result.write_failed);
        QCOMPARE(parsed(sink.bytes()).count(wmf::kLineTo), int(strings));
    }

    // On a full disk the export gives up at once rather than replaying millions of strings.
    void writeFailureStopsTheExport()
    {
        Points ring;
        for (int i = 0; i < 5000; ++i)
            ring.emplace_back(float(10000 * std::cos(i * 0.01)), float(10000 * std::sin(i * 0.01)));
        ScriptedOutput sink;
        sink.fail_after_writes = 0;
        const ExportResult result = write_metafile(figure(ring, 20), 36, sink);
        QVERIFY(result.write_failed);
        QVERIFY(!result.limit);
        QCOMPARE(sink.write_sizes.size(), std::size_t(1));
        const long long one_buffer = WmfWriter::kBufferSize / 20;
        QVERIFY2(result.strings < one_buffer + 2048, qPrintable(QString::number(result.strings)));
    }

    // An independent reader: libwmf's converter must take the file and draw the same lines.
    void wmf2svgDrawsTheFile()
    {
        const QString tool = QStandardPaths::findExecutable("wmf2svg");
        QVERIFY2(!tool.isEmpty(), "wmf2svg is missing (Debian package libwmf-bin)");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());

        MemoryOutput sink;
        const ExportResult result = write_metafile(figure(points(60), 20), 2, sink);
        QCOMPARE(result.strings, 80LL);
        QFile wmf(dir.filePath("figure.wmf"));
        QVERIFY(wmf.open(QIODevice::WriteOnly));
        QCOMPARE(wmf.write(sink.bytes().data(), qint64(sink.bytes().size())), qint64(sink.bytes().size()));
        wmf.close();

        QProcess run;
        run.start(tool, {"-o", dir.filePath("figure.svg"), wmf.fileName()});
        QVERIFY(run.waitForFinished(60000));
        QCOMPARE(run.exitStatus(), QProcess::NormalExit);
        QVERIFY2(run.exitCode() == 0, run.readAllStandardError().constData());

        QFile svg(dir.filePath("figure.svg"));
        QVERIFY(svg.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&svg);
        QStringList strokes;
        std::vector<std::pair<double, double>> deltas;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"line")
                continue;
            const auto a = xml.attributes();
            deltas.emplace_back(a.value("x2").toDouble() - a.value("x1").toDouble(),
                                a.value("y2").toDouble() - a.value("y1").toDouble());
            for (const auto& part : a.value("style").split(u';')) {
                const auto trimmed = part.trimmed();
                if (trimmed.startsWith(u"stroke:"))
                    strokes << trimmed.mid(7).toString();
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(deltas.size(), std::size_t(80));
        // libwmf names the nearest SVG colour; red and blue swapped would be deepskyblue.
        QStringList expected;
        for (const char* name : {"orange", "deepskyblue", "orange", "deepskyblue"})
            for (int i = 0; i < 20; ++i)
                expected << name;
        QCOMPARE(strokes, expected);
        // The converter moves and scales the picture and turns y downward, but keeps its
        // shape: each string of the first copy spans what its two points span, at one scale.
        const double scale = deltas[0].first / (point(20).first - point(0).first);
        QVERIFY2(scale > 0.9 && scale < 1.1, qPrintable(QString::number(scale)));
        for (int j = 0; j < 40; ++j) {
            const double dx = point(j + 20).first - point(j).first;
            const double dy = point(j + 20).second - point(j).second;
            if (std::fabs(deltas[j].first - scale * dx) > 0.01 || std::fabs(deltas[j].second + scale * dy) > 0.01)
                QFAIL(qPrintable(QString("string %1 spans %2, %3").arg(j).arg(deltas[j].first).arg(deltas[j].second)));
        }
    }

    // Readers place the figure from the file's framing alone. A fan joins a left side (going
    // up) to a top side (going right): its first string is the left side, its last the top
    // side, and the corner opposite stays empty. Drawn right way up, not mirrored, at the
    // figure's own proportions.
    void readersShowTheFigureRightWayUp_data()
    {
        QTest::addColumn<QRectF>("box"); // in logical units, y up: x, y of the bottom left, w, h
        QTest::newRow("wide") << QRectF(0, 0, 400, 300);
        QTest::newRow("tall, off the origin") << QRectF(-900, -700, 300, 900);
    }

    void readersShowTheFigureRightWayUp()
    {
        QFETCH(QRectF, box);
        const QString svg_tool = QStandardPaths::findExecutable("wmf2svg");
        const QString magick = QStandardPaths::findExecutable("convert");
        QVERIFY2(!svg_tool.isEmpty(), "wmf2svg is missing (Debian package libwmf-bin)");
        QVERIFY2(!magick.isEmpty(), "convert is missing (Debian package imagemagick)");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString wmf = dir.filePath("fan.wmf");
        MemoryOutput sink;
        write_metafile(figures::fan(box), 1, sink);
        write_file(wmf, QByteArray(sink.bytes().data(), qsizetype(sink.bytes().size())));
        const double proportion = box.width() / box.height();

        // libwmf: the SVG's lines, y downward.
        QVERIFY(figures::run(svg_tool, {"-o", dir.filePath("fan.svg"), wmf}));
        const SvgPicture svg = read_svg(dir.filePath("fan.svg"));
        QCOMPARE(svg.lines.size(), std::size_t(20));
        QVERIFY2(svg.width >= 50, qPrintable(QString::number(svg.width)));
        QVERIFY2(std::fabs(svg.width / svg.height / proportion - 1) < 0.05,
                 qPrintable(QString("%1 x %2").arg(svg.width).arg(svg.height)));
        QRectF drawn;
        for (const QLineF& l : svg.lines)
            drawn |= QRectF(l.p1(), l.p2()).normalized().adjusted(0, 0, 1e-9, 1e-9);
        QVERIFY2(std::fabs(drawn.width() / drawn.height() / proportion - 1) < 0.05,
                 qPrintable(QString("%1 x %2").arg(drawn.width()).arg(drawn.height())));
        const QLineF left = svg.lines.front(), top = svg.lines.back();
        QVERIFY2(std::fabs(left.x1() - drawn.left()) < 1 && std::fabs(left.x2() - drawn.left()) < 1
                     && left.y1() > left.y2(),
                 "the left side is not drawn at the left, going up");
        QVERIFY2(std::fabs(top.y1() - drawn.top()) < 1 && std::fabs(top.y2() - drawn.top()) < 1
                     && top.x1() < top.x2(),
                 "the top side is not drawn at the top, going right");

        // ImageMagick: pixels.
        const QString png = dir.filePath("fan.png");
        QVERIFY(figures::run(magick, {wmf, png}));
        QImage image(png);
        QVERIFY2(!image.isNull(), "ImageMagick wrote no picture: is libmagickcore-6.q16-6-extra installed?");
        figures::check_ink(image, proportion);
    }

    // The worked examples that save, the files matched to the model record by record.
    void savesMatchTheModel()
    {
        using namespace property;
        { // Two sides of 20 saved with the kaleidoscope off: 2 pens, 20 strings.
            Harness h;
            SaveCheck save(h);
            CHECK_RUN(h, {click(-300, 0), click(0, 300), click(0, 300), click(300, 0), with_text(Op::Export, "7")});
            const wmf::File file = parsed(save.file);
            QCOMPARE(file.count(wmf::kCreatePenIndirect), 2);
            QCOMPARE(file.count(wmf::kSelectObject), 2);
            QCOMPARE(file.count(wmf::kDeleteObject), 2);
            QCOMPARE(file.count(wmf::kMoveTo), 20);
            QCOMPARE(file.count(wmf::kLineTo), 20);
            // "complete loop": saving 60 points writes 40 strings.
            CHECK_RUN(h, {with_text(Op::Close, ""), with_text(Op::Export, "5")});
            QCOMPARE(h.last_strings, 40LL);
            // After four copies of the kaleidoscope: 4 x 40 strings.
            CHECK_RUN(h, {with_text(Op::Kaleidoscope, "4"), with_text(Op::Export, "4")});
            QCOMPARE(h.last_strings, 160LL);
        }
        // subdivs 1, 0 and negative.
        for (const char* n : {"1", "0", "-3"}) {
            Harness h;
            SaveCheck save(h);
            CHECK_RUN(h, {with_text(Op::Subdivs, n), click(1, 1), click(2, 2), click(3, 3), click(4, 4),
                          with_text(Op::Close, ""), with_text(Op::Kaleidoscope, "3"), with_text(Op::Export, "3")});
        }
    }

    // Random sequences with saves between, each file matched to the model.
    void randomSavesMatchTheModel()
    {
        using namespace property;
        Harness h;
        SaveCheck save(h);
        int clean = 0, cut = 0;
        std::size_t largest = 0;
        const Tally tally = run_random(h, [&](const Op& op) {
            clean += op.kind == Op::Export && !h.last_limit && h.last_strings > 0;
            cut += op.kind == Op::Export && save.cut > 0;
            largest = std::max(largest, save.file.size());
        });
        QVERIFY2(tally.trouble.empty(), tally.trouble.c_str());
        qInfo("%d saves with strings and no limit, %d with strings cut; largest file %zu bytes", clean, cut, largest);
        if (full_length()) {
            QVERIFY(clean > 10);
            QVERIFY(cut > 10); // strings beyond the metafile's range, cut or left out
            QVERIFY(largest > (std::size_t(1) << 20)); // beyond the writer's buffer
        }
    }
};

int main(int argc, char** argv)
{
    property::allow_long_runs();
    QCoreApplication app(argc, argv);
    TestMetafileExport test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_metafileexport.moc"
