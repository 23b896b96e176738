#pragma once

#include "core/Replay.h"

class WmfWriter;

// Turns the replay into metafile records: one pen per side, a move and a line per string.
// Stops the replay at the first string that a 16-bit coordinate cannot hold, and when
// the writer can no longer write.
class WmfStringSink final : public StringSink {
public:
    // Creates and selects the pen the file starts with.
    WmfStringSink(WmfWriter& wmf, Colour first_pen);

    void pen(Colour colour) override;
    bool strings(std::span<const ReplayedString> batch) override;

    // Deletes the pen in use; call once after the replay.
    void release_pen();

    bool out_of_range() const { return out_of_range_; }
    long long written() const { return written_; }

private:
    WmfWriter& wmf_;
    int pen_;
    bool out_of_range_ = false;
    long long written_ = 0;
};
