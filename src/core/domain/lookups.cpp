#include "domain/lookups.h"

#include "data/connection.h"
#include "data/quote.h"

namespace mss::domain {

QString FindOpdIdNum(data::Connection &c, const QString &number)
{
    data::Recordset rs = c.open(QStringLiteral("BILLING..sp_Billing_Search_Matching_OPDNumber_At_TbPatient '")
            + data::q(number.trimmed()) + QStringLiteral("'"),
        data::CursorType::Dynamic, data::LockType::Optimistic);
    if (rs.eof())
        return {};
    return rs.text(QStringLiteral("OPDIdnum")).trimmed();
}

bool CheckCompany(data::Connection &c, const QString &account)
{
    return !c.open(QStringLiteral("Billing..sp_Pars_CheckCompany '") + data::q(account) + QStringLiteral("'"),
                 data::CursorType::Dynamic, data::LockType::ReadOnly)
                .isEmpty();
}

} // namespace mss::domain
