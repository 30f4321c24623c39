#pragma once

#include <QString>

namespace mss::shell {

// The billing lookups of domain/lookups.h on the session's connection.
QString FindOpdIdNum(const QString &number);
bool CheckCompany(const QString &account);

} // namespace mss::shell
