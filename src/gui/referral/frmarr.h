#pragma once

#include "ui/workcontext.h"

#include <QDialog>

#include <memory>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class QToolButton;

namespace Ui {
class frmARR;
}
namespace mss::data {
class Connection;
}
namespace mss::reports {
class ReportRunner;
}
namespace mss::ui {
struct Guard;
}

namespace mss::referral {

class ArrStore;
class CataloguePicker;
struct AllocationPatient;
struct ArrRecord;
struct ArrSaveValues;

// The assessment-and-referral record of one admission: classification, categories, referring
// party, tagging, services and activities, and the documents kept for the case.
class frmARR final : public QDialog {
    Q_OBJECT
    Q_PROPERTY(QString HospNum MEMBER HospNum)
    Q_PROPERTY(QString IDNUM MEMBER IDNUM)
    Q_PROPERTY(QString WorkerCode MEMBER WorkerCode)
    Q_PROPERTY(bool IsSaved MEMBER IsSaved)

public:
    // Works on the context's connection, stores its employee and user codes with the record, and
    // prints through the runner given, or through one of its own without one.
    explicit frmARR(ui::WorkContext context, reports::ReportRunner *reports = nullptr, QWidget *parent = nullptr);
    ~frmARR() override;

    // The opening sequence, for the HospNum and IDNUM the opener set.
    void load();
    bool CheckPayPatient();
    void ConvertToServicePatient();
    void LoadAssessmentRecord();
    void LoadServiceList();
    void LoadActivityList();

    // Commands of the window.
    void searchSocialWorker();
    void showPreviousAssessments();
    void viewCdfAllocation();
    // The patient as the fields show it now, for the fund allocation view.
    AllocationPatient shownPatient() const;
    void searchServices();
    void searchActivities();
    void clickCategory(QListWidgetItem *item);
    void removeService(QListWidgetItem *item);
    void leaveCaseStatus();
    // The field check of the expiry date on leaving it; false keeps the focus there.
    bool checkExpiryField();
    void blink();

    // "&Save" and "Save/&Print": the checks, the verification and the save; whether it was stored.
    bool save(bool forPrinting);
    void saveAndPrint();
    void reprint();
    void viewTransactions();
    // Stores the record in one transaction; false when it was refused or failed (and said so).
    bool SaveAssessmentRecord();
    // Whether the MSS number belongs to another patient (said so, and the field emptied).
    bool CheckCaseNumber();
    // The values a save sends, computed from the controls; throws DbError for a value that
    // cannot be sent (a date or number that cannot be read).
    ArrSaveValues saveValues() const;

    // Window state.
    QString HospNum;
    QString IDNUM;
    QString WorkerCode;
    QString WorkerLicenseNo;
    QString ServiceCodes;
    QString ActivityCodes;
    QString ClassCode;
    QString CaseStatusTag; // the code of the case status shown in cboactive
    bool IsSaved = false;
    int blinkStep = 0;

    // Controls, under the names the rest of the program knows them by.
    QLabel *lblStatus, *lblCode, *lblHeading, *lblHeading2, *lblHelp, *lblHelpF1;
    QLineEdit *txtHospNum, *txtLastName, *txtFirstName, *txtMiddleName, *txtIdNum, *txtRoomID, *txtDoctor, *txtMSSNum,
        *mskIntake, *mskRange1, *txtValidityDate, *txtNC, *txtMSSW;
    QComboBox *cboClassification, *cboactive, *cboReferring;
    QCheckBox *chkActive, *chkSponsor, *chkPCSO, *chkSpecial;
    QTabWidget *SSTab1;
    QListWidget *lstParentCategory, *lstCategory, *lstServices, *lstactivity;
    QGroupBox *fmeService, *frmactivity;
    QPushButton *cmdService, *cmdCloseServices, *cmdAddActivity;
    QPlainTextEdit *txtRemarks;
    QToolButton *cmdSearch;
    QPushButton *cmdSave, *cmdPrint, *cmdRePrint, *cmdTrans, *cmdPrevious, *cmdViewCDF, *cmdClose;
    QButtonGroup *chkdoc, *optPCSO, *optCategory;
    QTimer *tmrCDF;

    static constexpr int kDocumentCount = 18;

    // The runner its reports go through.
    reports::ReportRunner &reportRunner() const { return *m_reports; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void bindControls();
    void wireCommands();
    void fillLists();
    void showRecord(const ArrRecord &record);
    void unlockMssNumber();
    void selectByKey(QListWidget *list, const QString &key);
    // Rebuilds one of the lists from its code text.
    void loadChosenList(QListWidget *list, QGroupBox *group, const QString &codes, bool services);
    // Runs a picker on the codes of one list; the new code text when it was confirmed.
    std::optional<QString> runPicker(CataloguePicker &picker, QListWidget *list);
    // The answer of the "2 years ahead" question for the expiry date, or true for a nearer date.
    bool expiryYearAccepted(const QDate &date);
    void printThenClose(const QString &caption);
    // The save's steps inside its guard; whether the record was stored.
    bool writeAssessmentRecord();
    // Failures of a save or conversion: "Data Not Successfully Saved." in a box titled "Message".
    ui::Guard notSavedGuard();
    ArrStore store() const;
    data::Connection &connection() const;

    std::unique_ptr<Ui::frmARR> m_ui;
    ui::WorkContext m_context;
    reports::ReportRunner *m_reports;
    std::unique_ptr<reports::ReportRunner> m_ownReports;
    bool m_checkingExpiry = false;
};

} // namespace mss::referral
