#include "domain/intakerecord.h"

#include "data/connection.h"
#include "data/format.h"
#include "data/quote.h"
#include "data/values.h"
#include "domain/intakestatements.h"

#include <stdexcept>

namespace mss::intake {

namespace {

QDate dateOf(const data::Recordset &rs, const QString &column)
{
    const auto dt = data::dateTimeOf(rs.value(column));
    return dt ? dt->date() : QDate();
}

// A date as the statements write it; no date gives the empty text.
QString dateText(const QDate &date, bool mmddyyyy)
{
    if (date.isNull())
        return {};
    return mmddyyyy ? data::formatMMDDYYYY(date) : data::shortDate(date);
}

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

// A stored problem is its full text or "1".
bool ticked(const data::Recordset &rs, const QString &column, const QString &fullText)
{
    const QString value = rs.text(column);
    return value == fullText || value == QLatin1String("1");
}

QStringList column(const data::Recordset &rs, const QString &name)
{
    QStringList texts;
    const int index = rs.columnIndex(name);
    for (const QVariantList &row : rs.rows())
        texts.append(data::variantText(row[index]));
    return texts;
}

} // namespace

void IntakeSheetStore::loadCurrentClassification(IntakeRecord &r) const
{
    const data::Recordset current = m_connection.open(
        QStringLiteral(" sp_SearchCategoryandClassification '") + data::q(r.IdNum) + QStringLiteral("'"),
        data::CursorType::Dynamic, data::LockType::ReadOnly);
    if (current.eof())
        return;
    r.Classification = current.text(QStringLiteral("Classification"));
    r.ClassCode = current.text(QStringLiteral("classificationid"));
    r.Category = current.text(QStringLiteral("category"));
    r.CategoryCode = current.text(QStringLiteral("categoryid"));
    if (r.CategoryCode.isEmpty())
        r.CategoryCode = QStringLiteral("0");
    r.MSSNumber = current.text(QStringLiteral("MSS"));
}

bool IntakeSheetStore::loadOutPatientVisit(IntakeRecord &r) const
{
    const data::Recordset rs
        = m_connection.open(QStringLiteral("Radiology..spGlobal_RegisteredOPD '") + QString() + QStringLiteral("','")
                + QStringLiteral("1") + QStringLiteral("','") + data::q(r.IdNum) + QStringLiteral("'"),
            data::CursorType::Dynamic, data::LockType::ReadOnly);
    if (rs.eof())
        return false;
    const QDate admitted = dateOf(rs, QStringLiteral("AdmDate"));
    r.AdmissionDate = admitted.isNull() ? QString() : data::formatMMDDYYYY(admitted);
    r.Ward = QStringLiteral("OPD");
    return true;
}

void IntakeSheetStore::loadStoredHead(IntakeRecord &r) const
{
    const data::Recordset stored = m_connection.open(QStringLiteral("MSS..sp_MSS_LoadExistIntakeSheet '")
            + data::q(r.HospitalNumber.trimmed()) + QStringLiteral("'"),
        data::CursorType::Dynamic, data::LockType::ReadOnly);
    if (stored.eof())
        return;
    r.ExpiryDate = dateOf(stored, QStringLiteral("ExpiryDate"));
    r.ReferringPartyCode = stored.text(QStringLiteral("refpartyid"));
    r.ReferringParty = stored.text(QStringLiteral("ReferringParty"));
    r.CaseStatusCode = stored.text(QStringLiteral("casestatus"));
    r.CaseStatus = stored.text(QStringLiteral("Status"));
    r.Category = stored.text(QStringLiteral("category"));
    r.CategoryCode = stored.text(QStringLiteral("CategoryNum"));
    r.Active = stored.text(QStringLiteral("activestatus")) == QLatin1String("Y");
}

bool IntakeSheetStore::loadStoredSheet(IntakeRecord &r) const
{
    const data::Recordset rs = m_connection.open(
        QStringLiteral("MSS..sp_MSS_LoadExistIntakeSheet'") + data::q(r.HospitalNumber) + QStringLiteral("'"),
        data::CursorType::ForwardOnly, data::LockType::ReadOnly);
    if (rs.eof())
        return false;
    if (rs.text(QStringLiteral("SeniorCitizen")) == QLatin1String("1"))
        r.SeniorCitizen = true;
    r.MSSW = rs.text(QStringLiteral("MSSW"));
    r.MSSNumber = rs.text(QStringLiteral("MSSNumber"));
    r.ExpiryDate = dateOf(rs, QStringLiteral("ExpiryDate"));
    r.InterviewDate = dateOf(rs, QStringLiteral("InterviewDate"));
    r.Education = rs.text(QStringLiteral("Education"));
    r.Category = rs.text(QStringLiteral("category"));
    r.ClassCode = rs.text(QStringLiteral("Code"));
    r.Classification = rs.text(QStringLiteral("Classification"));
    r.WorkStatus = rs.text(QStringLiteral("WorkStatus"));
    r.Salary = rs.text(QStringLiteral("Salary"));
    r.InfoSource = rs.text(QStringLiteral("InfoSource"));
    r.ReferringParty = rs.text(QStringLiteral("ReferringParty"));
    r.ReferredBy = rs.text(QStringLiteral("ReferredBy"));
    r.DateReferred = dateOf(rs, QStringLiteral("DateReferred"));
    r.ReferralAddress = rs.text(QStringLiteral("ReferralAddress"));
    r.DSWDSCSR = rs.text(QStringLiteral("DSWDSCSR"));
    r.AOCert = rs.text(QStringLiteral("AOCert"));
    r.CertOfEmployment = rs.text(QStringLiteral("CertOfEmployment"));
    r.MayorsOffice = rs.text(QStringLiteral("TreasurerMayorOffice"));
    r.BarangayClearance = rs.text(QStringLiteral("BrgyClearance"));
    r.Others = rs.text(QStringLiteral("Others"));
    r.ChiefComplaint = rs.text(QStringLiteral("ChiefComplaint"));
    r.Diagnosis = rs.text(QStringLiteral("Diagnosis"));
    r.Treatment = rs.text(QStringLiteral("Treatment"));
    r.OtherMDInfo = rs.text(QStringLiteral("OtherMDInfo"));
    r.Resources = rs.text(QStringLiteral("Resources"));
    r.Expenses = rs.text(QStringLiteral("Expenses"));
    r.OtherProblem = rs.text(QStringLiteral("OtherProblem"));
    r.DiagnosticImpress = rs.text(QStringLiteral("DiagnosticImpress"));
    r.HelpingGoals = rs.text(QStringLiteral("HelpingGoals"));
    r.ActionTaken = rs.text(QStringLiteral("ActionTaken"));
    if (ticked(rs, QStringLiteral("FinancialProb"), QStringLiteral("Financial Problem")))
        r.FinancialProb = true;
    if (ticked(rs, QStringLiteral("Refusal"), QStringLiteral("Refusal to Accept Treatment")))
        r.Refusal = true;
    if (ticked(rs, QStringLiteral("Aggressiveness"), QStringLiteral("Aggressiveness/Stubborness/Demanding Traits")))
        r.Aggressiveness = true;
    if (ticked(rs, QStringLiteral("Difficulty"), QStringLiteral("Difficulty in coping with stress")))
        r.Difficulty = true;
    const QString irregular = rs.text(QStringLiteral("IrregularCheckUp"));
    if (irregular == QLatin1String("Irregular Check-up") || irregular == QLatin1String("1")
        || irregular.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        r.IrregularCheckUp = true;
    return true;
}

IntakeLookups IntakeSheetStore::lookups() const
{
    IntakeLookups lists;
    lists.Categories = column(
        m_connection.open(QStringLiteral("select category from tbMssCaseCategory")), QStringLiteral("category"));
    const data::Recordset classes
        = m_connection.open(QStringLiteral("SELECT isnull(Code,'') [Code], isnull(Classification,'') [Classification] "
                                           "FROM MSS..tbMSSClassificationScheme"));
    lists.ClassCodes = column(classes, QStringLiteral("Code"));
    lists.ClassNames = column(classes, QStringLiteral("Classification"));
    lists.CaseStatuses = column(m_connection.open(QStringLiteral("SELECT isnull(Code,'') [Code], isnull(CaseStatus,'') "
                                                                 "[CaseStatus] FROM MSS..tbMSSActive ORDER BY Code")),
        QStringLiteral("CaseStatus"));
    lists.ReferringParties = column(m_connection.open(QStringLiteral("SELECT isnull(Code,'') [Code], "
                                                                     "isnull(ReferringParty,'') [ReferringParty] FROM "
                                                                     "MSS..tbMSSReferringParty ORDER BY Code")),
        QStringLiteral("ReferringParty"));
    return lists;
}

std::optional<QString> IntakeSheetStore::codeOf(
    const QString &statement, const QString &text, const QString &column) const
{
    const data::Recordset rs = m_connection.open(statement + data::q(text) + QStringLiteral("'"));
    if (rs.eof())
        return std::nullopt;
    return rs.text(column);
}

std::optional<QString> IntakeSheetStore::referringPartyCode(const QString &text) const
{
    return codeOf(
        QStringLiteral("select * from tbMSSReferringParty where referringparty='"), text, QStringLiteral("Code"));
}

std::optional<QString> IntakeSheetStore::caseStatusCode(const QString &text) const
{
    return codeOf(QStringLiteral("select * from tbMSSActive where casestatus='"), text, QStringLiteral("Code"));
}

std::optional<QString> IntakeSheetStore::categoryCode(const QString &text) const
{
    return codeOf(
        QStringLiteral("select * from tbMssCaseCategory where category='"), text, QStringLiteral("categoryid"));
}

std::optional<QString> IntakeSheetStore::employeeName(const QString &employeeCode) const
{
    const data::Recordset rs = m_connection.open(
        QStringLiteral("MSS..sp_MSS_GetEmployeeName '") + data::q(employeeCode) + QStringLiteral("'"));
    if (rs.eof())
        return std::nullopt;
    return rs.text(QStringLiteral("EmployeeName"));
}

std::optional<CaseNumberHolder> IntakeSheetStore::otherHolderOf(
    const QString &mssNumber, const QString &hospitalNumber) const
{
    const QString patient = hospitalNumber.trimmed();
    const data::Recordset rs = m_connection.open(QStringLiteral("MSS..sp_MSS_GetExistsMSSNumber '")
            + data::q(mssNumber.trimmed()) + QStringLiteral("', '") + data::q(patient) + QStringLiteral("'"),
        data::CursorType::Dynamic, data::LockType::ReadOnly);
    if (rs.eof() || rs.text(QStringLiteral("HospNum")).trimmed() == patient)
        return std::nullopt;
    return CaseNumberHolder { rs.text(QStringLiteral("HospNum")), rs.text(QStringLiteral("PatientName")) };
}

std::optional<QString> IntakeSheetStore::civilStatusText(int index)
{
    static const QStringList texts = { QStringLiteral("Single"), QStringLiteral("Separated"), QStringLiteral("Married"),
        QStringLiteral("Widow/er") };
    if (index < 0 || index >= texts.size())
        return std::nullopt;
    return texts[index];
}

namespace {

IntakeSheetData sheetOf(const IntakeRecord &r, const QString &civilStatus)
{
    const QString interviewed = dateText(r.InterviewDate, false);
    IntakeSheetData sheet;
    sheet.HospNum = r.HospNum;
    sheet.InterviewDate = interviewed;
    sheet.Classification = r.Classification;
    sheet.Category = r.Category;
    sheet.Salary = r.Salary;
    sheet.Education = r.Education;
    sheet.Ward = r.Ward;
    sheet.LastName = r.LastName;
    sheet.FirstName = r.FirstName;
    sheet.MiddleName = r.MiddleName;
    sheet.HouseStreet = r.HouseStreet;
    sheet.Barangay = r.Barangay;
    sheet.ZipCode = r.ZipCode;
    sheet.TownProvince = r.TownProvince;
    sheet.Sex = r.sex == IntakeRecord::Sex::Female ? QStringLiteral("Female") : QStringLiteral("Male");
    sheet.BirthDate = r.BirthDate;
    sheet.CivilStatus = civilStatus;
    sheet.Occupation = r.Occupation;
    sheet.Age = r.Age;
    sheet.TelNo = r.TelNo;
    sheet.SSSMember = r.SSSMember;
    sheet.BirthPlace = r.BirthPlace;
    sheet.Religion = r.Religion;
    sheet.Employer = r.Employer;
    sheet.EmployerAddress = r.EmployerAddress;
    sheet.IdNum = r.IdNum;
    sheet.AdmissionDate = r.AdmissionDate;
    sheet.CaseStatus = r.CaseStatusCode;
    sheet.DateInterviewed = interviewed;
    sheet.ExpiryDate = dateText(r.ExpiryDate, false);
    sheet.MSSNumber = r.MSSNumber;
    sheet.SeniorCitizen = flag(r.SeniorCitizen);

    return sheet;
}

OtherPatientInfo otherInfoOf(const IntakeRecord &r)
{
    // Only the first ticked problem, in this order, is stored as 1.
    const bool financial = r.FinancialProb;
    const bool difficulty = !financial && r.Difficulty;
    const bool aggressiveness = !financial && !difficulty && r.Aggressiveness;
    const bool refusal = !financial && !difficulty && !aggressiveness && r.Refusal;

    OtherPatientInfo other;
    other.HospNum = r.HospNum;
    other.ReferredBy = r.ReferredBy;
    other.DateReferred = dateText(r.DateReferred, false);
    other.ReferralAddress = r.ReferralAddress;
    other.DSWDSCSR = r.DSWDSCSR;
    other.AOCert = r.AOCert;
    other.CertOfEmployment = r.CertOfEmployment;
    other.MayorsOffice = r.MayorsOffice;
    other.BarangayClearance = r.BarangayClearance;
    other.Others = r.Others;
    other.Treatment = r.Treatment;
    other.OtherMDInfo = r.OtherMDInfo;
    other.Resources = r.Resources;
    other.Expenses = r.Expenses;
    other.FinancialProb = flag(financial);
    other.Difficulty = flag(difficulty);
    other.Aggressiveness = flag(aggressiveness);
    other.Refusal = flag(refusal);
    other.IrregularCheckUp = flag(r.IrregularCheckUp);
    other.OtherProblem = r.OtherProblem;
    other.HelpingGoals = r.HelpingGoals;
    other.ActionTaken = r.ActionTaken;
    other.Philhealth = r.Philhealth;
    other.InfoSource = r.InfoSource;
    other.WorkStatus = r.WorkStatus;
    other.DiagnosticImpress = r.DiagnosticImpress;
    other.ReferringParty = r.ReferringParty;

    return other;
}

PatientClassification classificationOf(const IntakeRecord &r, const QString &employeeCode)
{
    PatientClassification classification;
    classification.HospNum = r.HospNum;
    classification.IdNum = r.IdNum;
    classification.MSSNum = r.MSSNumber;
    classification.ClassCode = r.ClassCode;
    classification.Category = r.Category;
    classification.CategoryID = r.CategoryCode;
    classification.InterviewDate = dateText(r.InterviewDate, true);
    classification.ExpiryDate = dateText(r.ExpiryDate, true);
    classification.MSSW = r.MSSW;
    classification.UserID = employeeCode;
    classification.RefPartyID = r.ReferringPartyCode;
    classification.CaseStatus = r.CaseStatusCode;
    classification.Active = r.Active ? QStringLiteral("Y") : QStringLiteral("N");

    return classification;
}

} // namespace

void IntakeSheetStore::save(const IntakeRecord &r, const QString &employeeCode) const
{
    const std::optional<QString> civilStatus = civilStatusText(r.CivilStatus);
    if (!civilStatus)
        throw std::logic_error("an intake sheet without a civil status that can be stored");
    m_connection.execute(saveIntakeSheetDataStatement(sheetOf(r, *civilStatus)));
    m_connection.execute(saveOtherPatientInfoStatement(otherInfoOf(r)));
    m_connection.execute(savePatientDataStatement(classificationOf(r, employeeCode)));
    if (!m_connection.errors().isEmpty())
        throw data::DbError(m_connection.errors().first());
}

} // namespace mss::intake
