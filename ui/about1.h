#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// The about window "about Tressik": an ownership notice and "OK".
class about1 : public QWidget {
    Q_OBJECT

public:
    explicit about1(QWidget* parent = nullptr);

private:
    void Command1_Click();

    QLabel* Label1;
    QPushButton* Command1;
};
