// The main window: its menu tree, the tool bar's menus, what is enabled, the list button and the
// selection-dependent "Patient Datasheet".
#include "intake/frmintakesurveysheet.h"
#include "patients/frmlistpatient.h"
#include "patients/patientlistmodel.h"
#include "shell/mdimss.h"
#include "shell/startup.h"
#include "support/demohospital.h"
#include "support/sessionfixture.h"
#include "ui/messages.h"

#include <QApplication>
#include <QButtonGroup>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

using namespace mss;

namespace {

// The menu's items in order: object names, "-" for a separator, ">" before a submenu's name.
QStringList outline(const QMenu *menu)
{
    QStringList items;
    for (QAction *a : menu->actions()) {
        if (a->isSeparator())
            items.append(QStringLiteral("-"));
        else if (a->menu())
            items.append(QLatin1Char('>') + a->objectName() + QLatin1Char('(')
                + outline(a->menu()).join(QLatin1Char(' ')) + QLatin1Char(')'));
        else
            items.append(a->objectName() + QLatin1Char('=') + a->text());
    }
    return items;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void menuTreeInOrder();
    void toolBarButtonsPopTheMenuBarMenus();
    void everyCommandIsEnabled();
    void listButtonReopensTheListWithItsNumbers();
    void datasheetFollowsTheSelectedAdmission();
    void intakeEntryNeedsASelectedPatient();
    void childWindowsOpenWhereTheyWereLeft();

private:
    shell::mdiMSS *m_main = nullptr;
    std::unique_ptr<test::DemoHospital> m_hospital;
};

void TestMainWindow::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_hospital = std::make_unique<test::DemoHospital>();
    QVERIFY(test::startDemoSession(m_hospital->folder()));
    m_main = qobject_cast<shell::mdiMSS *>(shell::MainWindow());
    QVERIFY(m_main);
}

void TestMainWindow::cleanupTestCase()
{
    test::endDemoSession();
}

void TestMainWindow::menuTreeInOrder()
{
    const QStringList bar = [&] {
        QStringList names;
        for (QAction *a : m_main->menuBar()->actions())
            names.append(a->objectName());
        return names;
    }();
    QCOMPARE(bar,
        (QStringList { QStringLiteral("mnuFile"), QStringLiteral("mnuViewing"), QStringLiteral("mnuFileMaintenance"),
            QStringLiteral("mnuReports"), QStringLiteral("mnuWindow"), QStringLiteral("mnuHelp") }));
    QCOMPARE(outline(m_main->menu(QStringLiteral("mnuFile"))).join(QLatin1Char('|')),
        QStringLiteral("mnuIntakeSheet=Intake Sheet Entry|mnuARR=Assessment and Referal|"
                       "mnuEditPatClass=Edit Patient Classification"));
    QCOMPARE(outline(m_main->menu(QStringLiteral("mnuViewing"))).join(QLatin1Char('|')),
        QStringLiteral("mnuComputeDiscount=View Computation of Discount|"
                       ">mnuPatientCharges(mnuViewPatientBill=Detailed SOA mnuSummarizedSOA=Summarized SOA)|"
                       "mnuDischargeNotice=View Discharge Notice|mnuReferral=View Referral From Medical Team History|"
                       "mnuViewPatientDatasheet=Patient Datasheet"));
    QCOMPARE(outline(m_main->menu(QStringLiteral("mnuFileMaintenance"))).join(QLatin1Char('|')),
        QStringLiteral("mnuRePrintIntake=Re-Print Intake Sheet|mnuRePrintARR=Re-Print ARR|mnuEditMSSNo=Edit MSS Number|"
                       "mnuContractSlip=Contract/Responsibility Slip"));
    const QStringList reports = outline(m_main->menu(QStringLiteral("mnuReports")));
    QCOMPARE(reports.size(), 25);
    QCOMPARE(reports.first(), QStringLiteral("mnuListGrantees=View List of Grantees"));
    QCOMPARE(reports[3], QStringLiteral("-"));
    QCOMPARE(reports[10], QStringLiteral("-"));
    QCOMPARE(reports[13], QStringLiteral("-"));
    QCOMPARE(reports[16], QStringLiteral("-"));
    QCOMPARE(reports[17],
        QStringLiteral(">mnuServiceIncomeReport(mnuServiceIncomeReportInpatient=In-Patient "
                       "mnuServiceIncomeReportOutpatient=Out-Patient mnuServiceIncomeReportERPatient=ER-Patient)"));
    QCOMPARE(
        reports[19], QStringLiteral(">mnuERReports(mnuERCensus=ER Admission Range mnuERDischarges=ER Discharges)"));
    QCOMPARE(reports.last(), QStringLiteral("mnuNBB=NBB Report"));
}

void TestMainWindow::toolBarButtonsPopTheMenuBarMenus()
{
    const QList<std::pair<QToolButton *, QString>> buttons
        = { { m_main->btnDataEntry, QStringLiteral("mnuFile") }, { m_main->btnViewing, QStringLiteral("mnuViewing") },
              { m_main->btnFileMaintenance, QStringLiteral("mnuFileMaintenance") },
              { m_main->btnReports, QStringLiteral("mnuReports") } };
    for (const auto &[button, name] : buttons) {
        button->click();
        QTRY_COMPARE(QApplication::activePopupWidget(), static_cast<QWidget *>(m_main->menu(name)));
        m_main->menu(name)->close();
    }
    QCOMPARE(m_main->btnClose->toolTip(), QStringLiteral("Change Active User"));
    QCOMPARE(m_main->btnDataEntry->text(), QStringLiteral("Data Entry"));
    QCOMPARE(m_main->btnFileMaintenance->text(), QStringLiteral("File Maintenance"));
}

void TestMainWindow::everyCommandIsEnabled()
{
    for (const QString &name : { QStringLiteral("mnuARR"), QStringLiteral("mnuRePrintARR"),
             QStringLiteral("mnuDischargeNotice"), QStringLiteral("mnuReferral"), QStringLiteral("mnuEditPatClass"),
             QStringLiteral("mnuComputeDiscount"), QStringLiteral("mnuEditMSSNo") })
        QVERIFY2(m_main->action(name)->isEnabled(), qPrintable(name));
    QVERIFY(m_main->action(QStringLiteral("mnuReports"))->isEnabled()); // menus open, to show what is there
    QVERIFY(m_main->btnListing->isEnabled());
    QVERIFY(m_main->btnClose->isEnabled());
}

void TestMainWindow::listButtonReopensTheListWithItsNumbers()
{
    auto &c = m_hospital->connection();
    const QString id = test::scalar(c, QStringLiteral("SELECT min(IdNum) FROM PATIENT_DATA..tbPatient2"));
    const QString hosp
        = test::scalar(c, QStringLiteral("SELECT HospNum FROM PATIENT_DATA..tbPatient2 WHERE IdNum = '%1'").arg(id));

    const QString last
        = test::scalar(c, QStringLiteral("SELECT LastName FROM PATIENT_DATA..tbMaster WHERE HospNum = '%1'").arg(hosp));

    m_main->btnListing->click();
    patients::frmListPatient *first = m_main->patientList();
    QVERIFY(first);
    QCOMPARE(first->model()->rowCount(), 0); // nothing to search for yet
    first->txtHospNum->setText(hosp);
    first->txtIDNum->setText(id);
    first->txtLastname->setText(QStringLiteral("NO SUCH NAME"));

    // The boxes come back, and the rows are those the boxes ask for: none with that name.
    m_main->btnListing->click();
    patients::frmListPatient *second = m_main->patientList();
    QVERIFY(second && second != first);
    QCOMPARE(second->txtHospNum->text(), hosp);
    QCOMPARE(second->txtIDNum->text(), id);
    QCOMPARE(second->txtLastname->text(), QStringLiteral("NO SUCH NAME"));
    QCOMPARE(second->model()->rowCount(), 0);
    QVERIFY(m_main->selection().HospNum.isEmpty());

    second->txtLastname->setText(last);
    m_main->btnListing->click();
    patients::frmListPatient *third = m_main->patientList();
    QCOMPARE(third->txtLastname->text(), last);
    QCOMPARE(third->model()->rowCount(), 1);
    QCOMPARE(third->model()->text(0, 0), id);
    QCOMPARE(m_main->mdiArea->subWindowList().size(), 1);
}

void TestMainWindow::datasheetFollowsTheSelectedAdmission()
{
    auto &c = m_hospital->connection();
    QVERIFY(!m_main->patientDatasheetSelectable());
    patients::frmListPatient *list = m_main->showPatientList();
    const QString er = test::scalar(c, QStringLiteral("SELECT min(IdNum) FROM PATIENT_DATA..tbERMaster"));
    const QString in = test::scalar(c, QStringLiteral("SELECT min(IdNum) FROM PATIENT_DATA..tbPatient2"));
    list->SearchPatients(QString(), QString(), in, QString(), QString());
    list->lvwSearchPatient->setCurrentIndex(list->model()->index(0, 0));
    list->SelectCurrentPatient();
    QVERIFY(m_main->patientDatasheetSelectable());
    list->optPatientType->button(3)->click();
    list->SearchPatients(QString(), QString(), er, QString(), QString());
    list->lvwSearchPatient->setCurrentIndex(list->model()->index(0, 0));
    list->SelectCurrentPatient();
    QCOMPARE(m_main->selection().IDNUM, er);
    QVERIFY(!m_main->patientDatasheetSelectable());
}

void TestMainWindow::intakeEntryNeedsASelectedPatient()
{
    m_main->mdiArea->closeAllSubWindows();
    QTRY_VERIFY(!m_main->patientList());
    m_main->selection() = {};
    QAction *entry = m_main->action(QStringLiteral("mnuIntakeSheet"));
    QVERIFY(entry->isEnabled());
    entry->trigger(); // nobody chosen: the list opens instead
    QVERIFY(m_main->patientList());
    QVERIFY(!m_main->intakeSheet());

    auto &c = m_hospital->connection();
    const QString id = test::scalar(c, QStringLiteral("SELECT min(IdNum) FROM PATIENT_DATA..tbPatient2"));
    patients::frmListPatient *list = m_main->patientList();
    list->SearchPatients(QString(), QString(), id, QString(), QString());
    list->lvwSearchPatient->setCurrentIndex(list->model()->index(0, 0));
    list->SelectCurrentPatient();
    entry->trigger();
    intake::frmIntakeSurveySheet *sheet = m_main->intakeSheet();
    QVERIFY(sheet);
    QCOMPARE(sheet->IdNum, id);

    // Chosen again after another patient was picked: the open sheet comes back, on its patient.
    m_main->selection().HospNum = QStringLiteral("OTHER");
    m_main->selection().IDNUM = QStringLiteral("OTHER");
    entry->trigger();
    QCOMPARE(m_main->intakeSheet(), sheet);
    QCOMPARE(sheet->IdNum, id);
}

void TestMainWindow::childWindowsOpenWhereTheyWereLeft()
{
    m_main->mdiArea->closeAllSubWindows();
    QTRY_VERIFY(!m_main->patientList() && !m_main->intakeSheet());
    auto &c = m_hospital->connection();
    m_main->selection().IDNUM = test::scalar(c, QStringLiteral("SELECT min(IdNum) FROM PATIENT_DATA..tbPatient2"));
    m_main->selection().HospNum = test::scalar(c,
        QStringLiteral("SELECT HospNum FROM PATIENT_DATA..tbPatient2 WHERE IdNum = '%1'")
            .arg(m_main->selection().IDNUM));
    QAction *entry = m_main->action(QStringLiteral("mnuIntakeSheet"));
    entry->trigger();
    auto *sub = qobject_cast<QMdiSubWindow *>(m_main->intakeSheet()->parentWidget());
    QVERIFY(sub);
    sub->showNormal();
    sub->setGeometry(40, 30, 700, 420);
    const QRect leftAt = sub->geometry();
    sub->close();
    QTRY_VERIFY(!m_main->intakeSheet());

    entry->trigger();
    sub = qobject_cast<QMdiSubWindow *>(m_main->intakeSheet()->parentWidget());
    QCOMPARE(sub->geometry(), leftAt);
    sub->close();
    QTRY_VERIFY(!m_main->intakeSheet());

    // The patient list keeps the widths its columns were dragged to.
    m_main->showPatientList();
    QHeaderView *header = m_main->patientList()->lvwSearchPatient->header();
    header->resizeSection(3, 321);
    m_main->mdiArea->closeAllSubWindows();
    QTRY_VERIFY(!m_main->patientList());
    m_main->showPatientList();
    QCOMPARE(m_main->patientList()->lvwSearchPatient->header()->sectionSize(3), 321);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
