#pragma once

#include <QString>

namespace mss::data {

// ODBC connection strings ("Driver=FreeTDS;Server=…;UID=…;PWD={…}"), where a value may be
// braced to hold ';' and a '}' inside braces is doubled.

// The password the string holds (PWD or Password), empty when it holds none.
QString connectionPassword(const QString &connectionString);
// The string without its password, for keeping it where others may read it.
QString withoutPassword(const QString &connectionString);
// The string with this password in place of the one it held (none when the password is empty).
QString withPassword(const QString &connectionString, const QString &password);
// A message that may quote the string, with the password written as ***.
QString hidePassword(const QString &message, const QString &connectionString);

} // namespace mss::data
