#include "support/sessionfixture.h"

#include "db/demodata.h"
#include "shell/startup.h"
#include "suite/frmlogon.h"
#include "ui/messages.h"

#include <QLineEdit>
#include <QMainWindow>
#include <QRadioButton>
#include <QSettings>

namespace mss::test {

void answerLogOn(const QString &folder, bool cancel)
{
    ui::Messages::setDialogHandler([folder, cancel](QDialog &dialog) {
        auto *logOn = qobject_cast<suite::frmLogOn *>(&dialog);
        if (!logOn || cancel)
            return int(QDialog::Rejected);
        logOn->optEmbedded->setChecked(true);
        logOn->txtFolder->setText(folder);
        logOn->txtUserCode->setText(QString::fromLatin1(data::kDemoAdministrator.code));
        logOn->txtPassword->setText(QString::fromLatin1(data::kDemoAdministrator.password));
        logOn->tryLogOn();
        return logOn->result();
    });
}

bool startDemoSession(const QString &folder)
{
    // Windows placed by an earlier run would open elsewhere than a first session's do.
    QSettings settings(QStringLiteral("MSS"), QStringLiteral("Medical Social Service"));
    settings.remove(QStringLiteral("windows"));
    settings.remove(QStringLiteral("columns"));
    answerLogOn(folder);
    shell::StartSession();
    ui::Messages::setDialogHandler(nullptr);
    return shell::MainWindow() != nullptr;
}

void endDemoSession()
{
    QMainWindow *main = shell::MainWindow();
    shell::EndSession();
    if (main) {
        main->setProperty("changingUser", true);
        delete main;
    }
}

} // namespace mss::test
