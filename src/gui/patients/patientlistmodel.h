#pragma once

#include "data/rowtable.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace mss::patients {

// The rows of the patient list, kept as the driver returned them and turned into text only when
// shown, so that filling 50,000 rows costs little more than the query.
class PatientListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int kColumns = 11;
    // Header texts, each starting with a blank, and the result column each list column shows.
    static const QStringList &headers();
    static const QStringList &resultColumns();
    // Column widths in twips.
    static const QList<int> &widthsInTwips();
    // The list columns that hold a date, perhaps with its time.
    static bool isDateColumn(int column);

    explicit PatientListModel(QObject *parent = nullptr);

    // Replaces the rows; the old ones are given back first. Only the first `filledColumns` list
    // columns are filled; a result column that is missing leaves its cells empty.
    void setTable(data::RowTable table, int filledColumns = kColumns);
    void setRows(const QStringList &columns, QList<QVariantList> rows, int filledColumns = kColumns);
    void clear();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The cell as the database gave it: what the selection is made of.
    QString text(int row, int column) const;
    // The row whose first two cells are these texts, -1 when none is. The texts are compared as the
    // database gave them, so a long list makes no text of its rows to look.
    int rowOf(const QString &first, const QString &second) const;
    // The cell as the list shows it: dates as mm/dd/yyyy, with hh:mm when the value has a time.
    QString displayText(int row, int column) const;

    // A header click: the order flips and the key becomes that column. Numbers sort as numbers
    // and dates as dates when the whole column holds them, the rest as text without regard to
    // letter case; ties keep their order.
    void sortByColumn(int column);
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_order; }

    // Memory the stored rows take.
    size_t bytesHeld() const { return m_table.bytesHeld() + m_sequence.capacity() * sizeof(int); }

private:
    // The stored cell of a shown row and list column; empty when the result lacks the column.
    QByteArrayView cell(int storedRow, int column) const;
    std::vector<int> sortedByNumber(int column, bool *numeric) const;
    std::vector<int> sortedByDate(int column, bool *dates) const;
    std::vector<int> sortedByText(int column) const;

    data::RowTable m_table;
    std::vector<int> m_source; // list column -> result column, -1 when absent
    std::vector<int> m_sequence; // shown row -> stored row
    int m_sortColumn = -1;
    Qt::SortOrder m_order = Qt::AscendingOrder; // the first click turns it to descending
    QIcon m_arrowUp, m_arrowDown, m_blank;
};

// A date as the list shows it: "2024-04-07 21:46:00" as "04/07/2024 21:46", "2024-04-07" as
// "04/07/2024"; text that is not a date is shown as it is.
QString listDateText(QByteArrayView value);

} // namespace mss::patients
