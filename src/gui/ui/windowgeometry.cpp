#include "ui/windowgeometry.h"

#include "session/sessionstate.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMdiSubWindow>
#include <QScreen>
#include <QSettings>
#include <QWidget>

#include <algorithm>

namespace mss::ui {

namespace {

QSettings settings()
{
    return QSettings(QStringLiteral("MSS"), QStringLiteral("Medical Social Service"));
}

// One user's layout is not pressed on another who logs on at the same desk.
QString keyOf(const QString &kind, const QString &name)
{
    const QString user = shell::Session().EmployeeCode.trimmed();
    return QStringLiteral("%1/%2/%3").arg(kind, user.isEmpty() ? QStringLiteral("-") : user, name);
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
    GeometryKeeper(QWidget *window, const QString &key) : QObject(window), m_window(window), m_key(key)
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
        const bool maximized = m_window->isMaximized();
        QSettings s = settings();
        s.setValue(m_key + QStringLiteral("/maximized"), maximized);
        // A maximized window keeps the place it had before, to go back to.
        if (!maximized)
            s.setValue(m_key + QStringLiteral("/rect"),
                m_window->isWindow() ? m_window->normalGeometry() : m_window->geometry());
    }

    QWidget *m_window;
    QString m_key;
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

bool rememberGeometry(QWidget *window, const QString &name)
{
    const QString key = keyOf(QStringLiteral("windows"), name);
    new GeometryKeeper(window, key);
    const QSettings s = settings();
    const QRect rect = s.value(key + QStringLiteral("/rect")).toRect();
    const bool maximized = s.value(key + QStringLiteral("/maximized")).toBool();
    if (!rect.isValid() && !maximized)
        return false;
    if (rect.isValid())
        window->setGeometry(fitInside(rect, availableFor(window, rect)));
    if (maximized)
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
    return true;
}

bool rememberColumnWidths(QHeaderView *header, const QString &name)
{
    const QString key = keyOf(QStringLiteral("columns"), name);
    const QList<QVariant> stored = settings().value(key).toList();
    bool restored = false;
    if (!stored.isEmpty() && stored.size() == header->count()) {
        for (int c = 0; c < header->count(); ++c)
            if (!header->isSectionHidden(c) && stored[c].toInt() > 0)
                header->resizeSection(c, stored[c].toInt());
        restored = true;
    }
    // Stored when the user resizes a column: a window closed with the program keeps them too.
    QObject::connect(header, &QHeaderView::sectionResized, header, [header, key](int, int, int newSize) {
        if (newSize <= 0 || !header->isVisible())
            return;
        QList<QVariant> widths;
        for (int c = 0; c < header->count(); ++c)
            widths.append(header->sectionSize(c));
        settings().setValue(key, widths);
    });
    return restored;
}

} // namespace mss::ui
