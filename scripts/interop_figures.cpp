// Saves a few figures the way a user does, through the tool window's "save as   .wmf", and
// the same figures as SVG, PDF and PNG through the export the tool window calls, for
// scripts/interop.sh to open in other programs. Usage: interop_figures <folder>
// Prints one line per file: <file> <width> <height>, the figure's size in logical units.

#include "export/AtomicFileOutput.h"
#include "export/FigureExport.h"
#include "export/SaveCommand.h"
#include "ui/Form1.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>

#include <cstdio>

namespace {

struct Fan {
    const char* name;
    float left, bottom, width, height;
};

// A left side going up, then a top side going right: the fan between them fills the
// figure's top left corner and leaves the bottom right one empty.
constexpr Fan kFans[] = {
    {"wide", 0, 0, 400, 300},
    {"tall-off-origin", -900, -700, 300, 900},
    {"canvas-sized", -520, -380, 1040, 760},
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: interop_figures <folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (const Fan& fan : kFans) {
        Form1 form([] { return 0.0; }); // chips at random "0": black strings
        const float top = fan.bottom + fan.height, right = fan.left + fan.width;
        form.canvas_MouseUp(1, 0, fan.left, fan.bottom);
        form.canvas_MouseUp(1, 0, fan.left, top);
        form.canvas_MouseUp(1, 0, fan.left, top);
        form.canvas_MouseUp(1, 0, right, top);
        const QString path = folder.filePath(QString::fromLatin1(fan.name) + QStringLiteral(".wmf"));
        form.set_file_name_asker([&](QWidget*, const QString&, const QString&) { return path; });
        form.mnuSaveas->trigger();
        const bool failed = form.findChild<QMessageBox*>(QStringLiteral("saveFailedMessage")) != nullptr;
        if (failed || !QFileInfo::exists(path)) {
            std::fprintf(stderr, "could not save %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s %g %g\n", qPrintable(path), double(fan.width), double(fan.height));
        for (FigureFormat format : {FigureFormat::Svg, FigureFormat::Pdf, FigureFormat::Png}) {
            const QString other = folder.filePath(QString::fromLatin1(fan.name) + QLatin1Char('.')
                                                  + QString::fromLatin1(suffix_of(format)));
            AtomicFileOutput out(QFile::encodeName(other).toStdString());
            const SaveResult saved = save_metafile(out, [&](Output& o) { return write_figure(format, form.state(), 1, o); });
            if (!saved.saved()) {
                std::fprintf(stderr, "could not save %s\n", qPrintable(other));
                return 1;
            }
            std::printf("%s %g %g\n", qPrintable(other), double(fan.width), double(fan.height));
        }
    }
    return 0;
}
