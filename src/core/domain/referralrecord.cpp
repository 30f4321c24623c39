#include "domain/referralrecord.h"

#include "data/connection.h"
#include "data/format.h"
#include "data/quote.h"

namespace mss::notices {

namespace {

// Dates the hospital's databases write for "none".
bool isNoDate(const QString &stored)
{
    const QString text = stored.trimmed();
    if (text.isEmpty())
        return true;
    const auto date = data::parseDate(text);
    return date && *date == QDate(1900, 1, 1);
}

} // namespace

QString referralStateMeaning(const QString &code)
{
    if (code == QLatin1String("A"))
        return QStringLiteral("Include to Bill");
    if (code == QLatin1String("D"))
        return QStringLiteral("For Justification");
    if (code == QLatin1String("C"))
        return QStringLiteral("For Cash Basis");
    return QStringLiteral("Pending");
}

QString referralIconKey(const QString &status)
{
    return status.trimmed() == QLatin1String("P") ? QStringLiteral("open") : QStringLiteral("clear");
}

bool ReferralRecord::discharged() const
{
    return !isNoDate(DischargeDate);
}

std::optional<QDate> ReferralRecord::scheduleDate() const
{
    if (isNoDate(ScheduleDate))
        return std::nullopt;
    return data::parseDate(ScheduleDate);
}

QString ReferralStore::noticeListStatement()
{
    return QStringLiteral("MSS..sp_MSS_LoadReferralNotice");
}

QString ReferralStore::historyStatement(const QString &hospNum, const QString &lastName, const QString &firstName)
{
    return QStringLiteral("MSS..sp_MSS_LoadReferralHistory") + data::quoted(hospNum) + QStringLiteral(", ")
        + data::quoted(lastName) + QLatin1Char(',') + data::quoted(firstName);
}

QString ReferralStore::referralStatement(const QString &idNum, const QString &referralNo)
{
    return QStringLiteral("MSS..sp_MSS_LoadReferralNoticePatient") + data::quoted(idNum) + QLatin1Char(',')
        + data::quoted(referralNo);
}

QString ReferralStore::saveStatement(const ReferralTag &tag)
{
    // No blank between the name and the first value, one after the last.
    return QStringLiteral("MSS..sp_MSS_SaveReferralNoticePatient") + data::quoted(tag.IdNum) + QStringLiteral(", ")
        + data::quoted(tag.DateApproved.toString(QStringLiteral("yyyy-MM-dd"))) + QLatin1Char(',')
        + data::quoted(tag.Status) + QLatin1Char(',') + data::quoted(tag.Remarks) + QStringLiteral(", ")
        + data::quoted(tag.Category) + QStringLiteral(", ") + data::quoted(data::shortDate(tag.ScheduleDate))
        + QLatin1Char(',') + data::quoted(tag.UserID) + QLatin1Char(',') + data::quoted(tag.ReferralNo)
        + QLatin1Char(' ');
}

data::Recordset ReferralStore::notices()
{
    return m_connection.open(noticeListStatement(), data::CursorType::Dynamic, data::LockType::ReadOnly);
}

data::Recordset ReferralStore::history(const QString &hospNum, const QString &lastName, const QString &firstName)
{
    return m_connection.open(
        historyStatement(hospNum, lastName, firstName), data::CursorType::Dynamic, data::LockType::ReadOnly);
}

std::optional<ReferralRecord> ReferralStore::load(const QString &idNum, const QString &referralNo)
{
    const data::Recordset rs = m_connection.open(referralStatement(idNum, referralNo));
    if (rs.eof())
        return std::nullopt;
    ReferralRecord r;
    r.PatientName = rs.text(QStringLiteral("PatientName"));
    r.HospNum = rs.text(QStringLiteral("HospNum"));
    r.IDNUM = rs.text(QStringLiteral("IDNUM"));
    r.Diagnosis = rs.text(QStringLiteral("Diagnosis"));
    r.Category = rs.text(QStringLiteral("category"));
    r.Remarks = rs.text(QStringLiteral("REMARKS"));
    r.ScheduleDate = rs.text(QStringLiteral("ScheduleDate"));
    r.Status = rs.text(QStringLiteral("Status")).trimmed();
    static const std::array<QString, 5> ticks = { QStringLiteral("Tick1"), QStringLiteral("tick2"),
        QStringLiteral("tick3"), QStringLiteral("tick4"), QStringLiteral("tick5") };
    for (size_t i = 0; i < ticks.size(); ++i)
        r.Reasons[i] = rs.text(ticks[i]).trimmed() == QLatin1String("Y");
    r.OtherReason = rs.text(QStringLiteral("Others"));
    r.DischargeDate = rs.text(QStringLiteral("DischargeDate"));
    r.ReferralNo = rs.text(QStringLiteral("ReferralNo"));
    return r;
}

void ReferralStore::save(const ReferralTag &tag)
{
    m_connection.execute(saveStatement(tag));
}

} // namespace mss::notices
