#pragma once

#include "data/recordset.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>
#include <QString>

#include <optional>

class QLabel;
class QTreeView;

namespace mss::data {
class Connection;
}

namespace mss::notices {

// A column of a notice list: its caption, the result column it shows, whether that is a date
// shown in the general date and time form, and its width in twips (0 hides it).
struct NoticeColumn {
    QString caption;
    QString resultColumn;
    bool generalDate = false;
    int widthTwips = 1500;
    // How the column's text is shown, when not as stored (a code with its meaning, say).
    QString (*shownAs)(const QString &text) = nullptr;
};

// The rows of a notice list, kept as the procedure returned them and turned into text only when
// shown, so that filling thousands of notices costs little more than reading them. Each row's
// first column carries the picture of its state; the picture's key ("open", "clear") is the
// item data under Qt::UserRole.
class NoticeListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    using IconRule = QString (*)(const QVariant &value);

    NoticeListModel(QList<NoticeColumn> columns, QString iconColumn, IconRule iconRule, QObject *parent = nullptr);

    void setRows(data::Recordset rows);
    const QList<NoticeColumn> &columns() const { return m_columns; }

    QString text(int row, int column) const;
    QString iconKey(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QVariant stored(int row, int column) const;

    QList<NoticeColumn> m_columns;
    QString m_iconColumnName;
    IconRule m_iconRule;
    QList<QVariantList> m_rows;
    QList<int> m_source; // list column -> result column, -1 when the result lacks it
    int m_iconSource = -1;
    QIcon m_open;
    QIcon m_clear;
};

// Shows the model in a notice window's list view (its form selects whole rows, one at a time):
// the configured column widths, and wider ones where the rows read need them.
void attachNoticeModel(QTreeView *view, NoticeListModel *model);
// The view's column widths from the model's columns.
void applyNoticeColumnWidths(QTreeView *view, const NoticeListModel &model);
// The text of a column of the selected row; nothing when no row is selected.
std::optional<QString> selectedText(const QTreeView *view, int column);

// The bold heading line the notice windows open with, a size above the window's own font.
void emphasizeHeading(QLabel *heading);

} // namespace mss::notices
