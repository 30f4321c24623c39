#pragma once

#include "help/helptopics.h"

#include <QObject>
#include <QPointer>

class QWidget;

namespace mss::help {

class HelpWindow;

// F1 anywhere in the program, modal dialogs included, opens the guide at the section of the
// window it was pressed in. One help window serves the whole program.
class HelpDesk final : public QObject {
    Q_OBJECT

public:
    // home is the window the help stays with when no modal dialog is open (the main window).
    explicit HelpDesk(QWidget *home);
    ~HelpDesk() override;

    // Opens the guide at the topic, above the given window; tells where the guide can be found
    // when it is not installed. Returns the help window, or null.
    HelpWindow *showTopic(const HelpTopic &topic, QWidget *from = nullptr);
    // The section of the window that holds the widget.
    HelpWindow *showHelpFor(QWidget *widget);
    HelpWindow *helpWindow() const;

    // Where the guide is looked for; empty: the places the program and the package put it.
    void setGuideFolders(const QStringList &folders) { m_folders = folders; }
    QStringList guideFolders() const;

    // "About": the program's name and version.
    static QString aboutText();
    // What F1 says when the guide is not found in any of the folders.
    static QString guideMissingText(const QStringList &folders);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_home;
    QPointer<HelpWindow> m_window;
    QStringList m_folders;
};

} // namespace mss::help
