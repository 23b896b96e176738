// Saves a few figures in every format through the program's own export and atomic save, for
// scripts/interop.sh to open in other programs. Usage: interop_figures <folder>
// Prints one line per file: <file> <width> <height>, the figure's size in logical units.
// With --large <folder> <copies>: a kaleidoscope of four sides of 1250 points, `copies`
// times (3750 strings a copy; 20000 copies make 75 million), as PDF, and a fan 60000 units
// wide, larger than a PNG is drawn, as SVG and PNG.

#include "core/Module1.h"
#include "core/NullSink.h"
#include "core/SideEntry.h"
#include "export/AtomicFileOutput.h"
#include "export/FigureExport.h"
#include "export/SaveCommand.h"

#include <cstdio>
#include <cstdlib>
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

bool save(const Module1& state, int copies, const std::string& path, FigureFormat format)
{
    AtomicFileOutput out(path);
    const SaveResult saved = save_metafile(out, [&](Output& o) { return write_figure(format, state, copies, o); });
    if (!saved.saved())
        std::fprintf(stderr, "could not save %s\n", path.c_str());
    return saved.saved();
}

int large(const std::string& folder, int copies)
{
    Module1 kaleidoscope;
    kaleidoscope.subdivs = 1250;
    kaleidoscope.palette = {rgb(0, 0, 0),     rgb(255, 0, 0),   rgb(0, 255, 0),   rgb(0, 0, 255),
                            rgb(0, 255, 255), rgb(255, 255, 0), rgb(255, 0, 255), rgb(128, 128, 128)};
    NullSink nowhere;
    const std::pair<float, float> corners[] = {{60, 60}, {360, 60}, {360, 360}, {60, 360}, {60, 60}};
    for (int side = 0; side < 4; ++side) {
        enter_point(kaleidoscope, nowhere, corners[side].first, corners[side].second);
        enter_point(kaleidoscope, nowhere, corners[side + 1].first, corners[side + 1].second);
    }
    Module1 wide;
    wide.subdivs = 20;
    wide.palette = kaleidoscope.palette;
    for (auto [x, y] : {std::pair{0.f, 0.f}, {0.f, 20000.f}, {0.f, 20000.f}, {60000.f, 20000.f}})
        enter_point(wide, nowhere, x, y);
    return save(kaleidoscope, copies, folder + "/kaleidoscope.pdf", FigureFormat::Pdf)
            && save(wide, 1, folder + "/wide.svg", FigureFormat::Svg) && save(wide, 1, folder + "/wide.png", FigureFormat::Png)
        ? 0
        : 1;
}

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--large")
        return large(argv[2], std::atoi(argv[3]));
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
