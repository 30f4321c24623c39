#include "data/connection.h"

#include "data/embedded.h"
#include "data/odbc.h"

#include <QRegularExpression>

namespace mss::data {

RowCursor::~RowCursor() = default;

namespace {

class RecordsetCursor final : public RowCursor {
public:
    explicit RecordsetCursor(Recordset rows)
        : m_columns(std::make_shared<const ColumnIndex>(rows.columns())), m_rows(rows.takeRows())
    {
    }
    const std::shared_ptr<const ColumnIndex> &columns() const override { return m_columns; }
    bool next() override
    {
        if (m_row >= 0 && m_row < m_rows.size())
            m_rows[m_row].clear(); // a row read is let go, as a driver's own cursor would
        ++m_row;
        return m_row < m_rows.size();
    }
    QVariant value(int column) const override { return m_rows.at(m_row).at(column); }

private:
    std::shared_ptr<const ColumnIndex> m_columns;
    QList<QVariantList> m_rows;
    qsizetype m_row = -1;
};

} // namespace

Connection::~Connection() = default;

std::unique_ptr<RowCursor> Connection::queryRows(const QString &statement, const Bindings &bindings)
{
    return std::make_unique<RecordsetCursor>(query(statement, bindings));
}

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
