#pragma once

#include "core/Colour.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct Module1;

// The figure as a saved drawing carries it, so that Tressik can open the drawing again: the
// drawing state, the copies box's text, the chips and the copies the picture was drawn with.
// It travels as a short block of text inside the SVG, PDF and PNG files (docs/figure-block.md).
struct SavedFigure {
    static constexpr int kVersion = 1;
    static constexpr int kMaxPoints = 5001;
    // No block of a figure of kMaxPoints points comes near this; anything longer is refused
    // unread.
    static constexpr std::size_t kMaxBlockBytes = 256 * 1024;

    std::vector<float> point_x, point_y; // the points 0 .. point_count - 1, as stored
    std::int16_t subdivs = 20;
    bool side_open = false;
    bool kaleidoscope_on = false;
    std::string copies_text = "5"; // the copies box's text, as typed
    std::int16_t copies = 1;       // the copies the picture was drawn with
    std::array<Colour, 8> palette{};
    std::array<Colour, 8> chips{};
    // A PNG's image pixels per canvas pixel, as it was asked to be drawn (a picture too large
    // for a PNG has fewer); none in the other formats.
    std::optional<double> pixel_ratio;

    int point_count() const { return int(point_x.size()); }
    bool operator==(const SavedFigure&) const = default;
};

// The figure of `state` with the controls' part.
SavedFigure saved_figure(const Module1& state, std::string copies_text, std::int16_t copies,
                         const std::array<Colour, 8>& chips);
// Puts the figure's part of the drawing state into `state`: the points (the rest of the table
// zeroed), point_count, subdivs, side_open, kaleidoscope_on and the palette.
void restore_state(const SavedFigure& figure, Module1& state);

// The block's text: lines a person can read, the same bytes for the same figure. Points are
// taken up to the shorter of point_x and point_y.
std::string figure_block(const SavedFigure& figure);

struct BlockReading {
    std::optional<SavedFigure> figure;
    std::string cause; // why there is none, in words for a message: "the figure block is cut short"
};
// Reads a block as figure_block writes it, refusing anything else with the cause: the first
// thing wrong, naming its line. Takes time in proportion to the text's length.
BlockReading parse_figure_block(std::string_view text);
