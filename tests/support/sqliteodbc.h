#pragma once

#include <QString>

namespace mss::test {

// The SQLite ODBC driver (Debian package libsqliteodbc) by its path, so that the tests do not
// depend on how odbcinst.ini was written; empty when it is not installed.
QString sqliteOdbcDriver();

} // namespace mss::test
