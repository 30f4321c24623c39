#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace mss::data::tsql {

// A stored-procedure call as the windows send it: "[EXEC] [db..]name 'a', 'b',1".
struct ProcedureCall {
    QString database; // as written, empty when the name was unqualified
    QString name;
    QVariantList arguments; // quoted values as text, bare numbers as numbers, NULL as null
    // Per argument: a bare number as written ("1.10"), otherwise empty; the list ends after the
    // last bare number (most calls have none), so read it with value(i).
    QStringList literals;
};

// The text that named the procedure of a call (blanks and EXEC included) with the names read
// from it. A caller that keeps the last one lets the next call of the same procedure skip to
// its arguments: windows call one procedure many times with different values.
struct CallTarget {
    QString text;
    QString database;
    QString name;
};

// Recognises a procedure call. Returns nothing for ordinary SQL (SELECT, DELETE …). A statement
// that starts like a call but whose arguments cannot be read throws DbError naming the statement.
// With last, a statement that starts with last's text reuses its names, and any other call
// becomes the new last.
std::optional<ProcedureCall> parseProcedureCall(const QString &statement, CallTarget *last = nullptr);

// Rewrites the T-SQL the program sends into SQLite, token by token and never inside a string
// literal: "db..object" and "db.dbo.object" become "schema.object" (MSS is the main file),
// isnull( becomes ifnull(, left(/right( become mss_left(/mss_right(, CONVERT(type, …) becomes
// mss_convert('type', …), N'…' loses its N. An unknown database name throws DbError.
QString translate(const QString &statement);

// The SQLite schema name of a hospital database name in any letter case ("Billing" -> "BILLING",
// "mss" -> "main"); empty when the name is not one of the four.
QString schemaOf(const QString &database);

} // namespace mss::data::tsql
