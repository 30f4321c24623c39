#include "ui/format.h"

#include "data/values.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QTableView>
#include <QTreeView>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace mss::ui {

QString formatMMDDYYYY(const QDate &date)
{
    return date.isValid() ? date.toString(QStringLiteral("MM/dd/yyyy")) : QString();
}

QString shortDate(const QDate &date)
{
    return date.isValid() ? date.toString(QStringLiteral("M/d/yyyy")) : QString();
}

std::optional<QDate> parseDate(const QString &text)
{
    if (auto dt = data::parseDateTime(text))
        return dt->date();
    return std::nullopt;
}

QString numberText(double value)
{
    return data::shortestText(value);
}

QString formatMoney(double amount)
{
    if (!std::isfinite(amount))
        return QString();
    // Round the decimal digits of the shortest form, so binary noise (2.675 is 2.67499…) does not
    // round the way a person would not.
    QString digits = data::shortestText(std::fabs(amount));
    QString whole = digits.section(QLatin1Char('.'), 0, 0);
    QString fraction = digits.section(QLatin1Char('.'), 1);
    if (whole.contains(QLatin1Char('e'))) { // astronomically large: fall back to fixed notation
        digits = QString::number(std::fabs(amount), 'f', 2);
        whole = digits.section(QLatin1Char('.'), 0, 0);
        fraction = digits.section(QLatin1Char('.'), 1);
    }
    fraction = fraction.leftJustified(3, QLatin1Char('0'));
    const bool roundUp = fraction[2] >= QLatin1Char('5');
    QString cents = whole + fraction.left(2);
    if (roundUp) {
        int i = int(cents.size()) - 1;
        while (i >= 0 && cents[i] == QLatin1Char('9')) {
            cents[i] = QLatin1Char('0');
            --i;
        }
        if (i < 0)
            cents.prepend(QLatin1Char('1'));
        else
            cents[i] = QChar(cents[i].unicode() + 1);
    }
    whole = cents.left(cents.size() - 2);
    if (whole.isEmpty())
        whole = QStringLiteral("0");
    QString grouped;
    for (qsizetype i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0)
            grouped += QLatin1Char(',');
        grouped += whole[i];
    }
    const QString result = grouped + QLatin1Char('.') + cents.right(2);
    const bool negative = amount < 0 && result != QLatin1String("0.00");
    return negative ? QLatin1Char('-') + result : result;
}

std::optional<double> parseNumber(const QString &text)
{
    QString t = text.trimmed();
    t.remove(QLatin1Char(','));
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = t.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

double twipsToPixelsF(double twips, double logicalDpi)
{
    return twips / 15.0 * logicalDpi / 96.0;
}

int twipsToPixels(int twips, const QWidget *widget)
{
    double dpi = 96.0;
    if (widget)
        dpi = widget->logicalDpiX();
    else if (const QScreen *screen = QGuiApplication::primaryScreen())
        dpi = screen->logicalDotsPerInchX();
    return int(std::lround(twipsToPixelsF(twips, dpi)));
}

} // namespace mss::ui

namespace mss::ui {

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
            header->resizeSection(c, std::max(int(twipsToPixels(twips[c], view) * fontScale), header->sectionSizeHint(c) + 8));
    }
}

} // namespace mss::ui
