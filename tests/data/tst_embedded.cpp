// The embedded driver end to end: every statement shape the windows send, procedures, hostile
// values, errors in both idioms, and transactions that stay atomic across the database files.
#include "data/embedded.h"
#include "data/quote.h"
#include "support/fakeconnections.h"
#include "support/temphospital.h"

#include <QProcess>
#include <QtTest>

#include <csignal>
#include <iostream>
#include <thread>

using namespace mss::data;
using mss::test::FaultInjectingConnection;
using mss::test::TempHospital;

namespace {

// Small stand-ins for the hospital's tables and procedures, enough to exercise each shape.
void createFixtures(EmbeddedConnection &c)
{
    c.executeScript(QStringLiteral(R"(
        CREATE TABLE main.tbMSSClassificationScheme (Code TEXT, Classification TEXT);
        INSERT INTO main.tbMSSClassificationScheme VALUES ('C1','Class C1'),('A','Class A'),(NULL,'No code');
        CREATE TABLE main.tbMSSActive (Code TEXT, CaseStatus TEXT);
        INSERT INTO main.tbMSSActive VALUES ('A','Active'),('C','Closed');
        CREATE TABLE main.tbMssCaseCategory (CategoryID INTEGER, Category TEXT, Status TEXT);
        INSERT INTO main.tbMssCaseCategory VALUES (2,'Medical','A'),(1,'Surgical','A'),(3,'Old','I');
        CREATE TABLE main.tbNotes (Id INTEGER PRIMARY KEY, Note TEXT);
        CREATE TABLE PATIENT_DATA.tbMaster (HospNum TEXT PRIMARY KEY, MSSClassification TEXT, MSSDiscountExpiry TEXT);
        INSERT INTO PATIENT_DATA.tbMaster VALUES ('000123','C1','2026-03-07'), ('000124', NULL, NULL);
        CREATE TABLE PATIENT_DATA.tbPatient2 (IdNum TEXT, PatientClass TEXT);
        INSERT INTO PATIENT_DATA.tbPatient2 VALUES ('555','Service'),('556',NULL);
        CREATE TABLE PATIENT_DATA.tbHospitalInfo (Company TEXT, Address1 TEXT);
        INSERT INTO PATIENT_DATA.tbHospitalInfo VALUES ('Demo General Hospital','Main Street');
        CREATE TABLE BILLING.tbDummyDiscountTable (RevenueID TEXT, ActualCharges REAL);
        INSERT INTO BILLING.tbDummyDiscountTable VALUES ('MD',1000),('LB',250.5),('XR',49.5);
        CREATE TABLE BILLING.tbBillDailyBill (RevenueID TEXT, RefNum TEXT, Amount REAL);
        INSERT INTO BILLING.tbBillDailyBill VALUES ('QF','R1',10),('QF','R2',20),('LB','R1',30);
        CREATE TABLE BILLING.tbLedger (Id INTEGER PRIMARY KEY, Note TEXT);
    )"));
    c.storeProcedure(QStringLiteral("MSS"), QStringLiteral("sp_Test_Echo"),
        QStringLiteral("-- Returns its arguments and their types.\n-- params: First, Second\n"
                       "SELECT @First AS First, @Second AS Second, typeof(@Second) AS SecondType;"));
    c.storeProcedure(QStringLiteral("MSS"), QStringLiteral("sp_Test_NoArgs"),
        QStringLiteral("-- params:\nSELECT count(*) AS recCount FROM tbMSSActive;"));
    c.storeProcedure(QStringLiteral("MSS"), QStringLiteral("sp_Test_SaveNote"),
        QStringLiteral("-- Stores a note in MSS and BILLING; refuses notes over 10 characters.\n"
                       "-- params: Note\n"
                       "INSERT INTO tbNotes(Note) VALUES (@Note);\n"
                       "INSERT INTO BILLING.tbLedger(Note) VALUES (@Note);\n"
                       "SELECT mss_error('The note is longer than ten characters') WHERE length(@Note) > 10;\n"
                       "SELECT last_insert_rowid() AS Id;"));
    c.storeProcedure(QStringLiteral("MSS"), QStringLiteral("sp_Test_Positional"),
        QStringLiteral("-- params: a, b, c\nSELECT ?3 || ?1 AS Joined, :b AS B;"));
    c.storeProcedure(QStringLiteral("BILLING"), QStringLiteral("sp_Billing_Test_Sum"),
        QStringLiteral("-- params: Except\n"
                       "SELECT sum(ActualCharges) AS \"Actual Charges\" FROM tbDummyDiscountTable "
                       "WHERE RevenueID <> @Except;"));
    c.storeProcedure(QStringLiteral("MSS"), QStringLiteral("sp_Test_Date"),
        QStringLiteral("-- params: d\nSELECT mss_date(@d) AS D;"));
}

QString single(Connection &c, const QString &statement)
{
    Recordset rs = c.open(statement);
    return rs.eof() ? QStringLiteral("<none>") : rs.text(0);
}

} // namespace

class TestEmbedded : public QObject {
    Q_OBJECT

private slots:
    void quotedStatementShapes();
    void procedureCallForms();
    void procedureResultsAndBinding();
    void recordsetReadsByNameInAnyCase();
    void hostileValuesRoundTrip_data();
    void hostileValuesRoundTrip();
    void errorsAreThrownAndListed();
    void failedProcedureWritesNothing();
    void repeatedCallsReuseWhatTheyPrepared();
    void tableRowsReadAsTheRecordsetDoes();
    void badInputIsAClearError();
    void missingAndLockedFiles();
    void transactionSpansDatabases();
    void faultBeforeCommitLeavesBothUnchanged();
    void killedProcessLeavesBothUnchanged();
    void readersSeeOnlyCommittedWork();
};

void TestEmbedded::quotedStatementShapes()
{
    TempHospital h;
    auto &c = h.connection();
    createFixtures(c);

    Recordset rs = c.open(QStringLiteral("SELECT isnull(Code,'') [Code], isnull(Classification,'') [Classification] "
                                         "FROM MSS..tbMSSClassificationScheme ORDER BY Code"));
    QCOMPARE(rs.recordCount(), 3);
    QCOMPARE(rs.text(QStringLiteral("Code")), QString()); // null became '' and sorts first
    rs.moveLast();
    QCOMPARE(rs.text(QStringLiteral("code")), QStringLiteral("C1"));

    QCOMPARE(single(c,
                 QStringLiteral("SELECT left(isnull(PatientClass,''),1) [PatientClass] FROM PATIENT_DATA..tbPatient2 "
                                "WHERE IdNum = '555'")),
        QStringLiteral("S"));
    QCOMPARE(single(c,
                 QStringLiteral("SELECT left(isnull(PatientClass,''),1) [PatientClass] FROM PATIENT_DATA..tbPatient2 "
                                "WHERE IdNum = '556'")),
        QString());

    rs = c.open(QStringLiteral(
        "Select isnull(MSSClassification,'') as MSSClassification,  CONVERT(VARCHAR(10), MssDiscountExpiry, 101) "
        "as MssDiscountExpiry  From PATIENT_DATA..tbMaster WHERE HospNum = '000123'"));
    QCOMPARE(rs.text(QStringLiteral("MSSClassification")), QStringLiteral("C1"));
    QCOMPARE(rs.text(QStringLiteral("MssDiscountExpiry")), QStringLiteral("03/07/2026"));
    rs = c.open(QStringLiteral(
        "Select isnull(MSSClassification,'') as MSSClassification,  CONVERT(VARCHAR(10), MssDiscountExpiry, 101) "
        "as MssDiscountExpiry  From PATIENT_DATA..tbMaster WHERE HospNum = '000124'"));
    QVERIFY(rs.isNull(QStringLiteral("MssDiscountExpiry")));

    QCOMPARE(single(c,
                 QStringLiteral("Select isnull(sum(ActualCharges),0) as ActualCharges From "
                                "Billing..tbDummyDiscountTable Where RevenueID <> 'MD'")),
        QStringLiteral("300"));
    QCOMPARE(single(c,
                 QStringLiteral("Select isnull(sum(ActualCharges),0) as ActualCharges From "
                                "Billing..tbDummyDiscountTable Where RevenueID = 'none'")),
        QStringLiteral("0"));

    c.execute(QStringLiteral("DELETE   FROM BILLING..tbBillDailyBill WHERE revenueid = 'QF' and refNum = 'R1'"));
    c.execute(QStringLiteral("DELETE  FROM billing..tbBillDailyBill WHERE revenueid = 'QF' and refNum = 'nothing'"));
    QCOMPARE(single(c, QStringLiteral("SELECT count(*) FROM Billing..tbBillDailyBill")), QStringLiteral("2"));

    QCOMPARE(single(c, QStringLiteral("select * from tbMSSActive where casestatus='Closed'")), QStringLiteral("C"));
    rs = c.open(QStringLiteral("SELECT * FROM MSS..tbMSSCaseCategory WHERE STATUS = 'A'  order by categoryid asc"));
    QCOMPARE(rs.recordCount(), 2);
    QCOMPARE(rs.text(QStringLiteral("Category")), QStringLiteral("Surgical"));
    QCOMPARE(single(c, QStringLiteral("Select * from PATIENT_DATA..tbHospitalInfo")),
        QStringLiteral("Demo General Hospital"));
}

void TestEmbedded::procedureCallForms()
{
    TempHospital h;
    auto &c = h.connection();
    createFixtures(c);

    const QList<std::pair<QString, QStringList>> calls = {
        { QStringLiteral("MSS..sp_Test_Echo 'a','b'"), { QStringLiteral("a"), QStringLiteral("b") } },
        { QStringLiteral("MSS..sp_Test_Echo'a', 'b' "), { QStringLiteral("a"), QStringLiteral("b") } },
        { QStringLiteral("mss..SP_TEST_ECHO 'a',''"), { QStringLiteral("a"), QString() } },
        { QStringLiteral("EXEC MSS..sp_Test_Echo 'O''Brien','x'"), { QStringLiteral("O'Brien"), QStringLiteral("x") } },
        { QStringLiteral(" sp_Test_Echo 'no','prefix'"), { QStringLiteral("no"), QStringLiteral("prefix") } },
        { QStringLiteral("MSS..sp_Test_Echo '123',4"), { QStringLiteral("123"), QStringLiteral("4") } },
    };
    for (const auto &[statement, expected] : calls) {
        Recordset rs = c.open(statement);
        QCOMPARE(rs.recordCount(), 1);
        QCOMPARE(rs.text(QStringLiteral("First")), expected[0]);
        QCOMPARE(rs.text(QStringLiteral("Second")), expected[1]);
    }
    QCOMPARE(single(c, QStringLiteral("MSS..sp_Test_Echo '1',4")), QStringLiteral("1"));
    QCOMPARE(c.open(QStringLiteral("MSS..sp_Test_Echo '1',4")).text(QStringLiteral("SecondType")),
        QStringLiteral("integer"));
    QCOMPARE(
        c.open(QStringLiteral("MSS..sp_Test_Echo '1','4'")).text(QStringLiteral("SecondType")), QStringLiteral("text"));
    QCOMPARE(c.open(QStringLiteral("MSS..sp_Test_Echo '1',NULL")).text(QStringLiteral("SecondType")),
        QStringLiteral("null"));

    QCOMPARE(c.open(QStringLiteral("MSS..sp_Test_NoArgs")).text(QStringLiteral("recCount")), QStringLiteral("2"));
    QCOMPARE(c.open(QStringLiteral("MSS..sp_Test_NoArgs ")).text(QStringLiteral("reccount")), QStringLiteral("2"));
    QCOMPARE(c.open(QStringLiteral("Billing..sp_Billing_Test_Sum 'MD'")).text(QStringLiteral("Actual Charges")),
        QStringLiteral("300"));
    QCOMPARE(c.open(QStringLiteral("MSS..sp_Test_Positional 'x','y','z'")).text(QStringLiteral("Joined")),
        QStringLiteral("zx"));
    QCOMPARE(
        c.open(QStringLiteral("MSS..sp_Test_Positional 'x','y','z'")).text(QStringLiteral("B")), QStringLiteral("y"));

    // The default database decides where an unqualified procedure is looked for.
    c.setDefaultDatabase(QStringLiteral("Billing"));
    QCOMPARE(c.open(QStringLiteral("sp_Billing_Test_Sum 'LB'")).text(QStringLiteral("Actual Charges")),
        QStringLiteral("1049.5"));
    QVERIFY_THROWS_EXCEPTION(DbError, c.open(QStringLiteral("sp_Test_NoArgs")));
    c.setDefaultDatabase(QStringLiteral("MSS"));
    QCOMPARE(c.defaultDatabase(), QStringLiteral("MSS"));
}

void TestEmbedded::procedureResultsAndBinding()
{
    TempHospital h;
    auto &c = h.connection();
    createFixtures(c);

    // Execute ignores rows; the call still stores both rows.
    c.execute(QStringLiteral("MSS..sp_Test_SaveNote 'first'"));
    Recordset rs = c.open(QStringLiteral("MSS..sp_Test_SaveNote 'second'"));
    QCOMPARE(rs.columns(), QStringList { QStringLiteral("Id") }); // the last statement with columns
    QCOMPARE(single(c, QStringLiteral("SELECT count(*) FROM MSS..tbNotes")), QStringLiteral("2"));
    QCOMPARE(single(c, QStringLiteral("SELECT count(*) FROM Billing..tbLedger")), QStringLiteral("2"));

    // A procedure that only stores returns no rows, even with a guard as its last statement.
    c.storeProcedure(QStringLiteral("MSS"), QStringLiteral("sp_Test_GuardLast"),
        QStringLiteral("-- params: Note\nINSERT INTO tbNotes(Note) VALUES (@Note);\n"
                       "SELECT mss_error('too long') WHERE length(@Note) > 10;"));
    QVERIFY(c.open(QStringLiteral("MSS..sp_Test_GuardLast 'third'")).columns().isEmpty());

    // A replaced procedure is used at once, even after it had been prepared.
    c.storeProcedure(
        QStringLiteral("MSS"), QStringLiteral("sp_Test_NoArgs"), QStringLiteral("-- params:\nSELECT 42 AS recCount;"));
    QCOMPARE(c.open(QStringLiteral("MSS..sp_Test_NoArgs")).text(QStringLiteral("recCount")), QStringLiteral("42"));

    // Bound queries for reports and tools.
    rs = c.query(QStringLiteral("SELECT Note FROM MSS..tbNotes WHERE Note = :note OR Note = :Other"),
        { { QStringLiteral("note"), QStringLiteral("first") },
            { QStringLiteral(":other"), QStringLiteral("' OR 1=1 --") } });
    QCOMPARE(rs.recordCount(), 1);
    QVERIFY_THROWS_EXCEPTION(DbError, c.query(QStringLiteral("SELECT :missing")));

    QCOMPARE(single(c, QStringLiteral("MSS..sp_Test_Date '12/9/2026'")), QStringLiteral("2026-12-09"));
    QCOMPARE(
        single(c, QStringLiteral("MSS..sp_Test_Date '2026-12-09 14:27:05'")), QStringLiteral("2026-12-09 14:27:05"));
    QCOMPARE(single(c, QStringLiteral("MSS..sp_Test_Date ''")), QString());
}

void TestEmbedded::recordsetReadsByNameInAnyCase()
{
    TempHospital h;
    auto &c = h.connection();
    Recordset rs = c.open(QStringLiteral("SELECT 1 AS HospNum, NULL AS MSSNum, 2.5 AS Amount, 'x' AS hospnum"));
    QCOMPARE(rs.text(QStringLiteral("HOSPNUM")), QStringLiteral("1")); // the first of two equal names
    QCOMPARE(rs.text(QStringLiteral("mssnum")), QString());
    QVERIFY(rs.isNull(QStringLiteral("MSSNum")));
    QCOMPARE(rs.number(QStringLiteral("amount")), 2.5);
    QCOMPARE(rs.number(QStringLiteral("MSSNum")), 0.0);
    QVERIFY_THROWS_EXCEPTION(DbError, rs.value(QStringLiteral("NoSuchColumn")));
    rs.moveNext();
    QVERIFY(rs.eof());
    QVERIFY_THROWS_EXCEPTION(DbError, rs.text(QStringLiteral("HospNum")));
    QVERIFY(c.open(QStringLiteral("SELECT 1 WHERE 0")).eof());
    QVERIFY(c.open(QStringLiteral("SELECT 1 WHERE 0")).bof());
}

void TestEmbedded::hostileValuesRoundTrip_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("apostrophe in a name") << QStringLiteral("O'Brien");
    QTest::newRow("statement text") << QStringLiteral("'; DROP TABLE tbNotes; --");
    QTest::newRow("lone quote") << QStringLiteral("'");
    QTest::newRow("quotes at both ends") << QStringLiteral("''x''");
    QTest::newRow("backslashes") << QStringLiteral("C:\\REPORTS\\x\\");
    QTest::newRow("accented") << QStringLiteral("Peña Dela Cruz-Ñiño");
    QTest::newRow("empty") << QString();
    QTest::newRow("blanks") << QStringLiteral("  two  blanks  ");
    QTest::newRow("4000 characters") << QString(4000, QLatin1Char('a')).replace(100, 3, QStringLiteral("'x'"));
    QTest::newRow("brackets and dots") << QStringLiteral("[MSS..tbNotes] isnull(left(");
    // Short ASCII values are bound from the stack, anything else through UTF-8.
    QTest::newRow("64 ASCII characters") << QString(64, QLatin1Char('b'));
    QTest::newRow("65 ASCII characters") << QString(65, QLatin1Char('b'));
    QTest::newRow("accent after ASCII") << QStringLiteral("abcdé");
    QTest::newRow("emoji") << QStringLiteral("LI 😀");
    QTest::newRow("control characters") << QStringLiteral("a\tb\x01\x7f");
}

void TestEmbedded::hostileValuesRoundTrip()
{
    QFETCH(QString, value);
    TempHospital h;
    auto &c = h.connection();
    createFixtures(c);
    c.storeProcedure(QStringLiteral("MSS"), QStringLiteral("sp_Test_Keep"),
        QStringLiteral("-- params: Note\nINSERT INTO tbNotes(Note) VALUES (@Note);"));

    c.execute(QStringLiteral("INSERT INTO MSS..tbNotes(Note) VALUES ('") + q(value) + QStringLiteral("')"));
    c.execute(QStringLiteral("MSS..sp_Test_Keep '") + q(value) + QStringLiteral("'"));
    Recordset rs = c.open(
        QStringLiteral("SELECT Note FROM MSS..tbNotes WHERE Note = '") + q(value) + QStringLiteral("' ORDER BY Id"));
    QCOMPARE(rs.recordCount(), 2);
    QCOMPARE(rs.text(QStringLiteral("Note")), value);
    rs.moveNext();
    QCOMPARE(rs.text(QStringLiteral("Note")), value);
    QCOMPARE(single(c, QStringLiteral("SELECT count(*) FROM MSS..tbNotes")), QStringLiteral("2"));
}

void TestEmbedded::errorsAreThrownAndListed()
{
    TempHospital h;
    auto &c = h.connection();
    createFixtures(c);

    const QStringList failing = {
        QStringLiteral("MSS..sp_MSS_NoSuchProcedure 'x'"),
        QStringLiteral("SELEC * FROM tbNotes"),
        QStringLiteral("SELECT * FROM MSS..tbNoSuchTable"),
        QStringLiteral("MSS..sp_Test_Echo 'only one'"),
        QStringLiteral("Pharmacy..sp_x 'a'"),
        QStringLiteral("MSS..sp_Test_Echo 'unclosed"),
    };
    for (const QString &statement : failing) {
        try {
            c.open(statement);
            QFAIL(qPrintable(QStringLiteral("no error for: ") + statement));
        } catch (const DbError &e) {
            QCOMPARE(c.errors().size(), 1);
            QCOMPARE(c.errors().first().description, e.description());
            QCOMPARE(c.errors().first().number, e.number());
            // The statement goes with the error for IT, not into the text users see.
            QCOMPARE(e.statement(), statement.simplified());
            QVERIFY(!e.source().isEmpty());
        }
    }
    try {
        c.open(QStringLiteral("MSS..sp_MSS_NoSuchProcedure 'x'"));
    } catch (const DbError &e) {
        QVERIFY(e.description().contains(QStringLiteral("sp_MSS_NoSuchProcedure")));
        QVERIFY(e.displayText().contains(QString::number(e.number())));
    }
    // A failing statement's values (a patient's name, say) stay out of the text a user sees.
    try {
        c.open(QStringLiteral("SELECT * FROM MSS..tbNoSuchTable WHERE LastName = 'DELA CRUZ, MARIA'"));
        QFAIL("no error for a missing table");
    } catch (const DbError &e) {
        QVERIFY2(!e.description().contains(QStringLiteral("MARIA")), qPrintable(e.description()));
        QVERIFY(!e.displayText().contains(QStringLiteral("MARIA")));
        QVERIFY(e.statement().contains(QStringLiteral("MARIA")));
    }
    // The next good statement clears the list.
    c.open(QStringLiteral("SELECT 1"));
    QVERIFY(c.errors().isEmpty());
    // A closed connection refuses work with an error, not a crash.
    c.close();
    QCOMPARE(c.state(), ConnectionState::Closed);
    QVERIFY_THROWS_EXCEPTION(DbError, c.execute(QStringLiteral("SELECT 1")));
}

void TestEmbedded::failedProcedureWritesNothing()
{
    TempHospital h;
    auto &c = h.connection();
    createFixtures(c);
    QVERIFY_THROWS_EXCEPTION(DbError, c.execute(QStringLiteral("MSS..sp_Test_SaveNote 'eleven char'")));
    QCOMPARE(c.errors().first().description.contains(QStringLiteral("longer than ten")), true);
    QCOMPARE(single(c, QStringLiteral("SELECT count(*) FROM MSS..tbNotes")), QStringLiteral("0"));
    QCOMPARE(single(c, QStringLiteral("SELECT count(*) FROM Billing..tbLedger")), QStringLiteral("0"));

    // Inside a caller's transaction, the failed call is undone but earlier work stays pending.
    c.beginTrans();
    c.execute(QStringLiteral("MSS..sp_Test_SaveNote 'ok'"));
    QVERIFY_THROWS_EXCEPTION(DbError, c.execute(QStringLiteral("MSS..sp_Test_SaveNote 'far too long'")));
    QVERIFY(c.inTransaction());
    c.commitTrans();
    QCOMPARE(single(c, QStringLiteral("SELECT count(*) FROM MSS..tbNotes")), QStringLiteral("1"));

    // Several statements in one text run all or nothing too.
    QVERIFY_THROWS_EXCEPTION(DbError,
        c.execute(QStringLiteral("INSERT INTO MSS..tbNotes(Note) VALUES ('a'); INSERT INTO nowhere VALUES (1)")));
    QCOMPARE(single(c, QStringLiteral("SELECT count(*) FROM MSS..tbNotes")), QStringLiteral("1"));
}

// A call prepared once must behave on its hundredth run as on its first: the same rows, the
// same all-or-nothing, and the names and columns the database has now.
void TestEmbedded::repeatedCallsReuseWhatTheyPrepared()
{
    TempHospital h;
    auto &c = h.connection();
    createFixtures(c);
    c.storeProcedure(QStringLiteral("MSS"), QStringLiteral("sp_Test_CheckedRead"),
        QStringLiteral("-- params: Code\nSELECT CASE WHEN @Code = 'bad' THEN mss_error('no such code') ELSE Code END"
                       " AS Code FROM tbMSSActive WHERE Code = @Code OR @Code = 'bad';"));
    c.storeProcedure(QStringLiteral("MSS"), QStringLiteral("sp_Test_CopyNotes"),
        QStringLiteral("-- params: Limit float\nINSERT INTO tbNotes(Note) SELECT CASE WHEN rowid > @Limit"
                       " THEN mss_error('past the limit') ELSE Code END FROM tbMSSActive;"));
    c.storeProcedure(QStringLiteral("MSS"), QStringLiteral("sp_Test_AllNotes"),
        QStringLiteral("-- params:\nSELECT * FROM tbNotes ORDER BY Id;"));

    for (int round = 0; round < 3; ++round) {
        QCOMPARE(single(c, QStringLiteral("MSS..sp_Test_CheckedRead 'C'")), QStringLiteral("C"));
        // Inside the caller's transaction, a failing read leaves the caller's pending work alone.
        c.beginTrans();
        c.execute(QStringLiteral("INSERT INTO MSS..tbNotes(Note) VALUES ('pending')"));
        QVERIFY_THROWS_EXCEPTION(DbError, c.open(QStringLiteral("MSS..sp_Test_CheckedRead 'bad'")));
        QVERIFY(c.inTransaction());
        c.rollbackTrans();
        QCOMPARE(single(c, QStringLiteral("SELECT count(*) FROM MSS..tbNotes")), QStringLiteral("0"));

        // One statement that writes: the rows it stored before failing go with it, every time.
        QVERIFY_THROWS_EXCEPTION(DbError, c.execute(QStringLiteral("MSS..sp_Test_CopyNotes 1")));
        QCOMPARE(single(c, QStringLiteral("SELECT count(*) FROM MSS..tbNotes")), QStringLiteral("0"));

        // Batches reuse their savepoint as well.
        QVERIFY_THROWS_EXCEPTION(DbError,
            c.execute(QStringLiteral("INSERT INTO MSS..tbNotes(Note) VALUES ('a'); INSERT INTO nowhere VALUES (1)")));
        QCOMPARE(single(c, QStringLiteral("SELECT count(*) FROM MSS..tbNotes")), QStringLiteral("0"));
    }
    c.execute(QStringLiteral("MSS..sp_Test_CopyNotes 10"));
    QCOMPARE(single(c, QStringLiteral("SELECT count(*) FROM MSS..tbNotes")), QStringLiteral("2"));

    // A column added after the call was prepared shows up in the next result.
    QCOMPARE(c.open(QStringLiteral("MSS..sp_Test_AllNotes")).columns(),
        (QStringList { QStringLiteral("Id"), QStringLiteral("Note") }));
    c.executeScript(QStringLiteral("ALTER TABLE main.tbNotes ADD COLUMN Extra TEXT DEFAULT 'x';"));
    Recordset notes = c.open(QStringLiteral("MSS..sp_Test_AllNotes"));
    QCOMPARE(notes.columns(), (QStringList { QStringLiteral("Id"), QStringLiteral("Note"), QStringLiteral("Extra") }));
    QCOMPARE(notes.text(QStringLiteral("extra")), QStringLiteral("x"));

    // The name as written and the default database decide which procedure a call finds.
    QCOMPARE(single(c, QStringLiteral("sp_test_noargs")), QStringLiteral("2"));
    QCOMPARE(single(c, QStringLiteral("SP_TEST_NOARGS")), QStringLiteral("2"));
    c.setDefaultDatabase(QStringLiteral("BILLING"));
    QCOMPARE(single(c, QStringLiteral("sp_Billing_Test_Sum 'MD'")), QStringLiteral("300"));
    QVERIFY_THROWS_EXCEPTION(DbError, c.open(QStringLiteral("sp_test_noargs")));
    c.setDefaultDatabase(QStringLiteral("MSS"));
    QCOMPARE(single(c, QStringLiteral("sp_test_noargs")), QStringLiteral("2"));

    // One name in two databases, called in turn; a procedure stored again is called as stored.
    c.storeProcedure(
        QStringLiteral("MSS"), QStringLiteral("sp_Test_Same"), QStringLiteral("-- params:\nSELECT 'mss';"));
    c.storeProcedure(
        QStringLiteral("BILLING"), QStringLiteral("sp_Test_Same"), QStringLiteral("-- params:\nSELECT 'billing';"));
    for (int round = 0; round < 2; ++round) {
        QCOMPARE(single(c, QStringLiteral("MSS..sp_Test_Same")), QStringLiteral("mss"));
        QCOMPARE(single(c, QStringLiteral("BILLING..sp_Test_Same")), QStringLiteral("billing"));
        QCOMPARE(single(c, QStringLiteral("sp_Test_Same")), QStringLiteral("mss"));
    }
    c.storeProcedure(
        QStringLiteral("MSS"), QStringLiteral("sp_Test_Same"), QStringLiteral("-- params:\nSELECT 'new';"));
    QCOMPARE(single(c, QStringLiteral("sp_Test_Same")), QStringLiteral("new"));
    QCOMPARE(single(c, QStringLiteral("BILLING..sp_Test_Same")), QStringLiteral("billing"));
}

void TestEmbedded::tableRowsReadAsTheRecordsetDoes()
{
    TempHospital h;
    auto &c = h.connection();
    createFixtures(c);
    // Every kind of value a list can hold: the table's text is the recordset's, byte for byte.
    const QString values
        = QStringLiteral("SELECT 42 AS i, 1.5 AS f, 100.0 AS whole, 1e999 AS huge, NULL AS n, 'PEÑA 😀' AS t, '' AS e, "
                         "x'414243' AS b, '2024-04-07 21:46:00' AS d");
    const Recordset rs = c.open(values);
    const RowTable table = c.openTable(values);
    QCOMPARE(table.columns(), rs.columns());
    QCOMPARE(table.rowCount(), 1);
    for (int col = 0; col < rs.columns().size(); ++col) {
        if (col == 3)
            continue; // an infinite double has no text in a recordset; the table keeps SQLite's
        QCOMPARE(table.text(0, col), rs.text(col));
        QCOMPARE(table.isNull(0, col), rs.value(col).isNull());
    }
    QCOMPARE(table.text(0, 3), QStringLiteral("Inf"));
    QCOMPARE(rs.value(5), QVariant(QStringLiteral("PEÑA 😀")));
    QVERIFY(!rs.value(6).isNull() && rs.text(6).isEmpty()); // empty, not null
    QCOMPARE(rs.value(7), QVariant(QByteArray("ABC")));
    QCOMPARE(table.columnIndex(QStringLiteral("T")), 5);

    // A procedure's result is that of its last statement with columns, as for a recordset.
    const RowTable saved = c.openTable(QStringLiteral("MSS..sp_Test_SaveNote 'noted'"));
    QCOMPARE(saved.columns(), QStringList { QStringLiteral("Id") });
    QCOMPARE(saved.rowCount(), 1);
    QVERIFY(c.openTable(QStringLiteral("MSS..sp_Test_Echo 'a', 'b'")).text(0, 0) == QStringLiteral("a"));
    const RowTable none = c.openTable(QStringLiteral("SELECT Code FROM tbMSSActive WHERE Code = 'none'"));
    QVERIFY(none.isEmpty());
    QCOMPARE(none.columns(), QStringList { QStringLiteral("Code") });

    // A failing call stores nothing, also once the procedure is prepared and runs again.
    QVERIFY_THROWS_EXCEPTION(DbError, c.openTable(QStringLiteral("MSS..sp_Test_SaveNote 'eleven char'")));
    QCOMPARE(single(c, QStringLiteral("SELECT count(*) FROM MSS..tbNotes")), QStringLiteral("1"));
    QCOMPARE(single(c, QStringLiteral("SELECT count(*) FROM Billing..tbLedger")), QStringLiteral("1"));

    // Drivers without rows of their own give the same table through their recordset.
    FaultInjectingConnection wrapped(&c);
    const RowTable through = wrapped.openTable(values);
    for (int col = 0; col < rs.columns().size(); ++col)
        if (col != 3)
            QCOMPARE(through.text(0, col), table.text(0, col));
}

void TestEmbedded::badInputIsAClearError()
{
    TempHospital h;
    auto &c = h.connection();
    createFixtures(c);
    try {
        c.open(QStringLiteral("MSS..sp_Test_Date '13/45/2026'"));
        QFAIL("a date that is not a date was accepted");
    } catch (const DbError &e) {
        QVERIFY2(e.description().contains(QStringLiteral("is not a date")), qPrintable(e.description()));
    }
    QVERIFY_THROWS_EXCEPTION(DbError, c.open(QStringLiteral("SELECT CONVERT(VARCHAR(10), 'yesterday', 101)")));
    QVERIFY_THROWS_EXCEPTION(DbError, c.open(QStringLiteral("SELECT CONVERT(INT, 'abc')")));
    QCOMPARE(single(c, QStringLiteral("SELECT CONVERT(INT, ' 42 ')")), QStringLiteral("42"));
    QCOMPARE(single(c, QStringLiteral("SELECT CONVERT(VARCHAR(3), 'abcdef')")), QStringLiteral("abc"));
    QCOMPARE(single(c, QStringLiteral("SELECT CONVERT(DATETIME, '2/29/2024')")), QStringLiteral("2024-02-29"));
    QCOMPARE(single(c, QStringLiteral("SELECT len('ab  ')")), QStringLiteral("2"));
    QCOMPARE(single(c, QStringLiteral("SELECT right('12345', 2)")), QStringLiteral("45"));
    QVERIFY_THROWS_EXCEPTION(DbError,
        c.storeProcedure(QStringLiteral("MSS"), QStringLiteral("sp_NoParamsLine"), QStringLiteral("SELECT 1;")));
}

void TestEmbedded::missingAndLockedFiles()
{
    TempHospital h;
    {
        auto other = h.openAnother();
        QCOMPARE(other->state(), ConnectionState::Open);
    }
    // A second program holds the write lock: the statement fails with an error, after the wait.
    auto holder = h.openAnother();
    holder->executeScript(
        QStringLiteral("CREATE TABLE BILLING.tbLock(x); BEGIN IMMEDIATE; INSERT INTO BILLING.tbLock VALUES (1);"));
    auto waiter = h.openAnother(100);
    try {
        waiter->execute(QStringLiteral("INSERT INTO Billing..tbLock VALUES (2)"));
        QFAIL("a locked file was written");
    } catch (const DbError &e) {
        // Said as what it is: busy, worth another try; not a damaged or unreadable file.
        QVERIFY2(e.description().contains(QStringLiteral("is busy"))
                && e.description().contains(QStringLiteral("try again"))
                && !e.description().contains(QStringLiteral("damaged"))
                && !e.description().contains(QStringLiteral("cannot be read")),
            qPrintable(e.description()));
    }
    holder->executeScript(QStringLiteral("ROLLBACK;"));
    waiter->execute(QStringLiteral("INSERT INTO Billing..tbLock VALUES (2)"));

    // A missing file is named, and nothing is created behind the user's back.
    QTemporaryDir empty;
    try {
        EmbeddedConnection c(empty.path());
        QFAIL("a missing database opened");
    } catch (const DbError &e) {
        QVERIFY2(e.description().contains(QStringLiteral("MSS")), qPrintable(e.description()));
    }
    QVERIFY(!QFile::exists(embeddedDatabaseFile(empty.path(), QStringLiteral("MSS"))));
    QFile::copy(embeddedDatabaseFile(h.folder(), QStringLiteral("MSS")),
        embeddedDatabaseFile(empty.path(), QStringLiteral("MSS")));
    try {
        EmbeddedConnection c(empty.path());
        QFAIL("a missing database opened");
    } catch (const DbError &e) {
        QVERIFY2(e.description().contains(QStringLiteral("PATIENT_DATA")), qPrintable(e.description()));
    }
    QVERIFY_THROWS_EXCEPTION(DbError, EmbeddedConnection(QStringLiteral("/nonexistent/folder")));
}

void TestEmbedded::transactionSpansDatabases()
{
    TempHospital h;
    auto &c = h.connection();
    createFixtures(c);
    c.beginTrans();
    QVERIFY(c.inTransaction());
    QVERIFY_THROWS_EXCEPTION(DbError, c.beginTrans());
    c.execute(QStringLiteral("INSERT INTO MSS..tbNotes(Note) VALUES ('kept?')"));
    c.execute(QStringLiteral("INSERT INTO Billing..tbLedger(Note) VALUES ('kept?')"));
    c.rollbackTrans();
    QCOMPARE(single(c, QStringLiteral("SELECT count(*) FROM MSS..tbNotes")), QStringLiteral("0"));
    QCOMPARE(single(c, QStringLiteral("SELECT count(*) FROM Billing..tbLedger")), QStringLiteral("0"));

    c.beginTrans();
    c.execute(QStringLiteral("INSERT INTO MSS..tbNotes(Note) VALUES ('kept')"));
    c.execute(QStringLiteral("INSERT INTO Billing..tbLedger(Note) VALUES ('kept')"));
    c.commitTrans();
    auto other = h.openAnother();
    QCOMPARE(single(*other, QStringLiteral("SELECT count(*) FROM MSS..tbNotes")), QStringLiteral("1"));
    QCOMPARE(single(*other, QStringLiteral("SELECT count(*) FROM Billing..tbLedger")), QStringLiteral("1"));
    QVERIFY_THROWS_EXCEPTION(DbError, c.commitTrans());
    QVERIFY_THROWS_EXCEPTION(DbError, c.rollbackTrans());
}

void TestEmbedded::faultBeforeCommitLeavesBothUnchanged()
{
    for (int failing : { 0, 2 }) {
        TempHospital h;
        createFixtures(h.connection());
        FaultInjectingConnection c(&h.connection());
        c.failStatement = failing;
        c.failCommit = failing == 0;
        bool failed = false;
        try {
            c.beginTrans();
            c.execute(QStringLiteral("INSERT INTO MSS..tbNotes(Note) VALUES ('x')"));
            c.execute(QStringLiteral("INSERT INTO Billing..tbLedger(Note) VALUES ('x')"));
            c.commitTrans();
        } catch (const DbError &) {
            failed = true;
            QCOMPARE(c.errors().size(), 1);
            c.rollbackTrans();
        }
        QVERIFY(failed);
        QCOMPARE(single(h.connection(), QStringLiteral("SELECT count(*) FROM MSS..tbNotes")), QStringLiteral("0"));
        QCOMPARE(single(h.connection(), QStringLiteral("SELECT count(*) FROM Billing..tbLedger")), QStringLiteral("0"));
    }
}

void TestEmbedded::killedProcessLeavesBothUnchanged()
{
    TempHospital h;
    createFixtures(h.connection());
    h.connection().execute(QStringLiteral("INSERT INTO MSS..tbNotes(Note) VALUES ('before')"));

    // The child writes to MSS and BILLING inside one transaction, says so, and is killed.
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--write-and-wait"), h.folder() });
    QVERIFY(child.waitForStarted());
    QVERIFY(child.waitForReadyRead(20000));
    QCOMPARE(child.readLine().trimmed(), QByteArray("written"));
    child.kill();
    QVERIFY(child.waitForFinished());

    auto after = h.openAnother();
    QCOMPARE(single(*after, QStringLiteral("SELECT group_concat(Note) FROM MSS..tbNotes")), QStringLiteral("before"));
    QCOMPARE(single(*after, QStringLiteral("SELECT count(*) FROM Billing..tbLedger")), QStringLiteral("0"));
    after->execute(QStringLiteral("INSERT INTO Billing..tbLedger(Note) VALUES ('unlocked')"));
}

void TestEmbedded::readersSeeOnlyCommittedWork()
{
    TempHospital h;
    createFixtures(h.connection());
    auto writer = h.openAnother();
    auto reader = h.openAnother(200);
    writer->beginTrans();
    writer->execute(QStringLiteral("INSERT INTO MSS..tbNotes(Note) VALUES ('pending')"));
    writer->execute(QStringLiteral("INSERT INTO Billing..tbLedger(Note) VALUES ('pending')"));
    // Another program reads on while the work is pending, and sees none of it.
    QCOMPARE(single(*reader, QStringLiteral("SELECT count(*) FROM MSS..tbNotes")), QStringLiteral("0"));
    QCOMPARE(single(*reader, QStringLiteral("SELECT count(*) FROM Billing..tbLedger")), QStringLiteral("0"));
    writer->commitTrans();
    QCOMPARE(single(*reader, QStringLiteral("SELECT count(*) FROM MSS..tbNotes")), QStringLiteral("1"));
    QCOMPARE(single(*reader, QStringLiteral("SELECT count(*) FROM Billing..tbLedger")), QStringLiteral("1"));
}

// The child half of the kill test: runs in a separate process started by the test itself.
static int writeAndWait(const QString &folder)
{
    EmbeddedConnection c(folder);
    c.beginTrans();
    c.execute(QStringLiteral("INSERT INTO MSS..tbNotes(Note) VALUES ('half')"));
    c.execute(QStringLiteral("UPDATE MSS..tbNotes SET Note = 'changed'"));
    c.execute(QStringLiteral("INSERT INTO Billing..tbLedger(Note) VALUES ('half')"));
    std::cout << "written" << std::endl;
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}

int main(int argc, char *argv[])
{
    if (argc == 3 && QByteArray(argv[1]) == "--write-and-wait")
        return writeAndWait(QString::fromLocal8Bit(argv[2]));
    QCoreApplication app(argc, argv);
    TestEmbedded test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_embedded.moc"
