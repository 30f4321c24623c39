#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

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
    // Without a user, the session's.
    explicit frmDeletePassword(const suite::clsCurrentUser *user = nullptr, QWidget *parent = nullptr);

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
    const suite::clsCurrentUser *m_user;
    int m_getForm = 0;
    bool m_deleteOK = false;
};

} // namespace mss::classification
