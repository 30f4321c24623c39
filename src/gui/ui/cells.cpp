#include "ui/cells.h"

#include "data/format.h"
#include "data/recordset.h"

#include <QTableWidgetItem>

namespace mss::ui {

namespace {

bool isAmount(const QVariant &value)
{
    const int type = value.typeId();
    return type == QMetaType::Double || type == QMetaType::Float;
}

} // namespace

QString cellText(const QVariant &value)
{
    return isAmount(value) ? data::formatMoney(value.toDouble()) : data::variantText(value);
}

QTableWidgetItem *cellItem(const QVariant &value)
{
    auto *item = new QTableWidgetItem(cellText(value));
    if (isAmount(value))
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace mss::ui
