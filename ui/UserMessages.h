#pragma once

#include "core/Limit.h"

#include <QPointer>
#include <QString>

class QWidget;

// Every message of the program: one beep and one box, one message at a time, and never
// modal, so the user keeps drawing while it is up.
class UserMessages {
public:
    explicit UserMessages(QWidget* window) : window_(window) {}

    // Shows `text` in a box named `name`, in place of any message still up.
    void tell(const QString& text, const QString& name);
    // A command stopped at `limit`; `consequence` says what that meant, if anything.
    void report_limit(Limit limit, const QString& consequence = {});
    // A message about the figure means nothing once the tool window is gone.
    void close();

private:
    QWidget* window_;
    QPointer<QWidget> message_;
};
