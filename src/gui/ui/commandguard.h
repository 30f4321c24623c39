#pragma once

#include <QApplication>
#include <QObject>
#include <QString>
#include <QWidget>

#include <functional>

namespace mss::data {
class Connection;
}

namespace mss::ui {

// What a guarded command needs besides itself; every field may stay empty.
struct Guard {
    // An open transaction on it is rolled back when the command fails.
    data::Connection *connection = nullptr;
    // The failure box's title, and the window it belongs to.
    QString title {};
    QWidget *parent = nullptr;
    // The failure box's text; failureText() when empty. A window that words its failures in its
    // own way ("… was not saved") gives its own.
    std::function<QString(const std::exception_ptr &)> describe {};
};

// Runs one user command so that no failure escapes into Qt's event loop: any exception is caught,
// the wait cursors the command set are taken back, an open transaction on the connection is
// rolled back, the error is reported once and the command ends. Returns whether it succeeded.
bool runGuarded(const std::function<void()> &command, const Guard &guard = {});

// The usual way to wire a command: it runs guarded whenever the signal fires, its failures titled
// with the window's title at that moment unless the guard names another.
template <typename Sender, typename Signal>
QMetaObject::Connection connectGuarded(
    Sender *sender, Signal signal, QWidget *window, std::function<void()> command, Guard guard = {})
{
    return QObject::connect(sender, signal, window, [window, command = std::move(command), guard = std::move(guard)] {
        Guard now = guard;
        if (now.title.isEmpty())
            now.title = window->windowTitle();
        if (!now.parent)
            now.parent = window;
        runGuarded(command, now);
    });
}

// The last resort for an exception that escapes an event handler nobody guarded: it is reported
// and logged, and the program goes on. Exceptions unwinding through Qt's own frames may skip
// Qt's clean-ups, so this is no substitute for guarding a command; it only keeps a forgotten
// guard from ending a social worker's session.
class GuardedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override;
};

// A window is given the connection it works on by whoever opens it (the main window gives the
// session's) and reaches it through here, so that a window opened without one says so.
data::Connection &requireConnection(data::Connection *connection, const QString &window);

// The text shown for a failure: "description (error number, source)".
QString failureText(const std::exception_ptr &failure);

// The hourglass. A scoped WaitCursor shows it for as long as it lives; code that shows it across
// several steps uses push()/pop(), and the guard pops whatever a failed command left pushed.
class WaitCursor {
public:
    WaitCursor() { push(); }
    ~WaitCursor() { pop(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

    static void push();
    static void pop();
    static int depth();
};

} // namespace mss::ui
