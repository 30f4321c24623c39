#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace mss::help {

// A place in the user guide: a chapter's page and an anchor in it (empty for the page's top).
struct HelpTopic {
    QString page;
    QString anchor;
};

// The guide's section for a window's objectName; the contents page for a window the guide does
// not describe.
HelpTopic topicForWindow(const QString &objectName);

// The section of the innermost window that holds the widget (a control of an MDI child finds
// the child's section, one of a modal dialog the dialog's).
HelpTopic topicForWidget(const QWidget *widget);

// Every window named in the table, so a test can check that each section exists in the guide.
QStringList describedWindows();

// The guide's start page.
inline QString contentsPage()
{
    return QStringLiteral("index.html");
}

// Where the guide is looked for: beside the program (a build tree), one folder up (the test
// programs), and where the package installs it relative to the program.
QStringList guideFolderCandidates();

// The first folder that holds the contents page, or empty when the guide is not there.
QString findGuideFolder(const QStringList &folders = guideFolderCandidates());

} // namespace mss::help
