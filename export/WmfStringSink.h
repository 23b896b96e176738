#pragma once

#include "core/Replay.h"

class WmfWriter;

// Turns the replay into metafile records: one pen per side, a move and a line per string.
// A string reaching beyond the range the file can hold is cut at its edge, or left out
// when it lies wholly outside; strings inside are written exactly as they always were.
// Stops the replay only when the writer can no longer write.
class WmfStringSink final : public StringSink {
public:
    // Creates and selects the pen the file starts with.
    WmfStringSink(WmfWriter& wmf, Colour first_pen);

    void pen(Colour colour) override;
    bool strings(std::span<const ReplayedString> batch) override;

    // Deletes the pen in use; call once after the replay.
    void release_pen();

    long long written() const { return written_; } // clipped ones included
    long long clipped() const { return clipped_; }
    long long left_out() const { return left_out_; }

private:
    void clip(const ReplayedString& s);

    WmfWriter& wmf_;
    int pen_;
    long long written_ = 0;
    long long clipped_ = 0;
    long long left_out_ = 0;
};
