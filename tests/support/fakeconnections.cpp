#include "support/fakeconnections.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>

namespace mss::test {

RecordingConnection::~RecordingConnection()
{
    const QString logPath = qEnvironmentVariable("MSS_STATEMENT_LOG");
    if (logPath.isEmpty() || statements.isEmpty())
        return;
    QFile log(logPath);
    if (!log.open(QIODevice::Append | QIODevice::Text))
        return;
    const char *function = QTest::currentTestFunction();
    QString text = QStringLiteral("## %1 %2\n")
                       .arg(QCoreApplication::applicationName(), QString::fromUtf8(function ? function : "-"));
    for (const QString &statement : statements)
        text += statement + QLatin1Char('\n');
    log.write(text.toUtf8());
}

void RecordingConnection::fail(const QString &what)
{
    data::DbErrorInfo info { 50000, QStringLiteral("Injected fault"), what };
    m_errors = { info };
    throw data::DbError(info);
}

void RecordingConnection::execute(const QString &statement)
{
    statements.append(statement);
    m_errors.clear();
    before(statement);
    if (m_inner)
        m_inner->execute(statement);
}

data::Recordset RecordingConnection::open(const QString &statement, data::CursorType cursor, data::LockType lock)
{
    statements.append(statement);
    m_errors.clear();
    before(statement);
    if (m_inner)
        return m_inner->open(statement, cursor, lock);
    return answer ? answer(statement) : data::Recordset();
}

data::Recordset RecordingConnection::query(const QString &statement, const data::Bindings &bindings)
{
    statements.append(statement);
    m_errors.clear();
    before(statement);
    if (m_inner)
        return m_inner->query(statement, bindings);
    return answer ? answer(statement) : data::Recordset();
}

void RecordingConnection::beginTrans()
{
    statements.append(QStringLiteral("BEGIN"));
    if (m_inner)
        m_inner->beginTrans();
    m_inTransaction = true;
}

void RecordingConnection::commitTrans()
{
    statements.append(QStringLiteral("COMMIT"));
    beforeCommit();
    if (m_inner)
        m_inner->commitTrans();
    m_inTransaction = false;
}

void RecordingConnection::rollbackTrans()
{
    statements.append(QStringLiteral("ROLLBACK"));
    m_inTransaction = false;
    if (m_inner)
        m_inner->rollbackTrans();
}

bool RecordingConnection::inTransaction() const
{
    return m_inner ? m_inner->inTransaction() : m_inTransaction;
}

QList<data::DbErrorInfo> RecordingConnection::errors() const
{
    if (!m_errors.isEmpty() || !m_inner)
        return m_errors;
    return m_inner->errors();
}

void RecordingConnection::clearErrors()
{
    m_errors.clear();
    if (m_inner)
        m_inner->clearErrors();
}

QString RecordingConnection::connectionString() const
{
    return m_inner ? m_inner->connectionString() : QStringLiteral("Driver=Recording");
}

QString RecordingConnection::defaultDatabase() const
{
    return m_inner ? m_inner->defaultDatabase() : QStringLiteral("MSS");
}

void RecordingConnection::setDefaultDatabase(const QString &name)
{
    if (m_inner)
        m_inner->setDefaultDatabase(name);
}

data::ConnectionState RecordingConnection::state() const
{
    return m_inner ? m_inner->state() : data::ConnectionState::Open;
}

void RecordingConnection::close()
{
    if (m_inner)
        m_inner->close();
}

QString RecordingConnection::driverName() const
{
    return m_inner ? m_inner->driverName() : QStringLiteral("Recording");
}

int RecordingConnection::lockWaitMs() const
{
    return m_inner ? m_inner->lockWaitMs() : m_lockWaitMs;
}

void RecordingConnection::setLockWaitMs(int ms)
{
    if (m_inner)
        m_inner->setLockWaitMs(ms);
    else
        m_lockWaitMs = ms;
}

void FaultInjectingConnection::before(const QString &statement)
{
    if (++statementCount == failStatement)
        fail(QStringLiteral("Statement %1 failed on purpose: %2").arg(statementCount).arg(statement.left(80)));
}

void FaultInjectingConnection::beforeCommit()
{
    if (failCommit)
        fail(QStringLiteral("The commit failed on purpose"));
}

} // namespace mss::test
