#pragma once

#include "core/Colour.h"
#include "core/StateChange.h"
#include "raster/PixelChange.h"

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

// Which canvas image a step's pixels were taken from, and whether they still line up with it:
// a new canvas, a resize and a figure drawn afresh each make another.
struct ImageKey {
    std::uint64_t canvas = 0; // 0: no canvas was open
    std::uint64_t epoch = 0;
    std::uint64_t redraws = 0;
    bool operator==(const ImageKey&) const = default;
};

// The tool window's part of a step: only opening a drawing changes it.
struct StepControls {
    std::array<Colour, 8> chips{};
    QString subdivs_text, copies_text;
    bool operator==(const StepControls&) const = default;
};

// What a step puts back besides the drawing state and the pixels, on either side of it.
struct StepSide {
    Colour colour = 0;       // the canvas's drawing colour
    bool save_enabled = false;
    int copies = 0;          // the kaleidoscope's copies, should the figure be drawn afresh
    std::optional<StepControls> controls;
    bool operator==(const StepSide&) const = default;
};

// One figure command, both ways.
struct Step {
    StateChange state;
    std::optional<PixelChange> pixels; // none: they cannot be put back, the figure is redrawn
    ImageKey image;
    StepSide before, after;

    // Whether the command changed anything at all.
    bool empty() const { return state.empty() && (!pixels || pixels->empty()) && before == after; }
    std::size_t bytes() const;
};

// The steps that can be undone and redone, within a budget of memory: the oldest go first,
// the newest step stays whatever its size. A new step drops what could be redone.
class UndoHistory {
public:
    static constexpr std::size_t kBudget = std::size_t(256) << 20;

    explicit UndoHistory(std::size_t budget = kBudget) : budget_(budget) {}

    void add(Step step);
    bool can_undo() const { return done_ > 0; }
    bool can_redo() const { return done_ < steps_.size(); }
    // The step to take back, or to do again; only when there is one.
    Step& undo() { return steps_[--done_]; }
    Step& redo() { return steps_[done_++]; }

    std::size_t size() const { return steps_.size(); }
    std::size_t bytes() const { return bytes_; }

private:
    std::size_t budget_;
    std::deque<Step> steps_;
    std::size_t done_ = 0; // steps_[0 .. done_ - 1] are done
    std::size_t bytes_ = 0;
};
