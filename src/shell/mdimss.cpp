#include "shell/mdimss.h"

#include "shell/mainwindowfactory.h"
#include "shell/sessionstate.h"
#include "shell/startup.h"
#include "suite/currentuser.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace mss::shell {

QMainWindow *createMainWindow()
{
    return new mdiMSS;
}

QString mdiMSS::userPanelText(const QString &employeeCode, const QString &employeeName)
{
    return QStringLiteral("CurrentUser Name: ") + QStringLiteral(" (") + employeeCode + QStringLiteral(")  ") + employeeName;
}

mdiMSS::mdiMSS(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("mdiMSS"));
    setWindowTitle(QStringLiteral("Medical Social Service"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1280, 760);

    mdiArea = new QMdiArea(this);
    mdiArea->setObjectName(QStringLiteral("mdiArea"));
    mdiArea->setBackground(QColor(0xe8, 0xee, 0xf4));
    setCentralWidget(mdiArea);

    auto *toolbar = addToolBar(QStringLiteral("Commands"));
    toolbar->setObjectName(QStringLiteral("Toolbar1"));
    toolbar->setMovable(false);
    btnClose = new QToolButton(toolbar);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setAutoRaise(true);
    btnClose->setText(QStringLiteral("Change User"));
    btnClose->setToolTip(QStringLiteral("Change Active User"));
    toolbar->addWidget(btnClose);
    // Queued: the window that owns the button is closed by the handler.
    connect(btnClose, &QToolButton::clicked, this, [] { QTimer::singleShot(0, &ChangeActiveUser); });

    pnlCurrentUser = new QLabel(this);
    pnlCurrentUser->setObjectName(QStringLiteral("CurrentUser"));
    pnlCurrentUser->setToolTip(QStringLiteral("User logged on"));
    pnlCurrentDateTime = new QLabel(this);
    pnlCurrentDateTime->setObjectName(QStringLiteral("CurrentDateTime"));
    pnlCurrentDateTime->setToolTip(QStringLiteral("Current Date Time Values"));
    statusBar()->addWidget(pnlCurrentUser, 1);
    statusBar()->addPermanentWidget(pnlCurrentDateTime);

    const suite::clsCurrentUser *user = Session().CurrentUser.get();
    pnlCurrentUser->setText(userPanelText(user ? user->employeecode() : QString(), user ? user->EmployeeName() : QString()));
}

void mdiMSS::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (!property("changingUser").toBool())
        QCoreApplication::quit(); // closing the main window ends the program
}

} // namespace mss::shell
