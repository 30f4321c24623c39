#include "intake/frmintakesurveysheet.h"

#include "auth/currentuser.h"
#include "data/connection.h"
#include "data/format.h"
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
#include "ui/commandguard.h"
#include "ui/messages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace mss::intake {

namespace {

const QDate kNoDate(1900, 1, 1);

QLineEdit *lineEdit(QWidget *parent, const QString &name, int maxLength = 0)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    return edit;
}

QDateEdit *datePicker(QWidget *parent, const QString &name)
{
    auto *picker = new QDateEdit(QDate::currentDate(), parent);
    picker->setObjectName(name);
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
    picker->setMinimumDate(kNoDate);
    picker->setSpecialValueText(QStringLiteral(" ")); // a stored null shows as an empty picker
    return picker;
}

QComboBox *comboBox(QWidget *parent, const QString &name)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    return box;
}

QPlainTextEdit *memo(QWidget *parent, const QString &name)
{
    auto *edit = new QPlainTextEdit(parent);
    edit->setObjectName(name);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setTabChangesFocus(true);
    edit->setMinimumHeight(54);
    return edit;
}

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

} // namespace

frmIntakeSurveySheet::frmIntakeSurveySheet(
    const patients::PatientSelection &selection, reports::ReportRunner *reports, QWidget *parent)
    : QWidget(parent), m_selection(selection), m_reports(reports ? reports : new reports::ReportRunner(this))
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
    buildHead(layout);

    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->addTab(buildIdentifyingPage(), QStringLiteral("IDENTIFYING DATA"));
    SSTab1->addTab(buildBackgroundPage(), QStringLiteral("BACKGROUND INFO"));
    SSTab1->addTab(buildOtherPage(), QStringLiteral("OTHER SIGNIFICANT DATA"));
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

    m_family = std::make_unique<FamilyComposition>(FCFlexGrid, txtTotFamIncome, cmdAdd);

    connect(cmdSave, &QPushButton::clicked, this, [this] { save(); });
    connect(cmdSavePrint, &QPushButton::clicked, this, [this] { saveAndPrint(); });
    connect(cmdEdit, &QPushButton::clicked, this, [this] { EnableEntry(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] {
        if (QWidget *frame = parentWidget(); frame && frame->inherits("QMdiSubWindow"))
            frame->close();
        else
            close();
    });
    connect(cmdListZipCodes, &QPushButton::clicked, this, [this] { ui::runGuarded([this] { LookUpZipCode(); }); });
    connect(cmdAll, &QPushButton::clicked, this, [this] { ui::runGuarded([this] { searchSocialWorker(); }); });
    wireEnterKeys();
    wireCodes();
}

frmIntakeSurveySheet::~frmIntakeSurveySheet() = default;

void frmIntakeSurveySheet::buildHead(QVBoxLayout *layout)
{
    auto *head = new QGroupBox(QStringLiteral("Patient's Information"), this);
    head->setObjectName(QStringLiteral("Frame1"));
    auto *grid = new QGridLayout(head);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);

    txtHospitalNo = lineEdit(head, QStringLiteral("txtHospitalNo"));
    txtCaseNo = lineEdit(head, QStringLiteral("txtCaseNo"), 10);
    txtAdmissionDate = lineEdit(head, QStringLiteral("txtAdmissionDate"));
    txtWard = lineEdit(head, QStringLiteral("txtWard"));
    for (QLineEdit *display : { txtHospitalNo, txtCaseNo, txtAdmissionDate, txtWard })
        display->setEnabled(false);
    DTDateInterviewed = datePicker(head, QStringLiteral("DTDateInterviewed"));
    cboClassCode = comboBox(head, QStringLiteral("cboClassCode"));
    cboClassCode->setMaximumWidth(70);
    txtClassification = lineEdit(head, QStringLiteral("txtClassification"));
    cmbCategory = comboBox(head, QStringLiteral("cmbCategory"));
    chkSeniorCitizen = new QCheckBox(QStringLiteral("Senior Citizen"), head);
    chkSeniorCitizen->setObjectName(QStringLiteral("chkSeniorCitizen"));
    cbostatus = comboBox(head, QStringLiteral("cbostatus"));
    chkActive = new QCheckBox(QStringLiteral("&Active"), head);
    chkActive->setObjectName(QStringLiteral("chkActive"));
    txtExpiry = datePicker(head, QStringLiteral("txtExpiry"));

    fmeStatus = new QGroupBox(QStringLiteral("Patient's Status"), head);
    fmeStatus->setObjectName(QStringLiteral("fmeStatus"));
    auto *statusLayout = new QHBoxLayout(fmeStatus);
    statusLayout->setContentsMargins(6, 2, 6, 2);
    optNew = new QRadioButton(QStringLiteral("New"), fmeStatus);
    optOld = new QRadioButton(QStringLiteral("Old"), fmeStatus);
    optClosed = new QRadioButton(QStringLiteral("Closed"), fmeStatus);
    optCarryover = new QRadioButton(QStringLiteral("Carry over"), fmeStatus);
    const QList<std::pair<QRadioButton *, QString>> statuses
        = { { optNew, QStringLiteral("optNew") }, { optOld, QStringLiteral("optOld") },
              { optClosed, QStringLiteral("optClosed") }, { optCarryover, QStringLiteral("optCarryover") } };
    for (const auto &[option, name] : statuses) {
        option->setObjectName(name);
        statusLayout->addWidget(option);
    }

    auto label = [head](const QString &text, QWidget *buddy) {
        auto *l = new QLabel(text, head);
        l->setBuddy(buddy);
        return l;
    };
    grid->addWidget(label(QStringLiteral("Hospital No."), txtHospitalNo), 0, 0);
    grid->addWidget(txtHospitalNo, 0, 1);
    grid->addWidget(label(QStringLiteral("Case No."), txtCaseNo), 0, 2);
    grid->addWidget(txtCaseNo, 0, 3);
    grid->addWidget(label(QStringLiteral("Date of Admission"), txtAdmissionDate), 0, 4);
    grid->addWidget(txtAdmissionDate, 0, 5);
    grid->addWidget(label(QStringLiteral("W a r d/ Room #"), txtWard), 0, 6);
    grid->addWidget(txtWard, 0, 7);

    grid->addWidget(label(QStringLiteral("Date Interviewed "), DTDateInterviewed), 1, 0);
    grid->addWidget(DTDateInterviewed, 1, 1);
    grid->addWidget(label(QStringLiteral("Classification"), cboClassCode), 1, 2);
    auto *classRow = new QHBoxLayout;
    classRow->addWidget(cboClassCode);
    classRow->addWidget(txtClassification, 1);
    grid->addLayout(classRow, 1, 3, 1, 3);
    grid->addWidget(label(QStringLiteral("C a t e g o r y "), cmbCategory), 1, 6);
    grid->addWidget(cmbCategory, 1, 7);

    grid->addWidget(label(QStringLiteral("Patient Status"), cbostatus), 2, 0);
    grid->addWidget(cbostatus, 2, 1);
    grid->addWidget(label(QStringLiteral("Expiration Date:"), txtExpiry), 2, 2);
    grid->addWidget(txtExpiry, 2, 3);
    auto *flags = new QHBoxLayout;
    flags->addWidget(chkSeniorCitizen);
    flags->addWidget(chkActive);
    flags->addStretch();
    grid->addLayout(flags, 2, 4, 1, 2);
    grid->addWidget(fmeStatus, 2, 6, 1, 2);
    for (int c : { 1, 3, 5, 7 })
        grid->setColumnStretch(c, 1);
    layout->addWidget(head);
}

QWidget *frmIntakeSurveySheet::buildIdentifyingPage()
{
    auto *page = new QWidget;
    auto *columns = new QHBoxLayout(page);

    auto *personal = new QGroupBox(QStringLiteral("Personal Data"), page);
    auto *form = new QGridLayout(personal);
    form->setVerticalSpacing(3);
    txtLastname = lineEdit(personal, QStringLiteral("txtLastname"));
    txtFirstname = lineEdit(personal, QStringLiteral("txtFirstname"));
    txtMiddle = lineEdit(personal, QStringLiteral("txtMiddle"));
    txtAge = lineEdit(personal, QStringLiteral("txtAge"));
    txtAge->setMaximumWidth(60);
    txtReligion = lineEdit(personal, QStringLiteral("txtReligion"));
    txtEducation = lineEdit(personal, QStringLiteral("txtEducation"));
    txtOccupation = lineEdit(personal, QStringLiteral("txtOccupation"));
    txtBirthdate = lineEdit(personal, QStringLiteral("txtBirthdate"));
    txtBirthdate->setInputMask(QStringLiteral("99/99/9999"));
    txtBirthPlace = lineEdit(personal, QStringLiteral("txtBirthPlace"));
    txtHouseStreet = lineEdit(personal, QStringLiteral("txtHouseStreet"));
    txtBarangay = lineEdit(personal, QStringLiteral("txtBarangay"));
    txtProvince = lineEdit(personal, QStringLiteral("txtProvince"));
    txtZipCode = lineEdit(personal, QStringLiteral("txtZipCode"));
    cmdListZipCodes = new QPushButton(QStringLiteral("..."), personal);
    cmdListZipCodes->setObjectName(QStringLiteral("cmdListZipCodes"));
    cmdListZipCodes->setMaximumWidth(32);
    cmdListZipCodes->setToolTip(QStringLiteral("Look up the zip code"));
    txtTelNo = lineEdit(personal, QStringLiteral("txtTelNo"));
    txtEmployer = lineEdit(personal, QStringLiteral("txtEmployer"));
    txtStatus = lineEdit(personal, QStringLiteral("txtStatus"));
    txtEmploymentAd = lineEdit(personal, QStringLiteral("txtEmploymentAd"));
    txtSalary = lineEdit(personal, QStringLiteral("txtSalary"));
    txtSSSMember = lineEdit(personal, QStringLiteral("txtSSSMember"));
    txtPhilhealth = lineEdit(personal, QStringLiteral("txtPhilhealth"));
    txtSourceInfo = lineEdit(personal, QStringLiteral("txtSourceInfo"));

    fmeSex = new QGroupBox(QStringLiteral("Sex"), personal);
    fmeSex->setObjectName(QStringLiteral("fmeSex"));
    auto *sexLayout = new QHBoxLayout(fmeSex);
    sexLayout->setContentsMargins(6, 0, 6, 0);
    optSexMale = new QRadioButton(QStringLiteral("Male"), fmeSex);
    optSexMale->setObjectName(QStringLiteral("optSexMale"));
    optSexFemale = new QRadioButton(QStringLiteral("Female"), fmeSex);
    optSexFemale->setObjectName(QStringLiteral("optSexFemale"));
    sexLayout->addWidget(optSexMale);
    sexLayout->addWidget(optSexFemale);
    fmeCS = new QGroupBox(QStringLiteral("Civil Status"), personal);
    fmeCS->setObjectName(QStringLiteral("fmeCS"));
    auto *csLayout = new QHBoxLayout(fmeCS);
    csLayout->setContentsMargins(6, 0, 6, 0);
    optCS = new QButtonGroup(this);
    const QStringList statuses = { QStringLiteral("Single"), QStringLiteral("Separated"), QStringLiteral("Married"),
        QStringLiteral("Widow"), QStringLiteral("Divorced") };
    for (int i = 0; i < statuses.size(); ++i) {
        auto *option = new QRadioButton(statuses[i], fmeCS);
        option->setObjectName(QStringLiteral("optCS_%1").arg(i));
        optCS->addButton(option, i);
        csLayout->addWidget(option);
    }

    int r = 0;
    auto add = [&](const QString &text, QWidget *field, int column = 0, int span = 1) {
        auto *l = new QLabel(text, personal);
        l->setBuddy(field);
        form->addWidget(l, r, column);
        form->addWidget(field, r, column + 1, 1, span);
    };
    add(QStringLiteral("Lastname"), txtLastname);
    add(QStringLiteral("Firstname"), txtFirstname, 2);
    ++r;
    add(QStringLiteral("Middlename "), txtMiddle);
    add(QStringLiteral("Age "), txtAge, 2);
    ++r;
    form->addWidget(fmeSex, r, 0, 1, 2);
    form->addWidget(fmeCS, r, 2, 1, 2);
    ++r;
    add(QStringLiteral("Religion"), txtReligion);
    add(QStringLiteral("Education"), txtEducation, 2);
    ++r;
    add(QStringLiteral("Occupation"), txtOccupation);
    add(QStringLiteral("B i r t h d a y"), txtBirthdate, 2);
    ++r;
    add(QStringLiteral("Birthplace"), txtBirthPlace);
    add(QStringLiteral("House Street:"), txtHouseStreet, 2);
    ++r;
    add(QStringLiteral("Barangay:"), txtBarangay);
    add(QStringLiteral("Town/Province:"), txtProvince, 2);
    ++r;
    auto *zip = new QHBoxLayout;
    zip->addWidget(txtZipCode);
    zip->addWidget(cmdListZipCodes);
    form->addWidget(new QLabel(QStringLiteral("Zip Code"), personal), r, 0);
    form->addLayout(zip, r, 1);
    add(QStringLiteral("Telephone No."), txtTelNo, 2);
    ++r;
    add(QStringLiteral("Employer"), txtEmployer);
    add(QStringLiteral("S t a t u s"), txtStatus, 2);
    ++r;
    add(QStringLiteral("Place of Employment"), txtEmploymentAd);
    add(QStringLiteral("S a l a r y"), txtSalary, 2);
    ++r;
    add(QStringLiteral("SSS/GSIS Member"), txtSSSMember);
    add(QStringLiteral("PhilHealth"), txtPhilhealth, 2);
    ++r;
    add(QStringLiteral("Source of Information"), txtSourceInfo, 0, 3);
    form->setColumnStretch(1, 1);
    form->setColumnStretch(3, 1);
    form->setRowStretch(r + 1, 1);

    auto *referral = new QGroupBox(QStringLiteral("Referral Statement and Supporting Documents"), page);
    auto *refForm = new QFormLayout(referral);
    refForm->setVerticalSpacing(3);
    cboReferringParty = comboBox(referral, QStringLiteral("cboReferringParty"));
    txtReferredBy = lineEdit(referral, QStringLiteral("txtReferredBy"));
    DTDateReferred = datePicker(referral, QStringLiteral("DTDateReferred"));
    txtRefferAd = lineEdit(referral, QStringLiteral("txtRefferAd"));
    refForm->addRow(QStringLiteral("Referring Party"), cboReferringParty);
    refForm->addRow(QStringLiteral("Referred by"), txtReferredBy);
    refForm->addRow(QStringLiteral("Date Referred"), DTDateReferred);
    refForm->addRow(QStringLiteral("Referring Party Address "), txtRefferAd);
    auto *documents = new QGroupBox(QStringLiteral("Documents"), referral);
    auto *docForm = new QFormLayout(documents);
    docForm->setVerticalSpacing(3);
    txtDocDSWD = lineEdit(documents, QStringLiteral("txtDocDSWD"));
    txtDocAOCert = lineEdit(documents, QStringLiteral("txtDocAOCert"));
    txtDocCertEmploy = lineEdit(documents, QStringLiteral("txtDocCertEmploy"));
    txtDocMayorOff = lineEdit(documents, QStringLiteral("txtDocMayorOff"));
    txtDocBrgyClear = lineEdit(documents, QStringLiteral("txtDocBrgyClear"));
    txtDocOthers = lineEdit(documents, QStringLiteral("txtDocOthers"));
    docForm->addRow(QStringLiteral("DSWD-SCCR"), txtDocDSWD);
    docForm->addRow(QStringLiteral("AO Cert."), txtDocAOCert);
    docForm->addRow(QStringLiteral("Cert. of Employement"), txtDocCertEmploy);
    docForm->addRow(QStringLiteral("Treasurer/Mayor's Office"), txtDocMayorOff);
    docForm->addRow(QStringLiteral("Barangay Clearance"), txtDocBrgyClear);
    docForm->addRow(QStringLiteral("Others"), txtDocOthers);
    refForm->addRow(documents);

    columns->addWidget(personal, 3);
    columns->addWidget(referral, 2);
    return page;
}

QWidget *frmIntakeSurveySheet::buildBackgroundPage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    auto *familyBox = new QGroupBox(QStringLiteral("Family Compositon"), page);
    auto *familyLayout = new QVBoxLayout(familyBox);
    FCFlexGrid = new QTableWidget(familyBox);
    FCFlexGrid->setMinimumHeight(150);
    familyLayout->addWidget(FCFlexGrid, 1);
    auto *totals = new QHBoxLayout;
    cmdAdd = new QPushButton(QStringLiteral("&Add Members"), familyBox);
    cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
    auto *addHint = new QLabel(QStringLiteral("Click the Button to ADD a Family Members."), familyBox);
    txtTotFamIncome = lineEdit(familyBox, QStringLiteral("txtTotFamIncome"));
    txtTotFamIncome->setAlignment(Qt::AlignRight);
    txtTotFamIncome->setMaximumWidth(160);
    totals->addWidget(cmdAdd);
    totals->addWidget(addHint);
    totals->addStretch();
    totals->addWidget(new QLabel(QStringLiteral("Total Family Income : "), familyBox));
    totals->addWidget(txtTotFamIncome);
    familyLayout->addLayout(totals);
    layout->addWidget(familyBox, 3);

    auto *medical = new QGroupBox(QStringLiteral("Medical Data"), page);
    auto *medForm = new QFormLayout(medical);
    txtChiefComp = lineEdit(medical, QStringLiteral("txtChiefComp"));
    txtDiagnosis = lineEdit(medical, QStringLiteral("txtDiagnosis"));
    txtTreatment = lineEdit(medical, QStringLiteral("txtTreatment"));
    txtMDOtherInfo = lineEdit(medical, QStringLiteral("txtMDOtherInfo"));
    lblOtherInformation = new QLabel(QStringLiteral("Other Information"), medical);
    lblOtherInformation->setObjectName(QStringLiteral("lblOtherInformation"));
    medForm->addRow(QStringLiteral("Chief Complaint"), txtChiefComp);
    medForm->addRow(QStringLiteral("Diagnosis"), txtDiagnosis);
    medForm->addRow(QStringLiteral("Treatment Done"), txtTreatment);
    medForm->addRow(lblOtherInformation, txtMDOtherInfo);
    layout->addWidget(medical, 2);
    return page;
}

QWidget *frmIntakeSurveySheet::buildOtherPage()
{
    auto *page = new QWidget;
    auto *layout = new QGridLayout(page);
    txtExpenses = lineEdit(page, QStringLiteral("txtExpenses"));
    txtOtherResources = lineEdit(page, QStringLiteral("txtOtherResources"));
    auto *resources = new QFormLayout;
    resources->addRow(QStringLiteral("Other Resources"), txtOtherResources);
    resources->addRow(QStringLiteral("Expenses/Liabilities"), txtExpenses);
    layout->addLayout(resources, 0, 0, 1, 2);

    auto *problem = new QGroupBox(QStringLiteral("Presenting Problem"), page);
    problem->setObjectName(QStringLiteral("fmeProblem"));
    auto *problemLayout = new QVBoxLayout(problem);
    chkFinancialProb = new QCheckBox(QStringLiteral("Financial Problem"), problem);
    chkFinancialProb->setObjectName(QStringLiteral("chkFinancialProb"));
    auto *emotional = new QGroupBox(QStringLiteral("Emotional/Adjustment Problem "), problem);
    auto *emotionalLayout = new QVBoxLayout(emotional);
    chkRefusalProb = new QCheckBox(QStringLiteral("Refusal to accept treatment"), emotional);
    chkRefusalProb->setObjectName(QStringLiteral("chkRefusalProb"));
    chkAggressiveProb = new QCheckBox(QStringLiteral("Aggressiveness/Stuborness/Demanding Traits"), emotional);
    chkAggressiveProb->setObjectName(QStringLiteral("chkAggressiveProb"));
    chkDifficultyProb = new QCheckBox(QStringLiteral("Difficulty in coping with stress"), emotional);
    chkDifficultyProb->setObjectName(QStringLiteral("chkDifficultyProb"));
    emotionalLayout->addWidget(chkRefusalProb);
    emotionalLayout->addWidget(chkAggressiveProb);
    emotionalLayout->addWidget(chkDifficultyProb);
    auto *aftercare = new QGroupBox(QStringLiteral("After Care Treatment"), problem);
    auto *aftercareLayout = new QVBoxLayout(aftercare);
    optIrregular = new QRadioButton(QStringLiteral("Irregular Check-up"), aftercare);
    optIrregular->setObjectName(QStringLiteral("optIrregular"));
    optIrregular->setAutoExclusive(false); // a single button that can be set and cleared
    aftercareLayout->addWidget(optIrregular);
    txtOtherProb = lineEdit(problem, QStringLiteral("txtOtherProb"));
    problemLayout->addWidget(chkFinancialProb);
    problemLayout->addWidget(emotional);
    problemLayout->addWidget(aftercare);
    auto *others = new QFormLayout;
    others->addRow(QStringLiteral("Others: Please Specify"), txtOtherProb);
    problemLayout->addLayout(others);
    layout->addWidget(problem, 1, 0, 3, 1);

    txtDiagnostic = memo(page, QStringLiteral("txtDiagnostic"));
    txtGoalPlan = memo(page, QStringLiteral("txtGoalPlan"));
    txtActionTaken = memo(page, QStringLiteral("txtActionTaken"));
    auto memoBox = [page](const QString &title, QPlainTextEdit *edit) {
        auto *box = new QGroupBox(title, page);
        auto *l = new QVBoxLayout(box);
        l->setContentsMargins(6, 2, 6, 6);
        l->addWidget(edit);
        return box;
    };
    layout->addWidget(memoBox(QStringLiteral("Diagnostic Impression"), txtDiagnostic), 1, 1);
    layout->addWidget(memoBox(QStringLiteral("Helping Goals/Plans"), txtGoalPlan), 2, 1);
    layout->addWidget(memoBox(QStringLiteral("Action Taken"), txtActionTaken), 3, 1);

    txtMSSW = lineEdit(page, QStringLiteral("txtMSSW"));
    cmdAll = new QPushButton(QStringLiteral("..."), page);
    cmdAll->setObjectName(QStringLiteral("cmdAll"));
    cmdAll->setMaximumWidth(32);
    cmdAll->setToolTip(QStringLiteral("Choose the social worker"));
    auto *worker = new QHBoxLayout;
    worker->addWidget(new QLabel(QStringLiteral("Medical Social Worker"), page));
    worker->addWidget(txtMSSW, 1);
    worker->addWidget(cmdAll);
    layout->addLayout(worker, 4, 0, 1, 2);
    layout->setColumnStretch(0, 2);
    layout->setColumnStretch(1, 3);
    return page;
}

data::Connection &frmIntakeSurveySheet::connection() const
{
    data::Connection *c = shell::Session().SharedConnection;
    if (!c)
        throw data::DbError(3704, QStringLiteral("Intake sheet"), QStringLiteral("There is no open connection."));
    return *c;
}

void frmIntakeSurveySheet::load()
{
    data::Connection &c = connection();
    const IntakeSheetStore store(c);
    IdNum = m_selection.IDNUM;
    HospNum = m_selection.HospNum;
    m_patientType = m_selection.PatientType;

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
    const QList<QWidget *> navigating = { txtLastname, txtFirstname, txtMiddle, txtAge, txtReligion, txtEducation,
        txtOccupation, txtBirthdate, txtBirthPlace, txtHouseStreet, txtBarangay, txtZipCode, txtTelNo, txtEmployer,
        txtStatus, txtEmploymentAd, txtSalary, txtSSSMember, txtPhilhealth, txtSourceInfo, txtReferredBy,
        DTDateReferred, txtRefferAd, txtDocDSWD, txtDocAOCert, txtDocCertEmploy, txtDocMayorOff, txtDocBrgyClear,
        txtDocOthers, txtChiefComp, txtDiagnosis, txtTreatment, txtMDOtherInfo, txtOtherResources, txtExpenses,
        txtOtherProb, txtDiagnostic, txtGoalPlan, txtActionTaken, txtMSSW, txtCaseNo };
    for (QWidget *w : navigating)
        w->installEventFilter(this);
}

bool frmIntakeSurveySheet::eventFilter(QObject *watched, QEvent *event)
{
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

    static const QHash<QString, QString> next = {
        { QStringLiteral("txtLastname"), QStringLiteral("txtFirstname") },
        { QStringLiteral("txtFirstname"), QStringLiteral("txtMiddle") },
        { QStringLiteral("txtMiddle"), QStringLiteral("txtAge") },
        { QStringLiteral("txtReligion"), QStringLiteral("txtEmployer") },
        { QStringLiteral("txtEducation"), QStringLiteral("txtOccupation") },
        { QStringLiteral("txtOccupation"), QStringLiteral("txtReligion") },
        { QStringLiteral("txtBirthdate"), QStringLiteral("txtBirthPlace") },
        { QStringLiteral("txtBirthPlace"), QStringLiteral("txtHouseStreet") },
        { QStringLiteral("txtHouseStreet"), QStringLiteral("txtBarangay") },
        { QStringLiteral("txtBarangay"), QStringLiteral("txtZipCode") },
        { QStringLiteral("txtTelNo"), QStringLiteral("txtEducation") },
        { QStringLiteral("txtEmployer"), QStringLiteral("txtStatus") },
        { QStringLiteral("txtStatus"), QStringLiteral("txtEmploymentAd") },
        { QStringLiteral("txtEmploymentAd"), QStringLiteral("txtSalary") },
        { QStringLiteral("txtSalary"), QStringLiteral("txtSSSMember") },
        { QStringLiteral("txtSSSMember"), QStringLiteral("txtPhilhealth") },
        { QStringLiteral("txtPhilhealth"), QStringLiteral("txtSourceInfo") },
        { QStringLiteral("txtSourceInfo"), QStringLiteral("txtReferredBy") },
        { QStringLiteral("txtReferredBy"), QStringLiteral("DTDateReferred") },
        { QStringLiteral("DTDateReferred"), QStringLiteral("txtRefferAd") },
        { QStringLiteral("txtRefferAd"), QStringLiteral("txtDocDSWD") },
        { QStringLiteral("txtDocDSWD"), QStringLiteral("txtDocAOCert") },
        { QStringLiteral("txtDocAOCert"), QStringLiteral("txtDocCertEmploy") },
        { QStringLiteral("txtDocCertEmploy"), QStringLiteral("txtDocMayorOff") },
        { QStringLiteral("txtDocMayorOff"), QStringLiteral("txtDocBrgyClear") },
        { QStringLiteral("txtDocBrgyClear"), QStringLiteral("txtDocOthers") },
        { QStringLiteral("txtChiefComp"), QStringLiteral("txtDiagnosis") },
        { QStringLiteral("txtDiagnosis"), QStringLiteral("txtTreatment") },
        { QStringLiteral("txtTreatment"), QStringLiteral("txtMDOtherInfo") },
        { QStringLiteral("txtOtherResources"), QStringLiteral("txtExpenses") },
        { QStringLiteral("txtOtherProb"), QStringLiteral("txtDiagnostic") },
        { QStringLiteral("txtDiagnostic"), QStringLiteral("txtGoalPlan") },
        { QStringLiteral("txtGoalPlan"), QStringLiteral("txtActionTaken") },
        { QStringLiteral("txtActionTaken"), QStringLiteral("cmdSave") },
    };
    const QString name = watched->objectName();
    if (auto it = next.constFind(name); it != next.cend()) {
        if (auto *target = findChild<QWidget *>(*it))
            target->setFocus();
        return true;
    }
    if (watched == txtAge) {
        optSexMale->setChecked(true);
        return true;
    }
    if (watched == txtZipCode) {
        ui::runGuarded([this] { LookUpZipCode(); });
        return true;
    }
    if (watched == txtDocOthers) {
        SSTab1->setCurrentIndex(1);
        m_family->moveTo(std::max(0, FCFlexGrid->currentRow()), std::max(0, FCFlexGrid->currentColumn()));
        m_family->openEditor();
        return true;
    }
    if (watched == txtMDOtherInfo) {
        SSTab1->setCurrentIndex(2);
        txtOtherResources->setFocus();
        return true;
    }
    if (watched == txtExpenses) {
        chkFinancialProb->setChecked(true);
        return true;
    }
    if (watched == txtMSSW) {
        if (txtMSSW->text().isEmpty())
            ui::runGuarded([this] { searchSocialWorker(); });
        return true;
    }
    if (watched == txtCaseNo) {
        ui::runGuarded([this] { CheckCaseNumber(); });
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
    patients::frmEmployeeListing listing(
        shell::Session().CurrentUser ? shell::Session().CurrentUser->sqlconnection() : nullptr, this, WorkerCode);
    ui::Messages::execDialog(listing);
    WorkerCode = listing.WorkerCode();
    const std::optional<QString> name = IntakeSheetStore(connection()).employeeName(WorkerCode);
    if (!name) {
        ui::Messages::warning(QStringLiteral("Employee No Longer Exists."), QStringLiteral("MESSAGE"), this);
        return;
    }
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
    if (!ui::runGuarded([this] { CheckCaseNumber(); }) || CaseNumberTaken)
        return false;

    const IntakeRecord sheet = record();
    if (!IntakeSheetStore::civilStatusText(sheet.CivilStatus)) {
        ui::Messages::warning(QStringLiteral("Civil Status is Missing."), QStringLiteral("Message"), this);
        return false;
    }
    // A typed income that is not a number is refused before anything is written.
    if (m_family->firstBadIncome() || !incomeValue(txtTotFamIncome->text())) {
        ui::Messages::information(QStringLiteral("Please Enter Numeric Values"), {}, this);
        return false;
    }

    // The sheet and its family composition are stored together or not at all: a failure half
    // way must not leave the patient without the members stored before.
    data::Connection &c = connection();
    const bool stored = ui::runGuarded(
        [&] {
            ui::WaitCursor wait;
            c.beginTrans();
            IntakeSheetStore(c).save(sheet, shell::Session().EmployeeCode);
            m_family->Save_FamilyComposition(c, HospNum, txtHospitalNo->text());
            c.commitTrans();
        },
        &c, QStringLiteral("Message"));
    if (!stored)
        return false;
    IsSaved = true;
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
