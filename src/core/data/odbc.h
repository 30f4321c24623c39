#pragma once

#include "data/connection.h"

namespace mss::data {

// The hospital's SQL Server through ODBC (unixODBC with FreeTDS or the vendor's driver), on the
// ODBC C API itself: values of any length are read in pieces, every connection has a log-on
// time limit and a statement time limit, and a link that drops is noticed and made again.
//
// Statements go to the server verbatim; ODBC diagnostics become DbErrors. Every result of a
// statement is read, so an error a procedure raises after its rows fails the call.
//
// The connection string takes two keys of the program's own, taken out before the driver sees
// it: LoginTimeout (seconds, 15 by default) and QueryTimeout (seconds, 30 by default).
class OdbcConnection final : public Connection {
public:
    explicit OdbcConnection(const QString &connectionString);
    ~OdbcConnection() override;
    OdbcConnection(const OdbcConnection &) = delete;
    OdbcConnection &operator=(const OdbcConnection &) = delete;

    void execute(const QString &statement) override;
    Recordset open(
        const QString &statement, CursorType cursor = CursorType::Dynamic, LockType lock = LockType::ReadOnly) override;
    Recordset query(const QString &statement, const Bindings &bindings = {}) override;

    void beginTrans() override;
    void commitTrans() override;
    void rollbackTrans() override;
    bool inTransaction() const override { return m_inTransaction; }

    QList<DbErrorInfo> errors() const override { return m_errors; }
    void clearErrors() override { m_errors.clear(); }

    QString connectionString() const override { return m_connectionString; }
    QString defaultDatabase() const override { return m_defaultDatabase; }
    void setDefaultDatabase(const QString &name) override;
    ConnectionState state() const override;
    void close() override;
    QString driverName() const override { return QStringLiteral("ODBC"); }
    // The server's product as its ODBC driver names it, e.g. "Microsoft SQL Server".
    QString dbmsName() const { return m_dbmsName; }
    // Whether the driver's catalog lists the table or view (or the procedure) in that database.
    bool catalogHas(const QString &database, const QString &name, bool procedure);
    int lockWaitMs() const override { return m_lockWaitMs; }
    void setLockWaitMs(int ms) override { m_lockWaitMs = ms; }

    // The limits in force, in seconds.
    int loginTimeoutSeconds() const { return m_loginTimeoutSeconds; }
    int queryTimeoutSeconds() const { return m_queryTimeoutSeconds; }
    // True after the link to the server dropped, until the next statement connects again.
    bool linkLost() const { return m_linkLost; }

private:
    struct Statement;

    void connect();
    void disconnect();
    Recordset run(const QString &statement, const Bindings *bindings);
    Recordset runOnce(const QString &statement, const Bindings *bindings);
    Recordset readRows(void *statement, short columnCount, const QString &text, int limitSeconds);
    void checkWarnings(short result, void *statement, const QString &text);
    QVariant readValue(void *statement, unsigned short column, short type, const QString &text, int limitSeconds);
    bool isSqlServer() const;
    void setAutoCommit(bool on, const QString &statement);
    // Raises the diagnostics of a failed call on the handle as a DbError, in words for a user
    // where the cause is the link or a time limit.
    [[noreturn]] void failOn(short handleType, void *handle, const QString &statement, int limitSeconds = 0);
    [[noreturn]] void fail(long long number, const QString &message, const QString &statement);
    void noteLinkState();
    void requireConnection(const QString &statement);

    QString m_connectionString; // as given, password included: the session connects again with it
    QString m_defaultDatabase;
    QString m_dbmsName;
    void *m_env = nullptr;
    void *m_dbc = nullptr;
    bool m_connected = false;
    bool m_linkLost = false;
    bool m_inTransaction = false;
    QList<DbErrorInfo> m_errors;
    int m_lockWaitMs = -1; // the statement time limit
    int m_loginTimeoutSeconds = 15;
    int m_queryTimeoutSeconds = 30;
};

} // namespace mss::data
