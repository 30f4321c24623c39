// The assessment-and-referral record without its window: hidden keys, the rules by which the
// window's controls become values, the exact statements of a save, and what a save or a
// conversion to a service patient leaves in the database when one of its statements fails.
#include "data/connection.h"
#include "domain/arrrecord.h"
#include "domain/arrstatements.h"
#include "domain/hiddenkey.h"
#include "support/demohospital.h"
#include "support/fakeconnections.h"

#include <QtTest>

using namespace mss;
using namespace mss::referral;

namespace {

// Every row of a query, one line each, so two states of a table compare as texts.
QString rowsOf(data::Connection &c, const QString &statement)
{
    const data::Recordset rs = c.open(statement);
    QStringList lines;
    for (const QVariantList &row : rs.rows()) {
        QStringList cells;
        for (const QVariant &v : row)
            cells.append(data::variantText(v));
        lines.append(cells.join(QLatin1Char('\t')));
    }
    return lines.join(QLatin1Char('\n'));
}

ArrSaveValues knownValues()
{
    ArrSaveValues v;
    v.HospNum = QStringLiteral("H1");
    v.IdNum = QStringLiteral("100");
    v.HospNumText = QStringLiteral("H1");
    v.IdNumText = QStringLiteral("100");
    v.MssNum = QStringLiteral("M-1");
    v.ClassCode = QStringLiteral("C1");
    v.CategoryName = QStringLiteral("HEMODIALYSIS");
    v.CategoryId = QStringLiteral("01");
    v.ParentCategoryId = QStringLiteral("03");
    v.Remarks = QStringLiteral("O'Brien");
    v.IntakeDate = QStringLiteral("12/9/2026");
    v.ExpiryDate = QStringLiteral("12/31/2027");
    v.WorkerCode = QStringLiteral("W1");
    v.EmployeeCode = QStringLiteral("E1");
    v.UserCode = QStringLiteral("U1");
    v.IsPCSO = QStringLiteral("1");
    v.PcsoType = QStringLiteral("G");
    v.NC = QStringLiteral("1500.5");
    v.ReferringCode = QStringLiteral("2");
    v.Active = QStringLiteral("Y");
    v.CaseStatus = QStringLiteral("01");
    v.ServiceCodes = QStringLiteral("1.1|1.3.1|");
    v.ActivityCodes = QStringLiteral("1.2|");
    v.Docs = docsText(QList<bool>(18, false));
    return v;
}

} // namespace

class TestArrStore : public QObject {
    Q_OBJECT

private slots:
    void hiddenKeysComeBackWhole();
    void codeTextsSplitAtTheSeparator();
    void knownSaveSendsItsStatementsInOrder();
    void specialCaseAndKindOfAdmissionDecideTheRemoval();
    void controlsBecomeValuesByTheirTables();
    void faultAtEachStatementLeavesTheDatabaseAsItWas();
    void apostrophesAndLongRemarksAreStoredAsTyped();
    void conversionToServiceIsAllOrNothing();
    void caseNumberOwners();

private:
    struct Admission {
        QString hospNum;
        QString idNum;
        QString mssNum;
    };
    // An in-patient with a stored ARR, an MSS number and procedure-discount lines on the bill.
    Admission assessedInPatient(data::Connection &c);
};

void TestArrStore::hiddenKeysComeBackWhole()
{
    for (const QString &id : { QStringLiteral("7"), QStringLiteral("12") }) {
        const QString entry = domain::withHiddenKey(QStringLiteral("RENAL"), id, domain::kCategoryBlanks);
        QCOMPARE(entry.size(), 5 + 100 + id.size());
        QCOMPARE(domain::hiddenKey(entry, domain::kCategoryKeyWidth), id);
        QCOMPARE(domain::hiddenKeyName(entry, domain::kCategoryKeyWidth), QStringLiteral("RENAL"));
    }
    // A name ending in a digit must not leak into a one-character key.
    const QString digitName = domain::withHiddenKey(QStringLiteral("TYPE 2"), QStringLiteral("5"), 100);
    QCOMPARE(domain::hiddenKey(digitName, 2), QStringLiteral("5"));
    for (const QString &code : { QStringLiteral("1"), QStringLiteral("1.2.3.1.10") }) {
        const QString entry = domain::withHiddenKey(QStringLiteral("SERVICE"), code, domain::kArrListBlanks);
        QCOMPARE(domain::hiddenKey(entry, domain::kCodeKeyWidth), code);
        const QString picked = domain::withHiddenKey(QStringLiteral("SERVICE"), code, domain::kPickerListBlanks);
        QCOMPARE(domain::hiddenKey(picked, domain::kCodeKeyWidth), code);
    }
}

void TestArrStore::codeTextsSplitAtTheSeparator()
{
    QCOMPARE(domain::splitCodes(QStringLiteral("1.1|1.3.1|")), QStringList({ "1.1", "1.3.1" }));
    QVERIFY(domain::splitCodes(QString()).isEmpty());
    QVERIFY(domain::splitCodes(QStringLiteral("1.1")).isEmpty()); // no separator: no code
    QCOMPARE(domain::splitCodes(QStringLiteral("1.1|junk")), QStringList({ "1.1" }));
    QCOMPARE(domain::joinCodes({ "1.1", "2" }), QStringLiteral("1.1|2|"));
    QCOMPARE(domain::joinCodes({}), QString());
}

void TestArrStore::knownSaveSendsItsStatementsInOrder()
{
    const QList<QString> expected = {
        QStringLiteral("MSS..sp_MSS_SaveAssessment_NEW'H1','100','M-1','C1','HEMODIALYSIS','01','O''Brien','12/9/2026',"
                       "'12/31/2027','W1','E1','1','','','1500.5','G','03','01','2','Y','01','1.1|1.3.1|'"),
        QStringLiteral("MSS..sp_MSS_SaveTransaction 'H1','100','M-1','C1','12/9/2026','12/31/2027','HEMODIALYSIS','W1',"
                       "'U1','O''Brien'"),
        QStringLiteral("DELETE   FROM BILLING..tbBillDailyBill WHERE revenueid = 'QF' and refNum = 'M-1' and IdNum = "
                       "'100'"),
        QStringLiteral("Mss..spMSS_SaveDocumentation 'H1', '100', 'Y', '01','0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|', "
                       "'12/9/2026','U1','W1','1.2|'"),
    };
    QCOMPARE(saveStatements(knownValues()), expected);

    // Through the store, on an open transaction, the same four and nothing else.
    test::RecordingConnection recording;
    ArrStore(recording).saveAssessment(knownValues());
    QCOMPARE(recording.statements, QStringList({ "BEGIN" }) + expected + QStringList({ "COMMIT" }));
}

void TestArrStore::specialCaseAndKindOfAdmissionDecideTheRemoval()
{
    ArrSaveValues v = knownValues();
    v.IsSpecial = QStringLiteral("1");
    QVERIFY(!removeDiscountLinesStatement(v));
    QCOMPARE(saveStatements(v).size(), 3);
    for (const QString &s : saveStatements(v))
        QVERIFY(!s.contains(QLatin1String("DELETE")));

    v.IsSpecial.clear();
    v.IdNumText = QStringLiteral("2026-000123B");
    QCOMPARE(*removeDiscountLinesStatement(v),
        QStringLiteral("DELETE  FROM BILLING..tbBillOPDailyOut WHERE revenueid = 'QF' and refNum = 'M-1' and IdNum = "
                       "'2026-000123B'"));
    // The window's admission field decides, not the number the opener gave.
    v.IdNum = QStringLiteral("2026-000123B");
    v.IdNumText = QStringLiteral("123");
    QVERIFY(removeDiscountLinesStatement(v)->startsWith(QLatin1String("DELETE   FROM BILLING..tbBillDailyBill")));
}

void TestArrStore::controlsBecomeValuesByTheirTables()
{
    QCOMPARE(pcsoTypeCode(true, 0), QStringLiteral("E"));
    QCOMPARE(pcsoTypeCode(true, 1), QStringLiteral("G"));
    QCOMPARE(pcsoTypeCode(true, 2), QStringLiteral("C"));
    QCOMPARE(pcsoTypeCode(true, -1), QString()); // tagged, no type chosen
    QCOMPARE(pcsoTypeCode(false, 1), QString()); // a type chosen, not tagged
    QCOMPARE(pcsoTypeIndex(QStringLiteral("G ")), 1);
    QCOMPARE(pcsoTypeIndex(QString()), -1);

    QCOMPARE(optionCategoryName(0), QStringLiteral("Pedia-Nephro"));
    QCOMPARE(optionCategoryName(4), QStringLiteral("PD"));
    QCOMPARE(optionCategoryName(9), QStringLiteral("Renal Transplant Recipient"));
    QCOMPARE(optionCategoryName(11), QStringLiteral("Nephrology"));
    for (int none : { -1, 12, 13, 14 })
        QCOMPARE(optionCategoryName(none), QString());

    QCOMPARE(referringCodeOf(QStringLiteral("2 -PHYSICIAN")), QStringLiteral("2"));
    QCOMPARE(referringCodeOf(QStringLiteral("12 -A-B")), QStringLiteral("12"));
    QCOMPARE(referringCodeOf(QStringLiteral("PHYSICIAN")), QString());

    const QString none = docsText(QList<bool>(18, false));
    QCOMPARE(none, QStringLiteral("0|").repeated(18));
    QList<bool> two(18, false);
    two[0] = two[17] = true;
    QCOMPARE(docsText(two), QStringLiteral("1|") + QStringLiteral("0|").repeated(16) + QStringLiteral("1|"));
    const QList<std::optional<bool>> shortDocs = docsValues(QStringLiteral("1|0|1"), 18);
    QCOMPARE(shortDocs.size(), 18);
    QCOMPARE(shortDocs[0], std::optional<bool>(true));
    QCOMPARE(shortDocs[1], std::optional<bool>(false));
    QCOMPARE(shortDocs[2], std::optional<bool>(true));
    QVERIFY(!shortDocs[3] && !shortDocs[17]);

    QCOMPARE(*negotiatedCounterpartText(QString()), QStringLiteral("0"));
    QCOMPARE(*negotiatedCounterpartText(QStringLiteral("   ")), QStringLiteral("0"));
    QCOMPARE(*negotiatedCounterpartText(QStringLiteral("12,000")), QStringLiteral("12000"));
    QCOMPARE(*negotiatedCounterpartText(QStringLiteral("1500.50")), QStringLiteral("1500.5"));
    QCOMPARE(*negotiatedCounterpartText(QStringLiteral("-5")), QStringLiteral("-5"));
    QVERIFY(!negotiatedCounterpartText(QStringLiteral("1e400"))); // no infinite amount reaches a statement
    QVERIFY(!negotiatedCounterpartText(QStringLiteral("12a")));
    QVERIFY(!isNumericText(QString()));
    QVERIFY(isNumericText(QStringLiteral("12")));
}

TestArrStore::Admission TestArrStore::assessedInPatient(data::Connection &c)
{
    const data::Recordset rs = c.open(QStringLiteral(
        "SELECT a.HospNum, a.IdNum, a.MSSNum FROM MSS..tbMSSAssessment a "
        "JOIN BILLING..tbBillDailyBill b ON b.IdNum = a.IdNum AND b.RevenueID = 'QF' AND b.RefNum = a.MSSNum "
        "WHERE a.IdNum NOT LIKE '%B' AND a.IdNum NOT LIKE '%-%' AND ifnull(a.MSSNum, '') <> '' ORDER BY a.IdNum LIMIT "
        "1"));
    if (rs.eof())
        return {};
    return { rs.text(0), rs.text(1), rs.text(2) };
}

void TestArrStore::faultAtEachStatementLeavesTheDatabaseAsItWas()
{
    test::DemoHospital hospital;
    data::Connection &c = hospital.connection();
    const Admission a = assessedInPatient(c);
    QVERIFY2(!a.idNum.isEmpty(), "the demo has an assessed in-patient with procedure-discount lines");

    ArrSaveValues v = knownValues();
    v.HospNum = v.HospNumText = a.hospNum;
    v.IdNum = v.IdNumText = a.idNum;
    v.MssNum = a.mssNum;
    v.WorkerCode.clear();
    v.Remarks = QStringLiteral("CHANGED");

    const QStringList tables = {
        QStringLiteral("SELECT * FROM MSS..tbMSSAssessment WHERE IdNum = '%1'").arg(a.idNum),
        QStringLiteral("SELECT * FROM MSS..tbMSSTransaction WHERE HospNum = '%1' ORDER BY TransID").arg(a.hospNum),
        QStringLiteral("SELECT * FROM BILLING..tbBillDailyBill WHERE IdNum = '%1' ORDER BY rowid").arg(a.idNum),
        QStringLiteral("SELECT * FROM MSS..tbMSSCaseHistory WHERE IdNum = '%1'").arg(a.idNum),
        QStringLiteral("SELECT * FROM PATIENT_DATA..tbMaster WHERE HospNum = '%1'").arg(a.hospNum),
    };
    auto snapshot = [&] {
        QStringList state;
        for (const QString &t : tables)
            state.append(rowsOf(c, t));
        return state;
    };
    const QStringList before = snapshot();

    for (int k = 1; k <= 4; ++k) {
        test::FaultInjectingConnection failing(&c);
        failing.failStatement = k;
        QVERIFY_THROWS_EXCEPTION(data::DbError, ArrStore(failing).saveAssessment(v));
        QCOMPARE(failing.statements.last(), QStringLiteral("ROLLBACK"));
        QCOMPARE(snapshot(), before);
    }
    test::FaultInjectingConnection failingCommit(&c);
    failingCommit.failCommit = true;
    QVERIFY_THROWS_EXCEPTION(data::DbError, ArrStore(failingCommit).saveAssessment(v));
    QCOMPARE(snapshot(), before);

    ArrStore(c).saveAssessment(v);
    const QStringList after = snapshot();
    QVERIFY(after[0].contains(QLatin1String("CHANGED")));
    QVERIFY(after[1].size() > before[1].size());
    QVERIFY(!after[2].contains(QLatin1String("\tQF\t")));
    QVERIFY(after[3].contains(v.Docs));
}

void TestArrStore::apostrophesAndLongRemarksAreStoredAsTyped()
{
    test::DemoHospital hospital;
    data::Connection &c = hospital.connection();
    const Admission a = assessedInPatient(c);
    ArrSaveValues v = knownValues();
    v.HospNum = v.HospNumText = a.hospNum;
    v.IdNum = v.IdNumText = a.idNum;
    v.MssNum = a.mssNum;
    v.WorkerCode.clear();
    v.CategoryName = QStringLiteral("NIÑO'S CASE");
    v.Remarks = QStringLiteral("D'Souza y Peña's family; '); DROP TABLE tbMSSAssessment; --").leftJustified(2000, u'x');
    ArrStore(c).saveAssessment(v);
    QCOMPARE(
        test::scalar(c, QStringLiteral("SELECT Remarks FROM MSS..tbMSSAssessment WHERE IdNum = '%1'").arg(a.idNum)),
        v.Remarks);
    QCOMPARE(
        test::scalar(c, QStringLiteral("SELECT Category FROM MSS..tbMSSAssessment WHERE IdNum = '%1'").arg(a.idNum)),
        v.CategoryName);
    QCOMPARE(test::scalar(c,
                 QStringLiteral("SELECT Remarks FROM MSS..tbMSSTransaction WHERE IdNum = '%1' ORDER BY TransID DESC")
                     .arg(a.idNum)),
        v.Remarks);
}

void TestArrStore::conversionToServiceIsAllOrNothing()
{
    test::DemoHospital hospital;
    data::Connection &c = hospital.connection();
    const QString id = test::scalar(c,
        QStringLiteral(
            "SELECT min(IdNum) FROM PATIENT_DATA..tbPatient2 WHERE substr(ifnull(PatientClass, 'P'), 1, 1) = 'P'"));
    QVERIFY(!id.isEmpty());
    const QString classOf
        = QStringLiteral("SELECT PatientClass FROM PATIENT_DATA..tbPatient2 WHERE IdNum = '%1'").arg(id);
    const QString history = QStringLiteral("SELECT count(*) FROM MSS..tbMSSPatClassHistory WHERE IdNum = '%1'").arg(id);
    const QString classBefore = test::scalar(c, classOf);
    const QString historyBefore = test::scalar(c, history);

    // The history entry fails after the class was changed: the change goes too.
    for (int k = 2; k <= 3; ++k) {
        test::FaultInjectingConnection failing(&c);
        failing.failStatement = k;
        QVERIFY_THROWS_EXCEPTION(data::DbError, ArrStore(failing).convertToServicePatient(id, QStringLiteral("MSS01")));
        QCOMPARE(test::scalar(c, classOf), classBefore);
        QCOMPARE(test::scalar(c, history), historyBefore);
    }

    test::RecordingConnection recording(&c);
    ArrStore(recording).convertToServicePatient(id, QStringLiteral("MSS01"));
    QCOMPARE(recording.statements.mid(1, 3),
        QStringList(
            { QStringLiteral("SELECT IdNum, PatientClass FROM Patient_Data..tbPatient2 WHERE IdNum = '%1'").arg(id),
                QStringLiteral("UPDATE Patient_Data..tbPatient2 SET PatientClass = 'S' WHERE IdNum = '%1'").arg(id),
                QStringLiteral("MSS..sp_MSS_UpdatePatientClass '%1','S','MSS01'").arg(id) }));
    QCOMPARE(test::scalar(c, classOf), QStringLiteral("S"));
    QCOMPARE(test::scalar(c, history).toInt(), historyBefore.toInt() + 1);
}

void TestArrStore::caseNumberOwners()
{
    test::DemoHospital hospital;
    data::Connection &c = hospital.connection();
    const data::Recordset two = c.open(QStringLiteral("SELECT HospNum, MSSNum, LastName FROM PATIENT_DATA..tbMaster "
                                                      "WHERE ifnull(MSSNum, '') <> '' ORDER BY HospNum LIMIT 2"));
    QCOMPARE(two.recordCount(), 2);
    const QString ownHosp = two.rows()[0][0].toString(), ownMss = two.rows()[0][1].toString();
    const QString otherHosp = two.rows()[1][0].toString();
    const ArrStore store(c);
    QVERIFY(!store.otherOwnerOf(ownMss, QStringLiteral(" ") + ownHosp + QStringLiteral(" ")));
    const std::optional<CaseNumberOwner> owner = store.otherOwnerOf(ownMss, otherHosp);
    QVERIFY(owner);
    QCOMPARE(owner->HospNum, ownHosp);
    QVERIFY(owner->PatientName.startsWith(two.rows()[0][2].toString()));
    QVERIFY(!store.otherOwnerOf(QStringLiteral("NOBODY-1"), otherHosp));
}

QTEST_GUILESS_MAIN(TestArrStore)
#include "tst_arrstore.moc"
