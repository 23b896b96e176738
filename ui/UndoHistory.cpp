#include "ui/UndoHistory.h"

std::size_t Step::bytes() const
{
    return sizeof *this + state.bytes() + (pixels ? pixels->bytes() : 0);
}

void UndoHistory::add(Step step)
{
    while (steps_.size() > done_) {
        bytes_ -= steps_.back().bytes();
        steps_.pop_back();
    }
    bytes_ += step.bytes();
    steps_.push_back(std::move(step));
    done_ = steps_.size();
    while (bytes_ > budget_ && steps_.size() > 1) {
        bytes_ -= steps_.front().bytes();
        steps_.pop_front();
        --done_;
    }
}
