#pragma once

#include "data/connection.h"

class QSqlError;

namespace mss::data {

// The hospital's SQL Server through ODBC (unixODBC with FreeTDS or the vendor's driver).
// Statements go to the server verbatim; ODBC diagnostics become DbErrors. Every result of a
// statement is read, so an error a procedure raises after its rows fails the call.
class OdbcConnection final : public Connection {
public:
    explicit OdbcConnection(const QString &connectionString);
    ~OdbcConnection() override;

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

private:
    Recordset run(const QString &statement, const Bindings *bindings);
    [[noreturn]] void fail(const QSqlError &error, const QString &statement);
    [[noreturn]] void fail(long long number, const QString &message, const QString &statement);

    QString m_connectionString;
    QString m_name; // QSqlDatabase connection name, unique per object
    QString m_defaultDatabase;
    QString m_dbmsName;
    bool m_inTransaction = false;
    QList<DbErrorInfo> m_errors;
    int m_lockWaitMs = -1; // the server's own wait
};

} // namespace mss::data
