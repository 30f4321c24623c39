#include "data/format.h"

#include "data/recordset.h"
#include "data/values.h"

#include <cmath>

namespace mss::data {

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
    if (auto dt = parseDateTime(text))
        return dt->date();
    return std::nullopt;
}

QString generalTime(const QTime &t)
{
    return QStringLiteral("%1:%2:%3 %4")
        .arg(t.hour() % 12 == 0 ? 12 : t.hour() % 12)
        .arg(t.minute(), 2, 10, QLatin1Char('0'))
        .arg(t.second(), 2, 10, QLatin1Char('0'))
        .arg(t.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
}

QString generalDate(const QDateTime &value)
{
    if (!value.isValid())
        return {};
    const QString date = shortDate(value.date());
    return value.time() == QTime(0, 0) ? date : date + QLatin1Char(' ') + generalTime(value.time());
}

QString generalDateText(const QVariant &value)
{
    if (value.isNull())
        return {};
    if (const auto dt = dateTimeOf(value))
        return generalDate(*dt);
    return variantText(value);
}

QString numberText(double value)
{
    return shortestText(value);
}

QString roundedDigits(double value, int decimals)
{
    const double magnitude = std::fabs(value);
    QString digits = shortestText(magnitude);
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

} // namespace mss::data
