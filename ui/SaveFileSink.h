#pragma once

#include "export/ByteSink.h"

class QSaveFile;

// Hands the metafile's bytes to a QSaveFile, so a save that fails or stops part-way
// never leaves a truncated file and never destroys the file that was there.
class SaveFileSink final : public ByteSink {
public:
    explicit SaveFileSink(QSaveFile& file) : file_(file) {}

    bool write(const char* data, std::size_t size) override;
    bool rewrite_start(const char* data, std::size_t size) override;

private:
    QSaveFile& file_;
};
