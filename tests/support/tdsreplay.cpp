#include "support/tdsreplay.h"

#include "data/placeholders.h"

#include <QDateTime>
#include <QHash>
#include <QRegularExpression>

namespace mss::test {

void ExchangeRecorder::execute(const QString &statement)
{
    RecordingConnection::execute(statement);
    exchanges.append({ statement, std::nullopt });
}

data::Recordset ExchangeRecorder::open(const QString &statement, data::CursorType cursor, data::LockType lock)
{
    data::Recordset rows = RecordingConnection::open(statement, cursor, lock);
    exchanges.append({ statement, rows });
    return rows;
}

data::Recordset ExchangeRecorder::query(const QString &statement, const data::Bindings &bindings)
{
    data::Recordset rows = RecordingConnection::query(statement, bindings);
    exchanges.append({ wireText(statement), rows });
    return rows;
}

QString wireText(const QString &statement)
{
    int n = 0;
    return data::rewritePlaceholders(statement, [&n](const QString &) { return QStringLiteral("@P%1").arg(++n); }).text;
}

namespace {

QString columnType(const QList<QVariantList> &rows, int column)
{
    bool text = false, real = false, integer = false, dateTime = false;
    for (const QVariantList &row : rows) {
        const QVariant &v = row.value(column);
        if (v.isNull())
            continue;
        switch (v.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::Bool:
            integer = true;
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            real = true;
            break;
        case QMetaType::QDate:
        case QMetaType::QDateTime:
            dateTime = true;
            break;
        default:
            text = true;
        }
    }
    if (text || (dateTime && (integer || real)))
        return QStringLiteral("nvarchar(max)");
    if (dateTime)
        return QStringLiteral("datetime");
    if (real)
        return QStringLiteral("float");
    if (integer)
        return QStringLiteral("bigint");
    return QStringLiteral("nvarchar(max)");
}

QJsonValue jsonValue(const QVariant &v, const QString &type)
{
    if (v.isNull())
        return QJsonValue();
    if (type == QLatin1String("datetime"))
        return (v.metaType().id() == QMetaType::QDate ? v.toDate().startOfDay() : v.toDateTime())
            .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
    if (type == QLatin1String("float"))
        return v.toDouble();
    if (type == QLatin1String("bigint"))
        return v.toLongLong();
    return data::variantText(v);
}

} // namespace

QJsonObject tdsResultSet(const data::Recordset &rows)
{
    QJsonArray columns;
    QStringList types;
    for (int c = 0; c < rows.columns().size(); ++c) {
        types.append(columnType(rows.rows(), c));
        columns.append(
            QJsonObject { { QStringLiteral("name"), rows.columns()[c] }, { QStringLiteral("type"), types[c] } });
    }
    QJsonArray values;
    for (const QVariantList &row : rows.rows()) {
        QJsonArray cells;
        for (int c = 0; c < types.size(); ++c)
            cells.append(jsonValue(row.value(c), types[c]));
        values.append(cells);
    }
    return { { QStringLiteral("columns"), columns }, { QStringLiteral("rows"), values } };
}

QJsonArray replayRules(const QList<ExchangeRecorder::Exchange> &exchanges)
{
    QHash<QString, int> seen;
    for (const auto &e : exchanges)
        ++seen[e.wireText];
    QJsonArray rules;
    for (const auto &e : exchanges) {
        QJsonArray respond;
        if (e.rows && !e.rows->columns().isEmpty())
            respond.append(tdsResultSet(*e.rows));
        else
            respond.append(QJsonObject { { QStringLiteral("rowcount"), 1 } });
        QJsonObject rule { { QStringLiteral("match"),
                               QStringLiteral("^") + QRegularExpression::escape(e.wireText) + QStringLiteral("\\Z") },
            { QStringLiteral("respond"), respond } };
        // Repeated statements answer their recordings in turn, the last one for good.
        if (--seen[e.wireText] > 0)
            rule.insert(QStringLiteral("times"), 1);
        rules.append(rule);
    }
    return rules;
}

} // namespace mss::test
