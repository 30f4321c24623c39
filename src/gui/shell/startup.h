#pragma once

#include "ui/workcontext.h"

#include <QString>

class QMainWindow;

namespace mss::shell {

// Logs a user on, reads the hospital's identity, creates the suite components, prepares the
// patient search and opens the main window. Runs again on "Change Active User".
void StartSession();

// The main window start-up opened, or null when the log-on was given up or failed.
QMainWindow *MainWindow();

// "Change Active User": closes the main window and the session's connection, then starts a
// new session. The program ends when that log-on is given up.
void ChangeActiveUser();

// The session's shared connection and who is working, as the main window hands them to the
// windows it opens.
ui::WorkContext sessionWorkContext();

// Releases the session's components and closes its connection, before the program ends.
void EndSession();

} // namespace mss::shell
