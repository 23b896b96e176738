#include "ui/CaptionFit.h"
#include "ui/Form1.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tressik"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tressik.png")));
    // The windows are laid out to the pixel; larger desktop fonts would cut off the captions.
    if (const QFont font = program_font(QApplication::font()); font != QApplication::font())
        QApplication::setFont(font);
    Form1 form;
    form.show();
    return app.exec();
}
