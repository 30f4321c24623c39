// The ODBC driver on the wire: FreeTDS's real ODBC driver against the TDS test server, which
// plays the hospital's SQL Server. What the server received (passwords, statements, the
// program's name) is read from its log, not taken from the driver's word.
#include "data/connection.h"
#include "data/odbc.h"
#include "support/tdsserver.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace mss::data;
using mss::test::TdsServer;
using mss::test::tds::error;
using mss::test::tds::rule;

namespace {

const QString kUser = QStringLiteral("mss_user");
const QString kPassword = QStringLiteral("Hosp1tal Pa55");

QJsonObject column(const QString &name, const QString &type)
{
    return { { QStringLiteral("name"), name }, { QStringLiteral("type"), type } };
}

QJsonObject resultSet(const QJsonArray &columns, const QJsonArray &rows)
{
    return { { QStringLiteral("columns"), columns }, { QStringLiteral("rows"), rows } };
}

// One row: braces around a single QJsonArray would copy it instead of nesting it.
QJsonArray oneRow(const QJsonArray &row)
{
    QJsonArray rows;
    rows.append(row);
    return rows;
}

QJsonObject script(const QJsonArray &rules, const QJsonObject &users = { { kUser, kPassword } })
{
    return { { QStringLiteral("users"), users }, { QStringLiteral("rules"), rules } };
}

QString descriptionOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const DbError &e) {
        return e.description();
    }
    return {};
}

} // namespace

class TestTdsWire : public QObject {
    Q_OBJECT

private slots:
    void init();
    void passwordsReachTheServerAsTyped();
    void theProgramNamesItselfAndSetsTheDateFormat();
    void longTextsAndEveryTypeComeBackWhole();
    void serverErrorsFailTheCallWithTheirNumber();
    void aSilentServerGivesUpWithinTheLimit();
    void aSlowStatementEndsAtItsTimeLimitAndTheLinkStays();
    void aDroppedLinkIsReportedAndTheNextCommandConnectsAgain();
    void aLinkLostInATransactionIsNeverASave();
    void transactionsCostOneRoundTripEachWay();
    void dataSourceNamesWorkAsInIsql();
    void boundValuesTravelAsParameters();

private:
    std::unique_ptr<TdsServer> m_server;
};

void TestTdsWire::init()
{
    if (mss::test::freeTdsDriver().isEmpty())
        QSKIP("FreeTDS's ODBC driver (Debian package tdsodbc) is not installed");
    m_server = std::make_unique<TdsServer>();
    QString why;
    QVERIFY2(m_server->start(script({}), &why), qPrintable(why));
}

void TestTdsWire::passwordsReachTheServerAsTyped()
{
    // Each character that the connection string's grammar treats specially, and letters beyond ASCII.
    const QStringList passwords { QStringLiteral("plain"), QStringLiteral("semi;colon"), QStringLiteral("x}y"),
        QStringLiteral("{lead"), QStringLiteral("a=b"), QStringLiteral(" blanks around "), QStringLiteral("Peña ñ"),
        QStringLiteral("Hosp1tal;Pa55}"), QStringLiteral("{a}b;c}") };
    for (const QString &password : passwords) {
        m_server->setScript(script({}, { { kUser, password } }));
        m_server->forgetLog();
        const QString failure
            = descriptionOf([&] { openConnection(m_server->connectionString(kUser, password))->close(); });
        QVERIFY2(failure.isEmpty(), qPrintable(password + QStringLiteral(": ") + failure));
        const QList<QJsonObject> logins = m_server->events(QStringLiteral("login"));
        QCOMPARE(logins.size(), 1);
        QCOMPARE(logins.first().value(QStringLiteral("password")).toString(), password);
        QVERIFY(logins.first().value(QStringLiteral("accepted")).toBool());
    }

    // A wrong password is the server's refusal, named as such, without the password in it.
    m_server->setScript(script({}));
    const QString refused = descriptionOf(
        [&] { openConnection(m_server->connectionString(kUser, QStringLiteral("wr0ng;pw")))->close(); });
    QVERIFY2(refused.contains(QStringLiteral("Login failed")), qPrintable(refused));
    QVERIFY2(!refused.contains(QStringLiteral("wr0ng")), qPrintable(refused));

    // The one password FreeTDS 1.3's grammar cannot carry is refused before anything is sent.
    m_server->forgetLog();
    const QString cannot
        = descriptionOf([&] { openConnection(m_server->connectionString(kUser, QStringLiteral("a};b")))->close(); });
    QVERIFY2(cannot.contains(QStringLiteral("};")), qPrintable(cannot));
    QVERIFY(m_server->events(QStringLiteral("login")).isEmpty());
}

void TestTdsWire::theProgramNamesItselfAndSetsTheDateFormat()
{
    auto c = openConnection(m_server->connectionString(kUser, kPassword));
    const QList<QJsonObject> logins = m_server->events(QStringLiteral("login"));
    QCOMPARE(logins.size(), 1);
    QCOMPARE(logins.first().value(QStringLiteral("app")).toString(), QStringLiteral("Medical Social Service"));
    QCOMPARE(logins.first().value(QStringLiteral("database")).toString(), QStringLiteral("MSS"));
    // One batch after the log-in: the date format and the session's database together.
    QCOMPARE(m_server->statements(), QStringList { QStringLiteral("SET DATEFORMAT mdy;USE [MSS]") });
    QCOMPARE(static_cast<OdbcConnection &>(*c).dbmsName(), QStringLiteral("Microsoft SQL Server"));

    // A name the DBA chose in the string is kept.
    m_server->forgetLog();
    openConnection(m_server->connectionString(kUser, kPassword, QStringLiteral("APP=MSS Ward 3")))->close();
    QCOMPARE(m_server->events(QStringLiteral("login")).first().value(QStringLiteral("app")).toString(),
        QStringLiteral("MSS Ward 3"));
}

void TestTdsWire::longTextsAndEveryTypeComeBackWhole()
{
    QString remark;
    while (remark.size() < 5000)
        remark += QStringLiteral("Señora Peña, año %1; ").arg(remark.size());
    remark.truncate(5000);
    const QString huge = QString(100000, QLatin1Char('x')) + QStringLiteral("ñ");
    m_server->setScript(script({ rule(QStringLiteral("FROM tbRemark"),
        { resultSet({ column(QStringLiteral("VarcharMax"), QStringLiteral("varchar(max)")),
                        column(QStringLiteral("NvarcharMax"), QStringLiteral("nvarchar(max)")),
                        column(QStringLiteral("Legacy"), QStringLiteral("text")),
                        column(QStringLiteral("Huge"), QStringLiteral("nvarchar(max)")),
                        column(QStringLiteral("Short"), QStringLiteral("varchar(20)")),
                        column(QStringLiteral("Count"), QStringLiteral("int")),
                        column(QStringLiteral("Flag"), QStringLiteral("bit")),
                        column(QStringLiteral("Admitted"), QStringLiteral("datetime")),
                        column(QStringLiteral("Amount"), QStringLiteral("money")),
                        column(QStringLiteral("Rate"), QStringLiteral("decimal(9,4)")),
                        column(QStringLiteral("Ratio"), QStringLiteral("float")),
                        column(QStringLiteral("Empty"), QStringLiteral("varchar(10)")) },
            { QJsonArray { remark, remark, remark, huge, QStringLiteral("Niño"), 42, true,
                  QStringLiteral("2026-03-07T14:27:05.123"), QStringLiteral("12148.94"), QStringLiteral("0.1250"), 0.5,
                  QString() },
                QJsonArray { QJsonValue(), QJsonValue(), QJsonValue(), QJsonValue(), QJsonValue(), QJsonValue(),
                    QJsonValue(), QJsonValue(), QJsonValue(), QJsonValue(), QJsonValue(), QJsonValue() } }) }) }));
    auto c = openConnection(m_server->connectionString(kUser, kPassword));
    Recordset rs = c->open(QStringLiteral("SELECT * FROM tbRemark"));
    QCOMPARE(rs.recordCount(), 2);
    QCOMPARE(rs.text(QStringLiteral("VarcharMax")), remark);
    QCOMPARE(rs.text(QStringLiteral("NvarcharMax")), remark);
    QCOMPARE(rs.text(QStringLiteral("Legacy")), remark);
    QCOMPARE(rs.text(QStringLiteral("Huge")).size(), huge.size());
    QCOMPARE(rs.text(QStringLiteral("Huge")), huge);
    QCOMPARE(rs.text(QStringLiteral("Short")), QStringLiteral("Niño"));
    QCOMPARE(rs.value(QStringLiteral("Count")).toInt(), 42);
    QCOMPARE(rs.value(QStringLiteral("Flag")).toInt(), 1);
    QCOMPARE(rs.value(QStringLiteral("Admitted")).toDateTime(), QDateTime(QDate(2026, 3, 7), QTime(14, 27, 5, 123)));
    QCOMPARE(rs.number(QStringLiteral("Amount")), 12148.94);
    QCOMPARE(rs.number(QStringLiteral("Rate")), 0.125);
    QCOMPARE(rs.number(QStringLiteral("Ratio")), 0.5);
    QVERIFY(!rs.isNull(QStringLiteral("Empty")));
    QCOMPARE(rs.text(QStringLiteral("Empty")), QString());
    rs.moveNext();
    for (const QString &name : rs.columns())
        QVERIFY2(rs.isNull(name), qPrintable(name));
}

void TestTdsWire::serverErrorsFailTheCallWithTheirNumber()
{
    m_server->setScript(script({
        rule(QStringLiteral("sp_MSS_AfterRows"),
            { resultSet({ column(QStringLiteral("A"), QStringLiteral("int")) }, oneRow({ 1 })),
                error(50001, QStringLiteral("The ward is closed.")) }),
        rule(QStringLiteral("sp_MSS_Before"), { error(2812, QStringLiteral("Could not find stored procedure.")) }),
        rule(QStringLiteral("sp_MSS_Chatty"),
            { QJsonObject { { QStringLiteral("info"),
                  QJsonObject {
                      { QStringLiteral("number"), 0 }, { QStringLiteral("message"), QStringLiteral("note") } } } },
                resultSet({ column(QStringLiteral("A"), QStringLiteral("int")) }, oneRow({ 7 })) }),
    }));
    auto c = openConnection(m_server->connectionString(kUser, kPassword));
    try {
        c->open(QStringLiteral("MSS..sp_MSS_AfterRows '1'"));
        QFAIL("an error after the rows was taken for success");
    } catch (const DbError &e) {
        QCOMPARE(e.number(), 50001LL);
        QVERIFY2(e.description().contains(QStringLiteral("The ward is closed.")), qPrintable(e.description()));
        QCOMPARE(c->errors().size(), 1);
    }
    try {
        c->execute(QStringLiteral("MSS..sp_MSS_Before"));
        QFAIL("a missing procedure ran");
    } catch (const DbError &e) {
        QCOMPARE(e.number(), 2812LL);
    }
    // An informational message is no failure.
    QCOMPARE(c->open(QStringLiteral("MSS..sp_MSS_Chatty")).text(QStringLiteral("A")), QStringLiteral("7"));
    QVERIFY(c->errors().isEmpty());
}

void TestTdsWire::aSilentServerGivesUpWithinTheLimit()
{
    QJsonObject silent = script({});
    silent.insert(QStringLiteral("login"), QJsonObject { { QStringLiteral("silent"), true } });
    m_server->setScript(silent);
    QElapsedTimer clock;
    clock.start();
    const QString failure = descriptionOf(
        [&] { openConnection(m_server->connectionString(kUser, kPassword, QStringLiteral("LoginTimeout=2"))); });
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(failure.contains(QStringLiteral("did not answer the log-on within 2 seconds")), qPrintable(failure));
    QVERIFY2(elapsed >= 1500 && elapsed < 6000, qPrintable(QString::number(elapsed)));
}

void TestTdsWire::aSlowStatementEndsAtItsTimeLimitAndTheLinkStays()
{
    QJsonObject slow = rule(QStringLiteral("sp_MSS_Slow"),
        { resultSet({ column(QStringLiteral("A"), QStringLiteral("int")) }, oneRow({ 1 })) });
    slow.insert(QStringLiteral("delay_ms"), 20000);
    m_server->setScript(script({ slow,
        rule(QStringLiteral("SELECT 2"),
            { resultSet({ column(QStringLiteral("B"), QStringLiteral("int")) }, oneRow({ 2 })) }) }));
    auto c = openConnection(m_server->connectionString(kUser, kPassword, QStringLiteral("QueryTimeout=1")));
    QCOMPARE(static_cast<OdbcConnection &>(*c).queryTimeoutSeconds(), 1);
    QElapsedTimer clock;
    clock.start();
    const QString failure = descriptionOf([&] { c->open(QStringLiteral("MSS..sp_MSS_Slow")); });
    QVERIFY2(failure.contains(QStringLiteral("did not answer within 1 seconds")), qPrintable(failure));
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(m_server->events(QStringLiteral("attention")).size(), 1);
    // The server acknowledged the cancel: the same link answers the next statement.
    QCOMPARE(c->open(QStringLiteral("SELECT 2")).text(0), QStringLiteral("2"));
    QCOMPARE(m_server->events(QStringLiteral("login")).size(), 1);
}

void TestTdsWire::aDroppedLinkIsReportedAndTheNextCommandConnectsAgain()
{
    m_server->setScript(script({
        rule(QStringLiteral("SELECT HospNum"), { QJsonObject { { QStringLiteral("drop"), true } } }, 1),
        rule(QStringLiteral("SELECT HospNum"),
            { resultSet({ column(QStringLiteral("HospNum"), QStringLiteral("varchar(20)")) },
                oneRow({ QStringLiteral("0001") })) }),
    }));
    auto c = openConnection(m_server->connectionString(kUser, kPassword));
    c->setDefaultDatabase(QStringLiteral("MSS"));
    const QString failure
        = descriptionOf([&] { c->open(QStringLiteral("SELECT HospNum FROM PATIENT_DATA..tbMaster")); });
    QVERIFY2(
        failure.startsWith(QStringLiteral("The connection to the hospital's server was lost.")), qPrintable(failure));
    QCOMPARE(c->state(), ConnectionState::Open);
    // The next command logs on again with the session's log-in and works.
    m_server->forgetLog();
    QCOMPARE(c->open(QStringLiteral("SELECT HospNum FROM PATIENT_DATA..tbMaster")).text(0), QStringLiteral("0001"));
    const QList<QJsonObject> logins = m_server->events(QStringLiteral("login"));
    QCOMPARE(logins.size(), 1);
    QCOMPARE(logins.first().value(QStringLiteral("password")).toString(), kPassword);
    QCOMPARE(m_server->statements().first(), QStringLiteral("SET DATEFORMAT mdy;USE [MSS]"));
}

void TestTdsWire::aLinkLostInATransactionIsNeverASave()
{
    m_server->setScript(script({
        rule(QStringLiteral("sp_MSS_SaveFirst"), { QJsonObject { { QStringLiteral("rowcount"), 1 } } }),
        rule(QStringLiteral("sp_MSS_SaveSecond"), { QJsonObject { { QStringLiteral("drop"), true } } }, 1),
        rule(QStringLiteral("SELECT 1"),
            { resultSet({ column(QStringLiteral("A"), QStringLiteral("int")) }, oneRow({ 1 })) }),
    }));
    auto c = openConnection(m_server->connectionString(kUser, kPassword));
    c->beginTrans();
    c->execute(QStringLiteral("MSS..sp_MSS_SaveFirst 'a'"));
    const QString lost = descriptionOf([&] { c->execute(QStringLiteral("MSS..sp_MSS_SaveSecond 'b'")); });
    QVERIFY2(lost.contains(QStringLiteral("was not saved")), qPrintable(lost));
    // Nothing more of the transaction runs on its own on a new link, and its commit fails.
    const QString third = descriptionOf([&] { c->execute(QStringLiteral("MSS..sp_MSS_SaveFirst 'c'")); });
    QVERIFY2(third.contains(QStringLiteral("was not saved")), qPrintable(third));
    const QString commit = descriptionOf([&] { c->commitTrans(); });
    QVERIFY2(commit.contains(QStringLiteral("was not saved")), qPrintable(commit));
    QVERIFY(!c->inTransaction());
    QVERIFY(!m_server->statements().contains(QStringLiteral("COMMIT TRANSACTION")));
    QCOMPARE(m_server->statements().count(QStringLiteral("MSS..sp_MSS_SaveFirst 'c'")), 0);
    // The session goes on.
    QCOMPARE(c->open(QStringLiteral("SELECT 1")).text(0), QStringLiteral("1"));

    // A rollback after the link went is no second failure.
    m_server->setScript(
        script({ rule(QStringLiteral("sp_MSS_SaveSecond"), { QJsonObject { { QStringLiteral("drop"), true } } }) }));
    c->beginTrans();
    QVERIFY(!descriptionOf([&] { c->execute(QStringLiteral("MSS..sp_MSS_SaveSecond 'b'")); }).isEmpty());
    c->rollbackTrans();
    QVERIFY(!c->inTransaction());
}

void TestTdsWire::transactionsCostOneRoundTripEachWay()
{
    m_server->setScript(
        script({ rule(QStringLiteral("sp_MSS_Save"), { QJsonObject { { QStringLiteral("rowcount"), 1 } } }) }));
    auto c = openConnection(m_server->connectionString(kUser, kPassword));
    m_server->forgetLog();
    c->beginTrans();
    c->execute(QStringLiteral("MSS..sp_MSS_Save 'a'"));
    c->commitTrans();
    QCOMPARE(m_server->statements(),
        (QStringList { QStringLiteral("BEGIN TRANSACTION"), QStringLiteral("MSS..sp_MSS_Save 'a'"),
            QStringLiteral("COMMIT TRANSACTION") }));
    QVERIFY(m_server->events(QStringLiteral("tm")).isEmpty());

    // A deadlock victim's transaction is already gone on the server; the rollback is guarded.
    m_server->setScript(script(
        { rule(QStringLiteral("sp_MSS_Save"), { error(1205, QStringLiteral("Transaction was deadlocked"), 13) }) }));
    m_server->forgetLog();
    c->beginTrans();
    try {
        c->execute(QStringLiteral("MSS..sp_MSS_Save 'a'"));
        QFAIL("a deadlock was taken for success");
    } catch (const DbError &e) {
        QCOMPARE(e.number(), 1205LL);
    }
    c->rollbackTrans();
    QCOMPARE(m_server->statements().last(), QStringLiteral("IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION"));
}

void TestTdsWire::dataSourceNamesWorkAsInIsql()
{
    QTemporaryDir dir;
    QFile ini(dir.filePath(QStringLiteral("odbc.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write(QStringLiteral("[HospitalMSS]\nDriver=%1\nServer=127.0.0.1\nPort=%2\nTDS_Version=7.4\nDatabase=MSS\n")
                  .arg(mss::test::freeTdsDriver())
                  .arg(m_server->port())
                  .toUtf8());
    ini.close();
    qputenv("ODBCINI", dir.filePath(QStringLiteral("odbc.ini")).toLocal8Bit());
    const QString failure = descriptionOf([&] {
        auto c = openConnection(QStringLiteral("DSN=HospitalMSS;UID=%1;PWD={%2}").arg(kUser, kPassword));
        QCOMPARE(c->state(), ConnectionState::Open);
    });
    qunsetenv("ODBCINI");
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QCOMPARE(m_server->events(QStringLiteral("login")).last().value(QStringLiteral("password")).toString(), kPassword);
}

void TestTdsWire::boundValuesTravelAsParameters()
{
    m_server->setScript(script({ rule(QStringLiteral("WHERE u.UserCode = @P1"),
        { resultSet({ column(QStringLiteral("UserCode"), QStringLiteral("varchar(20)")) },
            oneRow({ QStringLiteral("MSS01") })) }) }));
    auto c = openConnection(m_server->connectionString(kUser, kPassword));
    m_server->forgetLog();
    const Recordset rs = c->query(QStringLiteral("SELECT u.UserCode FROM MSS..tbMSSUser u WHERE u.UserCode = :code"),
        { { QStringLiteral("code"), QStringLiteral("MSS01' OR 1=1 --") } });
    QCOMPARE(rs.text(0), QStringLiteral("MSS01"));
    const QList<QJsonObject> calls = m_server->events(QStringLiteral("rpc"));
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls.first().value(QStringLiteral("proc")).toString(), QStringLiteral("sp_executesql"));
    const QJsonArray args = calls.first().value(QStringLiteral("args")).toArray();
    QCOMPARE(args.size(), 1);
    QCOMPARE(args.first().toObject().value(QStringLiteral("value")).toString(), QStringLiteral("MSS01' OR 1=1 --"));
}

QTEST_GUILESS_MAIN(TestTdsWire)
#include "tst_tdswire.moc"
