// The report items of the main menu: which dialog each asks with, the values it hands its report
// (text dates against date values, patient numbers trimmed or not), its file and viewer title, and
// what a cancelled dialog or a refused patient leaves behind.
#include "auth/currentuser.h"
#include "db/demodata.h"
#include "domain/billingstatement.h"
#include "patients/frmemployeelisting.h"
#include "reports/frmreportviewer.h"
#include "reports/reportcatalogue.h"
#include "reports/reportdialogs.h"
#include "reports/reportrunner.h"
#include "session/sessionstate.h"
#include "shell/mdimss.h"
#include "shell/startup.h"
#include "support/demohospital.h"
#include "support/fakeconnections.h"
#include "support/sessionfixture.h"
#include "ui/messages.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPointer>
#include <QPushButton>
#include <QStandardPaths>
#include <QToolButton>
#include <QtTest>

using namespace mss;
using namespace mss::reports;

namespace {

const QDate kStart(2026, 11, 1);
const QDate kEnd(2026, 12, 9);
const QString D = QStringLiteral("11/01/2026");
const QString E = QStringLiteral("12/09/2026");

// Values compared with their types: "11/01/2026" and the date 11/01/2026 print alike, but a report
// declared for one may not take the other.
QString describe(const QVariantList &values)
{
    QStringList parts;
    for (const QVariant &v : values)
        parts.append(QStringLiteral("%1:%2").arg(QString::fromLatin1(v.typeName()), v.toString()));
    return parts.join(QStringLiteral(", "));
}

} // namespace

class TestReportCatalogue : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void dialogsCarryTheirCaptions();
    void everyItemIsWiredToItsMenuItem();
    void parameterListsAndTitles_data();
    void parameterListsAndTitles();
    void closedDialogRunsNothingAndKeepsItsDates();
    void workerRowOnlyWhereAsked();
    void workerSearchWithoutChoice();
    void detailedSoaCases();
    void summarizedSoa();
    void monthlyPerformanceGivesEachSubreportItsValues();
    void nbbCollectsWithoutAReport();
    void menuItemOpensTheViewer();

private:
    // How the next report dialog is answered: "enter", "close" or "frame".
    QString m_answer = QStringLiteral("enter");
    QStringList m_dialogs; // object names of the dialogs opened, in order
    QHash<QString, ReportDialogValues> m_closedWith; // what each kind of dialog held when it closed
    QList<bool> m_workerShown; // for each frmReportDate2: whether its worker row was visible
    QList<ui::Messages::Shown> m_messages;
    QList<QPointer<frmReportViewer>> m_viewers;
    QVariantList m_lastValues; // what the last report was given
    QString m_lastFile;
    patients::PatientSelection m_selection;
    std::unique_ptr<test::DemoHospital> m_hospital;
    std::unique_ptr<ReportRunner> m_runner;

    void run(const QString &item) { runCatalogueItem(item, m_selection, *m_runner, nullptr); }
    frmReportViewer *lastViewer() const { return m_viewers.isEmpty() ? nullptr : m_viewers.last().data(); }
};

void TestReportCatalogue::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_hospital = std::make_unique<test::DemoHospital>();
    QVERIFY(test::startDemoSession(m_hospital->folder()));
    QVERIFY2(QFileInfo::exists(shell::Session().ReportsPath + QStringLiteral("Admissions.rpt")),
        qPrintable(shell::Session().ReportsPath));
}

void TestReportCatalogue::cleanupTestCase()
{
    test::endDemoSession();
}

void TestReportCatalogue::init()
{
    m_answer = QStringLiteral("enter");
    m_dialogs.clear();
    m_closedWith.clear();
    m_workerShown.clear();
    m_messages.clear();
    m_selection = {};
    m_lastValues.clear();
    m_lastFile.clear();
    m_runner = std::make_unique<ReportRunner>();
    m_runner->setViewerHost([this](frmReportViewer *viewer) {
        // What the report was opened with, read before anything can release it.
        if (m_runner->CurrentReport()) {
            m_lastValues = m_runner->CurrentReport()->givenValues();
            m_lastFile = m_runner->CurrentReport()->definition().fileName;
        }
        m_viewers.append(viewer);
    });
    ui::Messages::setBoxHandler([this](const ui::Messages::Shown &shown) {
        m_messages.append(shown);
        return QMessageBox::Ok;
    });
    ui::Messages::setDialogHandler([this](QDialog &dialog) {
        m_dialogs.append(dialog.objectName());
        if (auto *report = qobject_cast<ReportDialog *>(&dialog)) {
            if (auto *d2 = qobject_cast<frmReportDate2 *>(&dialog))
                m_workerShown.append(
                    !d2->lblmssw->isHidden() && !d2->txtMSSW->isHidden() && !d2->cmdSearch->isHidden());
            report->dtStart->setDate(kStart);
            if (report->dtEnd)
                report->dtEnd->setDate(kEnd);
            if (m_answer == QStringLiteral("enter"))
                report->cmdEnter->click();
            else if (m_answer == QStringLiteral("close"))
                report->cmdClose->click();
            else
                report->reject(); // the window frame's close box
            m_closedWith[dialog.objectName()] = report->values();
            return report->result();
        }
        return int(QDialog::Rejected);
    });
}

void TestReportCatalogue::cleanup()
{
    for (const QPointer<frmReportViewer> &v : std::as_const(m_viewers))
        delete v.data();
    m_viewers.clear();
    m_runner.reset();
    ui::Messages::setBoxHandler(nullptr);
    ui::Messages::setDialogHandler(nullptr);
}

void TestReportCatalogue::dialogsCarryTheirCaptions()
{
    const auto text = [](QWidget &w, const char *name) {
        if (auto *l = w.findChild<QLabel *>(QLatin1String(name)))
            return l->text();
        if (auto *b = w.findChild<QPushButton *>(QLatin1String(name)))
            return b->text();
        return QStringLiteral("<missing %1>").arg(QLatin1String(name));
    };
    frmReportDate date;
    QCOMPARE(date.windowTitle(), QStringLiteral("Generate Report"));
    QCOMPARE(text(date, "Label3"), QStringLiteral("Report Date"));
    QCOMPARE(text(date, "Label1"), QStringLiteral("Report Date :"));
    QCOMPARE(text(date, "cmdEnter"), QStringLiteral("&Enter"));
    QCOMPARE(text(date, "cmdClose"), QStringLiteral("&Close"));
    QCOMPARE(date.dtStart->date(), QDate::currentDate());
    QVERIFY(!date.dtEnd);

    frmReportDateRange range;
    QCOMPARE(range.windowTitle(), QStringLiteral("Report Date Entry"));
    QCOMPARE(text(range, "Label1"), QStringLiteral("Start Date :"));
    QCOMPARE(text(range, "Label2"), QStringLiteral("End Date :"));
    QCOMPARE(range.dtEnd->date(), QDate::currentDate());

    frmReportDate2 two(shell::Session().CurrentUser->sqlconnection());
    QCOMPARE(two.windowTitle(), QStringLiteral("Report Date Entry"));
    QCOMPARE(text(two, "lblmssw"), QStringLiteral(" MSSW"));
    QVERIFY(two.lblmssw->isHidden() && two.txtMSSW->isHidden() && two.cmdSearch->isHidden());

    // A dialog opened after a cancel starts without CloseForm.
    two.cmdClose->click();
    QVERIFY(two.CloseForm());
    frmReportDate2 again(shell::Session().CurrentUser->sqlconnection());
    QVERIFY(!again.CloseForm());

    frmReportDateCategory category(shell::Session().CurrentUser->sqlconnection());
    QCOMPARE(category.windowTitle(), QStringLiteral("Report "));
    QCOMPARE(text(category, "Label3"), QStringLiteral("Search NBB Report"));
    QCOMPARE(text(category, "Label4"), QStringLiteral("Category :"));
    QCOMPARE(category.cmbCategory->count(),
        test::scalar(m_hospital->connection(), QStringLiteral("SELECT count(*) FROM MSS..tbMSSCaseCategory")).toInt());
}

void TestReportCatalogue::everyItemIsWiredToItsMenuItem()
{
    auto *main = qobject_cast<shell::mdiMSS *>(shell::MainWindow());
    QVERIFY(main);
    const QStringList items = catalogueItems();
    QVERIFY(items.size() >= 35);
    for (const QString &name : items) {
        auto *action = main->findChild<QAction *>(name);
        QVERIFY2(action, qPrintable(name));
        // The data sheet follows the selected admission; every other item is always available.
        if (name != QStringLiteral("mnuViewPatientDatasheet"))
            QVERIFY2(action->isEnabled(), qPrintable(name));
    }
    // The ARR reprint belongs to its own window.
    QVERIFY(!isCatalogueItem(QStringLiteral("mnuRePrintARR")));
    QVERIFY(!isCatalogueItem(QStringLiteral("mnuIntakeSheet")));
}

void TestReportCatalogue::parameterListsAndTitles_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("hospNum");
    QTest::addColumn<QString>("idNum");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QVariantList>("values");

    const QString user = QString::fromLatin1(data::kDemoAdministrator.code);
    const QString inTitle = QStringLiteral("Daily Service Income Report - In Patient");
    const QString outTitle = QStringLiteral("Daily Service Income Report - Out Patient");
    // The session's hospital is filled in by the test itself.
    const QString H = QStringLiteral("@name"), A = QStringLiteral("@address");
    const QString unpaid = QStringLiteral("Payables/Refund Report - In Patient");

    QTest::newRow("daily admissions: the discharge list's title") << "mnuListAdmissions"
                                                                  << ""
                                                                  << ""
                                                                  << "frmReportDate"
                                                                  << "Admissions.rpt"
                                                                  << "DailyDischargeList" << QVariantList { D, user };
    QTest::newRow("daily discharges") << "mnuListDischarges"
                                      << ""
                                      << ""
                                      << "frmReportDate"
                                      << "DailyDischargeList.rpt"
                                      << "DailyDischargeList" << QVariantList { D, user };
    QTest::newRow("census") << "mnuCensus"
                            << ""
                            << ""
                            << "frmReportDate"
                            << "Daily_Report_Admission.rpt"
                            << "List of Admitted Patients (Census)" << QVariantList { D, user };
    QTest::newRow("ER census") << "mnuDailyERCensus"
                               << ""
                               << ""
                               << "frmReportDate"
                               << "ER_Census_LikeAdmitting.rpt"
                               << "List of Admitted Patients (Census)" << QVariantList { D };
    QTest::newRow("ER admissions: type as text")
        << "mnuERAdmission"
        << ""
        << ""
        << "frmReportDate"
        << "ERAdmission.rpt"
        << "Daily ER Admission Report" << QVariantList { QStringLiteral("2"), D };
    QTest::newRow("ER discharges") << "mnuDischarges"
                                   << ""
                                   << ""
                                   << "frmReportDate"
                                   << "ERAdmission.rpt"
                                   << "Daily ER Discharges Report" << QVariantList { QStringLiteral("1"), D };
    QTest::newRow("notice monitoring: a date value") << "mnuDischargeNoticeReport"
                                                     << ""
                                                     << ""
                                                     << "frmReportDate"
                                                     << "DischargeNoticeMonitoring.rpt"
                                                     << "Discharge Notice Monitoring Report" << QVariantList { kStart };
    QTest::newRow("revoked notices: the dialog's texts")
        << "mnuDischargeNoticeRevoked"
        << ""
        << ""
        << "frmReportDate2"
        << "DischargeRevoked.rpt"
        << "Revoked Discharge Notice Monitoring Report"
        << QVariantList { QStringLiteral("11/1/2026"), QStringLiteral("12/9/2026") };
    QTest::newRow("in-patient income: texts")
        << "mnuServiceIncomeReportInpatient"
        << ""
        << ""
        << "frmReportDate2"
        << "MSSDailyDischargesReport.rpt" << inTitle << QVariantList { D, E, 1, H, A, inTitle };
    QTest::newRow("out-patient income: date values")
        << "mnuServiceIncomeReportOutpatient"
        << ""
        << ""
        << "frmReportDate2"
        << "MSSDailyDischargesReportOut.rpt" << outTitle << QVariantList { kStart, kEnd, 3, H, A, outTitle };
    QTest::newRow("out-patients by service: date values")
        << "mnuOut"
        << ""
        << ""
        << "frmReportDate2"
        << "SummaryIncomeOutPatient.rpt" << outTitle << QVariantList { kStart, kEnd, 3, H, A, outTitle };
    QTest::newRow("ER by service: texts")
        << "mnuER"
        << ""
        << ""
        << "frmReportDate2"
        << "SummaryIncome.rpt"
        << "Daily Service Income Report - ER Patient"
        << QVariantList { D, E, 2, H, A, QStringLiteral("Daily Service Income Report - ER Patient") };
    QTest::newRow("QC out-patients: type 4")
        << "mnuQCOPD"
        << ""
        << ""
        << "frmReportDate2"
        << "MSS_Report_QC.rpt"
        << "QC Residents Report - OPD Patients"
        << QVariantList { D, E, 4, H, A, QStringLiteral("QC Report - OPD Patients") };
    QTest::newRow("unpaid out-patients: in-patient titles")
        << "mnuPatientUnpaid_OPD"
        << ""
        << ""
        << "frmReportDate2"
        << "Checking_MSS_Report.rpt" << unpaid << QVariantList { D, E, 3, H, A, inTitle };
    QTest::newRow("unpaid ER: in-patient titles")
        << "mnuPatientUnpaid_ER"
        << ""
        << ""
        << "frmReportDate2"
        << "Checking_MSS_Report.rpt" << unpaid << QVariantList { D, E, 2, H, A, inTitle };
    QTest::newRow("ER census range") << "mnuERCensus"
                                     << ""
                                     << ""
                                     << "frmReportDate2"
                                     << "ER_Census_Report_new.RPT"
                                     << "ER Census Report" << QVariantList { D, E };
    QTest::newRow("assessments: the range dialog") << "mnuAssessment"
                                                   << ""
                                                   << ""
                                                   << "frmReportDateRange"
                                                   << "ListofAssessment.rpt"
                                                   << "List of Assessments" << QVariantList { D, E };
    QTest::newRow("grantees: no values") << "mnuListGrantees"
                                         << ""
                                         << ""
                                         << ""
                                         << "ListofGrantees.rpt"
                                         << "List of Grantees" << QVariantList {};
    QTest::newRow("transactions: HN trimmed")
        << "mnuTransaction"
        << " 0100001 "
        << "02000001"
        << ""
        << "ARRTransactionReport.rpt"
        << "Assessment Transaction Report" << QVariantList { QStringLiteral("0100001") };
    QTest::newRow("transactions without a patient") << "mnuTransaction"
                                                    << ""
                                                    << ""
                                                    << ""
                                                    << "ARRTransactionReport.rpt"
                                                    << "Assessment Transaction Report" << QVariantList { QString() };
    QTest::newRow("contract slip: HN untrimmed") << "mnuContractSlip"
                                                 << " 0100001 "
                                                 << "02000001"
                                                 << ""
                                                 << "ContractSlip.rpt"
                                                 << "Contract Slip" << QVariantList { QStringLiteral(" 0100001 ") };
    QTest::newRow("intake reprint") << "mnuRePrintIntake"
                                    << "0100001 "
                                    << ""
                                    << ""
                                    << "IntakeSheet-Final.rpt"
                                    << "Intake Sheet Data"
                                    << QVariantList { QStringLiteral("MEDICAL SOCIAL SERVICE"),
                                           QStringLiteral("Vellmore Avenue, Port Halden"), QStringLiteral("0100001"),
                                           QStringLiteral("0100001") };
    QTest::newRow("data sheet") << "mnuViewPatientDatasheet"
                                << "0100001"
                                << "02000001"
                                << ""
                                << "DataSheet.rpt"
                                << "In-Patient Data Sheet" << QVariantList { A, QStringLiteral("02000001") };
}

void TestReportCatalogue::parameterListsAndTitles()
{
    QFETCH(QString, item);
    QFETCH(QString, hospNum);
    QFETCH(QString, idNum);
    QFETCH(QString, dialog);
    QFETCH(QString, file);
    QFETCH(QString, caption);
    QFETCH(QVariantList, values);
    for (QVariant &v : values) {
        if (v == QVariant(QStringLiteral("@name")))
            v = shell::Session().HospitalName;
        else if (v == QVariant(QStringLiteral("@address")))
            v = shell::Session().HospitalAddress;
    }
    m_selection.HospNum = hospNum;
    m_selection.IDNUM = idNum;
    run(item);
    QCOMPARE(m_dialogs, dialog.isEmpty() ? QStringList() : QStringList { dialog });
    QVERIFY2(m_messages.isEmpty(), m_messages.isEmpty() ? "" : qPrintable(m_messages.first().text));
    QVERIFY(lastViewer());
    QCOMPARE(lastViewer()->windowTitle(), caption);
    QVERIFY2(m_lastFile.endsWith(file, Qt::CaseInsensitive), qPrintable(m_lastFile));
    QCOMPARE(describe(m_lastValues), describe(values));
}

void TestReportCatalogue::closedDialogRunsNothingAndKeepsItsDates()
{
    run(QStringLiteral("mnuCensus"));
    QCOMPARE(m_closedWith[QStringLiteral("frmReportDate")].startdate, QStringLiteral("11/1/2026"));
    QCOMPARE(m_viewers.size(), 1);

    for (const QString &how : { QStringLiteral("close"), QStringLiteral("frame") }) {
        m_answer = how;
        m_runner->releaseCurrentReport();
        run(QStringLiteral("mnuCensus"));
        run(QStringLiteral("mnuServiceIncomeReportInpatient"));
        run(QStringLiteral("mnuAssessment"));
        QCOMPARE(m_viewers.size(), 1);
        QVERIFY(!m_runner->CurrentReport());
        QVERIFY(m_closedWith[QStringLiteral("frmReportDate")].CloseForm);
        QVERIFY(m_closedWith[QStringLiteral("frmReportDate2")].CloseForm);
        QVERIFY(m_closedWith[QStringLiteral("frmReportDateRange")].CloseForm);
        // The dialog was set to other dates, but only "&Enter" keeps them.
        QCOMPARE(m_closedWith[QStringLiteral("frmReportDate")].startdate, QString());
    }
    m_answer = QStringLiteral("enter");
    run(QStringLiteral("mnuCensus"));
    QVERIFY(!m_closedWith[QStringLiteral("frmReportDate")].CloseForm);
    QCOMPARE(m_viewers.size(), 2);
}

void TestReportCatalogue::workerRowOnlyWhereAsked()
{
    run(QStringLiteral("mnuactivity"));
    run(QStringLiteral("mnuERCensus"));
    run(QStringLiteral("mnuMonthlyPerformanceReport"));
    run(QStringLiteral("mnuIn"));
    QCOMPARE(m_workerShown, (QList<bool> { true, false, true, false }));
    QCOMPARE(m_viewers.size(), 4);
    QCOMPARE(m_viewers[0]->windowTitle(), QStringLiteral("ACTIVITY COMPARISON TABLE"));
}

void TestReportCatalogue::workerSearchWithoutChoice()
{
    test::RecordingConnection recording(shell::Session().CurrentUser->sqlconnection());
    frmReportDate2 dialog(&recording);
    dialog.showWorkerRow();
    dialog.txtMSSW->setText(QStringLiteral("BEFORE"));
    // The pick list is closed without a choice: the worker stays, nothing is looked up or said.
    dialog.searchWorker();
    QCOMPARE(m_dialogs, QStringList { QStringLiteral("frmEmployeeListing") });
    QVERIFY(m_messages.isEmpty());
    QVERIFY(!recording.statements.join(QLatin1Char('\n')).contains(QStringLiteral("GetEmployeeName")));
    QCOMPARE(dialog.WorkerCode(), QString());
    QCOMPARE(dialog.txtMSSW->text(), QStringLiteral("BEFORE"));
}

void TestReportCatalogue::detailedSoaCases()
{
    data::Connection &c = m_hospital->connection();
    const QString bill = QStringLiteral("mnuViewPatientBill");

    // A cash admission is refused even with a patient chosen; no patient is asked for.
    m_selection.HospNum = QStringLiteral("0100001");
    m_selection.IDNUM = QStringLiteral("T0001234");
    run(bill);
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages[0].text, QStringLiteral("Cannot generate SOA for Cash Patients."));
    QCOMPARE(m_messages[0].icon, QMessageBox::NoIcon);
    m_selection = {};
    run(bill);
    QCOMPARE(m_messages.size(), 2);
    QCOMPARE(m_messages[1].text, QStringLiteral("Please select a patient."));
    QCOMPARE(m_messages[1].title, QStringLiteral("Message"));
    QVERIFY(m_viewers.isEmpty());

    // An admission that came from an out-patient visit: the consolidated statement.
    data::Recordset rs = c.open(QStringLiteral(
        "SELECT IdNum, HospNum, OPDIdNum FROM PATIENT_DATA..tbPatient2 WHERE ifnull(OPDIdNum, '') <> ''"));
    m_selection.IDNUM = rs.text(0) + QStringLiteral(" ");
    m_selection.HospNum = rs.text(1);
    run(bill);
    QVERIFY(lastViewer());
    QCOMPARE(lastViewer()->windowTitle(), QStringLiteral("Detailed Statement of Accounts"));
    QVERIFY(m_lastFile.endsWith(QStringLiteral("DetailedSOAForVellmoreRefNumGroupedConsolidated.rpt")));
    QCOMPARE(m_lastValues.size(), 16);
    QCOMPARE(m_lastValues[0].toString(), rs.text(0));
    QCOMPARE(m_lastValues[7].toString(), rs.text(1));
    QCOMPARE(m_lastValues[14].toString(), rs.text(2));
    QVERIFY(!m_lastValues[1].toString().isEmpty()); // the patient's name
    QVERIFY(QRegularExpression(QStringLiteral(R"(^\d\d/\d\d/\d{4}$)")).match(m_lastValues[8].toString()).hasMatch());

    // A plain admission, and an out-patient visit whose number is not numeric.
    rs = c.open(QStringLiteral("SELECT IdNum, HospNum FROM PATIENT_DATA..tbPatient2 WHERE ifnull(OPDIdNum, '') = ''"));
    m_selection.IDNUM = rs.text(0);
    m_selection.HospNum = rs.text(1);
    run(bill);
    QVERIFY(m_lastFile.endsWith(QStringLiteral("DetailedSOAForVellmoreRefNumGrouped.rpt")));
    QCOMPARE(m_lastValues.size(), 17);
    QCOMPARE(m_lastValues[1], QVariant(QStringLiteral("501")));
    QCOMPARE(m_lastValues[15].typeId(), int(QMetaType::Bool));
    rs = c.open(QStringLiteral("SELECT IdNum, HospNum FROM PATIENT_DATA..tbOutPatient WHERE IdNum LIKE 'O%'"));
    m_selection.IDNUM = rs.text(0);
    m_selection.HospNum = rs.text(1);
    run(bill);
    QVERIFY(m_lastFile.endsWith(QStringLiteral("DetailedSOAForVellmoreRefNumGrouped_opd.rpt")));
    QCOMPARE(m_lastValues[1], QVariant(QStringLiteral("102")));
    QCOMPARE(m_viewers.size(), 3);
    QCOMPARE(m_messages.size(), 2);
}

void TestReportCatalogue::summarizedSoa()
{
    run(QStringLiteral("mnuSummarizedSOA"));
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages[0].text, QStringLiteral("Please select first a patient to process."));
    QCOMPARE(m_messages[0].icon, QMessageBox::Information);
    QVERIFY(m_dialogs.isEmpty());

    m_selection.IDNUM = QStringLiteral(" 02000001 ");
    m_selection.HospNum = QStringLiteral("0100001");
    run(QStringLiteral("mnuSummarizedSOA"));
    QCOMPARE(m_dialogs.size(), 1);
    const suite::clssoa &soa = *shell::Session().BillingSoa;
    QCOMPARE(soa.AdmissionNumber, QStringLiteral("02000001"));
    QCOMPARE(soa.HospitalNumber, QStringLiteral("0100001"));
    QCOMPARE(soa.UserId, QString::fromLatin1(data::kDemoAdministrator.code));
    QVERIFY(m_viewers.isEmpty());
}

void TestReportCatalogue::monthlyPerformanceGivesEachSubreportItsValues()
{
    run(QStringLiteral("mnuMonthlyPerformanceReport"));
    QVERIFY(lastViewer());
    QCOMPARE(lastViewer()->windowTitle(), QStringLiteral("Monthly Performance Report"));
    const QString w = m_closedWith[QStringLiteral("frmReportDate2")].WorkerCode;
    QCOMPARE(describe(m_lastValues),
        describe(QVariantList { shell::Session().HospitalName, shell::Session().HospitalAddress,
            shell::Session().CurrentUser->EmployeeName(), D, E, w }));
    // The report printed every subreport: five headings on its pages.
    QVERIFY(lastViewer()->pageCount() >= 1);
}

void TestReportCatalogue::nbbCollectsWithoutAReport()
{
    ui::Messages::setDialogHandler([this](QDialog &dialog) {
        m_dialogs.append(dialog.objectName());
        auto *d = qobject_cast<frmReportDateCategory *>(&dialog);
        if (!d)
            return int(QDialog::Rejected);
        if (d->windowTitle() != QStringLiteral("Report ") || d->cmbCategory->count() != 14)
            return int(QDialog::Rejected);
        d->cmbCategory->setCurrentIndex(1);
        d->cmdEnter->click();
        m_closedWith[dialog.objectName()] = d->values();
        return d->result();
    });
    run(QStringLiteral("mnuNBB"));
    QCOMPARE(m_dialogs, QStringList { QStringLiteral("frmReportDateCategory") });
    QCOMPARE(m_closedWith[QStringLiteral("frmReportDateCategory")].category,
        test::scalar(
            m_hospital->connection(), QStringLiteral("SELECT category FROM MSS..tbMSSCaseCategory LIMIT 1 OFFSET 1")));
    QVERIFY(!m_closedWith[QStringLiteral("frmReportDateCategory")].CloseForm);
    QVERIFY(m_viewers.isEmpty());
    QVERIFY(!m_runner->CurrentReport());
}

void TestReportCatalogue::menuItemOpensTheViewer()
{
    auto *main = qobject_cast<shell::mdiMSS *>(shell::MainWindow());
    QVERIFY(main);
    main->findChild<QAction *>(QStringLiteral("mnuCensus"))->trigger();
    // The main window's own runner puts its viewer in the MDI area.
    const QList<frmReportViewer *> shown = main->mdiArea->findChildren<frmReportViewer *>();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first()->windowTitle(), QStringLiteral("List of Admitted Patients (Census)"));
    QVERIFY(m_messages.isEmpty());
    QVERIFY(m_viewers.isEmpty());
    delete shown.first();
}

QTEST_MAIN(TestReportCatalogue)
#include "tst_reportcatalogue.moc"
