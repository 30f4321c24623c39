#pragma once

#include <QString>
#include <QVariant>

class QTableWidgetItem;

namespace mss::ui {

// What a grid shows for a value read from the database: a floating-point value is an amount and
// shows with the money format, so no binary fraction such as 2359.185000001 reaches the screen;
// anything else shows as read. The value itself stays as it was.
QString cellText(const QVariant &value);

// A grid cell for the value, an amount right-aligned.
QTableWidgetItem *cellItem(const QVariant &value);

} // namespace mss::ui
