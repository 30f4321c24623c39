#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace mss::data {

// How an embedded procedure declares a parameter on its "-- params:" line: "Name text",
// "Name int" (a whole number) and "Name float" (any number) as the hospital's SQL Server
// procedures declare theirs; a bare name takes a value as the call gives it.
enum class ParamType { AsGiven, Text, Integer, Float };

struct ProcedureParam {
    QString name;
    ParamType type = ParamType::AsGiven;
};

// Reads the list after "-- params:" ("HospNum, Income float"); throws DbError naming an
// unknown type.
QList<ProcedureParam> parseProcedureParams(const QString &list);

// A text read as SQL Server reads it into a float: blanks around it, an optional sign, digits
// with at most one decimal point (".5" and "5." too), and an optional exponent of "e" with an
// optional sign and at least one digit. Anything else, and numbers beyond a double, give nothing.
std::optional<double> sqlServerFloat(const QString &text);
// The same for a whole number: an optional sign and digits, within 64 bits.
std::optional<qint64> sqlServerInteger(const QString &text);

// The value a parameter takes from a call's argument. literal is the text of a bare number as
// written in the call (empty for a quoted value or NULL). A text parameter keeps those digits
// ("1.10" stays "1.10"); so does a parameter taken as given, unless a number holds them
// exactly. A quoted text for a number parameter must read as one; empty or blank text is left
// to the procedure. Throws DbError (8114) naming the parameter otherwise.
QVariant procedureArgument(
    const QString &procedure, const ProcedureParam &param, const QVariant &argument, const QString &literal);

} // namespace mss::data
