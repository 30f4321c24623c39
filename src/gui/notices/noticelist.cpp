#include "notices/noticelist.h"

#include "data/connection.h"
#include "data/format.h"
#include "ui/twips.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QTreeView>

#include <algorithm>

namespace mss::notices {

NoticeListModel::NoticeListModel(QList<NoticeColumn> columns, QString iconColumn, IconRule iconRule, QObject *parent)
    : QAbstractTableModel(parent),
      m_columns(std::move(columns)),
      m_iconColumnName(std::move(iconColumn)),
      m_iconRule(iconRule),
      m_open(QStringLiteral(":/icons/open.svg")),
      m_clear(QStringLiteral(":/icons/clear.svg"))
{
}

void NoticeListModel::setRows(data::Recordset rows)
{
    beginResetModel();
    m_source.clear();
    for (const NoticeColumn &c : m_columns)
        m_source.append(rows.columnIndex(c.resultColumn));
    m_iconSource = rows.columnIndex(m_iconColumnName);
    m_rows = rows.takeRows();
    endResetModel();
}

QVariant NoticeListModel::stored(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_source.size())
        return {};
    const int source = m_source[column];
    const QVariantList &values = m_rows[row];
    return source >= 0 && source < values.size() ? values[source] : QVariant();
}

QString NoticeListModel::text(int row, int column) const
{
    const QVariant value = stored(row, column);
    if (column >= 0 && column < m_columns.size() && m_columns[column].generalDate)
        return data::generalDateText(value);
    return data::variantText(value);
}

QString NoticeListModel::iconKey(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return {};
    const QVariantList &values = m_rows[row];
    return m_iconRule(m_iconSource >= 0 && m_iconSource < values.size() ? values[m_iconSource] : QVariant());
}

int NoticeListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int NoticeListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant NoticeListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (const auto shownAs = m_columns.value(index.column()).shownAs)
            return shownAs(text(index.row(), index.column()));
        return text(index.row(), index.column());
    case Qt::DecorationRole:
        if (index.column() == 0)
            return iconKey(index.row()) == QLatin1String("open") ? m_open : m_clear;
        return {};
    case Qt::UserRole:
        return index.column() == 0 ? QVariant(iconKey(index.row())) : QVariant();
    default:
        return {};
    }
}

QVariant NoticeListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_columns.size())
        return m_columns[section].caption;
    return QAbstractTableModel::headerData(section, orientation, role);
}

void attachNoticeModel(QTreeView *view, NoticeListModel *model)
{
    // The forms give the view uniform row heights: thousands of rows lay out without measuring each.
    view->setModel(model);
    applyNoticeColumnWidths(view, *model);
    // Names and diagnoses are read whole: a column too narrow for the rows it got grows to them.
    // Hidden key columns stay hidden.
    QObject::connect(model, &QAbstractItemModel::modelReset, view, [view, model] {
        applyNoticeColumnWidths(view, *model);
        for (int c = 0; c < model->columnCount(); ++c) {
            if (view->isColumnHidden(c) || view->columnWidth(c) <= ui::twipsToPixels(10, view))
                continue;
            const int configured = view->columnWidth(c);
            view->resizeColumnToContents(c);
            view->setColumnWidth(c, std::max(configured, view->columnWidth(c)));
        }
    });
}

void applyNoticeColumnWidths(QTreeView *view, const NoticeListModel &model)
{
    QList<int> widths;
    for (const NoticeColumn &c : model.columns())
        widths.append(c.widthTwips);
    ui::setColumnWidthsInTwips(view, widths);
}

std::optional<QString> selectedText(const QTreeView *view, int column)
{
    const QModelIndexList rows = view->selectionModel() ? view->selectionModel()->selectedRows() : QModelIndexList();
    if (rows.isEmpty())
        return std::nullopt;
    const auto *model = qobject_cast<const NoticeListModel *>(view->model());
    return model ? model->text(rows.first().row(), column) : QString();
}

void emphasizeHeading(QLabel *heading)
{
    QFont font = heading->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.3);
    heading->setFont(font);
}

} // namespace mss::notices
