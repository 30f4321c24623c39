// A social worker's session across windows on the demo hospital: the patient chosen in the list
// stays the one shown when windows close and the list comes back, dates and workers are stored as
// the windows show them, and windows can be found again.
#include "classification/frmcomputediscount.h"
#include "classification/frmeditclass.h"
#include "classification/frmeditmssnumber.h"
#include "intake/frmintakesurveysheet.h"
#include "notices/frmreferraltomedicalteam.h"
#include "notices/noticelist.h"
#include "patients/frmlistpatient.h"
#include "patients/patientlistmodel.h"
#include "referral/frmarr.h"
#include "reports/reportrunner.h"
#include "session/sessionstate.h"
#include "shell/mdimss.h"
#include "shell/startup.h"
#include "support/billfixture.h"
#include "support/demohospital.h"
#include "support/messagelog.h"
#include "support/sessionfixture.h"
#include "ui/messages.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QDialog>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

using namespace mss;

namespace {

// The admission numbers of the rows the list shows selected.
QStringList selectedAdmissions(const patients::frmListPatient *list)
{
    QStringList ids;
    for (const QModelIndex &row : list->lvwSearchPatient->selectionModel()->selectedRows())
        ids.append(list->model()->text(row.row(), 0));
    return ids;
}

// What the list holds chosen must be what it shows selected, and nothing shown when nothing held.
void verifyChoiceIsShown(const patients::frmListPatient *list, const patients::PatientSelection &selection)
{
    const QStringList expected = selection.IDNUM.isEmpty() ? QStringList() : QStringList { selection.IDNUM };
    QCOMPARE(selectedAdmissions(list), expected);
}

void focusFromKeyboard(QWidget *widget)
{
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(widget, &in);
}

} // namespace

class TestWorkSession : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void discountCancelBringsBackTheListAsItWasSearched();
    void listShowsTheChosenRowAndNoOther();
    void intakeKeepsTheClassificationExpiry();
    void arrSavesTheWorkerItShows();
    void classificationWindowNarrowsBackAndReopensNarrow();
    void mssNumberShowsTheNewNumberAndRefusesATakenOneInWords();
    void discountAmountsShowInCentavos();
    void windowMenuFindsEveryWindow();
    void keyboardReachesTheListAndTheReferrals();
    void changingUserAsksBeforeUnsavedIntakeIsLost();
    void badInputLeavesNoWindowOfNobody();

private:
    shell::mdiMSS *main() const { return qobject_cast<shell::mdiMSS *>(shell::MainWindow()); }
    QString scalar(const QString &statement) { return test::scalar(m_hospital->connection(), statement); }
    void exec(const QString &statement) { m_hospital->connection().execute(statement); }
    // A last name several in-patients share.
    QString sharedLastName();
    std::unique_ptr<intake::frmIntakeSurveySheet> openIntake(const QString &idNum);

    std::unique_ptr<test::DemoHospital> m_hospital;
    std::optional<test::MessageLog> m_log;
    patients::PatientSelection m_selection;
};

void TestWorkSession::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_hospital = std::make_unique<test::DemoHospital>();
    QVERIFY(test::startDemoSession(m_hospital->folder()));
    QVERIFY(main());
}

void TestWorkSession::cleanupTestCase()
{
    test::endDemoSession();
}

void TestWorkSession::init()
{
    m_log.emplace(QMessageBox::Yes);
    main()->mdiArea->closeAllSubWindows();
    QTRY_VERIFY(main()->mdiArea->subWindowList().isEmpty());
    main()->selection() = {};
}

void TestWorkSession::cleanup()
{
    m_log.reset();
    ui::Messages::setDialogHandler(nullptr);
}

QString TestWorkSession::sharedLastName()
{
    return scalar(QStringLiteral("SELECT LastName FROM PATIENT_DATA..vwInPatientList GROUP BY LastName "
                                 "HAVING count(*) >= 4 ORDER BY count(*) DESC, LastName"));
}

std::unique_ptr<intake::frmIntakeSurveySheet> TestWorkSession::openIntake(const QString &idNum)
{
    m_selection = {};
    m_selection.IDNUM = idNum;
    m_selection.HospNum
        = scalar(QStringLiteral("SELECT HospNum FROM PATIENT_DATA..vwAdmission WHERE IdNum = '%1'").arg(idNum));
    m_selection.PatientType = QStringLiteral("0");
    auto window = std::make_unique<intake::frmIntakeSurveySheet>(m_selection, shell::sessionWorkContext());
    window->resize(1300, 700);
    window->show();
    window->load();
    return window;
}

void TestWorkSession::discountCancelBringsBackTheListAsItWasSearched()
{
    const QString last = sharedLastName();
    QVERIFY(!last.isEmpty());
    patients::frmListPatient *list = main()->showPatientList();
    list->txtLastname->setText(last);
    QTest::keyClick(list->txtLastname, Qt::Key_Return);
    const int rows = list->model()->rowCount();
    QVERIFY(rows >= 4);
    const QModelIndex fourth = list->model()->index(3, 0);
    list->lvwSearchPatient->setCurrentIndex(fourth);
    list->SelectCurrentPatient();
    const QString picked = list->model()->text(3, 0);
    QCOMPARE(main()->selection().IDNUM, picked);

    main()->action(QStringLiteral("mnuComputeDiscount"))->trigger();
    auto *discount = qobject_cast<classification::frmComputeDiscount *>(main()->mdiArea->activeSubWindow()->widget());
    QVERIFY(discount);
    QCOMPARE(discount->txtIdNum->text(), picked);
    QPointer<patients::frmListPatient> before = list;
    discount->cmdExit->click();
    QTRY_VERIFY(!before && main()->patientList());

    // The same rows under the same boxes, the patient worked on still the one chosen and shown.
    list = main()->patientList();
    QCOMPARE(list->txtLastname->text(), last);
    QCOMPARE(list->model()->rowCount(), rows);
    for (int r = 0; r < rows; ++r)
        QVERIFY(list->model()->text(r, 3).startsWith(last, Qt::CaseInsensitive));
    QCOMPARE(main()->selection().IDNUM, picked);
    verifyChoiceIsShown(list, main()->selection());
    // No empty frame of the cancelled window is left behind.
    for (QMdiSubWindow *sub : main()->mdiArea->subWindowList())
        QVERIFY(sub->widget() && !qobject_cast<classification::frmComputeDiscount *>(sub->widget()));

    // The list button brings back the same rows too.
    main()->btnListing->click();
    list = main()->patientList();
    QCOMPARE(list->txtLastname->text(), last);
    QCOMPARE(list->model()->rowCount(), rows);
    QCOMPARE(main()->selection().IDNUM, picked);
    verifyChoiceIsShown(list, main()->selection());
}

void TestWorkSession::listShowsTheChosenRowAndNoOther()
{
    patients::frmListPatient *list = main()->showPatientList();
    list->txtLastname->setText(sharedLastName());
    QTest::keyClick(list->txtLastname, Qt::Key_Return);
    QVERIFY(list->model()->rowCount() >= 4);
    verifyChoiceIsShown(list, main()->selection());

    // The focus takes a row: it is the one shown, however often the list gets the focus.
    focusFromKeyboard(list->lvwSearchPatient);
    focusFromKeyboard(list->lvwSearchPatient);
    QVERIFY(!main()->selection().IDNUM.isEmpty());
    verifyChoiceIsShown(list, main()->selection());

    // The arrow keys move the choice with the highlight.
    QTest::keyClick(list->lvwSearchPatient, Qt::Key_Down);
    QTest::keyClick(list->lvwSearchPatient, Qt::Key_Down);
    QCOMPARE(main()->selection().IDNUM, list->model()->text(list->lvwSearchPatient->currentIndex().row(), 0));
    verifyChoiceIsShown(list, main()->selection());

    // Sorting moves the rows, not the choice.
    const QString chosen = main()->selection().IDNUM;
    emit list->lvwSearchPatient->header()->sectionClicked(0);
    emit list->lvwSearchPatient->header()->sectionClicked(0);
    QCOMPARE(main()->selection().IDNUM, chosen);
    verifyChoiceIsShown(list, main()->selection());

    // The MSS patients are no patient type's: no option shows chosen while they are listed, and
    // the next search is of the type chosen before.
    list->optPatientType->button(2)->click();
    QTest::mouseClick(list->lblMSS, Qt::LeftButton);
    QCOMPARE(list->optPatientType->checkedId(), -1);
    QCOMPARE(main()->selection().PatientType, QStringLiteral("5"));
    QTest::keyClick(list->txtLastname, Qt::Key_Return);
    QCOMPARE(list->optPatientType->checkedId(), 2);
    list->optPatientType->button(0)->click();
    QTest::keyClick(list->txtLastname, Qt::Key_Return);

    // A search that finds nobody lets the previous patient go: nothing is chosen, nothing shown.
    list->txtLastname->clear();
    list->txtHospNum->setText(QStringLiteral("NO-SUCH-PATIENT"));
    QTest::keyClick(list->txtHospNum, Qt::Key_Return);
    QCOMPARE(list->model()->rowCount(), 0);
    QVERIFY(main()->selection().HospNum.isEmpty());
    QVERIFY(main()->selection().IDNUM.isEmpty());
    verifyChoiceIsShown(list, main()->selection());

    // The billing date outlives the choice; it alone opens no ARR of nobody.
    QVERIFY(!main()->selection().Billdate.isEmpty());
    bool opened = false;
    ui::Messages::setDialogHandler([&opened](QDialog &) {
        opened = true;
        return int(QDialog::Rejected);
    });
    main()->action(QStringLiteral("mnuARR"))->trigger();
    QVERIFY(!opened);
    QCOMPARE(m_log->shown.last().text, QStringLiteral("Please select first a patient to process"));
}

void TestWorkSession::intakeKeepsTheClassificationExpiry()
{
    // A classified patient without a stored sheet starts from the classification's own expiry.
    const QString classified = scalar(QStringLiteral(
        "SELECT min(p.IdNum) FROM PATIENT_DATA..tbPatient2 p JOIN PATIENT_DATA..tbMaster m ON m.HospNum = p.HospNum "
        "WHERE m.CivilStatus IN ('1','2','3','4') AND ifnull(m.MSSNum, '') <> '' AND m.MSSDiscountExpiry IS NOT NULL "
        "AND NOT EXISTS (SELECT 1 FROM MSS..tbMSSIntakeSheet s WHERE s.HospNum = p.HospNum)"));
    QVERIFY(!classified.isEmpty());
    auto w = openIntake(classified);
    const QString hosp = m_selection.HospNum;
    const QDate expires = QDate::fromString(
        scalar(QStringLiteral("SELECT CONVERT(VARCHAR(10), MSSDiscountExpiry, 101) FROM PATIENT_DATA..tbMaster "
                              "WHERE HospNum = '%1'")
                   .arg(hosp)),
        QStringLiteral("MM/dd/yyyy"));
    QVERIFY(expires.isValid() && expires != QDate::currentDate());
    QCOMPARE(w->txtExpiry->date(), expires);
    w->txtCaseNo->setText(
        scalar(QStringLiteral("SELECT MSSNum FROM PATIENT_DATA..tbMaster WHERE HospNum = '%1'").arg(hosp)));
    QVERIFY(w->save());
    QCOMPARE(scalar(QStringLiteral("SELECT CONVERT(VARCHAR(10), ExpiryDate, 101) FROM MSS..tbMSSIntakeSheet "
                                   "WHERE HospNum = '%1'")
                        .arg(hosp)),
        expires.toString(QStringLiteral("MM/dd/yyyy")));
    // The print reads the stored sheet: it holds the complaint and diagnosis the sheet showed.
    QVERIFY(!w->txtChiefComp->text().isEmpty());
    QCOMPARE(scalar(QStringLiteral("SELECT ChiefComplaint FROM MSS..tbMSSIntakeSheet WHERE HospNum = '%1'").arg(hosp)),
        w->txtChiefComp->text());
    QCOMPARE(scalar(QStringLiteral("SELECT Diagnosis FROM MSS..tbMSSIntakeSheet WHERE HospNum = '%1'").arg(hosp)),
        w->txtDiagnosis->text());

    // With no classification the worker chooses the date: no silent today.
    const QString unclassified = scalar(QStringLiteral(
        "SELECT min(p.IdNum) FROM PATIENT_DATA..tbPatient2 p JOIN PATIENT_DATA..tbMaster m ON m.HospNum = p.HospNum "
        "WHERE m.CivilStatus IN ('1','2','3','4') AND ifnull(m.MSSNum, '') = '' AND m.MSSDiscountExpiry IS NULL "
        "AND NOT EXISTS (SELECT 1 FROM MSS..tbMSSIntakeSheet s WHERE s.HospNum = p.HospNum)"));
    QVERIFY(!unclassified.isEmpty());
    w = openIntake(unclassified);
    QCOMPARE(w->txtExpiry->text().trimmed(), QString());
    // Its calendar opens on this month, where a worker picks from.
    QEvent shown(QEvent::Show);
    QApplication::sendEvent(w->txtExpiry->calendarWidget(), &shown);
    QCOMPARE(w->txtExpiry->calendarWidget()->yearShown(), QDate::currentDate().year());
    QCOMPARE(w->txtExpiry->calendarWidget()->monthShown(), QDate::currentDate().month());
    w->txtCaseNo->setText(QStringLiteral("T-0777"));
    const int shownBefore = int(m_log->shown.size());
    QVERIFY(!w->save());
    QCOMPARE(m_log->shown.size(), shownBefore + 1);
    QCOMPARE(m_log->shown.last().text, QStringLiteral("Please choose the Expiration Date of the classification."));
    QCOMPARE(
        scalar(
            QStringLiteral("SELECT count(*) FROM MSS..tbMSSIntakeSheet WHERE HospNum = '%1'").arg(m_selection.HospNum)),
        QStringLiteral("0"));
    w->txtExpiry->setDate(QDate(2027, 10, 8));
    QVERIFY(w->save());
    QCOMPARE(scalar(QStringLiteral("SELECT CONVERT(VARCHAR(10), ExpiryDate, 101) FROM MSS..tbMSSIntakeSheet "
                                   "WHERE HospNum = '%1'")
                        .arg(m_selection.HospNum)),
        QStringLiteral("10/08/2027"));
}

void TestWorkSession::arrSavesTheWorkerItShows()
{
    const QString id = scalar(QStringLiteral(
        "SELECT min(a.IdNum) FROM MSS..tbMSSAssessment a JOIN PATIENT_DATA..tbMaster m ON m.HospNum = a.HospNum "
        "WHERE a.IdNum NOT LIKE '%B' AND a.IdNum NOT LIKE '%-%' AND ifnull(m.MSSNum, '') <> '' AND a.Code <> '' "
        "AND ifnull(a.MSSW, '') <> '' AND m.CivilStatus IN ('1','2','3','4')"));
    QVERIFY(!id.isEmpty());
    const QString before = scalar(QStringLiteral("SELECT MSSW FROM MSS..tbMSSAssessment WHERE IdNum = '%1'").arg(id));
    const QString other = scalar(QStringLiteral(
        "SELECT min(EmployeeID) FROM MSS..tbMSSEmployee WHERE Active = 1 AND IsSocialWorker = 1 AND EmployeeID <> '%1'")
                                     .arg(before));
    const QString otherName = scalar(QStringLiteral(
        "SELECT LastName || ', ' || FirstName || CASE WHEN MiddleName <> '' THEN ' ' || substr(MiddleName, 1, 1) || "
        "'.' ELSE '' END FROM MSS..tbMSSEmployee WHERE EmployeeID = '%1'")
                                         .arg(other));
    QVERIFY(!otherName.isEmpty());

    // The intake sheet names another worker.
    auto sheet = openIntake(id);
    sheet->txtMSSW->setText(otherName);
    if (sheet->txtCaseNo->text().isEmpty())
        sheet->txtCaseNo->setText(scalar(
            QStringLiteral("SELECT MSSNum FROM PATIENT_DATA..tbMaster WHERE HospNum = '%1'").arg(m_selection.HospNum)));
    if (!sheet->txtExpiry->date().isValid() || sheet->txtExpiry->date().year() < 2000)
        sheet->txtExpiry->setDate(QDate(2027, 12, 31));
    QVERIFY(sheet->save());

    // The ARR shows that worker and stores that worker.
    referral::frmARR arr(shell::sessionWorkContext());
    arr.IDNUM = id;
    arr.HospNum = m_selection.HospNum;
    arr.resize(1300, 700);
    arr.show();
    arr.load();
    QCOMPARE(arr.txtMSSW->text(), otherName);
    QCOMPARE(arr.WorkerCode, other);
    QVERIFY(arr.save(false));
    QCOMPARE(scalar(QStringLiteral("SELECT MSSW FROM MSS..tbMSSAssessment WHERE IdNum = '%1'").arg(id)), other);

    // A name stored apart from its code gives way to the worker the code names.
    exec(QStringLiteral("UPDATE MSS..tbMSSAssessment SET MSSWName = 'SOMEONE, ELSE' WHERE IdNum = '%1'").arg(id));
    referral::frmARR again(shell::sessionWorkContext());
    again.IDNUM = id;
    again.HospNum = m_selection.HospNum;
    again.load();
    QCOMPARE(again.txtMSSW->text(), otherName);
    QCOMPARE(again.WorkerCode, other);
}

void TestWorkSession::classificationWindowNarrowsBackAndReopensNarrow()
{
    // A patient with classification history, so that the panel has entries to show whole.
    patients::PatientSelection &selection = main()->selection();
    selection.IDNUM = scalar(QStringLiteral("SELECT min(IdNum) FROM MSS..tbMSSPatClassHistory"));
    selection.HospNum = scalar(
        QStringLiteral("SELECT HospNum FROM PATIENT_DATA..tbPatient2 WHERE IdNum = '%1'").arg(selection.IDNUM));
    int narrow = 0, wide = 0, afterBack = 0, reopened = 0, historyRows = 0, columnsLength = 0, gridRoom = 0;
    bool panelHiddenOnReopening = false, wideOnScreen = false;
    ui::Messages::setDialogHandler([&](QDialog &dialog) {
        auto &window = dynamic_cast<classification::frmEditClass &>(dialog);
        // Opened near the right edge, as a remembered place may put it.
        window.move(window.screen()->availableGeometry().right() - window.frameGeometry().width(), 0);
        window.show();
        narrow = window.width();
        window.cmdPrev->click();
        QCoreApplication::processEvents();
        wide = window.width();
        historyRows = window.grdClassHistory->rowCount();
        wideOnScreen = window.screen()->availableGeometry().contains(window.frameGeometry());
        columnsLength = window.grdClassHistory->horizontalHeader()->length();
        gridRoom = window.grdClassHistory->viewport()->width();
        window.cmdBack->click();
        QCoreApplication::processEvents();
        afterBack = window.width();
        window.cmdPrev->click(); // put away wide: it must still come back narrow
        QCoreApplication::processEvents();
        window.reject();
        return int(QDialog::Rejected);
    });
    main()->action(QStringLiteral("mnuEditPatClass"))->trigger();
    QVERIFY(wide > narrow);
    QVERIFY(historyRows > 0);
    QVERIFY(wideOnScreen);
    QVERIFY2(columnsLength <= gridRoom,
        qPrintable(QStringLiteral("history columns %1 wide in a grid of %2").arg(columnsLength).arg(gridRoom)));
    QVERIFY2(
        afterBack <= narrow + 2, qPrintable(QStringLiteral("%1 after back, %2 narrow").arg(afterBack).arg(narrow)));

    ui::Messages::setDialogHandler([&](QDialog &dialog) {
        auto &window = dynamic_cast<classification::frmEditClass &>(dialog);
        window.show();
        QCoreApplication::processEvents();
        reopened = window.width();
        panelHiddenOnReopening = !window.fraHistory->isVisible();
        window.reject();
        return int(QDialog::Rejected);
    });
    main()->action(QStringLiteral("mnuEditPatClass"))->trigger();
    QVERIFY(panelHiddenOnReopening);
    QVERIFY2(reopened <= narrow + 2, qPrintable(QStringLiteral("%1 reopened, %2 narrow").arg(reopened).arg(narrow)));
}

void TestWorkSession::mssNumberShowsTheNewNumberAndRefusesATakenOneInWords()
{
    const QString hosp
        = scalar(QStringLiteral("SELECT min(HospNum) FROM PATIENT_DATA..tbMaster WHERE ifnull(MSSNum, '') <> ''"));
    const QString other = scalar(QStringLiteral(
        "SELECT min(HospNum) FROM PATIENT_DATA..tbMaster WHERE ifnull(MSSNum, '') <> '' AND HospNum <> '%1'")
                                     .arg(hosp));
    const QString taken
        = scalar(QStringLiteral("SELECT MSSNum FROM PATIENT_DATA..tbMaster WHERE HospNum = '%1'").arg(other));
    m_selection = {};
    m_selection.HospNum = hosp;
    m_selection.MSSID
        = scalar(QStringLiteral("SELECT MSSNum FROM PATIENT_DATA..tbMaster WHERE HospNum = '%1'").arg(hosp));
    classification::frmEditMSSNumber window(m_selection, shell::Session().SharedConnection);
    window.show();

    window.txtNewMSSNo->setText(taken);
    window.cmdUpdate->click();
    const ui::Messages::Shown refusal = m_log->shown.last();
    QVERIFY2(refusal.text.contains(taken) && !refusal.text.contains(QLatin1String("sp_MSS")), qPrintable(refusal.text));
    QVERIFY(!refusal.text.contains(QLatin1String("error ")));
    QCOMPARE(window.txtMSSno->text(), m_selection.MSSID);

    window.txtNewMSSNo->setText(QStringLiteral("N-4242"));
    window.cmdUpdate->click();
    QCOMPARE(m_log->shown.last().text, QStringLiteral("Records Successfully Updated"));
    QCOMPARE(window.txtMSSno->text(), QStringLiteral("N-4242"));
    QCOMPARE(scalar(QStringLiteral("SELECT MSSNum FROM PATIENT_DATA..tbMaster WHERE HospNum = '%1'").arg(hosp)),
        QStringLiteral("N-4242"));
}

void TestWorkSession::discountAmountsShowInCentavos()
{
    // Charges whose sums and shares are no round binary numbers.
    const QString id = QStringLiteral("09800001"), hosp = QStringLiteral("T800001");
    test::BillFixture bills(m_hospital->connection());
    bills.patient(hosp);
    bills.inPatient(id, hosp);
    bills.bill(id, { { "LB", 1234.567 }, { "PH", 2000.1 }, { "RX", 0.3 } });
    bills.medicare(id, 333.333, { { "LB", 100.1 }, { "PH", 200.2 } });
    bills.assessment(id, hosp, QStringLiteral("C2"), true, 1000.005);
    m_selection = {};
    m_selection.IDNUM = id;
    m_selection.HospNum = hosp;
    classification::frmComputeDiscount window(m_selection, shell::Session().SharedConnection);
    window.show();
    window.load();
    window.showSpecialArrangement();

    const QRegularExpression centavos(QStringLiteral("^-?\\d{1,3}(,\\d{3})*\\.\\d\\d$"));
    QVERIFY(window.mshDiscount->rowCount() > 0);
    for (int r = 0; r < window.mshDiscount->rowCount(); ++r)
        for (int c = 3; c < 6; ++c) {
            const QString text = window.mshDiscount->item(r, c)->text();
            QVERIFY2(centavos.match(text).hasMatch(), qPrintable(text));
        }
    for (const QString &text :
        { window.lblTotal->text(), window.lblMedicareTotal->text(), window.lblTotalCovered->text(),
            window.lblQFS->text(), window.txtQFSSpecial->text(), window.txtNC->text() })
        QVERIFY2(centavos.match(text).hasMatch(), qPrintable(text));
    // The two amounts left to pay say which is which.
    QVERIFY(!window.lblQFS->toolTip().isEmpty());
    QVERIFY(!window.txtQFSSpecial->toolTip().isEmpty() && window.txtQFSSpecial->toolTip() != window.lblQFS->toolTip());
}

void TestWorkSession::windowMenuFindsEveryWindow()
{
    QMenu *menu = main()->windowMenu();
    QVERIFY(menu);
    // At the end of the menu bar, where programs keep it, with only Help after it.
    const QList<QAction *> bar = main()->menuBar()->actions();
    QCOMPARE(bar.at(bar.size() - 2)->menu(), menu);
    QCOMPARE(bar.last()->objectName(), QStringLiteral("mnuHelp"));
    patients::frmListPatient *list = main()->showPatientList();
    m_selection = {};
    main()->selection().IDNUM = scalar(QStringLiteral("SELECT min(IdNum) FROM PATIENT_DATA..tbPatient2"));
    main()->selection().HospNum
        = scalar(QStringLiteral("SELECT HospNum FROM PATIENT_DATA..tbPatient2 WHERE IdNum = '%1'")
                     .arg(main()->selection().IDNUM));
    main()->selection().PatientType = QStringLiteral("0");
    // A window opened from the maximised list opens maximised, and the list is not left half-sized.
    qobject_cast<QMdiSubWindow *>(list->parentWidget())->showMaximized();
    main()->action(QStringLiteral("mnuIntakeSheet"))->trigger();
    QVERIFY(main()->intakeSheet());
    const auto *sheetShown = qobject_cast<QMdiSubWindow *>(main()->intakeSheet()->parentWidget());
    QVERIFY(sheetShown->isMaximized());
    // It fills the area (or more, where the window's own minimum is wider than the test's screen).
    QVERIFY(sheetShown->geometry().contains(main()->mdiArea->viewport()->rect()));
    emit menu->aboutToShow();
    QStringList names, checked;
    for (QAction *a : menu->actions()) {
        names.append(a->objectName());
        if (a->isChecked())
            checked.append(a->text());
    }
    QVERIFY(names.contains(QStringLiteral("mnuCascade")) && names.contains(QStringLiteral("mnuTile"))
        && names.contains(QStringLiteral("mnuCloseAll")));
    QVERIFY(names.contains(QStringLiteral("mnuWindowList_1")));
    QCOMPARE(checked.size(), 1); // the active one
    QVERIFY(checked.first().contains(main()->intakeSheet()->windowTitle()));

    // Choosing the list from the menu brings it to the front.
    for (QAction *a : menu->actions())
        if (a->text().contains(list->windowTitle()))
            a->trigger();
    QCOMPARE(main()->mdiArea->activeSubWindow()->widget(), list);

    // Tiling windows wider than their tiles keeps the main window on the screen.
    const QSize mainSize = main()->size();
    emit menu->aboutToShow();
    menu->findChild<QAction *>(QStringLiteral("mnuTile"))->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(main()->size(), mainSize);

    // A report asked for from a maximised window opens maximised.
    auto *sheetFrame = qobject_cast<QMdiSubWindow *>(main()->intakeSheet()->parentWidget());
    main()->mdiArea->setActiveSubWindow(sheetFrame);
    sheetFrame->showMaximized();
    const int before = int(main()->mdiArea->subWindowList().size());
    // Most reports are asked for from a date dialog, which takes the activation from the MDI area.
    QDialog dates(main());
    dates.show();
    dates.activateWindow();
    QTRY_VERIFY(dates.isActiveWindow());
    main()->reportRunner().OpenReport(shell::Session().ReportsPath + QStringLiteral("\\ListofGrantees.rpt"), {});
    main()->reportRunner().ShowReport(false, QStringLiteral("List of Grantees"), false);
    dates.close();
    main()->activateWindow();
    QTRY_COMPARE(int(main()->mdiArea->subWindowList().size()), before + 1);
    QVERIFY(main()->mdiArea->subWindowList().last()->isMaximized());

    menu->findChild<QAction *>(QStringLiteral("mnuCloseAll"))->trigger();
    QTRY_VERIFY(main()->mdiArea->subWindowList().isEmpty());
}

void TestWorkSession::keyboardReachesTheListAndTheReferrals()
{
    patients::frmListPatient *list = main()->showPatientList();
    QCOMPARE(list->focusWidget(), list->txtLastname);

    int opened = 0;
    auto *referrals = new notices::frmReferralToMedicalTeam(
        &m_hospital->connection(), [&opened](const notices::ReferralOpener &) { ++opened; });
    QPointer<notices::frmReferralToMedicalTeam> guard(referrals);
    referrals->load();
    referrals->show();
    QVERIFY(referrals->model()->rowCount() > 0);
    // Enter with no row chosen does nothing.
    QTest::keyClick(referrals->lvwRequest, Qt::Key_Return);
    QCOMPARE(opened, 0);
    referrals->lvwRequest->setCurrentIndex(referrals->model()->index(0, 0));
    QTest::keyClick(referrals->lvwRequest, Qt::Key_Return);
    QCOMPARE(opened, 1);
    QTRY_VERIFY(!guard);

    referrals = new notices::frmReferralToMedicalTeam(
        &m_hospital->connection(), [&opened](const notices::ReferralOpener &) { ++opened; });
    guard = referrals;
    referrals->load();
    referrals->show();
    const QModelIndex first = referrals->model()->index(0, 1);
    referrals->lvwRequest->setCurrentIndex(first);
    const QPoint at = referrals->lvwRequest->visualRect(first).center();
    // A double click as the mouse makes it: a press and release first, then the second press.
    QTest::mouseClick(referrals->lvwRequest->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(referrals->lvwRequest->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(opened, 2);
    QTRY_VERIFY(!guard);
}

void TestWorkSession::changingUserAsksBeforeUnsavedIntakeIsLost()
{
    main()->selection().IDNUM = scalar(QStringLiteral("SELECT min(IdNum) FROM PATIENT_DATA..tbPatient2"));
    main()->selection().HospNum
        = scalar(QStringLiteral("SELECT HospNum FROM PATIENT_DATA..tbPatient2 WHERE IdNum = '%1'")
                     .arg(main()->selection().IDNUM));
    main()->selection().PatientType = QStringLiteral("0");
    main()->action(QStringLiteral("mnuIntakeSheet"))->trigger();
    intake::frmIntakeSurveySheet *sheet = main()->intakeSheet();
    QVERIFY(sheet);
    QVERIFY(!sheet->hasUnsavedChanges());
    QTest::keyClicks(sheet->txtReligion, QStringLiteral("X"));
    QVERIFY(sheet->hasUnsavedChanges());

    // No: nothing closes, the session goes on.
    m_log.emplace(QMessageBox::No);
    QPointer<shell::mdiMSS> window = main();
    window->btnClose->click();
    QCoreApplication::processEvents();
    QCOMPARE(m_log->shown.size(), 1);
    QCOMPARE(m_log->shown.last().icon, QMessageBox::Question);
    QVERIFY(m_log->shown.last().text.contains(sheet->txtLastname->text()));
    QVERIFY(window && main() == window);
    QCOMPARE(window->intakeSheet(), sheet);
}

void TestWorkSession::badInputLeavesNoWindowOfNobody()
{
    const auto discountWindows = [this] {
        int count = 0;
        for (QMdiSubWindow *sub : main()->mdiArea->subWindowList())
            count += qobject_cast<classification::frmComputeDiscount *>(sub->widget()) ? 1 : 0;
        return count;
    };
    // Nobody chosen: said so, nothing opens.
    main()->action(QStringLiteral("mnuComputeDiscount"))->trigger();
    QCOMPARE(m_log->shown.last().text, QStringLiteral("Please select first a patient to process"));
    QCOMPARE(discountWindows(), 0);

    // A patient gone between the list and the window: said so, and no empty window stays.
    main()->selection().IDNUM = QStringLiteral("09999999");
    main()->selection().HospNum = QStringLiteral("GONE-0001");
    main()->action(QStringLiteral("mnuComputeDiscount"))->trigger();
    QVERIFY(m_log->shown.last().text.contains(QLatin1String("no longer on file")));
    QTRY_COMPARE(discountWindows(), 0);

    // Enter and a double click on an empty list do nothing.
    patients::frmListPatient *list = main()->patientList() ? main()->patientList() : main()->showPatientList();
    list->txtHospNum->setText(QStringLiteral("NO-SUCH-PATIENT"));
    QTest::keyClick(list->txtHospNum, Qt::Key_Return);
    QCOMPARE(list->model()->rowCount(), 0);
    QTest::keyClick(list->lvwSearchPatient, Qt::Key_Return);
    QTest::mouseDClick(list->lvwSearchPatient->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
    QVERIFY(main()->selection().IDNUM.isEmpty() && main()->selection().HospNum.isEmpty());
}

QTEST_MAIN(TestWorkSession)
#include "tst_worksession.moc"
