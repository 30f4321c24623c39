#pragma once

#include <QString>

namespace mss::data {
class Connection;
}

namespace mss::ui {

// What a window that records who did something needs of the session: the connection it works on
// and who is working. Its opener fills it in (the main window from the session), so that a window
// never reads the session itself and a test can open it on any connection and user.
struct WorkContext {
    data::Connection *connection = nullptr;
    // The session's employee code, stored with what the worker tags and saves.
    QString employeeCode;
    // The logged-on user, recorded as the one who clears a patient or converts a pay patient,
    // and named on the forms printed.
    QString userCode;
    QString userName;

    // The same worker on another connection (a test's recording one, say).
    WorkContext on(data::Connection *other) const
    {
        WorkContext moved = *this;
        moved.connection = other;
        return moved;
    }
};

} // namespace mss::ui
