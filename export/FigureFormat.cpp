#include "export/FigureFormat.h"

#include <optional>

namespace {

constexpr std::array<FigureFormat, 4> kFormats = {FigureFormat::Metafile, FigureFormat::Svg, FigureFormat::Pdf,
                                                  FigureFormat::Png};

// Where the suffix's dot is in the last part of the path; npos when it has none. A leading
// dot names a hidden file, not a suffix.
std::size_t suffix_dot(std::string_view name)
{
    const std::size_t slash = name.rfind('/');
    const std::size_t start = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos || dot <= start ? std::string_view::npos : dot;
}

std::optional<FigureFormat> format_of_suffix(std::string_view name)
{
    const std::size_t dot = suffix_dot(name);
    if (dot == std::string_view::npos)
        return std::nullopt;
    const std::string_view suffix = name.substr(dot + 1);
    for (FigureFormat f : kFormats) {
        const std::string_view known = suffix_of(f);
        bool same = suffix.size() == known.size();
        for (std::size_t i = 0; same && i < known.size(); ++i)
            same = (suffix[i] | 0x20) == known[i]; // ASCII letters only: no locale
        if (same)
            return f;
    }
    return std::nullopt;
}

} // namespace

std::string save_filter_list()
{
    std::string list;
    for (std::string_view f : kSaveFilters)
        list.append(list.empty() ? "" : ";;").append(f);
    return list;
}

std::size_t filter_index(std::string_view text)
{
    for (std::size_t i = 0; i < kSaveFilters.size(); ++i)
        if (kSaveFilters[i] == text)
            return i;
    return 0;
}

std::string_view suffix_of(FigureFormat format)
{
    switch (format) {
    case FigureFormat::Metafile: return "wmf";
    case FigureFormat::Svg: return "svg";
    case FigureFormat::Pdf: return "pdf";
    case FigureFormat::Png: return "png";
    }
    return "wmf";
}

std::size_t filter_of(FigureFormat format)
{
    std::size_t i = 0;
    while (i + 1 < kFormats.size() && kFormats[i] != format)
        ++i;
    return i;
}

SaveChoice choose_format(std::string_view name, std::size_t filter)
{
    if (const auto known = format_of_suffix(name))
        return {*known, std::string(name)};
    if (filter >= kAllFilesFilter)
        return {FigureFormat::Metafile, std::string(name)};
    const FigureFormat format = kFormats[filter];
    if (suffix_dot(name) != std::string_view::npos)
        return {format, std::string(name)};
    return {format, std::string(name) + "." + std::string(suffix_of(format))};
}

std::string switch_filter(std::string_view name, std::size_t to)
{
    // ".*" is a filter's pattern, not a suffix: it becomes the new filter's, or goes.
    if (name.ends_with(".*")) {
        name.remove_suffix(2);
        if (to >= kAllFilesFilter)
            return std::string(name);
        return std::string(name) + "." + std::string(suffix_of(kFormats[to]));
    }
    if (to >= kAllFilesFilter || !format_of_suffix(name))
        return std::string(name);
    return std::string(name.substr(0, suffix_dot(name) + 1)) + std::string(suffix_of(kFormats[to]));
}
