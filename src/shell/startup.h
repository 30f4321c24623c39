#pragma once

#include <QString>

class QMainWindow;

namespace mss::shell {

struct SessionState;

// Logs a user on, reads the hospital's identity, creates the suite components, prepares the
// patient search and opens the main window. Runs again on "Change Active User".
void StartSession();

// The main window start-up opened, or null when the log-on was given up or failed.
QMainWindow *MainWindow();

// "Change Active User": closes the main window and the session's connection, then starts a
// new session. The program ends when that log-on is given up.
void ChangeActiveUser();

// Releases the session's components and closes its connection, before the program ends.
void EndSession();

// Runs the hospital's billing lookup: the out-patient admission number matching a number.
QString FindOpdIdNum(const QString &number);
// True when the account is charged to a company.
bool CheckCompany(const QString &account);

namespace detail {
SessionState &writableSession();
}

} // namespace mss::shell
