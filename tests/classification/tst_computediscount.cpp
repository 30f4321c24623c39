// The discount window as a social worker sees it: a fresh computation, the stored one on
// reopening, "&Recompute" with its warning, the special arrangement's panel, a bill of 0 and a
// recompute that fails, and the patient list coming back when the window closes.
#include "classification/frmcomputediscount.h"
#include "patients/frmlistpatient.h"
#include "patients/patientselection.h"
#include "session/sessionstate.h"
#include "shell/mdimss.h"
#include "shell/startup.h"
#include "support/billfixture.h"
#include "support/demohospital.h"
#include "support/fakeconnections.h"
#include "support/messagelog.h"
#include "support/sessionfixture.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QtTest>

using namespace mss;
using classification::frmComputeDiscount;

class TestComputeDiscount : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void freshThenStoredThenRecomputed();
    void specialArrangementPanel();
    void headerFallsBackForAnUnclassifiedPatient();
    void billTotalZeroLeavesTheGridAsItWas();
    void failedRecomputeIsReportedOnceAndKeepsTheComputation();
    void closingBringsThePatientListBack();

private:
    // A special-arrangement in-patient of its own, selected.
    QString arrange();
    std::unique_ptr<frmComputeDiscount> open(data::Connection *connection = nullptr);
    QString scalar(const QString &statement) { return test::scalar(m_hospital->connection(), statement); }
    static QStringList column(const QTableWidget *grid, int c);

    std::unique_ptr<test::DemoHospital> m_hospital;
    patients::PatientSelection m_selection;
    std::optional<test::MessageLog> m_log;
    int m_serial = 0;
};

void TestComputeDiscount::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_hospital = std::make_unique<test::DemoHospital>();
    QVERIFY(test::startDemoSession(m_hospital->folder()));
}

void TestComputeDiscount::cleanupTestCase()
{
    test::endDemoSession();
}

void TestComputeDiscount::init()
{
    m_log.emplace(QMessageBox::Yes);
}

void TestComputeDiscount::cleanup()
{
    m_log.reset();
}

QString TestComputeDiscount::arrange()
{
    ++m_serial;
    const QString id = QStringLiteral("097%1").arg(m_serial, 5, 10, QLatin1Char('0'));
    const QString hosp = QStringLiteral("T7%1").arg(m_serial, 5, 10, QLatin1Char('0'));
    test::BillFixture(m_hospital->connection())
        .specialArrangementInPatient(id, QStringLiteral("O97%1").arg(m_serial, 5, 10, QLatin1Char('0')), hosp);
    m_selection = {};
    m_selection.IDNUM = QStringLiteral(" %1 ").arg(id);
    m_selection.HospNum = hosp;
    return id;
}

std::unique_ptr<frmComputeDiscount> TestComputeDiscount::open(data::Connection *connection)
{
    auto window = std::make_unique<frmComputeDiscount>(
        m_selection, connection ? connection : shell::Session().SharedConnection);
    window->show();
    window->load();
    return window;
}

QStringList TestComputeDiscount::column(const QTableWidget *grid, int c)
{
    QStringList texts;
    for (int r = 0; r < grid->rowCount(); ++r)
        texts << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
    return texts;
}

void TestComputeDiscount::freshThenStoredThenRecomputed()
{
    const QString id = arrange();
    auto w = open();
    QCOMPARE(w->windowTitle(), QStringLiteral("Computation of Discount"));
    QCOMPARE(w->txtIdNum->text(), id);
    QCOMPARE(w->txtHospNum->text(), m_selection.HospNum);
    QCOMPARE(w->txtPatientName->text(), QStringLiteral("DELA CRUZ, JUANA REYES"));
    QCOMPARE(w->txtRoomID->text(), QStringLiteral("W-201"));
    QCOMPARE(w->txtCode->text(), QStringLiteral("C2"));
    QVERIFY(m_log->shown.isEmpty());
    QVERIFY(w->frameCovered->isEnabled());
    QVERIFY(w->cmdRecompute->isEnabled());
    // Pharmacy, doctors, laboratory in the billing department's order.
    QCOMPARE(column(w->mshDiscount, 2), QStringList({ "PHARMACY", "PROFESSIONAL FEES", "LABORATORY" }));
    QCOMPARE(column(w->mshDiscount, 3), QStringList({ "4,000.00", "2,000.00", "4,000.00" }));
    QCOMPARE(column(w->mshDiscount, 4), QStringList({ "700.00", "0.00", "300.00" }));
    QCOMPARE(column(w->mshDiscount, 5), QStringList({ "2,000.00", "2,000.00", "2,000.00" }));
    QVERIFY(w->mshDiscount->isColumnHidden(0));
    QVERIFY(w->mshDiscount->isColumnHidden(1));
    QVERIFY(w->mshDiscount->item(0, 3)->textAlignment() & Qt::AlignRight);
    QCOMPARE(w->lblTotal->text(), QStringLiteral("10,000.00"));
    QCOMPARE(w->lblMedicareTotal->text(), QStringLiteral("1,000.00"));
    QCOMPARE(w->lblTotalCovered->text(), QStringLiteral("6,000.00"));
    QCOMPARE(w->lblQFS->text(), QStringLiteral("4,000.00"));
    QCOMPARE(w->txtQFSSpecial->text(), QStringLiteral("8,000.00"));
    w->close();

    // Reopened: the stored computation (the arrangement) as it was stored.
    test::RecordingConnection recording(shell::Session().SharedConnection);
    w = open(&recording);
    QVERIFY(
        recording.statements.contains(QStringLiteral("Billing..sp_Billing_Check_ExistingDiscount '%1','QF'").arg(id)));
    QVERIFY(!recording.statements.contains(QStringLiteral("BEGIN")));
    QCOMPARE(column(w->mshDiscount, 5), QStringList({ "4,000.00", "2,000.00", "4,000.00" }));
    QCOMPARE(w->lblTotalCovered->text(), QStringLiteral("10,000.00"));
    QCOMPARE(w->lblQFS->text(), QStringLiteral("0.00"));

    // "No" changes nothing.
    m_log.emplace(QMessageBox::No);
    const qsizetype before = recording.statements.size();
    w->cmdRecompute->click();
    QCOMPARE(m_log->texts(),
        QStringList({ QStringLiteral("All previous computed discount will be deleted.\nDo you wish to continue?") }));
    QCOMPARE(m_log->shown[0].title, QStringLiteral("Warning!"));
    QCOMPARE(m_log->shown[0].icon, QMessageBox::Critical);
    QCOMPARE(m_log->shown[0].buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(recording.statements.size(), before);
    QVERIFY(w->cmdRecompute->isEnabled());

    // "Yes": the same figures as the first computation come back, and the button stays off.
    m_log.emplace(QMessageBox::Yes);
    w->cmdRecompute->click();
    QCOMPARE(m_log->shown.size(), 1);
    QCOMPARE(column(w->mshDiscount, 5), QStringList({ "2,000.00", "2,000.00", "2,000.00" }));
    QCOMPARE(w->lblTotalCovered->text(), QStringLiteral("6,000.00"));
    QCOMPARE(w->lblQFS->text(), QStringLiteral("4,000.00"));
    QVERIFY(!w->cmdRecompute->isEnabled());
    QCOMPARE(scalar(QStringLiteral("SELECT group_concat(Medicare) FROM (SELECT Medicare FROM "
                                   "BILLING..tbBillComputedDiscount WHERE IdNum = '%1' ORDER BY RevenueID)")
                        .arg(id)),
        QStringLiteral("300.0,0.0,700.0"));
}

void TestComputeDiscount::specialArrangementPanel()
{
    arrange();
    auto w = open();
    QVERIFY(w->cmdIsSpecial->isVisible());
    QVERIFY(!w->fraSpecial->isVisible());
    w->cmdIsSpecial->click();
    QVERIFY(w->fraSpecial->isVisible());
    QCOMPARE(w->txtNC->text(), QStringLiteral("2,000.00"));
    QCOMPARE(w->txtQFSSpecial->text(), QStringLiteral("8,000.00"));

    // Not special: no button.
    m_hospital->connection().execute(QStringLiteral("UPDATE MSS..tbMSSAssessment SET IsSpecial = 0 WHERE IdNum = '%1'")
                                         .arg(m_selection.IDNUM.trimmed()));
    w = open();
    QVERIFY(!w->cmdIsSpecial->isVisible());
}

void TestComputeDiscount::headerFallsBackForAnUnclassifiedPatient()
{
    ++m_serial;
    test::BillFixture bills(m_hospital->connection());
    bills.patient(QStringLiteral("T7NOCLS"));
    bills.outPatient(QStringLiteral("OT7NOCLS"), QStringLiteral("T7NOCLS"));
    bills.bill(QStringLiteral("OT7NOCLS"), { { "LB", 1200 } }, true);
    m_selection = {};
    m_selection.IDNUM = QStringLiteral("OT7NOCLS");
    m_selection.HospNum = QStringLiteral("T7NOCLS");
    test::RecordingConnection recording(shell::Session().SharedConnection);
    auto w = open(&recording);
    QCOMPARE(recording.statements.mid(0, 4),
        QStringList({ QStringLiteral("MSS..sp_MSS_GetPatientInfo 'T7NOCLS','OT7NOCLS'"),
            QStringLiteral("MSS..sp_MSS_GetPatientInfoforARR 'OT7NOCLS'"),
            QStringLiteral("SELECT * FROM MSS..tbMSSAssessment WHERE IdNum = 'OT7NOCLS'"),
            QStringLiteral("SELECT * FROM MSS..tbMSSClassification where Type = ''") }));
    QCOMPARE(w->txtPatientName->text(), QStringLiteral("DELA CRUZ, JUANA REYES"));
    QCOMPARE(w->txtRoomID->text(), QStringLiteral("OPD"));
    QCOMPARE(w->txtIdNum->text(), QStringLiteral("OT7NOCLS"));
    QVERIFY(w->txtMSSnum->text().isEmpty());
    QVERIFY(w->txtCode->text().isEmpty());
    // No class, no discount.
    QCOMPARE(w->lblTotal->text(), QStringLiteral("1,200.00"));
    QCOMPARE(w->lblTotalCovered->text(), QStringLiteral("0.00"));
    QCOMPARE(w->lblQFS->text(), QStringLiteral("1,200.00"));
}

void TestComputeDiscount::billTotalZeroLeavesTheGridAsItWas()
{
    const QString id = arrange();
    auto w = open();
    const QStringList shown = column(w->mshDiscount, 5);
    // The bill and its Medicare benefit are written off before the recompute.
    m_hospital->connection().execute(QStringLiteral("DELETE FROM BILLING..tbBillDailyBill WHERE IdNum = '%1'").arg(id));
    m_hospital->connection().execute(
        QStringLiteral("DELETE FROM BILLING..tbBillMedicareBenefit WHERE IdNum = '%1'").arg(id));
    m_hospital->connection().execute(QStringLiteral("DELETE FROM BILLING..tbBillOPDailyOut WHERE IdNum = 'O97%1'")
                                         .arg(m_serial, 5, 10, QLatin1Char('0')));
    m_log.emplace(QMessageBox::Yes);
    w->cmdRecompute->click();
    QCOMPARE(m_log->texts(),
        QStringList({ QStringLiteral("All previous computed discount will be deleted.\nDo you wish to continue?"),
            QStringLiteral("Total Hospital Bill is zero (0) therefore no more discount is needed.") }));
    QCOMPARE(m_log->shown[1].title, QStringLiteral("Information"));
    QCOMPARE(m_log->shown[1].icon, QMessageBox::Information);
    QCOMPARE(column(w->mshDiscount, 5), shown);
    QCOMPARE(w->lblTotalCovered->text(), QStringLiteral("6,000.00"));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestComputeDiscount::failedRecomputeIsReportedOnceAndKeepsTheComputation()
{
    const QString id = arrange();
    open()->close();
    const QString stored = scalar(QStringLiteral("SELECT group_concat(RevenueID || Discount) FROM "
                                                 "BILLING..tbBillComputedDiscount WHERE IdNum = '%1'")
                                      .arg(id));
    test::FaultInjectingConnection failing(shell::Session().SharedConnection);
    auto w = open(&failing);
    // Fail the Medicare spread of the recompute, after the delete and the charges.
    failing.statementCount = 0;
    failing.failStatement = 6;
    m_log.emplace(QMessageBox::Yes);
    w->cmdRecompute->click();
    QCOMPARE(m_log->shown.size(), 2);
    QCOMPARE(m_log->shown[1].icon, QMessageBox::Critical);
    QCOMPARE(column(w->mshDiscount, 5), QStringList({ "4,000.00", "2,000.00", "4,000.00" }));
    QVERIFY(!shell::Session().SharedConnection->inTransaction());
    QCOMPARE(scalar(QStringLiteral("SELECT group_concat(RevenueID || Discount) FROM BILLING..tbBillComputedDiscount "
                                   "WHERE IdNum = '%1'")
                        .arg(id)),
        stored);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestComputeDiscount::closingBringsThePatientListBack()
{
    arrange();
    auto *main = qobject_cast<shell::mdiMSS *>(shell::MainWindow());
    QVERIFY(main);
    main->selection() = m_selection;
    QAction *item = main->action(QStringLiteral("mnuComputeDiscount"));
    QVERIFY(item->isEnabled());
    item->trigger();
    auto *window = qobject_cast<frmComputeDiscount *>(main->mdiArea->activeSubWindow()->widget());
    QVERIFY(window);
    QCOMPARE(window->txtCode->text(), QStringLiteral("C2"));
    QVERIFY(!main->patientList());
    window->cmdExit->click();
    QTRY_VERIFY(main->patientList());
    QVERIFY(main->patientList()->isVisible());
}

QTEST_MAIN(TestComputeDiscount)
#include "tst_computediscount.moc"
