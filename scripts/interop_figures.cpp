// Saves a few figures in every format through the program's own export and atomic save, for
// scripts/interop.sh to open in other programs. Usage: interop_figures <folder>
// Prints one line per file: <file> <width> <height>, the figure's size in logical units.

#include "core/Module1.h"
#include "core/NullSink.h"
#include "core/SideEntry.h"
#include "export/AtomicFileOutput.h"
#include "export/FigureExport.h"
#include "export/SaveCommand.h"

#include <cstdio>
#include <string>

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
    if (argc != 2) {
        std::fprintf(stderr, "usage: interop_figures <folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    for (const Fan& fan : kFans) {
        Module1 state; // a black palette
        state.subdivs = 20;
        NullSink nowhere;
        const float top = fan.bottom + fan.height, right = fan.left + fan.width;
        for (auto [x, y] : {std::pair{fan.left, fan.bottom}, {fan.left, top}, {fan.left, top}, {right, top}})
            enter_point(state, nowhere, x, y);
        for (FigureFormat format : {FigureFormat::Metafile, FigureFormat::Svg, FigureFormat::Pdf, FigureFormat::Png}) {
            const std::string path = folder + '/' + fan.name + '.' + std::string(suffix_of(format));
            AtomicFileOutput out(path);
            const SaveResult saved = save_metafile(out, [&](Output& o) { return write_figure(format, state, 1, o); });
            if (!saved.saved()) {
                std::fprintf(stderr, "could not save %s\n", path.c_str());
                return 1;
            }
            std::printf("%s %g %g\n", path.c_str(), double(fan.width), double(fan.height));
        }
    }
    return 0;
}
