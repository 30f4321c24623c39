#include "patients/patientlistmodel.h"

#include "data/recordset.h"

#include <algorithm>

namespace mss::patients {

const QStringList &PatientListModel::headers()
{
    static const QStringList h = { QStringLiteral(" Adm. No."), QStringLiteral(" Hosp.No."),
        QStringLiteral(" Adm.Date"), QStringLiteral(" Last Name"), QStringLiteral(" First Name"),
        QStringLiteral(" Middle Name"), QStringLiteral(" Room No."), QStringLiteral(" MSS  "),
        QStringLiteral(" Address"), QStringLiteral(" Dcr.Date"), QStringLiteral(" BillingDate") };
    return h;
}

const QStringList &PatientListModel::resultColumns()
{
    static const QStringList c = { QStringLiteral("IDNUM"), QStringLiteral("HospNum"), QStringLiteral("AdmDate"),
        QStringLiteral("LastName"), QStringLiteral("FirstName"), QStringLiteral("MiddleName"), QStringLiteral("RoomID"),
        QStringLiteral("MSS"), QStringLiteral("Address"), QStringLiteral("dcrdate"), QStringLiteral("BillingDate") };
    return c;
}

const QList<int> &PatientListModel::widthsInTwips()
{
    static const QList<int> w = { 1000, 1050, 1900, 1550, 1550, 1550, 1000, 1350, 2300, 2500, 2500 };
    return w;
}

PatientListModel::PatientListModel(QObject *parent)
    : QAbstractTableModel(parent),
      m_arrowUp(QStringLiteral(":/icons/arrowup.svg")),
      m_arrowDown(QStringLiteral(":/icons/arrowdown.svg")),
      m_blank(QStringLiteral(":/icons/blank.svg"))
{
}

void PatientListModel::setRows(const QStringList &columns, QList<QVariantList> rows, int filledColumns)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_source.assign(kColumns, -1);
    const data::Recordset names(columns, {});
    for (int c = 0; c < std::min(filledColumns, kColumns); ++c)
        m_source[c] = names.columnIndex(resultColumns()[c]);
    m_sequence.resize(m_rows.size());
    for (size_t i = 0; i < m_sequence.size(); ++i)
        m_sequence[i] = int(i);
    endResetModel();
}

void PatientListModel::clear()
{
    setRows({}, {});
}

int PatientListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_sequence.size());
}

int PatientListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QString PatientListModel::text(int row, int column) const
{
    if (row < 0 || row >= int(m_sequence.size()) || column < 0 || column >= kColumns)
        return {};
    const int source = m_source[column];
    const QVariantList &stored = m_rows[m_sequence[row]];
    if (source < 0 || source >= stored.size())
        return {};
    return data::variantText(stored[source]);
}

QVariant PatientListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    return text(index.row(), index.column());
}

QVariant PatientListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumns)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return headers()[section];
    if (role == Qt::DecorationRole) {
        if (section != m_sortColumn)
            return m_blank;
        return m_order == Qt::AscendingOrder ? m_arrowUp : m_arrowDown;
    }
    return {};
}

void PatientListModel::sortByColumn(int column)
{
    if (column < 0 || column >= kColumns)
        return;
    m_order = m_order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_sortColumn = column;

    // Keys once per row; numbers compare as numbers only when the whole column is numeric.
    const int source = m_source[column];
    std::vector<QString> keys(m_rows.size());
    std::vector<double> numbers(m_rows.size());
    bool numeric = source >= 0;
    for (size_t i = 0; i < size_t(m_rows.size()); ++i) {
        if (source >= 0 && source < m_rows[i].size())
            keys[i] = data::variantText(m_rows[i][source]);
        if (numeric && !keys[i].isEmpty()) {
            bool ok = false;
            numbers[i] = keys[i].toDouble(&ok);
            numeric = ok;
        }
    }
    std::vector<int> order(m_rows.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    const bool ascending = m_order == Qt::AscendingOrder;
    auto less = [&](int a, int b) {
        if (numeric) {
            // Empty cells first in ascending order, as an empty text would be.
            const bool ea = keys[a].isEmpty(), eb = keys[b].isEmpty();
            if (ea || eb)
                return ea && !eb;
            return numbers[a] < numbers[b];
        }
        return keys[a].compare(keys[b], Qt::CaseInsensitive) < 0;
    };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return ascending ? less(a, b) : less(b, a); });
    beginResetModel();
    m_sequence = std::move(order);
    endResetModel();
    emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
}

} // namespace mss::patients
