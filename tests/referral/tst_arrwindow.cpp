// The assessment-and-referral window as a social worker uses it: the three ways it opens, the
// pickers, saving with its checks and refusals, printing and reprinting, and the fund view.
#include "data/connection.h"
#include "domain/arrrecord.h"
#include "domain/arrstatements.h"
#include "domain/hiddenkey.h"
#include "intake/frmassessmentlist.h"
#include "patients/frmemployeelisting.h"
#include "referral/frmarr.h"
#include "referral/frmnegotiatedcounterpart.h"
#include "referral/frmreprintarr.h"
#include "referral/frmsearchcatalogue.h"
#include "reports/frmreportviewer.h"
#include "reports/reportrunner.h"
#include "session/sessionstate.h"
#include "shell/mdimss.h"
#include "shell/startup.h"
#include "support/demohospital.h"
#include "support/fakeconnections.h"
#include "support/messagelog.h"
#include "support/sessionfixture.h"
#include "ui/messages.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using namespace mss;
using referral::frmARR;

namespace {

QStringList itemTexts(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

QStringList codesOf(const QListWidget *list)
{
    QStringList codes;
    for (const QString &text : itemTexts(list))
        codes.append(domain::hiddenKey(text, domain::kCodeKeyWidth));
    return codes;
}

} // namespace

class TestArrWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void opensTheStoredRecord();
    void masterRowDecidesWhatIsLoaded();
    void payPatientWithoutIntakeSheet();
    void serviceWithExpiryOnlyLoadsAndStillRefuses();
    void savingSendsTheStatementsOfTheWindow();
    void whoWorkedComesFromTheOpener();
    void categoryComesFromTheListOrTheOptions();
    void badInputIsRefusedBeforeAnythingIsWritten();
    void caseNumberOfAnotherPatient();
    void servicePicker();
    void activityPickerRemovesOnOneClick();
    void socialWorkerPickList();
    void fieldChecks();
    void printingAndReprinting();
    void reprintWithoutAndWithAChosenPatient();
    void fundView();
    void menuItemsOfTheMainWindow();

private:
    std::unique_ptr<frmARR> open(const QString &idNum, data::Connection *connection = nullptr);
    std::unique_ptr<frmARR> openAs(const QString &idNum, const ui::WorkContext &work);
    QString scalar(const QString &statement) { return test::scalar(m_hospital->connection(), statement); }
    void exec(const QString &statement) { m_hospital->connection().execute(statement); }
    // An in-patient with a stored ARR, its services and a case history with activities.
    QString assessedInPatient();
    // Answers the next questions in turn (Yes when the list runs out) and records every box.
    void answer(QList<QMessageBox::StandardButton> answers);
    // Runs the next modal dialog through a function of the test.
    template <typename Dialog> void onDialog(std::function<int(Dialog &)> handle)
    {
        ui::Messages::setDialogHandler([handle](QDialog &d) { return handle(dynamic_cast<Dialog &>(d)); });
    }

    std::unique_ptr<test::DemoHospital> m_hospital;
    std::optional<test::MessageLog> m_log;
    QList<ui::Messages::Shown> m_shown;
    QList<reports::frmReportViewer *> m_viewers;
};

void TestArrWindow::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_hospital = std::make_unique<test::DemoHospital>();
    QVERIFY(test::startDemoSession(m_hospital->folder()));
}

void TestArrWindow::cleanupTestCase()
{
    test::endDemoSession();
}

void TestArrWindow::init()
{
    m_log.emplace(QMessageBox::Yes);
}

void TestArrWindow::cleanup()
{
    m_log.reset();
    ui::Messages::setBoxHandler(nullptr);
    ui::Messages::setDialogHandler(nullptr);
    qDeleteAll(m_viewers);
    m_viewers.clear();
    m_shown.clear();
}

void TestArrWindow::answer(QList<QMessageBox::StandardButton> answers)
{
    m_log.reset();
    ui::Messages::setBoxHandler([this, answers](const ui::Messages::Shown &box) mutable {
        m_shown.append(box);
        if (!(box.buttons & QMessageBox::Yes))
            return QMessageBox::Ok;
        return answers.isEmpty() ? QMessageBox::Yes : answers.takeFirst();
    });
}

std::unique_ptr<frmARR> TestArrWindow::open(const QString &idNum, data::Connection *connection)
{
    const ui::WorkContext session = shell::sessionWorkContext();
    return openAs(idNum, connection ? session.on(connection) : session);
}

std::unique_ptr<frmARR> TestArrWindow::openAs(const QString &idNum, const ui::WorkContext &work)
{
    auto w = std::make_unique<frmARR>(work);
    w->reportRunner().setViewerHost([this](reports::frmReportViewer *viewer) { m_viewers.append(viewer); });
    w->IDNUM = idNum;
    w->HospNum = scalar(QStringLiteral("SELECT HospNum FROM PATIENT_DATA..vwAdmission WHERE IdNum = '%1'").arg(idNum));
    w->resize(1300, 700);
    w->show();
    w->load();
    return w;
}

QString TestArrWindow::assessedInPatient()
{
    return scalar(QStringLiteral(
        "SELECT min(a.IdNum) FROM MSS..tbMSSAssessment a JOIN MSS..tbMSSCaseHistory h ON h.IdNum = a.IdNum "
        "JOIN PATIENT_DATA..tbMaster m ON m.HospNum = a.HospNum "
        "WHERE a.IdNum NOT LIKE '%B' AND a.IdNum NOT LIKE '%-%' AND a.ServiceID = '1.1.1|1.3.1|' "
        "AND h.ActivityID = '1.1|1.2.1|' AND ifnull(m.MSSNum, '') <> '' AND a.PCSOType IS NULL AND a.Code <> ''"));
}

void TestArrWindow::opensTheStoredRecord()
{
    const QString id = assessedInPatient();
    QVERIFY(!id.isEmpty());
    auto w = open(id);
    QVERIFY(m_log->shown.isEmpty());
    const QString hosp = w->HospNum;
    QCOMPARE(w->windowTitle(), QStringLiteral("VMC: Medical Social Service Division"));
    QCOMPARE(w->txtHospNum->text(), hosp);
    QCOMPARE(w->txtIdNum->text(), id);
    QCOMPARE(w->txtLastName->text(),
        scalar(QStringLiteral("SELECT LastName FROM PATIENT_DATA..tbMaster WHERE HospNum = '%1'").arg(hosp)));
    QCOMPARE(w->txtMSSNum->text(),
        scalar(QStringLiteral("SELECT MSSNum FROM PATIENT_DATA..tbMaster WHERE HospNum = '%1'").arg(hosp)));
    QVERIFY(!w->txtMSSNum->isEnabled()); // a patient with a number keeps it
    const QString code = scalar(QStringLiteral("SELECT Code FROM MSS..tbMSSAssessment WHERE IdNum = '%1'").arg(id));
    QCOMPARE(w->lblCode->text(), code);
    QCOMPARE(w->cboClassification->currentText().left(2).trimmed(), code);
    QVERIFY(QDate::fromString(w->mskRange1->text(), QStringLiteral("MM/dd/yyyy")).isValid());

    QCOMPARE(w->ServiceCodes, QStringLiteral("1.1.1|1.3.1|"));
    QCOMPARE(codesOf(w->lstServices), QStringList({ "1.1.1", "1.3.1" }));
    QVERIFY(w->lstServices->item(0)->text().startsWith(QLatin1String("INITIAL ASSESSMENT     ")));
    QCOMPARE(codesOf(w->lstactivity), QStringList({ "1.1", "1.2.1" }));
    const QString docs = scalar(QStringLiteral("SELECT Docs FROM MSS..tbMSSCaseHistory WHERE IdNum = '%1'").arg(id));
    for (int i = 0; i < frmARR::kDocumentCount; ++i)
        QCOMPARE(w->chkdoc->button(i)->isChecked(), docs.split(QLatin1Char('|'))[i] == QLatin1String("1"));
    QCOMPARE(w->chkdoc->button(12)->text(), QStringLiteral("Daily Accomplishment "));
    const QString category
        = scalar(QStringLiteral("SELECT CategoryID FROM MSS..tbMSSAssessment WHERE IdNum = '%1'").arg(id));
    QCOMPARE(w->lstCategory->selectedItems().size(), 1);
    QCOMPARE(domain::hiddenKey(w->lstCategory->selectedItems().first()->text(), 2), category);
    QVERIFY(w->chkActive->isChecked());
    QVERIFY(!w->cboactive->currentText().isEmpty());
    QCOMPARE(w->CaseStatusTag,
        scalar(QStringLiteral("SELECT CaseStatus FROM MSS..tbMSSCaseHistory WHERE IdNum = '%1'").arg(id)));
    QCOMPARE(w->cboReferring->currentText().left(1),
        scalar(QStringLiteral("SELECT ReferringPartyID FROM MSS..tbMSSAssessment WHERE IdNum = '%1'").arg(id)));

    // The patient's previous assessments, handed to the assessment list.
    int previous = -1;
    QStringList dates;
    onDialog<intake::frmAssessmentList>([&](intake::frmAssessmentList &list) {
        previous = list.GridAssessment->rowCount();
        for (int r = 0; r < previous; ++r)
            dates << list.GridAssessment->item(r, 5)->text() << list.GridAssessment->item(r, 7)->text();
        return int(QDialog::Rejected);
    });
    w->showPreviousAssessments();
    QCOMPARE(previous,
        scalar(QStringLiteral("SELECT count(*) FROM MSS..tbMSSAssessment WHERE HospNum = '%1'").arg(hosp)).toInt());
    // Dates read as the program's dates, not as the database stores them.
    for (const QString &date : dates)
        QVERIFY2(date.isEmpty() || QDate::fromString(date, QStringLiteral("MM/dd/yyyy")).isValid(), qPrintable(date));

    // A company account makes the fund button blink; a personal one leaves it still.
    const bool company = !scalar(QStringLiteral("Billing..sp_Pars_CheckCompany '%1'").arg(id)).isEmpty();
    QCOMPARE(w->tmrCDF->isActive(), company);
    w->blinkStep = 7;
    w->blink();
    QCOMPARE(w->blinkStep, 0);
    w->blink();
    QCOMPARE(w->cmdViewCDF->palette().color(QPalette::Button), QColor(255, 255, 164));
}

void TestArrWindow::masterRowDecidesWhatIsLoaded()
{
    // No master row: only the lists are filled, and nothing is said.
    auto none = open(assessedInPatient());
    none->close();
    auto empty = std::make_unique<frmARR>(shell::sessionWorkContext());
    empty->HospNum = QStringLiteral("NO-SUCH-PATIENT");
    empty->IDNUM = QStringLiteral("999999");
    empty->load();
    QVERIFY(m_log->shown.isEmpty());
    QVERIFY(empty->txtHospNum->text().isEmpty());
    QVERIFY(empty->cboClassification->count() > 0 && empty->lstCategory->count() > 0);
    QCOMPARE(empty->cboClassification->currentIndex(), -1);
    QVERIFY(!empty->tmrCDF->isActive());

    // An MSS number without a date of validity is enough to load the stored record.
    const QString id = assessedInPatient();
    const QString hosp
        = scalar(QStringLiteral("SELECT HospNum FROM PATIENT_DATA..vwAdmission WHERE IdNum = '%1'").arg(id));
    exec(QStringLiteral("UPDATE PATIENT_DATA..tbMaster SET MSSDiscountValidity = NULL WHERE HospNum = '%1'").arg(hosp));
    auto w = open(id);
    QVERIFY(m_log->shown.isEmpty());
    QCOMPARE(w->txtIdNum->text(), id);
    QCOMPARE(w->mskIntake->text(), QDate::currentDate().toString(QStringLiteral("MM/dd/yyyy")));
    QVERIFY(w->lstServices->count() == 2);
}

void TestArrWindow::payPatientWithoutIntakeSheet()
{
    const QString id = scalar(QStringLiteral(
        "SELECT min(p.IdNum) FROM PATIENT_DATA..tbPatient2 p JOIN PATIENT_DATA..tbMaster m ON m.HospNum = p.HospNum "
        "WHERE substr(ifnull(p.PatientClass, 'P'), 1, 1) = 'P' AND ifnull(m.MSSNum, '') = '' "
        "AND ifnull(m.MSSDiscountValidity, '') = ''"));
    QVERIFY(!id.isEmpty());
    const QString classOf
        = QStringLiteral("SELECT PatientClass FROM PATIENT_DATA..tbPatient2 WHERE IdNum = '%1'").arg(id);
    const QString history = QStringLiteral("SELECT count(*) FROM MSS..tbMSSPatClassHistory WHERE IdNum = '%1'").arg(id);
    const int historyBefore = scalar(history).toInt();

    // Answered No: the window keeps only its lists, and the admission stays a pay admission.
    answer({ QMessageBox::No });
    auto refused = open(id);
    QCOMPARE(m_shown.size(), 2);
    QCOMPARE(m_shown[0].text,
        QStringLiteral(
            "PAY PATIENT: Does not have an intake sheet. \nWould you like to update patient type to SERVICE? "));
    QCOMPARE(m_shown[0].title, QStringLiteral("Notification"));
    QCOMPARE(m_shown[1].text, QStringLiteral("Change to Patient type to service before classifiying"));
    QVERIFY(refused->txtHospNum->text().isEmpty());
    QCOMPARE(scalar(classOf).left(1), QStringLiteral("P"));

    // Answered Yes: a service admission with its history entry, and an empty record to classify.
    m_shown.clear();
    answer({ QMessageBox::Yes });
    auto w = open(id);
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(scalar(classOf), QStringLiteral("S"));
    QCOMPARE(scalar(history).toInt(), historyBefore + 1);
    QCOMPARE(
        w->lblStatus->text(), QStringLiteral("Pay to Service Patient. Enter New MSS Number and MSS Classfication."));
    QCOMPARE(w->txtIdNum->text(), id);
    QVERIFY(!w->txtLastName->text().isEmpty());
    QVERIFY(w->txtMSSNum->isEnabled() && !w->txtMSSNum->isReadOnly());

    // A failing conversion changes nothing at all and says so; the window still opens.
    const QString other = scalar(QStringLiteral(
        "SELECT max(p.IdNum) FROM PATIENT_DATA..tbPatient2 p JOIN PATIENT_DATA..tbMaster m ON m.HospNum = p.HospNum "
        "WHERE substr(ifnull(p.PatientClass, 'P'), 1, 1) = 'P' AND ifnull(m.MSSNum, '') = '' "
        "AND ifnull(m.MSSDiscountValidity, '') = ''"));
    QVERIFY(other != id);
    struct FailingHistory : test::RecordingConnection {
        using RecordingConnection::RecordingConnection;
        void before(const QString &s) override
        {
            if (s.startsWith(QLatin1String("MSS..sp_MSS_UpdatePatientClass")))
                fail(QStringLiteral("history is full"));
        }
    } failing(&m_hospital->connection());
    m_shown.clear();
    auto f = open(other, &failing);
    QCOMPARE(scalar(QStringLiteral("SELECT PatientClass FROM PATIENT_DATA..tbPatient2 WHERE IdNum = '%1'").arg(other))
                 .left(1),
        QStringLiteral("P"));
    QCOMPARE(m_shown[1].text, QStringLiteral("Data Not Successfully Saved.\nhistory is full"));
    QCOMPARE(m_shown[1].title, QStringLiteral("Message"));
    QCOMPARE(f->txtIdNum->text(), other);
}

void TestArrWindow::serviceWithExpiryOnlyLoadsAndStillRefuses()
{
    const QString id = assessedInPatient();
    const QString hosp
        = scalar(QStringLiteral("SELECT HospNum FROM PATIENT_DATA..vwAdmission WHERE IdNum = '%1'").arg(id));
    exec(QStringLiteral("UPDATE PATIENT_DATA..tbPatient2 SET PatientClass = 'S' WHERE IdNum = '%1'").arg(id));
    exec(QStringLiteral("UPDATE PATIENT_DATA..tbMaster SET MSSNum = NULL, MSSDiscountValidity = NULL, "
                        "MSSDiscountExpiry = '2027-03-01' WHERE HospNum = '%1'")
             .arg(hosp));
    auto w = open(id);
    QCOMPARE(m_log->texts(), QStringList({ "Change to Patient type to service before classifiying" }));
    QCOMPARE(w->txtIdNum->text(), id); // the stored record was loaded first
    QVERIFY(!w->tmrCDF->isActive());

    // Without an expiry either: the patient's identity, and the MSS number open for a new one.
    exec(QStringLiteral("UPDATE PATIENT_DATA..tbMaster SET MSSDiscountExpiry = NULL WHERE HospNum = '%1'").arg(hosp));
    m_log.emplace(QMessageBox::Yes);
    auto fresh = open(id);
    QCOMPARE(m_log->texts(), QStringList({ "Patient does not have an intake sheet." }));
    QCOMPARE(m_log->shown.first().title, QStringLiteral("Notification"));
    QCOMPARE(fresh->lblStatus->text(), QStringLiteral("No MSS Number and Classification."));
    QCOMPARE(fresh->txtHospNum->text(), hosp);
    QVERIFY(fresh->txtMSSNum->isEnabled());
}

void TestArrWindow::savingSendsTheStatementsOfTheWindow()
{
    const QString id = assessedInPatient();
    test::RecordingConnection recording(&m_hospital->connection());
    auto w = open(id, &recording);
    const QString hosp = w->HospNum, mss = w->txtMSSNum->text();
    for (int i = 0; i < frmARR::kDocumentCount; ++i)
        w->chkdoc->button(i)->setChecked(i == 0 || i == 17);
    w->chkSpecial->setChecked(false);
    w->chkPCSO->setChecked(true);
    w->chkSponsor->setChecked(false);
    w->optPCSO->button(2)->setChecked(true);
    w->txtNC->setText(QStringLiteral("2,500.50"));
    w->txtRemarks->setPlainText(QStringLiteral("Seen with Mrs. O'Hara"));
    w->mskIntake->setText(QStringLiteral("03/04/2026"));
    w->mskRange1->setText(QStringLiteral("12/31/2027"));
    recording.statements.clear();

    QVERIFY(w->save(false));
    QVERIFY(w->IsSaved);
    const QStringList &s = recording.statements;
    const qsizetype begin = s.indexOf(QStringLiteral("BEGIN"));
    QVERIFY(begin >= 0);
    QCOMPARE(s.last(), QStringLiteral("COMMIT"));
    QCOMPARE(s[begin + 1], QStringLiteral("MSS..sp_MSS_GetExistsMSSNumber '%1','%2'").arg(mss, hosp));
    const QStringList saved = s.mid(begin + 2, 4);
    QVERIFY(saved[0].startsWith(QStringLiteral("MSS..sp_MSS_SaveAssessment_NEW'%1','%2','%3','").arg(hosp, id, mss)));
    QVERIFY(saved[0].contains(QLatin1String("'Seen with Mrs. O''Hara','3/4/2026','12/31/2027','")));
    QVERIFY(saved[0].contains(QLatin1String("','1','','','2500.5','C','")));
    QVERIFY(saved[1].startsWith(QLatin1String("MSS..sp_MSS_SaveTransaction '")));
    QCOMPARE(saved[2],
        QStringLiteral(
            "DELETE   FROM BILLING..tbBillDailyBill WHERE revenueid = 'QF' and refNum = '%1' and IdNum = '%2'")
            .arg(mss, id));
    QVERIFY(saved[3].startsWith(QStringLiteral("Mss..spMSS_SaveDocumentation '%1', '%2', 'Y', '").arg(hosp, id)));
    QVERIFY(saved[3].contains(QStringLiteral("1|") + QStringLiteral("0|").repeated(16) + QStringLiteral("1|")));
    QCOMPARE(s.size(), begin + 7);

    QCOMPARE(m_log->shown.last().text,
        QStringLiteral("Clasification for ") + w->txtLastName->text() + QStringLiteral(", ") + w->txtFirstName->text()
            + QStringLiteral(" saved.\n    HospNum : ") + hosp
            + QStringLiteral("\n    Expriy Date : 12/31/2027 11:59 PM"));
    const QString verification = m_log->shown[m_log->shown.size() - 2].text;
    QVERIFY(verification.startsWith(QLatin1String("***VERIFICATION***\n \n  PATIENT NAME: ")));
    QVERIFY(verification.endsWith(QLatin1String("\n  EXPIRY DATE: 12/31/2027\nIs that a valid information?")));

    // What was stored comes back when the record is opened again.
    auto again = open(id);
    QCOMPARE(again->txtRemarks->toPlainText(), QStringLiteral("Seen with Mrs. O'Hara"));
    QCOMPARE(again->txtNC->text(), QStringLiteral("2500.5"));
    QVERIFY(again->chkdoc->button(17)->isChecked());
    QCOMPARE(again->optPCSO->checkedId(), 2);
    QCOMPARE(again->mskIntake->text(), QStringLiteral("03/04/2026"));
    // The stored validity reads as a date, not in the database's own form.
    QCOMPARE(again->txtValidityDate->text(), QStringLiteral("3/4/2026"));

    // A special case sends no DELETE.
    again->chkSpecial->setChecked(true);
    recording.statements.clear();
    QVERIFY(again->save(false));
    for (const QString &statement : recording.statements)
        QVERIFY(!statement.contains(QLatin1String("DELETE")));
}

void TestArrWindow::whoWorkedComesFromTheOpener()
{
    // The employee and user a save stores and the user the form names are the ones the window was
    // given, not the session's.
    const QString id = assessedInPatient();
    test::RecordingConnection recording(&m_hospital->connection());
    ui::WorkContext other = shell::sessionWorkContext().on(&recording);
    QVERIFY(other.employeeCode != QLatin1String("MSS02") && other.userCode != QLatin1String("MSS02"));
    other.employeeCode = QStringLiteral("MSS02");
    other.userCode = QStringLiteral("MSS02");
    other.userName = QStringLiteral("REYES, ANA");
    auto w = openAs(id, other);
    w->mskRange1->setText(QStringLiteral("12/31/2027"));
    const QString worker = w->WorkerCode;
    recording.statements.clear();
    answer({});
    QVERIFY(w->save(false));
    const QStringList &s = recording.statements;
    auto sent = [&s](const QString &start) {
        for (const QString &statement : s) {
            if (statement.startsWith(start))
                return statement;
        }
        return QString();
    };
    QVERIFY(sent(QStringLiteral("MSS..sp_MSS_SaveAssessment_NEW'")).contains(worker + QStringLiteral("','MSS02','")));
    QVERIFY(sent(QStringLiteral("MSS..sp_MSS_SaveTransaction '")).contains(worker + QStringLiteral("','MSS02','")));
    QVERIFY(sent(QStringLiteral("Mss..spMSS_SaveDocumentation '")).contains(QStringLiteral("','MSS02','") + worker));

    w->show();
    w->reprint();
    QCOMPARE(w->reportRunner().CurrentReport()->givenValues().value(2).toString(), QStringLiteral("REYES, ANA"));
}

void TestArrWindow::categoryComesFromTheListOrTheOptions()
{
    auto w = open(assessedInPatient());
    w->lstCategory->clearSelection();
    w->lstParentCategory->clearSelection();
    QCOMPARE(w->saveValues().CategoryName, QString());
    QCOMPARE(w->saveValues().CategoryId, QString());
    QCOMPARE(w->saveValues().ParentCategoryId, QString());
    w->optCategory->button(5)->setChecked(true);
    QCOMPARE(w->saveValues().CategoryName, QStringLiteral("IM"));
    QCOMPARE(w->saveValues().CategoryId, QString());

    // Several selected: the last in list order wins, over any option.
    w->lstCategory->item(4)->setSelected(true);
    w->lstCategory->item(1)->setSelected(true);
    QCOMPARE(w->saveValues().CategoryId, domain::hiddenKey(w->lstCategory->item(4)->text(), 2));
    QCOMPARE(w->saveValues().CategoryName, domain::hiddenKeyName(w->lstCategory->item(4)->text(), 2));
    w->lstParentCategory->item(0)->setSelected(true);
    w->lstParentCategory->item(2)->setSelected(true);
    QCOMPARE(w->saveValues().ParentCategoryId, domain::hiddenKey(w->lstParentCategory->item(2)->text(), 2));

    // A click leaves selected exactly the items with the clicked text.
    w->lstCategory->addItem(w->lstCategory->item(0)->text());
    w->clickCategory(w->lstCategory->item(0));
    QCOMPARE(w->lstCategory->selectedItems().size(), 2);
    QVERIFY(w->lstCategory->item(w->lstCategory->count() - 1)->isSelected());

    // PCSO type only for a PCSO case; the docs text has 18 values whatever is ticked.
    w->chkPCSO->setChecked(false);
    w->optPCSO->button(1)->setChecked(true);
    QCOMPARE(w->saveValues().PcsoType, QString());
    QCOMPARE(w->saveValues().IsPCSO, QString());
    QCOMPARE(w->saveValues().Docs.count(QLatin1Char('|')), 18);
    w->cboReferring->setCurrentIndex(-1);
    QCOMPARE(w->saveValues().ReferringCode, QString());
}

void TestArrWindow::badInputIsRefusedBeforeAnythingIsWritten()
{
    const QString id = assessedInPatient();
    test::RecordingConnection recording(&m_hospital->connection());
    auto w = open(id, &recording);
    auto writes = [&] {
        int n = 0;
        for (const QString &s : recording.statements)
            n += s.contains(QLatin1String("Save")) || s.startsWith(QLatin1String("DELETE"));
        return n;
    };

    for (const QString &date : { QStringLiteral("13/45/2026"), QStringLiteral("02/30/2027") }) {
        m_log.emplace(QMessageBox::Yes);
        w->mskRange1->setText(date);
        QVERIFY(!w->save(true));
        QCOMPARE(m_log->texts(), QStringList({ QStringLiteral("You have entered an invalid date ") + date + "." }));
        QCOMPARE(m_log->shown.first().icon, QMessageBox::Critical);
    }
    w->mskRange1->setText(QStringLiteral("12/31/2027"));
    w->mskIntake->setText(QStringLiteral("02/30/2027"));
    m_log.emplace(QMessageBox::Yes);
    QVERIFY(!w->save(false));
    QVERIFY(m_log->shown.last().text.startsWith(QLatin1String("Data Not Successfully Saved.\nThe date of intake")));

    w->mskIntake->setText(QStringLiteral("03/04/2026"));
    for (const QString &nc : { QStringLiteral("1e400"), QStringLiteral("12a") }) {
        w->txtNC->setText(nc);
        m_log.emplace(QMessageBox::Yes);
        QVERIFY(!w->save(false));
        QCOMPARE(m_log->shown.last().text,
            QStringLiteral("Data Not Successfully Saved.\nThe negotiated counterpart \"") + nc
                + QStringLiteral("\" is not a number."));
        QCOMPARE(m_log->shown.last().title, QStringLiteral("Message"));
        QVERIFY(!w->IsSaved);
    }
    w->txtNC->setText(QStringLiteral("0"));
    w->cboClassification->setCurrentIndex(-1);
    m_log.emplace(QMessageBox::Yes);
    QVERIFY(!w->save(false));
    QCOMPARE(m_log->shown.last().text, QStringLiteral("Please enter classification before saving."));
    QCOMPARE(writes(), 0);
    QVERIFY(!m_hospital->connection().inTransaction());

    // The MSS number field takes ten characters at most.
    w->txtMSSNum->setReadOnly(false);
    w->txtMSSNum->setText(QStringLiteral("ABCDEFGHIJK"));
    QCOMPARE(w->txtMSSNum->text(), QStringLiteral("ABCDEFGHIJ"));

    // A year more than two years ahead asks; No keeps everything as it was.
    w->cboClassification->setCurrentIndex(0);
    w->mskRange1->setText(QStringLiteral("01/01/%1").arg(QDate::currentDate().year() + 3));
    answer({ QMessageBox::No });
    QVERIFY(!w->save(false));
    QCOMPARE(m_shown.size(), 1);
    QVERIFY(m_shown.first().text.endsWith(QLatin1String("\nIs that valid?")));
    QCOMPARE(writes(), 0);
}

void TestArrWindow::caseNumberOfAnotherPatient()
{
    const QString id = assessedInPatient();
    auto w = open(id);
    const QString otherHosp = scalar(QStringLiteral(
        "SELECT min(HospNum) FROM PATIENT_DATA..tbMaster WHERE ifnull(MSSNum, '') <> '' AND HospNum <> '%1'")
                                         .arg(w->HospNum));
    const QString otherMss
        = scalar(QStringLiteral("SELECT MSSNum FROM PATIENT_DATA..tbMaster WHERE HospNum = '%1'").arg(otherHosp));
    const QString stored
        = scalar(QStringLiteral("SELECT Remarks FROM MSS..tbMSSAssessment WHERE IdNum = '%1'").arg(id));
    w->txtMSSNum->setText(otherMss);
    w->txtRemarks->setPlainText(QStringLiteral("NOT TO BE STORED"));
    QVERIFY(!w->save(false));
    QVERIFY(m_log->shown.last().text.startsWith(QLatin1String("The CaseNumber already exists. \nIt is owned by ")));
    QCOMPARE(m_log->shown.last().icon, QMessageBox::NoIcon);
    QVERIFY(w->txtMSSNum->text().isEmpty() && w->txtMSSNum->isEnabled());
    QCOMPARE(scalar(QStringLiteral("SELECT Remarks FROM MSS..tbMSSAssessment WHERE IdNum = '%1'").arg(id)), stored);
    QVERIFY(!w->IsSaved);
}

void TestArrWindow::servicePicker()
{
    const QString id = assessedInPatient();
    auto w = open(id);
    referral::frmSearchService picker(m_hospital->connection());
    picker.setResultCode(QStringLiteral("1.1.1|GONE|1.3.1|"));
    picker.load();
    QCOMPARE(picker.windowTitle(), QStringLiteral("Select Service"));
    QCOMPARE(picker.lblHeading->text(), QStringLiteral("Medical Social Services"));
    QCOMPARE(codesOf(picker.lstServices), QStringList({ "1.1.1", "1.3.1" })); // the missing code is dropped
    QCOMPARE(picker.tvServices->topLevelItemCount(), 3);
    QVERIFY(picker.tvServices->topLevelItem(2)->isExpanded());
    // The opening depth: children of 1.1 to 1.8, and of 1.2.3, but not of 1.2.3.1.
    QVERIFY(picker.node(QStringLiteral("A1.1.1")) && picker.node(QStringLiteral("A1.2.3.1")));
    QVERIFY(!picker.node(QStringLiteral("A1.2.3.1.1")));
    QVERIFY(!picker.node(QStringLiteral("A2.1")));

    QTreeWidgetItem *deep = picker.node(QStringLiteral("A1.2.3.1"));
    picker.chooseNode(deep);
    QVERIFY(picker.node(QStringLiteral("A1.2.3.1.1")));
    QCOMPARE(picker.ServiceCode(), QStringLiteral("1.2.3.1"));
    QCOMPARE(picker.Service(), QStringLiteral("GRIEF COUNSELING"));
    const int childCount = deep->childCount();
    picker.chooseNode(deep);
    QCOMPARE(deep->childCount(), childCount); // toggled, not duplicated
    QCOMPARE(m_log->texts(), QStringList({ "Item is already added in the list." }));
    QCOMPARE(codesOf(picker.lstServices), QStringList({ "1.1.1", "1.3.1", "1.2.3.1" }));
    // A single click only selects; a double click removes.
    emit picker.lstServices->itemClicked(picker.lstServices->item(0));
    QCOMPARE(picker.lstServices->count(), 3);
    emit picker.lstServices->itemDoubleClicked(picker.lstServices->item(0));
    QCOMPARE(codesOf(picker.lstServices), QStringList({ "1.3.1", "1.2.3.1" }));
    picker.accept();
    QVERIFY(picker.Selected());
    QCOMPARE(picker.ResultCode(), QStringLiteral("1.3.1|1.2.3.1|"));

    // From the ARR: cancel leaves it as it was; OK replaces its services.
    onDialog<referral::frmSearchService>([](referral::frmSearchService &p) {
        p.chooseNode(p.node(QStringLiteral("A1.4")));
        return int(QDialog::Rejected);
    });
    w->searchServices();
    QCOMPARE(w->ServiceCodes, QStringLiteral("1.1.1|1.3.1|"));
    QCOMPARE(codesOf(w->lstServices), QStringList({ "1.1.1", "1.3.1" }));
    onDialog<referral::frmSearchService>([](referral::frmSearchService &p) {
        p.chooseNode(p.node(QStringLiteral("A1.4")));
        p.accept();
        return p.result();
    });
    w->searchServices();
    QCOMPARE(w->ServiceCodes, QStringLiteral("1.1.1|1.3.1|1.4|"));
    QCOMPARE(codesOf(w->lstServices), QStringList({ "1.1.1", "1.3.1", "1.4" }));
    // A double click on the ARR's own list removes the item but leaves the code text.
    w->removeService(w->lstServices->item(0));
    QCOMPARE(codesOf(w->lstServices), QStringList({ "1.3.1", "1.4" }));
    QCOMPARE(w->ServiceCodes, QStringLiteral("1.1.1|1.3.1|1.4|"));
    // OK with an empty list leaves no services.
    onDialog<referral::frmSearchService>([](referral::frmSearchService &p) {
        p.lstServices->clear();
        p.accept();
        return p.result();
    });
    w->searchServices();
    QCOMPARE(w->ServiceCodes, QString());
    QCOMPARE(w->lstServices->count(), 0);
}

void TestArrWindow::activityPickerRemovesOnOneClick()
{
    referral::frmSearchActivity picker(m_hospital->connection());
    picker.setResultCode(QString());
    picker.load();
    QCOMPARE(picker.windowTitle(), QStringLiteral("Servies"));
    QVERIFY(picker.lblHeading->isHidden());
    QCOMPARE(picker.lstactivity->count(), 0);
    picker.chooseNode(picker.node(QStringLiteral("A1.2")));
    QCOMPARE(picker.ActivityCode(), QStringLiteral("1.2"));
    QCOMPARE(picker.Activity(), QStringLiteral("HOME VISIT"));
    QCOMPARE(picker.lstactivity->count(), 1);
    emit picker.lstactivity->itemClicked(picker.lstactivity->item(0));
    QCOMPARE(picker.lstactivity->count(), 0);
    picker.reject();
    QVERIFY(!picker.Selected());
}

void TestArrWindow::socialWorkerPickList()
{
    auto w = open(assessedInPatient());
    const QString worker = w->WorkerCode, name = w->txtMSSW->text();
    // Cancelled: nothing changes and nothing is said.
    onDialog<patients::frmEmployeeListing>([](patients::frmEmployeeListing &) { return int(QDialog::Rejected); });
    w->searchSocialWorker();
    QVERIFY(m_log->shown.isEmpty());
    QCOMPARE(w->WorkerCode, worker);
    QCOMPARE(w->txtMSSW->text(), name);

    onDialog<patients::frmEmployeeListing>([](patients::frmEmployeeListing &listing) {
        listing.choose();
        return listing.result();
    });
    w->searchSocialWorker();
    QVERIFY(!w->WorkerCode.isEmpty());
    QCOMPARE(w->WorkerLicenseNo,
        scalar(QStringLiteral("SELECT ifnull(LicenseNumber, '') FROM MSS..tbMSSEmployee WHERE EmployeeID = '%1'")
                   .arg(w->WorkerCode)));
    QVERIFY(!w->txtMSSW->text().isEmpty());
}

void TestArrWindow::fieldChecks()
{
    auto w = open(assessedInPatient());
    // Typing in the counterpart: a letter after digits goes again; clearing says so once.
    w->txtNC->setText(QStringLiteral("12"));
    QTest::keyClick(w->txtNC, Qt::Key_End);
    QTest::keyClicks(w->txtNC, QStringLiteral("x"));
    QCOMPARE(w->txtNC->text(), QStringLiteral("12"));
    QCOMPARE(m_log->texts(), QStringList({ "Can't accept non-numeric values." }));
    w->txtNC->selectAll();
    QTest::keyClick(w->txtNC, Qt::Key_Delete);
    QCOMPARE(w->txtNC->text(), QString());
    QCOMPARE(m_log->shown.size(), 2);

    // Leaving the expiry date: 12/31 of the year after next is silent, the year after asks.
    m_log.emplace(QMessageBox::No);
    const int year = QDate::currentDate().year();
    w->mskRange1->setText(QStringLiteral("12/31/%1").arg(year + 2));
    QVERIFY(w->checkExpiryField());
    QVERIFY(m_log->shown.isEmpty());
    w->mskRange1->setText(QStringLiteral("01/01/%1").arg(year + 3));
    QVERIFY(!w->checkExpiryField());
    QCOMPARE(m_log->shown.size(), 1);
    w->mskRange1->setText(QStringLiteral("13/45/2026"));
    QVERIFY(!w->checkExpiryField());
    QCOMPARE(m_log->shown.last().text, QStringLiteral("Invalid date 13/45/2026."));

    // Leaving the case status takes the code of the status shown.
    w->cboactive->setCurrentIndex(w->cboactive->findText(QStringLiteral("CLOSED CASE")));
    w->leaveCaseStatus();
    QCOMPARE(w->CaseStatusTag, QStringLiteral("03"));

    // The fund view opens only while the button blinks.
    w->tmrCDF->stop();
    m_log.emplace();
    w->viewCdfAllocation();
    QCOMPARE(m_log->texts(), QStringList({ "Patient has no CDF Allocation" }));
    QCOMPARE(m_log->shown.first().title, QStringLiteral("message"));
    // The services group hides and comes back with the list.
    w->cmdCloseServices->click();
    QVERIFY(w->fmeService->isHidden());
    w->LoadServiceList();
    QVERIFY(!w->fmeService->isHidden());
}

void TestArrWindow::printingAndReprinting()
{
    const QString id = assessedInPatient();
    auto w = open(id);
    // Answered No at the verification before any save: nothing printed.
    answer({ QMessageBox::No });
    w->saveAndPrint();
    QVERIFY(m_viewers.isEmpty());
    QVERIFY(!w->IsSaved);

    answer({});
    QVERIFY(w->save(false));
    w->show();
    // An earlier save in the same window prints even when this one is answered No.
    answer({ QMessageBox::No });
    w->saveAndPrint();
    QCOMPARE(m_viewers.size(), 1);
    QCOMPARE(m_viewers.first()->windowTitle(), QStringLiteral("Assessment and Referal report"));
    QVERIFY(w->isHidden()); // the window closes before the report shows
    QCOMPARE(w->reportRunner().CurrentReport()->givenValues().value(1).toString(), id);

    w->show();
    w->reprint();
    QCOMPARE(m_viewers.size(), 2);
    QCOMPARE(m_viewers.last()->windowTitle(), QStringLiteral("Reprint Assessment and Referal report"));
    w->show();
    w->viewTransactions();
    QCOMPARE(m_viewers.size(), 3);
    QCOMPARE(m_viewers.last()->windowTitle(), QStringLiteral("Assessment Transaction Report"));
}

void TestArrWindow::reprintWithoutAndWithAChosenPatient()
{
    reports::ReportRunner runner;
    runner.setViewerHost([this](reports::frmReportViewer *viewer) { m_viewers.append(viewer); });
    QPointer<referral::frmReprintARR> window;
    data::Connection &c = m_hospital->connection();
    const QString id = assessedInPatient();
    const QString hosp = scalar(QStringLiteral("SELECT HospNum FROM MSS..tbMSSAssessment WHERE IdNum = '%1'").arg(id));

    // A chosen patient prints at once; one without ARR rows prints with empty names.
    referral::reprintArr(hosp, id, c, runner, window, nullptr);
    QCOMPARE(m_viewers.size(), 1);
    QVERIFY(!window);
    QCOMPARE(m_viewers.last()->windowTitle(), QStringLiteral("Assessment and Referal report"));
    const data::Recordset stored = referral::ArrStore(c).reprintRows(hosp);
    QVERIFY(!stored.isEmpty());
    QCOMPARE(runner.CurrentReport()->givenValues(),
        QVariantList({ hosp, id, stored.text(QStringLiteral("UserName")), stored.text(QStringLiteral("lisencenumber")),
            QString() }));
    referral::reprintArr(QStringLiteral("NO-ARR"), QStringLiteral("1"), c, runner, window, nullptr);
    QCOMPARE(m_viewers.size(), 2);
    QCOMPARE(runner.CurrentReport()->givenValues().value(2).toString(), QString());

    // Without one, the reprint window: search, pick, print; it stays with its grid.
    int opened = 0;
    onDialog<referral::frmReprintARR>([&](referral::frmReprintARR &r) {
        ++opened;
        if (opened == 1) {
            r.txtSearch->setText(hosp);
            r.search();
            r.chooseRow(0);
        }
        r.print();
        return r.result();
    });
    referral::reprintArr(QString(), QString(), c, runner, window, nullptr);
    QVERIFY(window);
    QCOMPARE(m_viewers.size(), 3);
    QCOMPARE(window->GridAssessment->columnCount(), 11);
    QVERIFY(window->GridAssessment->isColumnHidden(10));
    const QString chosen = window->chosen().HospNum;
    QVERIFY(chosen.startsWith(hosp)); // the search is by prefix
    QVERIFY(!window->chosen().IdNum.isEmpty());
    const int rows = window->GridAssessment->rowCount();
    QVERIFY(rows > 0);
    // A search that finds nothing leaves the grid; a second reprint keeps the choice.
    window->txtSearch->setText(QStringLiteral("NOTHING-LIKE-THIS"));
    window->search();
    QCOMPARE(window->GridAssessment->rowCount(), rows);
    referral::reprintArr(QString(), QString(), c, runner, window, nullptr);
    QCOMPARE(opened, 2);
    QCOMPARE(runner.CurrentReport()->givenValues().value(0).toString(), chosen);

    // Closed without printing: the window goes.
    onDialog<referral::frmReprintARR>([](referral::frmReprintARR &) { return int(QDialog::Rejected); });
    referral::reprintArr(QString(), QString(), c, runner, window, nullptr);
    QVERIFY(!window);
    QCOMPARE(m_viewers.size(), 4);

    // Print before any row was clicked: the patient list's hospital number, nothing else.
    onDialog<referral::frmReprintARR>([](referral::frmReprintARR &r) {
        r.print();
        return r.result();
    });
    referral::reprintArr(QString(), QString(), c, runner, window, nullptr);
    QCOMPARE(runner.CurrentReport()->givenValues().value(1).toString(), QString());
    delete window.data();
}

void TestArrWindow::fundView()
{
    const QString id = scalar(QStringLiteral("SELECT min(IdNum) FROM BILLING..tbBillCDFAllocation"));
    QVERIFY(!id.isEmpty());
    auto w = open(id);
    w->txtFirstName->setText(QStringLiteral("ANA"));
    w->txtLastName->setText(QStringLiteral("CRUZ"));
    referral::frmNegotiatedCounterpart view(w->shownPatient(), m_hospital->connection());
    view.load();
    QCOMPARE(view.windowTitle(), QStringLiteral("Fund Allocation Entry"));
    QCOMPARE(view.txtName->text(), QStringLiteral("ANA,CRUZ"));
    QCOMPARE(view.txtHospNum->text(), w->txtHospNum->text());
    QCOMPARE(view.txtIDNum->text(), w->txtIdNum->text());
    QCOMPARE(view.flgSponsorList->rowCount(),
        scalar(QStringLiteral("SELECT count(*) FROM BILLING..tbBillCDFAllocation WHERE HospNum = '%1'")
                   .arg(w->txtHospNum->text()))
            .toInt());
    QVERIFY(view.flgSponsorList->isColumnHidden(0));

    w->txtFirstName->clear();
    w->txtLastName->clear();
    w->txtHospNum->setText(QStringLiteral("NO-ALLOCATION"));
    referral::frmNegotiatedCounterpart empty(w->shownPatient(), m_hospital->connection());
    empty.load();
    QCOMPARE(empty.txtName->text(), QStringLiteral(","));
    QCOMPARE(empty.flgSponsorList->rowCount(), 0);
    QVERIFY(m_log->shown.isEmpty());
}

void TestArrWindow::menuItemsOfTheMainWindow()
{
    auto *main = qobject_cast<shell::mdiMSS *>(shell::Session().MainWindow.data());
    QVERIFY(main);
    QAction *arr = main->action(QStringLiteral("mnuARR"));
    QVERIFY(arr->isEnabled() && main->action(QStringLiteral("mnuRePrintARR"))->isEnabled());
    main->selection() = {};
    arr->trigger();
    QCOMPARE(m_log->texts(), QStringList({ "Please select first a patient to process" }));
    QCOMPARE(m_log->shown.first().title, QStringLiteral("Message"));

    const QString id = assessedInPatient();
    main->selection().IDNUM = id;
    main->selection().HospNum
        = scalar(QStringLiteral("SELECT HospNum FROM PATIENT_DATA..vwAdmission WHERE IdNum = '%1'").arg(id));
    main->selection().Billdate = QStringLiteral("12/09/2026");
    QString shownFor;
    onDialog<frmARR>([&](frmARR &w) {
        shownFor = w.txtIdNum->text() + QLatin1Char('/') + w.property("HospNum").toString();
        return int(QDialog::Rejected);
    });
    arr->trigger();
    QCOMPARE(shownFor, id + QLatin1Char('/') + main->selection().HospNum);
    main->selection() = {};
}

QTEST_MAIN(TestArrWindow)
#include "tst_arrwindow.moc"
