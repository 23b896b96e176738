#include "app/CommandLine.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

// Qt's own options (QGuiApplication, QApplication and the X11 platform), which Qt takes
// with one dash or two.
constexpr std::array<std::string_view, 16> kWithValue = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon",
    "qwindowtitle", "session", "display", "geometry", "title", "icon", "name", "visual", "style",
    "stylesheet"};
constexpr std::array<std::string_view, 6> kFlags = {"reverse", "widgetcount", "testability",
                                                    "nograb", "dograb", "sync"};
constexpr std::array<std::string_view, 4> kWithEquals = {"style", "stylesheet", "session",
                                                         "qmljsdebugger"};

template <std::size_t N>
bool among(const std::array<std::string_view, N>& names, std::string_view name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool is_set(const CommandLine::Environment& env, const char* name)
{
    const char* value = env(name);
    return value && *value;
}

bool wayland_session(const CommandLine::Environment& env)
{
    const char* type = env("XDG_SESSION_TYPE");
    return is_set(env, "WAYLAND_DISPLAY") || (type && std::string_view(type) == "wayland");
}

constexpr const char* kUsage = "Usage: tressik [--help] [--version] [Qt options] [DRAWING]\n";

constexpr const char* kHelp =
    "Usage: tressik [Qt options] [DRAWING]\n"
    "Draw string art by curve stitching: click pairs of points on the canvas to lay\n"
    "down sides; each new side is joined to the one before it by a fan of strings.\n"
    "\n"
    "DRAWING, an SVG, PDF or PNG file that Tressik saved, opens to its figure; so do\n"
    "File, open... (Ctrl+O) and a file dropped on a window. File, undo (Ctrl+Z) and\n"
    "redo (Ctrl+Shift+Z or Ctrl+Y) take back and do again every click on the canvas,\n"
    "\"clear canvas\", \"complete loop\", \"kaliedoscope\" and opening a drawing. A step\n"
    "from before the canvas was last resized is drawn afresh from the figure rather\n"
    "than put back pixel for pixel.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "The Qt toolkit's own options are accepted too, for example -platform NAME,\n"
    "-display DISPLAY, -style STYLE, -session ID and -reverse. See tressik(1).\n"
    "\n"
    "On a Wayland desktop that also runs an X server (DISPLAY set, as XWayland does)\n"
    "the windows open through X11, which keeps their layout and fixed frames;\n"
    "-platform or QT_QPA_PLATFORM chooses otherwise.\n";

} // namespace

CommandLine::CommandLine(const std::vector<std::string>& args, const Environment& env)
{
    bool options_end = false;
    for (std::size_t i = 0; i < args.size() && action_ == Action::Run; ++i) {
        const std::string& arg = args[i];
        const bool option = !options_end && arg.size() > 1 && arg[0] == '-';
        if (!option && !(arg == "--" && !options_end)) {
            if (!file_.empty())
                refuse("only one drawing can be opened at a time: '" + arg + "'");
            else if (arg.empty())
                refuse("an empty file name");
            else
                file_ = arg;
        } else if (arg == "--") {
            options_end = true;
        } else if (arg == "-h" || arg == "--help") {
            action_ = Action::Help;
            text_ = kHelp;
        } else if (arg == "--version") {
            action_ = Action::Version;
            text_ = "tressik " TRESSIK_VERSION "\n"
                    "Copyright (c) 2026 The Tressik authors\n"
                    "MIT License: this is free software; there is NO WARRANTY.\n";
        } else if (!accept_toolkit_option(args, i)) {
            refuse("unrecognised argument '" + arg + "'");
        }
    }
    if (action_ != Action::Run || platform_chosen_ || is_set(env, "QT_QPA_PLATFORM"))
        return;
    const bool x_server = display_named_ || is_set(env, "DISPLAY");
    if (!x_server && !is_set(env, "WAYLAND_DISPLAY")) {
        action_ = Action::NoDisplay;
        text_ = "tressik: needs a graphical session, but neither DISPLAY nor WAYLAND_DISPLAY is set\n";
    } else if (x_server && wayland_session(env)) {
        // Wayland lets no program place its windows or keep a fixed frame, so the tool
        // window could land on the canvas; the X server that Wayland desktops run beside
        // themselves keeps both. Wayland stays the fallback should that server not answer.
        platform_ = "xcb;wayland";
    }
}

int CommandLine::exit_code() const
{
    switch (action_) {
    case Action::Usage: return 2;
    case Action::NoDisplay: return 1;
    default: return 0;
    }
}

bool CommandLine::accept_toolkit_option(const std::vector<std::string>& args, std::size_t& i)
{
    std::string_view name = args[i];
    if (name.size() < 2 || name[0] != '-')
        return false;
    name.remove_prefix(name[1] == '-' ? 2 : 1);
    if (const auto equals = name.find('='); equals != std::string_view::npos)
        return among(kWithEquals, name.substr(0, equals));
    if (among(kFlags, name))
        return true;
    if (!among(kWithValue, name))
        return false;
    if (i + 1 >= args.size()) {
        refuse("option '" + args[i] + "' needs a value");
        return true;
    }
    ++i;
    platform_chosen_ = platform_chosen_ || name == "platform";
    display_named_ = display_named_ || name == "display";
    return true;
}

void CommandLine::refuse(const std::string& why)
{
    action_ = Action::Usage;
    text_ = "tressik: " + why + "\n" + kUsage;
}
