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

QString roundedDigits(double value, int decimals)
{
    const double magnitude = std::fabs(value);
    QString digits = data::shortestText(magnitude);
    if (digits.contains(QLatin1Char('e')) || digits.contains(QLatin1Char('E')))
        return QString::number(magnitude, 'f', decimals); // beyond any amount a hospital prints
    QString whole = digits.section(QLatin1Char('.'), 0, 0);
    QString fraction = digits.section(QLatin1Char('.'), 1);
    fraction = fraction.leftJustified(decimals + 1, QLatin1Char('0'));
    const bool roundUp = fraction[decimals] >= QLatin1Char('5');
    QString all = whole + fraction.left(decimals);
    if (roundUp) {
        qsizetype i = all.size() - 1;
        while (i >= 0 && all[i] == QLatin1Char('9')) {
            all[i] = QLatin1Char('0');
            --i;
        }
        if (i < 0)
            all.prepend(QLatin1Char('1'));
        else
            all[i] = QChar(all[i].unicode() + 1);
    }
    whole = all.left(all.size() - decimals);
    if (whole.isEmpty())
        whole = QStringLiteral("0");
    return decimals > 0 ? whole + QLatin1Char('.') + all.right(decimals) : whole;
}

QString formatMoney(double amount)
{
    if (!std::isfinite(amount))
        return QString();
    const QString digits = roundedDigits(amount, 2);
    const QString whole = digits.section(QLatin1Char('.'), 0, 0);
    QString grouped;
    for (qsizetype i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0)
            grouped += QLatin1Char(',');
        grouped += whole[i];
    }
    const QString result = grouped + QLatin1Char('.') + digits.section(QLatin1Char('.'), 1);
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
