#include "session/lookups.h"

#include "auth/currentuser.h"
#include "data/connection.h"
#include "data/quote.h"
#include "session/sessionstate.h"

namespace mss::shell {

QString FindOpdIdNum(const QString &number)
{
    return FindOpdIdNum(*Session().CurrentUser->sqlconnection(), number);
}

QString FindOpdIdNum(data::Connection &c, const QString &number)
{
    data::Recordset rs = c.open(QStringLiteral("BILLING..sp_Billing_Search_Matching_OPDNumber_At_TbPatient '")
            + data::q(number.trimmed()) + QStringLiteral("'"),
        data::CursorType::Dynamic, data::LockType::Optimistic);
    if (rs.eof())
        return {};
    return rs.text(QStringLiteral("OPDIdnum")).trimmed();
}

bool CheckCompany(const QString &account)
{
    return CheckCompany(*Session().CurrentUser->sqlconnection(), account);
}

bool CheckCompany(data::Connection &c, const QString &account)
{
    return !c.open(QStringLiteral("Billing..sp_Pars_CheckCompany '") + data::q(account) + QStringLiteral("'"),
                 data::CursorType::Dynamic, data::LockType::ReadOnly)
                .isEmpty();
}

} // namespace mss::shell
