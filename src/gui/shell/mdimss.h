#pragma once

#include "patients/frmlistpatient.h"
#include "patients/patientselection.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <functional>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolButton;

namespace mss::intake {
class frmIntakeSurveySheet;
}
namespace mss::referral {
class frmReprintARR;
}
namespace mss::classification {
class frmComputeDiscount;
}

namespace mss::notices {
class NoticeDesk;
}
namespace mss::help {
class HelpDesk;
}
namespace mss::shell {

class NoticeMonitor;
}
namespace mss::reports {
class ReportRunner;
}
namespace mss::shell {

// The program's one top-level window: menus, the tool bar, the status bar with the user and the
// clock, and the MDI area the department's windows open in. Closing it ends the program.
class mdiMSS final : public QMainWindow {
    Q_OBJECT

public:
    explicit mdiMSS(QWidget *parent = nullptr);
    ~mdiMSS() override;

    // The patient chosen in the patient list, read by every command.
    patients::PatientSelection &selection() { return m_selection; }

    // The text of status bar panel 1 for a user.
    static QString userPanelText(const QString &employeeCode, const QString &employeeName);

    // A menu item by its control name (mnuFile, mnuIntakeSheet, …), or null.
    QAction *action(const QString &name) const { return m_actions.value(name); }
    QMenu *menu(const QString &name) const { return m_menus.value(name); }
    // The Window menu, filled anew whenever it opens.
    QMenu *windowMenu() const { return m_windowMenu; }

    // The patient list's default instance: the open one, or a new one shown in the MDI area.
    patients::frmListPatient *showPatientList();
    patients::frmListPatient *patientList() const;
    // The list button: reopen the list with the numbers its boxes held.
    void reopenPatientList();
    // "Intake Sheet Entry": the selected patient's intake sheet, or the list when none is selected.
    intake::frmIntakeSurveySheet *showIntakeSheet();
    intake::frmIntakeSurveySheet *intakeSheet() const;
    // "Assessment and Referal": the selected admission's ARR, shown modally.
    void showArr();
    // "Re-Print ARR".
    void reprintArr();
    // "View Computation of Discount" for the selected admission; closing it brings the list back.
    classification::frmComputeDiscount *showComputeDiscount();
    // The patient list again: an open list is closed and reopened on what its boxes hold.
    void returnToPatientList();
    // Opens a window inside the MDI area.
    // Shows a child window where the user left it, or where firstPlace puts it the first time.
    QMdiSubWindow *openChild(QWidget *window, const std::function<void(QMdiSubWindow *)> &firstPlace = {});

    // Whether the selected admission allows "Patient Datasheet" (all-digit admission number).
    bool patientDatasheetSelectable() const { return m_datasheetSelectable; }

    NoticeMonitor *monitor() const { return m_monitor; }
    // F1 and the Help menu.
    help::HelpDesk &helpDesk() const { return *m_help; }
    // Opens the referral and discharge notice windows.
    notices::NoticeDesk &noticeDesk() const { return *m_notices; }
    // Runs this window's reports; their viewers open in the MDI area.
    reports::ReportRunner &reportRunner() const { return *m_reports; }

    QMdiArea *mdiArea = nullptr;
    QLabel *pnlCurrentUser = nullptr; // status bar panel 1, key "CurrentUser"
    QLabel *pnlCurrentDateTime = nullptr; // status bar panel 2, key "CurrentDateTime"
    QToolButton *btnDataEntry = nullptr;
    QToolButton *btnViewing = nullptr;
    QToolButton *btnFileMaintenance = nullptr;
    QToolButton *btnReports = nullptr;
    QToolButton *btnListing = nullptr;
    QToolButton *btnClose = nullptr;
    QToolButton *btnDischargeNotice = nullptr;
    QToolButton *btnReferralNotice = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildMenus();
    void buildToolBar();
    QAction *addItem(QMenu *menu, const QString &name, const QString &caption);
    QMenu *addMenu(QMenu *parent, const QString &name, const QString &caption);
    void updateDatasheetItem();
    void buildWindowMenu();
    void buildHelpMenu();
    // The Window menu lists the open windows as they are when it opens.
    void fillWindowMenu();
    // Whether the work not yet saved may go: asks when a window holds some.
    bool mayCloseUnsavedWork();
    patients::frmListPatient *createPatientList();
    // A new list that searches again as the old one did, showing the patient held when its rows
    // still hold them.
    void openListWith(const patients::ListSearch &search, const patients::PatientSelection &held);
    // Enables a menu item and runs its command inside the command guard.
    void wire(const QString &name, const std::function<void()> &command);

    patients::PatientSelection m_selection;
    QHash<QString, QAction *> m_actions;
    QHash<QString, QMenu *> m_menus;
    QPointer<patients::frmListPatient> m_list;
    QPointer<intake::frmIntakeSurveySheet> m_intake;
    QPointer<referral::frmReprintARR> m_reprint; // kept, hidden, between reprints
    QMenu *m_windowMenu = nullptr;
    NoticeMonitor *m_monitor = nullptr;
    notices::NoticeDesk *m_notices = nullptr;
    reports::ReportRunner *m_reports = nullptr;
    help::HelpDesk *m_help = nullptr;
    bool m_datasheetSelectable = false;
    // Commands whose windows are not built yet stay disabled; this lists the ones that are.
    QSet<QString> m_wired;
};

} // namespace mss::shell
