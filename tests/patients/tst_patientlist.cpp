// The patient list as a user drives it: what it sends for each patient type, what it shows,
// the selection it leaves behind, sorting and the splitter.
#include "data/recordset.h"
#include "patients/frmlistpatient.h"
#include "patients/patientlistmodel.h"
#include "support/demohospital.h"
#include "support/fakeconnections.h"
#include "support/messagelog.h"
#include "ui/messages.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>

using namespace mss;
using patients::frmListPatient;
using patients::PatientListModel;
using patients::PatientSelection;

class TestPatientList : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_log.reset(); }
    void statementsForEachPatientType();
    void typingRulesInTheBoxes();
    void allPatientsNeedsAParameter();
    void emptyResultLeavesADisabledList();
    void failingStatementIsReportedAndTheListEmptied();
    void selectionAndWhatClosingKeeps();
    void sortingKeepsNaturalOrder();
    void splitterLimits();
    void headerCaptionsAreNotCut();

private:
    std::optional<test::MessageLog> m_log;
};

void TestPatientList::init()
{
    m_log.emplace();
}

void TestPatientList::statementsForEachPatientType()
{
    test::RecordingConnection list, user;
    PatientSelection selection;
    frmListPatient window(selection, &list, &user);
    QCOMPARE(selection.PatientType, QStringLiteral("2")); // nothing clicked yet
    QVERIFY(window.optPatientType->button(0)->isChecked());

    window.txtLastname->setText(QStringLiteral(" DELA CRUZ "));
    window.txtHospNum->setText(QStringLiteral("0100"));
    // Enter in a box searches with the chosen type; the first separator has a blank.
    const QStringList procedures
        = { QStringLiteral("MSS..sp_MSS_LoadInPatient"), QStringLiteral("MSS..sp_MSS_LoadOutPatient"),
              QStringLiteral("MSS..sp_MSS_LoadAllServicePatient"), QStringLiteral("MSS..sp_MSS_LoadERPatient") };
    for (int type = 0; type < 4; ++type) {
        window.optPatientType->button(type)->click();
        QCOMPARE(selection.PatientType, QString::number(type));
        QTest::keyClick(window.txtFirstname, Qt::Key_Return);
        QCOMPARE(list.statements.last(), procedures[type] + QStringLiteral(" '0100', 'DELA CRUZ','','',''"));
    }
    QVERIFY(user.statements.isEmpty());

    // Every box empty with "In Patient": five empty arguments.
    window.optPatientType->button(0)->click();
    window.txtLastname->clear();
    window.txtHospNum->clear();
    window.cmdSearch->click();
    QCOMPARE(list.statements.last(), QStringLiteral("MSS..sp_MSS_LoadInPatient '', '','','',''"));

    // The MSS patients link reads on the user's connection and sets its own type.
    window.txtIDNum->setText(QStringLiteral("0200"));
    QTest::mouseClick(window.lblMSS, Qt::LeftButton);
    QCOMPARE(user.statements, QStringList { QStringLiteral("MSS..sp_MSS_LoadMSSPatient '', '','0200','',''") });
    QCOMPARE(selection.PatientType, QStringLiteral("5"));
    QVERIFY(m_log->shown.isEmpty());
}

void TestPatientList::typingRulesInTheBoxes()
{
    test::RecordingConnection list;
    PatientSelection selection;
    frmListPatient window(selection, &list, &list);
    QTest::keyClicks(window.txtLastname, QStringLiteral("o'brien"));
    QCOMPARE(window.txtLastname->text(), QStringLiteral("O`BRIEN"));
    QTest::keyClicks(window.txtFirstname, QStringLiteral("pe"));
    QKeyEvent enye(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("ñ"));
    QApplication::sendEvent(window.txtFirstname, &enye);
    QTest::keyClicks(window.txtFirstname, QStringLiteral("a"));
    QCOMPARE(window.txtFirstname->text(), QStringLiteral("PEÑA"));
    QTest::keyClicks(window.txtHospNum, QStringLiteral("x'1"));
    QCOMPARE(window.txtHospNum->text(), QStringLiteral("X'1")); // the hospital number keeps its apostrophe
    QTest::keyClick(window.txtHospNum, Qt::Key_Return);
    QCOMPARE(list.statements.last(), QStringLiteral("MSS..sp_MSS_LoadInPatient 'X''1', 'O`BRIEN','','PEÑA',''"));
}

void TestPatientList::allPatientsNeedsAParameter()
{
    test::RecordingConnection list;
    PatientSelection selection;
    frmListPatient window(selection, &list, &list);
    window.optPatientType->button(2)->click();
    window.txtLastname->setText(QStringLiteral("   "));
    window.cmdSearch->click();
    QCOMPARE(m_log->texts(), QStringList { QStringLiteral("Please specify a search parameter.") });
    QVERIFY(list.statements.isEmpty());
}

void TestPatientList::emptyResultLeavesADisabledList()
{
    test::DemoHospital h;
    PatientSelection selection;
    frmListPatient window(selection, &h.connection(), &h.connection());
    window.SearchPatients(QString(), QStringLiteral("DEL"), QString(), QString(), QString());
    QVERIFY(window.model()->rowCount() > 0);
    QVERIFY(window.lvwSearchPatient->isEnabled());
    QVERIFY(window.lblRecCount->text().startsWith(QStringLiteral("Total No. of Records: ")));

    window.SearchPatients(QString(), QStringLiteral("ZZZZNOBODY"), QString(), QString(), QString());
    QCOMPARE(window.model()->rowCount(), 0);
    QVERIFY(!window.lvwSearchPatient->isEnabled());
    QVERIFY(window.pbProgress->isHidden());
    // A long name with letters from the whole alphabet is searched, not refused.
    window.SearchPatients(QString(), QString(4000, QChar(0x00D1)), QString(), QString(), QString());
    QCOMPARE(window.model()->rowCount(), 0);
    QVERIFY(m_log->shown.isEmpty());
}

void TestPatientList::failingStatementIsReportedAndTheListEmptied()
{
    test::DemoHospital h;
    test::FaultInjectingConnection failing(&h.connection());
    PatientSelection selection;
    frmListPatient window(selection, &failing, &failing);
    window.SearchPatients(QString(), QStringLiteral("DEL"), QString(), QString(), QString());
    QVERIFY(window.model()->rowCount() > 0);
    failing.failStatement = failing.statementCount + 1;
    window.SearchPatients(QString(), QStringLiteral("MAN"), QString(), QString(), QString());
    QCOMPARE(m_log->shown.size(), 1);
    QVERIFY(m_log->texts()[0].contains(QStringLiteral("failed on purpose")));
    QCOMPARE(window.model()->rowCount(), 0);
    QVERIFY(!window.lvwSearchPatient->isEnabled());
    // The window still works.
    window.SearchPatients(QString(), QStringLiteral("MAN"), QString(), QString(), QString());
    QVERIFY(window.model()->rowCount() > 0);
}

void TestPatientList::selectionAndWhatClosingKeeps()
{
    test::DemoHospital h;
    auto &c = h.connection();
    // An in-patient with a billing date, and an out-patient visit.
    const QString inPatient = test::scalar(
        c, QStringLiteral("SELECT min(IdNum) FROM PATIENT_DATA..tbPatient2 WHERE BillingDate IS NOT NULL"));
    const QString outPatient = test::scalar(c, QStringLiteral("SELECT min(IdNum) FROM PATIENT_DATA..tbOutPatient"));
    PatientSelection selection;
    frmListPatient window(selection, &c, &c);
    QSignalSpy datasheet(&window, &frmListPatient::patientDatasheetAvailable);
    window.show();

    window.SearchPatients(QString(), QString(), inPatient, QString(), QString());
    QCOMPARE(window.model()->rowCount(), 1);
    window.lvwSearchPatient->setCurrentIndex(window.model()->index(0, 0));
    QTest::mouseClick(window.lvwSearchPatient->viewport(), Qt::LeftButton, {},
        window.lvwSearchPatient->visualRect(window.model()->index(0, 3)).center());
    QCOMPARE(selection.IDNUM, inPatient);
    QCOMPARE(selection.HospNum, window.model()->text(0, 1));
    QCOMPARE(selection.PatientName,
        window.model()->text(0, 3) + QStringLiteral(", ") + window.model()->text(0, 4) + QLatin1Char(' ')
            + window.model()->text(0, 5));
    QVERIFY(!selection.Billdate.isEmpty());
    QCOMPARE(datasheet.last().first().toBool(), true);

    window.optPatientType->button(1)->click();
    window.SearchPatients(QString(), QString(), outPatient, QString(), QString());
    window.lvwSearchPatient->setCurrentIndex(window.model()->index(0, 0));
    window.SelectCurrentPatient();
    QCOMPARE(selection.IDNUM, outPatient);
    QCOMPARE(datasheet.last().first().toBool(), false);

    const QString billdate = selection.Billdate;
    window.close();
    QVERIFY(selection.IDNUM.isEmpty() && selection.HospNum.isEmpty() && selection.RoomID.isEmpty()
        && selection.MSSID.isEmpty() && selection.PatientName.isEmpty());
    QCOMPARE(selection.Billdate, billdate);
    QCOMPARE(selection.PatientType, QStringLiteral("1"));
}

void TestPatientList::sortingKeepsNaturalOrder()
{
    PatientListModel model;
    const QStringList columns
        = { QStringLiteral("IDNUM"), QStringLiteral("HospNum"), QStringLiteral("AdmDate"), QStringLiteral("LastName") };
    model.setRows(columns,
        { { QStringLiteral("10"), QStringLiteral("A"), QStringLiteral("2026-02-01 08:00:00"), QStringLiteral("cruz") },
            { QStringLiteral("9"), QStringLiteral("B"), QStringLiteral("2025-12-31 23:59:00"), QStringLiteral("Abad") },
            { QStringLiteral("100"), QStringLiteral("C"), QStringLiteral("2026-01-15 00:00:00"),
                QStringLiteral("BAUTISTA") } });
    auto column = [&](int c) {
        QStringList texts;
        for (int r = 0; r < model.rowCount(); ++r)
            texts.append(model.text(r, c));
        return texts;
    };
    model.sortByColumn(0); // first click: descending
    QCOMPARE(model.sortOrder(), Qt::DescendingOrder);
    QCOMPARE(column(0), (QStringList { QStringLiteral("100"), QStringLiteral("10"), QStringLiteral("9") }));
    model.sortByColumn(0);
    QCOMPARE(column(0), (QStringList { QStringLiteral("9"), QStringLiteral("10"), QStringLiteral("100") }));
    QVERIFY(!model.headerData(0, Qt::Horizontal, Qt::DecorationRole).value<QIcon>().isNull());
    model.sortByColumn(2);
    QCOMPARE(model.sortColumn(), 2);
    QCOMPARE(column(1), (QStringList { QStringLiteral("A"), QStringLiteral("C"), QStringLiteral("B") }));
    model.sortByColumn(3);
    QCOMPARE(column(3), (QStringList { QStringLiteral("Abad"), QStringLiteral("BAUTISTA"), QStringLiteral("cruz") }));
    QCOMPARE(model.headerData(7, Qt::Horizontal).toString(), QStringLiteral(" MSS  "));
    QCOMPARE(model.text(0, 8), QString()); // a column the result lacks stays empty
}

void TestPatientList::splitterLimits()
{
    test::RecordingConnection list;
    PatientSelection selection;
    frmListPatient window(selection, &list, &list);
    window.resize(1200, 600);
    window.show();
    const double twipsPerPixel = 15.0 * 96.0 / window.logicalDpiX();
    const int widthTwips = int(window.width() * twipsPerPixel);
    window.SizeControls(100);
    QCOMPARE(window.splitterTwips(), 750);
    window.SizeControls(widthTwips * 2);
    QCOMPARE(window.splitterTwips(), widthTwips - 750);
    window.SizeControls(4000);
    QCOMPARE(window.splitterTwips(), 4000);

    // Dragging: the bar stops 500 twips from either side; released, the panels stay 750 away.
    window.beginSplitterDrag();
    QVERIFY(window.picSplitter->isVisible());
    window.dragSplitterTo(-300);
    QCOMPARE(window.picSplitter->x(), int(std::lround(500 / twipsPerPixel)));
    window.endSplitterDrag();
    QVERIFY(!window.picSplitter->isVisible());
    QCOMPARE(window.splitterTwips(), 750);
    QVERIFY(window.Frame1->x() > window.Picture1->width());
}

void TestPatientList::headerCaptionsAreNotCut()
{
    test::RecordingConnection list;
    PatientSelection selection;
    frmListPatient window(selection, &list, &list);
    QHeaderView *header = window.lvwSearchPatient->header();
    for (int c = 0; c < PatientListModel::kColumns; ++c)
        QVERIFY2(header->sectionSize(c) >= header->sectionSizeHint(c), qPrintable(PatientListModel::headers()[c]));
}

QTEST_MAIN(TestPatientList)
#include "tst_patientlist.moc"
