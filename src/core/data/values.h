#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>

#include <optional>

namespace mss::data {

// Shortest text that reads back as the same double, never in exponent form for amounts, so
// that a statement carries exactly the number that was computed. Infinity and NaN are refused
// (throws std::domain_error): no such amount may reach the database.
QString shortestText(double value);

// A date or date-time as the databases and the program write them: ISO ("2026-12-09",
// "2026-12-09 14:27:00", with 'T' or fractions), "12/09/2026", "12/9/2026 2:27 PM". Empty and
// unreadable text give nothing.
std::optional<QDateTime> parseDateTime(const QString &text);
// The same for a value read from a recordset (text from SQLite, QDate/QDateTime from ODBC).
std::optional<QDateTime> dateTimeOf(const QVariant &value);

// An all-digit admission number is an in-patient admission; any other is an out-patient or ER visit.
bool isInPatientAdmission(const QString &admissionNumber);

// What a reader of the text actually sees: the text without its invisible characters (zero-width
// spaces and joiners, direction marks, byte-order marks, fillers) wherever they are, and without
// white space at either end.
QString visibleText(const QString &text);

} // namespace mss::data
