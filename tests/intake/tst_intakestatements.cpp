// The statements of an intake save, as the procedures have always been sent them.
#include "domain/intakestatements.h"

#include <QFile>
#include <QtTest>

using namespace mss::intake;

namespace {
// Each value is its place in the procedure's parameter list, set through its own name.
IntakeSheetData numberedSheet()
{
    IntakeSheetData v;
    v.HospNum = QStringLiteral("1");
    v.InterviewDate = QStringLiteral("2");
    v.Classification = QStringLiteral("3");
    v.Category = QStringLiteral("4");
    v.Salary = QStringLiteral("5");
    v.Education = QStringLiteral("6");
    v.Ward = QStringLiteral("7");
    v.LastName = QStringLiteral("8");
    v.FirstName = QStringLiteral("9");
    v.MiddleName = QStringLiteral("10");
    v.HouseStreet = QStringLiteral("11");
    v.Barangay = QStringLiteral("12");
    v.ZipCode = QStringLiteral("13");
    v.TownProvince = QStringLiteral("14");
    v.Sex = QStringLiteral("15");
    v.BirthDate = QStringLiteral("16");
    v.CivilStatus = QStringLiteral("17");
    v.Occupation = QStringLiteral("18");
    v.Age = QStringLiteral("19");
    v.TelNo = QStringLiteral("20");
    v.SSSMember = QStringLiteral("21");
    v.BirthPlace = QStringLiteral("22");
    v.Religion = QStringLiteral("23");
    v.Employer = QStringLiteral("24");
    v.EmployerAddress = QStringLiteral("25");
    v.IdNum = QStringLiteral("26");
    v.AdmissionDate = QStringLiteral("27");
    v.CaseStatus = QStringLiteral("28");
    v.DateInterviewed = QStringLiteral("29");
    v.ExpiryDate = QStringLiteral("30");
    v.MSSNumber = QStringLiteral("31");
    v.SeniorCitizen = QStringLiteral("32");
    return v;
}

OtherPatientInfo numberedOther()
{
    OtherPatientInfo v;
    v.HospNum = QStringLiteral("1");
    v.ReferredBy = QStringLiteral("2");
    v.DateReferred = QStringLiteral("3");
    v.ReferralAddress = QStringLiteral("4");
    v.DSWDSCSR = QStringLiteral("5");
    v.AOCert = QStringLiteral("6");
    v.CertOfEmployment = QStringLiteral("7");
    v.MayorsOffice = QStringLiteral("8");
    v.BarangayClearance = QStringLiteral("9");
    v.Others = QStringLiteral("10");
    v.Treatment = QStringLiteral("11");
    v.OtherMDInfo = QStringLiteral("12");
    v.Resources = QStringLiteral("13");
    v.Expenses = QStringLiteral("14");
    v.FinancialProb = QStringLiteral("15");
    v.Difficulty = QStringLiteral("16");
    v.Aggressiveness = QStringLiteral("17");
    v.Refusal = QStringLiteral("18");
    v.IrregularCheckUp = QStringLiteral("19");
    v.OtherProblem = QStringLiteral("20");
    v.HelpingGoals = QStringLiteral("21");
    v.ActionTaken = QStringLiteral("22");
    v.Philhealth = QStringLiteral("23");
    v.InfoSource = QStringLiteral("24");
    v.WorkStatus = QStringLiteral("25");
    v.DiagnosticImpress = QStringLiteral("26");
    v.ReferringParty = QStringLiteral("27");
    return v;
}

PatientClassification numberedClassification()
{
    PatientClassification v;
    v.HospNum = QStringLiteral("1");
    v.IdNum = QStringLiteral("2");
    v.MSSNum = QStringLiteral("3");
    v.ClassCode = QStringLiteral("4");
    v.Category = QStringLiteral("5");
    v.CategoryID = QStringLiteral("6");
    v.InterviewDate = QStringLiteral("7");
    v.ExpiryDate = QStringLiteral("8");
    v.MSSW = QStringLiteral("9");
    v.UserID = QStringLiteral("10");
    v.RefPartyID = QStringLiteral("11");
    v.CaseStatus = QStringLiteral("12");
    v.Active = QStringLiteral("13");
    return v;
}

FamilyMemberData numberedMember()
{
    FamilyMemberData v;
    v.HospNum = QStringLiteral("1");
    v.FamilyMember = QStringLiteral("2");
    v.Relationship = QStringLiteral("3");
    v.Age = QStringLiteral("4");
    v.CivilStatus = QStringLiteral("5");
    v.Education = QStringLiteral("6");
    v.Address = QStringLiteral("7");
    v.Occupation = QStringLiteral("8");
    v.Income = QStringLiteral("9");
    v.TotalIncome = QStringLiteral("10");
    return v;
}

// How many parameters a procedure of the embedded database declares.
qsizetype declaredParameters(const QString &procedure)
{
    QFile file(QStringLiteral(":/db/procedures/MSS/%1.sql").arg(procedure));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QString marker = QStringLiteral("-- params: ");
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')))
        if (line.startsWith(marker))
            return line.mid(marker.size()).trimmed().split(QStringLiteral(", ")).size();
    return -1;
}

// How many values a statement built from numbered values carries: the last one is its count.
qsizetype valueCount(const QString &statement)
{
    const qsizetype open = statement.lastIndexOf(QLatin1Char('\''), statement.size() - 2);
    return statement.mid(open + 1, statement.size() - open - 2).toInt();
}
} // namespace

class TestIntakeStatements : public QObject {
    Q_OBJECT

private slots:
    void separatorsAsSent();
    void valuesAreQuotedSafely();
    void wrongValueCountIsAProgrammingError();
    void familyMemberAsSent();
};

void TestIntakeStatements::separatorsAsSent()
{
    QString expected = QStringLiteral("MSS..sp_MSS_SaveIntakeSheetData '1");
    for (int i = 2; i <= 32; ++i)
        expected += QStringLiteral("','%1").arg(i);
    QCOMPARE(saveIntakeSheetDataStatement(numberedSheet()), expected + QLatin1Char('\''));

    expected = QStringLiteral("MSS..sp_MSS_SaveOtherPatientInfo '1");
    for (int i = 2; i <= 25; ++i)
        expected += QStringLiteral("','%1").arg(i);
    QCOMPARE(saveOtherPatientInfoStatement(numberedOther()), expected + QStringLiteral("', '26', '27'"));

    expected = QStringLiteral("MSS..sp_MSS_SavePatientData'1");
    for (int i = 2; i <= 13; ++i)
        expected += QStringLiteral("','%1").arg(i);
    QCOMPARE(savePatientDataStatement(numberedClassification()), expected + QLatin1Char('\''));
}

void TestIntakeStatements::valuesAreQuotedSafely()
{
    PatientClassification values = numberedClassification();
    values.MSSW = QStringLiteral("MA. O'BRIEN");
    values.MSSNum = QStringLiteral("'; DROP TABLE tbMSSIntakeSheet; --");
    const QString statement = savePatientDataStatement(values);
    QVERIFY(statement.contains(QStringLiteral("'MA. O''BRIEN'")));
    QVERIFY(statement.contains(QStringLiteral("'''; DROP TABLE tbMSSIntakeSheet; --'")));
}

// A record cannot be given the wrong number of values; what can still go wrong is a record that
// no longer matches the procedure it is sent to.
void TestIntakeStatements::wrongValueCountIsAProgrammingError()
{
    QCOMPARE(valueCount(saveIntakeSheetDataStatement(numberedSheet())),
        declaredParameters(QStringLiteral("sp_MSS_SaveIntakeSheetData")));
    QCOMPARE(valueCount(saveOtherPatientInfoStatement(numberedOther())),
        declaredParameters(QStringLiteral("sp_MSS_SaveOtherPatientInfo")));
    QCOMPARE(valueCount(savePatientDataStatement(numberedClassification())),
        declaredParameters(QStringLiteral("sp_MSS_SavePatientData")));
    QCOMPARE(valueCount(saveFamilyCompositionStatement(numberedMember())),
        declaredParameters(QStringLiteral("sp_MSS_SaveFamilyComposition")));
}

void TestIntakeStatements::familyMemberAsSent()
{
    QCOMPARE(saveFamilyCompositionStatement(numberedMember()),
        QStringLiteral("MSS..sp_MSS_SaveFamilyComposition '1','2','3','4','5','6','7','8','9','10'"));
    QCOMPARE(clearFamilyCompositionStatement(QStringLiteral("O'1")),
        QStringLiteral("MSS..sp_MSS_ClearFamilyComposition 'O''1'"));
}

QTEST_GUILESS_MAIN(TestIntakeStatements)
#include "tst_intakestatements.moc"
