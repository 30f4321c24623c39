#pragma once

#include <QDate>
#include <QDialog>

#include <functional>
#include <memory>

class QAction;
class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace Ui {
class frmEditClass;
}
namespace mss::data {
class Connection;
}
namespace mss::patients {
struct PatientSelection;
}
namespace mss::suite {
class clsCurrentUser;
}

namespace mss::classification {

class ClassificationStore;

// Switches the selected admission between Pay and Service, shows its earlier classifications and
// deletes the latest of them after the user confirms their rights and states a reason.
class frmEditClass final : public QDialog {
    Q_OBJECT

public:
    // Works on the connection given, for the user given: the one whose employee code is recorded
    // and whose rights and password allow a deletion.
    frmEditClass(const patients::PatientSelection &selection, data::Connection *connection,
        const suite::clsCurrentUser *user, QWidget *parent = nullptr);
    ~frmEditClass() override;

    // Fills the patient's info and the admission's type. Raises what fails.
    void load();
    // "&SAVE"; true when the type was stored (the window then closes).
    bool save();
    // "&View Previous Classifications" and "<< BACK".
    void showHistory();
    void hideHistory();
    // "Delete record" and F10: the latest history entry, after the rights prompt and a reason.
    void deleteHistoryEntry();

    // Today, for the expiry check; replaceable so that tests can pick the day.
    std::function<QDate()> today = [] { return QDate::currentDate(); };

    QGroupBox *fraInfo = nullptr;
    QLineEdit *txtIDNum = nullptr;
    QLineEdit *txtName = nullptr;
    QLineEdit *txtHospNo = nullptr;
    QLineEdit *txtMSSno = nullptr;
    QButtonGroup *optClass = nullptr;
    QRadioButton *optPay = nullptr; // optClass(0)
    QRadioButton *optService = nullptr; // optClass(1)
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdPrev = nullptr;
    QGroupBox *fraHistory = nullptr;
    QTableWidget *grdClassHistory = nullptr;
    QPushButton *cmdBack = nullptr;
    QMenu *mnuFileDelete = nullptr;
    QAction *mnuDelete = nullptr;

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ClassificationStore store() const;
    QString employeeCode() const;
    void resetHistoryGrid();
    // Widens the window until every history column shows whole.
    void fitHistoryColumns();
    // Without the history panel: the window's own width, or more when the patient's name needs it.
    int narrowWidth() const;
    void bindControls();
    void buildDeleteMenu();
    void wireCommands();
    // F10 and the grid's F10: the deletion, guarded as the menu item's is.
    void deleteFromKey();

    std::unique_ptr<Ui::frmEditClass> m_ui;
    const patients::PatientSelection &m_selection;
    data::Connection *m_connection;
    const suite::clsCurrentUser *m_user;
    QWidget *m_panel = nullptr; // patient info, class and buttons: the narrow part
};

} // namespace mss::classification
