#include "data/connection.h"

#include "data/embedded.h"
#include "data/odbc.h"

#include <QRegularExpression>

namespace mss::data {

Connection::~Connection() = default;

RowTable Connection::openTable(const QString &statement, CursorType cursor, LockType lock)
{
    return RowTable::fromRecordset(open(statement, cursor, lock));
}

std::unique_ptr<Connection> openConnection(const QString &connectionString)
{
    static const QRegularExpression embedded(
        QStringLiteral(R"(^\s*Driver\s*=\s*Embedded\s*(?:;|$))"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression folder(
        QStringLiteral(R"((?:^|;)\s*Folder\s*=\s*([^;]*))"), QRegularExpression::CaseInsensitiveOption);
    if (embedded.match(connectionString).hasMatch())
        return std::make_unique<EmbeddedConnection>(folder.match(connectionString).captured(1).trimmed());
    return std::make_unique<OdbcConnection>(connectionString);
}

} // namespace mss::data
