#pragma once

#include <QObject>
#include <QString>

class QWidget;

// Lets files be dropped on windows: a watched window takes a drag that carries a local
// file, and a drop reports the first such file.
class FileDrop : public QObject {
    Q_OBJECT

public:
    explicit FileDrop(QObject* parent = nullptr) : QObject(parent) {}

    // Takes drops on `window` from now on, for as long as both live.
    void watch(QWidget* window);

signals:
    void dropped(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
