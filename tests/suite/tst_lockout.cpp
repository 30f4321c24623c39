// The lock-out after wrong passwords, kept with the user in the database: it survives a restart
// and other workstations, grows with repeated lock-outs and ends with a good log-on or the
// administrator's unlock. And the rules for passwords.
#include "auth/currentuser.h"
#include "auth/lockout.h"
#include "auth/logonthrottle.h"
#include "data/embedded.h"
#include "db/demodata.h"
#include "db/password.h"
#include "support/demohospital.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace mss;
using suite::clsCurrentUser;
using suite::DataSource;
using suite::UserLockout;

namespace {

DataSource embeddedAt(const QString &folder)
{
    DataSource source;
    source.folder = folder;
    return source;
}

const QString kWorker = QString::fromLatin1(data::kDemoWorker.code);
const QString kWorkerPassword = QString::fromLatin1(data::kDemoWorker.password);

// A program run: its own connection and its own in-memory throttle, on a clock the test moves.
struct Run {
    explicit Run(QDateTime *now) : throttle([now] { return *now; }), user(&throttle) { }
    bool logOn(const QString &folder, const QString &password, QString *error)
    {
        return user.logOn(embeddedAt(folder), kWorker, password, error);
    }
    suite::LogOnThrottle throttle;
    clsCurrentUser user;
};

} // namespace

class TestLockout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void lockOutSurvivesARestartAndGrows();
    void goodLogOnAndUnlockClearIt();
    void waitsDoubleUpToAnHour();
    void emptyPasswordNeverReachesTheDatabase();
    void passwordRules();
    void wrongConfirmationsCountTowardTheLockOut();
};

void TestLockout::lockOutSurvivesARestartAndGrows()
{
    test::DemoHospital h;
    QDateTime now(QDate(2026, 12, 9), QTime(8, 0), Qt::UTC);
    QString error;
    {
        Run first(&now);
        for (int i = 0; i < UserLockout::kFreeTries; ++i)
            QVERIFY(!first.logOn(h.folder(), QStringLiteral("wrong-%1").arg(i), &error));
        QVERIFY(!first.logOn(h.folder(), kWorkerPassword, &error));
        QVERIFY2(error.contains(QStringLiteral("wait 30 seconds")), qPrintable(error));
    }
    // The program is started again 8 s later, or the user moves to another workstation.
    now = now.addSecs(8);
    {
        Run restarted(&now);
        QVERIFY(!restarted.logOn(h.folder(), kWorkerPassword, &error));
        QVERIFY2(error.contains(QStringLiteral("wait 22 seconds")), qPrintable(error));
        // The wrong password while locked is not even checked, and not counted.
        QVERIFY(!restarted.logOn(h.folder(), QStringLiteral("wrong-again"), &error));
        QVERIFY(error.contains(QStringLiteral("wait")));
    }
    // After the wait, one more wrong password locks the user for twice as long.
    now = now.addSecs(22);
    Run later(&now);
    QVERIFY(!later.logOn(h.folder(), QStringLiteral("still-wrong"), &error));
    QCOMPARE(error, QStringLiteral("The user code or the password is not correct."));
    QVERIFY(!later.logOn(h.folder(), kWorkerPassword, &error));
    QVERIFY2(error.contains(QStringLiteral("wait 60 seconds")), qPrintable(error));
    const data::Recordset row = h.connection().open(
        QStringLiteral("SELECT FailedLogOns, LockOuts, LockedUntil FROM MSS..tbMSSUser WHERE UserCode = 'MSS02'"));
    QCOMPARE(row.text(QStringLiteral("FailedLogOns")), QStringLiteral("6"));
    QCOMPARE(row.text(QStringLiteral("LockOuts")), QStringLiteral("2"));
    QCOMPARE(row.text(QStringLiteral("LockedUntil")), QStringLiteral("2026-12-09 08:01:30"));
}

void TestLockout::goodLogOnAndUnlockClearIt()
{
    test::DemoHospital h;
    QDateTime now(QDate(2026, 12, 9), QTime(8, 0), Qt::UTC);
    QString error;
    const auto lockOut = [&] {
        Run run(&now);
        for (int i = 0; i < UserLockout::kFreeTries; ++i)
            run.logOn(h.folder(), QStringLiteral("wrong-%1").arg(i), &error);
        QVERIFY(!run.logOn(h.folder(), kWorkerPassword, &error));
    };
    lockOut();
    now = now.addSecs(UserLockout::kFirstWaitSeconds);
    {
        Run run(&now);
        QVERIFY2(run.logOn(h.folder(), kWorkerPassword, &error), qPrintable(error));
    }
    QCOMPARE(test::scalar(h.connection(),
                 QStringLiteral("SELECT FailedLogOns || '/' || LockOuts || '/' || ifnull(LockedUntil, 'none') "
                                "FROM MSS..tbMSSUser WHERE UserCode = 'MSS02'")),
        QStringLiteral("0/0/none"));
    // Four wrong passwords after a good log-on still leave a try: the count started again.
    {
        Run run(&now);
        for (int i = 0; i < UserLockout::kFreeTries - 1; ++i)
            QVERIFY(!run.logOn(h.folder(), QStringLiteral("wrong-%1").arg(i), &error));
        QVERIFY(run.logOn(h.folder(), kWorkerPassword, &error));
    }

    // The administrator's unlock lets the user in at once.
    lockOut();
    UserLockout(h.connection()).clear(QStringLiteral("mss02"));
    Run run(&now);
    QVERIFY2(run.logOn(h.folder(), kWorkerPassword, &error), qPrintable(error));
}

void TestLockout::waitsDoubleUpToAnHour()
{
    QCOMPARE(UserLockout::waitSeconds(0), 0);
    QCOMPARE(UserLockout::waitSeconds(1), 30);
    QCOMPARE(UserLockout::waitSeconds(2), 60);
    QCOMPARE(UserLockout::waitSeconds(4), 240);
    QCOMPARE(UserLockout::waitSeconds(8), 3600);
    QCOMPARE(UserLockout::waitSeconds(1000), 3600);

    // A lock far in the future (a clock set back) holds for no longer than the longest wait.
    test::DemoHospital h;
    UserLockout lockout(h.connection(), QDateTime(QDate(2026, 12, 9), QTime(8, 0), Qt::UTC));
    suite::LockoutState state;
    state.lockedUntil = QDateTime(QDate(2027, 1, 1), QTime(0, 0), Qt::UTC);
    QCOMPARE(lockout.secondsToWait(state), UserLockout::kLongestWaitSeconds);
}

void TestLockout::emptyPasswordNeverReachesTheDatabase()
{
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).filePath(QStringLiteral("not-yet"));
    clsCurrentUser user;
    QString error;
    QVERIFY(!user.logOn(embeddedAt(folder), QStringLiteral("MSS01"), QString(), &error));
    QCOMPARE(error, QStringLiteral("Please enter your password."));
    QVERIFY(!user.sqlconnection());
    QVERIFY(!QFileInfo::exists(folder)); // not even the first-use demo was made

    // And an empty password stored by an older tool logs nobody on.
    test::DemoHospital h;
    h.connection().execute(QStringLiteral("UPDATE MSS..tbMSSUser SET PasswordHash = '%1' WHERE UserCode = 'MSS02'")
                               .arg(data::hashPassword(QString(), true)));
    QVERIFY(!user.logOn(embeddedAt(h.folder()), kWorker, QString(), &error));
}

void TestLockout::passwordRules()
{
    QVERIFY(data::passwordRuleProblem(QString()).contains(QStringLiteral("empty")));
    QVERIFY(data::passwordRuleProblem(QStringLiteral("seven77")).contains(QStringLiteral("at least 8")));
    QVERIFY(data::passwordRuleProblem(QStringLiteral("ward7-Kettle!")).isEmpty());
    // Eight letters outside the basic plane are eight characters, not sixteen code units.
    QVERIFY(!data::passwordRuleProblem(QString::fromUtf8("🔑🔑🔑🔑🔑🔑🔑")).isEmpty());
    QVERIFY(data::passwordRuleProblem(QString::fromUtf8("ñandú-ñu")).isEmpty());
    // A library made for it judges the rest, and says why in its own words: dictionary words,
    // the user's code or name inside, runs of one character, sequences, eight blanks.
    QVERIFY(data::passwordRuleProblem(QStringLiteral("password")).contains(QStringLiteral("dictionary")));
    QVERIFY(data::passwordRuleProblem(QStringLiteral("eight888")).contains(QStringLiteral("dictionary")));
    QVERIFY(data::passwordRuleProblem(QStringLiteral("MSS02MSS02"), QStringLiteral("MSS02"))
                .contains(QStringLiteral("user name")));
    QVERIFY(data::passwordRuleProblem(QStringLiteral("villanueva-9Q"), QStringLiteral("MSS03"),
        { QStringLiteral("VILLANUEVA"), QStringLiteral("CORAZON") })
                .contains(QStringLiteral("user name")));
    QVERIFY(data::passwordRuleProblem(QStringLiteral("Qx7-zzzz-Lamp")).contains(QStringLiteral("same characters")));
    QVERIFY(data::passwordRuleProblem(QStringLiteral("12345678")).contains(QStringLiteral("sequence")));
    QVERIFY(!data::passwordRuleProblem(QStringLiteral("        ")).isEmpty());
}

void TestLockout::wrongConfirmationsCountTowardTheLockOut()
{
    test::DemoHospital h;
    QDateTime now = QDateTime::currentDateTimeUtc();
    suite::LogOnThrottle throttle([&now] { return now; });
    clsCurrentUser admin(&throttle);
    const QString code = QString::fromLatin1(data::kDemoAdministrator.code);
    const QString password = QString::fromLatin1(data::kDemoAdministrator.password);
    QString error;
    QVERIFY2(admin.logOn(embeddedAt(h.folder()), code, password, &error), qPrintable(error));
    const auto failed = [&] { return UserLockout(*admin.sqlconnection(), now).state(code).failedLogOns; };
    // Four wrong confirmations are counted with the user, in the database.
    for (int i = 0; i < 4; ++i)
        QVERIFY(!admin.checkConfirmation(code + QStringLiteral("guess%1").arg(i)));
    QCOMPARE(failed(), 4);
    QCOMPARE(admin.secondsLockedOut(), 0);
    // The fifth locks the user out: then even the right text is refused, here and at the log-on.
    QVERIFY(!admin.checkConfirmation(QStringLiteral("not even the code")));
    // The column keeps whole seconds, rounded up.
    QVERIFY(admin.secondsLockedOut() >= UserLockout::kFirstWaitSeconds
        && admin.secondsLockedOut() <= UserLockout::kFirstWaitSeconds + 1);
    QVERIFY(!admin.checkConfirmation(code + password));
    clsCurrentUser elsewhere;
    QVERIFY(!elsewhere.logOn(embeddedAt(h.folder()), code, password, &error));
    QVERIFY2(error.contains(QStringLiteral("Too many wrong passwords")), qPrintable(error));
    // After the wait the right text is accepted and clears the count.
    now = now.addSecs(UserLockout::kFirstWaitSeconds + 1);
    QVERIFY(admin.checkConfirmation(code.toLower() + password));
    QCOMPARE(failed(), 0);
}

QTEST_MAIN(TestLockout)
#include "tst_lockout.moc"
