// The intake sheet as a social worker uses it: opening for each kind of patient, the family
// composition typed with the keyboard alone, saving, refusals, and a save that fails half way.
#include "data/embedded.h"
#include "data/values.h"
#include "db/demodata.h"
#include "intake/familycomposition.h"
#include "intake/frmintakesurveysheet.h"
#include "patients/frmemployeelisting.h"
#include "patients/patientselection.h"
#include "reports/frmreportviewer.h"
#include "reports/reportrunner.h"
#include "session/sessionstate.h"
#include "shell/startup.h"
#include "support/demohospital.h"
#include "support/fakeconnections.h"
#include "support/messagelog.h"
#include "support/sessionfixture.h"
#include "ui/messages.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

#include <optional>

using namespace mss;
using intake::frmIntakeSurveySheet;

class TestIntakeSheet : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void opensAnInPatientWithMasterAndAdmission();
    void patientTypeDecidesHowTheAdmissionIsRead();
    void familyTypedWithTheKeyboardIsStoredAndShownAgain();
    void totalIsTheSumOfTheMembers();
    void arrowKeysStayInsideTheGrid();
    void incompleteMemberIsRefused();
    void savingRefusesWhatItMust();
    void problemFlagsAndDefaults();
    void failedSaveKeepsTheStoredFamily();
    void socialWorkerPickedOrNot();
    void storedSheetOverridesWhatItHolds();
    void codesFollowTheTextOnLeavingABox();
    void saveAndPrintOpensTheIntakeSheet();
    void everyValueComesBackInItsOwnPlace();
    void enterFollowsTheInterview();

private:
    // A window opened on an admission, shown as the main window shows it.
    // On the session's connection and worker unless the test gives others.
    std::unique_ptr<frmIntakeSurveySheet> open(const QString &idNum, const QString &type = QStringLiteral("0"),
        const std::optional<ui::WorkContext> &work = std::nullopt);
    QString scalar(const QString &statement) { return test::scalar(m_hospital->connection(), statement); }

    std::unique_ptr<test::DemoHospital> m_hospital;
    patients::PatientSelection m_selection;
    std::optional<test::MessageLog> m_log;
};

void TestIntakeSheet::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_hospital = std::make_unique<test::DemoHospital>();
    QVERIFY(test::startDemoSession(m_hospital->folder()));
}

void TestIntakeSheet::cleanupTestCase()
{
    test::endDemoSession();
}

void TestIntakeSheet::init()
{
    m_log.emplace();
}

void TestIntakeSheet::cleanup()
{
    m_log.reset();
    ui::Messages::setDialogHandler(nullptr);
}

std::unique_ptr<frmIntakeSurveySheet> TestIntakeSheet::open(
    const QString &idNum, const QString &type, const std::optional<ui::WorkContext> &work)
{
    m_selection = {};
    m_selection.IDNUM = idNum;
    m_selection.HospNum
        = scalar(QStringLiteral("SELECT HospNum FROM PATIENT_DATA..vwAdmission WHERE IdNum = '%1'").arg(idNum));
    m_selection.PatientType = type;
    auto window = std::make_unique<frmIntakeSurveySheet>(m_selection, work.value_or(shell::sessionWorkContext()));
    window->resize(1300, 700);
    window->show();
    window->load();
    // A patient without a classification has no expiry until the worker chooses one.
    if (window->txtExpiry->date().year() < 2000)
        window->txtExpiry->setDate(QDate(2027, 12, 31));
    return window;
}

void TestIntakeSheet::opensAnInPatientWithMasterAndAdmission()
{
    const QString id = scalar(QStringLiteral(
        "SELECT min(p.IdNum) FROM PATIENT_DATA..tbPatient2 p JOIN PATIENT_DATA..tbMaster m ON m.HospNum = p.HospNum "
        "WHERE m.CivilStatus = '3' AND m.Sex = 'F' AND NOT EXISTS (SELECT 1 FROM MSS..tbMSSIntakeSheet s WHERE "
        "s.HospNum = p.HospNum)"));
    QVERIFY(!id.isEmpty());
    auto w = open(id);
    const QString hosp = m_selection.HospNum;
    QCOMPARE(w->txtHospitalNo->text(), hosp);
    QCOMPARE(w->txtLastname->text(),
        scalar(QStringLiteral("SELECT LastName FROM PATIENT_DATA..tbMaster WHERE HospNum = '%1'").arg(hosp)));
    QVERIFY(w->optSexFemale->isChecked());
    QCOMPARE(w->optCS->checkedId(), 2); // "3" is Married
    QCOMPARE(w->txtWard->text(),
        scalar(QStringLiteral("SELECT RoomID FROM PATIENT_DATA..tbPatient2 WHERE IdNum = '%1'").arg(id)));
    QVERIFY(QDate::fromString(w->txtAdmissionDate->text(), QStringLiteral("MM/dd/yyyy")).isValid());
    QVERIFY(w->optNew->isChecked() || w->optOld->isChecked());
    QCOMPARE(w->DTDateInterviewed->date(), QDate::currentDate());
    QVERIFY(!w->txtHospitalNo->isEnabled() && !w->txtCaseNo->isEnabled());
    QVERIFY(w->cboClassCode->count() > 0 && w->cbostatus->count() > 0 && w->cboReferringParty->count() > 0);
    QCOMPARE(w->ClassNames.size(), w->cboClassCode->count());
    QCOMPARE(w->FCFlexGrid->rowCount(), 1); // a new sheet: one empty member row
    QCOMPARE(w->FCFlexGrid->horizontalHeaderItem(0)->text(), QStringLiteral(" Family Member "));
    w->EnableEntry();
    QVERIFY(w->txtHospitalNo->isEnabled() && w->txtCaseNo->isEnabled());
    QVERIFY(m_log->shown.isEmpty());
}

void TestIntakeSheet::patientTypeDecidesHowTheAdmissionIsRead()
{
    const QString outVisit
        = scalar(QStringLiteral("SELECT min(IdNum) FROM PATIENT_DATA..tbOutPatient WHERE IdNum LIKE '%B'"));
    QVERIFY(!outVisit.isEmpty());
    for (const QString &type : { QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3") }) {
        auto w = open(outVisit, type);
        QCOMPARE(w->txtWard->text(), QStringLiteral("OPD"));
    }
    // The MSS patients list gives no identifying data: nothing stored is looked up either.
    auto mss = open(outVisit, QStringLiteral("5"));
    QVERIFY(mss->txtHospitalNo->text().isEmpty());
    QVERIFY(mss->txtLastname->text().isEmpty());
}

void TestIntakeSheet::familyTypedWithTheKeyboardIsStoredAndShownAgain()
{
    const QString id = scalar(QStringLiteral(
        "SELECT min(p.IdNum) FROM PATIENT_DATA..tbPatient2 p JOIN PATIENT_DATA..tbMaster m ON m.HospNum = p.HospNum "
        "WHERE m.CivilStatus IN ('1','2','3','4') AND NOT EXISTS (SELECT 1 FROM MSS..tbMSSIntakeSheet s WHERE "
        "s.HospNum = p.HospNum) "
        "AND ifnull(m.MSSNum, '') = ''"));
    auto w = open(id);
    w->EnableEntry();
    w->txtCaseNo->setText(QStringLiteral("T-0001"));

    // Keys go where the keyboard focus is, as they do for a user.
    QApplication::setActiveWindow(w.get());
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    // Enter in the last document field goes to the family grid's editor.
    w->txtDocOthers->setFocus();
    QTest::keyClick(w->txtDocOthers, Qt::Key_Return);
    QCOMPARE(w->SSTab1->currentIndex(), 1);
    intake::FamilyComposition &f = w->family();
    QVERIFY(!f.txtFlx->isHidden());

    const QList<QStringList> members = {
        { QStringLiteral("JUAN DELA CRUZ"), QStringLiteral("HUSBAND"), QStringLiteral("45"), QStringLiteral("MARRIED"),
            QStringLiteral("HIGH SCHOOL"), QStringLiteral("SAME"), QStringLiteral("DRIVER"), QStringLiteral("9000") },
        { QStringLiteral("ANA DELA CRUZ"), QStringLiteral("DAUGHTER"), QStringLiteral("19"), QStringLiteral("SINGLE"),
            QStringLiteral("COLLEGE"), QStringLiteral("SAME"), QStringLiteral("CLERK"), QStringLiteral("12000") },
        { QStringLiteral("PEDRO O'NEIL"), QStringLiteral("SON"), QStringLiteral("15"), QStringLiteral("single"),
            QStringLiteral("HIGH SCHOOL"), QStringLiteral("SAME"), QStringLiteral("STUDENT"), QStringLiteral("0") }
    };
    for (const QStringList &member : members) {
        for (int c = 0; c < 8; ++c) {
            QWidget *focus = QApplication::focusWidget();
            const bool civil = c == intake::FamilyComposition::kCivilStatusColumn;
            QVERIFY2(focus == (civil ? static_cast<QWidget *>(f.cmbFlx) : static_cast<QWidget *>(f.txtFlx)),
                qPrintable(member[c]));
            QCOMPARE(f.FCFlexGrid->currentColumn(), c);
            QTest::keyClicks(focus, member[c]);
            QTest::keyClick(focus, Qt::Key_Return);
        }
    }
    QCOMPARE(f.FCFlexGrid->rowCount(), 4); // three members and the row the last Enter added
    QCOMPARE(f.cell(1, 7), QStringLiteral("12000"));
    QCOMPARE(f.cell(2, 0), QStringLiteral("PEDRO O'NEIL"));

    QVERIFY(w->save());
    QCOMPARE(m_log->shown.last().text,
        QStringLiteral("Record of ") + w->txtLastname->text() + QStringLiteral(", ") + w->txtFirstname->text()
            + QStringLiteral("Saved."));
    QCOMPARE(m_log->shown.last().title, QStringLiteral("Message"));
    QVERIFY(w->IsSaved);

    auto &c = m_hospital->connection();
    const QString hosp = m_selection.HospNum;
    data::Recordset stored = c.open(QStringLiteral("MSS..sp_MSS_LoadExistFamilyComposition '%1'").arg(hosp));
    QCOMPARE(stored.recordCount(), 3);
    QCOMPARE(stored.text(QStringLiteral("FamilyMember")), QStringLiteral("JUAN DELA CRUZ"));
    stored.moveLast();
    QCOMPARE(stored.text(QStringLiteral("FamilyMember")), QStringLiteral("PEDRO O'NEIL"));
    QCOMPARE(stored.text(QStringLiteral("CivilStatus")), QStringLiteral("single")); // stored as typed
    QCOMPARE(scalar(QStringLiteral("SELECT MSSNum FROM PATIENT_DATA..tbMaster WHERE HospNum = '%1'").arg(hosp)),
        QStringLiteral("T-0001"));

    // Reopened: everything comes back, the grid in its stored layout.
    w.reset();
    auto again = open(id);
    QCOMPARE(again->txtCaseNo->text(), QStringLiteral("T-0001"));
    QCOMPARE(again->FCFlexGrid->rowCount(), 3);
    QCOMPARE(again->FCFlexGrid->horizontalHeaderItem(0)->text(), QStringLiteral("Family Members"));
    QCOMPARE(again->family().cell(1, 6), QStringLiteral("CLERK"));
    QVERIFY(!again->cmdAdd->isEnabled());
    // Saving again replaces rather than adds.
    QVERIFY(again->save());
    QCOMPARE(c.open(QStringLiteral("MSS..sp_MSS_LoadExistFamilyComposition '%1'").arg(hosp)).recordCount(), 3);
}

void TestIntakeSheet::totalIsTheSumOfTheMembers()
{
    const QString id
        = scalar(QStringLiteral("SELECT min(p.IdNum) FROM PATIENT_DATA..tbPatient2 p WHERE NOT EXISTS "
                                "(SELECT 1 FROM MSS..tbMSSFamilyComposition f WHERE f.HospNum = p.HospNum)"));
    auto w = open(id);
    intake::FamilyComposition &f = w->family();
    auto typeIncome = [&](int row, const QString &income) {
        f.moveTo(row, 7);
        f.openEditor();
        f.txtFlx->selectAll();
        QTest::keyClicks(f.txtFlx, income);
        QTest::keyClick(f.txtFlx, Qt::Key_Return); // to the first cell of a new row
    };
    // No member yet: a key in the empty row computes 0.
    f.moveTo(0, 0);
    f.openEditor();
    QTest::keyClick(f.txtFlx, Qt::Key_A);
    QCOMPARE(w->txtTotFamIncome->text(), QStringLiteral("0"));
    QCOMPARE(f.totalIncome(), 0.0);

    typeIncome(0, QStringLiteral("5000"));
    QTest::keyClick(f.txtFlx, Qt::Key_B);
    QCOMPARE(w->txtTotFamIncome->text(), QStringLiteral("5000"));
    typeIncome(1, QStringLiteral("12000"));
    typeIncome(2, QStringLiteral("1,250.50"));
    // A key in the new row below, whose income is empty, still shows the three members' sum.
    QTest::keyClick(f.txtFlx, Qt::Key_C);
    QCOMPARE(w->txtTotFamIncome->text(), QStringLiteral("18250.5"));
    // Editing one income changes the sum by the difference.
    typeIncome(1, QStringLiteral("2000"));
    QTest::keyClick(f.txtFlx, Qt::Key_D);
    QCOMPARE(w->txtTotFamIncome->text(), QStringLiteral("8250.5"));

    // Text where a number belongs is refused where it is confirmed and where it is computed, and
    // the total is that of the numbers left.
    for (const QString &bad : { QStringLiteral("abc"), QStringLiteral("1.2.3"), QStringLiteral("1e400") }) {
        m_log->shown.clear();
        f.moveTo(0, 7);
        f.openEditor();
        f.txtFlx->setText(bad); // pasted
        QTest::keyClick(f.txtFlx, Qt::Key_Return);
        QCOMPARE(m_log->texts(), QStringList { QStringLiteral("Please Enter Numeric Values") });
        QCOMPARE(f.cell(0, 7), QString());
    }
    QTest::keyClick(f.txtFlx, Qt::Key_E);
    QCOMPARE(w->txtTotFamIncome->text(), QStringLiteral("3250.5"));
    m_log->shown.clear();
    f.moveTo(1, 7);
    f.openEditor();
    f.txtFlx->selectAll();
    QTest::keyClicks(f.txtFlx, QStringLiteral("x"));
    QTest::keyClick(f.txtFlx, Qt::Key_Left); // computed on the next key: refused, cell emptied
    QCOMPARE(m_log->shown.size(), 1);
    QCOMPARE(f.cell(1, 7), QString());
    QCOMPARE(w->txtTotFamIncome->text(), QStringLiteral("1250.5"));
}

void TestIntakeSheet::arrowKeysStayInsideTheGrid()
{
    const QString id = scalar(QStringLiteral("SELECT min(IdNum) FROM PATIENT_DATA..tbPatient2"));
    auto w = open(id);
    intake::FamilyComposition &f = w->family();
    // One row: Down has nowhere to go, nor has Up; Left stops at the first column.
    f.moveTo(0, 0);
    f.openEditor();
    QTest::keyClick(f.txtFlx, Qt::Key_Down);
    QTest::keyClick(f.txtFlx, Qt::Key_Up);
    QTest::keyClick(f.txtFlx, Qt::Key_Left);
    QCOMPARE(f.FCFlexGrid->currentRow(), 0);
    QCOMPARE(f.FCFlexGrid->currentColumn(), 0);
    // Right walks to the civil status list, whose cell keeps its text.
    f.FCFlexGrid->setItem(0, 3, new QTableWidgetItem(QStringLiteral("MARRIED")));
    QTest::keyClick(f.txtFlx, Qt::Key_Right);
    QTest::keyClick(f.txtFlx, Qt::Key_Right);
    QTest::keyClick(f.txtFlx, Qt::Key_Right);
    QCOMPARE(f.FCFlexGrid->currentColumn(), 3);
    QVERIFY(!f.cmbFlx->isHidden());
    QCOMPARE(f.cell(0, 3), QStringLiteral("MARRIED"));
    // From the income column Right goes nowhere; with two rows Down and Up move.
    f.FCFlexGrid->setRowCount(2);
    f.moveTo(0, 7);
    f.openEditor();
    QTest::keyClick(f.txtFlx, Qt::Key_Right);
    QCOMPARE(f.FCFlexGrid->currentColumn(), 7);
    QTest::keyClick(f.txtFlx, Qt::Key_Down);
    QCOMPARE(f.FCFlexGrid->currentRow(), 1);
    QTest::keyClick(f.txtFlx, Qt::Key_Down);
    QCOMPARE(f.FCFlexGrid->currentRow(), 1); // the last row
    QTest::keyClick(f.txtFlx, Qt::Key_Up);
    QCOMPARE(f.FCFlexGrid->currentRow(), 0);
}

void TestIntakeSheet::incompleteMemberIsRefused()
{
    const QString id = scalar(QStringLiteral(
        "SELECT min(p.IdNum) FROM PATIENT_DATA..tbPatient2 p JOIN PATIENT_DATA..tbMaster m ON m.HospNum = p.HospNum "
        "WHERE m.CivilStatus IN ('1','2','3','4') AND ifnull(m.MSSNum, '') = '' "
        "AND NOT EXISTS (SELECT 1 FROM MSS..tbMSSFamilyComposition f WHERE f.HospNum = p.HospNum)"));
    auto w = open(id);
    w->txtCaseNo->setText(QStringLiteral("T-0006"));
    const QString hosp = m_selection.HospNum;
    auto members = [&] {
        return scalar(QStringLiteral("SELECT ifnull(group_concat(FamilyMember || '=' || Income || '/' || TotalIncome, "
                                     "'|'), '') FROM MSS..tbMSSFamilyComposition WHERE HospNum = '%1'")
                          .arg(hosp));
    };
    // A new sheet with no member typed stores none.
    QVERIFY(w->save());
    QCOMPARE(members(), QString());

    QTableWidget *grid = w->family().FCFlexGrid;
    auto fill = [&](int rows) {
        grid->setRowCount(rows);
        const QStringList full = { QString(), QStringLiteral("B"), QStringLiteral("1"), QStringLiteral("SINGLE"),
            QStringLiteral("E"), QStringLiteral("F"), QStringLiteral("G"), QString() };
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < 8; ++c)
                grid->setItem(r, c,
                    new QTableWidgetItem(c == 0 ? QStringLiteral("M%1").arg(r)
                            : c == 7            ? QString::number((r + 1) * 100)
                                                : full[c]));
    };
    // Two members and the empty row the last Enter added: the empty row is no member.
    fill(2);
    grid->setRowCount(3);
    QVERIFY(w->save());
    QCOMPARE(members(), QStringLiteral("M0=100.0/300.0|M1=200.0/300.0"));

    // Five members, the second without an occupation: refused, nothing written.
    m_log->shown.clear();
    fill(5);
    w->SSTab1->setCurrentIndex(0);
    grid->item(1, 6)->setText(QString());
    QVERIFY(!w->save());
    QVERIFY(!w->IsSaved);
    QCOMPARE(m_log->shown.size(), 1);
    QCOMPARE(m_log->shown[0].text,
        QStringLiteral("Family member 2 (M1) has no Occupation. Complete the row or clear it before saving."));
    QCOMPARE(m_log->shown[0].icon, QMessageBox::Warning);
    QCOMPARE(members(), QStringLiteral("M0=100.0/300.0|M1=200.0/300.0")); // the earlier composition intact
    // The cursor waits in that cell.
    QCOMPARE(w->SSTab1->currentIndex(), 1);
    QCOMPARE(grid->currentRow(), 1);
    QCOMPARE(grid->currentColumn(), 6);
    QVERIFY(!w->family().txtFlx->isHidden());

    // Typed in, the five are stored, each with the sum of the five incomes.
    grid->item(1, 6)->setText(QStringLiteral("VENDOR"));
    QVERIFY(w->save());
    QCOMPARE(scalar(QStringLiteral("SELECT count(*) || ':' || min(TotalIncome) || ':' || max(TotalIncome) || ':' || "
                                   "sum(Income) FROM MSS..tbMSSFamilyComposition WHERE HospNum = '%1'")
                        .arg(hosp)),
        QStringLiteral("5:1500.0:1500.0:1500.0"));
    QCOMPARE(w->txtTotFamIncome->text(), QStringLiteral("1500"));

    // Incomes that are not numbers, or are negative, are refused by the save naming the row.
    const QString before = members();
    for (const QString &bad :
        { QStringLiteral("abc"), QStringLiteral("1.2.3"), QStringLiteral("1e400"), QStringLiteral("-500") }) {
        m_log->shown.clear();
        grid->item(2, 7)->setText(bad);
        QVERIFY2(!w->save(), qPrintable(bad));
        QCOMPARE(m_log->shown.size(), 1);
        QVERIFY2(m_log->shown[0].text.startsWith(QStringLiteral("Family member 3 (M2): the income")),
            qPrintable(m_log->shown[0].text));
        QVERIFY(m_log->shown[0].text.contains(bad));
        QCOMPARE(grid->currentColumn(), 7);
        QCOMPARE(members(), before);
    }
}

void TestIntakeSheet::savingRefusesWhatItMust()
{
    const QString id = scalar(QStringLiteral(
        "SELECT min(p.IdNum) FROM PATIENT_DATA..tbPatient2 p JOIN PATIENT_DATA..tbMaster m ON m.HospNum = p.HospNum "
        "WHERE m.CivilStatus IN ('1','2','3','4') AND ifnull(m.MSSNum, '') = ''"));
    auto w = open(id);
    auto stored = [&] {
        return scalar(
            QStringLiteral("SELECT count(*) FROM MSS..tbMSSIntakeSheet WHERE HospNum = '%1'").arg(m_selection.HospNum));
    };
    const QString before = stored();

    w->txtCaseNo->clear();
    QVERIFY(!w->save());
    QCOMPARE(m_log->shown.last().text, QStringLiteral("Can't save incomplete data Case Number is Missing."));
    QVERIFY(w->txtCaseNo->isEnabled());

    const QString taken
        = scalar(QStringLiteral("SELECT min(MSSNum) FROM PATIENT_DATA..tbMaster WHERE MSSNum <> '' AND HospNum <> '%1'")
                     .arg(m_selection.HospNum));
    w->txtCaseNo->setText(taken);
    QVERIFY(!w->save());
    QVERIFY(m_log->shown.last().text.startsWith(QStringLiteral("The CaseNumber already exists and is owned by ")));
    QVERIFY(w->txtCaseNo->text().isEmpty());
    // Enter in the field checks it too.
    w->txtCaseNo->setText(taken);
    QTest::keyClick(w->txtCaseNo, Qt::Key_Return);
    QVERIFY(w->CaseNumberTaken);

    w->txtCaseNo->setText(QStringLiteral("T-0002"));
    w->optCS->button(4)->setChecked(true); // Divorced cannot be stored
    QVERIFY(!w->save());
    QCOMPARE(m_log->shown.last().text, QStringLiteral("Civil Status is Missing."));
    QCOMPARE(m_log->shown.last().icon, QMessageBox::Warning);

    w->optCS->button(0)->setChecked(true);
    w->family().FCFlexGrid->setItem(0, 0, new QTableWidgetItem(QStringLiteral("X")));
    for (int c = 1; c < 8; ++c)
        w->family().FCFlexGrid->setItem(
            0, c, new QTableWidgetItem(c == 7 ? QStringLiteral("twelve") : QStringLiteral("Y")));
    QVERIFY(!w->save());
    QVERIFY(m_log->shown.last().text.endsWith(QStringLiteral("Please Enter Numeric Values")));
    QCOMPARE(stored(), before); // nothing was written by any refused save
}

void TestIntakeSheet::problemFlagsAndDefaults()
{
    const QString id = scalar(QStringLiteral(
        "SELECT min(p.IdNum) FROM PATIENT_DATA..tbPatient2 p JOIN PATIENT_DATA..tbMaster m ON m.HospNum = p.HospNum "
        "WHERE m.CivilStatus IN ('1','2','3','4') AND ifnull(m.MSSNum, '') = '' AND p.IdNum > '%1'")
                                  .arg(QStringLiteral("0")));
    auto w = open(id);
    w->txtCaseNo->setText(QStringLiteral("T-0003"));
    w->txtBirthdate->clear(); // a patient without a birth date can still be saved
    w->chkFinancialProb->setChecked(true);
    w->chkDifficultyProb->setChecked(true);
    w->optSexMale->setAutoExclusive(false);
    w->optSexMale->setChecked(false);
    w->optSexFemale->setAutoExclusive(false);
    w->optSexFemale->setChecked(false);
    QVERIFY(w->save());
    const QString hosp = m_selection.HospNum;
    data::Recordset sheet = m_hospital->connection().open(
        QStringLiteral("SELECT * FROM MSS..tbMSSIntakeSheet WHERE HospNum = '%1'").arg(hosp));
    QCOMPARE(sheet.text(QStringLiteral("FinancialProb")), QStringLiteral("1"));
    QCOMPARE(sheet.text(QStringLiteral("Difficulty")), QStringLiteral("0"));
    QCOMPARE(sheet.text(QStringLiteral("Sex")), QStringLiteral("Male")); // neither chosen
    QVERIFY(sheet.isNull(QStringLiteral("BirthDate")));

    // Reloaded, a stored "1" ticks its box.
    w.reset();
    auto again = open(id);
    QVERIFY(again->chkFinancialProb->isChecked());
    QVERIFY(!again->chkDifficultyProb->isChecked());
}

void TestIntakeSheet::failedSaveKeepsTheStoredFamily()
{
    const QString id = scalar(QStringLiteral(
        "SELECT min(s.IdNum) FROM MSS..tbMSSIntakeSheet s JOIN MSS..tbMSSFamilyComposition f ON f.HospNum = s.HospNum "
        "JOIN PATIENT_DATA..tbMaster m ON m.HospNum = s.HospNum JOIN PATIENT_DATA..tbPatient2 p ON p.IdNum = s.IdNum "
        "WHERE m.CivilStatus IN ('1','2','3','4')"));
    QVERIFY2(!id.isEmpty(), "the demo has a patient with a stored family composition");
    auto w = open(id);
    const QString hosp = m_selection.HospNum;
    const QString membersBefore = scalar(
        QStringLiteral("SELECT group_concat(FamilyMember, '|') FROM MSS..tbMSSFamilyComposition WHERE HospNum = '%1'")
            .arg(hosp));
    const QString sheetBefore = scalar(
        QStringLiteral("SELECT Salary || '/' || ifnull(Education,'') FROM MSS..tbMSSIntakeSheet WHERE HospNum = '%1'")
            .arg(hosp));
    QVERIFY(!membersBefore.isEmpty());
    w->EnableEntry();
    if (w->txtCaseNo->text().isEmpty())
        w->txtCaseNo->setText(QStringLiteral("T-0004"));
    w->txtSalary->setText(QStringLiteral("99999"));
    w->txtEducation->setText(QStringLiteral("CHANGED"));

    // The member procedure fails after the sheet and the clearing have run.
    auto &c = m_hospital->connection();
    const QString original
        = scalar(QStringLiteral("SELECT source FROM MSS..mss_procedures WHERE name = 'sp_MSS_SaveFamilyComposition'"));
    c.storeProcedure(QStringLiteral("MSS"), QStringLiteral("sp_MSS_SaveFamilyComposition"),
        QStringLiteral("-- params: HospNum, FamilyMember, Relationship, Age, CivilStatus, Education, Address, "
                       "Occupation, Income, TotalIncome\nSELECT mss_error('disk full');"));
    // The session's connection keeps procedures it has prepared: make it read them again.
    auto *session = dynamic_cast<data::EmbeddedConnection *>(shell::Session().SharedConnection);
    QVERIFY(session);
    session->clearProcedureCache();
    QVERIFY(!w->save());
    c.storeProcedure(QStringLiteral("MSS"), QStringLiteral("sp_MSS_SaveFamilyComposition"), original);
    session->clearProcedureCache();

    QVERIFY(!w->IsSaved);
    QVERIFY(m_log->shown.last().text.contains(QStringLiteral("disk full")));
    QVERIFY(!shell::Session().SharedConnection->inTransaction());
    QCOMPARE(scalar(QStringLiteral(
                 "SELECT group_concat(FamilyMember, '|') FROM MSS..tbMSSFamilyComposition WHERE HospNum = '%1'")
                        .arg(hosp)),
        membersBefore);
    QCOMPARE(scalar(QStringLiteral(
                 "SELECT Salary || '/' || ifnull(Education,'') FROM MSS..tbMSSIntakeSheet WHERE HospNum = '%1'")
                        .arg(hosp)),
        sheetBefore);
}

void TestIntakeSheet::socialWorkerPickedOrNot()
{
    const QString id = scalar(QStringLiteral("SELECT min(IdNum) FROM PATIENT_DATA..tbPatient2"));
    test::RecordingConnection recording(shell::Session().SharedConnection);
    auto w = open(id, QStringLiteral("0"), shell::sessionWorkContext().on(&recording));
    w->WorkerCode = QStringLiteral("EARLIER");
    w->txtMSSW->setText(QStringLiteral("KEPT"));

    // Closed without a choice: the worker stays, nothing is looked up, nothing is said. The pick
    // list works on the sheet's connection and lists the workers as it opens; the sheet itself
    // sends nothing.
    recording.statements.clear(); // the opening's own
    ui::Messages::setDialogHandler([](QDialog &) { return int(QDialog::Rejected); });
    w->searchSocialWorker();
    QCOMPARE(recording.statements, QStringList { QStringLiteral("MSS..sp_MSS_GetEmployees ''") });
    recording.statements.clear(); // checked; the cases below need no recording
    QVERIFY(m_log->shown.isEmpty());
    QCOMPARE(w->WorkerCode, QStringLiteral("EARLIER"));
    QCOMPARE(w->txtMSSW->text(), QStringLiteral("KEPT"));
    w = open(id);
    w->WorkerCode = QStringLiteral("EARLIER");
    w->txtMSSW->setText(QStringLiteral("KEPT"));

    // A worker chosen who is no longer on file is said so, and the name stays.
    ui::Messages::setDialogHandler([](QDialog &dialog) {
        auto &listing = dynamic_cast<patients::frmEmployeeListing &>(dialog);
        listing.GridListWorkers->item(0, 1)->setText(QStringLiteral("NO-SUCH-WORKER"));
        listing.choose();
        return listing.result();
    });
    w->searchSocialWorker();
    QCOMPARE(m_log->texts(), QStringList { QStringLiteral("Employee No Longer Exists.") });
    QCOMPARE(m_log->shown.last().title, QStringLiteral("MESSAGE"));
    QCOMPARE(w->txtMSSW->text(), QStringLiteral("KEPT"));

    ui::Messages::setDialogHandler([](QDialog &dialog) {
        auto &listing = dynamic_cast<patients::frmEmployeeListing &>(dialog);
        listing.choose();
        return listing.result();
    });
    w->searchSocialWorker();
    QVERIFY(w->txtMSSW->text() != QLatin1String("KEPT"));
    QVERIFY(!w->WorkerCode.isEmpty() && w->WorkerCode != QLatin1String("NO-SUCH-WORKER"));
}

void TestIntakeSheet::storedSheetOverridesWhatItHolds()
{
    const QString id = scalar(QStringLiteral(
        "SELECT max(p.IdNum) FROM PATIENT_DATA..tbPatient2 p JOIN PATIENT_DATA..tbMaster m ON m.HospNum = p.HospNum "
        "WHERE m.CivilStatus IN ('1','2','3','4') AND ifnull(m.MSSNum, '') = '' AND p.IdNum < '%1' "
        "AND NOT EXISTS (SELECT 1 FROM MSS..tbMSSIntakeSheet s WHERE s.HospNum = p.HospNum)")
                                  .arg(scalar(QStringLiteral("SELECT max(IdNum) FROM PATIENT_DATA..tbPatient2"))));
    QVERIFY(!id.isEmpty());
    auto w = open(id);
    const QString lastName = w->txtLastname->text();
    w->txtCaseNo->setText(QStringLiteral("T-0007"));
    w->txtStatus->setText(QStringLiteral("SELF-EMPLOYED"));
    w->txtReferredBy->setText(QStringLiteral("DR. O'HARA"));
    w->txtTreatment->setText(QStringLiteral("DIALYSIS"));
    w->txtLastname->setText(QStringLiteral("TYPED ON THE SHEET"));
    w->cboClassCode->setEditText(QStringLiteral("C2"));
    w->txtClassification->setText(QStringLiteral("SERVICE C-2"));
    QVERIFY2(w->save(), m_log->shown.isEmpty() ? "" : qPrintable(m_log->shown.last().text));
    w.reset();

    auto again = open(id);
    QCOMPARE(again->txtCaseNo->text(), QStringLiteral("T-0007"));
    QCOMPARE(again->cboClassCode->currentText(), QStringLiteral("C2"));
    QCOMPARE(again->txtStatus->text(), QStringLiteral("SELF-EMPLOYED"));
    QCOMPARE(again->txtReferredBy->text(), QStringLiteral("DR. O'HARA"));
    QCOMPARE(again->txtTreatment->text(), QStringLiteral("DIALYSIS"));
    QCOMPARE(again->txtLastname->text(), lastName); // names come from the patient master
}

void TestIntakeSheet::codesFollowTheTextOnLeavingABox()
{
    const QString id = scalar(QStringLiteral("SELECT min(IdNum) FROM PATIENT_DATA..tbPatient2"));
    auto w = open(id);
    const QString category
        = scalar(QStringLiteral("SELECT category FROM MSS..tbMssCaseCategory ORDER BY categoryid DESC LIMIT 1"));
    const QString categoryId
        = scalar(QStringLiteral("SELECT categoryid FROM MSS..tbMssCaseCategory ORDER BY categoryid DESC LIMIT 1"));
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    w->cmbCategory->setEditText(category);
    QApplication::sendEvent(w->cmbCategory, &leave);
    QCOMPARE(w->categoryCode, categoryId);
    w->cmbCategory->setEditText(QStringLiteral("NO SUCH CATEGORY'"));
    QApplication::sendEvent(w->cmbCategory, &leave);
    QCOMPARE(w->categoryCode, categoryId); // no match keeps the code it had

    const QString status = scalar(QStringLiteral("SELECT CaseStatus FROM MSS..tbMSSActive ORDER BY Code LIMIT 1"));
    w->cbostatus->setEditText(status);
    QApplication::sendEvent(w->cbostatus, &leave);
    QCOMPARE(w->caseStatusCode, scalar(QStringLiteral("SELECT Code FROM MSS..tbMSSActive ORDER BY Code LIMIT 1")));

    // Choosing a classification code shows its name.
    const int last = w->cboClassCode->count() - 1;
    w->cboClassCode->setCurrentIndex(last);
    emit w->cboClassCode->activated(last);
    QCOMPARE(w->txtClassification->text(), w->ClassNames[last]);
}

void TestIntakeSheet::saveAndPrintOpensTheIntakeSheet()
{
    const QString id = scalar(QStringLiteral(
        "SELECT max(p.IdNum) FROM PATIENT_DATA..tbPatient2 p JOIN PATIENT_DATA..tbMaster m ON m.HospNum = p.HospNum "
        "WHERE m.CivilStatus IN ('1','2','3','4') AND ifnull(m.MSSNum, '') = ''"));
    auto w = open(id);
    QList<reports::frmReportViewer *> viewers;
    w->reportRunner().setViewerHost([&](reports::frmReportViewer *viewer) { viewers.append(viewer); });
    // A refused save prints nothing.
    w->txtCaseNo->clear();
    w->saveAndPrint();
    QVERIFY(viewers.isEmpty());

    w->txtCaseNo->setText(QStringLiteral("T-0005"));
    w->saveAndPrint();
    QCOMPARE(viewers.size(), 1);
    QCOMPARE(viewers.first()->windowTitle(), QStringLiteral("Intake Sheet Data"));
    qDeleteAll(viewers);
}

// Every field gets a value of its own, so a value stored under another field's name shows up as
// a mismatch. What the sheet reads back on opening is checked in the reopened window; what it
// stores but takes from the patient master or the admission on opening is checked where stored.
void TestIntakeSheet::everyValueComesBackInItsOwnPlace()
{
    const QString id = scalar(QStringLiteral(
        "SELECT min(p.IdNum) FROM PATIENT_DATA..tbPatient2 p JOIN PATIENT_DATA..tbMaster m ON m.HospNum = p.HospNum "
        "WHERE ifnull(m.MSSNum, '') = '' "
        "AND NOT EXISTS (SELECT 1 FROM MSS..tbMSSIntakeSheet s WHERE s.HospNum = p.HospNum) "
        "AND NOT EXISTS (SELECT 1 FROM MSS..tbMSSFamilyComposition f WHERE f.HospNum = p.HospNum)"));
    QVERIFY(!id.isEmpty());
    const QString statusCode = scalar(QStringLiteral("SELECT Code FROM MSS..tbMSSActive ORDER BY Code DESC LIMIT 1"));
    const QString statusText
        = scalar(QStringLiteral("SELECT CaseStatus FROM MSS..tbMSSActive ORDER BY Code DESC LIMIT 1"));
    const QDate interviewed(2024, 3, 5), expires(2025, 6, 7), referred(2023, 8, 9);

    // The employee stored with the sheet is the one the window was given, not the session's.
    ui::WorkContext work = shell::sessionWorkContext();
    QVERIFY(work.employeeCode != QLatin1String("MSS02"));
    work.employeeCode = QStringLiteral("MSS02");
    auto w = open(id, QStringLiteral("0"), work);
    w->EnableEntry();
    w->txtCaseNo->setText(QStringLiteral("RT-0001"));
    w->DTDateInterviewed->setDate(interviewed);
    w->txtExpiry->setDate(expires);
    w->cboClassCode->setEditText(QStringLiteral("ZQ")); // in no scheme: the sheet's own name shows
    w->txtClassification->setText(QStringLiteral("CLASS NAME"));
    w->cmbCategory->setEditText(QStringLiteral("CATEGORY TEXT"));
    w->categoryCode = QStringLiteral("91");
    w->chkSeniorCitizen->setChecked(true);
    w->cbostatus->setEditText(statusText);
    w->caseStatusCode = statusCode;
    w->chkActive->setChecked(true);
    w->txtWard->setText(QStringLiteral("WARD 7"));
    w->txtAdmissionDate->setText(QStringLiteral("01/02/2024"));

    w->txtLastname->setText(QStringLiteral("LAST"));
    w->txtFirstname->setText(QStringLiteral("FIRST"));
    w->txtMiddle->setText(QStringLiteral("MIDDLE"));
    w->txtAge->setText(QStringLiteral("41"));
    w->optSexFemale->setChecked(true);
    w->optCS->button(1)->setChecked(true);
    w->txtReligion->setText(QStringLiteral("RELIGION"));
    w->txtEducation->setText(QStringLiteral("EDUCATION"));
    w->txtOccupation->setText(QStringLiteral("OCCUPATION"));
    w->txtBirthdate->setText(QStringLiteral("04/05/1983"));
    w->txtBirthPlace->setText(QStringLiteral("BIRTHPLACE"));
    w->txtHouseStreet->setText(QStringLiteral("HOUSE STREET"));
    w->txtBarangay->setText(QStringLiteral("BARANGAY"));
    w->txtProvince->setText(QStringLiteral("TOWN, PROVINCE"));
    w->txtZipCode->setText(QStringLiteral("4321"));
    w->txtTelNo->setText(QStringLiteral("555-0101"));
    w->txtEmployer->setText(QStringLiteral("EMPLOYER"));
    w->txtStatus->setText(QStringLiteral("WORK STATUS"));
    w->txtEmploymentAd->setText(QStringLiteral("EMPLOYER ADDRESS"));
    w->txtSalary->setText(QStringLiteral("12345"));
    w->txtSSSMember->setText(QStringLiteral("SSS-1"));
    w->txtPhilhealth->setText(QStringLiteral("PHIL-2"));
    w->txtSourceInfo->setText(QStringLiteral("SOURCE"));

    w->cboReferringParty->setEditText(QStringLiteral("REFERRING PARTY"));
    w->referringPartyCode = QStringLiteral("RP9");
    w->txtReferredBy->setText(QStringLiteral("REFERRED BY"));
    w->DTDateReferred->setDate(referred);
    w->txtRefferAd->setText(QStringLiteral("REFERRAL ADDRESS"));
    w->txtDocDSWD->setText(QStringLiteral("DOC DSWD"));
    w->txtDocAOCert->setText(QStringLiteral("DOC AO"));
    w->txtDocCertEmploy->setText(QStringLiteral("DOC EMPLOYMENT"));
    w->txtDocMayorOff->setText(QStringLiteral("DOC MAYOR"));
    w->txtDocBrgyClear->setText(QStringLiteral("DOC BARANGAY"));
    w->txtDocOthers->setText(QStringLiteral("DOC OTHERS"));
    w->txtTreatment->setText(QStringLiteral("TREATMENT"));
    w->txtMDOtherInfo->setText(QStringLiteral("MD OTHER"));

    w->txtExpenses->setText(QStringLiteral("EXPENSES"));
    w->txtOtherResources->setText(QStringLiteral("RESOURCES"));
    w->chkAggressiveProb->setChecked(true); // the only ticked problem: it alone is stored as 1
    w->optIrregular->setChecked(true);
    w->txtOtherProb->setText(QStringLiteral("OTHER PROBLEM"));
    w->txtDiagnostic->setPlainText(QStringLiteral("DIAGNOSTIC"));
    w->txtGoalPlan->setPlainText(QStringLiteral("GOALS"));
    w->txtActionTaken->setPlainText(QStringLiteral("ACTION"));
    w->txtMSSW->setText(QStringLiteral("SOCIAL WORKER"));

    const QStringList member
        = { QStringLiteral("MEMBER NAME"), QStringLiteral("RELATION"), QStringLiteral("33"), QStringLiteral("CIVIL"),
              QStringLiteral("SCHOOLING"), QStringLiteral("ADDRESS"), QStringLiteral("JOB"), QStringLiteral("4500") };
    QTableWidget *grid = w->family().FCFlexGrid;
    for (int c = 0; c < member.size(); ++c)
        grid->setItem(0, c, new QTableWidgetItem(member[c]));
    w->txtTotFamIncome->setText(QStringLiteral("9876")); // typed over: the save stores the sum

    QVERIFY2(w->save(), m_log->shown.isEmpty() ? "" : qPrintable(m_log->shown.last().text));
    w.reset();

    const QString hosp = m_selection.HospNum;
    data::Recordset sheet = m_hospital->connection().open(
        QStringLiteral("SELECT * FROM MSS..tbMSSIntakeSheet WHERE HospNum = '%1'").arg(hosp));
    QCOMPARE(sheet.recordCount(), 1);
    const QList<std::pair<const char *, QString>> stored
        = { { "LastName", QStringLiteral("LAST") }, { "FirstName", QStringLiteral("FIRST") },
              { "MiddleName", QStringLiteral("MIDDLE") }, { "Age", QStringLiteral("41") },
              { "Sex", QStringLiteral("Female") }, { "CivilStatus", QStringLiteral("Separated") },
              { "Religion", QStringLiteral("RELIGION") }, { "Occupation", QStringLiteral("OCCUPATION") },
              { "BirthPlace", QStringLiteral("BIRTHPLACE") }, { "HouseStreet", QStringLiteral("HOUSE STREET") },
              { "Barangay", QStringLiteral("BARANGAY") }, { "TownProvince", QStringLiteral("TOWN, PROVINCE") },
              { "ZipCode", QStringLiteral("4321") }, { "TelNo", QStringLiteral("555-0101") },
              { "Employer", QStringLiteral("EMPLOYER") }, { "EmployerAddress", QStringLiteral("EMPLOYER ADDRESS") },
              { "SSSMember", QStringLiteral("SSS-1") }, { "Philhealth", QStringLiteral("PHIL-2") },
              { "Ward", QStringLiteral("WARD 7") }, { "IdNum", id }, { "UserID", QStringLiteral("MSS02") } };
    for (const auto &[column, value] : stored)
        QCOMPARE(sheet.text(QString::fromLatin1(column)), value);
    QCOMPARE(data::parseDateTime(sheet.text(QStringLiteral("BirthDate")))->date(), QDate(1983, 4, 5));
    QCOMPARE(data::parseDateTime(sheet.text(QStringLiteral("AdmissionDate")))->date(), QDate(2024, 1, 2));
    QCOMPARE(data::parseDateTime(sheet.text(QStringLiteral("DateInterviewed")))->date(), interviewed);
    const QString problems = scalar(QStringLiteral("SELECT FinancialProb || Difficulty || Aggressiveness || Refusal "
                                                   "FROM MSS..tbMSSIntakeSheet WHERE HospNum = '%1'")
                                        .arg(hosp));
    QCOMPARE(problems, QStringLiteral("0010"));

    auto again = open(id);
    QCOMPARE(again->txtCaseNo->text(), QStringLiteral("RT-0001"));
    QCOMPARE(again->DTDateInterviewed->date(), interviewed);
    QCOMPARE(again->txtExpiry->date(), expires);
    QCOMPARE(again->cboClassCode->currentText(), QStringLiteral("ZQ"));
    QCOMPARE(again->txtClassification->text(), QStringLiteral("CLASS NAME"));
    QCOMPARE(again->cmbCategory->currentText(), QStringLiteral("CATEGORY TEXT"));
    QCOMPARE(again->categoryCode, QStringLiteral("91"));
    QVERIFY(again->chkSeniorCitizen->isChecked());
    QCOMPARE(again->cbostatus->currentText(), statusText);
    QCOMPARE(again->caseStatusCode, statusCode);
    QVERIFY(again->chkActive->isChecked());
    QCOMPARE(again->txtEducation->text(), QStringLiteral("EDUCATION"));
    QCOMPARE(again->txtStatus->text(), QStringLiteral("WORK STATUS"));
    QCOMPARE(again->txtSalary->text(), QStringLiteral("12345"));
    QCOMPARE(again->txtSourceInfo->text(), QStringLiteral("SOURCE"));
    QCOMPARE(again->cboReferringParty->currentText(), QStringLiteral("REFERRING PARTY"));
    QCOMPARE(again->referringPartyCode, QStringLiteral("RP9"));
    QCOMPARE(again->txtReferredBy->text(), QStringLiteral("REFERRED BY"));
    QCOMPARE(again->DTDateReferred->date(), referred);
    QCOMPARE(again->txtRefferAd->text(), QStringLiteral("REFERRAL ADDRESS"));
    QCOMPARE(again->txtDocDSWD->text(), QStringLiteral("DOC DSWD"));
    QCOMPARE(again->txtDocAOCert->text(), QStringLiteral("DOC AO"));
    QCOMPARE(again->txtDocCertEmploy->text(), QStringLiteral("DOC EMPLOYMENT"));
    QCOMPARE(again->txtDocMayorOff->text(), QStringLiteral("DOC MAYOR"));
    QCOMPARE(again->txtDocBrgyClear->text(), QStringLiteral("DOC BARANGAY"));
    QCOMPARE(again->txtDocOthers->text(), QStringLiteral("DOC OTHERS"));
    QCOMPARE(again->txtTreatment->text(), QStringLiteral("TREATMENT"));
    QCOMPARE(again->txtMDOtherInfo->text(), QStringLiteral("MD OTHER"));
    QCOMPARE(again->txtExpenses->text(), QStringLiteral("EXPENSES"));
    QCOMPARE(again->txtOtherResources->text(), QStringLiteral("RESOURCES"));
    QVERIFY(again->chkAggressiveProb->isChecked());
    QVERIFY(!again->chkFinancialProb->isChecked() && !again->chkDifficultyProb->isChecked()
        && !again->chkRefusalProb->isChecked());
    QVERIFY(again->optIrregular->isChecked());
    QCOMPARE(again->txtOtherProb->text(), QStringLiteral("OTHER PROBLEM"));
    QCOMPARE(again->txtDiagnostic->toPlainText(), QStringLiteral("DIAGNOSTIC"));
    QCOMPARE(again->txtGoalPlan->toPlainText(), QStringLiteral("GOALS"));
    QCOMPARE(again->txtActionTaken->toPlainText(), QStringLiteral("ACTION"));
    QCOMPARE(again->txtMSSW->text(), QStringLiteral("SOCIAL WORKER"));

    QCOMPARE(again->FCFlexGrid->rowCount(), 1);
    for (int c = 0; c < member.size(); ++c)
        QCOMPARE(again->family().cell(0, c), member[c]);
    QCOMPARE(again->txtTotFamIncome->text(), QStringLiteral("4500"));
}

// Enter takes the social worker through the sheet in the order of the interview, which is not
// the order of the form.
void TestIntakeSheet::enterFollowsTheInterview()
{
    const QString id = scalar(QStringLiteral("SELECT min(IdNum) FROM PATIENT_DATA..tbPatient2"));
    auto w = open(id);
    w->EnableEntry();
    w->txtMSSW->setText(QStringLiteral("ALREADY CHOSEN")); // Enter there would otherwise open the pick list
    QApplication::setActiveWindow(w.get());
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    auto walk = [&](QWidget *start, int steps) {
        start->setFocus();
        QStringList path = { start->objectName() };
        for (int i = 0; i < steps; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            path.append(QApplication::focusWidget()->objectName());
        }
        return path.join(QLatin1Char(' '));
    };
    QCOMPARE(walk(w->txtLastname, 3), QStringLiteral("txtLastname txtFirstname txtMiddle txtAge"));
    QCOMPARE(walk(w->txtBirthdate, 3), QStringLiteral("txtBirthdate txtBirthPlace txtHouseStreet txtBarangay"));
    QCOMPARE(walk(w->txtTelNo, 19),
        QStringLiteral("txtTelNo txtEducation txtOccupation txtReligion txtEmployer txtStatus txtEmploymentAd "
                       "txtSalary txtSSSMember txtPhilhealth txtSourceInfo txtReferredBy DTDateReferred txtRefferAd "
                       "txtDocDSWD txtDocAOCert txtDocCertEmploy txtDocMayorOff txtDocBrgyClear txtDocOthers"));
    w->SSTab1->setCurrentIndex(1);
    QCOMPARE(walk(w->txtChiefComp, 5),
        QStringLiteral("txtChiefComp txtDiagnosis txtTreatment txtMDOtherInfo txtOtherResources txtExpenses"));
    QCOMPARE(w->SSTab1->currentIndex(), 2);
    QCOMPARE(walk(w->txtOtherProb, 4), QStringLiteral("txtOtherProb txtDiagnostic txtGoalPlan txtActionTaken cmdSave"));

    // Fields whose Enter does something of its own keep the cursor.
    w->chkFinancialProb->setChecked(false);
    QCOMPARE(walk(w->txtExpenses, 1), QStringLiteral("txtExpenses txtExpenses"));
    QVERIFY(w->chkFinancialProb->isChecked());
    w->optSexFemale->setChecked(true);
    w->SSTab1->setCurrentIndex(0);
    QCOMPARE(walk(w->txtAge, 1), QStringLiteral("txtAge txtAge"));
    QVERIFY(w->optSexMale->isChecked());
    QCOMPARE(walk(w->txtMSSW, 1), QStringLiteral("txtMSSW txtMSSW"));
    QVERIFY(m_log->shown.isEmpty());
}

QTEST_MAIN(TestIntakeSheet)
#include "tst_intakesheet.moc"
