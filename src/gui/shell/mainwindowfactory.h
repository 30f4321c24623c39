#pragma once

class QMainWindow;

namespace mss::shell {

// Creates the program's main window for the session that start-up just opened.
QMainWindow *createMainWindow();

} // namespace mss::shell
