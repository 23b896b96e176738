#include "ui/LongTask.h"

#include <QApplication>
#include <QProgressDialog>

namespace {
constexpr qint64 kUpdateEveryMs = 50;
}

LongTask::LongTask(QWidget* parent, QString label, int delay_ms)
    : parent_(parent), label_(std::move(label)), delay_ms_(delay_ms)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    clock_.start();
}

LongTask::~LongTask()
{
    delete dialog_.data();
    QApplication::restoreOverrideCursor();
}

bool LongTask::step(int done, int total)
{
    if (cancelled_)
        return false;
    const qint64 now = clock_.elapsed();
    // Nothing is known of the pace before the first piece of work is done.
    if (done == 0 || now < delay_ms_ || (shown_ && now - last_update_ < kUpdateEveryMs))
        return true;
    last_update_ = now;
    if (!dialog_) {
        dialog_ = new QProgressDialog(label_, QStringLiteral("Cancel"), 0, total, parent_);
        dialog_->setWindowModality(Qt::ApplicationModal);
        dialog_->setMinimumDuration(0);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        dialog_->show();
        shown_ = true;
    }
    dialog_->setMaximum(total);
    dialog_->setValue(done); // a modal progress dialog lets events through here
    QApplication::processEvents();
    cancelled_ = dialog_->wasCanceled();
    return !cancelled_;
}
