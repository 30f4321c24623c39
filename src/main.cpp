#include "ui/messages.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Medical Social Service"));
    QApplication::setOrganizationName(QStringLiteral("MSS"));
    // Start-up and the main window arrive with the session issue; until then the program only
    // proves that it builds and starts.
    mss::ui::Messages::information(QStringLiteral("The Medical Social Service client is being built."));
    return 0;
}
