#include "ui/twips.h"

#include "data/format.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTableView>
#include <QTreeView>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace mss::ui {

int twipsToPixels(int twips, const QWidget *widget)
{
    double dpi = 96.0;
    if (widget)
        dpi = widget->logicalDpiX();
    else if (const QScreen *screen = QGuiApplication::primaryScreen())
        dpi = screen->logicalDotsPerInchX();
    return int(std::lround(data::twipsToPixelsF(twips, dpi)));
}

void setColumnWidthsInTwips(QAbstractItemView *view, const QList<int> &twips)
{
    QHeaderView *header = nullptr;
    if (auto *tree = qobject_cast<QTreeView *>(view))
        header = tree->header();
    else if (auto *table = qobject_cast<QTableView *>(view))
        header = table->horizontalHeader();
    if (!header)
        return;
    const double fontScale = std::max(1.0, view->fontMetrics().averageCharWidth() / 5.5);
    for (int c = 0; c < twips.size() && c < header->count(); ++c) {
        header->setSectionHidden(c, twips[c] == 0);
        if (twips[c] > 0)
            header->resizeSection(
                c, std::max(int(twipsToPixels(twips[c], view) * fontScale), header->sectionSizeHint(c) + 8));
    }
}

} // namespace mss::ui
