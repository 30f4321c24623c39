#pragma once

#include <QString>

#include <functional>

namespace mss::data {
class Connection;
}

namespace mss::ui {

// Runs one user command so that no failure escapes into Qt's event loop: any exception is caught,
// the wait cursors the command set are taken back, an open transaction on the connection is
// rolled back, the error is reported once and the command ends. Returns whether it succeeded.
bool runGuarded(
    const std::function<void()> &command, data::Connection *connection = nullptr, const QString &title = {});

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
