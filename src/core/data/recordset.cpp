#include "data/recordset.h"

#include "data/dberror.h"
#include "data/values.h"

namespace mss::data {

ColumnIndex::ColumnIndex(QStringList names) : m_names(std::move(names))
{
    m_index.reserve(m_names.size());
    // Walk backwards so that, of two columns with one name, the first wins.
    for (int i = int(m_names.size()) - 1; i >= 0; --i)
        m_index[m_names[i].toLower()] = i;
}

Recordset::Recordset(QStringList columns, QList<QVariantList> rows)
    : Recordset(std::make_shared<const ColumnIndex>(std::move(columns)), std::move(rows))
{
}

Recordset::Recordset(std::shared_ptr<const ColumnIndex> columns, QList<QVariantList> rows)
    : m_columns(std::move(columns)), m_rows(std::move(rows))
{
}

const QStringList &Recordset::columns() const
{
    static const QStringList none;
    return m_columns ? m_columns->names() : none;
}

bool Recordset::hasColumn(const QString &name) const
{
    return columnIndex(name) >= 0;
}

int Recordset::columnIndex(const QString &name) const
{
    return m_columns ? m_columns->indexOf(name) : -1;
}

void Recordset::moveNext()
{
    if (m_pos < m_rows.size())
        ++m_pos;
}

void Recordset::movePrevious()
{
    if (m_pos >= 0)
        --m_pos;
}

const QVariantList &Recordset::currentRow() const
{
    if (m_pos < 0 || m_pos >= m_rows.size())
        throw DbError(3021, QStringLiteral("Recordset"),
            QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    return m_rows[m_pos];
}

QVariant Recordset::value(const QString &name) const
{
    const int column = columnIndex(name);
    if (column < 0)
        throw DbError(3265, QStringLiteral("Recordset"),
            QStringLiteral("Item cannot be found in the collection: no column named \"%1\".").arg(name));
    return currentRow().at(column);
}

QVariant Recordset::value(int column) const
{
    if (column < 0 || column >= columns().size())
        throw DbError(3265, QStringLiteral("Recordset"),
            QStringLiteral("Item cannot be found in the collection: no column %1.").arg(column));
    return currentRow().at(column);
}

QString Recordset::text(const QString &name) const
{
    return variantText(value(name));
}

QString Recordset::text(int column) const
{
    return variantText(value(column));
}

double Recordset::number(const QString &name) const
{
    const QVariant v = value(name);
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::QString) {
        const QString t = v.toString().trimmed();
        if (t.isEmpty())
            return 0;
        bool ok = false;
        const double d = t.toDouble(&ok);
        if (!ok)
            throw DbError(13, QStringLiteral("Recordset"),
                QStringLiteral("Type mismatch: column \"%1\" holds \"%2\", not a number.").arg(name, t));
        return d;
    }
    return v.toDouble();
}

QString variantText(const QVariant &v)
{
    if (v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return shortestText(v.toDouble());
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        return dt.time() == QTime(0, 0) ? dt.date().toString(Qt::ISODate)
                                        : dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    case QMetaType::QDate:
        return v.toDate().toString(Qt::ISODate);
    default:
        return v.toString();
    }
}

} // namespace mss::data
