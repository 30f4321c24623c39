#include "support/billfixture.h"

#include "data/connection.h"

namespace mss::test {

void BillFixture::patient(const QString &hospNum)
{
    m_c.execute(QStringLiteral("INSERT INTO PATIENT_DATA..tbMaster (HospNum, LastName, FirstName, MiddleName) "
                               "VALUES ('%1', 'DELA CRUZ', 'JUANA', 'REYES')")
                    .arg(hospNum));
}

void BillFixture::inPatient(const QString &idNum, const QString &hospNum, const QString &opdIdNum)
{
    m_c.execute(
        QStringLiteral("INSERT INTO PATIENT_DATA..tbPatient2 (IdNum, HospNum, AdmDate, RoomID, PatientClass, "
                       "OPDIdNum) VALUES ('%1', '%2', '2026-12-01 08:00:00', 'W-201', 'S', %3)")
            .arg(idNum, hospNum, opdIdNum.isEmpty() ? QStringLiteral("NULL") : QStringLiteral("'%1'").arg(opdIdNum)));
}

void BillFixture::outPatient(const QString &idNum, const QString &hospNum)
{
    m_c.execute(QStringLiteral("INSERT INTO PATIENT_DATA..tbOutPatient (IdNum, HospNum, AdmDate, PatientType) "
                               "VALUES ('%1', '%2', '2026-12-01 09:00:00', 'S')")
                    .arg(idNum, hospNum));
}

void BillFixture::bill(const QString &idNum, const QList<BillLine> &lines, bool outPatientBill)
{
    for (const BillLine &l : lines)
        m_c.execute(QStringLiteral("INSERT INTO BILLING..%1 (IdNum, TransDate, RevenueID, Amount) VALUES "
                                   "('%2', '2026-12-02', '%3', %4)")
                        .arg(outPatientBill ? QStringLiteral("tbBillOPDailyOut") : QStringLiteral("tbBillDailyBill"),
                            idNum, QLatin1String(l.revenueId), QString::number(l.amount)));
}

void BillFixture::medicare(const QString &idNum, double benefit, const QList<BillLine> &items)
{
    m_c.execute(
        QStringLiteral("INSERT INTO BILLING..tbBillMedicareBenefit VALUES ('%1', 'PH1', %2)").arg(idNum).arg(benefit));
    for (const BillLine &l : items)
        m_c.execute(QStringLiteral("INSERT INTO BILLING..tbBillMedicareItem (IdNum, RevenueID, Amount) VALUES "
                                   "('%1', '%2', %3)")
                        .arg(idNum, QLatin1String(l.revenueId))
                        .arg(l.amount));
}

void BillFixture::assessment(
    const QString &idNum, const QString &hospNum, const QString &classCode, bool special, double nc)
{
    m_c.execute(QStringLiteral("INSERT INTO MSS..tbMSSAssessment (IdNum, HospNum, Code, IsSpecial, NC, AssessDate) "
                               "VALUES ('%1', '%2', '%3', %4, %5, '2026-12-02')")
                    .arg(idNum, hospNum, classCode)
                    .arg(special ? 1 : 0)
                    .arg(nc));
}

void BillFixture::specialArrangementInPatient(const QString &idNum, const QString &opdIdNum, const QString &hospNum)
{
    patient(hospNum);
    outPatient(opdIdNum, hospNum);
    inPatient(idNum, hospNum, opdIdNum);
    bill(idNum, { { "LB", 3000 }, { "PH", 4000 }, { "MD", 2000 } });
    bill(opdIdNum, { { "LB", 1000 } }, true);
    medicare(idNum, 1000, { { "LB", 300 }, { "PH", 700 } });
    assessment(idNum, hospNum, QStringLiteral("C2"), true, 2000);
}

} // namespace mss::test
