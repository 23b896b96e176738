#include "ui/UserMessages.h"

#include <QApplication>
#include <QMessageBox>

void UserMessages::tell(const QString& text, const QString& name)
{
    QApplication::beep();
    delete message_.data();
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Tressik"), text, QMessageBox::Ok, window_);
    box->setObjectName(name);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
    message_ = box;
}

void UserMessages::report_limit(Limit limit, const QString& consequence)
{
    QString text = QString::fromUtf8(describe(limit));
    if (!consequence.isEmpty())
        text += QLatin1Char('\n') + consequence;
    tell(text, QStringLiteral("limitMessage"));
}

void UserMessages::close()
{
    if (message_)
        message_->close();
}
