#include "ui/commandguard.h"

#include "data/connection.h"
#include "ui/messages.h"

#include <QApplication>
#include <QDebug>
#include <QGuiApplication>

namespace mss::ui {

data::Connection &requireConnection(data::Connection *connection, const QString &window)
{
    if (!connection)
        throw data::DbError(3704, window, QStringLiteral("There is no open connection."));
    return *connection;
}

QString failureText(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const data::DbError &e) {
        return e.displayText();
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("An unexpected error stopped the command.");
    }
}

namespace {
int waitDepth = 0;

// The statement stays out of the message, which a patient's neighbour may read over the user's
// shoulder; IT finds it in the program's log.
void logFailingStatement(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const data::DbError &e) {
        if (!e.statement().isEmpty())
            qWarning().noquote() << "Failing statement:" << e.statement().left(2000);
    } catch (...) {
    }
}
} // namespace

void WaitCursor::push()
{
    ++waitDepth;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void WaitCursor::pop()
{
    if (waitDepth == 0)
        return;
    --waitDepth;
    QGuiApplication::restoreOverrideCursor();
}

int WaitCursor::depth()
{
    return waitDepth;
}

namespace {
// Takes back what a failed command left behind, then says what went wrong once.
void reportFailure(const std::exception_ptr &failure, const Guard &guard, int waitDepthBefore)
{
    while (WaitCursor::depth() > waitDepthBefore)
        WaitCursor::pop();
    if (guard.connection && guard.connection->inTransaction()) {
        try {
            guard.connection->rollbackTrans();
        } catch (...) {
            // The failure being reported matters more than a rollback that could not run.
        }
    }
    logFailingStatement(failure);
    Messages::critical(guard.describe ? guard.describe(failure) : failureText(failure), guard.title, guard.parent);
}
} // namespace

bool runGuarded(const std::function<void()> &command, const Guard &guard)
{
    const int depthBefore = WaitCursor::depth();
    try {
        command();
        return true;
    } catch (...) {
        reportFailure(std::current_exception(), guard, depthBefore);
        return false;
    }
}

bool GuardedApplication::notify(QObject *receiver, QEvent *event)
{
    const int depthBefore = WaitCursor::depth();
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        qWarning().noquote() << "A command nobody guarded failed in an event for"
                             << receiver->metaObject()->className();
        reportFailure(std::current_exception(), {}, depthBefore);
        return true;
    }
}

} // namespace mss::ui
