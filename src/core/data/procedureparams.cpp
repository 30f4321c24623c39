#include "data/procedureparams.h"

#include "data/dberror.h"

#include <QRegularExpression>

#include <cmath>

namespace mss::data {

namespace {

const QString kSource = QStringLiteral("Embedded database");
constexpr int kConversionError = 8114; // SQL Server's "Error converting data type"

} // namespace

QList<ProcedureParam> parseProcedureParams(const QString &list)
{
    QList<ProcedureParam> params;
    for (const QString &part : list.split(QLatin1Char(','))) {
        QStringList words = part.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        ProcedureParam param;
        param.name = words.takeFirst();
        if (param.name.startsWith(QLatin1Char('@')) || param.name.startsWith(QLatin1Char(':')))
            param.name.remove(0, 1);
        const QString type = words.join(QLatin1Char(' ')).toLower();
        if (type == QLatin1String("int"))
            param.type = ParamType::Integer;
        else if (type == QLatin1String("float"))
            param.type = ParamType::Float;
        else if (type == QLatin1String("text"))
            param.type = ParamType::Text;
        else if (!type.isEmpty())
            throw DbError(0, kSource,
                QStringLiteral("Parameter %1 has the type \"%2\"; a procedure's parameters are text, int or float")
                    .arg(param.name, type));
        params.append(param);
    }
    return params;
}

std::optional<double> sqlServerFloat(const QString &text)
{
    static const QRegularExpression number(QStringLiteral(R"(^[+-]?(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?$)"));
    const QString trimmed = text.trimmed();
    if (!number.match(trimmed).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value == 0 ? 0.0 : value; // -0 is stored as 0
}

std::optional<qint64> sqlServerInteger(const QString &text)
{
    static const QRegularExpression number(QStringLiteral(R"(^[+-]?\d+$)"));
    const QString trimmed = text.trimmed();
    if (!number.match(trimmed).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint64 value = trimmed.toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

QVariant procedureArgument(
    const QString &procedure, const ProcedureParam &param, const QVariant &argument, const QString &literal)
{
    if (argument.isNull())
        return argument;
    const bool bare = !literal.isEmpty();
    if (param.type == ParamType::AsGiven) {
        // SQLite turns a real into text with 15 digits: only a number that reads back as written
        // may go in as one, or a text column would store other digits than the call gave.
        if (!bare || argument.typeId() == QMetaType::LongLong
            || QString::number(argument.toDouble(), 'g', 15) == literal)
            return argument;
        return QVariant(literal);
    }
    if (param.type == ParamType::Text)
        return bare ? QVariant(literal) : argument;
    if (bare && param.type == ParamType::Float)
        return QVariant(argument.toDouble());
    if (bare) {
        // A decimal number given for a whole one loses its fraction, as on SQL Server.
        const double value = argument.toDouble();
        if (std::fabs(value) < 9.2e18)
            return QVariant(qlonglong(std::trunc(value)));
    } else {
        const QString text = argument.toString();
        if (text.trimmed().isEmpty())
            return argument;
        if (param.type == ParamType::Float) {
            if (const auto value = sqlServerFloat(text))
                return QVariant(*value);
        } else if (const auto value = sqlServerInteger(text)) {
            return QVariant(qlonglong(*value));
        }
    }
    throw DbError(kConversionError, kSource,
        QStringLiteral("Procedure %1: \"%2\" given for @%3 is not %4")
            .arg(procedure, bare ? literal : argument.toString(), param.name,
                param.type == ParamType::Float ? QStringLiteral("a number") : QStringLiteral("a whole number")));
}

} // namespace mss::data
