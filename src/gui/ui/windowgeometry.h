#pragma once

#include <QRect>
#include <QString>

class QHeaderView;
class QWidget;

namespace mss::ui {

// Windows come back where the user left them: size, place and whether maximized are kept per
// user in the settings file under the window's name, stored whenever the window is hidden or
// closed. The user is the one set on the window's main window (a dialog without a parent takes
// the active window's). A child window of the main window is placed in the main window's area, any other on
// its screen. Returns false when nothing was remembered yet, so the caller places it itself.
bool rememberGeometry(QWidget *window, const QString &name);

// Names the user whose layouts the main window and every window inside it keep.
void setWindowUser(QWidget *mainWindow, const QString &user);

// The same for the widths of a list's columns; the widths come back only while the list has as
// many columns as when they were stored.
bool rememberColumnWidths(QHeaderView *header, const QString &name);

// A remembered rectangle made visible in the area there is now: moved back inside, and shrunk to
// the area where it no longer fits.
QRect fitInside(const QRect &wanted, const QRect &available);

} // namespace mss::ui
