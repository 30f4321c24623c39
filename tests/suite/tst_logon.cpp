// Logging on: passwords against salted hashes, the lock-out after wrong passwords, rights, the
// data source and what the dialog says when something is wrong.
#include "auth/currentuser.h"
#include "auth/lockout.h"
#include "auth/logonthrottle.h"
#include "data/embedded.h"
#include "db/demodata.h"
#include "db/password.h"
#include "suite/frmlogon.h"
#include "support/demohospital.h"
#include "ui/messages.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>

using namespace mss;
using suite::clsCurrentUser;
using suite::DataSource;

namespace {

DataSource embeddedAt(const QString &folder)
{
    DataSource source;
    source.embedded = true;
    source.folder = folder;
    return source;
}

} // namespace

class TestLogOn : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void rightPasswordLogsOnWithNameAndRights();
    void wrongPasswordsAreRefusedAlike();
    void fiveWrongPasswordsMakeTheUserWait();
    void throttleCountsPerUserAndExpires();
    void noPlainPasswordIsStored();
    void damagedDatabaseIsNamedAndLeftAlone();
    void dialogStaysOpenOnFailureAndRemembersTheSource();
    void cancelLeavesNoConnection();
    void firstUseAndSettingsArePrivate();
    void missingFilesAreReportedNeverFilled();
    void unknownCodesTakeAsLongAsKnownOnes();
};

void TestLogOn::rightPasswordLogsOnWithNameAndRights()
{
    test::DemoHospital h;
    clsCurrentUser admin;
    admin.PasswordDeptCode = QStringLiteral("MSS");
    QString error;
    QVERIFY2(admin.logOn(embeddedAt(h.folder()), QStringLiteral(" mss01 "),
                 QString::fromLatin1(data::kDemoAdministrator.password), &error),
        qPrintable(error));
    QVERIFY(admin.Connected());
    QCOMPARE(admin.employeecode(), QStringLiteral("MSS01"));
    QCOMPARE(admin.EmployeeName(), QStringLiteral("CORAZON M. VILLANUEVA"));
    QCOMPARE(admin.Database(), QStringLiteral("MSS"));
    QVERIFY(admin.have_rights(QStringLiteral("A")));
    QVERIFY(admin.have_rights(QStringLiteral("a")));
    QVERIFY(!admin.have_rights(QStringLiteral("Z")));
    QVERIFY(admin.checkPassword(QString::fromLatin1(data::kDemoAdministrator.password)));
    QVERIFY(!admin.checkPassword(QStringLiteral("mss-admin ")));
    QCOMPARE(admin.sqlconnection()->state(), data::ConnectionState::Open);

    clsCurrentUser worker;
    QVERIFY(worker.logOn(embeddedAt(h.folder()), QString::fromLatin1(data::kDemoWorker.code),
        QString::fromLatin1(data::kDemoWorker.password), &error));
    QVERIFY(!worker.have_rights(QStringLiteral("A")));
}

void TestLogOn::wrongPasswordsAreRefusedAlike()
{
    test::DemoHospital h;
    clsCurrentUser user;
    QString wrongPassword, unknownUser, empty;
    QVERIFY(!user.logOn(embeddedAt(h.folder()), QStringLiteral("MSS01"), QStringLiteral("guess"), &wrongPassword));
    QVERIFY(!user.logOn(embeddedAt(h.folder()), QStringLiteral("NOBODY"), QStringLiteral("guess"), &unknownUser));
    QVERIFY(!user.logOn(embeddedAt(h.folder()), QStringLiteral("  "), QStringLiteral("guess"), &empty));
    QCOMPARE(wrongPassword, unknownUser); // user codes cannot be probed
    QVERIFY(!empty.isEmpty());
    QVERIFY(!user.Connected());
    QCOMPARE(user.employeecode(), QString());
    QVERIFY(!user.have_rights(QStringLiteral("A")));
}

void TestLogOn::fiveWrongPasswordsMakeTheUserWait()
{
    test::DemoHospital h;
    clsCurrentUser user;
    const QString code = QString::fromLatin1(data::kDemoWorker.code);
    const QString right = QString::fromLatin1(data::kDemoWorker.password);
    QString error;
    for (int i = 0; i < suite::LogOnThrottle::kFreeTries; ++i)
        QVERIFY(!user.logOn(embeddedAt(h.folder()), code, QStringLiteral("wrong%1").arg(i), &error));
    QVERIFY(!user.logOn(embeddedAt(h.folder()), code, right, &error));
    QVERIFY2(error.contains(QStringLiteral("wait")), qPrintable(error));
    // Another user is not held up by it.
    QVERIFY(user.logOn(embeddedAt(h.folder()), QString::fromLatin1(data::kDemoAdministrator.code),
        QString::fromLatin1(data::kDemoAdministrator.password), &error));
}

void TestLogOn::throttleCountsPerUserAndExpires()
{
    QDateTime now(QDate(2026, 12, 9), QTime(8, 0), Qt::UTC);
    suite::LogOnThrottle throttle([&] { return now; });
    for (int i = 0; i < 4; ++i)
        throttle.recordFailure(QStringLiteral("mss02"));
    QCOMPARE(throttle.secondsToWait(QStringLiteral("MSS02")), 0);
    throttle.recordFailure(QStringLiteral("MSS02 "));
    QCOMPARE(throttle.secondsToWait(QStringLiteral("mss02")), suite::LogOnThrottle::kWaitSeconds);
    QCOMPARE(throttle.secondsToWait(QStringLiteral("MSS01")), 0);
    now = now.addSecs(suite::LogOnThrottle::kWaitSeconds);
    QCOMPARE(throttle.secondsToWait(QStringLiteral("MSS02")), 0);
    throttle.recordFailure(QStringLiteral("MSS02")); // one more wrong password waits again
    QVERIFY(throttle.secondsToWait(QStringLiteral("MSS02")) > 0);
    throttle.recordSuccess(QStringLiteral("mss02"));
    QCOMPARE(throttle.secondsToWait(QStringLiteral("MSS02")), 0);
}

void TestLogOn::noPlainPasswordIsStored()
{
    test::DemoHospital h;
    clsCurrentUser user;
    QString error;
    QVERIFY(user.logOn(embeddedAt(h.folder()), QStringLiteral("MSS01"),
        QString::fromLatin1(data::kDemoAdministrator.password), &error));
    user.sqlconnection()->close();
    for (const QString &name : data::embeddedDatabaseNames()) {
        QFile file(data::embeddedDatabaseFile(h.folder(), name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY2(!bytes.contains(data::kDemoAdministrator.password), qPrintable(name));
        QVERIFY2(!bytes.contains(data::kDemoWorker.password), qPrintable(name));
    }
    QDirIterator settings(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation), QDir::Files,
        QDirIterator::Subdirectories);
    while (settings.hasNext()) {
        QFile file(settings.next());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!file.readAll().contains(data::kDemoAdministrator.password));
    }
}

void TestLogOn::damagedDatabaseIsNamedAndLeftAlone()
{
    test::DemoHospital h;
    const QString billing = data::embeddedDatabaseFile(h.folder(), QStringLiteral("BILLING"));
    const QByteArray garbage(8192, 'x');
    {
        QFile file(billing);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(garbage);
    }
    clsCurrentUser user;
    QString error;
    QVERIFY(!user.logOn(embeddedAt(h.folder()), QStringLiteral("MSS01"),
        QString::fromLatin1(data::kDemoAdministrator.password), &error));
    QVERIFY2(error.contains(QStringLiteral("billing.db")), qPrintable(error));
    QFile file(billing);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), garbage);
}

void TestLogOn::dialogStaysOpenOnFailureAndRemembersTheSource()
{
    test::DemoHospital h;
    clsCurrentUser user;
    suite::frmLogOn dialog(user);
    dialog.show();
    dialog.optServer->setChecked(true);
    dialog.txtConnectionString->setText(QStringLiteral("Driver={No Such Driver};Server=nowhere"));
    dialog.txtUserCode->setText(QStringLiteral("MSS01"));
    dialog.txtPassword->setText(QString::fromLatin1(data::kDemoAdministrator.password));
    dialog.tryLogOn();
    QVERIFY(dialog.isVisible());
    QVERIFY(dialog.lblMessage->text().contains(QStringLiteral("could not be opened")));
    QVERIFY(dialog.txtPassword->text().isEmpty());

    dialog.optEmbedded->setChecked(true);
    dialog.txtFolder->setText(h.folder());
    dialog.txtPassword->setText(QString::fromLatin1(data::kDemoAdministrator.password));
    dialog.tryLogOn();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(user.Connected());

    const DataSource remembered = DataSource::remembered();
    QVERIFY(remembered.embedded);
    QCOMPARE(remembered.folder, h.folder());
    suite::frmLogOn again(user);
    QCOMPARE(again.txtUserCode->text(), QStringLiteral("MSS01"));
    QVERIFY(again.optEmbedded->isChecked());
}

void TestLogOn::cancelLeavesNoConnection()
{
    clsCurrentUser user;
    user.LogOnWindow = &mss::suite::showLogOnWindow;
    ui::Messages::setDialogHandler([](QDialog &) { return int(QDialog::Rejected); });
    user.ShowMain();
    ui::Messages::setDialogHandler(nullptr);
    QVERIFY(!user.Connected());
    QCOMPARE(user.employeecode(), QString());
}

void TestLogOn::firstUseAndSettingsArePrivate()
{
    const mode_t old = ::umask(022);
    const auto rights = [](const QString &path) {
        struct stat st { };
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
    };
    const QString folder = DataSource::defaultEmbeddedFolder();
    QDir(folder).removeRecursively();
    QSettings(QStringLiteral("MSS"), QStringLiteral("Medical Social Service")).remove(QStringLiteral("logon"));
    const auto cleanUp = qScopeGuard([&] {
        QDir(folder).removeRecursively();
        QSettings(QStringLiteral("MSS"), QStringLiteral("Medical Social Service")).remove(QStringLiteral("logon"));
        ::umask(old);
    });
    clsCurrentUser user;
    QString error;
    QStringList asked;
    // Without the user's consent the first log-on makes nothing.
    user.MakeDemoHospital = [&](const QString &f) -> std::unique_ptr<data::Connection> {
        asked.append(f);
        return nullptr;
    };
    QVERIFY(!user.logOn(embeddedAt(folder), QString::fromLatin1(data::kDemoWorker.code),
        QString::fromLatin1(data::kDemoWorker.password), &error));
    QCOMPARE(asked, QStringList { folder });
    QVERIFY2(error.startsWith(QStringLiteral("No hospital database in")), qPrintable(error));
    QVERIFY(!QFileInfo::exists(folder));
    // With it, the demo hospital is made there.
    user.MakeDemoHospital = [](const QString &f) { return data::createDemoHospital(f); };
    QVERIFY2(user.logOn(embeddedAt(folder), QString::fromLatin1(data::kDemoWorker.code),
                 QString::fromLatin1(data::kDemoWorker.password), &error),
        qPrintable(error));
    QCOMPARE(rights(folder), 0700);
    for (const QString &name : data::embeddedDatabaseNames())
        QCOMPARE(rights(data::embeddedDatabaseFile(folder, name)), 0600);
    embeddedAt(folder).remember();
    QCOMPARE(rights(QSettings(QStringLiteral("MSS"), QStringLiteral("Medical Social Service")).fileName()), 0600);

    // Once it has held a hospital, the demo folder emptied is a hospital whose files went
    // missing: no second demo, even with consent.
    user.sqlconnection()->close();
    for (const QString &name : data::embeddedDatabaseNames())
        QVERIFY(QFile::remove(data::embeddedDatabaseFile(folder, name)));
    clsCurrentUser again;
    again.MakeDemoHospital = [](const QString &f) { return data::createDemoHospital(f); };
    QVERIFY(!again.logOn(embeddedAt(folder), QString::fromLatin1(data::kDemoWorker.code),
        QString::fromLatin1(data::kDemoWorker.password), &error));
    QVERIFY2(error.contains(QStringLiteral(": the files are missing")), qPrintable(error));
    QVERIFY(QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

void TestLogOn::missingFilesAreReportedNeverFilled()
{
    QTemporaryDir dir;
    const QString emptied = QDir(dir.path()).filePath(QStringLiteral("realh"));
    const QString mistyped = QDir(dir.path()).filePath(QStringLiteral("realh-typo"));
    QVERIFY(QDir().mkpath(emptied));
    int asked = 0;
    for (const QString &folder : { emptied, mistyped }) {
        clsCurrentUser user;
        user.MakeDemoHospital = [&](const QString &f) {
            ++asked;
            return data::createDemoHospital(f);
        };
        QString error;
        QVERIFY(!user.logOn(embeddedAt(folder), QStringLiteral("ADM1"), QStringLiteral("whatever-it-was"), &error));
        QCOMPARE(error,
            QStringLiteral("No hospital database in %1: the files are missing.").arg(QDir::toNativeSeparators(folder)));
        QVERIFY(!user.Connected());
    }
    QCOMPARE(asked, 0);
    QVERIFY(QDir(emptied).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    QVERIFY(!QFileInfo::exists(mistyped));

    // A folder with only some of its files, or an empty file in place of one, is named, not filled.
    test::DemoHospital h;
    const QString billing = data::embeddedDatabaseFile(h.folder(), QStringLiteral("BILLING"));
    QVERIFY(QFile::remove(billing));
    clsCurrentUser user;
    QString error;
    QVERIFY(!user.logOn(embeddedAt(h.folder()), QStringLiteral("MSS01"),
        QString::fromLatin1(data::kDemoAdministrator.password), &error));
    QVERIFY2(error.contains(billing) && error.contains(QStringLiteral("missing")), qPrintable(error));
    QVERIFY(!QFileInfo::exists(billing));
    QFile empty(billing);
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    QVERIFY(!user.logOn(embeddedAt(h.folder()), QStringLiteral("MSS01"),
        QString::fromLatin1(data::kDemoAdministrator.password), &error));
    QVERIFY2(error.contains(QStringLiteral("BILLING")), qPrintable(error));
    QCOMPARE(QFileInfo(billing).size(), 0);
}

// A refusal takes as long for a code that is no user as for a user's code with a wrong
// password, so codes cannot be told apart by timing.
void TestLogOn::unknownCodesTakeAsLongAsKnownOnes()
{
    test::DemoHospital h;
    // Hashes as the program makes them for real users, not the demo's quick ones.
    const QString hash = data::hashPassword(QStringLiteral("Tr4vel-Lamp-42"));
    h.connection().query(
        QStringLiteral("UPDATE MSS..tbMSSUser SET PasswordHash = :hash"), { { QStringLiteral("hash"), hash } });
    clsCurrentUser user;
    QString error;
    QVERIFY(!user.logOn(embeddedAt(h.folder()), QStringLiteral("MSS02"), QStringLiteral("warm-up"), &error));
    QList<qint64> known, unknown;
    QElapsedTimer timer;
    for (int i = 0; i < 20; ++i) {
        suite::UserLockout(h.connection()).clear(QStringLiteral("MSS02"));
        timer.start();
        QVERIFY(
            !user.logOn(embeddedAt(h.folder()), QStringLiteral("MSS02"), QStringLiteral("wrong-%1").arg(i), &error));
        known.append(timer.nsecsElapsed());
        QCOMPARE(error, QStringLiteral("The user code or the password is not correct."));
        timer.start();
        QVERIFY(!user.logOn(
            embeddedAt(h.folder()), QStringLiteral("NOBODY%1").arg(i), QStringLiteral("wrong-%1").arg(i), &error));
        unknown.append(timer.nsecsElapsed());
        QCOMPARE(error, QStringLiteral("The user code or the password is not correct."));
    }
    const auto median = [](QList<qint64> v) {
        std::sort(v.begin(), v.end());
        return (v[9] + v[10]) / 2 / 1e6;
    };
    qInfo("median refusal: known code %.1f ms, unknown code %.1f ms", median(known), median(unknown));
    // Both wait out the same floor, so a leak would differ by hundreds of milliseconds; the margin
    // only absorbs a busy machine's scheduling.
    QVERIFY2(std::abs(median(known) - median(unknown)) < 50.0,
        qPrintable(QStringLiteral("%1 ms against %2 ms").arg(median(known)).arg(median(unknown))));
}

QTEST_MAIN(TestLogOn)
#include "tst_logon.moc"
