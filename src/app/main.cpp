#include "shell/startup.h"

#include "ui/commandguard.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    mss::ui::GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Medical Social Service"));
    QApplication::setOrganizationName(QStringLiteral("MSS"));
    // The main window is replaced on "Change Active User"; the program ends on its own terms.
    QApplication::setQuitOnLastWindowClosed(false);

    mss::shell::StartSession();
    int result = 0;
    if (mss::shell::MainWindow())
        result = QApplication::exec();
    mss::shell::EndSession();
    return result;
}
