// Numbers given to the embedded procedures: read as SQL Server reads them, or refused with the
// parameter's name; bare numbers given for texts keep the digits the call wrote.
#include "data/dberror.h"
#include "data/embedded.h"
#include "data/procedureparams.h"
#include "support/demohospital.h"

#include <QtTest>

using namespace mss;
using namespace mss::data;

namespace {

// Adds a household member to a demo patient with the income written as given (quoted or bare)
// and returns the stored income as text, or the error.
QString storeIncome(test::DemoHospital &h, const QString &income)
{
    Connection &c = h.connection();
    c.execute(QStringLiteral("DELETE FROM MSS..tbMSSFamilyComposition WHERE HospNum = '0100001'"));
    try {
        c.execute(QStringLiteral("MSS..sp_MSS_SaveFamilyComposition '0100001','ANA','SPOUSE','40','MARRIED','HS',"
                                 "'SAME','NONE',%1,'0'")
                      .arg(income));
    } catch (const DbError &e) {
        return QStringLiteral("error: ") + e.description();
    }
    return test::scalar(c, QStringLiteral("SELECT Income FROM MSS..tbMSSFamilyComposition WHERE HospNum = '0100001'"));
}

} // namespace

class TestProcedureParams : public QObject {
    Q_OBJECT

private slots:
    void numbersAreReadAsSqlServerReadsThem();
    void declarationsNameTheirTypes();
    void malformedNumbersAreRefusedByName();
    void wellFormedNumbersAreStored();
    void bareNumbersForTextsKeepTheirDigits();
};

void TestProcedureParams::numbersAreReadAsSqlServerReadsThem()
{
    const QStringList malformed = { QStringLiteral("1.2.3"), QStringLiteral("5e5e5"), QStringLiteral("1-2"),
        QStringLiteral("1e"), QStringLiteral("+-1"), QStringLiteral("--1"), QStringLiteral("..5"), QStringLiteral("."),
        QStringLiteral("-"), QStringLiteral("e5"), QStringLiteral("1e+"), QStringLiteral("1,000"),
        QStringLiteral("12abc"), QStringLiteral("0x1A"), QStringLiteral("inf"), QStringLiteral("NaN"),
        QStringLiteral("1 2"), QStringLiteral("1e400"), QStringLiteral("١٢") };
    for (const QString &text : malformed)
        QVERIFY2(!sqlServerFloat(text), qPrintable(text));

    const QList<QPair<QString, double>> wellFormed = { { QStringLiteral("-0"), 0.0 }, { QStringLiteral("1e5"), 1e5 },
        { QStringLiteral(".5"), 0.5 }, { QStringLiteral("5."), 5.0 }, { QStringLiteral(" 12 "), 12.0 },
        { QStringLiteral("+3.25"), 3.25 }, { QStringLiteral("1E-2"), 0.01 }, { QStringLiteral("-7.5e+1"), -75.0 } };
    for (const auto &[text, value] : wellFormed) {
        const auto read = sqlServerFloat(text);
        QVERIFY2(read, qPrintable(text));
        QCOMPARE(*read, value);
        QVERIFY(!std::signbit(*read) || value < 0); // -0 is stored as 0
    }
    QCOMPARE(sqlServerInteger(QStringLiteral(" -42 ")), std::optional<qint64>(-42));
    QVERIFY(!sqlServerInteger(QStringLiteral("4.0")));
    QVERIFY(!sqlServerInteger(QStringLiteral("99999999999999999999")));
}

void TestProcedureParams::declarationsNameTheirTypes()
{
    const QList<ProcedureParam> params
        = parseProcedureParams(QStringLiteral(" HospNum, @Income float,Age int , Remark TEXT"));
    QCOMPARE(params.size(), 4);
    QCOMPARE(params[0].type, ParamType::AsGiven);
    QCOMPARE(params[1].name, QStringLiteral("Income"));
    QCOMPARE(params[1].type, ParamType::Float);
    QCOMPARE(params[2].type, ParamType::Integer);
    QCOMPARE(params[3].type, ParamType::Text);
    QVERIFY_THROWS_EXCEPTION(DbError, parseProcedureParams(QStringLiteral("Income money")));
    QVERIFY(parseProcedureParams(QString()).isEmpty());
}

void TestProcedureParams::malformedNumbersAreRefusedByName()
{
    test::DemoHospital h;
    for (const QString &text : { QStringLiteral("1.2.3"), QStringLiteral("5e5e5"), QStringLiteral("1-2"),
             QStringLiteral("1e"), QStringLiteral("+-1"), QStringLiteral("--1"), QStringLiteral("..5") }) {
        const QString result = storeIncome(h, QLatin1Char('\'') + text + QLatin1Char('\''));
        QVERIFY2(result.startsWith(QStringLiteral("error: ")) && result.contains(QStringLiteral("@Income"))
                && result.contains(text),
            qPrintable(text + QStringLiteral(" -> ") + result));
        QCOMPARE(test::scalar(h.connection(),
                     QStringLiteral("SELECT count(*) FROM MSS..tbMSSFamilyComposition WHERE HospNum = '0100001'")),
            QStringLiteral("0"));
    }
    // The negotiated counterpart of the ARR is read the same way.
    try {
        h.connection().execute(
            QStringLiteral("MSS..sp_MSS_SaveAssessment_NEW 'x','x','','C1','IM','10','','','','','','0','0','0',"
                           "'1.2.3','','01','10','1','01','01',''"));
        QFAIL("a malformed counterpart was accepted");
    } catch (const DbError &e) {
        QVERIFY2(e.description().contains(QStringLiteral("@NC")), qPrintable(e.description()));
        QCOMPARE(e.number(), 8114);
    }
}

void TestProcedureParams::wellFormedNumbersAreStored()
{
    test::DemoHospital h;
    QCOMPARE(storeIncome(h, QStringLiteral("'-0'")), QStringLiteral("0"));
    QCOMPARE(storeIncome(h, QStringLiteral("'1e5'")), QStringLiteral("100000"));
    QCOMPARE(storeIncome(h, QStringLiteral("'.5'")), QStringLiteral("0.5"));
    QCOMPARE(storeIncome(h, QStringLiteral("'5.'")), QStringLiteral("5"));
    QCOMPARE(storeIncome(h, QStringLiteral("' 2500.75 '")), QStringLiteral("2500.75"));
    QCOMPARE(storeIncome(h, QStringLiteral("1500")), QStringLiteral("1500"));
    QCOMPARE(storeIncome(h, QStringLiteral("''")), QStringLiteral("0")); // an empty income counts as none
}

void TestProcedureParams::bareNumbersForTextsKeepTheirDigits()
{
    test::DemoHospital h;
    Connection &c = h.connection();
    c.execute(QStringLiteral("DELETE FROM MSS..tbMSSFamilyComposition WHERE HospNum = '0100001'"));
    // Age and Occupation are texts: what the call wrote is what is stored.
    c.execute(QStringLiteral("MSS..sp_MSS_SaveFamilyComposition '0100001','ANA','SPOUSE',1.10,'MARRIED','HS',"
                             "'SAME',12345678901234567890,'0','0'"));
    const Recordset rs
        = c.open(QStringLiteral("SELECT Age, Occupation FROM MSS..tbMSSFamilyComposition WHERE HospNum = '0100001'"));
    QCOMPARE(rs.text(QStringLiteral("Age")), QStringLiteral("1.10"));
    QCOMPARE(rs.text(QStringLiteral("Occupation")), QStringLiteral("12345678901234567890"));

    // A number that holds the digits exactly still goes in as a number.
    const ProcedureParam asGiven { QStringLiteral("x"), ParamType::AsGiven };
    QCOMPARE(procedureArgument(QStringLiteral("p"), asGiven, QVariant(qlonglong(4)), QStringLiteral("4")).typeId(),
        int(QMetaType::LongLong));
    QCOMPARE(procedureArgument(QStringLiteral("p"), asGiven, QVariant(1.5), QStringLiteral("1.5")).typeId(),
        int(QMetaType::Double));
    const ProcedureParam text { QStringLiteral("x"), ParamType::Text };
    QCOMPARE(procedureArgument(QStringLiteral("p"), text, QVariant(qlonglong(4)), QStringLiteral("4")),
        QVariant(QStringLiteral("4")));
}

QTEST_GUILESS_MAIN(TestProcedureParams)
#include "tst_procedureparams.moc"
