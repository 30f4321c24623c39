// Start-up: the order of a session, what it holds, the two shared lookups, and how a failed or
// given-up log-on ends the program.
#include "auth/currentuser.h"
#include "db/demodata.h"
#include "domain/billingstatement.h"
#include "domain/codesearch.h"
#include "domain/patientsearch.h"
#include "patients/frmemployeelisting.h"
#include "reports/frmreportviewer.h"
#include "reports/reportdialogs.h"
#include "session/lookups.h"
#include "session/sessionstate.h"
#include "shell/mdimss.h"
#include "shell/startup.h"
#include "suite/frmlogon.h"
#include "support/demohospital.h"
#include "support/messagelog.h"
#include "support/sessionfixture.h"
#include "ui/messages.h"

#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QtTest>

using namespace mss;
using shell::Session;
using test::answerLogOn;

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void cleanup();
    void logOnOpensTheMainWindowWithTheSession();
    void cancelledLogOnEndsQuietly();
    void missingHospitalIdentityStopsStartUp();
    void lookupsWithAndWithoutRows();
    void changeOfUserEndsWhenTheNewLogOnIsCancelled();
    void nothingOfAnEndedSessionReachesTheNext();

private:
    std::optional<test::MessageLog> m_log;
};

void TestStartup::init()
{
    m_log.emplace();
}

void TestStartup::cleanup()
{
    test::endDemoSession();
    m_log.reset();
    ui::Messages::setDialogHandler(nullptr);
}

void TestStartup::logOnOpensTheMainWindowWithTheSession()
{
    test::DemoHospital h;
    QDir::setCurrent(QDir::tempPath()); // the reports folder must not depend on it
    answerLogOn(h.folder());
    shell::StartSession();

    auto *main = qobject_cast<shell::mdiMSS *>(shell::MainWindow());
    QVERIFY(main);
    QVERIFY(main->isVisible());
    QCOMPARE(main->windowTitle(), QStringLiteral("Medical Social Service"));
    QCOMPARE(main->pnlCurrentUser->text(), QStringLiteral("CurrentUser Name:  (MSS01)  CORAZON M. VILLANUEVA"));
    QVERIFY(m_log->shown.isEmpty());

    const shell::SessionState &s = Session();
    QCOMPARE(s.ReportsPath, QCoreApplication::applicationDirPath() + QStringLiteral("/REPORTS/"));
    QCOMPARE(s.EmployeeCode, QStringLiteral("MSS01"));
    QCOMPARE(s.HospitalName,
        test::scalar(h.connection(), QStringLiteral("SELECT Company FROM PATIENT_DATA..tbHospitalInfo")));
    QVERIFY(!s.HospitalName.isEmpty());
    QVERIFY(!s.HospitalAddress.isEmpty());
    QCOMPARE(s.SharedConnection, s.CurrentUser->sqlconnection());
    QCOMPARE(s.SharedConnection->defaultDatabase(), QStringLiteral("MSS"));
    QVERIFY(s.PatientSearch && s.PatientSearch->PatientClass());
    QCOMPARE(s.PatientSearch->sharedConnection(), s.SharedConnection); // validations use the session's connection
    QCOMPARE(s.CodeSearch->SearchTitle, QStringLiteral("Medical Social Service"));
    QCOMPARE(s.CodeSearch->CompanyName, s.HospitalName);
    QCOMPARE(s.CodeSearch->Connection, s.SharedConnection);
    // The summarized statement of account opens through the billing component.
    QVERIFY(s.BillingConnection && s.BillingSoa && s.BillingSoa->StatementWindow);
}

void TestStartup::cancelledLogOnEndsQuietly()
{
    answerLogOn(QString(), true);
    shell::StartSession();
    QVERIFY(!shell::MainWindow());
    QVERIFY(m_log->shown.isEmpty());
    QCOMPARE(Session().EmployeeCode, QString()); // read even though nobody logged on
    QVERIFY(Session().CurrentUser);
    QVERIFY(!Session().ReportsPath.isEmpty());
    QVERIFY(!Session().SharedConnection);
}

void TestStartup::missingHospitalIdentityStopsStartUp()
{
    test::DemoHospital h;
    h.connection().execute(QStringLiteral("DELETE FROM PATIENT_DATA..tbHospitalInfo"));
    answerLogOn(h.folder());
    shell::StartSession();
    QVERIFY(!shell::MainWindow());
    QCOMPARE(m_log->shown.size(), 1);
    QVERIFY2(m_log->shown[0].text.contains(QStringLiteral("tbHospitalInfo")), qPrintable(m_log->shown[0].text));
    QCOMPARE(m_log->shown[0].icon, QMessageBox::Critical);
}

void TestStartup::lookupsWithAndWithoutRows()
{
    test::DemoHospital h;
    answerLogOn(h.folder());
    shell::StartSession();
    QVERIFY(shell::MainWindow());

    QCOMPARE(shell::FindOpdIdNum(QStringLiteral("NO-SUCH-ADMISSION")), QString());
    QVERIFY(!shell::CheckCompany(QStringLiteral("NO-SUCH-ACCOUNT")));

    const QString withOpd = test::scalar(h.connection(),
        QStringLiteral(
            "SELECT min(IdNum) FROM PATIENT_DATA..tbPatient2 WHERE OPDIdNum IS NOT NULL AND OPDIdNum <> ''"));
    QVERIFY(!withOpd.isEmpty());
    const QString opd = test::scalar(h.connection(),
        QStringLiteral("SELECT OPDIdNum FROM PATIENT_DATA..tbPatient2 WHERE IdNum = '%1'").arg(withOpd));
    QCOMPARE(shell::FindOpdIdNum(QStringLiteral("  ") + withOpd + QStringLiteral(" ")), opd);

    const QString company = test::scalar(h.connection(),
        QStringLiteral("SELECT min(p.IdNum) FROM PATIENT_DATA..tbPatient2 p JOIN BILLING..tbBillCompany c "
                       "ON c.AccountNum = p.AccountNum WHERE c.IsCompany = 1"));
    QVERIFY(!company.isEmpty());
    QVERIFY(shell::CheckCompany(company));
}

void TestStartup::changeOfUserEndsWhenTheNewLogOnIsCancelled()
{
    test::DemoHospital h;
    answerLogOn(h.folder());
    shell::StartSession();
    QPointer<QMainWindow> first = shell::MainWindow();
    QVERIFY(first);
    data::Connection *oldConnection = Session().SharedConnection;
    QVERIFY(oldConnection);

    // A second log-on succeeds: a new window and a new connection replace the old ones.
    shell::ChangeActiveUser();
    QVERIFY(shell::MainWindow());
    QVERIFY(shell::MainWindow() != first.data());
    QTRY_VERIFY(!first); // the old window is gone
    QCOMPARE(Session().EmployeeCode, QStringLiteral("MSS01"));

    // A cancelled one leaves no window: the program ends.
    answerLogOn(QString(), true);
    shell::ChangeActiveUser();
    QVERIFY(!shell::MainWindow());
    QVERIFY(m_log->shown.isEmpty());
}

void TestStartup::nothingOfAnEndedSessionReachesTheNext()
{
    test::DemoHospital h;
    answerLogOn(h.folder());
    shell::StartSession();
    QPointer<shell::mdiMSS> first = qobject_cast<shell::mdiMSS *>(shell::MainWindow());
    QVERIFY(first);

    // A social worker is picked in the first session.
    ui::Messages::setDialogHandler([](QDialog &dialog) {
        auto &listing = dynamic_cast<patients::frmEmployeeListing &>(dialog);
        listing.GridListWorkers->setCurrentCell(1, 1);
        listing.choose();
        return listing.result();
    });
    {
        reports::frmReportDate2 dates(Session().CurrentUser->sqlconnection());
        dates.showWorkerRow();
        dates.searchWorker();
        QVERIFY(!dates.WorkerCode().isEmpty());
    }

    // The main window goes away without being closed, and a new session starts.
    delete first.data();
    answerLogOn(h.folder());
    shell::StartSession();
    auto *next = qobject_cast<shell::mdiMSS *>(shell::MainWindow());
    QVERIFY(next);

    // Its reports open inside it, not in the window that is gone.
    ui::Messages::setDialogHandler([](QDialog &dialog) {
        auto *dates = qobject_cast<reports::ReportDialog *>(&dialog);
        if (!dates)
            return int(QDialog::Rejected);
        dates->cmdEnter->click();
        return dates->result();
    });
    next->action(QStringLiteral("mnuCensus"))->trigger();
    QCOMPARE(next->mdiArea->findChildren<reports::frmReportViewer *>().size(), 1);

    // The worker picked before is not handed to the new session.
    ui::Messages::setDialogHandler([](QDialog &) { return int(QDialog::Rejected); });
    reports::frmReportDate2 dates(Session().CurrentUser->sqlconnection());
    dates.showWorkerRow();
    dates.searchWorker();
    QCOMPARE(dates.WorkerCode(), QString());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
