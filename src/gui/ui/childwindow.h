#pragma once

class QWidget;

namespace mss::ui {

// Closes a window the way its own close button would: inside the main window that means its MDI
// frame, so that no empty frame is left behind; a window without a frame closes itself.
void closeChildWindow(QWidget *window);

} // namespace mss::ui
