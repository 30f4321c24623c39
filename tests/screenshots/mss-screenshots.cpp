// Makes the user guide's pictures: the program on the demo hospital, each window opened as a
// user opens it (through the main window's commands and the test seams that answer modal
// dialogs), grabbed to a PNG. Exits with 1, naming it, when a window it expects does not appear,
// so that a window that changed is noticed. tools/screenshots.sh runs it under Xvfb.
#include "auth/currentuser.h"
#include "classification/frmcomputediscount.h"
#include "intake/frmintakesurveysheet.h"
#include "notices/frmreferraltomedicalteam.h"
#include "notices/noticedesk.h"
#include "patients/frmlistpatient.h"
#include "patients/patientlistmodel.h"
#include "reports/frmreportviewer.h"
#include "reports/reportrunner.h"
#include "session/sessionstate.h"
#include "shell/mdimss.h"
#include "shell/startup.h"
#include "suite/frmlogon.h"
#include "support/demohospital.h"
#include "support/messagelog.h"
#include "support/sessionfixture.h"
#include "ui/messages.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStandardPaths>
#include <QTest>
#include <QTreeView>

#include <cstdio>
#include <stdexcept>

using namespace mss;

namespace {

QDir g_output;

void settle(int ms = 150)
{
    QTest::qWait(ms);
}

void save(QWidget *widget, const QString &name)
{
    if (!widget || !widget->isVisible())
        throw std::runtime_error("the window for " + name.toStdString() + " did not appear");
    settle();
    const QString file = g_output.filePath(name + QStringLiteral(".png"));
    if (!widget->grab().save(file))
        throw std::runtime_error("cannot write " + file.toStdString());
    std::printf("%s\n", qPrintable(file));
}

// The MDI frame of a child window, so the picture shows its title bar as the user sees it.
QWidget *frameOf(QWidget *child)
{
    return child && qobject_cast<QMdiSubWindow *>(child->parentWidget()) ? child->parentWidget() : child;
}

// Runs a command that opens a modal dialog and grabs the dialog, which is then closed.
void grabModal(const QString &dialogName, const QString &picture, const std::function<void()> &command,
    const test::MessageLog &messages, const QSize &size = {})
{
    bool seen = false;
    std::string failure;
    ui::Messages::setDialogHandler([&](QDialog &dialog) {
        if (dialog.objectName() == dialogName && !seen) {
            seen = true;
            if (size.isValid())
                dialog.resize(size);
            dialog.show();
            try {
                save(&dialog, picture);
            } catch (const std::exception &e) {
                failure = e.what();
            }
        }
        dialog.done(QDialog::Rejected);
        return int(QDialog::Rejected);
    });
    command();
    ui::Messages::setDialogHandler(nullptr);
    if (!failure.empty())
        throw std::runtime_error(failure);
    if (!seen)
        throw std::runtime_error("the dialog " + dialogName.toStdString()
            + " did not appear; the program said: " + messages.texts().join(QStringLiteral(" / ")).toStdString());
}

void run(test::DemoHospital &hospital)
{
    // The log-on as it first appears.
    {
        suite::clsCurrentUser user;
        suite::frmLogOn logOn(user);
        // The folder a social worker's own account shows, not the one this run happens to use.
        logOn.txtFolder->setText(QStringLiteral("/home/worker/.local/share/MSS/Medical Social Service/hospital"));
        logOn.txtConnectionString->clear();
        logOn.show();
        save(&logOn, QStringLiteral("logon"));
    }

    if (!test::startDemoSession(hospital.folder()))
        throw std::runtime_error("the main window did not open");
    auto *main = qobject_cast<shell::mdiMSS *>(shell::MainWindow());
    if (!main)
        throw std::runtime_error("the main window did not open");
    main->showNormal();
    main->setGeometry(0, 0, 1366, 768);
    test::MessageLog answers(QMessageBox::No); // "turn into a service patient?" and the like: no

    // The patient list with the in-patients of one family name, the first one chosen.
    auto &c = hospital.connection();
    // An in-patient with a stored assessment, so the ARR and the discount show what they hold.
    const QString id = test::scalar(c,
        QStringLiteral("SELECT min(a.IdNum) FROM MSS..tbMSSAssessment a JOIN PATIENT_DATA..tbPatient2 p "
                       "ON p.IdNum = a.IdNum WHERE p.DcrDate IS NULL"));
    const QString hosp
        = test::scalar(c, QStringLiteral("SELECT HospNum FROM PATIENT_DATA..tbPatient2 WHERE IdNum = '%1'").arg(id));
    const QString last
        = test::scalar(c, QStringLiteral("SELECT LastName FROM PATIENT_DATA..tbMaster WHERE HospNum = '%1'").arg(hosp));
    patients::frmListPatient *list = main->showPatientList();
    list->txtLastname->setText(last);
    list->SearchPatients(QString(), last, QString(), QString(), QString());
    if (list->model()->rowCount() == 0)
        throw std::runtime_error("the patient list found nobody named " + last.toStdString());
    for (int row = 0; row < list->model()->rowCount(); ++row) {
        if (list->model()->text(row, 0) == id)
            list->lvwSearchPatient->setCurrentIndex(list->model()->index(row, 0));
    }
    list->SelectCurrentPatient();
    if (QMdiSubWindow *frame = qobject_cast<QMdiSubWindow *>(list->parentWidget()))
        frame->showMaximized();
    save(main, QStringLiteral("main-window"));

    main->action(QStringLiteral("mnuIntakeSheet"))->trigger();
    intake::frmIntakeSurveySheet *sheet = main->intakeSheet();
    if (sheet)
        frameOf(sheet)->showMaximized();
    save(sheet ? frameOf(sheet) : nullptr, QStringLiteral("intake-sheet"));
    frameOf(sheet)->close(); // the list stays, with its patient chosen
    settle();

    grabModal(
        QStringLiteral("frmARR"), QStringLiteral("arr"), [main] { main->action(QStringLiteral("mnuARR"))->trigger(); },
        answers);
    grabModal(
        QStringLiteral("frmEditClass"), QStringLiteral("edit-class"),
        [main] { main->action(QStringLiteral("mnuEditPatClass"))->trigger(); }, answers);
    grabModal(
        QStringLiteral("frmDischargeNotice"), QStringLiteral("discharge-notices"),
        [main] { main->action(QStringLiteral("mnuDischargeNotice"))->trigger(); }, answers);

    notices::frmReferralToMedicalTeam *referrals = main->noticeDesk().showReferralNotices();
    save(frameOf(referrals), QStringLiteral("referral-notices"));
    frameOf(referrals)->close();
    settle();

    classification::frmComputeDiscount *discount = main->showComputeDiscount();
    save(frameOf(discount), QStringLiteral("discount"));
    main->mdiArea->closeAllSubWindows();
    settle();

    reports::ReportRunner &runner = main->reportRunner();
    runner.OpenReport(shell::Session().ReportsPath + QStringLiteral("\\ListofGrantees.rpt"), {});
    reports::frmReportViewer *viewer = runner.ShowReport(false, QStringLiteral("View List of Grantees"), false);
    settle(600);
    save(frameOf(viewer), QStringLiteral("report-viewer"));
    main->mdiArea->closeAllSubWindows();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Medical Social Service"));
    QApplication::setOrganizationName(QStringLiteral("MSS"));
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: mss-screenshots OUTPUT-FOLDER\n");
        return 2;
    }
    g_output = QDir(args[1]);
    g_output.mkpath(QStringLiteral("."));
    // Settings and window places of the pictures' own, never the user's.
    QStandardPaths::setTestModeEnabled(true);
    try {
        test::DemoHospital hospital;
        run(hospital);
        test::endDemoSession();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "mss-screenshots: %s\n", e.what());
        return 1;
    }
    return 0;
}
