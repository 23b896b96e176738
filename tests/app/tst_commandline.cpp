#include "app/CommandLine.h"

#include <QTest>

#include <map>

using Action = CommandLine::Action;
Q_DECLARE_METATYPE(CommandLine::Action)

namespace {

CommandLine parse(const QStringList& args, const QStringList& env)
{
    std::vector<std::string> arguments;
    for (const QString& a : args)
        arguments.push_back(a.toStdString());
    std::map<std::string, std::string> variables;
    for (const QString& e : env)
        variables[e.section('=', 0, 0).toStdString()] = e.section('=', 1).toStdString();
    return CommandLine(arguments, [&](const char* name) -> const char* {
        const auto found = variables.find(name);
        return found == variables.end() ? nullptr : found->second.c_str();
    });
}

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void decides_before_the_toolkit_starts_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<Action>("action");
        QTest::addColumn<int>("exit_code");
        QTest::addColumn<QString>("says");

        const QStringList x11{"DISPLAY=:0"};
        const QStringList none;
        // Starting as usual, on any kind of display.
        QTest::newRow("X11") << QStringList{} << x11 << Action::Run << 0 << "";
        QTest::newRow("Wayland") << QStringList{} << QStringList{"WAYLAND_DISPLAY=wayland-0"} << Action::Run << 0 << "";
        QTest::newRow("QT_QPA_PLATFORM") << QStringList{} << QStringList{"QT_QPA_PLATFORM=offscreen"} << Action::Run << 0 << "";
        // Qt's own options pass, with their values, in either spelling.
        QTest::newRow("-platform, no display") << QStringList{"-platform", "offscreen"} << none << Action::Run << 0 << "";
        QTest::newRow("--platform") << QStringList{"--platform", "minimal"} << none << Action::Run << 0 << "";
        QTest::newRow("-display names one") << QStringList{"-display", ":1"} << none << Action::Run << 0 << "";
        QTest::newRow("-style, -session, -reverse")
            << QStringList{"-style", "Fusion", "-session", "abc", "-reverse"} << x11 << Action::Run << 0 << "";
        QTest::newRow("-style= and --stylesheet=")
            << QStringList{"-style=Windows", "--stylesheet=a.qss", "-qwindowtitle", "T"} << x11 << Action::Run << 0 << "";
        QTest::newRow("a value that looks like an option") << QStringList{"-qwindowtitle", "--help"} << x11
                                                          << Action::Run << 0 << "";
        // Answers that need no display.
        QTest::newRow("--help") << QStringList{"--help"} << none << Action::Help << 0 << "Usage: tressik";
        QTest::newRow("-h") << QStringList{"-h"} << none << Action::Help << 0 << "--version";
        QTest::newRow("--version") << QStringList{"--version"} << none << Action::Version << 0
                                   << "tressik " TRESSIK_VERSION "\n";
        QTest::newRow("help after a Qt option") << QStringList{"-style", "Fusion", "--help"} << x11 << Action::Help
                                                << 0 << "Usage:";
        // Refused, first come first served.
        QTest::newRow("unknown option") << QStringList{"--bogus"} << x11 << Action::Usage << 2
                                        << "tressik: unrecognised argument '--bogus'\nUsage: tressik";
        QTest::newRow("two drawings") << QStringList{"a.svg", "b.svg"} << x11 << Action::Usage << 2
                                      << "only one drawing can be opened at a time: 'b.svg'";
        QTest::newRow("-platform= is not Qt's") << QStringList{"-platform=offscreen"} << x11 << Action::Usage << 2
                                                << "'-platform=offscreen'";
        QTest::newRow("-reverse takes no value") << QStringList{"-reverse=1"} << x11 << Action::Usage << 2 << "";
        QTest::newRow("missing value") << QStringList{"-platform"} << none << Action::Usage << 2
                                       << "option '-platform' needs a value";
        QTest::newRow("bad, then --help") << QStringList{"-x", "--help"} << none << Action::Usage << 2 << "'-x'";
        QTest::newRow("--help, then bad") << QStringList{"--help", "-x"} << none << Action::Help << 0 << "";
        // No graphical session at all.
        QTest::newRow("no display") << QStringList{} << none << Action::NoDisplay << 1
                                    << "neither DISPLAY nor WAYLAND_DISPLAY is set\n";
        QTest::newRow("empty variables") << QStringList{} << QStringList{"DISPLAY=", "WAYLAND_DISPLAY="}
                                         << Action::NoDisplay << 1 << "";
        QTest::newRow("a style is no display") << QStringList{"-style", "Fusion"} << none << Action::NoDisplay << 1
                                               << "";
    }

    void decides_before_the_toolkit_starts()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, env);
        QFETCH(Action, action);
        QFETCH(int, exit_code);
        QFETCH(QString, says);

        const CommandLine line = parse(args, env);
        QCOMPARE(line.action(), action);
        QCOMPARE(line.exit_code(), exit_code);
        const QString text = QString::fromStdString(line.text());
        QCOMPARE(text.isEmpty(), action == Action::Run);
        QVERIFY2(text.contains(says), qPrintable(text));
        if (action == Action::NoDisplay)
            QCOMPARE(text.count('\n'), 1); // one line
    }

    void names_the_drawing()
    {
        const auto file = [](const QStringList& args) { return parse(args, {"DISPLAY=:0"}).file(); };
        QCOMPARE(file({"-style", "Fusion"}), "");
        QCOMPARE(file({"-style", "Fusion", "fan.svg"}), "fan.svg");
        QCOMPARE(file({"-"}), "-"); // a dash alone is a name
        QCOMPARE(file({"--", "-fan.png"}), "-fan.png");
    }

    void prefers_x11_on_wayland_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<QString>("platform");

        const QStringList both{"WAYLAND_DISPLAY=wayland-0", "DISPLAY=:0"};
        QTest::newRow("Wayland with XWayland") << QStringList{} << both << "xcb;wayland";
        QTest::newRow("Wayland session type") << QStringList{} << QStringList{"XDG_SESSION_TYPE=wayland", "DISPLAY=:0"}
                                              << "xcb;wayland";
        QTest::newRow("-display names an X server") << QStringList{"-display", ":1"}
                                                    << QStringList{"WAYLAND_DISPLAY=wayland-0"} << "xcb;wayland";
        QTest::newRow("Wayland alone") << QStringList{} << QStringList{"WAYLAND_DISPLAY=wayland-0", "DISPLAY="} << "";
        QTest::newRow("X11 session") << QStringList{} << QStringList{"XDG_SESSION_TYPE=x11", "DISPLAY=:0"} << "";
        QTest::newRow("QT_QPA_PLATFORM wins") << QStringList{} << both + QStringList{"QT_QPA_PLATFORM=wayland"} << "";
        QTest::newRow("-platform wins") << QStringList{"-platform", "wayland"} << both << "";
        QTest::newRow("not when leaving") << QStringList{"--version"} << both << "";
    }

    void prefers_x11_on_wayland()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, env);
        QFETCH(QString, platform);
        QCOMPARE(QString::fromStdString(parse(args, env).platform()), platform);
    }
};

QTEST_APPLESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
