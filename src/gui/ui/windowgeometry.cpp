#include "ui/windowgeometry.h"

#include "auth/settings.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMdiSubWindow>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <optional>

namespace mss::ui {

namespace {

const char *const kUserProperty = "mssWindowUser";

std::optional<QString> userAlong(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget())
        if (const QVariant user = w->property(kUserProperty); user.isValid())
            return user.toString();
    return std::nullopt;
}

// The user whose layout a window keeps: the one its main window was opened for; a dialog with
// no parent goes with the window that was active when it opened.
QString userOf(const QWidget *window)
{
    if (const std::optional<QString> user = userAlong(window))
        return *user;
    return userAlong(QApplication::activeWindow()).value_or(QString());
}

QRect availableFor(const QWidget *window, const QRect &wanted)
{
    if (!window->isWindow() && window->parentWidget())
        return window->parentWidget()->rect(); // a child window: the main window's area
    const QScreen *screen = QGuiApplication::screenAt(wanted.center());
    if (!screen)
        screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : wanted;
}

class GeometryKeeper final : public QObject {
public:
    GeometryKeeper(QWidget *window, const QString &user, const QString &name)
        : QObject(window), m_window(window), m_user(user), m_name(name)
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && (event->type() == QEvent::Hide || event->type() == QEvent::Close))
            store();
        return QObject::eventFilter(watched, event);
    }

private:
    void store()
    {
        if (m_window->geometry().isEmpty())
            return;
        suite::Settings().setWindowPlace(m_user, m_name,
            m_window->isWindow() ? m_window->normalGeometry() : m_window->geometry(), m_window->isMaximized());
    }

    QWidget *m_window;
    QString m_user;
    QString m_name;
};

} // namespace

QRect fitInside(const QRect &wanted, const QRect &available)
{
    if (available.isEmpty())
        return wanted;
    QRect r(wanted.topLeft(), wanted.size().boundedTo(available.size()));
    r.moveLeft(std::clamp(r.left(), available.left(), available.right() - r.width() + 1));
    r.moveTop(std::clamp(r.top(), available.top(), available.bottom() - r.height() + 1));
    return r;
}

void setWindowUser(QWidget *mainWindow, const QString &user)
{
    mainWindow->setProperty(kUserProperty, user.trimmed());
}

bool rememberGeometry(QWidget *window, const QString &name)
{
    const QString user = userOf(window);
    new GeometryKeeper(window, user, name);
    const suite::Settings::WindowPlace place = suite::Settings().windowPlace(user, name);
    if (!place.rect.isValid() && !place.maximized)
        return false;
    if (place.rect.isValid())
        window->setGeometry(fitInside(place.rect, availableFor(window, place.rect)));
    if (place.maximized)
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
    return true;
}

bool rememberColumnWidths(QHeaderView *header, const QString &name)
{
    const QString user = userOf(header);
    const QList<int> stored = suite::Settings().columnWidths(user, name);
    bool restored = false;
    if (!stored.isEmpty() && stored.size() == header->count()) {
        for (int c = 0; c < header->count(); ++c)
            if (!header->isSectionHidden(c) && stored[c] > 0)
                header->resizeSection(c, stored[c]);
        restored = true;
    }
    // Stored when the user resizes a column: a window closed with the program keeps them too.
    QObject::connect(header, &QHeaderView::sectionResized, header, [header, user, name](int, int, int newSize) {
        if (newSize <= 0 || !header->isVisible())
            return;
        QList<int> widths;
        for (int c = 0; c < header->count(); ++c)
            widths.append(header->sectionSize(c));
        suite::Settings().setColumnWidths(user, name, widths);
    });
    return restored;
}

} // namespace mss::ui
