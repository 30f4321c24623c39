#pragma once

#include <QMainWindow>

class QLabel;
class QMdiArea;
class QToolButton;

namespace mss::shell {

// The program's one top-level window: child windows open inside its MDI area, and its status
// bar shows who is logged on. Closing it ends the program.
class mdiMSS final : public QMainWindow {
    Q_OBJECT

public:
    explicit mdiMSS(QWidget *parent = nullptr);

    QMdiArea *mdiArea = nullptr;
    QLabel *pnlCurrentUser = nullptr;     // status bar panel 1, key "CurrentUser"
    QLabel *pnlCurrentDateTime = nullptr; // status bar panel 2, key "CurrentDateTime"
    QToolButton *btnClose = nullptr;      // "Change Active User"

    // The text of status bar panel 1 for a user.
    static QString userPanelText(const QString &employeeCode, const QString &employeeName);

protected:
    void closeEvent(QCloseEvent *event) override;
};

} // namespace mss::shell
