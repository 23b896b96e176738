#include "app/WindowIcon.h"

#include <QDir>

QIcon window_icon()
{
    QIcon icon;
    const QDir icons(QStringLiteral(":/icons"));
    for (const QString& file : icons.entryList({QStringLiteral("tressik-*.png")}, QDir::Files))
        icon.addFile(icons.filePath(file));
    return icon;
}
