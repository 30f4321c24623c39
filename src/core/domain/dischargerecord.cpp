#include "domain/dischargerecord.h"

#include "data/connection.h"
#include "data/quote.h"

namespace mss::notices {

QString dischargeIconKey(const QVariant &clearDate)
{
    return clearDate.isNull() ? QStringLiteral("open") : QStringLiteral("clear");
}

QString DischargeMssData::otherInfo() const
{
    QString info;
    if (CDF)
        info += QStringLiteral("with CDF; ");
    if (PCSO)
        info += QStringLiteral("with PCSO; ");
    if (Special) {
        if (NC != QLatin1String("0.00"))
            info += QStringLiteral("Special Arrangement (NC: ") + NC + QLatin1Char(')');
        else
            info += QStringLiteral("Special Arrangement");
    }
    return info;
}

QString DischargeStore::noticeListStatement()
{
    return QStringLiteral("MSS..sp_MSS_LoadDischargeNotice ");
}

QString DischargeStore::noticeStatement(const QString &idNum)
{
    return QStringLiteral("MSS..sp_MSS_LoadDischargeNoticePatient '") + data::q(idNum) + QLatin1Char('\'');
}

QString DischargeStore::mssDataStatement(const QString &hospNum, const QString &idNum)
{
    return QStringLiteral("MSS..sp_MSS_PrintAssessment '") + data::q(hospNum) + QStringLiteral("','") + data::q(idNum)
        + QLatin1Char('\'');
}

QString DischargeStore::clearingRemark(const QString &typed)
{
    QString remark = typed;
    return remark.replace(QLatin1Char('\''), QLatin1Char('`'));
}

QString DischargeStore::clearStatement(const QString &idNum, const QString &userCode, const QString &remarks)
{
    return QStringLiteral("MSS..sp_MSS_ClearPatientForDischarge '") + data::q(idNum) + QStringLiteral("','")
        + data::q(userCode) + QStringLiteral("','") + data::q(clearingRemark(remarks)) + QLatin1Char('\'');
}

data::Recordset DischargeStore::notices()
{
    return m_connection.open(noticeListStatement(), data::CursorType::Dynamic, data::LockType::ReadOnly);
}

std::optional<DischargeNoticeRecord> DischargeStore::load(const QString &idNum)
{
    const data::Recordset rs = m_connection.open(noticeStatement(idNum));
    if (rs.eof())
        return std::nullopt;
    DischargeNoticeRecord n;
    n.LastName = rs.text(QStringLiteral("LastName"));
    n.FirstName = rs.text(QStringLiteral("FirstName"));
    n.MiddleName = rs.text(QStringLiteral("MiddleName"));
    n.HospNum = rs.text(QStringLiteral("HospNum"));
    n.IDNUM = rs.text(QStringLiteral("IDNUM"));
    n.AdmDate = rs.value(QStringLiteral("AdmDate"));
    n.Doctor = rs.text(QStringLiteral("Doctor"));
    n.RoomID = rs.text(QStringLiteral("RoomID"));
    n.NoticeDate = rs.value(QStringLiteral("NoticeDate"));
    n.OrderedDate = rs.value(QStringLiteral("OrderedDate"));
    n.DischargeNurse = rs.text(QStringLiteral("DischargeNurse"));
    n.Remarks = rs.text(QStringLiteral("REMARKS"));
    if (!rs.isNull(QStringLiteral("UserId")))
        n.UserId = rs.text(QStringLiteral("UserId"));
    n.ClearDate = rs.value(QStringLiteral("ClearDate"));
    n.ClearRemarks = rs.text(QStringLiteral("ClearRemarks"));
    return n;
}

std::optional<DischargeMssData> DischargeStore::mssData(const QString &hospNum, const QString &idNum)
{
    const data::Recordset rs = m_connection.open(mssDataStatement(hospNum, idNum));
    if (rs.eof())
        return std::nullopt;
    DischargeMssData d;
    // The field is the MSS number; a procedure that returns it on its own column says so, one
    // that does not carries it under HospNum.
    d.MSSNum = rs.text(rs.hasColumn(QStringLiteral("MSSNum")) ? QStringLiteral("MSSNum") : QStringLiteral("HospNum"));
    d.Category = rs.text(QStringLiteral("category"));
    d.Code = rs.text(QStringLiteral("Code"));
    d.CDF = rs.number(QStringLiteral("CDF")) == 1;
    d.PCSO = rs.number(QStringLiteral("PCSO")) == 1;
    d.Special = rs.number(QStringLiteral("special")) == 1;
    const QVariant nc = rs.value(QStringLiteral("NC"));
    // A server that returns the amount as a number still compares as two decimals.
    d.NC = nc.typeId() == QMetaType::QString || nc.isNull() ? rs.text(QStringLiteral("NC"))
                                                            : QString::number(nc.toDouble(), 'f', 2);
    return d;
}

void DischargeStore::clear(const QString &idNum, const QString &userCode, const QString &remarks)
{
    m_connection.execute(clearStatement(idNum, userCode, remarks));
}

} // namespace mss::notices
