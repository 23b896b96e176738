#include "ui/Form1.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tressik"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tressik.png")));
    // The windows are laid out to the pixel for a compact 8-point dialog font; larger
    // desktop defaults would cut off the captions.
    QFont font = QApplication::font();
    if (font.pointSizeF() > 8) {
        font.setPointSizeF(8);
        QApplication::setFont(font);
    }
    Form1 form;
    form.show();
    return app.exec();
}
