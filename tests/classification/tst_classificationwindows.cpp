// Correcting a patient's type, class history and MSS number as a social worker does it: the
// expiry check on a chosen day, the rights prompt, the stated reason, and what is stored.
#include "auth/currentuser.h"
#include "auth/lockout.h"
#include "classification/frmcomputediscount.h"
#include "classification/frmdeletepassword.h"
#include "classification/frmeditclass.h"
#include "classification/frmeditmssnumber.h"
#include "db/demodata.h"
#include "patients/patientselection.h"
#include "session/sessionstate.h"
#include "support/billfixture.h"
#include "support/demohospital.h"
#include "support/fakeconnections.h"
#include "support/messagelog.h"
#include "support/sessionfixture.h"
#include "ui/messages.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QtTest>

using namespace mss;
using classification::frmDeletePassword;
using classification::frmEditClass;

class TestClassificationWindows : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void openingShowsTheAdmissionsType();
    void payIsCheckedAgainstTheStoredExpiry_data();
    void payIsCheckedAgainstTheStoredExpiry();
    void serviceIsNeverChecked();
    void historyShowsTheEntriesUnderItsHeader();
    void deletionNeedsAReasonOfSixCharacters_data();
    void deletionNeedsAReasonOfSixCharacters();
    void deletionWithAnEmptyHistorySendsEmptyValues();
    void promptAcceptsOnlyTheUsersCodeAndPassword();
    void refusedPromptIsAnUnauthorizedUser();
    void newMssNumberIsStoredOrRefusedOnce();
    void windowsOpenedWithoutAConnectionSaySo();

private:
    // A fresh in-patient of its own (a service admission) and the selection that points at it.
    QString admit(const QString &classification = {}, const QString &expiryIso = {});
    std::unique_ptr<frmEditClass> open(data::Connection *connection = nullptr);
    QString scalar(const QString &statement) { return test::scalar(m_hospital->connection(), statement); }
    // The prompt answered with a text; Escape when the text is empty.
    void answerPrompt(const QString &typed);

    std::unique_ptr<test::DemoHospital> m_hospital;
    patients::PatientSelection m_selection;
    std::optional<test::MessageLog> m_log;
    int m_serial = 0;
};

void TestClassificationWindows::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_hospital = std::make_unique<test::DemoHospital>();
    QVERIFY(test::startDemoSession(m_hospital->folder()));
}

void TestClassificationWindows::cleanupTestCase()
{
    test::endDemoSession();
}

void TestClassificationWindows::init()
{
    m_log.emplace();
}

void TestClassificationWindows::cleanup()
{
    m_log.reset();
    ui::Messages::setDialogHandler(nullptr);
    ui::Messages::setPromptHandler(nullptr);
}

QString TestClassificationWindows::admit(const QString &classification, const QString &expiryIso)
{
    ++m_serial;
    const QString hosp = QStringLiteral("T8%1").arg(m_serial, 5, 10, QLatin1Char('0'));
    const QString id = QStringLiteral("098%1").arg(m_serial, 5, 10, QLatin1Char('0'));
    test::BillFixture bills(m_hospital->connection());
    bills.patient(hosp);
    bills.inPatient(id, hosp);
    m_hospital->connection().execute(
        QStringLiteral("UPDATE PATIENT_DATA..tbMaster SET MSSNum = '%1', MSSClassification = %2, "
                       "MSSDiscountExpiry = %3 WHERE HospNum = '%4'")
            .arg(QStringLiteral("26-9%1").arg(m_serial, 5, 10, QLatin1Char('0')),
                classification.isEmpty() ? QStringLiteral("NULL")
                                         : QLatin1Char('\'') + classification + QLatin1Char('\''),
                expiryIso.isEmpty() ? QStringLiteral("NULL") : QLatin1Char('\'') + expiryIso + QLatin1Char('\''),
                hosp));
    m_selection = {};
    m_selection.HospNum = hosp;
    m_selection.IDNUM = id;
    m_selection.PatientName = QStringLiteral("DELA CRUZ, JUANA REYES");
    m_selection.MSSID
        = scalar(QStringLiteral("SELECT MSSNum FROM PATIENT_DATA..tbMaster WHERE HospNum = '%1'").arg(hosp));
    return id;
}

std::unique_ptr<frmEditClass> TestClassificationWindows::open(data::Connection *connection)
{
    // Opened as the main window opens it: on the session's connection, for the session's user.
    auto window = std::make_unique<frmEditClass>(
        m_selection, connection ? connection : shell::Session().SharedConnection, shell::Session().CurrentUser.get());
    window->today = [] { return QDate(2026, 12, 9); };
    window->load();
    return window;
}

void TestClassificationWindows::answerPrompt(const QString &typed)
{
    ui::Messages::setDialogHandler([typed](QDialog &dialog) {
        auto *prompt = qobject_cast<frmDeletePassword *>(&dialog);
        if (!prompt)
            return int(QDialog::Rejected);
        if (typed.isEmpty())
            return int(QDialog::Rejected); // Escape
        prompt->txtPassword->setText(typed);
        QTest::keyClick(prompt->txtPassword, Qt::Key_Return);
        return prompt->result();
    });
}

void TestClassificationWindows::openingShowsTheAdmissionsType()
{
    const QString id = admit();
    auto w = open();
    QCOMPARE(w->txtIDNum->text(), id);
    QCOMPARE(w->txtHospNo->text(), m_selection.HospNum);
    QCOMPARE(w->txtMSSno->text(), m_selection.MSSID);
    QCOMPARE(w->txtName->text(), m_selection.PatientName);
    QVERIFY(w->optService->isChecked());
    QCOMPARE(w->optClass->checkedId(), 1);

    m_hospital->connection().execute(
        QStringLiteral("UPDATE PATIENT_DATA..tbPatient2 SET PatientClass = 'P' WHERE IdNum = '%1'").arg(id));
    QCOMPARE(open()->optClass->checkedId(), 0);

    // An out-patient visit is read from the out-patient table; an unknown one leaves both clear.
    test::RecordingConnection recording(shell::Session().SharedConnection);
    m_selection.IDNUM = QStringLiteral(" OT404 ");
    QCOMPARE(open(&recording)->optClass->checkedId(), -1);
    QCOMPARE(recording.statements,
        QStringList({ QStringLiteral("SELECT left(isnull(PatientType,''),1) [PatientClass] FROM "
                                     "PATIENT_DATA..tbOutPatient WHERE IdNum = 'OT404'") }));
}

void TestClassificationWindows::payIsCheckedAgainstTheStoredExpiry_data()
{
    QTest::addColumn<QString>("classification");
    QTest::addColumn<QString>("expiry");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("refusal");
    const QDate day(2026, 12, 9);
    QTest::newRow("expired yesterday") << "C1"
                                       << "2026-12-08" << day << QString();
    QTest::newRow("expires today") << "C1"
                                   << "2026-12-09" << day << QString();
    QTest::newRow("no classification, no expiry") << QString() << QString() << day << QString();
    QTest::newRow("12/31 of last year in January") << "C2"
                                                   << "2026-12-31" << QDate(2027, 1, 15) << QString();
    QTest::newRow("expires next month")
        << "C1"
        << "2027-01-09" << day
        << "You cannot Change the classification to Service \n because the patient has an existing classification "
           "of C1\n which will expire on 01/09/2027";
    QTest::newRow("classified without an expiry")
        << "D" << QString() << day
        << "You cannot Change the classification to Service \n because the patient has an existing classification "
           "of D\n which will expire on ";
}

void TestClassificationWindows::payIsCheckedAgainstTheStoredExpiry()
{
    QFETCH(QString, classification);
    QFETCH(QString, expiry);
    QFETCH(QDate, today);
    QFETCH(QString, refusal);
    const QString id = admit(classification, expiry);
    auto w = open();
    w->today = [today] { return today; };
    const int history
        = scalar(QStringLiteral("SELECT count(*) FROM MSS..tbMSSPatClassHistory WHERE IdNum = '%1'").arg(id)).toInt();
    w->optPay->click();
    w->cmdSave->click();
    if (refusal.isEmpty()) {
        QCOMPARE(m_log->texts(), QStringList({ QStringLiteral("Record Updated") }));
        QCOMPARE(m_log->shown[0].icon, QMessageBox::Information);
        QCOMPARE(w->result(), int(QDialog::Accepted));
        QCOMPARE(scalar(QStringLiteral("SELECT PatientClass FROM PATIENT_DATA..tbPatient2 WHERE IdNum = '%1'").arg(id)),
            QStringLiteral("P"));
        QCOMPARE(scalar(QStringLiteral("SELECT UserID FROM MSS..tbMSSPatClassHistory WHERE IdNum = '%1' ORDER BY "
                                       "HistoryID DESC LIMIT 1")
                            .arg(id)),
            QString::fromLatin1(data::kDemoAdministrator.code));
    } else {
        QCOMPARE(m_log->texts(), QStringList({ refusal }));
        QCOMPARE(m_log->shown[0].title, QStringLiteral("Message"));
        QCOMPARE(m_log->shown[0].icon, QMessageBox::Warning);
        QVERIFY(w->optPay->isChecked());
        QCOMPARE(w->result(), int(QDialog::Rejected));
        QCOMPARE(scalar(QStringLiteral("SELECT PatientClass FROM PATIENT_DATA..tbPatient2 WHERE IdNum = '%1'").arg(id)),
            QStringLiteral("S"));
        QCOMPARE(
            scalar(QStringLiteral("SELECT count(*) FROM MSS..tbMSSPatClassHistory WHERE IdNum = '%1'").arg(id)).toInt(),
            history);
    }
}

void TestClassificationWindows::serviceIsNeverChecked()
{
    const QString id = admit(QStringLiteral("C1"), QStringLiteral("2027-06-30"));
    m_hospital->connection().execute(
        QStringLiteral("UPDATE PATIENT_DATA..tbPatient2 SET PatientClass = 'P' WHERE IdNum = '%1'").arg(id));
    test::RecordingConnection recording(shell::Session().SharedConnection);
    auto w = open(&recording);
    recording.statements.clear();
    w->optService->click();
    QVERIFY(w->save());
    QCOMPARE(recording.statements,
        QStringList({ QStringLiteral("MSS..sp_MSS_UpdatePatientClass '%1','S','MSS01'").arg(id) }));
    QCOMPARE(scalar(QStringLiteral("SELECT PatientClass FROM PATIENT_DATA..tbPatient2 WHERE IdNum = '%1'").arg(id)),
        QStringLiteral("S"));
}

void TestClassificationWindows::historyShowsTheEntriesUnderItsHeader()
{
    const QString id = admit();
    auto w = open();
    w->show();
    const int narrow = w->width();
    w->cmdPrev->click();
    QVERIFY(w->fraHistory->isVisible());
    QVERIFY(w->width() > narrow * 3 / 2);
    QCOMPARE(w->grdClassHistory->rowCount(), 0);
    QCOMPARE(w->grdClassHistory->horizontalHeaderItem(1)->text(), QStringLiteral("Transdate"));
    QCOMPARE(w->grdClassHistory->horizontalHeaderItem(4)->text(), QStringLiteral("UserName"));

    w->optPay->click();
    w->save();
    auto again = open();
    again->show();
    again->optService->click();
    again->save();
    auto third = open();
    third->show();
    third->cmdPrev->click();
    QCOMPARE(third->grdClassHistory->rowCount(), 2);
    QCOMPARE(third->grdClassHistory->item(0, 2)->text(), QStringLiteral("P"));
    QCOMPARE(third->grdClassHistory->item(1, 2)->text(), QStringLiteral("S"));
    QCOMPARE(third->grdClassHistory->item(1, 3)->text(), QStringLiteral("MSS01"));
    third->cmdBack->click();
    QVERIFY(!third->fraHistory->isVisible());
}

void TestClassificationWindows::deletionNeedsAReasonOfSixCharacters_data()
{
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("five letters") << "WRONG" << false;
    QTest::newRow("six blanks") << "      " << false;
    QTest::newRow("five letters among blanks") << "   WRONG   " << false;
    QTest::newRow("cancelled") << QString() << false;
    QTest::newRow("six letters") << "ERRONE" << true;
    QTest::newRow("quotes, blanks kept") << "  PATIENT'S TYPE WAS 'P' BY MISTAKE  " << true;
    QTest::newRow("two thousand characters") << QString(2000, QLatin1Char('X')) << true;
}

void TestClassificationWindows::deletionNeedsAReasonOfSixCharacters()
{
    QFETCH(QString, reason);
    QFETCH(bool, accepted);
    const QString id = admit();
    m_hospital->connection().execute(
        QStringLiteral("INSERT INTO MSS..tbMSSPatClassHistory (IdNum, HospNum, TransDate, PatientClass, UserID) VALUES "
                       "('%1', '%2', '2026-12-01 14:00:00', 'P', 'MSS02'), ('%1', '%2', '2026-12-02 09:00:00', 'S', "
                       "'MSS02')")
            .arg(id, m_selection.HospNum));
    test::RecordingConnection recording(shell::Session().SharedConnection);
    auto w = open(&recording);
    w->show();
    w->cmdPrev->click();
    QCOMPARE(w->grdClassHistory->rowCount(), 2);
    answerPrompt(QStringLiteral("MSS01mss-admin"));
    ui::Messages::setPromptHandler([reason](const QString &text, const QString &title) -> std::optional<QString> {
        if (text != QLatin1String("Enter Reason for deleting the Class History: ")
            || title != QLatin1String("Update Record"))
            return QStringLiteral("WRONG PROMPT");
        if (reason.isNull())
            return std::nullopt;
        return reason;
    });
    recording.statements.clear();
    QTest::keyClick(w->grdClassHistory, Qt::Key_F10);

    if (!accepted) {
        QCOMPARE(m_log->texts(),
            QStringList({ QStringLiteral("Deletion Unsuccessful. \nYou must have a reason for deleting the record. "
                                         "\nHwag ka na po mahiya. tell us your reason.") }));
        QCOMPARE(m_log->shown[0].icon, QMessageBox::Critical);
        QVERIFY(recording.statements.isEmpty());
        QCOMPARE(w->grdClassHistory->rowCount(), 2);
        return;
    }
    QString sent = reason;
    sent.replace(QLatin1Char('\''), QStringLiteral("''"));
    QCOMPARE(recording.statements.value(0),
        QStringLiteral("sp_MSS_SavePatClassHistory_Deletion '%1','S','%2','2026-12-02 09:00:00','2026-12-02 "
                       "09:00:00','MSS01'")
            .arg(id, sent));
    QCOMPARE(m_log->texts(), QStringList({ QStringLiteral("Record Successfully deleted.") }));
    QCOMPARE(w->grdClassHistory->rowCount(), 1);
    QCOMPARE(w->grdClassHistory->item(0, 2)->text(), QStringLiteral("P"));
    QCOMPARE(scalar(QStringLiteral("SELECT Reason FROM MSS..tbMSSPatClassHistoryDeletion WHERE IdNum = '%1'").arg(id)),
        reason);
}

void TestClassificationWindows::deletionWithAnEmptyHistorySendsEmptyValues()
{
    const QString id = admit();
    test::RecordingConnection recording(shell::Session().SharedConnection);
    auto w = open(&recording);
    w->show();
    w->cmdPrev->click();
    QCOMPARE(w->grdClassHistory->rowCount(), 0);
    answerPrompt(QStringLiteral("mss01mss-admin"));
    ui::Messages::setPromptHandler([](const QString &, const QString &) { return QStringLiteral("NO ENTRY AT ALL"); });
    recording.statements.clear();
    w->mnuDelete->trigger();
    QCOMPARE(recording.statements.value(0),
        QStringLiteral("sp_MSS_SavePatClassHistory_Deletion '%1','','NO ENTRY AT ALL','','','MSS01'").arg(id));
    QCOMPARE(m_log->texts(), QStringList({ QStringLiteral("Record Successfully deleted.") }));
}

void TestClassificationWindows::promptAcceptsOnlyTheUsersCodeAndPassword()
{
    const suite::clsCurrentUser &admin = *shell::Session().CurrentUser;
    suite::clsCurrentUser worker;
    suite::DataSource source;
    source.folder = m_hospital->folder();
    QString error;
    QVERIFY2(worker.logOn(source, QString::fromLatin1(data::kDemoWorker.code),
                 QString::fromLatin1(data::kDemoWorker.password), &error),
        qPrintable(error));

    struct Case {
        const suite::clsCurrentUser *user;
        const char *typed;
        bool accepted;
    };
    const Case cases[] = {
        { &admin, "MSS01mss-admin", true }, { &admin, "mss01mss-admin", true }, // the code in any letter case
        { &admin, "Mss01mss-admin", true }, { &admin, "MSS01MSS-ADMIN", false }, // the password exactly as set
        { &admin, "MSS01", false }, { &admin, "mss-admin", false }, { &admin, "MSS02mss-admin", false },
        { &admin, "MSS01mss-admin ", false }, { &worker, "MSS02mss-worker", false }, // right password, no "A" right
    };
    for (const Case &c : cases) {
        // Which texts pass is the point here; how wrong ones add up is checked below.
        suite::UserLockout(m_hospital->connection()).clear(QString::fromLatin1(data::kDemoAdministrator.code));
        m_log.emplace();
        frmDeletePassword prompt(c.user);
        prompt.setGetForm(2);
        prompt.show();
        QVERIFY(!prompt.DeleteOK());
        QCOMPARE(prompt.property("GetForm").toInt(), 2);
        prompt.txtPassword->setText(QString::fromLatin1(c.typed));
        QTest::keyClick(prompt.txtPassword, Qt::Key_Return);
        QCOMPARE(prompt.DeleteOK(), c.accepted);
        QCOMPARE(prompt.property("DeleteOK").toBool(), c.accepted);
        QCOMPARE(prompt.isVisible(), !c.accepted);
        QCOMPARE(m_log->texts(), c.accepted ? QStringList() : QStringList({ QStringLiteral("Password not valid!") }));
        QCOMPARE(prompt.txtPassword->echoMode(), QLineEdit::Password);
    }
    // Shown again, the prompt starts over unaccepted.
    suite::UserLockout(m_hospital->connection()).clear(QString::fromLatin1(data::kDemoAdministrator.code));
    frmDeletePassword prompt(&admin);
    prompt.txtPassword->setText(QStringLiteral("MSS01mss-admin"));
    prompt.cmdEnter->click();
    QVERIFY(prompt.DeleteOK());
    prompt.show();
    QVERIFY(!prompt.DeleteOK());

    // Wrong texts count toward the user's lock-out as wrong log-ons do: the fifth locks the user
    // out, and then even the right text is refused, with the reason.
    m_log.emplace();
    for (int i = 0; i < 5; ++i) {
        prompt.txtPassword->setText(QStringLiteral("MSS01guess-%1").arg(i));
        prompt.cmdEnter->click();
    }
    QCOMPARE(scalar(QStringLiteral("SELECT FailedLogOns FROM MSS..tbMSSUser WHERE UserCode = 'MSS01'")),
        QStringLiteral("5"));
    prompt.txtPassword->setText(QStringLiteral("MSS01mss-admin"));
    prompt.cmdEnter->click();
    QVERIFY(!prompt.DeleteOK());
    QCOMPARE(m_log->texts().size(), 6);
    QCOMPARE(m_log->texts().mid(0, 4), QStringList(4, QStringLiteral("Password not valid!")));
    QVERIFY2(m_log->texts().last().startsWith(QStringLiteral("Too many wrong passwords for user MSS01.")),
        qPrintable(m_log->texts().last()));
    suite::UserLockout(m_hospital->connection()).clear(QString::fromLatin1(data::kDemoAdministrator.code));
}

void TestClassificationWindows::refusedPromptIsAnUnauthorizedUser()
{
    const QString id = admit();
    m_hospital->connection().execute(
        QStringLiteral("INSERT INTO MSS..tbMSSPatClassHistory (IdNum, HospNum, TransDate, PatientClass, UserID) VALUES "
                       "('%1', '%2', '2026-12-01 14:00:00', 'P', 'MSS02')")
            .arg(id, m_selection.HospNum));
    auto w = open();
    w->show();
    w->cmdPrev->click();
    bool asked = false;
    ui::Messages::setPromptHandler([&asked](const QString &, const QString &) {
        asked = true;
        return QStringLiteral("SHOULD NOT BE ASKED");
    });

    answerPrompt(QString()); // Escape
    QTest::keyClick(w.get(), Qt::Key_F10);
    QCOMPARE(m_log->texts(), QStringList({ QStringLiteral("Unauthorized User.") }));
    QCOMPARE(m_log->shown[0].icon, QMessageBox::Information);

    m_log.emplace();
    answerPrompt(QStringLiteral("MSS01wrong")); // refused, then the prompt is closed
    w->mnuDelete->trigger();
    QCOMPARE(
        m_log->texts(), QStringList({ QStringLiteral("Password not valid!"), QStringLiteral("Unauthorized User.") }));
    QVERIFY(!asked);
    QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM MSS..tbMSSPatClassHistory WHERE IdNum = '%1'").arg(id)),
        QStringLiteral("1"));
}

void TestClassificationWindows::newMssNumberIsStoredOrRefusedOnce()
{
    admit();
    const QString other = scalar(
        QStringLiteral("SELECT MSSNum FROM PATIENT_DATA..tbMaster WHERE MSSNum <> '' AND HospNum <> '%1' LIMIT 1")
            .arg(m_selection.HospNum));
    QVERIFY(!other.isEmpty());
    test::RecordingConnection recording(shell::Session().SharedConnection);
    classification::frmEditMSSNumber w(m_selection, &recording);
    QCOMPARE(w.txtHospNo->text(), m_selection.HospNum);
    QCOMPARE(w.txtMSSno->text(), m_selection.MSSID);
    QCOMPARE(w.txtName->text(), m_selection.PatientName);

    w.txtNewMSSNo->setText(QStringLiteral(" 26-O'NEIL "));
    w.cmdUpdate->click();
    QCOMPARE(recording.statements,
        QStringList({ QStringLiteral("MSS..sp_MSS_GetExistsMSSNumber '26-O''NEIL', '%1'").arg(m_selection.HospNum),
            QStringLiteral("MSS..sp_MSS_UpdateMSSNumber '%1','26-O''NEIL'").arg(m_selection.HospNum) }));
    QCOMPARE(m_log->texts(), QStringList({ QStringLiteral("Records Successfully Updated") }));
    QCOMPARE(m_log->shown[0].title, QStringLiteral("Message"));
    QCOMPARE(
        scalar(
            QStringLiteral("SELECT MSSNum FROM PATIENT_DATA..tbMaster WHERE HospNum = '%1'").arg(m_selection.HospNum)),
        QStringLiteral("26-O'NEIL"));

    // Refused: each shown once, the number kept, the window open. Another patient's number is
    // refused in words before the database is asked.
    for (const QString &refused : { QString(), QStringLiteral("26-12345678"), other }) {
        m_log.emplace();
        w.txtNewMSSNo->setText(refused);
        w.cmdUpdate->click();
        QCOMPARE(m_log->shown.size(), 1);
        QCOMPARE(m_log->shown[0].icon, refused == other ? QMessageBox::Warning : QMessageBox::Critical);
        QCOMPARE(scalar(QStringLiteral("SELECT MSSNum FROM PATIENT_DATA..tbMaster WHERE HospNum = '%1'")
                            .arg(m_selection.HospNum)),
            QStringLiteral("26-O'NEIL"));
    }
}

// A window is given its connection by its opener; opened without one, it says so and touches
// nothing, rather than working on whatever connection the session happens to hold.
void TestClassificationWindows::windowsOpenedWithoutAConnectionSaySo()
{
    admit();
    const QString noConnection = QStringLiteral("There is no open connection. (error 3704, %1)");

    classification::frmEditMSSNumber number(m_selection, nullptr);
    number.txtNewMSSNo->setText(QStringLiteral("26-NOWHERE"));
    number.cmdUpdate->click();
    QCOMPARE(m_log->texts(), QStringList { noConnection.arg(number.windowTitle()) });
    QCOMPARE(m_log->shown[0].title, number.windowTitle());
    QCOMPARE(number.txtMSSno->text(), m_selection.MSSID);
    QCOMPARE(
        scalar(
            QStringLiteral("SELECT MSSNum FROM PATIENT_DATA..tbMaster WHERE HospNum = '%1'").arg(m_selection.HospNum)),
        m_selection.MSSID);

    m_log->shown.clear();
    frmEditClass cls(m_selection, nullptr, shell::Session().CurrentUser.get());
    QVERIFY_THROWS_EXCEPTION(data::DbError, cls.load());
    cls.optPay->setChecked(true);
    cls.cmdSave->click();
    QCOMPARE(m_log->texts(), QStringList { noConnection.arg(cls.windowTitle()) });
    QCOMPARE(scalar(QStringLiteral("SELECT PatientClass FROM PATIENT_DATA..tbPatient2 WHERE IdNum = '%1'")
                        .arg(m_selection.IDNUM)),
        QStringLiteral("S"));

    classification::frmComputeDiscount discount(m_selection, nullptr);
    QVERIFY_THROWS_EXCEPTION(data::DbError, discount.load());
}

QTEST_MAIN(TestClassificationWindows)
#include "tst_classificationwindows.moc"
