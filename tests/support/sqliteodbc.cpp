#include "support/sqliteodbc.h"

#include <QFile>
#include <QStringList>

namespace mss::test {

QString sqliteOdbcDriver()
{
    for (const QString &candidate : { QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so"),
             QStringLiteral("/usr/lib/aarch64-linux-gnu/odbc/libsqlite3odbc.so"),
             QStringLiteral("/usr/lib/odbc/libsqlite3odbc.so") })
        if (QFile::exists(candidate))
            return candidate;
    return {};
}

} // namespace mss::test
