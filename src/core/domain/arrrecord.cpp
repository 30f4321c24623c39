#include "domain/arrrecord.h"

#include "data/connection.h"
#include "data/quote.h"
#include "data/values.h"
#include "domain/arrstatements.h"
#include "domain/lookups.h"

namespace mss::referral {

namespace {

// The patient and the admission as both the pay-patient and the assessment lookups return them.
ArrRecord patientOf(const data::Recordset &rs)
{
    ArrRecord r;
    r.LastName = rs.text(QStringLiteral("LastName"));
    r.FirstName = rs.text(QStringLiteral("FirstName"));
    r.MiddleName = rs.text(QStringLiteral("MiddleName"));
    r.HospNum = rs.text(QStringLiteral("HospNum"));
    r.IdNum = rs.text(QStringLiteral("IDNUM"));
    r.DoctorName = rs.text(QStringLiteral("DoctorName"));
    r.RoomID = rs.text(QStringLiteral("RoomID"));
    return r;
}

// A flag as the databases return it: "1", "-1", "True"; empty reads as false.
bool flagOf(const data::Recordset &rs, const QString &column)
{
    const QString value = rs.text(column).trimmed();
    if (value.isEmpty())
        return false;
    if (value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    bool number = false;
    const double n = value.toDouble(&number);
    return number && n != 0;
}

// The class of an admission starts with "P" or "S"; no class counts as pay.
bool isPayClass(const QString &patientClass)
{
    const QString trimmed = patientClass.trimmed();
    return trimmed.isEmpty() || trimmed.at(0).toUpper() == QLatin1Char('P');
}

} // namespace

const Catalogue &Catalogue::services()
{
    static const Catalogue catalogue { QStringLiteral("MSS..sp_MSS_GetService "),
        QStringLiteral("select * from MSS..tbMSSServiceCategory WHERE CODE = ") };
    return catalogue;
}

const Catalogue &Catalogue::activities()
{
    static const Catalogue catalogue { QStringLiteral("MSS..sp_MSS_GetActivity "),
        QStringLiteral("select * from MSS..tbMSSActivity WHERE CODE = ") };
    return catalogue;
}

QList<CodeEntry> ArrStore::entries(const QString &statement, const QString &code, const QString &text) const
{
    const data::Recordset rs = m_connection.open(statement);
    const int codeColumn = rs.columnIndex(code);
    const int textColumn = rs.columnIndex(text);
    if (codeColumn < 0 || textColumn < 0)
        throw data::DbError(-1, QStringLiteral("ARR"), QStringLiteral("The list has no column ") + code);
    QList<CodeEntry> list;
    list.reserve(rs.recordCount());
    for (const QVariantList &row : rs.rows())
        list.append({ data::variantText(row[codeColumn]), data::variantText(row[textColumn]) });
    return list;
}

QList<CodeEntry> ArrStore::classifications() const
{
    return entries(QStringLiteral("SELECT isnull(Code,'') [Code], isnull(Classification,'') [Classification] FROM "
                                  "MSS..tbMSSClassificationScheme ORDER BY Code"),
        QStringLiteral("Code"), QStringLiteral("Classification"));
}

QList<CodeEntry> ArrStore::referringParties() const
{
    return entries(QStringLiteral("SELECT isnull(Code,'') [Code], isnull(ReferringParty,'') [ReferringParty] FROM "
                                  "MSS..tbMSSReferringParty ORDER BY Code"),
        QStringLiteral("Code"), QStringLiteral("ReferringParty"));
}

QList<CodeEntry> ArrStore::caseStatuses() const
{
    return entries(QStringLiteral("SELECT isnull(Code,'') [Code], isnull(CaseStatus,'') [CaseStatus] FROM "
                                  "MSS..tbMSSActive ORDER BY Code"),
        QStringLiteral("Code"), QStringLiteral("CaseStatus"));
}

QList<CodeEntry> ArrStore::parentCategories() const
{
    return entries(QStringLiteral("SELECT * FROM MSS..tbMSSParentCategory WHERE STATUS = 'A'"),
        QStringLiteral("parentcategoryid"), QStringLiteral("parentcategory"));
}

QList<CodeEntry> ArrStore::caseCategories() const
{
    return entries(QStringLiteral("SELECT * FROM MSS..tbMSSCaseCategory WHERE STATUS = 'A'  order by categoryid asc"),
        QStringLiteral("categoryid"), QStringLiteral("category"));
}

std::optional<MasterClassification> ArrStore::masterClassification(const QString &hospNum) const
{
    const data::Recordset rs = m_connection.open(
        QStringLiteral("SELECT MSSNum, MSSDiscountValidity FROM PATIENT_DATA..tbMaster WHERE HospNum = ")
        + data::quoted(hospNum.trimmed()));
    if (rs.eof())
        return std::nullopt;
    return MasterClassification { rs.text(QStringLiteral("MSSNum")), rs.text(QStringLiteral("MSSDiscountValidity")) };
}

QString ArrStore::patientClass(const QString &idNum) const
{
    const data::Recordset rs
        = m_connection.open(QStringLiteral("RADIOLOGY..spRadio_CheckPatientClass ") + data::quoted(idNum.trimmed()));
    return rs.eof() ? QString() : rs.text(QStringLiteral("PatientClass"));
}

QString ArrStore::masterExpiry(const QString &hospNum) const
{
    const data::Recordset rs = m_connection.open(
        QStringLiteral("SELECT * FROM PATIENT_DATA..tbMaster WHERE HospNum = ") + data::quoted(hospNum.trimmed()));
    return rs.eof() ? QString() : rs.text(QStringLiteral("MSSDiscountExpiry")).trimmed();
}

std::optional<ArrRecord> ArrStore::payPatientInfo(const QString &idNum) const
{
    const data::Recordset rs
        = m_connection.open(QStringLiteral("MSS..sp_MSS_PayPatientInfo ") + data::quoted(idNum.trimmed()));
    if (rs.eof())
        return std::nullopt;
    return patientOf(rs);
}

std::optional<ArrRecord> ArrStore::assessmentRecord(const QString &idNum) const
{
    const data::Recordset rs = m_connection.open(assessmentRecordStatement(idNum));
    if (rs.eof())
        return std::nullopt;
    ArrRecord r = patientOf(rs);
    r.MSSNum = rs.text(QStringLiteral("MSSNum"));
    r.ValidityDate = rs.text(QStringLiteral("MSSDiscountValidity"));
    r.ExpiryDate = rs.text(QStringLiteral("MSSDiscountExpiry"));
    r.ClassCode = rs.text(QStringLiteral("Code"));
    r.MSSWName = rs.text(QStringLiteral("MSSWName"));
    r.WorkerCode = rs.text(QStringLiteral("MSSW"));
    r.NC = rs.text(QStringLiteral("NC"));
    r.Remarks = rs.text(QStringLiteral("REMARKS"));
    r.IsCDF = flagOf(rs, QStringLiteral("IsCDF"));
    r.IsPCSO = flagOf(rs, QStringLiteral("IsPCSO"));
    r.IsSpecial = flagOf(rs, QStringLiteral("IsSpecial"));
    r.PcsoType = rs.text(QStringLiteral("pcsotype"));
    r.CaseCategory = rs.text(QStringLiteral("CaseCategory"));
    r.ParentCategory = rs.text(QStringLiteral("parentcategory"));
    r.ReferringPartyId = rs.text(QStringLiteral("ReferringPartyID"));
    r.ServiceCodes = rs.text(QStringLiteral("serviceid"));
    return r;
}

std::optional<CaseHistory> ArrStore::caseHistory(const QString &hospNum, const QString &idNum) const
{
    const data::Recordset rs = m_connection.open(caseHistoryStatement(hospNum, idNum));
    if (rs.eof())
        return std::nullopt;
    CaseHistory h;
    h.Docs = rs.text(QStringLiteral("docs"));
    h.CaseStatus = rs.text(QStringLiteral("casestatus"));
    h.CaseDescription = rs.text(QStringLiteral("casedesc"));
    h.ActivityCodes = rs.text(QStringLiteral("activityid"));
    h.Active = rs.text(QStringLiteral("Active")).trimmed() == QLatin1String("Y");
    return h;
}

void ArrStore::raiseReportedError() const
{
    const QList<data::DbErrorInfo> errors = m_connection.errors();
    if (!errors.isEmpty())
        throw data::DbError(errors.first());
}

void ArrStore::convertToServicePatient(const QString &idNum, const QString &userCode) const
{
    struct ClassTable {
        QString select;
        QString close;
        QString column;
        QString table;
    };
    QList<ClassTable> tables;
    if (data::isInPatientAdmission(idNum)) {
        tables.append({ QStringLiteral("SELECT IdNum, PatientClass FROM Patient_Data..tbPatient2 WHERE IdNum = '"),
            QStringLiteral("'"), QStringLiteral("PatientClass"), QStringLiteral("Patient_Data..tbPatient2") });
    } else {
        tables.append({ QStringLiteral("SELECT IdNum, PatientType FROM Patient_Data..tbOutPatient WHERE IdNum = '"),
            QStringLiteral("' "), QStringLiteral("PatientType"), QStringLiteral("Patient_Data..tbOutPatient") });
        tables.append(
            { QStringLiteral("SELECT IdNum, PatientClassification FROM Patient_Data..tbERMaster WHERE IdNum = '"),
                QStringLiteral("' "), QStringLiteral("PatientClassification"),
                QStringLiteral("Patient_Data..tbERMaster") });
    }

    // The class changes and their history entry belong together: a failure half way must not leave
    // a service admission that its history does not know of.
    m_connection.beginTrans();
    try {
        for (const ClassTable &t : tables) {
            const data::Recordset rs = m_connection.open(
                t.select + data::q(idNum) + t.close, data::CursorType::Keyset, data::LockType::Optimistic);
            if (rs.eof() || !isPayClass(rs.text(t.column)))
                continue;
            m_connection.execute(QStringLiteral("UPDATE ") + t.table + QStringLiteral(" SET ") + t.column
                + QStringLiteral(" = 'S' WHERE IdNum = '") + data::q(idNum) + QStringLiteral("'"));
            raiseReportedError();
        }
        m_connection.execute(QStringLiteral("MSS..sp_MSS_UpdatePatientClass '") + data::q(idNum.trimmed())
            + QStringLiteral("','S','") + data::q(userCode) + QStringLiteral("'"));
        raiseReportedError();
        m_connection.commitTrans();
    } catch (...) {
        if (m_connection.inTransaction())
            m_connection.rollbackTrans();
        throw;
    }
}

std::optional<SocialWorker> ArrStore::socialWorker(const QString &employeeCode) const
{
    const data::Recordset rs
        = m_connection.open(QStringLiteral("MSS..sp_MSS_GetEmployeeName ") + data::quoted(employeeCode));
    if (rs.eof())
        return std::nullopt;
    return SocialWorker { rs.text(QStringLiteral("EmployeeName")),
        rs.hasColumn(QStringLiteral("licensenumber")) ? rs.text(QStringLiteral("licensenumber")) : QString() };
}

data::Recordset ArrStore::previousAssessments(const QString &hospNum) const
{
    return m_connection.open(QStringLiteral("MSS..sp_MSS_GetPreviousAssessment ") + data::quoted(hospNum.trimmed()));
}

data::Recordset ArrStore::reprintRows(const QString &searchText) const
{
    return m_connection.open(QStringLiteral("MSS..sp_MSS_ReprintARR ") + data::quoted(searchText));
}

std::optional<CaseNumberOwner> ArrStore::otherOwnerOf(const QString &mssNum, const QString &hospNum) const
{
    const data::Recordset rs = m_connection.open(existingMssNumberStatement(mssNum, hospNum));
    if (rs.eof() || rs.text(QStringLiteral("HospNum")).trimmed() == hospNum.trimmed())
        return std::nullopt;
    return CaseNumberOwner { rs.text(QStringLiteral("HospNum")), rs.text(QStringLiteral("PatientName")) };
}

std::optional<QString> ArrStore::caseStatusCode(const QString &caseStatus) const
{
    // Named without its database, so it is looked up in the connection's default one.
    const data::Recordset rs
        = m_connection.open(QStringLiteral("Select * from tbMSSActive where casestatus=") + data::quoted(caseStatus));
    if (rs.eof())
        return std::nullopt;
    return rs.text(QStringLiteral("Code"));
}

bool ArrStore::isCompanyAccount(const QString &idNum) const
{
    return domain::CheckCompany(m_connection, idNum.trimmed());
}

QList<CodeEntry> ArrStore::children(const Catalogue &catalogue, const QString &parentCode) const
{
    return entries(
        catalogue.childrenProcedure + data::quoted(parentCode), QStringLiteral("Code"), QStringLiteral("Description"));
}

std::optional<QString> ArrStore::itemDescription(const Catalogue &catalogue, const QString &code) const
{
    const data::Recordset rs = m_connection.open(catalogue.itemQuery + data::quoted(code));
    if (rs.eof())
        return std::nullopt;
    return rs.text(QStringLiteral("Description"));
}

void ArrStore::writeAssessment(const ArrSaveValues &values) const
{
    for (const QString &statement : saveStatements(values)) {
        m_connection.execute(statement);
        raiseReportedError();
    }
}

void ArrStore::saveAssessment(const ArrSaveValues &values) const
{
    m_connection.beginTrans();
    try {
        writeAssessment(values);
        m_connection.commitTrans();
    } catch (...) {
        if (m_connection.inTransaction())
            m_connection.rollbackTrans();
        throw;
    }
}

} // namespace mss::referral
