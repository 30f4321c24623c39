#include "session/lookups.h"

#include "auth/currentuser.h"
#include "domain/lookups.h"
#include "session/sessionstate.h"

namespace mss::shell {

QString FindOpdIdNum(const QString &number)
{
    return domain::FindOpdIdNum(*Session().CurrentUser->sqlconnection(), number);
}

bool CheckCompany(const QString &account)
{
    return domain::CheckCompany(*Session().CurrentUser->sqlconnection(), account);
}

} // namespace mss::shell
