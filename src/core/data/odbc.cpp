#include "data/odbc.h"

#include "data/connectionstring.h"
#include "data/placeholders.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QTime>

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <odbcinst.h>

#include <algorithm>
#include <deque>
#include <optional>
#include <vector>

namespace mss::data {

namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC's wide characters are UTF-16 code units");

const QString kLinkLost = QStringLiteral("The connection to the hospital's server was lost.");

std::vector<SQLWCHAR> wide(const QString &text)
{
    std::vector<SQLWCHAR> units(size_t(text.size()) + 1, 0);
    std::copy_n(reinterpret_cast<const SQLWCHAR *>(text.utf16()), text.size(), units.begin());
    return units;
}

QString fromWide(const SQLWCHAR *units, qsizetype count)
{
    return QString(reinterpret_cast<const QChar *>(units), count);
}

struct Diagnostic {
    QString state;
    long long native = 0;
    QString message;
};

QList<Diagnostic> diagnosticsOf(SQLSMALLINT handleType, SQLHANDLE handle)
{
    QList<Diagnostic> found;
    if (!handle)
        return found;
    for (SQLSMALLINT record = 1; record <= 32; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLWCHAR message[2048] = {};
        SQLSMALLINT length = 0;
        const SQLRETURN r = SQLGetDiagRecW(
            handleType, handle, record, state, &native, message, SQLSMALLINT(std::size(message)), &length);
        if (!SQL_SUCCEEDED(r))
            break;
        found.append({ fromWide(state, 5), native,
            fromWide(message, std::clamp<qsizetype>(length, 0, qsizetype(std::size(message)) - 1)) });
    }
    return found;
}

// FreeTDS's own number for a link that ended under it ("Unexpected EOF from the server"); it
// may come as a mere warning after rows that did arrive.
constexpr long long kFreeTdsUnexpectedEof = 20017;

bool isLinkFailure(const Diagnostic &d)
{
    // 08xxx: connection exceptions (link failure, connection not open, server rejected it).
    return d.state.startsWith(QLatin1String("08")) || d.native == kFreeTdsUnexpectedEof;
}

bool isTimeoutState(const QString &state)
{
    return state == QLatin1String("HYT00") || state == QLatin1String("HYT01");
}

// The driver a connection string names, directly or through its data source.
QString driverOf(const QString &connectionString)
{
    QString driver = connectionValue(connectionString, QStringLiteral("Driver"));
    const QString dsn = connectionValue(connectionString, QStringLiteral("DSN"));
    if (driver.isEmpty() && !dsn.isEmpty()) {
        char buffer[512] = {};
        SQLGetPrivateProfileString(dsn.toUtf8().constData(), "Driver", "", buffer, sizeof buffer, "odbc.ini");
        driver = QString::fromUtf8(buffer);
    }
    return driver;
}

BraceGrammar braceGrammarOf(const QString &connectionString)
{
    // Debian 12 ships FreeTDS 1.3, whose parser predates the ODBC brace grammar.
    const QString driver = driverOf(connectionString);
    return driver.contains(QLatin1String("FreeTDS"), Qt::CaseInsensitive)
            || driver.contains(QLatin1String("tdsodbc"), Qt::CaseInsensitive)
        ? BraceGrammar::FreeTdsBefore14
        : BraceGrammar::Odbc;
}

// Embedded names are bare words; bracket them so a name can never extend the statement.
QString useStatement(const QString &database)
{
    QString bracketed = database;
    bracketed.replace(QLatin1Char(']'), QLatin1String("]]"));
    return QStringLiteral("USE [%1]").arg(bracketed);
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

// A bound value's buffer, which must stay where it is until the statement has run.
struct Parameter {
    std::vector<SQLWCHAR> text;
    SQLBIGINT integer = 0;
    double real = 0;
    SQL_TIMESTAMP_STRUCT timestamp {};
    SQLLEN indicator = 0;
};

SQL_TIMESTAMP_STRUCT timestampOf(const QDateTime &dt)
{
    SQL_TIMESTAMP_STRUCT ts {};
    ts.year = SQLSMALLINT(dt.date().year());
    ts.month = SQLUSMALLINT(dt.date().month());
    ts.day = SQLUSMALLINT(dt.date().day());
    ts.hour = SQLUSMALLINT(dt.time().hour());
    ts.minute = SQLUSMALLINT(dt.time().minute());
    ts.second = SQLUSMALLINT(dt.time().second());
    ts.fraction = SQLUINTEGER(dt.time().msec()) * 1000000u;
    return ts;
}

SQLRETURN bindParameter(SQLHSTMT stmt, SQLUSMALLINT number, const QVariant &value, Parameter &p)
{
    if (value.isNull()) {
        p.indicator = SQL_NULL_DATA;
        return SQLBindParameter(
            stmt, number, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 1, 0, nullptr, 0, &p.indicator);
    }
    switch (value.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
        p.integer = value.toLongLong();
        return SQLBindParameter(
            stmt, number, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &p.integer, 0, &p.indicator);
    case QMetaType::Double:
    case QMetaType::Float:
        p.real = value.toDouble();
        return SQLBindParameter(
            stmt, number, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, &p.real, 0, &p.indicator);
    case QMetaType::QDate:
    case QMetaType::QDateTime:
        p.timestamp
            = timestampOf(value.metaType().id() == QMetaType::QDate ? value.toDate().startOfDay() : value.toDateTime());
        return SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 23, 3,
            &p.timestamp, 0, &p.indicator);
    default: {
        const QString text = value.toString();
        p.text = wide(text);
        p.indicator = SQLLEN(text.size()) * SQLLEN(sizeof(SQLWCHAR));
        return SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR,
            SQLULEN(std::max<qsizetype>(1, text.size())), 0, p.text.data(), p.indicator, &p.indicator);
    }
    }
}

} // namespace

struct OdbcConnection::Statement {
    SQLHSTMT handle = nullptr;
    Statement() = default;
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    ~Statement()
    {
        if (handle)
            SQLFreeHandle(SQL_HANDLE_STMT, handle);
    }
};

OdbcConnection::OdbcConnection(const QString &connectionString) : m_connectionString(connectionString)
{
    static const QRegularExpression databaseKey(
        QStringLiteral(R"((?:^|;)\s*(?:Database|Initial Catalog)\s*=\s*([^;]*))"),
        QRegularExpression::CaseInsensitiveOption);
    m_defaultDatabase = databaseKey.match(connectionString).captured(1).trimmed();
    connect();
}

OdbcConnection::~OdbcConnection()
{
    close();
}

void OdbcConnection::connect()
{
    disconnect();
    const DriverConnection driver = driverConnection(m_connectionString, braceGrammarOf(m_connectionString));
    m_loginTimeoutSeconds = driver.loginTimeoutSeconds;
    m_queryTimeoutSeconds = driver.queryTimeoutSeconds;
    const QString what = QStringLiteral("connect");
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env)))
        fail(-1, QStringLiteral("The ODBC driver manager (unixODBC) could not be started"), what);
    SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc)))
        failOn(SQL_HANDLE_ENV, m_env, what);
    // Without it a server that takes the connection and never answers holds the log-on for good.
    SQLSetConnectAttr(m_dbc, SQL_ATTR_LOGIN_TIMEOUT,
        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(m_loginTimeoutSeconds)), SQL_IS_UINTEGER);
    std::vector<SQLWCHAR> text = wide(driver.text);
    const SQLRETURN r
        = SQLDriverConnectW(m_dbc, nullptr, text.data(), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    std::fill(text.begin(), text.end(), SQLWCHAR(0)); // the password leaves this buffer at once
    if (!SQL_SUCCEEDED(r)) {
        const QList<Diagnostic> diagnostics = diagnosticsOf(SQL_HANDLE_DBC, m_dbc);
        const bool timedOut = std::any_of(
            diagnostics.begin(), diagnostics.end(), [](const Diagnostic &d) { return isTimeoutState(d.state); });
        if (timedOut) {
            disconnect();
            fail(-2,
                QStringLiteral("The hospital's server did not answer the log-on within %1 seconds.")
                    .arg(m_loginTimeoutSeconds),
                what);
        }
        failOn(SQL_HANDLE_DBC, m_dbc, what);
    }
    m_connected = true;
    m_linkLost = false;

    // The product's name is ASCII; some drivers' wide variant of this call answers something else.
    SQLCHAR name[256] = {};
    SQLSMALLINT length = 0;
    if (SQL_SUCCEEDED(SQLGetInfo(m_dbc, SQL_DBMS_NAME, name, sizeof name, &length)))
        m_dbmsName = QString::fromLatin1(reinterpret_cast<const char *>(name));

    // The windows write dates as month/day/year texts; how the server reads such a text would
    // otherwise depend on the language of the log-in. A link made again returns to the session's
    // default database in the same round trip.
    if (isSqlServer()) {
        QString setUp = QStringLiteral("SET DATEFORMAT mdy");
        if (!m_defaultDatabase.isEmpty())
            setUp += QLatin1Char(';') + useStatement(m_defaultDatabase);
        try {
            runOnce(setUp, nullptr);
        } catch (...) {
            disconnect();
            throw;
        }
    }
}

void OdbcConnection::disconnect()
{
    if (m_dbc) {
        if (m_connected)
            SQLDisconnect(m_dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
        m_dbc = nullptr;
    }
    if (m_env) {
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
        m_env = nullptr;
    }
    m_connected = false;
}

bool OdbcConnection::isSqlServer() const
{
    return m_dbmsName.contains(QLatin1String("SQL Server"), Qt::CaseInsensitive);
}

void OdbcConnection::fail(long long number, const QString &message, const QString &statement)
{
    // The statement may hold a patient's data: it travels beside the description, for IT.
    DbErrorInfo info { number, QStringLiteral("ODBC"), message };
    m_errors = { info };
    throw DbError(info, statement.simplified());
}

void OdbcConnection::requireConnection(const QString &statement)
{
    if (!m_connected)
        fail(3704, QStringLiteral("Operation is not allowed when the connection is closed"), statement);
}

void OdbcConnection::noteLinkState()
{
    if (!m_dbc || !m_connected)
        return;
    SQLUINTEGER dead = SQL_CD_FALSE;
    if (SQL_SUCCEEDED(SQLGetConnectAttr(m_dbc, SQL_ATTR_CONNECTION_DEAD, &dead, SQL_IS_UINTEGER, nullptr))
        && dead == SQL_CD_TRUE)
        m_linkLost = true;
}

void OdbcConnection::failOn(short handleType, void *handle, const QString &statement, int limitSeconds)
{
    const QList<Diagnostic> diagnostics = diagnosticsOf(handleType, handle);
    // Warnings ("01…") may come before the error that failed the call.
    auto first = std::find_if(diagnostics.begin(), diagnostics.end(),
        [](const Diagnostic &d) { return !d.state.startsWith(QLatin1String("01")) || isLinkFailure(d); });
    if (first == diagnostics.end())
        first = diagnostics.begin();
    if (first == diagnostics.end())
        fail(-1, QStringLiteral("The ODBC driver reported a failure without saying why"), statement);

    const bool linkFailure = std::any_of(diagnostics.begin(), diagnostics.end(), isLinkFailure);
    const bool timedOut = std::any_of(
        diagnostics.begin(), diagnostics.end(), [](const Diagnostic &d) { return isTimeoutState(d.state); });
    if (m_connected && (linkFailure || timedOut))
        noteLinkState();
    if (m_connected && linkFailure)
        m_linkLost = true;

    // "[unixODBC][FreeTDS][SQL Server]message": the bracketed prefix names the source.
    static const QRegularExpression prefix(
        QStringLiteral(R"(^((?:\[[^\]]*\])+)\s*(.*)$)"), QRegularExpression::DotMatchesEverythingOption);
    QString source = QStringLiteral("ODBC");
    QString text = first->message.trimmed();
    if (const auto m = prefix.match(text); m.hasMatch()) {
        source = m.captured(1);
        text = m.captured(2);
    }
    if (timedOut && limitSeconds > 0)
        text = QStringLiteral("The hospital's server did not answer within %1 seconds.").arg(limitSeconds);
    if (m_linkLost)
        text = m_inTransaction ? kLinkLost + QStringLiteral(" What was being saved was not saved. (%1)").arg(text)
                               : kLinkLost + QStringLiteral(" The next command connects again. (%1)").arg(text);
    DbErrorInfo info { first->native != 0 ? first->native : -1, source, text };
    m_errors = { info };
    throw DbError(info, statement.simplified());
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
    requireConnection(statement);
    if (m_linkLost) {
        // A transaction died with its link: what it wrote is gone, and statements meant for it
        // must not run on their own on a new link.
        if (m_inTransaction)
            fail(-3, kLinkLost + QStringLiteral(" What was being saved was not saved."), statement);
        connect();
    }
    return runOnce(statement, bindings);
}

Recordset OdbcConnection::runOnce(const QString &statement, const Bindings *bindings)
{
    Statement stmt;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &stmt.handle))) {
        noteLinkState();
        failOn(SQL_HANDLE_DBC, m_dbc, statement);
    }
    const int limit = m_lockWaitMs >= 0 ? std::max(1, (m_lockWaitMs + 999) / 1000) : m_queryTimeoutSeconds;
    // A driver that cannot limit the wait runs the statement with its normal one.
    SQLSetStmtAttr(stmt.handle, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(limit)), 0);

    QString text = statement;
    std::deque<Parameter> parameters; // a deque keeps each buffer where the driver was told it is
    if (bindings) {
        // The placeholders become ODBC's own '?', one value per occurrence. Comments are blanked
        // first, so a ":Name" in a comment is left alone.
        const PlaceholderScan scan = rewritePlaceholders(
            statement, [](const QString &) { return QStringLiteral("?"); }, true);
        if (!scan.names.isEmpty())
            text = scan.text;
        for (const QString &name : scan.names) {
            const QVariant *value = boundValue(*bindings, name);
            if (!value)
                fail(-1, QStringLiteral("No value is bound to :%1").arg(name), statement);
            Parameter &p = parameters.emplace_back();
            if (!SQL_SUCCEEDED(bindParameter(stmt.handle, SQLUSMALLINT(parameters.size()), *value, p)))
                failOn(SQL_HANDLE_STMT, stmt.handle, statement);
        }
    }

    std::vector<SQLWCHAR> wideText = wide(text);
    SQLRETURN r = SQLExecDirectW(stmt.handle, wideText.data(), SQL_NTS);
    if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA)
        failOn(SQL_HANDLE_STMT, stmt.handle, statement, limit);
    checkWarnings(r, stmt.handle, statement);

    // A procedure may send row counts or empty results before the rows the caller wants; the
    // results after them are read too, since an error raised after a SELECT arrives only there.
    Recordset result;
    bool haveRows = false;
    for (;;) {
        SQLSMALLINT columnCount = 0;
        if (r != SQL_NO_DATA && !SQL_SUCCEEDED(SQLNumResultCols(stmt.handle, &columnCount)))
            failOn(SQL_HANDLE_STMT, stmt.handle, statement, limit);
        if (columnCount > 0 && !haveRows) {
            haveRows = true;
            result = readRows(stmt.handle, columnCount, statement, limit);
        }
        r = SQLMoreResults(stmt.handle);
        if (r == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(r))
            failOn(SQL_HANDLE_STMT, stmt.handle, statement, limit);
        checkWarnings(r, stmt.handle, statement);
    }
    return result;
}

// The rows of the result the statement is at, to its end.
Recordset OdbcConnection::readRows(void *stmt, short columnCount, const QString &statement, int limit)
{
    QStringList names;
    QList<SQLSMALLINT> types;
    for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(columnCount); ++c) {
        SQLWCHAR name[256] = {};
        SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        if (!SQL_SUCCEEDED(SQLDescribeColW(
                stmt, c, name, SQLSMALLINT(std::size(name)), &nameLength, &type, &size, &digits, &nullable)))
            failOn(SQL_HANDLE_STMT, stmt, statement, limit);
        names.append(fromWide(name, std::clamp<qsizetype>(nameLength, 0, 255)));
        types.append(type);
    }
    QList<QVariantList> rows;
    for (;;) {
        const SQLRETURN r = SQLFetch(stmt);
        if (r == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(r))
            failOn(SQL_HANDLE_STMT, stmt, statement, limit);
        checkWarnings(r, stmt, statement);
        QVariantList row;
        row.reserve(columnCount);
        for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(columnCount); ++c)
            row.append(readValue(stmt, c, types[c - 1], statement, limit));
        rows.append(std::move(row));
    }
    return Recordset(names, std::move(rows));
}

void OdbcConnection::checkWarnings(SQLRETURN result, void *stmt, const QString &statement)
{
    // A link that ends after the rows arrived is only a warning to the driver, but the rest of
    // what the statement sent (an error, the procedure's end) is lost with it.
    if (result != SQL_SUCCESS_WITH_INFO)
        return;
    const QList<Diagnostic> diagnostics = diagnosticsOf(SQL_HANDLE_STMT, stmt);
    if (std::any_of(diagnostics.begin(), diagnostics.end(), isLinkFailure))
        failOn(SQL_HANDLE_STMT, stmt, statement);
}

namespace {

// A long binary value, read in pieces; nothing when it is NULL.
template <typename Check>
std::optional<QByteArray> readBinaryPieces(SQLHSTMT stmt, SQLUSMALLINT column, SQLLEN &indicator, const Check &check)
{
    QByteArray bytes;
    char buffer[8192];
    for (;;) {
        const SQLRETURN r = SQLGetData(stmt, column, SQL_C_BINARY, buffer, sizeof buffer, &indicator);
        if (r == SQL_NO_DATA)
            break;
        if (!check(r))
            return std::nullopt;
        const bool more = indicator == SQL_NO_TOTAL || indicator > SQLLEN(sizeof buffer);
        bytes.append(buffer, more ? qsizetype(sizeof buffer) : qsizetype(indicator));
        if (!more)
            break;
    }
    return bytes;
}

// Text of any length, (max) and text columns included, read in pieces as UTF-16; nothing when
// it is NULL.
template <typename Check>
std::optional<QString> readTextPieces(SQLHSTMT stmt, SQLUSMALLINT column, SQLLEN &indicator, const Check &check)
{
    QString text(0, Qt::Uninitialized);
    SQLWCHAR buffer[4096];
    constexpr SQLLEN bufferBytes = SQLLEN(sizeof buffer);
    for (;;) {
        const SQLRETURN r = SQLGetData(stmt, column, SQL_C_WCHAR, buffer, bufferBytes, &indicator);
        if (r == SQL_NO_DATA)
            break;
        if (!check(r))
            return std::nullopt;
        const bool more = indicator == SQL_NO_TOTAL || indicator > bufferBytes - SQLLEN(sizeof(SQLWCHAR));
        const qsizetype units
            = more ? qsizetype(std::size(buffer)) - 1 : qsizetype(indicator / SQLLEN(sizeof(SQLWCHAR)));
        text.append(fromWide(buffer, units));
        if (!more)
            break;
    }
    return text;
}

} // namespace

QVariant OdbcConnection::readValue(
    void *stmtHandle, unsigned short column, short type, const QString &statement, int limit)
{
    SQLHSTMT stmt = stmtHandle;
    SQLLEN indicator = 0;
    const auto check = [&](SQLRETURN r) {
        if (!SQL_SUCCEEDED(r))
            failOn(SQL_HANDLE_STMT, stmt, statement, limit);
        return indicator != SQL_NULL_DATA;
    };
    switch (type) {
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER: {
        SQLINTEGER v = 0;
        return check(SQLGetData(stmt, column, SQL_C_SLONG, &v, 0, &indicator)) ? QVariant(int(v)) : QVariant();
    }
    case SQL_BIGINT: {
        SQLBIGINT v = 0;
        return check(SQLGetData(stmt, column, SQL_C_SBIGINT, &v, 0, &indicator)) ? QVariant(qlonglong(v)) : QVariant();
    }
    case SQL_DECIMAL:
    case SQL_NUMERIC:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE: {
        double v = 0;
        return check(SQLGetData(stmt, column, SQL_C_DOUBLE, &v, 0, &indicator)) ? QVariant(v) : QVariant();
    }
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP: {
        SQL_TIMESTAMP_STRUCT ts {};
        if (!check(SQLGetData(stmt, column, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &indicator)))
            return {};
        return QDateTime(
            QDate(ts.year, ts.month, ts.day), QTime(ts.hour, ts.minute, ts.second, int(ts.fraction / 1000000u)));
    }
    case SQL_TYPE_DATE:
    case SQL_DATE: {
        SQL_DATE_STRUCT d {};
        return check(SQLGetData(stmt, column, SQL_C_TYPE_DATE, &d, sizeof d, &indicator))
            ? QVariant(QDate(d.year, d.month, d.day))
            : QVariant();
    }
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: {
        const std::optional<QByteArray> bytes = readBinaryPieces(stmt, column, indicator, check);
        return bytes ? QVariant(*bytes) : QVariant();
    }
    default: {
        const std::optional<QString> text = readTextPieces(stmt, column, indicator, check);
        return text ? QVariant(*text) : QVariant();
    }
    }
}

void OdbcConnection::setAutoCommit(bool on, const QString &statement)
{
    const SQLRETURN r = SQLSetConnectAttr(m_dbc, SQL_ATTR_AUTOCOMMIT,
        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)),
        SQL_IS_UINTEGER);
    if (!SQL_SUCCEEDED(r))
        failOn(SQL_HANDLE_DBC, m_dbc, statement);
}

void OdbcConnection::beginTrans()
{
    m_errors.clear();
    if (m_inTransaction)
        fail(3251, QStringLiteral("A transaction is already open on this connection"), QStringLiteral("BEGIN"));
    requireConnection(QStringLiteral("BEGIN"));
    if (m_linkLost)
        connect();
    // On SQL Server the transaction is the server's own, one round trip to open and one to end.
    // The driver's way (autocommit off, then on again) costs FreeTDS a third, a rollback after
    // every commit.
    if (isSqlServer())
        runOnce(QStringLiteral("BEGIN TRANSACTION"), nullptr);
    else
        setAutoCommit(false, QStringLiteral("BEGIN"));
    m_inTransaction = true;
}

void OdbcConnection::commitTrans()
{
    m_errors.clear();
    if (!m_inTransaction)
        fail(3251, QStringLiteral("There is no open transaction to commit"), QStringLiteral("COMMIT"));
    if (m_linkLost) {
        m_inTransaction = false;
        fail(-3, kLinkLost + QStringLiteral(" What was being saved was not saved."), QStringLiteral("COMMIT"));
    }
    try {
        if (isSqlServer()) {
            runOnce(QStringLiteral("COMMIT TRANSACTION"), nullptr);
        } else {
            if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, m_dbc, SQL_COMMIT)))
                failOn(SQL_HANDLE_DBC, m_dbc, QStringLiteral("COMMIT"));
            setAutoCommit(true, QStringLiteral("COMMIT"));
        }
    } catch (const DbError &) {
        // A failed commit must not leave the work half-open.
        const QList<DbErrorInfo> errors = m_errors;
        try {
            rollbackTrans();
        } catch (const DbError &) {
        }
        m_errors = errors;
        throw;
    }
    m_inTransaction = false;
}

void OdbcConnection::rollbackTrans()
{
    m_errors.clear();
    if (!m_inTransaction)
        fail(3251, QStringLiteral("There is no open transaction to roll back"), QStringLiteral("ROLLBACK"));
    m_inTransaction = false;
    // With the link gone the server has already thrown the transaction away.
    if (m_linkLost || !m_connected)
        return;
    if (isSqlServer()) {
        // The server may have ended it itself (a deadlock victim, XACT_ABORT).
        runOnce(QStringLiteral("IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION"), nullptr);
    } else {
        const SQLRETURN r = SQLEndTran(SQL_HANDLE_DBC, m_dbc, SQL_ROLLBACK);
        setAutoCommit(true, QStringLiteral("ROLLBACK"));
        if (!SQL_SUCCEEDED(r))
            failOn(SQL_HANDLE_DBC, m_dbc, QStringLiteral("ROLLBACK"));
    }
}

void OdbcConnection::setDefaultDatabase(const QString &name)
{
    run(useStatement(name), nullptr);
    m_defaultDatabase = name;
}

bool OdbcConnection::catalogHas(const QString &database, const QString &name, bool procedure)
{
    requireConnection(QStringLiteral("catalog"));
    if (m_linkLost)
        connect();
    Statement stmt;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &stmt.handle)))
        return false;
    std::vector<SQLWCHAR> catalog = wide(database);
    std::vector<SQLWCHAR> object = wide(name);
    std::vector<SQLWCHAR> types = wide(QStringLiteral("TABLE,VIEW"));
    const SQLRETURN r = procedure
        ? SQLProceduresW(stmt.handle, catalog.data(), SQL_NTS, nullptr, 0, object.data(), SQL_NTS)
        : SQLTablesW(stmt.handle, catalog.data(), SQL_NTS, nullptr, 0, object.data(), SQL_NTS, types.data(), SQL_NTS);
    // A database the log-in cannot see, like one that does not exist, has none of its objects.
    return SQL_SUCCEEDED(r) && SQL_SUCCEEDED(SQLFetch(stmt.handle));
}

ConnectionState OdbcConnection::state() const
{
    // A dropped link is still the session's connection: the next statement makes it again.
    return m_connected ? ConnectionState::Open : ConnectionState::Closed;
}

void OdbcConnection::close()
{
    disconnect();
    m_inTransaction = false;
    m_linkLost = false;
}

} // namespace mss::data
