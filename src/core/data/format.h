#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>

#include <optional>

namespace mss::data {

// "mm/dd/yyyy" of the forms and statements: month first, always four-digit year.
QString formatMMDDYYYY(const QDate &date);
// The system's short date form, as statements that ask for it are written: "M/d/yyyy", never a
// two-digit year.
QString shortDate(const QDate &date);
// Reads what a user typed or a database returned as a date; nothing when it is not a date.
std::optional<QDate> parseDate(const QString &text);
// The general date and time form lists show: the short date, then "h:mm:ss AM" unless the time
// is midnight ("12/9/2026 3:05:00 PM", "12/9/2026").
QString generalDate(const QDateTime &value);
// "h:mm:ss AM" with a 12-hour hour.
QString generalTime(const QTime &time);
// The same for a value read from a database: null as empty text, and text that is no date as it
// stands, so that nothing is hidden.
QString generalDateText(const QVariant &value);

// "##,###,###,##0.00": thousands separators, two decimals rounded half away from zero on the
// number as written (2.675 shows as 2.68), the same under every locale.
QString formatMoney(double amount);
// The magnitude of a number rounded half away from zero to a number of decimals, on the digits
// of its shortest form, without sign or separators ("1234.57").
QString roundedDigits(double value, int decimals);
// The shortest text that reads back as the same number, for statements.
QString numberText(double value);
// Reads a typed amount ("1,250.50", " 300 "); nothing when it is not a number.
std::optional<double> parseNumber(const QString &text);

// Sizes of the forms are given in twips: 15 twips are one pixel at 96 dpi, scaled by the
// screen's logical dpi.
double twipsToPixelsF(double twips, double logicalDpi);

} // namespace mss::data
