#pragma once

#include <QString>

namespace mss::test {

// Answers the log-on dialog of the next StartSession with the demo administrator on the embedded
// database in the folder, or cancels it.
void answerLogOn(const QString &folder, bool cancel = false);

// Starts a session on the folder's demo hospital and returns whether the main window opened.
bool startDemoSession(const QString &folder);

// Ends the session and throws away its main window.
void endDemoSession();

} // namespace mss::test
