#pragma once

#include <cstddef>
#include <cstdint>
#include <system_error>

// Where an export's bytes go. A file is opened, written front to back, patched at its start
// once the totals are known, and then either committed (the file is complete and in place)
// or cancelled (nothing of it is left). Every failure keeps the system's error code, so the
// user can be told why. No toolkit is involved: the export stays testable on its own.
class Output {
public:
    // What became of a file of the destination's name that was there before the save.
    enum class Earlier {
        None,      // there was none, or nothing has been decided about it yet
        Unchanged, // it is exactly as it was
        Damaged,   // it was being written in place and holds part of the new file
    };

    virtual ~Output() = default;

    virtual bool open() = 0;
    // Appends all of `size` bytes, or fails.
    virtual bool write(const char* data, std::size_t size) = 0;
    // Overwrites bytes already written, at `offset` from the start.
    virtual bool overwrite(std::uint64_t offset, const char* data, std::size_t size) = 0;
    virtual bool commit() = 0;
    // Drops what was written; safe to call at any point, and more than once.
    virtual void cancel() = 0;

    // The first failure's reason; empty while nothing has failed.
    const std::error_code& error() const { return error_; }
    virtual Earlier earlier() const { return Earlier::None; }

protected:
    // Keeps the first reason: later ones are usually its consequences.
    bool fail(std::error_code reason)
    {
        if (!error_)
            error_ = reason;
        return false;
    }

private:
    std::error_code error_;
};
