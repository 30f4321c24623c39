// The discount on a patient's bill, computed on the embedded hospital with bills written for each
// case, so every expected amount is worked out by hand: the Medicare spread, the special
// arrangement, the special assessment's rates, the exact calls in their order, and a recompute
// that fails at any call keeping the earlier computation.
#include "data/embedded.h"
#include "domain/discountcomputation.h"
#include "support/billfixture.h"
#include "support/demohospital.h"
#include "support/fakeconnections.h"

#include <QMap>
#include <QtTest>

#include <algorithm>

using namespace mss;
using classification::DiscountAssessment;
using classification::DiscountComputation;
using classification::DiscountResult;

namespace {

const QString kInWithOpd = QStringLiteral("09900001");
const QString kOpdVisit = QStringLiteral("O9900001");
const QString kInWithoutOpd = QStringLiteral("09900002");
const QString kOutPatient = QStringLiteral("OT9900003");

// Amount by revenue code of a grid column.
QMap<QString, double> byDepartment(const DiscountResult &r, int column)
{
    QMap<QString, double> m;
    for (const QVariantList &row : r.rows)
        m.insert(row.value(1).toString(), row.value(column).toDouble());
    return m;
}

QMap<QString, double> storedColumn(data::Connection &c, const QString &idNum, const QString &column)
{
    QMap<QString, double> m;
    data::Recordset rs
        = c.open(QStringLiteral("SELECT RevenueID, %1 FROM BILLING..tbBillComputedDiscount WHERE IdNum = '%2' AND "
                                "DiscountType = 'QF'")
                     .arg(column, idNum));
    for (; !rs.eof(); rs.moveNext())
        m.insert(rs.text(0), rs.value(1).toDouble());
    return m;
}

QStringList storedComputation(data::Connection &c, const QString &idNum)
{
    QStringList rows;
    data::Recordset rs = c.open(QStringLiteral("SELECT RevenueID, ActualCharges, Medicare, Discount, Mode FROM "
                                               "BILLING..tbBillComputedDiscount WHERE IdNum = '%1' ORDER BY RevenueID")
                                    .arg(idNum));
    for (; !rs.eof(); rs.moveNext())
        rows << QStringLiteral("%1 %2 %3 %4 %5").arg(rs.text(0), rs.text(1), rs.text(2), rs.text(3), rs.text(4));
    return rows;
}

QStringList withoutTransactions(QStringList statements)
{
    statements.removeIf([](const QString &s) {
        return s == QLatin1String("BEGIN") || s == QLatin1String("COMMIT") || s == QLatin1String("ROLLBACK");
    });
    return statements;
}

} // namespace

class TestDiscountComputation : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void inPatientWithOpdAndSpecialArrangement();
    void medicareSpreadInProportion_data();
    void medicareSpreadInProportion();
    void billTotalZeroStopsBeforeAnythingIsShown();
    void outPatientHasNoRoomRateAndCodesOutsideGroupsGetNothing();
    void ordinaryInPatientTakesTheClassDiscountOfTheLoad();
    void storedComputationIsShownWithItsTotals();
    void recomputeStoresTheSameMedicareShares();
    void failureAtAnyCallOfARecomputeKeepsTheEarlierComputation();
    void nothingToDivideByIsRefusedBeforeAnythingIsWritten();
    void ratesAndAmountsThatCannotBeUsedAreRefused();

private:
    void arrangeInPatientWithOpd();
    DiscountResult computeFor(data::Connection &c, const QString &idNum, bool recompute = false);

    std::unique_ptr<test::DemoHospital> m_hospital;
    std::unique_ptr<test::BillFixture> m_bills;
};

void TestDiscountComputation::init()
{
    m_hospital = std::make_unique<test::DemoHospital>();
    m_bills = std::make_unique<test::BillFixture>(m_hospital->connection());
}

void TestDiscountComputation::cleanup()
{
    m_bills.reset();
    m_hospital.reset();
}

void TestDiscountComputation::arrangeInPatientWithOpd()
{
    m_bills->specialArrangementInPatient(kInWithOpd, kOpdVisit, QStringLiteral("T900001"));
}

DiscountResult TestDiscountComputation::computeFor(data::Connection &c, const QString &idNum, bool recompute)
{
    DiscountComputation computation(c);
    const classification::DiscountPatient patient = computation.readPatient({}, idNum);
    const DiscountAssessment assessment = computation.readAssessment(idNum);
    const classification::ClassRates rates = computation.readRates(patient.code, patient.roomId);
    return recompute ? computation.recompute(idNum, rates, assessment) : computation.compute(idNum, rates, assessment);
}

void TestDiscountComputation::inPatientWithOpdAndSpecialArrangement()
{
    arrangeInPatientWithOpd();
    test::RecordingConnection recording(&m_hospital->connection());
    DiscountComputation computation(recording);
    const classification::DiscountPatient patient = computation.readPatient(QStringLiteral("T900001"), kInWithOpd);
    QCOMPARE(patient.code, QStringLiteral("C2"));
    QCOMPARE(patient.roomId, QStringLiteral("W-201"));
    const DiscountAssessment assessment = computation.readAssessment(kInWithOpd);
    QVERIFY(assessment.isSpecial);
    QCOMPARE(assessment.nc, 2000.0);
    const classification::ClassRates rates = computation.readRates(patient.code, patient.roomId);
    recording.statements.clear();
    const DiscountResult r = computation.compute(kInWithOpd, rates, assessment);

    QCOMPARE(recording.statements,
        QStringList({ QStringLiteral("BEGIN"),
            QStringLiteral("BILLING..sp_Billing_Search_Matching_OPDNumber_At_TbPatient '09900001'"),
            QStringLiteral("Billing..sp_Billing_Get_ActualCharges_ForDiscount '09900001','O9900001',4,1"),
            QStringLiteral("Billing..sp_Billing_GetTotalMedicare_Others '09900001'"),
            QStringLiteral("Billing..sp_Billing_Get_MedicareItems_Others '09900001'"),
            QStringLiteral("Billing..sp_Billing_Update_DummyDiscountTable '300','LB'"),
            QStringLiteral("Billing..sp_Billing_Update_DummyDiscountTable '700','PH'"),
            QStringLiteral("Billing..sp_Billing_Get_MSS_SpecialArrangementRemarks '09900001'"),
            QStringLiteral("Select isnull(sum(ActualCharges),0) as ActualCharges From Billing..tbDummyDiscountTable "
                           "Where RevenueID <> 'MD'"),
            QStringLiteral("Billing..sp_Billing_Get_SeniorCitizenCharges_PerDepartment '09900001','O9900001', 7"),
            QStringLiteral("Select * From Billing..tbDummyDiscountTable"),
            // 4000 / 8000 x (10000 - 2000); the doctor keeps the whole charge as discount.
            QStringLiteral("Billing..sp_Billing_Update_Discount_DummyDiscountTable '4000','LB'"),
            QStringLiteral("Billing..sp_Billing_Update_Discount_DummyDiscountTable '2000','MD'"),
            QStringLiteral("Billing..sp_Billing_Update_Discount_DummyDiscountTable '4000','PH'"),
            QStringLiteral("BILLING..sp_Billing_Load_DummyDiscountTable 'QF','2',1"),
            QStringLiteral("SELECT * FROM MSS..tbMSSAssessment WHERE IdNum = '09900001'"), QStringLiteral("COMMIT") }));

    // The arrangement is what is stored ...
    data::Connection &c = m_hospital->connection();
    QCOMPARE(storedComputation(c, kInWithOpd),
        QStringList({ QStringLiteral("LB 4000 300 4000 2"), QStringLiteral("MD 2000 0 2000 2"),
            QStringLiteral("PH 4000 700 4000 2") }));
    // ... and the special assessment's rates are what is shown: half of each department, the
    // doctor whole.
    QCOMPARE(r.outcome, DiscountResult::Outcome::Shown);
    QCOMPARE(r.rows.size(), 3);
    QCOMPARE(byDepartment(r, 5),
        (QMap<QString, double> {
            { QStringLiteral("LB"), 2000 }, { QStringLiteral("MD"), 2000 }, { QStringLiteral("PH"), 2000 } }));
    QCOMPARE(r.charges, 10000.0);
    QCOMPARE(r.medicare, 1000.0);
    QCOMPARE(r.discount, 6000.0);
    QCOMPARE(r.toPay(), 4000.0); // Medicare is shown, not subtracted
    QCOMPARE(r.qfsSpecial, 8000.0);
}

void TestDiscountComputation::medicareSpreadInProportion_data()
{
    QTest::addColumn<double>("first");
    QTest::addColumn<double>("second");
    QTest::addColumn<QString>("firstShare");
    QTest::addColumn<QString>("secondShare");
    QTest::newRow("300 and 700") << 300.0 << 700.0 << "300"
                                 << "700";
    QTest::newRow("100 and 100") << 100.0 << 100.0 << "500"
                                 << "500";
    QTest::newRow("a third") << 100.0 << 200.0 << "333.3333333333333"
                             << "666.6666666666666";
}

void TestDiscountComputation::medicareSpreadInProportion()
{
    QFETCH(double, first);
    QFETCH(double, second);
    QFETCH(QString, firstShare);
    QFETCH(QString, secondShare);
    m_bills->patient(QStringLiteral("T900002"));
    m_bills->inPatient(kInWithoutOpd, QStringLiteral("T900002"));
    m_bills->bill(kInWithoutOpd, { { "LB", 5000 }, { "PH", 5000 } });
    m_bills->medicare(kInWithoutOpd, 1000, { { "LB", first }, { "PH", second } });
    m_bills->assessment(kInWithoutOpd, QStringLiteral("T900002"), QStringLiteral("A"), false, 0);

    test::RecordingConnection recording(&m_hospital->connection());
    const DiscountResult r = computeFor(recording, kInWithoutOpd);
    QVERIFY(recording.statements.contains(
        QStringLiteral("Billing..sp_Billing_Update_DummyDiscountTable '%1','LB'").arg(firstShare)));
    QVERIFY(recording.statements.contains(
        QStringLiteral("Billing..sp_Billing_Update_DummyDiscountTable '%1','PH'").arg(secondShare)));
    const QMap<QString, double> stored
        = storedColumn(m_hospital->connection(), kInWithoutOpd, QStringLiteral("Medicare"));
    QCOMPARE(stored.value(QStringLiteral("LB")), firstShare.toDouble());
    QCOMPARE(stored.value(QStringLiteral("PH")), secondShare.toDouble());
    QCOMPARE(r.medicare, 1000.0);
}

void TestDiscountComputation::billTotalZeroStopsBeforeAnythingIsShown()
{
    // An in-patient without an OPD number and without charges, on a special arrangement.
    m_bills->patient(QStringLiteral("T900002"));
    m_bills->inPatient(kInWithoutOpd, QStringLiteral("T900002"));
    m_bills->assessment(kInWithoutOpd, QStringLiteral("T900002"), QStringLiteral("C1"), true, 500);

    test::RecordingConnection recording(&m_hospital->connection());
    DiscountComputation computation(recording);
    const DiscountResult r = computation.compute(kInWithoutOpd, {}, computation.readAssessment(kInWithoutOpd));
    QCOMPARE(r.outcome, DiscountResult::Outcome::BillTotalZero);
    QVERIFY(r.rows.isEmpty());
    QCOMPARE(withoutTransactions(recording.statements).mid(1),
        QStringList({ QStringLiteral("BILLING..sp_Billing_Search_Matching_OPDNumber_At_TbPatient '09900002'"),
            QStringLiteral("Billing..sp_Billing_Get_ActualCharges_ForDiscount '09900002','',3,1"),
            QStringLiteral("Billing..sp_Billing_GetTotalMedicare_Others '09900002'"),
            QStringLiteral("Billing..sp_Billing_Get_MSS_SpecialArrangementRemarks '09900002'"),
            QStringLiteral("Select isnull(sum(ActualCharges),0) as ActualCharges From Billing..tbDummyDiscountTable "
                           "Where RevenueID <> 'MD'"),
            QStringLiteral("Billing..sp_Billing_Get_SeniorCitizenCharges_PerDepartment '09900002','', 6") }));
    QVERIFY(storedComputation(m_hospital->connection(), kInWithoutOpd).isEmpty());
}

void TestDiscountComputation::outPatientHasNoRoomRateAndCodesOutsideGroupsGetNothing()
{
    // Class C2 out-patient rates are 0.4 with no room rate; EC is in no group. NC 300 on a bill of
    // 2500, all of it non-doctor: each department gets its share of 2200.
    m_bills->patient(QStringLiteral("T900003"));
    m_bills->outPatient(kOutPatient, QStringLiteral("T900003"));
    m_bills->bill(kOutPatient, { { "RA", 1000 }, { "LB", 1000 }, { "EC", 500 } }, true);
    m_bills->assessment(kOutPatient, QStringLiteral("T900003"), QStringLiteral("C2"), true, 300);

    test::RecordingConnection recording(&m_hospital->connection());
    const DiscountResult r = computeFor(recording, kOutPatient);
    const QStringList calls = withoutTransactions(recording.statements);
    const int start
        = int(calls.indexOf(QStringLiteral("BILLING..sp_Billing_Search_Matching_OPDNumber_At_TbPatient 'OT9900003'")));
    QVERIFY(start > 0);
    QCOMPARE(calls.mid(start),
        QStringList({ QStringLiteral("BILLING..sp_Billing_Search_Matching_OPDNumber_At_TbPatient 'OT9900003'"),
            QStringLiteral("Billing..sp_Billing_Get_ActualCharges_ForDiscount 'OT9900003','',7,1"),
            QStringLiteral("Billing..sp_Billing_GetTotalMedicare_Others 'OT9900003'"),
            QStringLiteral("Billing..sp_Billing_Get_MSS_SpecialArrangementRemarks 'OT9900003'"),
            QStringLiteral("Select isnull(sum(ActualCharges),0) as ActualCharges From Billing..tbDummyDiscountTable "
                           "Where RevenueID <> 'MD'"),
            QStringLiteral("Billing..sp_Billing_Get_SeniorCitizenCharges_PerDepartment 'OT9900003','', 10"),
            QStringLiteral("Select * From Billing..tbDummyDiscountTable"),
            QStringLiteral("Billing..sp_Billing_Update_Discount_DummyDiscountTable '440','EC'"),
            QStringLiteral("Billing..sp_Billing_Update_Discount_DummyDiscountTable '880','LB'"),
            QStringLiteral("Billing..sp_Billing_Update_Discount_DummyDiscountTable '880','RA'"),
            QStringLiteral("BILLING..sp_Billing_Load_DummyDiscountTable 'QF','2',1"),
            QStringLiteral("SELECT * FROM MSS..tbMSSAssessment WHERE IdNum = 'OT9900003'") }));
    QCOMPARE(byDepartment(r, 5),
        (QMap<QString, double> {
            { QStringLiteral("EC"), 0 }, { QStringLiteral("LB"), 400 }, { QStringLiteral("RA"), 0 } }));
    QCOMPARE(r.charges, 2500.0);
    QCOMPARE(r.discount, 400.0);
    QCOMPARE(r.toPay(), 2100.0);
    QCOMPARE(r.qfsSpecial, 2200.0);
}

void TestDiscountComputation::ordinaryInPatientTakesTheClassDiscountOfTheLoad()
{
    // Not special: mode 1, and the load's own class discount (C1: 0.25 of what Medicare leaves) stands.
    m_bills->patient(QStringLiteral("T900002"));
    m_bills->inPatient(kInWithoutOpd, QStringLiteral("T900002"));
    m_bills->bill(kInWithoutOpd, { { "LB", 1000 }, { "MD", 600 } });
    m_bills->medicare(kInWithoutOpd, 200, { { "LB", 1000 } });
    m_bills->assessment(kInWithoutOpd, QStringLiteral("T900002"), QStringLiteral("C1"), false, 0);

    test::RecordingConnection recording(&m_hospital->connection());
    const DiscountResult r = computeFor(recording, kInWithoutOpd);
    QVERIFY(recording.statements.contains(QStringLiteral("BILLING..sp_Billing_Load_DummyDiscountTable 'QF','1',1")));
    QVERIFY(!recording.statements.contains(QStringLiteral("Select * From Billing..tbDummyDiscountTable")));
    QCOMPARE(
        byDepartment(r, 5), (QMap<QString, double> { { QStringLiteral("LB"), 200 }, { QStringLiteral("MD"), 600 } }));
    QCOMPARE(r.charges, 1600.0);
    QCOMPARE(r.medicare, 200.0);
    QCOMPARE(r.discount, 800.0);
    QCOMPARE(r.toPay(), 800.0);
    QCOMPARE(r.qfsSpecial, 1600.0); // no special assessment: no NC taken off
}

void TestDiscountComputation::storedComputationIsShownWithItsTotals()
{
    arrangeInPatientWithOpd();
    DiscountComputation computation(m_hospital->connection());
    QVERIFY(!computation.existing(kInWithOpd));
    computeFor(m_hospital->connection(), kInWithOpd);

    test::RecordingConnection recording(&m_hospital->connection());
    const std::optional<DiscountResult> stored = DiscountComputation(recording).existing(kInWithOpd);
    QCOMPARE(recording.statements,
        QStringList({ QStringLiteral("Billing..sp_Billing_Check_ExistingDiscount '09900001','QF'") }));
    QVERIFY(stored);
    // What was stored (the arrangement), not what the special assessment showed.
    QCOMPARE(stored->charges, 10000.0);
    QCOMPARE(stored->medicare, 1000.0);
    QCOMPARE(stored->discount, 10000.0);
    QCOMPARE(stored->toPay(), 0.0);
}

void TestDiscountComputation::recomputeStoresTheSameMedicareShares()
{
    arrangeInPatientWithOpd();
    data::Connection &c = m_hospital->connection();
    computeFor(c, kInWithOpd);
    const QStringList first = storedComputation(c, kInWithOpd);

    test::RecordingConnection recording(&c);
    const DiscountResult again = computeFor(recording, kInWithOpd, true);
    QVERIFY(recording.statements.contains(
        QStringLiteral("Billing..sp_Billing_Delete_Existing_ComputedDiscount_All '09900001','09900001','QF'")));
    QCOMPARE(recording.statements.count(QStringLiteral("BEGIN")), 1);
    QCOMPARE(storedComputation(c, kInWithOpd), first);
    QCOMPARE(again.discount, 6000.0);
}

void TestDiscountComputation::failureAtAnyCallOfARecomputeKeepsTheEarlierComputation()
{
    arrangeInPatientWithOpd();
    data::Connection &c = m_hospital->connection();
    computeFor(c, kInWithOpd);
    const QStringList before = storedComputation(c, kInWithOpd);
    QVERIFY(!before.isEmpty());

    test::RecordingConnection counting(&c);
    computeFor(counting, kInWithOpd, true);
    const int calls = int(withoutTransactions(counting.statements).size());
    QVERIFY(calls > 15);
    // Put the earlier computation back exactly as it was (the successful recompute rewrote its date).
    computeFor(c, kInWithOpd, true);
    const QStringList reference = storedComputation(c, kInWithOpd);
    QCOMPARE(reference, before);

    for (int k = 1; k <= calls + 1; ++k) {
        test::FaultInjectingConnection failing(&c);
        if (k <= calls)
            failing.failStatement = k;
        else
            failing.failCommit = true;
        bool failed = false;
        try {
            computeFor(failing, kInWithOpd, true);
        } catch (const data::DbError &) {
            failed = true;
        }
        // The reads of opening come first: a fault there fails before the recompute starts.
        QVERIFY2(failed, qPrintable(QStringLiteral("call %1").arg(k)));
        QVERIFY2(!c.inTransaction(), qPrintable(QStringLiteral("call %1").arg(k)));
        QCOMPARE(storedComputation(c, kInWithOpd), reference);
    }
}

void TestDiscountComputation::nothingToDivideByIsRefusedBeforeAnythingIsWritten()
{
    data::Connection &c = m_hospital->connection();
    // Medicare items that add up to 0.
    m_bills->patient(QStringLiteral("T900002"));
    m_bills->inPatient(kInWithoutOpd, QStringLiteral("T900002"));
    m_bills->bill(kInWithoutOpd, { { "LB", 1000 } });
    m_bills->medicare(kInWithoutOpd, 500, { { "LB", 0 }, { "PH", 0 } });
    m_bills->assessment(kInWithoutOpd, QStringLiteral("T900002"), QStringLiteral("C1"), false, 0);
    test::RecordingConnection recording(&c);
    try {
        computeFor(recording, kInWithoutOpd);
        QFAIL("Medicare items adding up to 0 were not refused");
    } catch (const data::DbError &e) {
        // Refused for what it is, not stopped later by a share that is not a number.
        QVERIFY2(e.description().contains(QLatin1String("The Medicare items of admission"))
                && e.description().contains(QLatin1String("add up to 0")),
            qPrintable(e.description()));
    }
    QVERIFY(!std::any_of(recording.statements.cbegin(), recording.statements.cend(),
        [](const QString &s) { return s.contains(QLatin1String("Update_DummyDiscountTable")); }));
    QCOMPARE(recording.statements.last(), QStringLiteral("ROLLBACK"));

    // A special arrangement on a bill whose only non-doctor department charges 0.
    m_bills->patient(QStringLiteral("T900003"));
    m_bills->outPatient(kOutPatient, QStringLiteral("T900003"));
    m_bills->bill(kOutPatient, { { "LB", 0 }, { "MD", 1500 } }, true);
    m_bills->assessment(kOutPatient, QStringLiteral("T900003"), QStringLiteral("C1"), true, 500);
    recording.statements.clear();
    try {
        computeFor(recording, kOutPatient);
        QFAIL("a spread over a non-doctor total of 0 was not refused");
    } catch (const data::DbError &e) {
        QVERIFY(e.description().contains(QLatin1String("add up to 0")));
    }
    QVERIFY(!std::any_of(recording.statements.cbegin(), recording.statements.cend(),
        [](const QString &s) { return s.contains(QLatin1String("Update_Discount_DummyDiscountTable")); }));
    QCOMPARE(test::scalar(c,
                 QStringLiteral("SELECT count(*) FROM BILLING..tbBillComputedDiscount WHERE NOT (abs(Discount) < 1e300 "
                                "AND abs(Medicare) < 1e300)")),
        QStringLiteral("0"));

    // A doctor-only bill has nothing to divide: it is discounted whole.
    m_bills->patient(QStringLiteral("T900004"));
    m_bills->outPatient(QStringLiteral("OT9900004"), QStringLiteral("T900004"));
    m_bills->bill(QStringLiteral("OT9900004"), { { "MD", 1500 } }, true);
    m_bills->assessment(QStringLiteral("OT9900004"), QStringLiteral("T900004"), QStringLiteral("A"), true, 500);
    const DiscountResult doctorOnly = computeFor(c, QStringLiteral("OT9900004"));
    QCOMPARE(
        storedColumn(c, QStringLiteral("OT9900004"), QStringLiteral("Discount")).value(QStringLiteral("MD")), 1500.0);
    QCOMPARE(doctorOnly.charges, 1500.0);
}

void TestDiscountComputation::ratesAndAmountsThatCannotBeUsedAreRefused()
{
    data::Connection &c = m_hospital->connection();
    c.execute(QStringLiteral("INSERT INTO MSS..tbMSSClassification VALUES ('ZZ','BROKEN',-0.25,0.1,0.1,0.1,0,0,0)"));
    DiscountComputation computation(c);
    try {
        computation.readRates(QStringLiteral("ZZ"), QStringLiteral("W-201"));
        QFAIL("a negative rate was taken");
    } catch (const data::DbError &e) {
        QVERIFY(e.description().contains(QLatin1String("Procedures rate of class ZZ")));
    }
    // The out-patient rates of the same class are sound.
    QCOMPARE(computation.readRates(QStringLiteral("ZZ"), QStringLiteral("OPD")).procedures, 0.0);
    QCOMPARE(computation.readRates(QStringLiteral("NONE"), QStringLiteral("W-201")).room, 0.0);

    // A server that hands back a null rate or a Medicare item without an amount.
    test::RecordingConnection server;
    server.answer = [](const QString &statement) {
        if (statement.contains(QLatin1String("tbMSSClassification")))
            return data::Recordset({ QStringLiteral("Type"), QStringLiteral("Procedures"), QStringLiteral("Supplies"),
                                       QStringLiteral("Medicines"), QStringLiteral("Room") },
                { { QStringLiteral("C1"), 0.25, QVariant(), 0.25, 0.25 } });
        if (statement.contains(QLatin1String("GetTotalMedicare")))
            return data::Recordset({ QStringLiteral("Amount") }, { { 1000.0 } });
        if (statement.contains(QLatin1String("MedicareItems")))
            return data::Recordset({ QStringLiteral("Amount"), QStringLiteral("RevenueID") },
                { { 400.0, QStringLiteral("LB") }, { QVariant(), QStringLiteral("PH") } });
        return data::Recordset();
    };
    DiscountComputation remote(server, [](const QString &) { return QString(); });
    QVERIFY_THROWS_EXCEPTION(data::DbError, remote.readRates(QStringLiteral("C1"), QStringLiteral("W-201")));
    QVERIFY_THROWS_EXCEPTION(data::DbError, remote.compute(kInWithoutOpd, {}, {}));
    QVERIFY(!std::any_of(server.statements.cbegin(), server.statements.cend(),
        [](const QString &s) { return s.contains(QLatin1String("Update_DummyDiscountTable")); }));
}

QTEST_GUILESS_MAIN(TestDiscountComputation)
#include "tst_discountcomputation.moc"
