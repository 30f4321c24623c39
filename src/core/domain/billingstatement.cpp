#include "domain/billingstatement.h"

#include "data/connection.h"
#include "data/values.h"

namespace mss::suite {

bool clsOpenConnection::EstablishedConnection(const QString &, const QString &database, const QString &)
{
    m_established = false;
    if (!m_session || m_session->state() != data::ConnectionState::Open)
        return false;
    try {
        m_session->open(QStringLiteral("SELECT count(*) FROM %1..vwMSSRevenueCode")
                            .arg(database.isEmpty() ? QStringLiteral("BILLING") : database));
        m_established = true;
    } catch (const data::DbError &) {
        m_established = false;
    }
    return m_established;
}

SummarizedStatement loadSummarizedStatement(
    data::Connection &connection, const QString &admissionNumber, const QString &hospitalNumber)
{
    SummarizedStatement soa;
    const QString id = admissionNumber.trimmed();
    const data::Bindings byId = { { QStringLiteral("id"), id } };

    data::Recordset name = connection.query(
        QStringLiteral("SELECT LastName, FirstName, MiddleName FROM PATIENT_DATA..tbMaster WHERE HospNum = :hosp"),
        { { QStringLiteral("hosp"), hospitalNumber.trimmed() } });
    if (!name.eof())
        soa.patientName = QStringLiteral("%1, %2 %3")
                              .arg(name.text(QStringLiteral("LastName")), name.text(QStringLiteral("FirstName")),
                                  name.text(QStringLiteral("MiddleName")))
                              .trimmed();

    const QString table = data::isInPatientAdmission(id) ? QStringLiteral("BILLING..tbBillDailyBill")
                                                         : QStringLiteral("BILLING..tbBillOPDailyOut");
    data::Recordset lines = connection.query(
        QStringLiteral("SELECT isnull(r.Department, b.RevenueID) AS Department, isnull(r.IsCharge, 1) AS IsCharge, "
                       "sum(b.Amount) AS Amount, min(isnull(r.SortOrder, 999)) AS SortOrder "
                       "FROM %1 b LEFT JOIN BILLING..vwMSSRevenueCode r ON r.RevenueID = b.RevenueID "
                       "WHERE b.IdNum = :id GROUP BY isnull(r.Department, b.RevenueID), isnull(r.IsCharge, 1) "
                       "ORDER BY isnull(r.IsCharge, 1) DESC, min(isnull(r.SortOrder, 999))")
            .arg(table),
        byId);
    for (; !lines.eof(); lines.moveNext()) {
        const double amount = lines.number(QStringLiteral("Amount"));
        if (lines.number(QStringLiteral("IsCharge")) != 0) {
            soa.lines.append({ QStringLiteral("Charges"), lines.text(QStringLiteral("Department")), amount });
            soa.charges += amount;
        } else {
            // Discount lines are stored as negative amounts against the bill.
            soa.lines.append({ QStringLiteral("Discounts"), lines.text(QStringLiteral("Department")), -amount });
            soa.discounts += -amount;
        }
    }
    data::Recordset medicare = connection.query(
        QStringLiteral("SELECT isnull(sum(Amount), 0) AS Amount FROM BILLING..vwMSSMedicareBenefit WHERE IdNum = :id"),
        byId);
    soa.medicare = medicare.number(QStringLiteral("Amount"));
    if (soa.medicare != 0)
        soa.lines.append({ QStringLiteral("Medicare"), QStringLiteral("Medicare benefit"), soa.medicare });
    data::Recordset payments
        = connection.query(QStringLiteral("SELECT isnull(sum(Amount), 0) AS Amount, count(*) AS Receipts FROM "
                                          "BILLING..vwMSSPayment WHERE IdNum = :id"),
            byId);
    soa.payments = payments.number(QStringLiteral("Amount"));
    if (payments.number(QStringLiteral("Receipts")) > 0)
        soa.lines.append({ QStringLiteral("Payments"),
            QStringLiteral("%1 official receipt(s)").arg(payments.text(QStringLiteral("Receipts"))), soa.payments });
    return soa;
}

void clssoa::ShowSOA(const QString &admissionNumber)
{
    data::Connection *connection = m_connection.connection();
    if (!connection)
        throw data::DbError(3704, QStringLiteral("Billing statement"),
            QStringLiteral("The billing statement has no established connection."));
    const SummarizedStatement statement = loadSummarizedStatement(*connection, admissionNumber, HospitalNumber);
    if (StatementWindow)
        StatementWindow(statement, admissionNumber, HospitalNumber, UserName);
}

} // namespace mss::suite
