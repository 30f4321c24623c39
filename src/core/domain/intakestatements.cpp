#include "domain/intakestatements.h"

#include "data/quote.h"

#include <initializer_list>

namespace mss::intake {

namespace {

// The values between the statement's first and last quote. The last few separators of some
// procedures carry a blank.
QString joined(std::initializer_list<QString> values, const QString &lastSeparator = {}, qsizetype lastSeparators = 0)
{
    const qsizetype count = qsizetype(values.size());
    QString text;
    qsizetype i = 0;
    for (const QString &value : values) {
        if (i > 0)
            text += i >= count - lastSeparators ? lastSeparator : QStringLiteral("','");
        text += data::q(value);
        ++i;
    }
    return text;
}

} // namespace

QString saveIntakeSheetDataStatement(const IntakeSheetData &v)
{
    return QStringLiteral("MSS..sp_MSS_SaveIntakeSheetData '")
        + joined({ v.HospNum, v.InterviewDate, v.Classification, v.Category, v.Salary, v.Education, v.Ward, v.LastName,
            v.FirstName, v.MiddleName, v.HouseStreet, v.Barangay, v.ZipCode, v.TownProvince, v.Sex, v.BirthDate,
            v.CivilStatus, v.Occupation, v.Age, v.TelNo, v.SSSMember, v.BirthPlace, v.Religion, v.Employer,
            v.EmployerAddress, v.IdNum, v.AdmissionDate, v.CaseStatus, v.DateInterviewed, v.ExpiryDate, v.MSSNumber,
            v.SeniorCitizen })
        + QStringLiteral("'");
}

QString saveOtherPatientInfoStatement(const OtherPatientInfo &v)
{
    // The last two separators carry a blank.
    return QStringLiteral("MSS..sp_MSS_SaveOtherPatientInfo '")
        + joined({ v.HospNum, v.ReferredBy, v.DateReferred, v.ReferralAddress, v.DSWDSCSR, v.AOCert, v.CertOfEmployment,
                     v.MayorsOffice, v.BarangayClearance, v.Others, v.Treatment, v.OtherMDInfo, v.Resources, v.Expenses,
                     v.FinancialProb, v.Difficulty, v.Aggressiveness, v.Refusal, v.IrregularCheckUp, v.OtherProblem,
                     v.HelpingGoals, v.ActionTaken, v.Philhealth, v.InfoSource, v.WorkStatus, v.DiagnosticImpress,
                     v.ReferringParty },
            QStringLiteral("', '"), 2)
        + QStringLiteral("'");
}

QString savePatientDataStatement(const PatientClassification &v)
{
    // No blank between the name and the first quote.
    return QStringLiteral("MSS..sp_MSS_SavePatientData'")
        + joined({ v.HospNum, v.IdNum, v.MSSNum, v.ClassCode, v.Category, v.CategoryID, v.InterviewDate, v.ExpiryDate,
            v.MSSW, v.UserID, v.RefPartyID, v.CaseStatus, v.Active })
        + QStringLiteral("'");
}

QString clearFamilyCompositionStatement(const QString &hospitalNumber)
{
    return QStringLiteral("MSS..sp_MSS_ClearFamilyComposition '") + data::q(hospitalNumber) + QStringLiteral("'");
}

QString saveFamilyCompositionStatement(const FamilyMemberData &v)
{
    return QStringLiteral("MSS..sp_MSS_SaveFamilyComposition '")
        + joined({ v.HospNum, v.FamilyMember, v.Relationship, v.Age, v.CivilStatus, v.Education, v.Address,
            v.Occupation, v.Income, v.TotalIncome })
        + QStringLiteral("'");
}

} // namespace mss::intake
