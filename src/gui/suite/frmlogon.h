#pragma once

#include "data/connection.h"

#include <QDialog>

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace Ui {
class frmLogOn;
}

namespace mss::suite {

class clsCurrentUser;

// The log-on dialog of the user-session component: user code, password and where the data is.
// A refused log-on is explained in the dialog, which stays open for another try.
class frmLogOn final : public QDialog {
    Q_OBJECT

public:
    explicit frmLogOn(clsCurrentUser &user, QWidget *parent = nullptr);
    ~frmLogOn() override;

    QLineEdit *txtUserCode = nullptr;
    QLineEdit *txtPassword = nullptr;
    QRadioButton *optEmbedded = nullptr;
    QRadioButton *optServer = nullptr;
    QLineEdit *txtFolder = nullptr;
    QLineEdit *txtConnectionString = nullptr;
    QLineEdit *txtServerPassword = nullptr; // the SQL Server log-in's password, kept out of the string
    QLabel *lblMessage = nullptr;
    QPushButton *cmdLogOn = nullptr;
    QPushButton *cmdCancel = nullptr;

    // Tries to log on with what the fields hold; what a click on "Log On" does.
    void tryLogOn();
    // True while the dialog waits for the hospital's server to answer.
    bool isConnecting() const { return m_connecting; }

    // Cancel and Escape stop a wait for the server and keep the dialog open; otherwise they
    // give up the log-on.
    void reject() override;

private:
    void bindControls();
    void addButtons();
    void showRememberedSource();
    void wireCommands();
    void chooseFolder();
    // Opens the server's connection on a worker thread; the dialog repaints and can be
    // cancelled meanwhile. The log-on's own time limit ends the wait at the latest.
    std::unique_ptr<data::Connection> openWhileResponsive(const QString &connectionString);
    void setConnecting(bool connecting);

    void updateSourceFields();
    // A password typed into the connection string moves to its own, masked field.
    void takePasswordFromConnectionString();

    std::unique_ptr<Ui::frmLogOn> m_ui;
    clsCurrentUser &m_user;
    bool m_connecting = false;
    bool m_waitCancelled = false;
};

// The user's log-on in this dialog: true when the user logged on, false when they gave up.
bool showLogOnWindow(clsCurrentUser &user);
// Asks whether a demo hospital may be made in the folder: true only on Yes.
bool confirmDemoHospital(const QString &folder);

} // namespace mss::suite
