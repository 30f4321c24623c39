#include "classification/frmdeletepassword.h"

#include "auth/currentuser.h"
#include "ui/commandguard.h"
#include "ui/messages.h"
#include "ui_frmdeletepassword.h"

#include <QLineEdit>
#include <QPushButton>

namespace mss::classification {

frmDeletePassword::frmDeletePassword(const suite::clsCurrentUser *user, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmDeletePassword>()), m_user(user)
{
    m_ui->setupUi(this);
    txtPassword = m_ui->txtPassword;
    cmdEnter = m_ui->cmdEnter;
    // The text is the user's password: it never goes through the clipboard or an input method.
    txtPassword->setAttribute(Qt::WA_InputMethodEnabled, false);
    // Enter in the box presses the button once: the form keeps the button from being the dialog's
    // default, which Enter would press a second time.
    ui::connectGuarded(txtPassword, &QLineEdit::returnPressed, this, [this] { enter(); });
    ui::connectGuarded(cmdEnter, &QPushButton::clicked, this, [this] { enter(); });
}

frmDeletePassword::~frmDeletePassword() = default;

void frmDeletePassword::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_deleteOK = false;
    txtPassword->setFocus();
}

void frmDeletePassword::enter()
{
    const suite::clsCurrentUser *user = m_user;
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
