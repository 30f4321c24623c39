#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

namespace mss::data {

class Recordset;

// Rows as the database gave them: every cell's text as UTF-8 bytes in one block. A list of
// 50,000 admissions kept this way takes a few megabytes and no conversion until a row is
// shown, where a recordset would hold half a million strings made before the first paint.
class RowTable {
public:
    RowTable() = default;
    explicit RowTable(QStringList columns);
    // The recordset's values as their text (null stays null), for drivers without rows of their own.
    static RowTable fromRecordset(const Recordset &recordset);

    const QStringList &columns() const { return m_columns; }
    int columnIndex(const QString &name) const; // case-insensitive; -1 when absent
    int columnCount() const { return int(m_columns.size()); }
    int rowCount() const { return m_columns.isEmpty() ? 0 : int(m_ends.size() / size_t(m_columns.size())); }
    bool isEmpty() const { return m_ends.empty(); }

    bool isNull(int row, int column) const { return m_ends[cell(row, column)] & kNull; }
    // The cell's bytes; empty for a null. Valid until the table changes.
    QByteArrayView utf8(int row, int column) const
    {
        const size_t i = cell(row, column);
        const quint32 begin = i == 0 ? 0 : m_ends[i - 1] & ~kNull;
        return QByteArrayView(m_bytes.data() + begin, qsizetype((m_ends[i] & ~kNull) - begin));
    }
    // The cell as text, null as the empty text: what Recordset::text gives for the same value.
    QString text(int row, int column) const { return QString::fromUtf8(utf8(row, column)); }

    // Filling, cell by cell and row after row.
    void appendText(const char *utf8, qsizetype size);
    void appendNull();
    void reserveRows(qsizetype rows);

    // Memory the cells take, for callers that must show it is given back.
    size_t bytesHeld() const { return m_bytes.capacity() + m_ends.capacity() * sizeof(quint32); }

private:
    static constexpr quint32 kNull = 0x80000000u;
    size_t cell(int row, int column) const { return size_t(row) * size_t(m_columns.size()) + size_t(column); }
    void endCell(bool null);

    QStringList m_columns;
    QHash<QString, int> m_index; // lower-cased name -> first column with that name
    std::vector<char> m_bytes;
    std::vector<quint32> m_ends; // per cell: where its bytes end, the top bit set for a null
};

} // namespace mss::data
