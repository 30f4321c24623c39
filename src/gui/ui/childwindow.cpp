#include "ui/childwindow.h"

#include <QMdiSubWindow>
#include <QWidget>

namespace mss::ui {

void closeChildWindow(QWidget *window)
{
    if (!window)
        return;
    if (auto *frame = qobject_cast<QMdiSubWindow *>(window->parentWidget()); frame && frame->widget() == window)
        frame->close();
    else
        window->close();
}

} // namespace mss::ui
