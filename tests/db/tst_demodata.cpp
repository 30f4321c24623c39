// The demo hospital reads like a real one: over every row of a 2,000-patient hospital, ages,
// sexes, civil statuses, occupations, relationships and incomes agree with one another, and each
// classification follows from the family's income.
#include "db/demodata.h"
#include "db/hospitaldb.h"

#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

using namespace mss::data;

namespace {

const QDate kToday(2026, 3, 15);

int yearsBetween(const QDate &birth, const QDate &day)
{
    int years = day.year() - birth.year();
    if (QDate(day.year(), birth.month(), std::min(birth.day(), QDate(day.year(), birth.month(), 1).daysInMonth()))
        > day)
        --years;
    return years;
}

QDate dateOf(const Recordset &rs, const char *column)
{
    return QDate::fromString(rs.text(QLatin1String(column)).left(10), QStringLiteral("yyyy-MM-dd"));
}

// Work that earns nothing, and what the rest may plausibly earn a month.
const QSet<QString> kUnpaid = { QStringLiteral("STUDENT"), QStringLiteral("NONE"), QStringLiteral("HOUSEWIFE") };
const QSet<QString> kMensWork
    = { QStringLiteral("FISHERMAN"), QStringLiteral("DRIVER"), QStringLiteral("LABORER"), QStringLiteral("CARPENTER"),
          QStringLiteral("SECURITY GUARD"), QStringLiteral("TRICYCLE DRIVER"), QStringLiteral("MASON") };
const QSet<QString> kWomensWork
    = { QStringLiteral("HOUSEWIFE"), QStringLiteral("DRESSMAKER"), QStringLiteral("LAUNDRYWOMAN") };

// Empty when the occupation and income agree for a person of that age and sex ('M', 'F' or
// '?' when the row does not say); otherwise what is wrong.
QString checkWork(int age, QChar sex, const QString &occupation, double income)
{
    if (age < 18 && occupation != QLatin1String("STUDENT") && occupation != QLatin1String("NONE"))
        return QStringLiteral("a child of %1 works as %2").arg(age).arg(occupation);
    if (age < 5 && occupation != QLatin1String("NONE"))
        return QStringLiteral("a child of %1 is a %2").arg(age).arg(occupation);
    if (occupation == QLatin1String("RETIRED") && age < 60)
        return QStringLiteral("retired at %1").arg(age);
    if (occupation == QLatin1String("TEACHER") && age < 22)
        return QStringLiteral("a teacher of %1").arg(age);
    if (sex == QLatin1Char('M') && kWomensWork.contains(occupation))
        return QStringLiteral("a man who is a %1").arg(occupation);
    if (sex == QLatin1Char('F') && kMensWork.contains(occupation))
        return QStringLiteral("a woman who is a %1").arg(occupation);
    if (kUnpaid.contains(occupation)                 ? income != 0
            : occupation == QLatin1String("RETIRED") ? income > 8000
                                                     : income < 1000)
        return QStringLiteral("a %1 earning %2").arg(occupation).arg(income);
    if (income < 0 || income > 50000)
        return QStringLiteral("an income of %1").arg(income);
    return {};
}

} // namespace

class TestDemoData : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void patientsAgreeWithThemselves();
    void intakeSheetsAgreeWithThePatient();
    void familiesAgreeWithThePatient();
    void classificationsFollowTheFamilyIncome();
    void nothingHappensBeforeBirth();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<EmbeddedConnection> m_db;
};

void TestDemoData::initTestCase()
{
    m_db = createHospitalDatabase(m_dir.path());
    DemoOptions o;
    o.admissions = 2000 * 4 / 3 + 1; // three patients to every four admissions: 2,000 patients
    o.seed = 11;
    o.today = kToday;
    o.fastPasswordHashes = true;
    generateDemoData(*m_db, o);
    QCOMPARE(m_db->open(QStringLiteral("SELECT count(*) FROM PATIENT_DATA..tbMaster")).text(0), QStringLiteral("2000"));
}

void TestDemoData::patientsAgreeWithThemselves()
{
    const Recordset rs = m_db->open(QStringLiteral("SELECT HospNum, Sex, BirthDate, CivilStatus, Occupation, Employer, "
                                                   "PatientStatus FROM PATIENT_DATA..tbMaster"));
    QVERIFY(rs.recordCount() == 2000);
    QSet<QString> statuses;
    int children = 0, seniors = 0;
    for (Recordset r = rs; !r.eof(); r.moveNext()) {
        const QString who = r.text(QStringLiteral("HospNum"));
        const int age = yearsBetween(dateOf(r, "BirthDate"), kToday);
        const QString occupation = r.text(QStringLiteral("Occupation"));
        const QString civil = r.text(QStringLiteral("CivilStatus"));
        statuses.insert(civil);
        children += age < 18;
        seniors += age >= 60;
        QVERIFY2(age >= 0 && age <= 86, qPrintable(who));
        if (age < 18)
            QVERIFY2(civil == QLatin1String("1"), qPrintable(who + QStringLiteral(": a married or widowed child")));
        // The master holds no income: a paid occupation is recognised by being none of the unpaid.
        const double income = kUnpaid.contains(occupation) || occupation == QLatin1String("RETIRED") ? 0 : 1000;
        const QString wrong = checkWork(age, r.text(QStringLiteral("Sex")).at(0), occupation, income);
        QVERIFY2(wrong.isEmpty(), qPrintable(who + QStringLiteral(": ") + wrong));
        const bool employed = r.text(QStringLiteral("PatientStatus")) == QLatin1String("EMPLOYED");
        QVERIFY2(employed == !r.text(QStringLiteral("Employer")).isEmpty(), qPrintable(who));
        if (employed)
            QVERIFY2(!kUnpaid.contains(occupation) && occupation != QLatin1String("RETIRED"), qPrintable(who));
    }
    // Every civil status is there, and the young and the old.
    QCOMPARE(statuses.size(), 5);
    QVERIFY(children > 100 && seniors > 100);
}

void TestDemoData::intakeSheetsAgreeWithThePatient()
{
    const Recordset rs = m_db->open(
        QStringLiteral("SELECT s.HospNum, s.Age, s.SeniorCitizen, s.Sex, s.InterviewDate, s.Salary, s.Occupation, "
                       "s.Education, m.BirthDate, m.Sex AS MasterSex FROM MSS..tbMSSIntakeSheet s "
                       "JOIN PATIENT_DATA..tbMaster m ON m.HospNum = s.HospNum"));
    QVERIFY(rs.recordCount() > 200);
    for (Recordset r = rs; !r.eof(); r.moveNext()) {
        const QString who = r.text(QStringLiteral("HospNum"));
        const int age = r.text(QStringLiteral("Age")).toInt();
        QCOMPARE(age, yearsBetween(dateOf(r, "BirthDate"), dateOf(r, "InterviewDate")));
        QVERIFY2((r.text(QStringLiteral("SeniorCitizen")) == QLatin1String("1")) == (age >= 60), qPrintable(who));
        const QChar sex = r.text(QStringLiteral("MasterSex")).at(0);
        QCOMPARE(
            r.text(QStringLiteral("Sex")), sex == QLatin1Char('F') ? QStringLiteral("Female") : QStringLiteral("Male"));
        const QString wrong
            = checkWork(age, sex, r.text(QStringLiteral("Occupation")), r.text(QStringLiteral("Salary")).toDouble());
        QVERIFY2(wrong.isEmpty(), qPrintable(who + QStringLiteral(": ") + wrong));
        if (age < 6)
            QCOMPARE(r.text(QStringLiteral("Education")), QStringLiteral("NONE"));
    }
}

void TestDemoData::familiesAgreeWithThePatient()
{
    const Recordset rs = m_db->open(QStringLiteral(
        "SELECT f.HospNum, f.Relationship, f.Age, f.CivilStatus, f.Education, f.Address, f.Occupation, f.Income, "
        "f.TotalIncome, s.Age AS PatientAge, s.CivilStatus AS PatientCivil, m.Sex AS PatientSex, "
        "(SELECT sum(Income) FROM MSS..tbMSSFamilyComposition g WHERE g.HospNum = f.HospNum) AS Sum, "
        "(SELECT count(*) FROM MSS..tbMSSFamilyComposition g WHERE g.HospNum = f.HospNum "
        "AND g.Relationship = 'SPOUSE') AS Spouses FROM MSS..tbMSSFamilyComposition f "
        "JOIN MSS..tbMSSIntakeSheet s ON s.HospNum = f.HospNum JOIN PATIENT_DATA..tbMaster m ON m.HospNum = "
        "f.HospNum"));
    QVERIFY(rs.recordCount() > 300);
    QSet<QString> relationships;
    for (Recordset r = rs; !r.eof(); r.moveNext()) {
        const QString relationship = r.text(QStringLiteral("Relationship"));
        const QString who = r.text(QStringLiteral("HospNum")) + QLatin1Char(' ') + relationship;
        relationships.insert(relationship);
        const int age = r.text(QStringLiteral("Age")).toInt();
        const int patientAge = r.text(QStringLiteral("PatientAge")).toInt();
        const QString civil = r.text(QStringLiteral("CivilStatus"));
        const QChar patientSex = r.text(QStringLiteral("PatientSex")).at(0);
        static const QSet<QString> female
            = { QStringLiteral("MOTHER"), QStringLiteral("DAUGHTER"), QStringLiteral("SISTER") };
        static const QSet<QString> male
            = { QStringLiteral("FATHER"), QStringLiteral("SON"), QStringLiteral("BROTHER") };
        const QChar sex = female.contains(relationship) ? QLatin1Char('F')
            : male.contains(relationship)               ? QLatin1Char('M')
            : relationship == QLatin1String("SPOUSE")
            ? (patientSex == QLatin1Char('M') ? QLatin1Char('F') : QLatin1Char('M'))
            : QLatin1Char('?');
        if (sex == QLatin1Char('F'))
            QVERIFY2(civil != QLatin1String("WIDOWER"), qPrintable(who));
        if (sex == QLatin1Char('M'))
            QVERIFY2(civil != QLatin1String("WIDOW"), qPrintable(who));
        if (age < 18)
            QVERIFY2(civil == QLatin1String("SINGLE"), qPrintable(who));
        if (relationship == QLatin1String("MOTHER") || relationship == QLatin1String("FATHER"))
            QVERIFY2(
                age >= patientAge + 15, qPrintable(who + QStringLiteral(" %1, patient %2").arg(age).arg(patientAge)));
        if (relationship == QLatin1String("SON") || relationship == QLatin1String("DAUGHTER"))
            QVERIFY2(
                age <= patientAge - 15, qPrintable(who + QStringLiteral(" %1, patient %2").arg(age).arg(patientAge)));
        if (relationship == QLatin1String("GRANDCHILD"))
            QVERIFY2(age <= patientAge - 30, qPrintable(who));
        if (relationship == QLatin1String("SPOUSE")) {
            QVERIFY2(std::abs(age - patientAge) <= 10 && age >= 18, qPrintable(who));
            QCOMPARE(civil, QStringLiteral("MARRIED"));
            QCOMPARE(r.text(QStringLiteral("PatientCivil")), QStringLiteral("Married"));
            QCOMPARE(r.text(QStringLiteral("Spouses")), QStringLiteral("1"));
        }
        const QString wrong
            = checkWork(age, sex, r.text(QStringLiteral("Occupation")), r.text(QStringLiteral("Income")).toDouble());
        QVERIFY2(wrong.isEmpty(), qPrintable(who + QStringLiteral(": ") + wrong));
        if (age < 6)
            QCOMPARE(r.text(QStringLiteral("Education")), QStringLiteral("NONE"));
        if (age < 21)
            QVERIFY2(r.text(QStringLiteral("Education")) != QLatin1String("COLLEGE GRADUATE"), qPrintable(who));
        if (r.text(QStringLiteral("Occupation")) == QLatin1String("HOUSEWIFE"))
            QVERIFY2(civil != QLatin1String("SINGLE"), qPrintable(who));
        // Every row carries the family's total: the sum of the members' incomes.
        QCOMPARE(r.text(QStringLiteral("TotalIncome")).toDouble(), r.text(QStringLiteral("Sum")).toDouble());
        QVERIFY(!r.text(QStringLiteral("Address")).isEmpty());
    }
    QVERIFY(relationships.size() >= 7);
}

void TestDemoData::classificationsFollowTheFamilyIncome()
{
    const Recordset rs = m_db->open(QStringLiteral(
        "SELECT s.HospNum, s.Salary, m.MSSClassification, "
        "(SELECT ifnull(sum(Income), 0) FROM MSS..tbMSSFamilyComposition f WHERE f.HospNum = s.HospNum) AS Family, "
        "(SELECT count(*) FROM MSS..tbMSSFamilyComposition f WHERE f.HospNum = s.HospNum) AS Members "
        "FROM MSS..tbMSSIntakeSheet s JOIN PATIENT_DATA..tbMaster m ON m.HospNum = s.HospNum"));
    QSet<QString> classes;
    QHash<QString, QList<double>> perHead;
    for (Recordset r = rs; !r.eof(); r.moveNext()) {
        const double income = r.text(QStringLiteral("Salary")).toDouble() + r.text(QStringLiteral("Family")).toDouble();
        const int household = r.text(QStringLiteral("Members")).toInt() + 1;
        const QString code = r.text(QStringLiteral("MSSClassification"));
        QCOMPARE(code, demoClassificationFor(income, household));
        classes.insert(code);
        perHead[code].append(income / household);
    }
    QVERIFY2(classes.size() >= 5, qPrintable(QStringList(classes.values()).join(QLatin1Char(','))));
    // An indigent household has less to live on per head than one that pays.
    if (perHead.contains(QStringLiteral("A")) && perHead.contains(QStringLiteral("D")))
        QVERIFY(*std::max_element(perHead[QStringLiteral("D")].begin(), perHead[QStringLiteral("D")].end())
            < *std::min_element(perHead[QStringLiteral("A")].begin(), perHead[QStringLiteral("A")].end()));
    // What the assessments and their transactions say is the patient's class.
    QCOMPARE(m_db->open(QStringLiteral("SELECT count(*) FROM MSS..tbMSSAssessment a JOIN PATIENT_DATA..tbMaster m "
                                       "ON m.HospNum = a.HospNum WHERE a.Code <> m.MSSClassification"))
                 .text(0),
        QStringLiteral("0"));
}

void TestDemoData::nothingHappensBeforeBirth()
{
    for (const char *table : { "tbPatient2", "tbOutPatient", "tbERMaster" }) {
        const QString late
            = m_db->open(QStringLiteral("SELECT count(*) FROM PATIENT_DATA..%1 a JOIN PATIENT_DATA..tbMaster m "
                                        "ON m.HospNum = a.HospNum WHERE substr(a.AdmDate, 1, 10) < m.BirthDate")
                             .arg(QLatin1String(table)))
                  .text(0);
        QCOMPARE(late, QStringLiteral("0"));
        // Nobody leaves before arriving.
        QCOMPARE(m_db->open(QStringLiteral("SELECT count(*) FROM PATIENT_DATA..%1 WHERE DcrDate < AdmDate")
                                .arg(QLatin1String(table)))
                     .text(0),
            QStringLiteral("0"));
    }
    QCOMPARE(m_db->open(QStringLiteral("SELECT count(*) FROM MSS..tbMSSIntakeSheet s JOIN PATIENT_DATA..tbMaster m "
                                       "ON m.HospNum = s.HospNum WHERE s.InterviewDate < m.BirthDate"))
                 .text(0),
        QStringLiteral("0"));
}

QTEST_MAIN(TestDemoData)
#include "tst_demodata.moc"
