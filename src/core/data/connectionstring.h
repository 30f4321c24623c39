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
// The first value given for the key (any letter case), braces taken off; empty when absent.
QString connectionValue(const QString &connectionString, const QString &key);

// How a driver reads a braced value. ODBC's own grammar doubles a '}' inside braces; FreeTDS
// before 1.4 ends a braced value at the first "};" and never undoes a doubling.
enum class BraceGrammar { Odbc, FreeTdsBefore14 };

// What the driver is given, and the program's own limits, which the string may set.
struct DriverConnection {
    QString text; // for SQLDriverConnect
    int loginTimeoutSeconds = 15;
    int queryTimeoutSeconds = 30;
};
inline constexpr auto kApplicationName = "Medical Social Service";

// The string as the driver must read it: the password written in the driver's grammar and ended
// by ';', the program's name as APP unless one is given, and the program's own keys
// (LoginTimeout, QueryTimeout, in seconds) taken out. Throws DbError for a password that the
// driver's grammar cannot carry.
DriverConnection driverConnection(const QString &connectionString, BraceGrammar grammar);

} // namespace mss::data
