#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <utility>

namespace mss::data {

// The column names of a result with their case-insensitive index. A statement run many times
// builds it once and every recordset it returns shares it.
class ColumnIndex {
public:
    explicit ColumnIndex(QStringList names);

    const QStringList &names() const { return m_names; }
    int indexOf(const QString &name) const { return m_index.value(name.toLower(), -1); }

private:
    QStringList m_names;
    QHash<QString, int> m_index; // lower-cased name -> first column with that name
};

// A client-side result set: every row is read into memory when the statement runs, so the
// record count is known, the cursor moves freely and the connection is free for the next statement.
class Recordset {
public:
    Recordset() = default;
    Recordset(QStringList columns, QList<QVariantList> rows);
    Recordset(std::shared_ptr<const ColumnIndex> columns, QList<QVariantList> rows);

    const QStringList &columns() const;
    bool hasColumn(const QString &name) const;
    int columnIndex(const QString &name) const; // case-insensitive; -1 when absent

    int recordCount() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.isEmpty(); }
    bool eof() const { return m_pos >= m_rows.size(); }
    bool bof() const { return m_pos < 0 || m_rows.isEmpty(); }
    int position() const { return m_pos; }

    void moveFirst() { m_pos = 0; }
    void moveLast() { m_pos = m_rows.isEmpty() ? 0 : int(m_rows.size()) - 1; }
    void moveNext();
    void movePrevious();
    void move(int row) { m_pos = row; }

    // Column of the current row, by name (any letter case) or index. A missing column or reading
    // past the end raises DbError: silently reading nothing would hide a mistyped column name.
    QVariant value(const QString &name) const;
    QVariant value(int column) const;
    bool isNull(const QString &name) const { return value(name).isNull(); }
    // The value as text; null reads as the empty text. Numbers read in their shortest form.
    QString text(const QString &name) const;
    QString text(int column) const;
    double number(const QString &name) const; // null and empty read as 0

    // Whole rows, for code that fills a grid from a result set.
    const QList<QVariantList> &rows() const { return m_rows; }
    // Moves the rows out, for a list model that keeps them as they came; the recordset is empty after.
    QList<QVariantList> takeRows()
    {
        m_pos = 0;
        return std::exchange(m_rows, {});
    }

private:
    const QVariantList &currentRow() const;

    std::shared_ptr<const ColumnIndex> m_columns; // null for a result without columns
    QList<QVariantList> m_rows;
    int m_pos = 0;
};

// Text of a value as the windows show it: null as "", doubles in their shortest form.
QString variantText(const QVariant &v);

} // namespace mss::data
