#include "help/helpdesk.h"

#include "help/helpwindow.h"
#include "mssversion.h"
#include "ui/messages.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QWidget>

namespace mss::help {

HelpDesk::HelpDesk(QWidget *home) : QObject(home), m_home(home)
{
    // Application-wide, so that F1 reaches us from a modal dialog too, without each window
    // having to ask for it.
    qApp->installEventFilter(this);
}

HelpDesk::~HelpDesk()
{
    qApp->removeEventFilter(this);
}

HelpWindow *HelpDesk::helpWindow() const
{
    return m_window;
}

QString HelpDesk::aboutText()
{
    return QStringLiteral("Medical Social Service\nVersion %1\n\n"
                          "The desktop client of the hospital's Medical Social Service department.")
        .arg(QStringLiteral(MSS_VERSION));
}

QStringList HelpDesk::guideFolders() const
{
    return m_folders.isEmpty() ? guideFolderCandidates() : m_folders;
}

QString HelpDesk::guideMissingText(const QStringList &folders)
{
    return QStringLiteral("The user guide is not installed with this copy of the program. It was looked for in:\n%1\n\n"
                          "The package \"mss\" installs it in /usr/share/mss/guide; a build from source makes it "
                          "in the build folder's \"guide\" when cmark is installed.")
        .arg(folders.join(QLatin1Char('\n')));
}

HelpWindow *HelpDesk::showTopic(const HelpTopic &topic, QWidget *from)
{
    const QString folder = findGuideFolder(guideFolders());
    if (folder.isEmpty()) {
        ui::Messages::information(
            guideMissingText(guideFolders()), QStringLiteral("Help"), from ? from->window() : m_home);
        return nullptr;
    }
    // A window that a modal dialog does not own cannot be used while the dialog runs, so the help
    // goes with the dialog, and back home when the dialog closes.
    QWidget *owner = m_home;
    if (QWidget *top = from ? from->window() : nullptr; top && (top->isModal() || qobject_cast<QDialog *>(top)))
        owner = top;
    if (!m_window)
        m_window = new HelpWindow(folder, owner);
    else if (m_window->parentWidget() != owner) {
        const QRect placed = m_window->geometry();
        m_window->setParent(owner, Qt::Window);
        m_window->setGeometry(placed);
    }
    if (auto *dialog = qobject_cast<QDialog *>(owner)) {
        connect(
            dialog, &QDialog::finished, m_window,
            [window = m_window, home = m_home] {
                if (!window)
                    return;
                const QRect placed = window->geometry();
                const bool visible = window->isVisible();
                window->setParent(home, Qt::Window);
                window->setGeometry(placed);
                window->setVisible(visible);
            },
            Qt::SingleShotConnection);
    }
    m_window->showTopic(topic);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    return m_window;
}

HelpWindow *HelpDesk::showHelpFor(QWidget *widget)
{
    return showTopic(topicForWidget(widget), widget);
}

bool HelpDesk::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent *>(event)->key() != Qt::Key_F1
        || static_cast<QKeyEvent *>(event)->modifiers() != Qt::NoModifier)
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget)
        return false;
    // F1 in the help window itself has nothing better to show than what it shows.
    if (m_window && (widget == m_window || m_window->isAncestorOf(widget)))
        return true;
    showHelpFor(widget);
    return true;
}

} // namespace mss::help
