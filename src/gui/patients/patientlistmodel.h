#pragma once

#include <QAbstractTableModel>
#include <QIcon>
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

    explicit PatientListModel(QObject *parent = nullptr);

    // Replaces the rows. Only the first `filledColumns` list columns are filled; a result column
    // that is missing leaves its cells empty.
    void setRows(const QStringList &columns, QList<QVariantList> rows, int filledColumns = kColumns);
    void clear();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    QString text(int row, int column) const;

    // A header click: the order flips and the key becomes that column. Numbers sort as numbers,
    // dates (ISO text) and the rest as text without regard to letter case; ties keep their order.
    void sortByColumn(int column);
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_order; }

private:
    QList<QVariantList> m_rows;
    std::vector<int> m_source; // list column -> result column, -1 when absent
    std::vector<int> m_sequence; // shown row -> stored row
    int m_sortColumn = -1;
    Qt::SortOrder m_order = Qt::AscendingOrder; // the first click turns it to descending
    QIcon m_arrowUp, m_arrowDown, m_blank;
};

} // namespace mss::patients
