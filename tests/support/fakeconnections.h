#pragma once

#include "data/connection.h"

#include <QStringList>

#include <functional>

namespace mss::test {

// Passes everything to an inner connection (or, without one, answers with empty results) and
// keeps every statement text, so a test can compare it with the text a window must send.
class RecordingConnection : public data::Connection {
public:
    explicit RecordingConnection(data::Connection *inner = nullptr) : m_inner(inner) { }
    // With MSS_STATEMENT_LOG set, appends what it recorded to that file, so that two builds'
    // statement texts can be compared scenario by scenario.
    ~RecordingConnection() override;

    QStringList statements; // in the order they ran, transactions as "BEGIN"/"COMMIT"/"ROLLBACK"
    // Without an inner connection, the rows a statement answers with (by default none).
    std::function<data::Recordset(const QString &)> answer;

    void execute(const QString &statement) override;
    data::Recordset open(const QString &statement, data::CursorType cursor = data::CursorType::Dynamic,
        data::LockType lock = data::LockType::ReadOnly) override;
    data::Recordset query(const QString &statement, const data::Bindings &bindings = {}) override;
    void beginTrans() override;
    void commitTrans() override;
    void rollbackTrans() override;
    bool inTransaction() const override;
    QList<data::DbErrorInfo> errors() const override;
    void clearErrors() override;
    QString connectionString() const override;
    QString defaultDatabase() const override;
    void setDefaultDatabase(const QString &name) override;
    data::ConnectionState state() const override;
    void close() override;
    QString driverName() const override;
    int lockWaitMs() const override;
    void setLockWaitMs(int ms) override;

protected:
    // Called before each statement reaches the inner connection; may throw to make it fail.
    virtual void before(const QString &) { }
    virtual void beforeCommit() { }
    void fail(const QString &what);

    data::Connection *m_inner;
    bool m_inTransaction = false;
    QList<data::DbErrorInfo> m_errors;
    int m_lockWaitMs = 5000;
};

// A recording connection that makes statement number k (1-based, counting execute, open and
// query calls) fail, or the commit fail, with a DbError as a server would raise it.
class FaultInjectingConnection : public RecordingConnection {
public:
    using RecordingConnection::RecordingConnection;

    int failStatement = 0; // 0: no statement fails
    bool failCommit = false;
    int statementCount = 0;

protected:
    void before(const QString &statement) override;
    void beforeCommit() override;
};

} // namespace mss::test
