#include "data/dberror.h"

namespace mss::data {

DbError::DbError(DbErrorInfo info, QString statement)
    : std::runtime_error(info.description.toStdString()), m_info(std::move(info)), m_statement(std::move(statement))
{
}

DbError::DbError(long long number, const QString &source, const QString &description)
    : DbError(DbErrorInfo { number, source, description })
{
}

QString DbError::displayText() const
{
    return QStringLiteral("%1 (error %2, %3)").arg(m_info.description).arg(m_info.number).arg(m_info.source);
}

} // namespace mss::data
