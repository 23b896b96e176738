#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

class QProgressDialog;
class QWidget;

// Long work on the one user-interface thread: a busy cursor from the start and, once the
// work has run longer than `delay_ms`, a modal progress dialog with a cancel button, so
// that no other command can start meanwhile. Short work shows no dialog at all.
class LongTask {
public:
    LongTask(QWidget* parent, QString label, int delay_ms);
    ~LongTask();
    LongTask(const LongTask&) = delete;
    LongTask& operator=(const LongTask&) = delete;

    // Reports progress; returns false once the user has cancelled.
    bool step(int done, int total);

private:
    QWidget* parent_;
    QString label_;
    int delay_ms_;
    QElapsedTimer clock_;
    qint64 last_update_ = 0;
    QPointer<QProgressDialog> dialog_;
    bool shown_ = false;
    bool cancelled_ = false;
};
