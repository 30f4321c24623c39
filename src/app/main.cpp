#include "mssversion.h"
#include "shell/startup.h"
#include "ui/commandguard.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    // Answered before any window system is needed, so it works in a plain terminal and in scripts.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("mss " MSS_VERSION);
        return 0;
    }
    mss::ui::GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Medical Social Service"));
    QApplication::setOrganizationName(QStringLiteral("MSS"));
    QApplication::setApplicationVersion(QStringLiteral(MSS_VERSION));
    // The main window is replaced on "Change Active User"; the program ends on its own terms.
    QApplication::setQuitOnLastWindowClosed(false);

    mss::shell::StartSession();
    int result = 0;
    if (mss::shell::MainWindow())
        result = QApplication::exec();
    mss::shell::EndSession();
    return result;
}
