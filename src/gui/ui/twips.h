#pragma once

#include <QList>

class QAbstractItemView;
class QWidget;

namespace mss::ui {

// Sizes of the forms are given in twips: 15 twips are one pixel at 96 dpi, scaled by the
// screen's logical dpi (of the widget's screen when one is given).
int twipsToPixels(int twips, const QWidget *widget = nullptr);
// Sets the widths of a grid's columns from twips, as the forms give them for a narrow 8-point
// face: scaled to the grid's font, and never narrower than the column's header caption. A width
// of 0 hides the column.
void setColumnWidthsInTwips(QAbstractItemView *view, const QList<int> &twips);

} // namespace mss::ui
