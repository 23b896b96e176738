#pragma once

#include <QWidget>

class QLabel;

// The help window "Tressik help": it names the program.
class tressikhelp : public QWidget {
    Q_OBJECT

public:
    explicit tressikhelp(QWidget* parent = nullptr);

private:
    QLabel* Label1;
};
