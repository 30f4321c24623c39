// How the embedded driver reads the T-SQL the windows send: procedure calls in every argument
// form they use, and the rewriting of plain statements into SQLite.
#include "data/dberror.h"
#include "data/tsql.h"

#include <QtTest>

using namespace mss::data;

class TestTsql : public QObject {
    Q_OBJECT

private slots:
    void procedureCalls_data();
    void procedureCalls();
    void callsReadAfterAnotherReadAsAlone();
    void plainStatementsAreNotCalls_data();
    void plainStatementsAreNotCalls();
    void malformedCallsAreErrors_data();
    void malformedCallsAreErrors();
    void translation_data();
    void translation();
    void unknownDatabaseIsAnError();
};

void TestTsql::procedureCalls_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariantList>("arguments");

    QTest::newRow("quoted, blank after name") << "MSS..sp_MSS_GetEmployees 'DELA'"
                                              << "MSS"
                                              << "sp_MSS_GetEmployees" << QVariantList { QStringLiteral("DELA") };
    QTest::newRow("no blank before first quote")
        << "MSS..sp_MSS_SavePatientData'123','A B','' "
        << "MSS"
        << "sp_MSS_SavePatientData" << QVariantList { QStringLiteral("123"), QStringLiteral("A B"), QString() };
    QTest::newRow("separator with a blank")
        << "MSS..sp_MSS_LoadOutPatient '1', 'CRUZ','2','',''"
        << "MSS"
        << "sp_MSS_LoadOutPatient"
        << QVariantList { QStringLiteral("1"), QStringLiteral("CRUZ"), QStringLiteral("2"), QString(), QString() };
    QTest::newRow("bare numbers") << "Billing..sp_Billing_Get_ActualCharges_ForDiscount '123','',3,1"
                                  << "Billing"
                                  << "sp_Billing_Get_ActualCharges_ForDiscount"
                                  << QVariantList { QStringLiteral("123"), QString(), 3LL, 1LL };
    QTest::newRow("bare number after a blank")
        << "Billing..sp_Billing_Get_SeniorCitizenCharges_PerDepartment '1','2', 7"
        << "Billing"
        << "sp_Billing_Get_SeniorCitizenCharges_PerDepartment"
        << QVariantList { QStringLiteral("1"), QStringLiteral("2"), 7LL };
    QTest::newRow("no arguments") << "MSS..sp_MSS_LoadReferralNoticeCount"
                                  << "MSS"
                                  << "sp_MSS_LoadReferralNoticeCount" << QVariantList {};
    QTest::newRow("no arguments, trailing blank") << "MSS..sp_MSS_LoadDischargeNotice "
                                                  << "MSS"
                                                  << "sp_MSS_LoadDischargeNotice" << QVariantList {};
    QTest::newRow("leading blank, no database")
        << " sp_SearchCategoryandClassification '0012'"
        << ""
        << "sp_SearchCategoryandClassification" << QVariantList { QStringLiteral("0012") };
    QTest::newRow("doubled quotes inside")
        << "MSS..sp_x 'O''Brien','''',''''''"
        << "MSS"
        << "sp_x" << QVariantList { QStringLiteral("O'Brien"), QStringLiteral("'"), QStringLiteral("''") };
    QTest::newRow("EXEC and owner") << "EXEC Patient_Data.dbo.sp_Adm_RoomLoad 'W1'"
                                    << "Patient_Data"
                                    << "sp_Adm_RoomLoad" << QVariantList { QStringLiteral("W1") };
    QTest::newRow("execute, null, decimals, negative") << "execute sp_y NULL, 12.5 ,-3"
                                                       << ""
                                                       << "sp_y" << QVariantList { QVariant(), 12.5, -3LL };
    QTest::newRow("semicolon") << "MSS..sp_z 'a';"
                               << "MSS"
                               << "sp_z" << QVariantList { QStringLiteral("a") };
    QTest::newRow("statement text inside a value stays a value")
        << "MSS..sp_z '''; DROP TABLE x; --'"
        << "MSS"
        << "sp_z" << QVariantList { QStringLiteral("'; DROP TABLE x; --") };
}

void TestTsql::procedureCalls()
{
    QFETCH(QString, statement);
    QFETCH(QString, database);
    QFETCH(QString, name);
    QFETCH(QVariantList, arguments);
    const auto call = tsql::parseProcedureCall(statement);
    QVERIFY(call);
    QCOMPARE(call->database, database);
    QCOMPARE(call->name, name);
    QCOMPARE(call->arguments.size(), arguments.size());
    for (int i = 0; i < arguments.size(); ++i) {
        QCOMPARE(call->arguments[i].isNull(), arguments[i].isNull());
        QCOMPARE(call->arguments[i], arguments[i]);
    }
}

void TestTsql::callsReadAfterAnotherReadAsAlone()
{
    // A connection keeps what its last call named; whatever came before, every statement must
    // read as it does on its own, including names that start like the last one.
    const QStringList statements = { QStringLiteral("MSS..sp_A 'x'"), QStringLiteral("MSS..sp_AB 'y'"),
        QStringLiteral("MSS..sp_A'z',1.10"), QStringLiteral("MSS..sp_A"), QStringLiteral("MSS..sp_A;"),
        QStringLiteral("MSS..sp_A 'a', NULL, 2"), QStringLiteral("mss..sp_A 'b'"), QStringLiteral("EXEC sp_y 1"),
        QStringLiteral("SELECT 1"), QStringLiteral("EXEC sp_y  2"), QStringLiteral("EXEC sp_yz 3"),
        QStringLiteral("Billing..sp_A 'c'"), QStringLiteral("MSS..sp_A.x 'q'"), QStringLiteral("MSS..sp_A 'd'"),
        QStringLiteral("MSS..sp_A(1)"), QStringLiteral("MSS..sp_A 'e'") };
    tsql::CallTarget last;
    for (const QString &statement : statements) {
        std::optional<tsql::ProcedureCall> alone;
        std::optional<tsql::ProcedureCall> after;
        QString aloneError;
        QString afterError;
        try {
            alone = tsql::parseProcedureCall(statement);
        } catch (const DbError &e) {
            aloneError = e.description();
        }
        try {
            after = tsql::parseProcedureCall(statement, &last);
        } catch (const DbError &e) {
            afterError = e.description();
        }
        QCOMPARE(afterError, aloneError);
        QCOMPARE(bool(after), bool(alone));
        if (!alone)
            continue;
        QCOMPARE(after->database, alone->database);
        QCOMPARE(after->name, alone->name);
        QCOMPARE(after->arguments, alone->arguments);
        for (int i = 0; i < alone->arguments.size(); ++i)
            QCOMPARE(after->literals.value(i), alone->literals.value(i));
    }
    QCOMPARE(tsql::parseProcedureCall(QStringLiteral("MSS..sp_A'z',1.10"))->literals,
        (QStringList { QString(), QStringLiteral("1.10") }));
}

void TestTsql::plainStatementsAreNotCalls_data()
{
    QTest::addColumn<QString>("statement");
    QTest::newRow("select") << "SELECT * FROM MSS..tbMSSAssessment WHERE IdNum = '1'";
    QTest::newRow("lower-case select") << "select category from tbMssCaseCategory";
    QTest::newRow("delete with blanks") << "DELETE   FROM BILLING..tbBillDailyBill WHERE revenueid = 'QF'";
    QTest::newRow("update") << "Update tbX set a = 1";
    QTest::newRow("insert") << "INSERT INTO t VALUES (1)";
    QTest::newRow("with") << "WITH a AS (SELECT 1) SELECT * FROM a";
}

void TestTsql::plainStatementsAreNotCalls()
{
    QFETCH(QString, statement);
    QVERIFY(!tsql::parseProcedureCall(statement));
}

void TestTsql::malformedCallsAreErrors_data()
{
    QTest::addColumn<QString>("statement");
    QTest::newRow("unclosed quote") << "MSS..sp_x 'abc";
    QTest::newRow("missing argument after comma") << "MSS..sp_x 'a',";
    QTest::newRow("garbage after arguments") << "MSS..sp_x 'a' 'b'";
    QTest::newRow("missing name") << "MSS.. 'a'";
    QTest::newRow("exec without name") << "EXEC ";
}

void TestTsql::malformedCallsAreErrors()
{
    QFETCH(QString, statement);
    try {
        tsql::parseProcedureCall(statement);
        QFAIL("a malformed call was accepted");
    } catch (const DbError &e) {
        QVERIFY2(e.description().contains(statement.trimmed().left(6)), qPrintable(e.description()));
    }
}

void TestTsql::translation_data()
{
    QTest::addColumn<QString>("tsql");
    QTest::addColumn<QString>("sqlite");
    QTest::newRow("db..object, every case")
        << "SELECT * FROM Patient_Data..tbMaster m JOIN billing..x b ON 1=1 JOIN mss..y ON 1=1"
        << "SELECT * FROM PATIENT_DATA.tbMaster m JOIN BILLING.x b ON 1=1 JOIN main.y ON 1=1";
    QTest::newRow("db.dbo.object") << "select * from RADIOLOGY.dbo.tbX"
                                   << "select * from RADIOLOGY.tbX";
    QTest::newRow("isnull and left")
        << "SELECT left(isnull(PatientClass,''),1) [PatientClass] FROM PATIENT_DATA..tbPatient2"
        << "SELECT mss_left(ifnull(PatientClass,''),1) [PatientClass] FROM PATIENT_DATA.tbPatient2";
    QTest::newRow("left join stays a join") << "select * from a left join b on a.x = b.x"
                                            << "select * from a left join b on a.x = b.x";
    QTest::newRow("convert")
        << "Select CONVERT(VARCHAR(10), MssDiscountExpiry, 101) as MssDiscountExpiry From PATIENT_DATA..tbMaster"
        << "Select mss_convert('VARCHAR(10)', MssDiscountExpiry, 101) as MssDiscountExpiry From PATIENT_DATA.tbMaster";
    QTest::newRow("nothing inside strings is touched")
        << "SELECT 'isnull(MSS..x)', \"left(\" FROM t WHERE a = 'O''Brien..b'"
        << "SELECT 'isnull(MSS..x)', \"left(\" FROM t WHERE a = 'O''Brien..b'";
    QTest::newRow("N prefix") << "SELECT N'Peña'"
                              << "SELECT 'Peña'";
    QTest::newRow("numbers with dots") << "SELECT 1.5, 2e3 FROM t"
                                       << "SELECT 1.5, 2e3 FROM t";
}

void TestTsql::translation()
{
    QFETCH(QString, tsql);
    QFETCH(QString, sqlite);
    QCOMPARE(tsql::translate(tsql), sqlite);
}

void TestTsql::unknownDatabaseIsAnError()
{
    QVERIFY_THROWS_EXCEPTION(DbError, tsql::translate(QStringLiteral("SELECT * FROM Pharmacy..tbDrugs")));
    QCOMPARE(tsql::schemaOf(QStringLiteral("mss")), QStringLiteral("main"));
    QCOMPARE(tsql::schemaOf(QStringLiteral("Billing")), QStringLiteral("BILLING"));
    QVERIFY(tsql::schemaOf(QStringLiteral("Pharmacy")).isEmpty());
}

QTEST_GUILESS_MAIN(TestTsql)
#include "tst_tsql.moc"
