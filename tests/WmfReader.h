#pragma once

// A small metafile reader for the tests, written apart from the writer so that the two
// cannot share a mistake: every field is read byte by byte, little-endian.

#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wmf {

constexpr std::uint16_t kEndOfFile = 0x0000;
constexpr std::uint16_t kCreatePenIndirect = 0x02FA;
constexpr std::uint16_t kSelectObject = 0x012D;
constexpr std::uint16_t kDeleteObject = 0x01F0;
constexpr std::uint16_t kMoveTo = 0x0214;
constexpr std::uint16_t kLineTo = 0x0213;
constexpr std::uint16_t kSetMapMode = 0x0103;
constexpr std::uint16_t kSetWindowOrg = 0x020B;
constexpr std::uint16_t kSetWindowExt = 0x020C;
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;

struct Record {
    std::uint32_t words = 0;
    std::uint16_t function = 0;
    std::vector<std::uint16_t> params;

    std::int16_t param(std::size_t i) const { return static_cast<std::int16_t>(params.at(i)); }
};

// Where the figure lies: the placeable header's box (y turned over) and units per inch.
struct Placeable {
    std::int16_t handle = 0;
    std::int16_t left = 0, top = 0, right = 0, bottom = 0;
    std::uint16_t inch = 0;
    std::uint32_t reserved = 0;
};

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

struct File {
    Placeable placeable;
    // The mapping set before the first drawing record; absent when not set.
    std::optional<int> map_mode;
    std::optional<Point> window_org;
    std::optional<Point> window_ext;

    std::uint16_t type = 0;
    std::uint16_t header_words = 0;
    std::uint16_t version = 0;
    std::uint32_t size_words = 0;
    std::uint16_t objects = 0;
    std::uint32_t max_record = 0;
    std::uint16_t parameters = 0;
    std::vector<Record> records; // the drawing records: without the mapping and the end record

    // What the records themselves say, to hold the header against.
    std::uint32_t largest_record = 0;
    int peak_objects = 0;

    int count(std::uint16_t function) const
    {
        int n = 0;
        for (const Record& r : records)
            n += r.function == function;
        return n;
    }
};

inline std::uint16_t read16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::uint32_t read32(const unsigned char* p)
{
    return read16(p) | static_cast<std::uint32_t>(read16(p + 2)) << 16;
}

// Parses a whole file: a placeable header with its key and checksum, a 9-word header,
// records whose sizes add up to mtSize, an end record last. The mapping records before the
// first pen are kept apart from the drawing records. Also keeps the object table, an
// object taking the lowest free index, and requires every select and delete to name a live
// object. On any fault, returns nothing and says why.
inline std::optional<File> parse(const char* data, std::size_t size, std::string* error)
{
    const auto fail = [&](std::string why) {
        if (error)
            *error = std::move(why);
        return std::optional<File>();
    };
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    if (size < 22 + 18 || size % 2 != 0)
        return fail("file of " + std::to_string(size) + " bytes");
    File f;
    if (read32(bytes) != kPlaceableKey)
        return fail("no placeable header");
    std::uint16_t checksum = 0;
    for (int i = 0; i < 10; ++i)
        checksum ^= read16(bytes + 2 * i);
    if (checksum != read16(bytes + 20))
        return fail("placeable checksum " + std::to_string(read16(bytes + 20)) + ", words give "
                    + std::to_string(checksum));
    const auto signed16 = [&](std::size_t at) { return static_cast<std::int16_t>(read16(bytes + at)); };
    f.placeable.handle = signed16(4);
    f.placeable.left = signed16(6);
    f.placeable.top = signed16(8);
    f.placeable.right = signed16(10);
    f.placeable.bottom = signed16(12);
    f.placeable.inch = read16(bytes + 14);
    f.placeable.reserved = read32(bytes + 16);
    bytes += 22;
    size -= 22;

    f.type = read16(bytes);
    f.header_words = read16(bytes + 2);
    f.version = read16(bytes + 4);
    f.size_words = read32(bytes + 6);
    f.objects = read16(bytes + 10);
    f.max_record = read32(bytes + 12);
    f.parameters = read16(bytes + 16);
    if (f.header_words != 9)
        return fail("header of " + std::to_string(f.header_words) + " words");
    if (std::uint64_t(f.size_words) * 2 != size)
        return fail("mtSize " + std::to_string(f.size_words) + " words, file "
                    + std::to_string(size) + " bytes");

    std::vector<bool> live;
    int alive = 0;
    std::size_t at = 18;
    bool ended = false;
    while (at < size) {
        if (ended)
            return fail("records after the end record");
        if (size - at < 6)
            return fail("truncated record at byte " + std::to_string(at));
        Record r;
        r.words = read32(bytes + at);
        r.function = read16(bytes + at + 4);
        if (r.words < 3 || r.words > (size - at) / 2)
            return fail("record of " + std::to_string(r.words) + " words at byte " + std::to_string(at));
        for (std::uint32_t i = 3; i < r.words; ++i)
            r.params.push_back(read16(bytes + at + 2 * i));
        at += std::size_t(r.words) * 2;
        if (r.words > f.largest_record)
            f.largest_record = r.words;

        const bool drawn = !f.records.empty();
        if (!drawn && r.function == kSetMapMode && r.params.size() == 1) {
            f.map_mode = r.param(0);
            continue;
        }
        if (!drawn && (r.function == kSetWindowOrg || r.function == kSetWindowExt)
            && r.params.size() == 2) {
            (r.function == kSetWindowOrg ? f.window_org : f.window_ext) = Point{r.param(1), r.param(0)};
            continue;
        }
        if (r.function == kEndOfFile) {
            if (r.words != 3)
                return fail("end record of " + std::to_string(r.words) + " words");
            ended = true;
            continue;
        }
        if (r.function == kCreatePenIndirect) {
            std::size_t slot = 0;
            while (slot < live.size() && live[slot])
                ++slot;
            if (slot == live.size())
                live.push_back(true);
            live[slot] = true;
            if (++alive > f.peak_objects)
                f.peak_objects = alive;
        } else if (r.function == kSelectObject || r.function == kDeleteObject) {
            if (r.params.size() != 1)
                return fail("object record with " + std::to_string(r.params.size()) + " parameters");
            const std::uint16_t index = r.params[0];
            if (index >= live.size() || !live[index])
                return fail("object " + std::to_string(index) + " is not alive");
            if (r.function == kDeleteObject) {
                live[index] = false;
                --alive;
            }
        }
        f.records.push_back(std::move(r));
    }
    if (!ended)
        return fail("no end record");
    return f;
}

template <typename Bytes>
std::optional<File> parse(const Bytes& bytes, std::string* error)
{
    return parse(reinterpret_cast<const char*>(bytes.data()), std::size_t(bytes.size()), error);
}

// The parsed file, for tests that expect a well-formed one: anything else ends the test run.
inline File parsed(const std::vector<char>& bytes)
{
    std::string error;
    const auto file = parse(bytes, &error);
    if (!file)
        qFatal("not a well-formed metafile: %s", error.c_str());
    return *file;
}

} // namespace wmf
