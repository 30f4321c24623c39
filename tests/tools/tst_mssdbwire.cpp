// mss-db on the hospital's SQL Server, through FreeTDS's ODBC driver against the TDS test server:
// what an administrator's commands send, that the server's password comes from the environment
// and reaches the server whole, and that a report's values travel as parameters.
#include "support/tdsserver.h"
#include "support/toolrun.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using mss::test::TdsServer;
using mss::test::tds::rule;

namespace {

// Rows of text, every column of one type.
QJsonObject rows(const QStringList &names, const QString &type, const QList<QStringList> &values)
{
    QList<QJsonArray> all;
    for (const QStringList &row : values)
        all.append(QJsonArray::fromStringList(row));
    return mss::test::tds::rows(names, { type }, all);
}

} // namespace

namespace {

const QString kUser = QStringLiteral("mss_admin");
const QString kPassword = QStringLiteral("Adm1n;{pass} ñ");

using Run = mss::test::ToolRun;

QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), { QStringLiteral("-layout"), pdf, QStringLiteral("-") });
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestMssDbWire : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void execSendsTheStatementAsItStands();
    void userAddStoresAHashInOneTransaction();
    void aReportsValuesTravelAsParameters();
    void checkNamesTheColumnsTheServerLacks();

private:
    Run run(const QStringList &args) const;

    QTemporaryDir m_dir;
    TdsServer m_server;
};

void TestMssDbWire::initTestCase()
{
    if (mss::test::freeTdsDriver().isEmpty())
        QSKIP("FreeTDS's ODBC driver (Debian package tdsodbc) is not installed");
    QVERIFY2(QFile::exists(mss::test::mssDbPath()), qPrintable(mss::test::mssDbPath()));
    QString why;
    QVERIFY2(
        m_server.start({ { QStringLiteral("users"), QJsonObject { { kUser, kPassword } } } }, &why), qPrintable(why));
}

Run TestMssDbWire::run(const QStringList &args) const
{
    return mss::test::runMssDb(args,
        { { QStringLiteral("MSS_ODBC_PASSWORD"), kPassword },
            { QStringLiteral("MSS_USER_PASSWORD"), QStringLiteral("Sampaguita-Ward-7") },
            { QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen") } });
}

void TestMssDbWire::execSendsTheStatementAsItStands()
{
    m_server.setScript({ { QStringLiteral("users"), QJsonObject { { kUser, kPassword } } },
        { QStringLiteral("rules"),
            QJsonArray { rule(QStringLiteral("^SELECT Ward, Name FROM tbWard\\Z"),
                { rows({ QStringLiteral("Ward"), QStringLiteral("Name") }, QStringLiteral("nvarchar(40)"),
                    { { QStringLiteral("A"), QStringLiteral("PEÑA, ANA") } }) }) } } });
    m_server.forgetLog();
    const Run r = run({ QStringLiteral("exec"), QStringLiteral("--odbc"), m_server.connectionString(kUser, QString()),
        QStringLiteral("SELECT Ward, Name FROM tbWard") });
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QCOMPARE(r.out, QStringLiteral("Ward\tName\nA\tPEÑA, ANA\n"));
    const QList<QJsonObject> logins = m_server.events(QStringLiteral("login"));
    QCOMPARE(logins.size(), 1);
    QCOMPARE(logins.first().value(QStringLiteral("password")).toString(), kPassword);
    QVERIFY(m_server.statements().contains(QStringLiteral("SELECT Ward, Name FROM tbWard")));
    QVERIFY(!r.err.contains(QStringLiteral("Adm1n")));
}

void TestMssDbWire::userAddStoresAHashInOneTransaction()
{
    m_server.setScript({ { QStringLiteral("users"), QJsonObject { { kUser, kPassword } } },
        { QStringLiteral("unmatched"), QStringLiteral("empty") } });
    m_server.forgetLog();
    const Run r = run({ QStringLiteral("user"), QStringLiteral("add"), QStringLiteral("--odbc"),
        m_server.connectionString(kUser, QString()), QStringLiteral("nurse1"), QStringLiteral("--last"),
        QStringLiteral("Reyes"), QStringLiteral("--first"), QStringLiteral("Ana"), QStringLiteral("--rights"),
        QStringLiteral("A") });
    QVERIFY2(r.code == 0, qPrintable(r.err + r.out));
    const QStringList wire = m_server.statements();
    const qsizetype begin = wire.indexOf(QStringLiteral("BEGIN TRANSACTION"));
    QVERIFY2(begin >= 0, qPrintable(wire.join(QLatin1Char('\n'))));
    QCOMPARE(wire.last(), QStringLiteral("COMMIT TRANSACTION"));
    QVERIFY(wire.mid(begin).filter(QStringLiteral("INSERT INTO tbMSSUser ")).size() == 1);
    bool hashSent = false;
    for (const QJsonObject &call : m_server.events(QStringLiteral("rpc"))) {
        for (const QJsonValue &arg : call.value(QStringLiteral("args")).toArray()) {
            const QString value = arg.toObject().value(QStringLiteral("value")).toString();
            QVERIFY2(!value.contains(QStringLiteral("Sampaguita")), "the user's password went to the server");
            hashSent = hashSent || value.startsWith(QStringLiteral("$argon2"));
        }
    }
    QVERIFY(hashSent);
}

void TestMssDbWire::aReportsValuesTravelAsParameters()
{
    m_server.setScript({ { QStringLiteral("users"), QJsonObject { { kUser, kPassword } } },
        { QStringLiteral("unmatched"), QStringLiteral("empty") },
        { QStringLiteral("rules"),
            QJsonArray { rule(QStringLiteral("WHERE Ward = @P1 AND Since >= @P2"),
                { rows({ QStringLiteral("Name") }, QStringLiteral("varchar(60)"),
                    { { QStringLiteral("DELA CRUZ, JUAN") }, { QStringLiteral("SANTIAGO, GRACE") } }) }) } } });
    const QString definition = m_dir.filePath(QStringLiteral("WardList.rpt"));
    QFile f(definition);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<report title="Ward list">
  <param name="Ward" type="text"/>
  <param name="Since" type="date"/>
  <query name="rows"><![CDATA[SELECT Name FROM no_such_embedded_table]]></query>
  <query name="rows" driver="ODBC"><![CDATA[SELECT Name FROM MSS..vwWard WHERE Ward = :Ward AND Since >= :Since]]></query>
  <pageHeader height="16"><text w="300">Ward {param.Ward}</text></pageHeader>
  <detail query="rows" height="14"><text w="300">{Name}</text></detail>
</report>
)");
    f.close();
    m_server.forgetLog();
    const QString pdf = m_dir.filePath(QStringLiteral("ward.pdf"));
    const Run r = run({ QStringLiteral("report"), QStringLiteral("--odbc"), m_server.connectionString(kUser, QString()),
        definition, pdf, QStringLiteral("B' OR 1=1 --"), QStringLiteral("03/15/2026") });
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QVERIFY(pdfText(pdf).contains(QStringLiteral("SANTIAGO, GRACE")));
    QJsonArray args;
    for (const QJsonObject &call : m_server.events(QStringLiteral("rpc")))
        if (call.value(QStringLiteral("text")).toString().contains(QStringLiteral("vwWard")))
            args = call.value(QStringLiteral("args")).toArray();
    QCOMPARE(args.size(), 2);
    QCOMPARE(args[0].toObject().value(QStringLiteral("value")).toString(), QStringLiteral("B' OR 1=1 --"));
    QVERIFY2(args[1].toObject().value(QStringLiteral("value")).toString().startsWith(QStringLiteral("2026-03-15")),
        qPrintable(args[1].toObject().value(QStringLiteral("value")).toString()));
}

void TestMssDbWire::checkNamesTheColumnsTheServerLacks()
{
    // A deployed server whose catalog lists every object, and whose patient master has only two
    // of its columns.
    const QJsonObject anyTable = rows(
        { QStringLiteral("TABLE_CAT"), QStringLiteral("TABLE_SCHEM"), QStringLiteral("TABLE_NAME"),
            QStringLiteral("TABLE_TYPE"), QStringLiteral("REMARKS") },
        QStringLiteral("varchar(128)"),
        { { QStringLiteral("MSS"), QStringLiteral("dbo"), QStringLiteral("x"), QStringLiteral("TABLE"), QString() } });
    m_server.setScript({ { QStringLiteral("users"), QJsonObject { { kUser, kPassword } } },
        { QStringLiteral("unmatched"), QStringLiteral("empty") },
        { QStringLiteral("rules"),
            QJsonArray {
                rule(QStringLiteral("^SELECT MAX\\(Version\\)"),
                    { rows({ QStringLiteral("Version") }, QStringLiteral("int"), { { QStringLiteral("2") } }) }),
                rule(QStringLiteral("sp_tables|sp_stored_procedures"), { anyTable }),
                rule(QStringLiteral("FROM PATIENT_DATA\\.INFORMATION_SCHEMA\\.COLUMNS"),
                    { rows({ QStringLiteral("TABLE_NAME"), QStringLiteral("COLUMN_NAME") },
                        QStringLiteral("varchar(128)"),
                        { { QStringLiteral("tbMaster"), QStringLiteral("HospNum") },
                            { QStringLiteral("tbMaster"), QStringLiteral("LastName") } }) }) } } });
    m_server.forgetLog();
    const Run r
        = run({ QStringLiteral("check"), QStringLiteral("--odbc"), m_server.connectionString(kUser, QString()) });
    QCOMPARE(r.code, 1);
    QVERIFY2(
        r.out.contains(QStringLiteral("missing column PATIENT_DATA..tbMaster.MSSNum (used by:")), qPrintable(r.out));
    QVERIFY2(m_server.statements().filter(QStringLiteral("INFORMATION_SCHEMA.COLUMNS")).size() >= 1,
        qPrintable(m_server.statements().join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(TestMssDbWire)
#include "tst_mssdbwire.moc"
