#pragma once

#include <QString>

namespace mss::data {
class Connection;
}

namespace mss::domain {

// The hospital's billing lookups the records need, on the connection they work on.

// The out-patient admission number matching a number; empty when there is none.
QString FindOpdIdNum(data::Connection &connection, const QString &number);
// True when the account is charged to a company.
bool CheckCompany(data::Connection &connection, const QString &account);

} // namespace mss::domain
