#include "intake/frmintakesurveysheet.h"

#include "data/connection.h"
#include "data/format.h"
#include "domain/classificationstore.h"
#include "domain/codesearch.h"
#include "domain/intakerecord.h"
#include "domain/patientcomponent.h"
#include "domain/patientsearch.h"
#include "intake/familycomposition.h"
#include "intake/loaddata.h"
#include "patients/frmemployeelisting.h"
#include "patients/patientselection.h"
#include "reports/reportrunner.h"
#include "session/sessionstate.h"
#include "ui/childwindow.h"
#include "ui/commandguard.h"
#include "ui/messages.h"
#include "ui_intakebackgroundpage.h"
#include "ui_intakehead.h"
#include "ui_intakeidentifyingpage.h"
#include "ui_intakeotherpage.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace mss::intake {

namespace {

const QDate kNoDate(1900, 1, 1);

// An empty picker holds no date.
QDate dateOf(const QDateEdit *picker)
{
    return picker->date() == kNoDate ? QDate() : picker->date();
}

void setDate(QDateEdit *picker, const QDate &date)
{
    picker->setDate(date.isNull() ? kNoDate : date);
}

// A masked date box left blank reads as "//": that is no date, not a wrong one.
QString maskedDateText(const QLineEdit *edit)
{
    const QString text = edit->text();
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); }) ? text : QString();
}

// Where Enter takes the cursor from each field that simply moves it on. The order is the
// interview's, not the form's: Occupation goes on to Religion and Religion to Employer.
struct EnterMove {
    const char *from;
    const char *to;
};
constexpr EnterMove kEnterMoves[] = {
    { "txtLastname", "txtFirstname" },
    { "txtFirstname", "txtMiddle" },
    { "txtMiddle", "txtAge" },
    { "txtReligion", "txtEmployer" },
    { "txtEducation", "txtOccupation" },
    { "txtOccupation", "txtReligion" },
    { "txtBirthdate", "txtBirthPlace" },
    { "txtBirthPlace", "txtHouseStreet" },
    { "txtHouseStreet", "txtBarangay" },
    { "txtBarangay", "txtZipCode" },
    { "txtTelNo", "txtEducation" },
    { "txtEmployer", "txtStatus" },
    { "txtStatus", "txtEmploymentAd" },
    { "txtEmploymentAd", "txtSalary" },
    { "txtSalary", "txtSSSMember" },
    { "txtSSSMember", "txtPhilhealth" },
    { "txtPhilhealth", "txtSourceInfo" },
    { "txtSourceInfo", "txtReferredBy" },
    { "txtReferredBy", "DTDateReferred" },
    { "DTDateReferred", "txtRefferAd" },
    { "txtRefferAd", "txtDocDSWD" },
    { "txtDocDSWD", "txtDocAOCert" },
    { "txtDocAOCert", "txtDocCertEmploy" },
    { "txtDocCertEmploy", "txtDocMayorOff" },
    { "txtDocMayorOff", "txtDocBrgyClear" },
    { "txtDocBrgyClear", "txtDocOthers" },
    { "txtChiefComp", "txtDiagnosis" },
    { "txtDiagnosis", "txtTreatment" },
    { "txtTreatment", "txtMDOtherInfo" },
    { "txtOtherResources", "txtExpenses" },
    { "txtOtherProb", "txtDiagnostic" },
    { "txtDiagnostic", "txtGoalPlan" },
    { "txtGoalPlan", "txtActionTaken" },
    { "txtActionTaken", "cmdSave" },
};

} // namespace

frmIntakeSurveySheet::frmIntakeSurveySheet(const patients::PatientSelection &selection, ui::WorkContext context,
    reports::ReportRunner *reports, QWidget *parent)
    : QWidget(parent),
      m_selection(selection),
      m_context(std::move(context)),
      m_reports(reports ? reports : new reports::ReportRunner(this)),
      m_head(std::make_unique<Ui::IntakeHead>()),
      m_identifying(std::make_unique<Ui::IntakeIdentifyingPage>()),
      m_background(std::make_unique<Ui::IntakeBackgroundPage>()),
      m_other(std::make_unique<Ui::IntakeOtherPage>())
{
    setObjectName(QStringLiteral("frmIntakeSurveySheet"));
    setWindowTitle(QStringLiteral("Medical Social Services"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/dataentry.svg")));

    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(6);
    auto *heading = new QLabel(QStringLiteral("Intake Sheet Entry"), this);
    QFont big = heading->font();
    big.setPointSizeF(big.pointSizeF() * 1.35);
    big.setBold(true);
    heading->setFont(big);
    heading->setStyleSheet(QStringLiteral("color: #1f5f99;"));
    layout->addWidget(heading);
    auto *head = new QGroupBox(this);
    m_head->setupUi(head);
    layout->addWidget(head);

    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    auto addPage = [this](auto &form, const QString &caption) {
        auto *page = new QWidget;
        form.setupUi(page);
        SSTab1->addTab(page, caption);
    };
    addPage(*m_identifying, QStringLiteral("IDENTIFYING DATA"));
    addPage(*m_background, QStringLiteral("BACKGROUND INFO"));
    addPage(*m_other, QStringLiteral("OTHER SIGNIFICANT DATA"));
    layout->addWidget(SSTab1, 1);

    auto *bottom = new QHBoxLayout;
    auto *hint = new QLabel(QStringLiteral("NOTE : Click on the TABS above to Enter other relative data..."), this);
    hint->setStyleSheet(QStringLiteral("color: #5a6b7b; font-style: italic;"));
    bottom->addWidget(hint, 1);
    cmdSave = new QPushButton(QStringLiteral("&Save"), this);
    cmdSavePrint = new QPushButton(QStringLiteral("Save/&Print"), this);
    cmdEdit = new QPushButton(QStringLiteral("&Edit"), this);
    cmdCancel = new QPushButton(QStringLiteral("&Close"), this);
    const QList<std::pair<QPushButton *, QString>> buttons
        = { { cmdSave, QStringLiteral("cmdSave") }, { cmdSavePrint, QStringLiteral("cmdSavePrint") },
              { cmdEdit, QStringLiteral("cmdEdit") }, { cmdCancel, QStringLiteral("cmdCancel") } };
    for (const auto &[button, name] : buttons) {
        button->setObjectName(name);
        button->setMinimumWidth(96);
        bottom->addWidget(button);
    }
    layout->addLayout(bottom);
    bindControls();

    m_family = std::make_unique<FamilyComposition>(FCFlexGrid, txtTotFamIncome, cmdAdd);

    // The sheet's failures carry the program's title, not the window's.
    const ui::Guard guard { .title = ui::Messages::applicationTitle() };
    ui::connectGuarded(
        cmdSave, &QPushButton::clicked, this, [this] { save(); }, guard);
    ui::connectGuarded(
        cmdSavePrint, &QPushButton::clicked, this, [this] { saveAndPrint(); }, guard);
    ui::connectGuarded(
        cmdListZipCodes, &QPushButton::clicked, this, [this] { LookUpZipCode(); }, guard);
    ui::connectGuarded(
        cmdAll, &QPushButton::clicked, this, [this] { searchSocialWorker(); }, guard);
    connect(cmdEdit, &QPushButton::clicked, this, [this] { EnableEntry(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { ui::closeChildWindow(this); });
    wireEnterKeys();
    wireCodes();
}

frmIntakeSurveySheet::~frmIntakeSurveySheet() = default;

void frmIntakeSurveySheet::bindControls()
{
    bindHead();
    bindIdentifyingPage();
    bindBackgroundPage();
    bindOtherPage();

    // Every picker starts on today, but the expiry: until a date is known it shows none.
    for (QDateEdit *picker : { DTDateInterviewed, txtExpiry, DTDateReferred })
        picker->setDate(QDate::currentDate());
    txtExpiry->setSpecialValueText(QStringLiteral(" "));
    setDate(txtExpiry, QDate());
    txtExpiry->calendarWidget()->installEventFilter(this);
}

void frmIntakeSurveySheet::bindHead()
{
    txtHospitalNo = m_head->txtHospitalNo;
    txtCaseNo = m_head->txtCaseNo;
    txtAdmissionDate = m_head->txtAdmissionDate;
    txtWard = m_head->txtWard;
    txtClassification = m_head->txtClassification;
    DTDateInterviewed = m_head->DTDateInterviewed;
    txtExpiry = m_head->txtExpiry;
    cboClassCode = m_head->cboClassCode;
    cmbCategory = m_head->cmbCategory;
    cbostatus = m_head->cbostatus;
    chkSeniorCitizen = m_head->chkSeniorCitizen;
    chkActive = m_head->chkActive;
    fmeStatus = m_head->fmeStatus;
    optNew = m_head->optNew;
    optOld = m_head->optOld;
    optClosed = m_head->optClosed;
    optCarryover = m_head->optCarryover;
}

void frmIntakeSurveySheet::bindIdentifyingPage()
{
    txtLastname = m_identifying->txtLastname;
    txtFirstname = m_identifying->txtFirstname;
    txtMiddle = m_identifying->txtMiddle;
    txtAge = m_identifying->txtAge;
    txtReligion = m_identifying->txtReligion;
    txtEducation = m_identifying->txtEducation;
    txtOccupation = m_identifying->txtOccupation;
    txtBirthdate = m_identifying->txtBirthdate;
    txtBirthPlace = m_identifying->txtBirthPlace;
    txtHouseStreet = m_identifying->txtHouseStreet;
    txtBarangay = m_identifying->txtBarangay;
    txtProvince = m_identifying->txtProvince;
    txtZipCode = m_identifying->txtZipCode;
    txtTelNo = m_identifying->txtTelNo;
    txtEmployer = m_identifying->txtEmployer;
    txtStatus = m_identifying->txtStatus;
    txtEmploymentAd = m_identifying->txtEmploymentAd;
    txtSalary = m_identifying->txtSalary;
    txtSSSMember = m_identifying->txtSSSMember;
    txtPhilhealth = m_identifying->txtPhilhealth;
    txtSourceInfo = m_identifying->txtSourceInfo;
    cmdListZipCodes = m_identifying->cmdListZipCodes;
    fmeSex = m_identifying->fmeSex;
    fmeCS = m_identifying->fmeCS;
    optSexMale = m_identifying->optSexMale;
    optSexFemale = m_identifying->optSexFemale;
    // The civil-status buttons are numbered as the statuses are.
    optCS = new QButtonGroup(this);
    const QList<QRadioButton *> civilStatuses = { m_identifying->optCS_0, m_identifying->optCS_1,
        m_identifying->optCS_2, m_identifying->optCS_3, m_identifying->optCS_4 };
    for (int i = 0; i < civilStatuses.size(); ++i)
        optCS->addButton(civilStatuses[i], i);
    cboReferringParty = m_identifying->cboReferringParty;
    txtReferredBy = m_identifying->txtReferredBy;
    DTDateReferred = m_identifying->DTDateReferred;
    txtRefferAd = m_identifying->txtRefferAd;
    txtDocDSWD = m_identifying->txtDocDSWD;
    txtDocAOCert = m_identifying->txtDocAOCert;
    txtDocCertEmploy = m_identifying->txtDocCertEmploy;
    txtDocMayorOff = m_identifying->txtDocMayorOff;
    txtDocBrgyClear = m_identifying->txtDocBrgyClear;
    txtDocOthers = m_identifying->txtDocOthers;
}

void frmIntakeSurveySheet::bindBackgroundPage()
{
    FCFlexGrid = m_background->FCFlexGrid;
    txtTotFamIncome = m_background->txtTotFamIncome;
    cmdAdd = m_background->cmdAdd;
    txtChiefComp = m_background->txtChiefComp;
    txtDiagnosis = m_background->txtDiagnosis;
    txtTreatment = m_background->txtTreatment;
    txtMDOtherInfo = m_background->txtMDOtherInfo;
    lblOtherInformation = m_background->lblOtherInformation;
}

void frmIntakeSurveySheet::bindOtherPage()
{
    txtExpenses = m_other->txtExpenses;
    txtOtherResources = m_other->txtOtherResources;
    chkFinancialProb = m_other->chkFinancialProb;
    chkRefusalProb = m_other->chkRefusalProb;
    chkAggressiveProb = m_other->chkAggressiveProb;
    chkDifficultyProb = m_other->chkDifficultyProb;
    optIrregular = m_other->optIrregular;
    txtOtherProb = m_other->txtOtherProb;
    txtDiagnostic = m_other->txtDiagnostic;
    txtGoalPlan = m_other->txtGoalPlan;
    txtActionTaken = m_other->txtActionTaken;
    txtMSSW = m_other->txtMSSW;
    cmdAll = m_other->cmdAll;
}

data::Connection &frmIntakeSurveySheet::connection() const
{
    return ui::requireConnection(m_context.connection, QStringLiteral("Intake sheet"));
}

void frmIntakeSurveySheet::load()
{
    data::Connection &c = connection();
    const IntakeSheetStore store(c);
    IdNum = m_selection.IDNUM;
    HospNum = m_selection.HospNum;
    m_patientType = m_selection.PatientType;
    // Without a stored sheet the classification the patient already has keeps its expiry; a
    // picker left on today would shorten it to today on the next save.
    setDate(txtExpiry, currentClassificationExpiry(c));

    IntakeRecord current = record();
    store.loadCurrentClassification(current);
    showRecord(current);

    m_family->InitFamilyGrid();

    const bool outPatientNumber = IdNum.endsWith(QLatin1Char('B'), Qt::CaseInsensitive);
    if (m_patientType == QLatin1String("0"))
        LoadInPatientData();
    else if (m_patientType == QLatin1String("1"))
        LoadOutPatientData();
    else if (m_patientType == QLatin1String("2") || m_patientType == QLatin1String("3"))
        outPatientNumber ? LoadOutPatientData() : LoadInPatientData();

    IntakeRecord stored = record();
    store.loadStoredHead(stored);
    showRecord(stored);

    fillLists();
    LoadIntakeSheet(*this, c);
    LoadFamilyComposition(*this, c);
    watchEdits();
}

void frmIntakeSurveySheet::watchEdits()
{
    m_edited = false;
    if (m_watching)
        return;
    m_watching = true;
    const auto edited = [this] { m_edited = true; };
    for (QLineEdit *edit : findChildren<QLineEdit *>())
        connect(edit, &QLineEdit::textEdited, this, edited);
    for (QPlainTextEdit *edit : findChildren<QPlainTextEdit *>())
        connect(edit, &QPlainTextEdit::textChanged, this, edited);
    for (QComboBox *box : findChildren<QComboBox *>())
        connect(box, &QComboBox::activated, this, edited);
    for (QDateEdit *picker : findChildren<QDateEdit *>())
        connect(picker, &QDateEdit::dateChanged, this, edited);
    for (QAbstractButton *option : findChildren<QAbstractButton *>()) {
        if (option->isCheckable())
            connect(option, &QAbstractButton::clicked, this, edited);
    }
    connect(FCFlexGrid, &QTableWidget::itemChanged, this, edited);
}

QString frmIntakeSurveySheet::patientName() const
{
    const QString last = txtLastname->text().trimmed();
    const QString first = txtFirstname->text().trimmed();
    return first.isEmpty() ? last : last + QStringLiteral(", ") + first;
}

IntakeRecord frmIntakeSurveySheet::record() const
{
    IntakeRecord r;
    r.HospNum = HospNum;
    r.IdNum = IdNum;

    r.HospitalNumber = txtHospitalNo->text();
    r.MSSNumber = txtCaseNo->text();
    r.AdmissionDate = txtAdmissionDate->text();
    r.Ward = txtWard->text();
    r.InterviewDate = dateOf(DTDateInterviewed);
    r.ExpiryDate = dateOf(txtExpiry);
    r.ClassCode = cboClassCode->currentText();
    r.Classification = txtClassification->text();
    r.Category = cmbCategory->currentText();
    r.CategoryCode = categoryCode;
    r.SeniorCitizen = chkSeniorCitizen->isChecked();
    r.CaseStatus = cbostatus->currentText();
    r.CaseStatusCode = caseStatusCode;
    r.Active = chkActive->isChecked();

    r.LastName = txtLastname->text();
    r.FirstName = txtFirstname->text();
    r.MiddleName = txtMiddle->text();
    r.Age = txtAge->text();
    r.sex = optSexFemale->isChecked() ? IntakeRecord::Sex::Female
        : optSexMale->isChecked()     ? IntakeRecord::Sex::Male
                                      : IntakeRecord::Sex::None;
    r.CivilStatus = optCS->checkedId();
    r.Religion = txtReligion->text();
    r.Education = txtEducation->text();
    r.Occupation = txtOccupation->text();
    r.BirthDate = maskedDateText(txtBirthdate);
    r.BirthPlace = txtBirthPlace->text();
    r.HouseStreet = txtHouseStreet->text();
    r.Barangay = txtBarangay->text();
    r.TownProvince = txtProvince->text();
    r.ZipCode = txtZipCode->text();
    r.TelNo = txtTelNo->text();
    r.Employer = txtEmployer->text();
    r.WorkStatus = txtStatus->text();
    r.EmployerAddress = txtEmploymentAd->text();
    r.Salary = txtSalary->text();
    r.SSSMember = txtSSSMember->text();
    r.Philhealth = txtPhilhealth->text();
    r.InfoSource = txtSourceInfo->text();

    r.ReferringParty = cboReferringParty->currentText();
    r.ReferringPartyCode = referringPartyCode;
    r.ReferredBy = txtReferredBy->text();
    r.DateReferred = dateOf(DTDateReferred);
    r.ReferralAddress = txtRefferAd->text();
    r.DSWDSCSR = txtDocDSWD->text();
    r.AOCert = txtDocAOCert->text();
    r.CertOfEmployment = txtDocCertEmploy->text();
    r.MayorsOffice = txtDocMayorOff->text();
    r.BarangayClearance = txtDocBrgyClear->text();
    r.Others = txtDocOthers->text();

    r.ChiefComplaint = txtChiefComp->text();
    r.Diagnosis = txtDiagnosis->text();
    r.Treatment = txtTreatment->text();
    r.OtherMDInfo = txtMDOtherInfo->text();

    r.Expenses = txtExpenses->text();
    r.Resources = txtOtherResources->text();
    r.FinancialProb = chkFinancialProb->isChecked();
    r.Refusal = chkRefusalProb->isChecked();
    r.Aggressiveness = chkAggressiveProb->isChecked();
    r.Difficulty = chkDifficultyProb->isChecked();
    r.IrregularCheckUp = optIrregular->isChecked();
    r.OtherProblem = txtOtherProb->text();
    r.DiagnosticImpress = txtDiagnostic->toPlainText();
    r.HelpingGoals = txtGoalPlan->toPlainText();
    r.ActionTaken = txtActionTaken->toPlainText();
    r.MSSW = txtMSSW->text();
    return r;
}

void frmIntakeSurveySheet::showRecord(const IntakeRecord &r)
{
    txtHospitalNo->setText(r.HospitalNumber);
    txtCaseNo->setText(r.MSSNumber);
    txtAdmissionDate->setText(r.AdmissionDate);
    txtWard->setText(r.Ward);
    setDate(DTDateInterviewed, r.InterviewDate);
    setDate(txtExpiry, r.ExpiryDate);
    cboClassCode->setEditText(r.ClassCode);
    txtClassification->setText(r.Classification);
    cmbCategory->setEditText(r.Category);
    categoryCode = r.CategoryCode;
    chkSeniorCitizen->setChecked(r.SeniorCitizen);
    cbostatus->setEditText(r.CaseStatus);
    caseStatusCode = r.CaseStatusCode;
    chkActive->setChecked(r.Active);

    txtLastname->setText(r.LastName);
    txtFirstname->setText(r.FirstName);
    txtMiddle->setText(r.MiddleName);
    txtAge->setText(r.Age);
    // A selected option button cannot be cleared by the user either: no sex leaves it as it was.
    if (r.sex == IntakeRecord::Sex::Male)
        optSexMale->setChecked(true);
    else if (r.sex == IntakeRecord::Sex::Female)
        optSexFemale->setChecked(true);
    if (QAbstractButton *civil = optCS->button(r.CivilStatus))
        civil->setChecked(true);
    txtReligion->setText(r.Religion);
    txtEducation->setText(r.Education);
    txtOccupation->setText(r.Occupation);
    txtBirthdate->setText(r.BirthDate);
    txtBirthPlace->setText(r.BirthPlace);
    txtHouseStreet->setText(r.HouseStreet);
    txtBarangay->setText(r.Barangay);
    txtProvince->setText(r.TownProvince);
    txtZipCode->setText(r.ZipCode);
    txtTelNo->setText(r.TelNo);
    txtEmployer->setText(r.Employer);
    txtStatus->setText(r.WorkStatus);
    txtEmploymentAd->setText(r.EmployerAddress);
    txtSalary->setText(r.Salary);
    txtSSSMember->setText(r.SSSMember);
    txtPhilhealth->setText(r.Philhealth);
    txtSourceInfo->setText(r.InfoSource);

    cboReferringParty->setEditText(r.ReferringParty);
    referringPartyCode = r.ReferringPartyCode;
    txtReferredBy->setText(r.ReferredBy);
    setDate(DTDateReferred, r.DateReferred);
    txtRefferAd->setText(r.ReferralAddress);
    txtDocDSWD->setText(r.DSWDSCSR);
    txtDocAOCert->setText(r.AOCert);
    txtDocCertEmploy->setText(r.CertOfEmployment);
    txtDocMayorOff->setText(r.MayorsOffice);
    txtDocBrgyClear->setText(r.BarangayClearance);
    txtDocOthers->setText(r.Others);

    txtChiefComp->setText(r.ChiefComplaint);
    txtDiagnosis->setText(r.Diagnosis);
    txtTreatment->setText(r.Treatment);
    txtMDOtherInfo->setText(r.OtherMDInfo);

    txtExpenses->setText(r.Expenses);
    txtOtherResources->setText(r.Resources);
    chkFinancialProb->setChecked(r.FinancialProb);
    chkRefusalProb->setChecked(r.Refusal);
    chkAggressiveProb->setChecked(r.Aggressiveness);
    chkDifficultyProb->setChecked(r.Difficulty);
    optIrregular->setChecked(r.IrregularCheckUp);
    txtOtherProb->setText(r.OtherProblem);
    txtDiagnostic->setPlainText(r.DiagnosticImpress);
    txtGoalPlan->setPlainText(r.HelpingGoals);
    txtActionTaken->setPlainText(r.ActionTaken);
    txtMSSW->setText(r.MSSW);
}

void frmIntakeSurveySheet::fillMaster()
{
    suite::clsPatientMaster &master = shell::Session().PatientSearch->PatientMaster();
    if (!master.LoadPatient(HospNum))
        return;
    optSexMale->setChecked(master.Sex == QLatin1String("M"));
    optSexFemale->setChecked(master.Sex == QLatin1String("F"));
    const QStringList codes = { QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4") };
    const qsizetype index = codes.indexOf(master.CivilStatus.trimmed());
    optCS->button(index < 0 ? 4 : int(index))->setChecked(true);
    DTDateInterviewed->setDate(QDate::currentDate());
    txtHospitalNo->setText(master.HospitalNumber);
    txtLastname->setText(master.LastName);
    txtFirstname->setText(master.FirstName);
    txtMiddle->setText(master.MiddleName);
    txtAge->setText(master.Age);
    txtReligion->setText(master.Religion.Description);
    txtOccupation->setText(master.Occupation);
    txtBirthdate->setText(data::formatMMDDYYYY(master.BirthDate));
    txtBirthPlace->setText(master.BirthPlace);
    txtHouseStreet->setText(master.Address.Housestreet);
    txtTelNo->setText(master.TelNumber);
    txtBarangay->setText(master.Address.Barangay);
    txtProvince->setText(master.Address.Town + QStringLiteral(", ") + master.Address.Province);
    txtZipCode->setText(master.Address.Zipcode);
    txtEmployer->setText(master.Employer.Name);
    txtStatus->setText(master.PatientStatus);
    txtEmploymentAd->setText(master.Employer.EmployerAddress);
    txtSSSMember->setText(master.SSSGSIS);
    txtPhilhealth->setText(master.SSSGSIS);
}

QDate frmIntakeSurveySheet::currentClassificationExpiry(data::Connection &c) const
{
    try {
        const classification::StoredClassification stored
            = classification::ClassificationStore(c).storedClassification(HospNum);
        return QDate::fromString(stored.expiry.trimmed(), QStringLiteral("MM/dd/yyyy"));
    } catch (const data::DbError &error) {
        if (error.number() != 0)
            throw;
        return {}; // a patient not in the master has no classification to keep
    }
}

void frmIntakeSurveySheet::LoadInPatientData()
{
    fillMaster();
    patients::clsPatientSearch &search = *shell::Session().PatientSearch;
    if (!search.ValidateAdmission(IdNum, QString()))
        return;
    const suite::clsAdmission &admission = search.Admission();
    txtAdmissionDate->setText(data::formatMMDDYYYY(admission.AdmissionDate));
    txtWard->setText(admission.Room.RoomID);
    txtChiefComp->setText(admission.History.ChiefComplaint);
    txtMDOtherInfo->setText(admission.REMARKS);
    txtReferredBy->setText(admission.ReferringDoctor);
    txtDiagnosis->setText(admission.History.AdmittingDiagnosis);
    txtTreatment->setText(admission.History.Procedures);
    txtDiagnostic->setPlainText(admission.History.AdmittingImpression);
    txtGoalPlan->clear();
    txtActionTaken->clear();
    (admission.NewAdmission ? optNew : optOld)->setChecked(true);
}

void frmIntakeSurveySheet::LoadOutPatientData()
{
    fillMaster();
    IntakeRecord visit = record();
    if (IntakeSheetStore(connection()).loadOutPatientVisit(visit))
        showRecord(visit);
}

void frmIntakeSurveySheet::fillLists()
{
    const IntakeLookups lists = IntakeSheetStore(connection()).lookups();
    // The lists come after the texts: a stored value shows even when its list no longer has it.
    auto refill = [](QComboBox *box, const QStringList &texts) {
        const QString text = box->currentText();
        const QSignalBlocker block(box);
        box->clear();
        box->addItems(texts);
        box->setEditText(text);
    };
    refill(cmbCategory, lists.Categories);
    refill(cboClassCode, lists.ClassCodes);
    ClassNames = lists.ClassNames;
    refill(cbostatus, lists.CaseStatuses);
    refill(cboReferringParty, lists.ReferringParties);
}

void frmIntakeSurveySheet::lookUpCode(
    std::optional<QString> (IntakeSheetStore::*lookUp)(const QString &) const, QComboBox *box, QString &code)
{
    ui::runGuarded([&] {
        const IntakeSheetStore store(connection());
        if (const std::optional<QString> found = (store.*lookUp)(box->currentText()))
            code = *found; // no match keeps the code it had
    });
}

void frmIntakeSurveySheet::wireCodes()
{
    auto referringParty
        = [this] { lookUpCode(&IntakeSheetStore::referringPartyCode, cboReferringParty, referringPartyCode); };
    connect(cboReferringParty, &QComboBox::activated, this, referringParty);
    cboReferringParty->installEventFilter(this);
    cbostatus->installEventFilter(this);
    cmbCategory->installEventFilter(this);
    connect(cboClassCode, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < ClassNames.size())
            txtClassification->setText(ClassNames[index]);
    });
}

void frmIntakeSurveySheet::wireEnterKeys()
{
    for (const auto &[from, to] : kEnterMoves) {
        auto *source = findChild<QWidget *>(QLatin1String(from));
        auto *target = findChild<QWidget *>(QLatin1String(to));
        Q_ASSERT(source && target);
        if (!source || !target)
            continue;
        source->installEventFilter(this);
        m_enterMoves.insert(source, target);
    }

    m_enterActions = {
        { txtAge, [this] { optSexMale->setChecked(true); } },
        { txtZipCode, [this] { ui::runGuarded([this] { LookUpZipCode(); }); } },
        { txtDocOthers,
            [this] {
                SSTab1->setCurrentIndex(1);
                m_family->moveTo(std::max(0, FCFlexGrid->currentRow()), std::max(0, FCFlexGrid->currentColumn()));
                m_family->openEditor();
            } },
        { txtMDOtherInfo,
            [this] {
                SSTab1->setCurrentIndex(2);
                txtOtherResources->setFocus();
            } },
        { txtExpenses, [this] { chkFinancialProb->setChecked(true); } },
        { txtMSSW,
            [this] {
                if (txtMSSW->text().isEmpty())
                    ui::runGuarded([this] { searchSocialWorker(); });
            } },
        { txtCaseNo, [this] { ui::runGuarded([this] { CheckCaseNumber(); }); } },
    };
    for (auto it = m_enterActions.cbegin(); it != m_enterActions.cend(); ++it)
        it.key()->installEventFilter(this);
}

bool frmIntakeSurveySheet::eventFilter(QObject *watched, QEvent *event)
{
    // An expiry not chosen yet opens its calendar on this month, not on the blank's 1900.
    if (event->type() == QEvent::Show && watched == txtExpiry->calendarWidget() && dateOf(txtExpiry).isNull()) {
        const QDate today = QDate::currentDate();
        txtExpiry->calendarWidget()->setCurrentPage(today.year(), today.month());
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() == QEvent::FocusOut) {
        if (watched == cboReferringParty)
            lookUpCode(&IntakeSheetStore::referringPartyCode, cboReferringParty, referringPartyCode);
        else if (watched == cbostatus)
            lookUpCode(&IntakeSheetStore::caseStatusCode, cbostatus, caseStatusCode);
        else if (watched == cmbCategory)
            lookUpCode(&IntakeSheetStore::categoryCode, cmbCategory, categoryCode);
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return QWidget::eventFilter(watched, event);

    if (QWidget *target = m_enterMoves.value(watched)) {
        target->setFocus();
        return true;
    }
    if (auto action = m_enterActions.constFind(watched); action != m_enterActions.cend()) {
        (*action)();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmIntakeSurveySheet::LookUpZipCode()
{
    suite::clsCodeSearch *search = shell::Session().CodeSearch.get();
    if (search && search->SearchListing(txtZipCode->text(), 0)) {
        txtZipCode->setText(search->AddressRecord().ResultCode);
        txtProvince->setText(search->AddressRecord().Town + QStringLiteral(", ") + search->AddressRecord().Province);
    }
    txtTelNo->setFocus();
}

void frmIntakeSurveySheet::searchSocialWorker()
{
    const std::optional<QString> chosen = patients::frmEmployeeListing::pick(m_context.connection, this, WorkerCode);
    if (!chosen)
        return;
    const std::optional<QString> name = IntakeSheetStore(connection()).employeeName(*chosen);
    if (!name) {
        ui::Messages::warning(QStringLiteral("Employee No Longer Exists."), QStringLiteral("MESSAGE"), this);
        return;
    }
    WorkerCode = *chosen;
    txtMSSW->setText(*name);
}

void frmIntakeSurveySheet::EnableEntry()
{
    for (QLineEdit *edit : findChildren<QLineEdit *>())
        edit->setEnabled(true);
    for (QPlainTextEdit *edit : findChildren<QPlainTextEdit *>())
        edit->setEnabled(true);
    cmbCategory->setEnabled(true);
    txtExpiry->setEnabled(true);
    lblOtherInformation->setEnabled(true);
    fmeCS->setEnabled(true);
    fmeSex->setEnabled(true);
    fmeStatus->setEnabled(true);
}

void frmIntakeSurveySheet::CheckCaseNumber()
{
    CaseNumberTaken = false;
    const std::optional<CaseNumberHolder> holder
        = IntakeSheetStore(connection()).otherHolderOf(txtCaseNo->text(), txtHospitalNo->text());
    if (holder) {
        ui::Messages::show(QStringLiteral("The CaseNumber already exists and is owned by ") + holder->PatientName,
            QStringLiteral("Message"), QMessageBox::NoIcon, QMessageBox::Ok, this);
        txtCaseNo->clear();
        txtCaseNo->setEnabled(true);
        CaseNumberTaken = true;
    }
}

bool frmIntakeSurveySheet::save()
{
    IsSaved = false;
    if (txtCaseNo->text().isEmpty()) {
        ui::Messages::information(
            QStringLiteral("Can't save incomplete data Case Number is Missing."), QStringLiteral("Message"), this);
        txtCaseNo->setEnabled(true);
        return false;
    }
    // No date is not today's date: storing one the worker never chose would cut the class short.
    if (dateOf(txtExpiry).isNull()) {
        ui::Messages::warning(QStringLiteral("Please choose the Expiration Date of the classification."),
            QStringLiteral("Message"), this);
        txtExpiry->setEnabled(true);
        txtExpiry->setFocus();
        return false;
    }
    if (!ui::runGuarded([this] { CheckCaseNumber(); }) || CaseNumberTaken)
        return false;

    const IntakeRecord sheet = record();
    if (!IntakeSheetStore::civilStatusText(sheet.CivilStatus)) {
        ui::Messages::warning(QStringLiteral("Civil Status is Missing."), QStringLiteral("Message"), this);
        return false;
    }
    // A member the grid cannot store is refused before anything is written, and the cursor goes
    // where the worker has to type.
    if (const std::optional<FamilyComposition::Problem> problem = m_family->firstProblem()) {
        ui::Messages::warning(problem->message, QStringLiteral("Message"), this);
        SSTab1->setCurrentIndex(1);
        m_family->moveTo(problem->row, problem->column);
        m_family->openEditor();
        return false;
    }

    // The sheet and its family composition are stored together or not at all: a failure half
    // way must not leave the patient without the members stored before.
    data::Connection &c = connection();
    const bool stored = ui::runGuarded(
        [&] {
            ui::WaitCursor wait;
            c.beginTrans();
            IntakeSheetStore(c).save(sheet, m_context.employeeCode);
            m_family->Save_FamilyComposition(c, HospNum, txtHospitalNo->text());
            c.commitTrans();
        },
        { .connection = &c, .title = QStringLiteral("Message") });
    if (!stored)
        return false;
    IsSaved = true;
    m_edited = false;
    ui::Messages::show(QStringLiteral("Record of ") + txtLastname->text() + QStringLiteral(", ") + txtFirstname->text()
            + QStringLiteral("Saved."),
        QStringLiteral("Message"), QMessageBox::NoIcon, QMessageBox::Ok, this);
    return true;
}

void frmIntakeSurveySheet::saveAndPrint()
{
    save();
    if (!IsSaved)
        return;
    ui::runGuarded([this] {
        const QString hospitalNumber = txtHospitalNo->text().trimmed();
        m_reports->OpenReport(shell::Session().ReportsPath + QStringLiteral("\\IntakeSheet-Final.rpt"),
            { QStringLiteral("MEDICAL SOCIAL SERVICE"), QStringLiteral("Vellmore Avenue, Port Halden"), hospitalNumber,
                hospitalNumber });
        m_reports->ShowReport(false, QStringLiteral("Intake Sheet Data"), false);
    });
}

void frmIntakeSurveySheet::closeEvent(QCloseEvent *event)
{
    event->accept(); // unsaved edits are discarded
}

} // namespace mss::intake
