#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// The file formats a figure can be saved in, and how the save dialog's choice of filter and
// the typed name decide between them.
enum class FigureFormat { Metafile, Svg, Pdf, Png };

// The save dialog's filters, in the order shown; the first is chosen at first. The last,
// "all files", has no format of its own: names without a known suffix become metafiles.
inline constexpr std::array<std::string_view, 5> kSaveFilters = {
    "meta files (*.wmf)", "SVG drawing (*.svg)", "PDF document (*.pdf)", "PNG image (*.png)",
    "all files (*.*)",
};
inline constexpr std::size_t kAllFilesFilter = 4;

// The filter texts joined for a Qt file dialog: "meta files (*.wmf);;SVG drawing (*.svg);;...".
std::string save_filter_list();

// The filter of `text`, one of kSaveFilters; the first when it is none of them.
std::size_t filter_index(std::string_view text);

// The filter that saves in `format`, an index into kSaveFilters.
std::size_t filter_of(FigureFormat format);

// The suffix a format's files take, without the dot: "wmf", "svg", "pdf", "png".
std::string_view suffix_of(FigureFormat format);

struct SaveChoice {
    FigureFormat format;
    std::string file_name; // the file that will be written
};

// What a save of `name` under filter `filter` writes. A name ending in .wmf, .svg, .pdf or .png
// (in any case) gets that format whatever the filter. A name with no suffix gets the filter's
// format and suffix. A name with any other suffix ("fan v1.2") keeps it and gets the filter's
// format. Under "all files" both of the latter are metafiles, named as typed.
SaveChoice choose_format(std::string_view name, std::size_t filter);

// The typed name after the user switches to filter `to`: a known suffix becomes the new
// filter's; under "all files", and for any other name, it stays as typed. A typed ".*"
// becomes the new filter's suffix, or is dropped under "all files": the result never ends
// in ".*".
std::string switch_filter(std::string_view name, std::size_t to);
