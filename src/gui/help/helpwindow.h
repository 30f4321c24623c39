#pragma once

#include "help/helptopics.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QTextBrowser;
class QToolButton;

namespace mss::help {

// The user guide in a window of the program: its pages with their links, back and forward, the
// contents, and a search over every chapter.
class HelpWindow final : public QWidget {
    Q_OBJECT

public:
    // folder holds the guide's HTML pages.
    explicit HelpWindow(const QString &folder, QWidget *parent = nullptr);

    void showTopic(const HelpTopic &topic);
    // Finds the next place the word stands, in this page after the cursor, then in the chapters
    // that follow, round to this page's start; selects it. False when the guide does not hold it.
    bool find(const QString &word);

    // The page shown, as a file name of the guide (for example "03-assessment-and-referral.html").
    QString currentPage() const;
    // The anchor the window was last sent to.
    QString currentAnchor() const { return m_anchor; }

    QTextBrowser *txtHelp = nullptr;
    QToolButton *cmdBack = nullptr;
    QToolButton *cmdForward = nullptr;
    QToolButton *cmdContents = nullptr;
    QLineEdit *txtSearch = nullptr;
    QToolButton *cmdFind = nullptr;
    QLabel *lblSearch = nullptr;

private:
    QStringList pages() const;
    QString m_folder;
    QString m_anchor;
};

} // namespace mss::help
