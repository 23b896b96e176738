#pragma once

#include "export/FileDescriptor.h"
#include "export/Output.h"

#include <cstdint>
#include <string>
#include <system_error>
#include <vector>
#include <sys/types.h>

// Why a destination is refused before anything is written to it.
enum class Refusal {
    ReadOnly = 1,    // the user may not write the file, or its permission bits let nobody
    NamedPipe,
    CharacterDevice,
    BlockDevice,
    Socket,
    NotAFile,        // anything else that is not a regular file
};
const std::error_category& refusal_category();
std::error_code make_error_code(Refusal refusal);

// The save's file. It is written under a temporary name in the destination's folder and
// renamed over the destination on commit, so a save that fails or is cancelled leaves the
// earlier file exactly as it was and no part of the new one.
//
// A symbolic link is followed: the file it points to is replaced and the link stays. A
// replaced file keeps its permission bits, and its owner and group where the system lets
// us. A file that may not be written, even one only root could write, is refused, and so is
// anything that is not a regular file (a pipe, a device, a socket). When the folder does not let a new file be made but the earlier file can be written,
// that file is written in place instead; such a save is not atomic, and earlier() says
// whether the earlier file has been touched.
class AtomicFileOutput final : public Output {
public:
    // Written in place, this much of the file waits in memory before the earlier file is
    // touched: a small figure's save that stops early leaves the earlier file as it was.
    static constexpr std::size_t kHoldBack = std::size_t(8) << 20;

    explicit AtomicFileOutput(std::string path) : path_(std::move(path)) {}
    ~AtomicFileOutput() override;
    AtomicFileOutput(const AtomicFileOutput&) = delete;
    AtomicFileOutput& operator=(const AtomicFileOutput&) = delete;

    bool open() override;
    bool write(const char* data, std::size_t size) override;
    bool overwrite(std::uint64_t offset, const char* data, std::size_t size) override;
    bool commit() override;
    void cancel() override;
    Earlier earlier() const override;

private:
    bool open_temporary(std::size_t name_max);
    bool open_in_place(std::error_code refused);
    // Keeps the reason, drops what was written; false.
    bool fail_and_discard(std::error_code reason);
    bool holding_back() const;
    bool release_held();
    void discard();

    std::string path_;
    std::string target_;
    std::string temporary_;
    FileDescriptor fd_;
    std::uint64_t end_ = 0; // bytes appended so far
    bool existed_ = false;
    mode_t mode_ = 0;
    uid_t owner_ = 0;
    gid_t group_ = 0;
    bool direct_ = false;
    bool touched_ = false; // in place: a byte of the earlier file has been overwritten
    bool released_ = false; // in place: the held-back bytes have gone to the file
    std::vector<char> held_;
    bool done_ = false;
};
