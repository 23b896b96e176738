#pragma once

#include "core/Box.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// What one command changed in an image: the changed pixels of a side the image no longer
// shows, as runs along rows. Undo and redo swap them with the image, so a step keeps one
// copy of what it changed, never a whole picture: a fan a few thousand pixels, a cleared
// sparse figure only its strings' pixels.
class PixelChange {
public:
    // Runs of changed pixels with at most this many unchanged ones between them are kept as
    // one, those included: fewer, longer runs swap faster, for a few bytes more.
    static constexpr int kJoinGap = 16;

    PixelChange() = default;

    // The pixels inside `box` where `now` differs from `before`, keeping before's. Both
    // images have the same size and `stride` pixels to a row; the box lies inside them.
    static PixelChange between(const std::uint32_t* before, const std::uint32_t* now, int stride,
                               const Box& box);

    // Swaps the kept pixels with the image's, which must show the other side: the image then
    // shows the kept side, and the change keeps what the image showed. Returns the box of the
    // pixels it wrote.
    Box swap(std::uint32_t* image, int stride);

    bool empty() const { return runs_.empty(); }
    // Pixels kept, those between close runs included.
    std::size_t pixels() const { return pixels_.size(); }
    // Memory held, for the history's budget.
    std::size_t bytes() const;
    const Box& box() const { return box_; }

private:
    struct Run {
        int row, left, count;
    };
    std::vector<Run> runs_;
    std::vector<std::uint32_t> pixels_; // the runs' pixels, one after the other
    Box box_;
};
