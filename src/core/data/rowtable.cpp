#include "data/rowtable.h"

#include "data/dberror.h"
#include "data/recordset.h"

#include <cmath>

namespace mss::data {

RowTable::RowTable(QStringList columns) : m_columns(std::move(columns))
{
    m_index.reserve(m_columns.size());
    // Backwards, so that of two columns with one name the first wins, as in a recordset.
    for (int i = int(m_columns.size()) - 1; i >= 0; --i)
        m_index[m_columns[i].toLower()] = i;
}

RowTable RowTable::fromRecordset(const Recordset &recordset)
{
    RowTable table(recordset.columns());
    table.reserveRows(recordset.recordCount());
    for (const QVariantList &row : recordset.rows()) {
        for (int c = 0; c < table.columnCount(); ++c) {
            const QVariant &value = c < row.size() ? row[c] : QVariant();
            if (value.isNull()) {
                table.appendNull();
                continue;
            }
            // An infinite double has no shortest form; a list shows it rather than fail.
            const bool finite = value.typeId() != QMetaType::Double || std::isfinite(value.toDouble());
            const QByteArray utf8 = finite ? variantText(value).toUtf8() : QByteArray::number(value.toDouble());
            table.appendText(utf8.constData(), utf8.size());
        }
    }
    return table;
}

int RowTable::columnIndex(const QString &name) const
{
    return m_index.value(name.toLower(), -1);
}

void RowTable::reserveRows(qsizetype rows)
{
    m_ends.reserve(size_t(rows) * size_t(m_columns.size()));
}

void RowTable::appendText(const char *utf8, qsizetype size)
{
    if (size > 0)
        m_bytes.insert(m_bytes.end(), utf8, utf8 + size);
    endCell(false);
}

void RowTable::appendNull()
{
    endCell(true);
}

void RowTable::endCell(bool null)
{
    // Offsets are 31 bits: a result of 2 GB of text is refused rather than wrapped around.
    if (m_bytes.size() >= kNull)
        throw DbError(7, QStringLiteral("Embedded database"),
            QStringLiteral("The result is too large to be held in memory (more than 2 GB of text)."));
    m_ends.push_back(quint32(m_bytes.size()) | (null ? kNull : 0));
}

} // namespace mss::data
