#pragma once

#include <QString>

namespace mss::data {
class Connection;
}

namespace mss::shell {

// The hospital's billing lookup, on the session's connection: the out-patient admission number
// matching a number.
QString FindOpdIdNum(const QString &number);
// The same lookup on a connection of the caller's.
QString FindOpdIdNum(data::Connection &connection, const QString &number);
// True when the account is charged to a company.
bool CheckCompany(const QString &account);
// The same on a connection of the caller's.
bool CheckCompany(data::Connection &connection, const QString &account);

} // namespace mss::shell
