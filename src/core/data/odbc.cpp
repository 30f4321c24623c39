#include "data/odbc.h"

#include "data/placeholders.h"

#include <QAtomicInt>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>

namespace mss::data {

namespace {

QAtomicInt connectionCounter;

QSqlDatabase database(const QString &name)
{
    return QSqlDatabase::database(name, false);
}

// The statement's query timeout, which ODBC counts in whole seconds (0 would mean none).
void setQueryTimeout(const QSqlQuery &query, int ms)
{
    const QVariant handle = query.result()->handle();
    if (handle.metaType() != QMetaType::fromType<SQLHANDLE>())
        return;
    SQLHANDLE stmt = *static_cast<const SQLHANDLE *>(handle.constData());
    if (!stmt)
        return;
    const SQLULEN seconds = SQLULEN(std::max(1, (ms + 999) / 1000));
    // A driver that cannot limit the wait runs the statement with its normal one.
    SQLSetStmtAttr(stmt, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(seconds), 0);
}

// The server's product name as the ODBC driver reports it ("Microsoft SQL Server", "SQLite").
QString dbmsNameOf(const QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    if (handle.metaType() != QMetaType::fromType<SQLHANDLE>())
        return {};
    SQLHANDLE dbc = *static_cast<const SQLHANDLE *>(handle.constData());
    SQLCHAR name[256] = {};
    SQLSMALLINT length = 0;
    if (!dbc || !SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_DBMS_NAME, name, sizeof name, &length)))
        return {};
    return QString::fromUtf8(reinterpret_cast<const char *>(name));
}

// The value bound to a placeholder, whether the caller wrote its name with the ':' or without.
const QVariant *boundValue(const Bindings &bindings, const QString &name)
{
    for (const auto &[given, value] : bindings) {
        const QStringView bare = given.startsWith(QLatin1Char(':')) ? QStringView(given).mid(1) : QStringView(given);
        if (bare.compare(name, Qt::CaseInsensitive) == 0)
            return &value;
    }
    return nullptr;
}

} // namespace

OdbcConnection::OdbcConnection(const QString &connectionString)
    : m_connectionString(connectionString),
      m_name(QStringLiteral("mss-odbc-%1").arg(connectionCounter.fetchAndAddRelaxed(1)))
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC")))
        fail(-1, QStringLiteral("The ODBC driver of Qt (QODBC) is not installed"), QStringLiteral("connect"));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_name);
    db.setDatabaseName(connectionString);
    if (!db.open()) {
        const QSqlError error = db.lastError();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        fail(error, QStringLiteral("connect"));
    }
    static const QRegularExpression databaseKey(
        QStringLiteral(R"((?:^|;)\s*(?:Database|Initial Catalog)\s*=\s*([^;]*))"),
        QRegularExpression::CaseInsensitiveOption);
    m_defaultDatabase = databaseKey.match(connectionString).captured(1).trimmed();
    m_dbmsName = dbmsNameOf(db);
    // The windows write dates as month/day/year texts; how the server reads such a text would
    // otherwise depend on the language of the log-in.
    if (m_dbmsName.contains(QLatin1String("SQL Server"), Qt::CaseInsensitive)) {
        try {
            run(QStringLiteral("SET DATEFORMAT mdy"), nullptr);
        } catch (...) {
            close();
            throw;
        }
    }
}

OdbcConnection::~OdbcConnection()
{
    close();
}

void OdbcConnection::fail(const QSqlError &error, const QString &statement)
{
    // QODBC joins the native codes of all diagnostics with ';'; the first is the one to report.
    bool ok = false;
    const long long number = error.nativeErrorCode().section(QLatin1Char(';'), 0, 0).trimmed().toLongLong(&ok);
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    // "[unixODBC][FreeTDS][SQL Server]message": the bracketed prefix names the source.
    static const QRegularExpression prefix(
        QStringLiteral(R"(^((?:\[[^\]]*\])+)\s*(.*)$)"), QRegularExpression::DotMatchesEverythingOption);
    QString source = QStringLiteral("ODBC");
    if (const auto m = prefix.match(text); m.hasMatch()) {
        source = m.captured(1);
        text = m.captured(2);
    }
    DbErrorInfo info { ok ? number : -1, source,
        QStringLiteral("%1 — in: %2").arg(text, statement.simplified().left(300)) };
    m_errors = { info };
    throw DbError(info);
}

void OdbcConnection::fail(long long number, const QString &message, const QString &statement)
{
    DbErrorInfo info { number, QStringLiteral("ODBC"),
        QStringLiteral("%1 — in: %2").arg(message, statement.left(300)) };
    m_errors = { info };
    throw DbError(info);
}

void OdbcConnection::execute(const QString &statement)
{
    run(statement, nullptr);
}

Recordset OdbcConnection::open(const QString &statement, CursorType, LockType)
{
    return run(statement, nullptr);
}

Recordset OdbcConnection::query(const QString &statement, const Bindings &bindings)
{
    return run(statement, &bindings);
}

Recordset OdbcConnection::run(const QString &statement, const Bindings *bindings)
{
    m_errors.clear();
    QSqlDatabase db = database(m_name);
    if (!db.isOpen())
        fail(3704, QStringLiteral("Operation is not allowed when the connection is closed"), statement);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    bool ok;
    // QODBC makes a new ODBC statement for each text it runs directly, so a query timeout can
    // only be given to a prepared one.
    if ((bindings && !bindings->isEmpty()) || m_lockWaitMs >= 0) {
        // The placeholders become ODBC's own '?', one value per occurrence. Comments are blanked
        // first: Qt would otherwise take a ":Name" in a comment for a placeholder too.
        const PlaceholderScan scan = rewritePlaceholders(
            statement, [](const QString &) { return QStringLiteral("?"); }, true);
        QVariantList values;
        for (const QString &name : scan.names) {
            const QVariant *value = bindings ? boundValue(*bindings, name) : nullptr;
            if (!value)
                fail(-1, QStringLiteral("No value is bound to :%1").arg(name), statement);
            values.append(*value);
        }
        if (!query.prepare(scan.text))
            fail(query.lastError(), statement);
        if (m_lockWaitMs >= 0)
            setQueryTimeout(query, m_lockWaitMs);
        for (const QVariant &value : std::as_const(values))
            query.addBindValue(value);
        ok = query.exec();
    } else {
        ok = query.exec(statement);
    }
    if (!ok)
        fail(query.lastError(), statement);

    // A procedure may send row counts or empty results before the rows the caller wants.
    while (!query.isSelect() && query.nextResult()) { }
    if (query.lastError().isValid())
        fail(query.lastError(), statement);
    if (!query.isSelect())
        return {};
    const QSqlRecord record = query.record();
    QStringList columns;
    for (int i = 0; i < record.count(); ++i)
        columns.append(record.fieldName(i));
    QList<QVariantList> rows;
    while (query.next()) {
        QVariantList row;
        row.reserve(columns.size());
        for (int i = 0; i < columns.size(); ++i)
            row.append(query.isNull(i) ? QVariant() : query.value(i));
        rows.append(std::move(row));
    }
    if (query.lastError().isValid())
        fail(query.lastError(), statement);
    // The results after the rows are read too: an error a procedure raises after its SELECT
    // arrives only there, and the call has failed.
    while (query.nextResult()) { }
    if (query.lastError().isValid())
        fail(query.lastError(), statement);
    return Recordset(columns, rows);
}

void OdbcConnection::beginTrans()
{
    m_errors.clear();
    if (m_inTransaction)
        fail(3251, QStringLiteral("A transaction is already open on this connection"), QStringLiteral("BEGIN"));
    QSqlDatabase db = database(m_name);
    if (!db.transaction())
        fail(db.lastError(), QStringLiteral("BEGIN TRANSACTION"));
    m_inTransaction = true;
}

void OdbcConnection::commitTrans()
{
    m_errors.clear();
    if (!m_inTransaction)
        fail(3251, QStringLiteral("There is no open transaction to commit"), QStringLiteral("COMMIT"));
    QSqlDatabase db = database(m_name);
    m_inTransaction = false;
    if (!db.commit()) {
        const QSqlError error = db.lastError();
        db.rollback(); // a failed commit must not leave the work half-open
        fail(error, QStringLiteral("COMMIT TRANSACTION"));
    }
}

void OdbcConnection::rollbackTrans()
{
    m_errors.clear();
    if (!m_inTransaction)
        fail(3251, QStringLiteral("There is no open transaction to roll back"), QStringLiteral("ROLLBACK"));
    QSqlDatabase db = database(m_name);
    m_inTransaction = false;
    if (!db.rollback())
        fail(db.lastError(), QStringLiteral("ROLLBACK TRANSACTION"));
}

void OdbcConnection::setDefaultDatabase(const QString &name)
{
    // Embedded names are bare words; bracket them so a name can never extend the statement.
    QString bracketed = name;
    bracketed.replace(QLatin1Char(']'), QLatin1String("]]"));
    run(QStringLiteral("USE [%1]").arg(bracketed), nullptr);
    m_defaultDatabase = name;
}

bool OdbcConnection::catalogHas(const QString &database, const QString &name, bool procedure)
{
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (!db.isOpen())
        fail(3704, QStringLiteral("Operation is not allowed when the connection is closed"), QStringLiteral("catalog"));
    const QVariant handle = db.driver()->handle();
    if (handle.metaType() != QMetaType::fromType<SQLHANDLE>())
        return false;
    SQLHANDLE dbc = *static_cast<const SQLHANDLE *>(handle.constData());
    SQLHANDLE stmt = nullptr;
    if (!dbc || !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt)))
        return false;
    QByteArray catalog = database.toUtf8();
    QByteArray object = name.toUtf8();
    QByteArray types("TABLE,VIEW");
    auto *cat = reinterpret_cast<SQLCHAR *>(catalog.data());
    auto *obj = reinterpret_cast<SQLCHAR *>(object.data());
    const SQLRETURN r = procedure
        ? SQLProcedures(stmt, cat, SQL_NTS, nullptr, 0, obj, SQL_NTS)
        : SQLTables(stmt, cat, SQL_NTS, nullptr, 0, obj, SQL_NTS, reinterpret_cast<SQLCHAR *>(types.data()), SQL_NTS);
    // A database the log-in cannot see, like one that does not exist, has none of its objects.
    const bool found = SQL_SUCCEEDED(r) && SQL_SUCCEEDED(SQLFetch(stmt));
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return found;
}

ConnectionState OdbcConnection::state() const
{
    return database(m_name).isOpen() ? ConnectionState::Open : ConnectionState::Closed;
}

void OdbcConnection::close()
{
    if (!QSqlDatabase::contains(m_name))
        return;
    {
        QSqlDatabase db = database(m_name);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_inTransaction = false;
}

} // namespace mss::data
