#pragma once

#include "ui/workcontext.h"

#include <QHash>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDate;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableWidget;

namespace Ui {
class IntakeHead;
class IntakeIdentifyingPage;
class IntakeBackgroundPage;
class IntakeOtherPage;
} // namespace Ui

namespace mss::data {
class Connection;
}
namespace mss::reports {
class ReportRunner;
}
namespace mss::patients {
struct PatientSelection;
}

namespace mss::intake {

class FamilyComposition;
class IntakeSheetStore;
struct IntakeRecord;

// The intake survey sheet of a patient: identifying data, referral and documents, family
// composition, medical data, problems and plans, with the patient's classification at its head.
class frmIntakeSurveySheet final : public QWidget {
    Q_OBJECT

public:
    // Works on the context's connection and stores its employee code with the sheet; its printed
    // sheet goes through the runner given, or through one of its own without one.
    frmIntakeSurveySheet(const patients::PatientSelection &selection, ui::WorkContext context,
        reports::ReportRunner *reports = nullptr, QWidget *parent = nullptr);
    ~frmIntakeSurveySheet() override;

    // Fills the window for the patient chosen when it was created, in the order of the form.
    void load();

    // Looks up whether the MSS number belongs to another patient; says so and empties the field.
    void CheckCaseNumber();
    // "&Save": validates, stores the sheet and its family composition in one transaction.
    bool save();
    // "Save/&Print".
    void saveAndPrint();
    // "&Edit": every entry field becomes editable.
    void EnableEntry();
    void LookUpZipCode();
    void searchSocialWorker();

    // The expiry of the classification the patient master holds; none when it holds none.
    QDate currentClassificationExpiry(data::Connection &connection) const;
    void LoadInPatientData();
    void LoadOutPatientData();

    // Whether the worker has changed anything since the sheet was loaded or last saved.
    bool hasUnsavedChanges() const { return m_edited; }
    // "LAST, FIRST" as the sheet shows the patient.
    QString patientName() const;

    // The sheet as its controls hold it, and the controls showing a sheet.
    IntakeRecord record() const;
    void showRecord(const IntakeRecord &record);

    // Window state.
    QString HospNum;
    QString IdNum;
    QString WorkerCode;
    QStringList ClassNames;
    bool IsSaved = false;
    bool CaseNumberTaken = false;
    QString referringPartyCode;
    QString caseStatusCode;
    QString categoryCode;

    FamilyComposition &family() { return *m_family; }

    // The controls of the forms, under the names the rest of the program knows them by.
    // Head.
    QLineEdit *txtHospitalNo, *txtCaseNo, *txtAdmissionDate, *txtWard, *txtClassification;
    QDateEdit *DTDateInterviewed, *txtExpiry;
    QComboBox *cboClassCode, *cmbCategory, *cbostatus;
    QCheckBox *chkSeniorCitizen, *chkActive;
    QGroupBox *fmeStatus;
    QRadioButton *optNew, *optOld, *optClosed, *optCarryover;
    QTabWidget *SSTab1;
    // Identifying data.
    QLineEdit *txtLastname, *txtFirstname, *txtMiddle, *txtAge, *txtReligion, *txtEducation, *txtOccupation,
        *txtBirthdate, *txtBirthPlace, *txtHouseStreet, *txtBarangay, *txtProvince, *txtZipCode, *txtTelNo,
        *txtEmployer, *txtStatus, *txtEmploymentAd, *txtSalary, *txtSSSMember, *txtPhilhealth, *txtSourceInfo;
    QPushButton *cmdListZipCodes;
    QGroupBox *fmeSex, *fmeCS;
    QRadioButton *optSexMale, *optSexFemale;
    QButtonGroup *optCS;
    QComboBox *cboReferringParty;
    QLineEdit *txtReferredBy, *txtRefferAd, *txtDocDSWD, *txtDocAOCert, *txtDocCertEmploy, *txtDocMayorOff,
        *txtDocBrgyClear, *txtDocOthers;
    QDateEdit *DTDateReferred;
    // Background.
    QTableWidget *FCFlexGrid;
    QLineEdit *txtTotFamIncome;
    QPushButton *cmdAdd;
    QLineEdit *txtChiefComp, *txtDiagnosis, *txtTreatment, *txtMDOtherInfo;
    QLabel *lblOtherInformation;
    // Other significant data.
    QLineEdit *txtExpenses, *txtOtherResources, *txtOtherProb, *txtMSSW;
    QCheckBox *chkFinancialProb, *chkRefusalProb, *chkAggressiveProb, *chkDifficultyProb;
    QRadioButton *optIrregular;
    QPlainTextEdit *txtDiagnostic, *txtGoalPlan, *txtActionTaken;
    QPushButton *cmdAll;
    // Buttons.
    QPushButton *cmdSave, *cmdSavePrint, *cmdEdit, *cmdCancel;

    // The runner its printed sheet goes through.
    reports::ReportRunner &reportRunner() const { return *m_reports; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void bindControls();
    void bindHead();
    void bindIdentifyingPage();
    void bindBackgroundPage();
    void bindOtherPage();
    void wireEnterKeys();
    void wireCodes();
    void fillLists();
    void fillMaster();
    void lookUpCode(
        std::optional<QString> (IntakeSheetStore::*lookUp)(const QString &) const, QComboBox *box, QString &code);
    data::Connection &connection() const;
    // From now on, what the worker changes marks the sheet edited.
    void watchEdits();

    const patients::PatientSelection &m_selection;
    ui::WorkContext m_context;
    reports::ReportRunner *m_reports;
    QString m_patientType;
    std::unique_ptr<Ui::IntakeHead> m_head;
    std::unique_ptr<Ui::IntakeIdentifyingPage> m_identifying;
    std::unique_ptr<Ui::IntakeBackgroundPage> m_background;
    std::unique_ptr<Ui::IntakeOtherPage> m_other;
    std::unique_ptr<FamilyComposition> m_family;
    // What Enter does in a field: move the cursor to another control, or something of its own.
    QHash<QObject *, QWidget *> m_enterMoves;
    QHash<QObject *, std::function<void()>> m_enterActions;
    bool m_edited = false;
    bool m_watching = false;
};

} // namespace mss::intake
