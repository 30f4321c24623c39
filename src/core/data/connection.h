#pragma once

#include "data/dberror.h"
#include "data/recordset.h"
#include "data/rowtable.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>
#include <utility>

namespace mss::data {

enum class CursorType { ForwardOnly, Static, Dynamic, Keyset };
enum class LockType { ReadOnly, Optimistic, Pessimistic, BatchOptimistic };
enum class ConnectionState { Closed, Open };

// Named values for a statement with placeholders (":Name"), in the order given.
using Bindings = QList<std::pair<QString, QVariant>>;

// The rows of a query read one at a time, for a reader that goes through them once: the first
// row can be used before the last is read, and nothing holds all of them. A cursor keeps its
// statement open on the connection until it is destroyed, so it must not outlive the connection.
class RowCursor {
public:
    virtual ~RowCursor();

    virtual const std::shared_ptr<const ColumnIndex> &columns() const = 0;
    // Moves to the next row (the first, on the first call); false after the last. A failure
    // throws DbError, as the statement would have when read whole.
    virtual bool next() = 0;
    // A column of the current row: the value a recordset of the same query holds.
    virtual QVariant value(int column) const = 0;
};

// The one way the program reaches a database. Statements are T-SQL as the windows build them;
// each driver makes them run on its own database. Every failure throws DbError and leaves the
// same error as the only entry of errors().
class Connection {
public:
    virtual ~Connection();

    // Runs a statement that returns no rows (or whose rows nobody reads).
    virtual void execute(const QString &statement) = 0;
    // Runs a query or a procedure call and returns its rows. Cursor and lock are accepted for the
    // callers' sake; every recordset is client-side and read into memory.
    virtual Recordset open(
        const QString &statement, CursorType cursor = CursorType::Dynamic, LockType lock = LockType::ReadOnly)
        = 0;
    // The same rows kept as the database gave them, for a list that shows many rows and turns
    // into text only those in view. Drivers without a cheaper way read them through open().
    virtual RowTable openTable(
        const QString &statement, CursorType cursor = CursorType::Dynamic, LockType lock = LockType::ReadOnly);
    // A query with bound values, for code that builds no statement text (reports, tools).
    virtual Recordset query(const QString &statement, const Bindings &bindings = {}) = 0;
    // The same query read forward a row at a time. Drivers without a cheaper way read it
    // whole through query() and hand its rows out one by one.
    virtual std::unique_ptr<RowCursor> queryRows(const QString &statement, const Bindings &bindings = {});

    virtual void beginTrans() = 0;
    virtual void commitTrans() = 0;
    virtual void rollbackTrans() = 0;
    virtual bool inTransaction() const = 0;

    virtual QList<DbErrorInfo> errors() const = 0;
    virtual void clearErrors() = 0;

    virtual QString connectionString() const = 0;
    virtual QString defaultDatabase() const = 0;
    virtual void setDefaultDatabase(const QString &name) = 0;
    virtual ConnectionState state() const = 0;
    virtual void close() = 0;

    // "Embedded" or "ODBC": where reports and tools need to know which dialect they talk to.
    virtual QString driverName() const = 0;

    // The longest a statement waits for data that another program has locked before it fails,
    // in milliseconds; negative: as long as the database lets it. A connection starts with its
    // driver's normal wait. ODBC has no lock wait of its own: there the limit is the statement's
    // query timeout, in whole seconds (at least one).
    virtual int lockWaitMs() const = 0;
    virtual void setLockWaitMs(int ms) = 0;
};

// A shorter (or longer) lock wait for the statements run while it lives, for a statement that
// must not hold the window; the connection's previous wait comes back when it goes.
class LockWait {
public:
    LockWait(Connection &connection, int ms) : m_connection(connection), m_previous(connection.lockWaitMs())
    {
        m_connection.setLockWaitMs(ms);
    }
    ~LockWait() { m_connection.setLockWaitMs(m_previous); }
    LockWait(const LockWait &) = delete;
    LockWait &operator=(const LockWait &) = delete;

private:
    Connection &m_connection;
    int m_previous;
};

// Opens a connection from a connection string: "Driver=Embedded;Folder=<dir>" for the embedded
// hospital database, anything else is handed to ODBC as it stands.
std::unique_ptr<Connection> openConnection(const QString &connectionString);

} // namespace mss::data
