#include "ui/Form1.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tressik"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tressik.png")));
    Form1 form;
    form.show();
    return app.exec();
}
