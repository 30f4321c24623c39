// Logging on to the hospital's SQL Server through FreeTDS's ODBC driver, against the TDS test
// server: what reaches the server, the lock-out statements, and the log-on dialog while the
// server is silent, refuses, drops the link or holds objects of another version.
#include "auth/currentuser.h"
#include "db/password.h"
#include "db/serverobjects.h"
#include "suite/frmlogon.h"
#include "support/tdsserver.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

using namespace mss;
using suite::clsCurrentUser;
using test::TdsServer;
using test::tds::rows;
using test::tds::rule;

namespace {

const QString kServerUser = QStringLiteral("mss_dept");
const QString kServerPassword = QStringLiteral("Ward;3=ñ {x}");
const QString kUserCode = QStringLiteral("MSS01");
const QString kUserPassword = QStringLiteral("Corazon-2026");

QJsonObject versionRule(int version)
{
    return rule(QStringLiteral("^SELECT MAX\\(Version\\) AS Version FROM MSS\\.\\.tbMSSSchemaVersion\\Z"),
        { rows({ QStringLiteral("Version") }, { QStringLiteral("int") }, { QJsonArray { version } }) });
}

// A server with the program's objects and one social worker, whose password hash is `hash`.
QJsonObject hospitalScript(const QString &hash, int version = data::kServerSchemaVersion)
{
    const QJsonObject user
        = rows({ QStringLiteral("UserCode"), QStringLiteral("PasswordHash"), QStringLiteral("DeptCode"),
                   QStringLiteral("Active"), QStringLiteral("FailedLogOns"), QStringLiteral("LockOuts"),
                   QStringLiteral("LockedUntil"), QStringLiteral("LastName"), QStringLiteral("FirstName"),
                   QStringLiteral("MiddleName") },
            { QStringLiteral("varchar(20)"), QStringLiteral("varchar(255)"), QStringLiteral("varchar(10)"),
                QStringLiteral("int"), QStringLiteral("int"), QStringLiteral("int"), QStringLiteral("datetime"),
                QStringLiteral("varchar(60)"), QStringLiteral("varchar(60)"), QStringLiteral("varchar(60)") },
            { QJsonArray { kUserCode, hash, QStringLiteral("MSS"), 1, 0, 0, QJsonValue(), QStringLiteral("VILLANUEVA"),
                QStringLiteral("CORAZON"), QStringLiteral("MARQUEZ") } });
    const QJsonArray rules {
        versionRule(version),
        rule(QStringLiteral("FROM MSS\\.\\.tbMSSUser u LEFT JOIN"), { user }),
        rule(QStringLiteral("^SELECT RightCode FROM MSS\\.\\.tbMSSUserRight WHERE UserCode = @P1\\Z"),
            { rows({ QStringLiteral("RightCode") }, { QStringLiteral("varchar(10)") },
                { QJsonArray { QStringLiteral("A") } }) }),
        rule(QStringLiteral("^UPDATE MSS\\.\\.tbMSSUser SET"), { QJsonObject { { QStringLiteral("rowcount"), 1 } } }),
        rule(QStringLiteral("^SELECT FailedLogOns, LockOuts, LockedUntil FROM MSS\\.\\.tbMSSUser"),
            { rows({ QStringLiteral("FailedLogOns"), QStringLiteral("LockOuts"), QStringLiteral("LockedUntil") },
                { QStringLiteral("int"), QStringLiteral("int"), QStringLiteral("datetime") },
                { QJsonArray { 1, 0, QJsonValue() } }) }),
    };
    return { { QStringLiteral("users"), QJsonObject { { kServerUser, kServerPassword } } },
        { QStringLiteral("rules"), rules } };
}

} // namespace

class TestTdsLogOn : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void aSocialWorkerLogsOnThroughFreeTds();
    void aWrongPasswordIsCountedOnTheServer();
    void aSilentServerLeavesTheDialogAliveAndCancellable();
    void aSilentServerIsGivenUpAtTheLimit();
    void eachRefusalNamesItsCause();

private:
    // The dialog filled in for the server, with `extra` added to the connection string.
    void fillIn(suite::frmLogOn &dialog, const QString &extra = {}, const QString &userPassword = kUserPassword);

    TdsServer m_server;
    QString m_hash;
};

void TestTdsLogOn::initTestCase()
{
    if (test::freeTdsDriver().isEmpty())
        QSKIP("FreeTDS's ODBC driver (Debian package tdsodbc) is not installed");
    QStandardPaths::setTestModeEnabled(true);
    m_hash = data::hashPassword(kUserPassword, true);
    QString why;
    QVERIFY2(m_server.start(hospitalScript(m_hash), &why), qPrintable(why));
}

void TestTdsLogOn::init()
{
    QSettings(QStringLiteral("MSS"), QStringLiteral("Medical Social Service")).clear();
    m_server.setScript(hospitalScript(m_hash));
    m_server.forgetLog();
}

void TestTdsLogOn::fillIn(suite::frmLogOn &dialog, const QString &extra, const QString &userPassword)
{
    dialog.optServer->setChecked(true);
    dialog.txtUserCode->setText(kUserCode);
    dialog.txtPassword->setText(userPassword);
    QString connection = m_server.connectionString(kServerUser, QString(), extra);
    dialog.txtConnectionString->setText(connection);
    dialog.txtServerPassword->setText(kServerPassword);
}

void TestTdsLogOn::aSocialWorkerLogsOnThroughFreeTds()
{
    clsCurrentUser user;
    user.PasswordDeptCode = QStringLiteral("MSS");
    suite::frmLogOn dialog(user);
    fillIn(dialog);
    dialog.tryLogOn();
    QVERIFY2(user.Connected(), qPrintable(dialog.lblMessage->text()));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(user.employeecode(), kUserCode);
    QCOMPARE(user.EmployeeName(), QStringLiteral("CORAZON M. VILLANUEVA"));
    QVERIFY(user.have_rights(QStringLiteral("A")));

    const QList<QJsonObject> logins = m_server.events(QStringLiteral("login"));
    QCOMPARE(logins.size(), 1);
    QCOMPARE(logins.first().value(QStringLiteral("password")).toString(), kServerPassword);
    QCOMPARE(logins.first().value(QStringLiteral("user")).toString(), kServerUser);
    QCOMPARE(logins.first().value(QStringLiteral("app")).toString(), QStringLiteral("Medical Social Service"));
    // One statement after the log-in's own, then the user and the user's rights: nothing more.
    const QStringList wire = m_server.statements();
    QCOMPARE(wire.size(), 4);
    QCOMPARE(wire[0], QStringLiteral("SET DATEFORMAT mdy;USE [MSS]"));
    QCOMPARE(wire[1], QStringLiteral("SELECT MAX(Version) AS Version FROM MSS..tbMSSSchemaVersion"));
    QVERIFY(wire[2].endsWith(QLatin1String("WHERE u.UserCode = @P1")));
    QCOMPARE(wire[3], QStringLiteral("SELECT RightCode FROM MSS..tbMSSUserRight WHERE UserCode = @P1"));
    const QJsonArray args = m_server.events(QStringLiteral("rpc")).first().value(QStringLiteral("args")).toArray();
    QCOMPARE(args.first().toObject().value(QStringLiteral("value")).toString(), kUserCode);
    // Neither password stays in the dialog or the settings.
    QVERIFY(dialog.txtPassword->text().isEmpty());
    QVERIFY(dialog.txtServerPassword->text().isEmpty());
    QVERIFY(!QSettings(QStringLiteral("MSS"), QStringLiteral("Medical Social Service"))
                 .value(QStringLiteral("logon/odbc"))
                 .toString()
                 .contains(QStringLiteral("Ward")));
}

void TestTdsLogOn::aWrongPasswordIsCountedOnTheServer()
{
    clsCurrentUser user;
    suite::frmLogOn dialog(user);
    fillIn(dialog, {}, QStringLiteral("not-her-password"));
    dialog.tryLogOn();
    QVERIFY(!user.Connected());
    QVERIFY(dialog.result() != QDialog::Accepted);
    QCOMPARE(dialog.lblMessage->text(), QStringLiteral("The user code or the password is not correct."));
    QCOMPARE(m_server.statements().filter(QStringLiteral("SET FailedLogOns = FailedLogOns + 1")).size(), 1);
}

void TestTdsLogOn::aSilentServerLeavesTheDialogAliveAndCancellable()
{
    QJsonObject silent = hospitalScript(m_hash);
    silent.insert(QStringLiteral("login"), QJsonObject { { QStringLiteral("silent"), true } });
    m_server.setScript(silent);

    clsCurrentUser user;
    suite::frmLogOn dialog(user);
    dialog.show();
    fillIn(dialog, QStringLiteral("LoginTimeout=60"));
    int ticks = 0;
    QString shownWhileWaiting;
    bool fieldsLockedWhileWaiting = false;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(50);
    QTimer::singleShot(600, &dialog, [&] {
        shownWhileWaiting = dialog.lblMessage->text();
        fieldsLockedWhileWaiting = dialog.isConnecting() && !dialog.cmdLogOn->isEnabled();
        dialog.cmdCancel->click();
    });
    QElapsedTimer clock;
    clock.start();
    dialog.tryLogOn();
    const qint64 waited = clock.elapsed();

    // The window went on with its events while it waited, and Cancel ended the wait at once.
    QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
    QVERIFY2(shownWhileWaiting.startsWith(QLatin1String("Connecting to the hospital's server")),
        qPrintable(shownWhileWaiting));
    QVERIFY(fieldsLockedWhileWaiting);
    QVERIFY2(waited < 3000, qPrintable(QString::number(waited)));
    QCOMPARE(dialog.lblMessage->text(), QStringLiteral("The log-on was cancelled."));
    QVERIFY(dialog.isVisible());
    QVERIFY(!user.Connected());
    QVERIFY(dialog.cmdLogOn->isEnabled());

    // The server answers again: the same dialog logs on.
    m_server.setScript(hospitalScript(m_hash));
    fillIn(dialog);
    dialog.tryLogOn();
    QVERIFY2(user.Connected(), qPrintable(dialog.lblMessage->text()));
}

void TestTdsLogOn::aSilentServerIsGivenUpAtTheLimit()
{
    QJsonObject silent = hospitalScript(m_hash);
    silent.insert(QStringLiteral("login"), QJsonObject { { QStringLiteral("silent"), true } });
    m_server.setScript(silent);
    clsCurrentUser user;
    suite::frmLogOn dialog(user);
    fillIn(dialog, QStringLiteral("LoginTimeout=2"));
    QElapsedTimer clock;
    clock.start();
    dialog.tryLogOn();
    QVERIFY2(clock.elapsed() < 6000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(dialog.lblMessage->text().contains(QLatin1String("did not answer the log-on within 2 seconds")),
        qPrintable(dialog.lblMessage->text()));
    QVERIFY(!user.Connected());
}

void TestTdsLogOn::eachRefusalNamesItsCause()
{
    const auto refusal = [&](const QString &connectionString, const QString &serverPassword = kServerPassword) {
        clsCurrentUser user;
        suite::frmLogOn dialog(user);
        fillIn(dialog);
        dialog.txtConnectionString->setText(connectionString);
        dialog.txtServerPassword->setText(serverPassword);
        QElapsedTimer clock;
        clock.start();
        dialog.tryLogOn();
        const QString message = dialog.lblMessage->text();
        if (user.Connected() || dialog.result() == QDialog::Accepted)
            return QStringLiteral("logged on");
        if (clock.elapsed() > 20000)
            return QStringLiteral("too slow: ") + message;
        if (message.contains(QLatin1String("Ward")) || message.contains(serverPassword))
            return QStringLiteral("shows the password: ") + message;
        return message;
    };
    const QString base = m_server.connectionString(kServerUser, QString());

    QVERIFY2(refusal(base, QStringLiteral("Wrong;pw")).contains(QLatin1String("Login failed for user 'mss_dept'")),
        qPrintable(refusal(base, QStringLiteral("Wrong;pw"))));

    QString noDriver = base;
    noDriver.replace(test::freeTdsDriver(), QStringLiteral("{No Such ODBC Driver}"));
    const QString driverMessage = refusal(noDriver);
    QVERIFY2(driverMessage.contains(QLatin1String("could not be opened")), qPrintable(driverMessage));

    // Nothing listens on port 1 of this machine: the connection is refused at once.
    QString refusedPort = base;
    refusedPort.replace(QStringLiteral("Port=%1").arg(m_server.port()), QStringLiteral("Port=1"));
    const QString portMessage = refusal(refusedPort);
    QVERIFY2(portMessage.contains(QLatin1String("could not be opened")), qPrintable(portMessage));

    QJsonObject dropping = hospitalScript(m_hash);
    dropping.insert(QStringLiteral("login"), QJsonObject { { QStringLiteral("drop"), true } });
    m_server.setScript(dropping);
    const QString dropMessage = refusal(base);
    QVERIFY2(dropMessage.contains(QLatin1String("could not be opened")), qPrintable(dropMessage));

    m_server.setScript(hospitalScript(m_hash, data::kServerSchemaVersion + 1));
    const QString newer = refusal(base);
    QVERIFY2(newer.contains(QLatin1String("newer than this program")), qPrintable(newer));

    // A database without the program's objects: its version table is missing, and so are the rest.
    QJsonObject bare = hospitalScript(m_hash);
    QJsonArray rules { rule(QStringLiteral("tbMSSSchemaVersion"),
        { QJsonObject { { QStringLiteral("error"),
            QJsonObject { { QStringLiteral("number"), 208 }, { QStringLiteral("severity"), 16 },
                { QStringLiteral("message"),
                    QStringLiteral("Invalid object name 'MSS..tbMSSSchemaVersion'.") } } } } }) };
    bare.insert(QStringLiteral("rules"), rules);
    m_server.setScript(bare);
    const QString missing = refusal(base);
    QVERIFY2(missing.contains(QLatin1String("MSS..tbMSSUser")) && missing.contains(QLatin1String("deploy.sql")),
        qPrintable(missing));
}

QTEST_MAIN(TestTdsLogOn)
#include "tst_tdslogon.moc"
