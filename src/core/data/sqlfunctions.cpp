#include "data/sqlfunctions.h"

#include "data/values.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QString>

#include <sqlite3.h>

namespace mss::data {

namespace {

QString argText(sqlite3_value *v)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(v));
    return text ? QString::fromUtf8(text, sqlite3_value_bytes(v)) : QString();
}

void resultText(sqlite3_context *ctx, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(ctx, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void resultError(sqlite3_context *ctx, const QString &message)
{
    const QByteArray utf8 = message.toUtf8();
    sqlite3_result_error(ctx, utf8.constData(), int(utf8.size()));
}

QString isoText(const QDateTime &dt)
{
    return dt.time() == QTime(0, 0) ? dt.date().toString(QStringLiteral("yyyy-MM-dd"))
                                    : dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// Reads a date argument; sets the error and returns nothing when it is not a date. Null and
// empty text also return nothing but leave the result null.
std::optional<QDateTime> dateArg(sqlite3_context *ctx, sqlite3_value *v)
{
    if (sqlite3_value_type(v) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return std::nullopt;
    }
    const QString text = argText(v);
    if (text.trimmed().isEmpty()) {
        sqlite3_result_null(ctx);
        return std::nullopt;
    }
    auto dt = parseDateTime(text);
    if (!dt)
        resultError(ctx, QStringLiteral("\"%1\" is not a date").arg(text.left(60)));
    return dt;
}

void mssError(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    resultError(ctx, argText(argv[0]));
}

void mssVisible(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        sqlite3_result_null(ctx);
    else
        resultText(ctx, visibleText(argText(argv[0])));
}

void mssDate(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (auto dt = dateArg(ctx, argv[0]))
        resultText(ctx, isoText(*dt));
}

void mssLeftRight(sqlite3_context *ctx, int, sqlite3_value **argv, bool left)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString text = argText(argv[0]);
    const int count = std::max(0, sqlite3_value_int(argv[1]));
    resultText(ctx, left ? text.left(count) : text.right(count));
}

void mssLeft(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    mssLeftRight(ctx, argc, argv, true);
}

void mssRight(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    mssLeftRight(ctx, argc, argv, false);
}

void len(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    QString text = argText(argv[0]);
    while (!text.isEmpty() && text.back() == QLatin1Char(' '))
        text.chop(1);
    sqlite3_result_int(ctx, int(text.size()));
}

void getdate(sqlite3_context *ctx, int, sqlite3_value **)
{
    resultText(ctx, QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

template <int Part> void datePart(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (auto dt = dateArg(ctx, argv[0])) {
        const QDate d = dt->date();
        sqlite3_result_int(ctx, Part == 0 ? d.year() : Part == 1 ? d.month() : d.day());
    }
}

// The text form of a date in one of CONVERT's styles; empty for a style the program never uses.
QString dateStyleFormat(int style)
{
    switch (style) {
    case 101:
        return QStringLiteral("MM/dd/yyyy");
    case 1:
        return QStringLiteral("MM/dd/yy");
    case 103:
        return QStringLiteral("dd/MM/yyyy");
    case 108:
        return QStringLiteral("HH:mm:ss");
    case 112:
        return QStringLiteral("yyyyMMdd");
    case 120:
        return QStringLiteral("yyyy-MM-dd HH:mm:ss");
    case 121:
        return QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz");
    default:
        return {};
    }
}

// CONVERT(type, value[, style]) for the types and styles the program's statements use.
void mssConvert(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    sqlite3_value *value = argv[1];
    if (sqlite3_value_type(value) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    static const QRegularExpression typePattern(
        QStringLiteral(R"(^\s*(\w+)\s*(?:\(\s*(\d+|max)\s*(?:,\s*\d+\s*)?\))?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QString typeText = argText(argv[0]);
    const auto m = typePattern.match(typeText);
    if (!m.hasMatch()) {
        resultError(ctx, QStringLiteral("CONVERT: unknown type \"%1\"").arg(typeText));
        return;
    }
    const QString type = m.captured(1).toLower();
    const int length
        = m.captured(2).isEmpty() || m.captured(2).toLower() == QLatin1String("max") ? -1 : m.captured(2).toInt();
    const int style = argc > 2 && sqlite3_value_type(argv[2]) != SQLITE_NULL ? sqlite3_value_int(argv[2]) : -1;

    if (type.endsWith(QLatin1String("char")) || type == QLatin1String("text") || type == QLatin1String("ntext")) {
        QString text;
        if (style >= 0 && sqlite3_value_type(value) == SQLITE_TEXT) {
            auto dt = dateArg(ctx, value);
            if (!dt)
                return;
            const QString format = dateStyleFormat(style);
            if (format.isEmpty()) {
                resultError(ctx, QStringLiteral("CONVERT: style %1 is not supported").arg(style));
                return;
            }
            text = dt->toString(format);
        } else if (sqlite3_value_type(value) == SQLITE_FLOAT) {
            text = shortestText(sqlite3_value_double(value));
        } else {
            text = argText(value);
        }
        resultText(ctx, length >= 0 ? text.left(length) : text);
    } else if (type.contains(QLatin1String("date")) || type == QLatin1String("smalldatetime")) {
        if (auto dt = dateArg(ctx, value))
            resultText(
                ctx, type == QLatin1String("date") ? dt->date().toString(QStringLiteral("yyyy-MM-dd")) : isoText(*dt));
    } else if (type.endsWith(QLatin1String("int")) || type == QLatin1String("bit")) {
        bool ok = true;
        const qlonglong n = sqlite3_value_type(value) == SQLITE_TEXT ? argText(value).trimmed().toLongLong(&ok)
                                                                     : sqlite3_value_int64(value);
        if (!ok) {
            resultError(
                ctx, QStringLiteral("Conversion failed when converting \"%1\" to %2").arg(argText(value), type));
            return;
        }
        sqlite3_result_int64(ctx, type == QLatin1String("bit") ? (n != 0) : n);
    } else if (type == QLatin1String("decimal") || type == QLatin1String("numeric") || type == QLatin1String("money")
        || type == QLatin1String("float") || type == QLatin1String("real")) {
        bool ok = true;
        const double d = sqlite3_value_type(value) == SQLITE_TEXT ? argText(value).trimmed().toDouble(&ok)
                                                                  : sqlite3_value_double(value);
        if (!ok) {
            resultError(
                ctx, QStringLiteral("Conversion failed when converting \"%1\" to %2").arg(argText(value), type));
            return;
        }
        sqlite3_result_double(ctx, d);
    } else {
        resultError(ctx, QStringLiteral("CONVERT: type \"%1\" is not supported").arg(typeText));
    }
}

} // namespace

void registerSqlFunctions(sqlite3 *db)
{
    constexpr int deterministic = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function_v2(db, "mss_error", 1, SQLITE_UTF8, nullptr, mssError, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "mss_date", 1, deterministic, nullptr, mssDate, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "mss_visible", 1, deterministic, nullptr, mssVisible, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "mss_left", 2, deterministic, nullptr, mssLeft, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "mss_right", 2, deterministic, nullptr, mssRight, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "mss_convert", 2, deterministic, nullptr, mssConvert, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "mss_convert", 3, deterministic, nullptr, mssConvert, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "len", 1, deterministic, nullptr, len, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "getdate", 0, SQLITE_UTF8, nullptr, getdate, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "year", 1, deterministic, nullptr, datePart<0>, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "month", 1, deterministic, nullptr, datePart<1>, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "day", 1, deterministic, nullptr, datePart<2>, nullptr, nullptr, nullptr);
}

} // namespace mss::data
