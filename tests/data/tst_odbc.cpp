// The ODBC driver against a real ODBC data source: unixODBC with the SQLite ODBC driver, which
// runs on any machine without a server.
#include "data/connection.h"
#include "data/odbc.h"
#include "support/sqliteodbc.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace mss::data;

class TestOdbc : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void openQueryExecuteClose();
    void driverErrorsBecomeDbErrors();
    void transactions();
    void statementsRunUnderALockWait();
    void unreachableSourceIsAnError();
    void placeholdersBindByOccurrenceAndCommentsAreLeftAlone();
    void catalogFindsTablesAndViews();

private:
    QString connectionString() const;
    QTemporaryDir m_dir;
    QString m_driver;
};

void TestOdbc::initTestCase()
{
    m_driver = mss::test::sqliteOdbcDriver();
    QVERIFY2(!m_driver.isEmpty(), "the SQLite ODBC driver (Debian package libsqliteodbc) is not installed");
}

QString TestOdbc::connectionString() const
{
    return QStringLiteral("Driver=%1;Database=%2")
        .arg(m_driver, QDir(m_dir.path()).filePath(QStringLiteral("odbc.db")));
}

void TestOdbc::openQueryExecuteClose()
{
    auto c = openConnection(connectionString());
    QCOMPARE(c->driverName(), QStringLiteral("ODBC"));
    QCOMPARE(c->state(), ConnectionState::Open);
    QCOMPARE(c->connectionString(), connectionString());

    c->execute(QStringLiteral("CREATE TABLE tbMaster (HospNum TEXT, LastName TEXT, Amount REAL, Expiry TEXT)"));
    c->execute(QStringLiteral("INSERT INTO tbMaster VALUES ('000123', 'O''Brien', 1250.5, NULL)"));
    c->execute(QStringLiteral("INSERT INTO tbMaster VALUES ('000124', 'Peña', 0, '2026-03-07')"));

    Recordset rs = c->open(QStringLiteral("SELECT HospNum, LastName, Amount, Expiry FROM tbMaster ORDER BY HospNum"));
    QCOMPARE(rs.recordCount(), 2);
    QCOMPARE(rs.text(QStringLiteral("hospnum")), QStringLiteral("000123"));
    QCOMPARE(rs.text(QStringLiteral("LASTNAME")), QStringLiteral("O'Brien"));
    QCOMPARE(rs.number(QStringLiteral("Amount")), 1250.5);
    QCOMPARE(rs.text(QStringLiteral("Expiry")), QString());
    rs.moveNext();
    QCOMPARE(rs.text(QStringLiteral("LastName")), QStringLiteral("Peña"));

    rs = c->query(QStringLiteral("SELECT LastName FROM tbMaster WHERE HospNum = :hosp"),
        { { QStringLiteral("hosp"), QStringLiteral("000124") } });
    QCOMPARE(rs.recordCount(), 1);
    QCOMPARE(rs.text(0), QStringLiteral("Peña"));

    c->close();
    QCOMPARE(c->state(), ConnectionState::Closed);
    QVERIFY_THROWS_EXCEPTION(DbError, c->execute(QStringLiteral("SELECT 1")));
}

void TestOdbc::driverErrorsBecomeDbErrors()
{
    auto c = openConnection(connectionString());
    try {
        c->open(QStringLiteral("SELECT * FROM tbNoSuchTable"));
        QFAIL("a query on a missing table succeeded");
    } catch (const DbError &e) {
        QVERIFY2(e.description().contains(QStringLiteral("no such table")), qPrintable(e.description()));
        QVERIFY2(e.description().contains(QStringLiteral("tbNoSuchTable")), qPrintable(e.description()));
        QVERIFY(!e.source().isEmpty());
        QCOMPARE(c->errors().size(), 1);
        QCOMPARE(c->errors().first().description, e.description());
    }
    c->open(QStringLiteral("SELECT 1"));
    QVERIFY(c->errors().isEmpty());
}

void TestOdbc::transactions()
{
    auto c = openConnection(connectionString());
    c->execute(QStringLiteral("CREATE TABLE IF NOT EXISTS tbLedger (Note TEXT)"));
    c->beginTrans();
    QVERIFY(c->inTransaction());
    c->execute(QStringLiteral("INSERT INTO tbLedger VALUES ('undone')"));
    c->rollbackTrans();
    QVERIFY(!c->inTransaction());
    c->beginTrans();
    c->execute(QStringLiteral("INSERT INTO tbLedger VALUES ('kept')"));
    c->commitTrans();
    QCOMPARE(c->open(QStringLiteral("SELECT group_concat(Note) FROM tbLedger")).text(0), QStringLiteral("kept"));
}

void TestOdbc::statementsRunUnderALockWait()
{
    auto c = openConnection(connectionString());
    c->execute(QStringLiteral("CREATE TABLE IF NOT EXISTS tbNotice (Status TEXT)"));
    c->execute(QStringLiteral("INSERT INTO tbNotice VALUES ('P')"));
    const int normal = c->lockWaitMs();
    {
        // Text and bound queries both run under the shorter wait.
        const LockWait wait(*c, 100);
        QCOMPARE(c->lockWaitMs(), 100);
        QCOMPARE(c->open(QStringLiteral("SELECT count(*) FROM tbNotice")).text(0), QStringLiteral("1"));
        QCOMPARE(c->query(QStringLiteral("SELECT count(*) FROM tbNotice WHERE Status = :s"),
                      { { QStringLiteral("s"), QStringLiteral("P") } })
                     .text(0),
            QStringLiteral("1"));
    }
    QCOMPARE(c->lockWaitMs(), normal);
}

void TestOdbc::unreachableSourceIsAnError()
{
    try {
        openConnection(QStringLiteral("Driver={No Such ODBC Driver};Server=nowhere"));
        QFAIL("a connection to a missing driver opened");
    } catch (const DbError &e) {
        QVERIFY(!e.description().isEmpty());
    }
}

void TestOdbc::placeholdersBindByOccurrenceAndCommentsAreLeftAlone()
{
    auto c = openConnection(connectionString());
    c->execute(QStringLiteral("CREATE TABLE IF NOT EXISTS tbWard (Ward TEXT, Name TEXT)"));
    c->execute(QStringLiteral("INSERT INTO tbWard VALUES ('A', 'O''Brien'), ('B', 'Cruz'), ('C', 'Reyes')"));
    // A name used twice, one only in a comment, one inside a literal and a bracketed name.
    const Recordset rs = c->query(QStringLiteral("SELECT Name, ':Ward' AS Literal FROM tbWard -- :Missing here\n"
                                                 " WHERE Ward = :Ward OR Ward = :other /* or :Ward */ OR Name = :WARD\n"
                                                 " ORDER BY Name"),
        { { QStringLiteral("Ward"), QStringLiteral("A") }, { QStringLiteral(":other"), QStringLiteral("C") } });
    QCOMPARE(rs.recordCount(), 2);
    QCOMPARE(rs.text(QStringLiteral("Name")), QStringLiteral("O'Brien"));
    QCOMPARE(rs.text(QStringLiteral("Literal")), QStringLiteral(":Ward"));
    // A placeholder without a value is refused by name, not run with whatever the driver binds.
    try {
        c->query(QStringLiteral("SELECT Name FROM tbWard WHERE Ward = :Nowhere"), {});
        QFAIL("a placeholder without a value ran");
    } catch (const DbError &e) {
        QVERIFY2(e.description().contains(QStringLiteral(":Nowhere")), qPrintable(e.description()));
    }
}

void TestOdbc::catalogFindsTablesAndViews()
{
    auto c = openConnection(connectionString());
    c->execute(QStringLiteral("CREATE TABLE IF NOT EXISTS tbCatalog (A TEXT)"));
    c->execute(QStringLiteral("CREATE VIEW IF NOT EXISTS vwCatalog AS SELECT A FROM tbCatalog"));
    auto &odbc = dynamic_cast<OdbcConnection &>(*c);
    QVERIFY(odbc.catalogHas(QStringLiteral("MSS"), QStringLiteral("tbCatalog"), false));
    QVERIFY(odbc.catalogHas(QStringLiteral("MSS"), QStringLiteral("vwCatalog"), false));
    QVERIFY(!odbc.catalogHas(QStringLiteral("MSS"), QStringLiteral("tbAbsent"), false));
    QVERIFY(!odbc.catalogHas(QStringLiteral("MSS"), QStringLiteral("sp_MSS_Absent"), true));
    QCOMPARE(odbc.dbmsName(), QStringLiteral("SQLite"));
}

QTEST_GUILESS_MAIN(TestOdbc)
#include "tst_odbc.moc"
