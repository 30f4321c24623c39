// mss-db on a server: every command that makes sense there takes an ODBC connection string in
// place of the folder, never shows the server's password, and `check` says which of the objects
// the program uses a database lacks. Run against unixODBC's SQLite driver, which needs no server.
#include "data/connectionstring.h"
#include "data/odbc.h"
#include "db/hospitaldb.h"
#include "db/serverobjects.h"
#include "support/demohospital.h"
#include "support/sqliteodbc.h"
#include "support/toolrun.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace mss;
using namespace mss::data;

namespace {

using Run = test::ToolRun;

} // namespace

class TestMssDbServer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void execUserAndReportOverOdbc();
    void checkNamesWhatTheServerLacks();
    void checkFindsEverythingInTheEmbeddedDatabase();
    void badConnectionsNeverShowThePassword();
    void deploymentScriptStatesTheProgramsVersion();

private:
    Run run(const QStringList &args, const QString &password = {}, const QString &userPassword = {}) const;
    QString m_connectionString;
    QTemporaryDir m_dir;
};

void TestMssDbServer::initTestCase()
{
    QVERIFY2(QFileInfo::exists(test::mssDbPath()), "mss-db is not built");
    const QString driver = test::sqliteOdbcDriver();
    QVERIFY2(!driver.isEmpty(), "the SQLite ODBC driver (Debian package libsqliteodbc) is not installed");
    m_connectionString = QStringLiteral("Driver=%1;Database=%2;UID=mss_user")
                             .arg(driver, QDir(m_dir.path()).filePath(QStringLiteral("server.db")));
    auto c = openConnection(m_connectionString);
    for (const char *statement :
        { "CREATE TABLE tbMSSEmployee (EmployeeID TEXT PRIMARY KEY, LastName TEXT NOT NULL, FirstName TEXT NOT NULL, "
          "MiddleName TEXT NOT NULL DEFAULT '', Position TEXT, IsSocialWorker INTEGER, Active INTEGER)",
            "CREATE TABLE tbMSSUser (UserCode TEXT PRIMARY KEY, PasswordHash TEXT NOT NULL, DeptCode TEXT NOT NULL "
            "DEFAULT 'MSS', Active INTEGER NOT NULL DEFAULT 1, CreatedDate TEXT NOT NULL, PasswordDate TEXT, "
            "FailedLogOns INTEGER NOT NULL DEFAULT 0, LockedUntil TEXT, LockOuts INTEGER NOT NULL DEFAULT 0)",
            "CREATE TABLE tbMSSUserRight (UserCode TEXT NOT NULL, RightCode TEXT NOT NULL, "
            "PRIMARY KEY (UserCode, RightCode))",
            "CREATE TABLE tbWard (Ward TEXT, Name TEXT)", "INSERT INTO tbWard VALUES ('A', 'REYES, ANA')",
            "CREATE TABLE tbHospitalInfo (Company TEXT, Title TEXT, TinNo TEXT, MTSServerName TEXT)" })
        c->execute(QString::fromLatin1(statement));
}

Run TestMssDbServer::run(const QStringList &args, const QString &password, const QString &userPassword) const
{
    // An empty password leaves its variable out, as a user who set none.
    return test::runMssDb(args,
        { { QStringLiteral("MSS_ODBC_PASSWORD"), password.isEmpty() ? QString() : password },
            { QStringLiteral("MSS_USER_PASSWORD"), userPassword.isEmpty() ? QString() : userPassword } });
}

void TestMssDbServer::execUserAndReportOverOdbc()
{
    const QString odbc = QStringLiteral("--odbc");
    Run r = run({ QStringLiteral("exec"), odbc, m_connectionString, QStringLiteral("SELECT Ward, Name FROM tbWard") },
        QStringLiteral("env-secret"));
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QCOMPARE(r.out, QStringLiteral("Ward\tName\nA\tREYES, ANA\n"));

    r = run({ QStringLiteral("user"), QStringLiteral("add"), odbc, m_connectionString, QStringLiteral("nurse1"),
                QStringLiteral("--last"), QStringLiteral("Reyes"), QStringLiteral("--first"), QStringLiteral("Ana"),
                QStringLiteral("--rights"), QStringLiteral("AA") },
        {}, QStringLiteral("s3cret-pass"));
    QVERIFY2(r.code == 0, qPrintable(r.err));
    r = run({ QStringLiteral("user"), QStringLiteral("passwd"), odbc, m_connectionString, QStringLiteral("NURSE1") },
        {}, QStringLiteral("n3w-secret"));
    QVERIFY2(r.code == 0, qPrintable(r.err));
    auto c = openConnection(m_connectionString);
    const Recordset user = c->open(QStringLiteral(
        "SELECT u.PasswordHash, u.CreatedDate, e.LastName, (SELECT group_concat(RightCode) FROM tbMSSUserRight) AS R "
        "FROM tbMSSUser u JOIN tbMSSEmployee e ON e.EmployeeID = u.UserCode WHERE u.UserCode = 'NURSE1'"));
    QCOMPARE(user.recordCount(), 1);
    QVERIFY(user.text(QStringLiteral("PasswordHash")).startsWith(QStringLiteral("$argon2")));
    QVERIFY(!user.text(QStringLiteral("PasswordHash")).contains(QStringLiteral("n3w-secret")));
    QVERIFY(QDateTime::fromString(user.text(QStringLiteral("CreatedDate")), QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                .isValid());
    QCOMPARE(user.text(QStringLiteral("LastName")), QStringLiteral("REYES"));
    QCOMPARE(user.text(QStringLiteral("R")), QStringLiteral("A"));

    // A report whose T-SQL variant the server runs, its embedded query untouched.
    const QString definition = QDir(m_dir.path()).filePath(QStringLiteral("Wards.rpt"));
    QFile f(definition);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<report title="Wards">
  <query name="rows"><![CDATA[SELECT Name FROM no_such_embedded_table]]></query>
  <query name="rows" driver="ODBC"><![CDATA[SELECT Name FROM tbWard -- :NotAParameter]]></query>
  <detail query="rows" height="14"><text>{Name}</text></detail>
</report>
)");
    f.close();
    const QString pdf = QDir(m_dir.path()).filePath(QStringLiteral("wards.pdf"));
    r = run({ QStringLiteral("report"), odbc, m_connectionString, definition, pdf });
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QVERIFY(QFileInfo(pdf).size() > 0);
}

void TestMssDbServer::checkNamesWhatTheServerLacks()
{
    const Run r = run({ QStringLiteral("check"), QStringLiteral("--odbc"), m_connectionString });
    QCOMPARE(r.code, 1);
    // The procedures the windows call, the tables their statements name, the report views.
    QVERIFY2(r.out.contains(QRegularExpression(QStringLiteral(R"(^MISSING\s+MSS\.\.sp_MSS_LoadInPatient\tprocedure)"),
                 QRegularExpression::MultilineOption)),
        qPrintable(r.out));
    QVERIFY2(r.out.contains(QRegularExpression(QStringLiteral(R"(^MISSING\s+PATIENT_DATA\.\.tbPatient2\ttable)"),
                 QRegularExpression::MultilineOption)),
        qPrintable(r.out));
    // A table that is there but lacks what the program reads of it, named column by column with
    // the statements and reports that read it.
    QVERIFY2(
        r.out.contains(QRegularExpression(
            QStringLiteral(
                R"(^missing column PATIENT_DATA\.\.tbHospitalInfo\.Address1 \(used by: .*\bREPORTS/ListofGrantees\.rpt\b.*\)$)"),
            QRegularExpression::MultilineOption)),
        qPrintable(r.out));
    QVERIFY2(!r.out.contains(QStringLiteral("tbHospitalInfo.Company")), qPrintable(r.out));
    QVERIFY2(!r.out.contains(QStringLiteral("missing column PATIENT_DATA..tbPatient2")), qPrintable(r.out));
    QVERIFY2(r.out.contains(QRegularExpression(QStringLiteral(R"(^MISSING\s+MSS\.\.vwMSSAdmission\tview\t.*REPORTS/)"),
                 QRegularExpression::MultilineOption)),
        qPrintable(r.out));
    QVERIFY2(r.out.contains(QRegularExpression(QStringLiteral(R"(^ok\s+MSS\.\.tbMSSUser\ttable\tdeployment script)"),
                 QRegularExpression::MultilineOption)),
        qPrintable(r.out));
    QVERIFY2(r.out.contains(QStringLiteral("MSS..tbMSSSchemaVersion")), qPrintable(r.out));
}

void TestMssDbServer::checkFindsEverythingInTheEmbeddedDatabase()
{
    test::DemoHospital h;
    const Run r = run({ QStringLiteral("check"), h.folder() });
    QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
    QVERIFY(!r.out.contains(QStringLiteral("MISSING")));
    QVERIFY2(r.out.contains(QStringLiteral("MSS..sp_MSS_LoadInPatient\tprocedure")), qPrintable(r.out));
    QVERIFY2(r.out.contains(QStringLiteral("PATIENT_DATA..vwAdmission\tview\tREPORTS/")), qPrintable(r.out));
    QVERIFY2(r.out.contains(QRegularExpression(
                 QStringLiteral(R"(^\d{3,} columns, 0 missing$)"), QRegularExpression::MultilineOption)),
        qPrintable(r.out));

    // A hospital whose table lost a column the ARR window reads.
    h.connection().query(QStringLiteral("ALTER TABLE PATIENT_DATA.tbMaster DROP COLUMN MSSDiscountValidity"));
    const Run lacking = run({ QStringLiteral("check"), h.folder() });
    QCOMPARE(lacking.code, 1);
    QVERIFY2(
        lacking.out.contains(QRegularExpression(
            QStringLiteral(
                R"(^missing column PATIENT_DATA\.\.tbMaster\.MSSDiscountValidity \(used by: .*arrrecord\.cpp.*\)$)"),
            QRegularExpression::MultilineOption)),
        qPrintable(lacking.out));
    QVERIFY2(lacking.out.contains(QStringLiteral(" columns, 1 missing")), qPrintable(lacking.out));
}

void TestMssDbServer::badConnectionsNeverShowThePassword()
{
    const QString secret = QStringLiteral("Tr0ub4dor&3");
    for (const QString &connectionString :
        { QStringLiteral("Driver={No Such ODBC Driver};Server=nowhere;UID=sa;PWD={%1}").arg(secret),
            QStringLiteral("Driver={No Such ODBC Driver};Server=nowhere;UID=sa") }) {
        const Run r = run(
            { QStringLiteral("exec"), QStringLiteral("--odbc"), connectionString, QStringLiteral("SELECT 1") }, secret);
        QCOMPARE(r.code, 1);
        QVERIFY(!r.err.isEmpty());
        QVERIFY2(!r.err.contains(secret) && !r.out.contains(secret), qPrintable(r.err));
    }
    // A connection string is read for its password with braces, doubled braces and odd blanks.
    const QString braced = QStringLiteral("Driver=FreeTDS; pwd = {a;b}}c} ;Server=h\\i");
    QCOMPARE(connectionPassword(braced), QStringLiteral("a;b}c"));
    QCOMPARE(withoutPassword(braced), QStringLiteral("Driver=FreeTDS;Server=h\\i"));
    QCOMPARE(connectionPassword(withPassword(braced, QStringLiteral("x}y"))), QStringLiteral("x}y"));
    QCOMPARE(withPassword(QStringLiteral("DSN=mss;Password=old"), QString()), QStringLiteral("DSN=mss"));
}

void TestMssDbServer::deploymentScriptStatesTheProgramsVersion()
{
    QFile script(qEnvironmentVariable("MSS_TEST_SOURCE_DIR") + QStringLiteral("/db/sqlserver/deploy.sql"));
    QVERIFY(script.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(script.readAll());
    const QRegularExpression version(
        QStringLiteral(R"(@deployed > (\d+)|SET Version = (\d+),|\(Version\) VALUES \((\d+)\))"));
    int found = 0;
    for (auto it = version.globalMatch(text); it.hasNext(); ++found) {
        const auto m = it.next();
        const QString n = m.captured(1) + m.captured(2) + m.captured(3);
        QCOMPARE(n.toInt(), kServerSchemaVersion);
    }
    QCOMPARE(found, 3);
    // The lock-out columns the log-on keeps with each user.
    for (const char *column : { "FailedLogOns int NOT NULL", "LockedUntil datetime NULL", "LockOuts int NOT NULL" })
        QVERIFY2(text.contains(QLatin1String(column)), column);
}

QTEST_MAIN(TestMssDbServer)
#include "tst_mssdbserver.moc"
