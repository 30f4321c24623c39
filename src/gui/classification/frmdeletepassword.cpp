#include "classification/frmdeletepassword.h"

#include "auth/currentuser.h"
#include "session/sessionstate.h"
#include "ui/messages.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace mss::classification {

frmDeletePassword::frmDeletePassword(const suite::clsCurrentUser *user, QWidget *parent) : QDialog(parent), m_user(user)
{
    setObjectName(QStringLiteral("frmDeletePassword"));
    setWindowTitle(QStringLiteral("Password"));
    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    // The text is the user's password: it never goes through the clipboard or an input method.
    txtPassword->setAttribute(Qt::WA_InputMethodEnabled, false);
    txtPassword->setMinimumWidth(220);
    cmdEnter = new QPushButton(QStringLiteral("&Enter"), this);
    cmdEnter->setObjectName(QStringLiteral("cmdEnter"));
    // Enter in the box presses the button once; the dialog's own default button would press it twice.
    cmdEnter->setAutoDefault(false);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(txtPassword, 1);
    layout->addWidget(cmdEnter);

    connect(txtPassword, &QLineEdit::returnPressed, this, &frmDeletePassword::enter);
    connect(cmdEnter, &QPushButton::clicked, this, &frmDeletePassword::enter);
}

void frmDeletePassword::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_deleteOK = false;
    txtPassword->setFocus();
}

void frmDeletePassword::enter()
{
    const suite::clsCurrentUser *user = m_user ? m_user : shell::Session().CurrentUser.get();
    if (user && user->have_rights(QStringLiteral("A")) && user->checkConfirmation(txtPassword->text())) {
        m_deleteOK = true;
        accept();
        return;
    }
    // A user locked out by wrong passwords is told why, as the log-on tells it.
    const int wait = user ? user->secondsLockedOut() : 0;
    ui::Messages::show(wait > 0 ? QStringLiteral("Too many wrong passwords for user %1. Please wait %2 seconds before "
                                                 "trying again.")
                                      .arg(user->employeecode())
                                      .arg(wait)
                                : QStringLiteral("Password not valid!"),
        {}, QMessageBox::Information, QMessageBox::Ok, this);
    txtPassword->setFocus();
}

} // namespace mss::classification
