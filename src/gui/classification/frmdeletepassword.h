#pragma once

#include <QDialog>

#include <memory>

class QLineEdit;
class QPushButton;

namespace Ui {
class frmDeletePassword;
}
namespace mss::suite {
class clsCurrentUser;
}

namespace mss::classification {

// Asks the logged-on user to confirm, with their code followed by their password, an action that
// needs the "A" right. The caller sets GetForm, shows the prompt modally and reads DeleteOK.
class frmDeletePassword final : public QDialog {
    Q_OBJECT
    Q_PROPERTY(int GetForm READ GetForm WRITE setGetForm)
    Q_PROPERTY(bool DeleteOK READ DeleteOK)

public:
    // The user whose rights and password confirm the action; without one, nothing is confirmed.
    explicit frmDeletePassword(const suite::clsCurrentUser *user, QWidget *parent = nullptr);
    ~frmDeletePassword() override;

    int GetForm() const { return m_getForm; }
    void setGetForm(int form) { m_getForm = form; }
    bool DeleteOK() const { return m_deleteOK; }

    // "&Enter": accepts the typed text or says it is not valid.
    void enter();

    QLineEdit *txtPassword = nullptr;
    QPushButton *cmdEnter = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::frmDeletePassword> m_ui;
    const suite::clsCurrentUser *m_user;
    int m_getForm = 0;
    bool m_deleteOK = false;
};

} // namespace mss::classification
