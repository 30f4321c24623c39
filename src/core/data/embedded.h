#pragma once

#include "data/connection.h"
#include "data/tsql.h"

#include <QElapsedTimer>
#include <QHash>
#include <QStringList>

#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace mss::data {

// The four hospital databases of the embedded stand-in, in the order they are attached.
// MSS is the main file, so unqualified names resolve there first.
const QStringList &embeddedDatabaseNames();
QString embeddedDatabaseFile(const QString &folder, const QString &database);

struct EmbeddedOptions {
    bool create = false; // create missing database files instead of refusing to open
    int busyTimeoutMs = 5000; // how long to wait for another program holding a lock
};

// The embedded driver: four SQLite files attached under the hospital's database names, T-SQL
// statements translated on the way in, and stored procedures kept as statement lists in each
// database's mss_procedures table. A connection is used by one thread at a time.
class EmbeddedConnection final : public Connection {
public:
    explicit EmbeddedConnection(const QString &folder, EmbeddedOptions options = {});
    ~EmbeddedConnection() override;

    void execute(const QString &statement) override;
    Recordset open(
        const QString &statement, CursorType cursor = CursorType::Dynamic, LockType lock = LockType::ReadOnly) override;
    RowTable openTable(
        const QString &statement, CursorType cursor = CursorType::Dynamic, LockType lock = LockType::ReadOnly) override;
    Recordset query(const QString &statement, const Bindings &bindings = {}) override;
    // A single read-only statement steps as its reader asks; anything else is read whole.
    std::unique_ptr<RowCursor> queryRows(const QString &statement, const Bindings &bindings = {}) override;

    void beginTrans() override;
    void commitTrans() override;
    void rollbackTrans() override;
    bool inTransaction() const override;

    QList<DbErrorInfo> errors() const override { return m_errors; }
    void clearErrors() override { m_errors.clear(); }

    QString connectionString() const override;
    QString defaultDatabase() const override { return m_defaultDatabase; }
    void setDefaultDatabase(const QString &name) override;
    ConnectionState state() const override;
    void close() override;
    QString driverName() const override { return QStringLiteral("Embedded"); }
    int lockWaitMs() const override { return m_lockWaitMs; }
    void setLockWaitMs(int ms) override;

    const QString &folder() const { return m_folder; }

    // Runs a script of plain SQLite statements (schema files, upgrades) without translation.
    void executeScript(const QString &sql);
    // Stores (or replaces) a procedure in a database's mss_procedures table.
    void storeProcedure(const QString &database, const QString &name, const QString &source);
    // Forgets prepared procedures, after procedures were replaced behind the connection's back.
    void clearProcedureCache();

    sqlite3 *handle() const { return m_db; }

    // How long the connection still waits for another's lock, read by its busy handler.
    struct LockWait {
        int limitMs = 0; // negative: for ever
        QElapsedTimer started;
        quint32 jitter = 0x9e3779b9u;
    };

    // Where the rows of a statement go as it steps: a recordset's values or a table's bytes.
    class ResultSink {
    public:
        virtual ~ResultSink() = default;
        // A statement with result columns starts; what it adds replaces nothing yet.
        virtual void begin(const std::shared_ptr<const ColumnIndex> &columns) = 0;
        virtual void addRow(sqlite3_stmt *stmt, int columns) = 0;
        // It ended well: its rows are now the result, as the last statement with rows decides it.
        virtual void keep() = 0;
    };

private:
    struct Procedure;
    class Cursor;
    void bindAll(sqlite3_stmt *raw, const Bindings &bindings, const QString &statement);
    [[noreturn]] void rethrowWithStatement(const DbError &e, const QString &statement);
    class Savepoint;
    Savepoint &savepoint(std::unique_ptr<Savepoint> &slot, const char *name);
    // A savepoint inside a transaction, or for writes outside one a transaction of their own.
    Savepoint &scope(bool writes, std::unique_ptr<Savepoint> &slot, const char *name);
    QString busyText(const QString &message) const;
    Recordset run(const QString &statement, const Bindings *bindings);
    void run(const QString &statement, const Bindings *bindings, ResultSink &sink);
    void callProcedure(tsql::ProcedureCall &call, const QString &statement, ResultSink &sink);
    Procedure &procedure(const QString &database, const QString &name, const QString &statement);
    bool prepareNextStep(Procedure &proc, const QString &statement);
    [[noreturn]] void fail(int code, const QString &message, const QString &statement);

    QString m_folder;
    EmbeddedOptions m_options;
    sqlite3 *m_db = nullptr;
    QString m_defaultDatabase = QStringLiteral("MSS");
    QList<DbErrorInfo> m_errors;
    QHash<QString, std::shared_ptr<Procedure>> m_procedures; // "DB.name" upper-cased
    // The same procedures by name and database as the calls spell them, so that a repeated
    // call finds its procedure without folding case or building a key.
    struct CalledAs {
        QString database;
        std::shared_ptr<Procedure> procedure;
    };
    QHash<QString, std::vector<CalledAs>> m_proceduresAsCalled;
    tsql::CallTarget m_lastCall; // what the last call named, for the next one to skip
    // Prepared once: a call or a batch sets its savepoint without parsing its text again.
    std::unique_ptr<Savepoint> m_callSavepoint;
    std::unique_ptr<Savepoint> m_batchSavepoint;
    std::unique_ptr<Savepoint> m_writeTransaction;
    LockWait m_lockWait;
    int m_lockWaitMs;
};

} // namespace mss::data
