#include "domain/classificationstore.h"

#include "data/connection.h"
#include "data/format.h"
#include "data/quote.h"
#include "data/values.h"

namespace mss::classification {

namespace {

} // namespace

QString ClassificationStore::patientType(const QString &idNum) const
{
    const QString id = idNum.trimmed();
    const QString statement = data::isInPatientAdmission(id)
        ? QStringLiteral("SELECT left(isnull(PatientClass,''),1) [PatientClass] FROM PATIENT_DATA..tbPatient2 WHERE "
                         "IdNum = ")
        : QStringLiteral("SELECT left(isnull(PatientType,''),1) [PatientClass] FROM PATIENT_DATA..tbOutPatient WHERE "
                         "IdNum = ");
    data::Recordset rs = m_connection.open(statement + data::quoted(id));
    return rs.eof() ? QString() : rs.text(QStringLiteral("PatientClass")).left(1);
}

StoredClassification ClassificationStore::storedClassification(const QString &hospNum) const
{
    const QString hosp = hospNum.trimmed();
    data::Recordset rs = m_connection.open(
        QStringLiteral("Select isnull(MSSClassification,'') as MSSClassification,  CONVERT(VARCHAR(10), "
                       "MssDiscountExpiry, 101) as MssDiscountExpiry  From PATIENT_DATA..tbMaster WHERE HospNum = ")
        + data::quoted(hosp));
    if (rs.eof())
        throw data::DbError(0, QStringLiteral("Patient classification"),
            QStringLiteral("Patient %1 is not in the patient master.").arg(hosp));
    return { rs.text(QStringLiteral("MSSClassification")), rs.text(QStringLiteral("MssDiscountExpiry")) };
}

void ClassificationStore::updatePatientClass(
    const QString &idNum, const QString &typeCode, const QString &employeeCode) const
{
    m_connection.execute(QStringLiteral("MSS..sp_MSS_UpdatePatientClass ") + data::quoted(idNum.trimmed())
        + QLatin1Char(',') + data::quoted(typeCode.trimmed()) + QLatin1Char(',')
        + data::quoted(employeeCode.trimmed()));
}

data::Recordset ClassificationStore::history(const QString &idNum) const
{
    return m_connection.open(QStringLiteral("MSS..sp_MSS_GetPatClassHistory ") + data::quoted(idNum.trimmed()));
}

void ClassificationStore::deleteHistoryEntry(const QString &idNum, const QString &patientClass, const QString &reason,
    const QString &transDate, const QString &employeeCode) const
{
    const QString date = data::quoted(transDate.trimmed());
    m_connection.execute(QStringLiteral("sp_MSS_SavePatClassHistory_Deletion ") + data::quoted(idNum.trimmed())
        + QLatin1Char(',') + data::quoted(patientClass.trimmed()) + QLatin1Char(',') + data::quoted(reason)
        + QLatin1Char(',') + date + QLatin1Char(',') + date + QLatin1Char(',') + data::quoted(employeeCode.trimmed()));
}

void ClassificationStore::updateMSSNumber(const QString &hospNum, const QString &newNumber) const
{
    m_connection.execute(QStringLiteral("MSS..sp_MSS_UpdateMSSNumber ") + data::quoted(hospNum.trimmed())
        + QLatin1Char(',') + data::quoted(newNumber.trimmed()));
}

std::optional<QString> payRefusal(const StoredClassification &stored, const QDate &today)
{
    if (const std::optional<QDate> expiry = data::parseDate(stored.expiry); expiry && *expiry <= today)
        return std::nullopt;
    if (stored.classification.isEmpty())
        return std::nullopt;
    return QStringLiteral("You cannot Change the classification to Service \n because the patient has an existing "
                          "classification of ")
        + stored.classification + QStringLiteral("\n which will expire on ") + stored.expiry;
}

bool deletionReasonAccepted(const QString &reason)
{
    // Zero-width spaces and the like are no reason: counted as the database counts them, so the
    // user hears the window's own refusal, not the database's.
    return data::visibleText(reason).toUcs4().size() >= 6;
}

} // namespace mss::classification
