#include "app/CommandLine.h"
#include "app/WindowIcon.h"
#include "ui/CaptionFit.h"
#include "ui/Form1.h"

#include <QApplication>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char* argv[])
{
    // A program started through execve with no arguments at all has argc 0.
    const std::vector<std::string> args = argc > 1 ? std::vector<std::string>(argv + 1, argv + argc)
                                                   : std::vector<std::string>();
    const CommandLine command_line(args, [](const char* name) { return std::getenv(name); });
    if (command_line.action() != CommandLine::Action::Run) {
        std::fputs(command_line.text().c_str(), command_line.exit_code() == 0 ? stdout : stderr);
        return command_line.exit_code();
    }
    // Set only when the user chose no platform, so it overrides nothing of theirs.
    if (!command_line.platform().empty())
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(command_line.platform()));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tressik"));
    QApplication::setWindowIcon(window_icon());
    // The windows are laid out to the pixel; larger desktop fonts would cut off the captions.
    use_program_font();
    Form1 form;
    form.show();
    // A drawing named on the command line opens once the program has started as usual.
    if (!command_line.file().empty())
        form.open_drawing(QFile::decodeName(QByteArray::fromStdString(command_line.file())));
    return app.exec();
}
