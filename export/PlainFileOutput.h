#pragma once

#include "export/FileDescriptor.h"
#include "export/Output.h"

#include <string>

// Writes straight into the named file, created or emptied on open: the plainest way to a
// file, against which the benchmark measures the export. Not for saving figures: a failure
// leaves whatever was written.
class PlainFileOutput final : public Output {
public:
    // With `durable`, commit waits until the file is on the disk.
    PlainFileOutput(std::string path, bool durable) : path_(std::move(path)), durable_(durable) {}

    bool open() override;
    bool write(const char* data, std::size_t size) override;
    bool overwrite(std::uint64_t offset, const char* data, std::size_t size) override;
    bool commit() override;
    void cancel() override { fd_.close(); }

private:
    std::string path_;
    bool durable_;
    FileDescriptor fd_;
};
