#include "ui/commandguard.h"

#include "data/connection.h"
#include "ui/messages.h"

#include <QApplication>
#include <QDebug>
#include <QGuiApplication>

namespace mss::ui {

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

bool runGuarded(const std::function<void()> &command, data::Connection *connection, const QString &title)
{
    const int depthBefore = WaitCursor::depth();
    try {
        command();
        return true;
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        while (WaitCursor::depth() > depthBefore)
            WaitCursor::pop();
        if (connection && connection->inTransaction()) {
            try {
                connection->rollbackTrans();
            } catch (...) {
                // The failure being reported matters more than a rollback that could not run.
            }
        }
        logFailingStatement(failure);
        Messages::critical(failureText(failure), title);
        return false;
    }
}

} // namespace mss::ui
