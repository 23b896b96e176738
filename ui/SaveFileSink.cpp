#include "ui/SaveFileSink.h"

#include <QSaveFile>

bool SaveFileSink::write(const char* data, std::size_t size)
{
    return file_.write(data, qint64(size)) == qint64(size);
}

bool SaveFileSink::rewrite_start(const char* data, std::size_t size)
{
    const qint64 end = file_.pos();
    return file_.seek(0) && write(data, size) && file_.seek(end);
}
