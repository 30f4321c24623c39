#include "referral/frmarr.h"

#include "data/connection.h"
#include "data/format.h"
#include "domain/arrrecord.h"
#include "domain/arrstatements.h"
#include "domain/hiddenkey.h"
#include "intake/frmassessmentlist.h"
#include "patients/frmemployeelisting.h"
#include "referral/arrprinting.h"
#include "referral/frmnegotiatedcounterpart.h"
#include "referral/frmsearchcatalogue.h"
#include "reports/reportrunner.h"
#include "session/sessionstate.h"
#include "ui/commandguard.h"
#include "ui/messages.h"
#include "ui_frmarr.h"

#include <QApplication>
#include <QButtonGroup>
#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

namespace mss::referral {

namespace {

const QString kMessage = QStringLiteral("Message");

// A stored date as the date fields show it; today when there is none.
QString dateFieldText(const QString &stored)
{
    const std::optional<QDate> date = data::parseDate(stored);
    return data::formatMMDDYYYY(date ? *date : QDate::currentDate());
}

// The date a field's text stands for, or a refusal naming the field.
QString statementDate(const QString &text, const QString &what)
{
    const std::optional<QDate> date = data::parseDate(text.trimmed());
    if (!date)
        throw data::DbError(
            -1, QStringLiteral("frmARR"), what + QStringLiteral(" \"") + text + QStringLiteral("\" is not a date."));
    return data::shortDate(*date);
}

QList<QString> codesOfList(const QListWidget *list)
{
    QStringList codes;
    for (int i = 0; i < list->count(); ++i)
        codes.append(domain::hiddenKey(list->item(i)->text(), domain::kCodeKeyWidth));
    return codes;
}

// The key of the last selected item, in list order; empty when none is selected.
QListWidgetItem *lastSelected(const QListWidget *list)
{
    QListWidgetItem *last = nullptr;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->isSelected())
            last = list->item(i);
    }
    return last;
}

// "Data Not Successfully Saved." with the failure's description.
QString notSavedText(const std::exception_ptr &failure)
{
    QString description;
    try {
        std::rethrow_exception(failure);
    } catch (const data::DbError &e) {
        description = e.description();
    } catch (...) {
        description = ui::failureText(failure);
    }
    return QStringLiteral("Data Not Successfully Saved.") + QLatin1Char('\n') + description;
}

} // namespace

frmARR::frmARR(ui::WorkContext context, reports::ReportRunner *reports, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmARR>()), m_context(std::move(context)), m_reports(reports)
{
    m_ui->setupUi(this);
    if (!m_reports) {
        m_ownReports = std::make_unique<reports::ReportRunner>();
        m_reports = m_ownReports.get();
    }
    bindControls();
    wireCommands();
}

frmARR::~frmARR() = default;

data::Connection &frmARR::connection() const
{
    return ui::requireConnection(m_context.connection, QStringLiteral("frmARR"));
}

ArrStore frmARR::store() const
{
    return ArrStore(connection());
}

void frmARR::bindControls()
{
    Ui::frmARR &u = *m_ui;
    lblStatus = u.lblStatus;
    lblCode = u.lblCode;
    lblHeading = u.lblHeading;
    lblHeading2 = u.lblHeading2;
    lblHelp = u.lblHelp;
    lblHelpF1 = u.lblHelpF1;
    txtHospNum = u.txtHospNum;
    txtLastName = u.txtLastName;
    txtFirstName = u.txtFirstName;
    txtMiddleName = u.txtMiddleName;
    txtIdNum = u.txtIdNum;
    txtRoomID = u.txtRoomID;
    txtDoctor = u.txtDoctor;
    txtMSSNum = u.txtMSSNum;
    mskIntake = u.mskIntake;
    mskRange1 = u.mskRange1;
    txtValidityDate = u.txtValidityDate;
    txtNC = u.txtNC;
    txtMSSW = u.txtMSSW;
    cboClassification = u.cboClassification;
    cboactive = u.cboactive;
    cboReferring = u.cboReferring;
    chkActive = u.chkActive;
    chkSponsor = u.chkSponsor;
    chkPCSO = u.chkPCSO;
    chkSpecial = u.chkSpecial;
    SSTab1 = u.SSTab1;
    lstParentCategory = u.lstParentCategory;
    lstCategory = u.lstCategory;
    lstServices = u.lstServices;
    lstactivity = u.lstactivity;
    fmeService = u.fmeService;
    frmactivity = u.frmactivity;
    cmdService = u.cmdService;
    cmdCloseServices = u.cmdCloseServices;
    cmdAddActivity = u.cmdAddActivity;
    txtRemarks = u.txtRemarks;
    cmdSearch = u.cmdSearch;
    cmdSave = u.cmdSave;
    cmdPrint = u.cmdPrint;
    cmdRePrint = u.cmdRePrint;
    cmdTrans = u.cmdTrans;
    cmdPrevious = u.cmdPrevious;
    cmdViewCDF = u.cmdViewCDF;
    cmdClose = u.cmdClose;

    // The check boxes and option groups by the indexes the stored texts use.
    auto group = [this](const QString &name, int count, bool exclusive) {
        auto *g = new QButtonGroup(this);
        g->setObjectName(name);
        g->setExclusive(exclusive);
        for (int i = 0; i < count; ++i)
            g->addButton(findChild<QAbstractButton *>(name + QLatin1Char('_') + QString::number(i)), i);
        return g;
    };
    chkdoc = group(QStringLiteral("chkdoc"), kDocumentCount, false);
    optPCSO = group(QStringLiteral("optPCSO"), 3, true);
    optCategory = group(QStringLiteral("optCategory"), 15, true);

    cmdSearch->setIcon(QIcon(QStringLiteral(":/icons/listing.svg")));
    txtMSSNum->setEnabled(false);
    // The keys at the end of the entries stay out of sight: clipped, not elided.
    for (QListWidget *list : { lstParentCategory, lstCategory, lstServices, lstactivity }) {
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setTextElideMode(Qt::ElideNone);
    }

    // Enter in a field must not press a button: it would start a save.
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setAutoDefault(false);

    tmrCDF = new QTimer(this);
    tmrCDF->setObjectName(QStringLiteral("tmrCDF"));
    tmrCDF->setInterval(100);
    cmdViewCDF->setAutoFillBackground(true);
}

void frmARR::wireCommands()
{
    ui::connectGuarded(cmdSearch, &QToolButton::clicked, this, [this] { searchSocialWorker(); });
    ui::connectGuarded(cmdPrevious, &QPushButton::clicked, this, [this] { showPreviousAssessments(); });
    ui::connectGuarded(cmdViewCDF, &QPushButton::clicked, this, [this] { viewCdfAllocation(); });
    ui::connectGuarded(cmdService, &QPushButton::clicked, this, [this] { searchServices(); });
    ui::connectGuarded(cmdAddActivity, &QPushButton::clicked, this, [this] { searchActivities(); });
    ui::connectGuarded(cmdSave, &QPushButton::clicked, this, [this] { save(false); });
    ui::connectGuarded(cmdPrint, &QPushButton::clicked, this, [this] { saveAndPrint(); });
    ui::connectGuarded(cmdRePrint, &QPushButton::clicked, this, [this] { reprint(); });
    ui::connectGuarded(cmdTrans, &QPushButton::clicked, this, [this] { viewTransactions(); });
    // Only the window's own controls change below: nothing there can fail.
    connect(cmdCloseServices, &QPushButton::clicked, fmeService, &QWidget::hide);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(lstCategory, &QListWidget::itemClicked, this, &frmARR::clickCategory);
    connect(lstServices, &QListWidget::itemDoubleClicked, this, &frmARR::removeService);
    connect(tmrCDF, &QTimer::timeout, this, &frmARR::blink);
    connect(txtNC, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (isNumericText(text))
            return;
        ui::Messages::information(QStringLiteral("Can't accept non-numeric values."), kMessage, this);
        if (!text.isEmpty())
            txtNC->setText(text.chopped(1));
    });
    // The window promises help on F1; until there is some, F1 says where to find it.
    auto *help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [this] {
        ui::Messages::information(
            QStringLiteral("There is no help inside the program yet.\nThe department's user guide describes this "
                           "window; ask the MSS supervisor for a copy."),
            QStringLiteral("Help"), this);
    });
    cboactive->installEventFilter(this);
    mskRange1->installEventFilter(this);
}

bool frmARR::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == mskRange1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            focusNextChild();
            return true;
        }
    }
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        // A message box taking the focus is not the user leaving the field.
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
            if (watched == cboactive)
                ui::runGuarded([this] { leaveCaseStatus(); }, { .title = windowTitle() });
            else if (watched == mskRange1 && !checkExpiryField())
                QTimer::singleShot(0, mskRange1, [field = mskRange1] { field->setFocus(); });
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmARR::fillLists()
{
    const ArrStore s = store();
    cboClassification->clear();
    for (const auto &[code, name] : s.classifications())
        cboClassification->addItem(code + QStringLiteral(" -") + name);
    cboReferring->clear();
    for (const auto &[code, name] : s.referringParties())
        cboReferring->addItem(code + QStringLiteral(" -") + name);
    cboactive->clear();
    for (const auto &entry : s.caseStatuses())
        cboactive->addItem(entry.second);
    for (QComboBox *box : { cboClassification, cboReferring, cboactive })
        box->setCurrentIndex(-1);
    lstParentCategory->clear();
    for (const auto &[id, name] : s.parentCategories())
        lstParentCategory->addItem(domain::withHiddenKey(name, id, domain::kCategoryBlanks));
    lstCategory->clear();
    for (const auto &[id, name] : s.caseCategories())
        lstCategory->addItem(domain::withHiddenKey(name, id, domain::kCategoryBlanks));
}

void frmARR::load()
{
    fillLists();
    const ArrStore s = store();
    if (const std::optional<MasterClassification> master = s.masterClassification(HospNum)) {
        if (master->MSSNum.isEmpty() && master->ValidityDate.isEmpty()) {
            if (!CheckPayPatient()) {
                ui::Messages::information(
                    QStringLiteral("Change to Patient type to service before classifiying"), kMessage, this);
                return;
            }
        } else {
            LoadAssessmentRecord();
        }
    }
    if (s.isCompanyAccount(txtIdNum->text()))
        tmrCDF->start();
    else
        tmrCDF->stop();
}

bool frmARR::CheckPayPatient()
{
    const ArrStore s = store();
    if (s.patientClass(IDNUM) != QLatin1String("P")) {
        if (!s.masterExpiry(HospNum).isEmpty()) {
            LoadAssessmentRecord();
            return false;
        }
        ui::Messages::information(
            QStringLiteral("Patient does not have an intake sheet."), QStringLiteral("Notification"), this);
        lblStatus->setText(QStringLiteral("No MSS Number and Classification."));
    } else {
        const bool convert
            = ui::Messages::show(QStringLiteral("PAY PATIENT: Does not have an intake sheet. ") + QLatin1Char('\n')
                      + QStringLiteral("Would you like to update patient type to SERVICE? "),
                  QStringLiteral("Notification"), QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, this)
            == QMessageBox::Yes;
        if (!convert)
            return false;
        ConvertToServicePatient();
        lblStatus->setText(QStringLiteral("Pay to Service Patient. Enter New MSS Number and MSS Classfication."));
    }
    if (const std::optional<ArrRecord> patient = s.payPatientInfo(IDNUM)) {
        txtLastName->setText(patient->LastName);
        txtFirstName->setText(patient->FirstName);
        txtMiddleName->setText(patient->MiddleName);
        txtHospNum->setText(patient->HospNum);
        txtIdNum->setText(patient->IdNum);
        txtDoctor->setText(patient->DoctorName);
        txtRoomID->setText(patient->RoomID);
        unlockMssNumber();
    }
    return true;
}

void frmARR::ConvertToServicePatient()
{
    // A failed conversion is said and the opening goes on, as after a successful one.
    ui::runGuarded(
        [this] {
            ui::WaitCursor wait;
            store().convertToServicePatient(IDNUM, m_context.userCode);
        },
        notSavedGuard());
}

ui::Guard frmARR::notSavedGuard()
{
    return { .connection = m_context.connection, .title = kMessage, .parent = this, .describe = &notSavedText };
}

void frmARR::unlockMssNumber()
{
    txtMSSNum->setReadOnly(false);
    txtMSSNum->setEnabled(true);
    txtMSSNum->setStyleSheet(QStringLiteral("background-color: rgb(222, 227, 248);"));
}

void frmARR::selectByKey(QListWidget *list, const QString &key)
{
    for (int i = 0; i < list->count(); ++i) {
        if (domain::hiddenKey(list->item(i)->text(), domain::kCategoryKeyWidth) == key) {
            list->item(i)->setSelected(true);
            list->scrollToItem(list->item(i)); // a choice below the fold is still seen
        }
    }
}

void frmARR::showRecord(const ArrRecord &r)
{
    txtLastName->setText(r.LastName);
    txtFirstName->setText(r.FirstName);
    txtMiddleName->setText(r.MiddleName);
    txtHospNum->setText(r.HospNum);
    txtIdNum->setText(r.IdNum);
    txtMSSNum->setText(r.MSSNum);
    txtDoctor->setText(r.DoctorName);
    txtRoomID->setText(r.RoomID);
    mskIntake->setText(dateFieldText(r.ValidityDate));
    // The stored value in the system's date form, as a date read from the database shows elsewhere.
    txtValidityDate->setText(data::generalDateText(r.ValidityDate));
    mskRange1->setText(dateFieldText(r.ExpiryDate));
    lblCode->setText(r.ClassCode);
    txtMSSW->setText(r.MSSWName);
    WorkerCode = r.WorkerCode;
    txtNC->setText(r.NC);
    txtRemarks->setPlainText(r.Remarks);
    chkSponsor->setChecked(r.IsCDF);
    chkPCSO->setChecked(r.IsPCSO);
    chkSpecial->setChecked(r.IsSpecial);
    if (QAbstractButton *type = optPCSO->button(pcsoTypeIndex(r.PcsoType)))
        type->setChecked(true);
    ServiceCodes = r.ServiceCodes;
}

void frmARR::LoadAssessmentRecord()
{
    const ArrStore s = store();
    const std::optional<ArrRecord> record = s.assessmentRecord(IDNUM);
    if (!record) {
        ui::Messages::information(
            QStringLiteral("Patient is not existing in the database.Try to search again."), kMessage, this);
        return;
    }
    showRecord(*record);
    // The worker shown is the worker a save stores: the code's own name and licence, not a name
    // another window wrote beside it.
    if (!WorkerCode.trimmed().isEmpty()) {
        if (const std::optional<SocialWorker> worker = s.socialWorker(WorkerCode)) {
            txtMSSW->setText(worker->Name);
            WorkerLicenseNo = worker->LicenseNumber;
        }
    }
    if (record->ClassCode.isEmpty() && !txtMSSNum->text().isEmpty())
        lblStatus->setText(QStringLiteral("Classification has expired last torv here "));

    const QString code = record->ClassCode.trimmed();
    cboClassification->setCurrentIndex(-1);
    for (int i = 0; i < cboClassification->count(); ++i) {
        if (cboClassification->itemText(i).left(2).trimmed() == code) {
            cboClassification->setCurrentIndex(i);
            break;
        }
    }
    selectByKey(lstCategory, record->CaseCategory.trimmed());
    selectByKey(lstParentCategory, record->ParentCategory.trimmed());
    const QString referring = record->ReferringPartyId.trimmed();
    cboReferring->setCurrentIndex(-1);
    for (int i = 0; i < cboReferring->count(); ++i) {
        if (cboReferring->itemText(i).left(1) == referring) {
            cboReferring->setCurrentIndex(i);
            break;
        }
    }
    if (txtMSSNum->text().trimmed().isEmpty())
        unlockMssNumber();

    if (const std::optional<CaseHistory> history = s.caseHistory(HospNum, IDNUM)) {
        const QList<std::optional<bool>> docs = docsValues(history->Docs, kDocumentCount);
        for (int i = 0; i < kDocumentCount; ++i) {
            if (docs[i])
                chkdoc->button(i)->setChecked(*docs[i]);
        }
        CaseStatusTag = history->CaseStatus;
        cboactive->setCurrentIndex(cboactive->findText(history->CaseDescription));
        ActivityCodes = history->ActivityCodes;
        chkActive->setChecked(history->Active);
    }
    LoadServiceList();
    LoadActivityList();
}

void frmARR::loadChosenList(QListWidget *list, QGroupBox *group, const QString &codes, bool services)
{
    const ArrStore s = store();
    const Catalogue &catalogue = services ? Catalogue::services() : Catalogue::activities();
    list->clear();
    for (const QString &code : domain::splitCodes(codes)) {
        if (const auto description = s.itemDescription(catalogue, code.trimmed()))
            list->addItem(domain::withHiddenKey(*description, code, domain::kArrListBlanks));
    }
    group->setVisible(true);
}

void frmARR::LoadServiceList()
{
    loadChosenList(lstServices, fmeService, ServiceCodes, true);
}

void frmARR::LoadActivityList()
{
    loadChosenList(lstactivity, frmactivity, ActivityCodes, false);
}

void frmARR::searchSocialWorker()
{
    patients::frmEmployeeListing listing(&connection(), this);
    ui::Messages::execDialog(listing);
    // A pick list closed without a choice changes nothing.
    if (listing.WorkerCode().isEmpty())
        return;
    const QString code = listing.WorkerCode();
    const std::optional<SocialWorker> worker = store().socialWorker(code);
    if (!worker) {
        // The name shown stays, and so does the code saved with it.
        ui::Messages::show(QStringLiteral("Employee No Longer Exists."), QStringLiteral("MESSAGE"),
            QMessageBox::Warning, QMessageBox::Ok, this);
        return;
    }
    WorkerCode = code;
    txtMSSW->setText(worker->Name);
    WorkerLicenseNo = worker->LicenseNumber;
}

void frmARR::showPreviousAssessments()
{
    const data::Recordset rows = store().previousAssessments(txtHospNum->text());
    if (rows.isEmpty())
        return;
    intake::frmAssessmentList list(this);
    list.setRows(rows);
    ui::Messages::execDialog(list);
}

void frmARR::viewCdfAllocation()
{
    if (!tmrCDF->isActive()) {
        ui::Messages::information(QStringLiteral("Patient has no CDF Allocation"), QStringLiteral("message"), this);
        return;
    }
    frmNegotiatedCounterpart view(shownPatient(), connection(), this);
    view.load();
    ui::Messages::execDialog(view);
}

AllocationPatient frmARR::shownPatient() const
{
    return { txtHospNum->text(), txtIdNum->text(), txtFirstName->text(), txtLastName->text(), txtMSSNum->text() };
}

std::optional<QString> frmARR::runPicker(CataloguePicker &picker, QListWidget *list)
{
    picker.setResultCode(domain::joinCodes(codesOfList(list)));
    picker.load();
    ui::Messages::execDialog(picker);
    if (!picker.Selected())
        return std::nullopt;
    return picker.ResultCode();
}

void frmARR::searchServices()
{
    frmSearchService picker(connection(), this);
    if (const auto codes = runPicker(picker, lstServices)) {
        ServiceCodes = *codes;
        LoadServiceList();
    }
}

void frmARR::searchActivities()
{
    frmSearchActivity picker(connection(), this);
    if (const auto codes = runPicker(picker, lstactivity)) {
        ActivityCodes = *codes;
        LoadActivityList();
    }
}

void frmARR::clickCategory(QListWidgetItem *item)
{
    if (!item)
        return;
    const QString text = item->text();
    for (int i = 0; i < lstCategory->count(); ++i)
        lstCategory->item(i)->setSelected(lstCategory->item(i)->text() == text);
}

void frmARR::removeService(QListWidgetItem *item)
{
    if (!item)
        return;
    const QString code = domain::hiddenKey(item->text(), domain::kCodeKeyWidth);
    for (int i = lstServices->count() - 1; i >= 0; --i) {
        if (domain::hiddenKey(lstServices->item(i)->text(), domain::kCodeKeyWidth) == code)
            delete lstServices->takeItem(i);
    }
}

void frmARR::leaveCaseStatus()
{
    if (const std::optional<QString> code = store().caseStatusCode(cboactive->currentText()))
        CaseStatusTag = *code;
}

bool frmARR::expiryYearAccepted(const QDate &date)
{
    if (date.year() <= QDate::currentDate().year() + 2)
        return true;
    return ui::Messages::question(
        QStringLiteral("The date you have entered is 2 years ahead of the current date or previous date.")
            + QLatin1Char('\n') + QStringLiteral("Is that valid?"),
        {}, this);
}

bool frmARR::checkExpiryField()
{
    // The message boxes below take the focus away from the field; that is not another leaving.
    if (m_checkingExpiry)
        return true;
    m_checkingExpiry = true;
    bool accepted = true;
    const std::optional<QDate> date = data::parseDate(mskRange1->text());
    if (!date) {
        ui::Messages::critical(QStringLiteral("Invalid date ") + mskRange1->text() + QStringLiteral("."), {}, this);
        accepted = false;
    } else {
        accepted = expiryYearAccepted(*date);
    }
    m_checkingExpiry = false;
    return accepted;
}

void frmARR::blink()
{
    static const QColor colours[] = { QColor(255, 255, 164), QColor(255, 255, 179), QColor(255, 255, 225),
        QColor(255, 255, 200), QColor(251, 253, 179), QColor(255, 255, 225) };
    if (blinkStep < 6) {
        QPalette palette = cmdViewCDF->palette();
        palette.setColor(QPalette::Button, colours[blinkStep]);
        cmdViewCDF->setPalette(palette);
    } else if (blinkStep == 6) {
        QPalette palette = cmdViewCDF->palette();
        palette.setColor(QPalette::Button, QApplication::palette().color(QPalette::Button));
        cmdViewCDF->setPalette(palette);
    }
    blinkStep = blinkStep == 7 ? 0 : blinkStep + 1;
}

bool frmARR::save(bool forPrinting)
{
    const std::optional<QDate> expiry = data::parseDate(mskRange1->text());
    if (!expiry) {
        ui::Messages::critical(
            QStringLiteral("You have entered an invalid date ") + mskRange1->text() + QStringLiteral("."), {}, this);
        mskRange1->setFocus();
        return false;
    }
    if (!expiryYearAccepted(*expiry)) {
        mskRange1->setFocus();
        return false;
    }
    const QString nl = QStringLiteral("\n");
    const QString verification = (forPrinting ? QStringLiteral("*VERIFICATION*") : QStringLiteral("***VERIFICATION***"))
        + nl + QStringLiteral(" ") + nl + QStringLiteral("  PATIENT NAME: ") + txtLastName->text()
        + QStringLiteral(", ") + txtFirstName->text() + QStringLiteral(" ") + txtMiddleName->text() + nl
        + QStringLiteral("  HOSP. NO. : ") + txtHospNum->text() + nl + QStringLiteral("  MSS NO.: ") + txtMSSNum->text()
        + QStringLiteral("   CLASSIFICATION: ") + cboClassification->currentText() + nl
        + QStringLiteral("  EXPIRY DATE: ") + mskRange1->text() + nl + QStringLiteral("Is that a valid information?");
    if (!ui::Messages::question(verification, {}, this))
        return false;
    return SaveAssessmentRecord();
}

bool frmARR::CheckCaseNumber()
{
    const std::optional<CaseNumberOwner> owner = store().otherOwnerOf(txtMSSNum->text(), txtHospNum->text());
    if (!owner)
        return false;
    ui::Messages::show(QStringLiteral("The CaseNumber already exists. ") + QLatin1Char('\n')
            + QStringLiteral("It is owned by ") + owner->PatientName,
        kMessage, QMessageBox::NoIcon, QMessageBox::Ok, this);
    txtMSSNum->clear();
    txtMSSNum->setEnabled(true);
    return true;
}

ArrSaveValues frmARR::saveValues() const
{
    ArrSaveValues v;
    v.HospNum = HospNum;
    v.IdNum = IDNUM;
    v.HospNumText = txtHospNum->text().trimmed();
    v.IdNumText = txtIdNum->text();
    v.MssNum = txtMSSNum->text().trimmed();
    if (v.MssNum.size() > 10)
        throw data::DbError(-1, QStringLiteral("frmARR"),
            QStringLiteral("The MSS number \"") + v.MssNum + QStringLiteral("\" is longer than ten characters."));
    v.ClassCode = cboClassification->currentText().left(2).trimmed();
    if (QListWidgetItem *category = lastSelected(lstCategory)) {
        v.CategoryId = domain::hiddenKey(category->text(), domain::kCategoryKeyWidth);
        v.CategoryName = domain::hiddenKeyName(category->text(), domain::kCategoryKeyWidth);
    } else {
        v.CategoryName = optionCategoryName(optCategory->checkedId());
    }
    if (QListWidgetItem *parent = lastSelected(lstParentCategory))
        v.ParentCategoryId = domain::hiddenKey(parent->text(), domain::kCategoryKeyWidth);
    v.Remarks = txtRemarks->toPlainText();
    // A date that cannot be read is refused here, before anything is written.
    v.IntakeDate = statementDate(mskIntake->text(), QStringLiteral("The date of intake"));
    v.ExpiryDate = statementDate(mskRange1->text(), QStringLiteral("The expiry date"));
    v.WorkerCode = WorkerCode;
    v.EmployeeCode = m_context.employeeCode;
    v.UserCode = m_context.userCode;
    v.IsPCSO = chkPCSO->isChecked() ? QStringLiteral("1") : QString();
    v.IsCDF = chkSponsor->isChecked() ? QStringLiteral("1") : QString();
    v.IsSpecial = chkSpecial->isChecked() ? QStringLiteral("1") : QString();
    const std::optional<QString> nc = negotiatedCounterpartText(txtNC->text());
    if (!nc)
        throw data::DbError(-1, QStringLiteral("frmARR"),
            QStringLiteral("The negotiated counterpart \"") + txtNC->text() + QStringLiteral("\" is not a number."));
    v.NC = *nc;
    v.PcsoType = pcsoTypeCode(chkPCSO->isChecked(), optPCSO->checkedId());
    v.ReferringCode = referringCodeOf(cboReferring->currentText());
    v.Active = chkActive->isChecked() ? QStringLiteral("Y") : QStringLiteral("N");
    v.CaseStatus = CaseStatusTag;
    QList<bool> docs;
    for (int i = 0; i < kDocumentCount; ++i)
        docs.append(chkdoc->button(i)->isChecked());
    v.Docs = docsText(docs);
    v.ServiceCodes = ServiceCodes;
    v.ActivityCodes = ActivityCodes;
    return v;
}

bool frmARR::SaveAssessmentRecord()
{
    bool stored = false;
    ui::runGuarded([this, &stored] { stored = writeAssessmentRecord(); }, notSavedGuard());
    return stored;
}

bool frmARR::writeAssessmentRecord()
{
    data::Connection &c = connection();
    c.beginTrans();
    ClassCode = cboClassification->currentText().left(2).trimmed();
    IsSaved = false;
    if (cboClassification->currentText().isEmpty()) {
        ui::Messages::information(QStringLiteral("Please enter classification before saving."), kMessage, this);
        c.rollbackTrans();
        return false;
    }
    if (CheckCaseNumber()) {
        c.rollbackTrans();
        return false;
    }
    const ArrSaveValues values = saveValues();
    ui::WaitCursor wait;
    store().writeAssessment(values);
    c.commitTrans();
    ui::Messages::information(QStringLiteral("Clasification for ") + txtLastName->text() + QStringLiteral(", ")
            + txtFirstName->text() + QStringLiteral(" saved.") + QLatin1Char('\n') + QStringLiteral("    HospNum : ")
            + txtHospNum->text() + QLatin1Char('\n') + QStringLiteral("    Expriy Date : ")
            + data::formatMMDDYYYY(*data::parseDate(mskRange1->text())) + QStringLiteral(" 11:59 PM"),
        kMessage, this);
    IsSaved = true;
    return true;
}

void frmARR::printThenClose(const QString &caption)
{
    ui::runGuarded(
        [&] {
            openArrReport(*m_reports,
                { txtHospNum->text().trimmed(), txtIdNum->text().trimmed(), m_context.userName, WorkerLicenseNo,
                    txtDoctor->text() });
            done(QDialog::Accepted);
            m_reports->ShowReport(false, caption, false);
        },
        { .title = windowTitle() });
}

void frmARR::saveAndPrint()
{
    save(true);
    if (IsSaved)
        printThenClose(QStringLiteral("Assessment and Referal report"));
}

void frmARR::reprint()
{
    printThenClose(QStringLiteral("Reprint Assessment and Referal report"));
}

void frmARR::viewTransactions()
{
    ui::runGuarded(
        [&] {
            m_reports->OpenReport(shell::Session().ReportsPath + QStringLiteral("\\ARRTransactionReport.rpt"),
                { txtHospNum->text().trimmed() });
            done(QDialog::Accepted);
            m_reports->ShowReport(false, QStringLiteral("Assessment Transaction Report"), false);
        },
        { .title = windowTitle() });
}

} // namespace mss::referral
