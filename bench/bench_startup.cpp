// Start-up to the main window on the demo database, the log-on answered programmatically.
#include "bench.h"

#include "db/demodata.h"
#include "db/hospitaldb.h"
#include "db/password.h"
#include "shell/startup.h"
#include "support/sessionfixture.h"
#include "ui/messages.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace mss;

namespace {

const bench::Register startup(QStringLiteral("startup"), [](bool quick) {
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir dir;
    {
        auto db = data::createHospitalDatabase(dir.path());
        data::DemoOptions options;
        options.admissions = quick ? 300 : 2000; // what a first use creates
        data::generateDemoData(*db, options);
    }
    const QString folder = dir.path();
    double passwordMs = 0;
    test::answerLogOn(folder);

    QElapsedTimer hashTimer;
    const QString hash = data::hashPassword(QStringLiteral("x"));
    hashTimer.start();
    data::verifyPassword(hash, QStringLiteral("x"));
    passwordMs = hashTimer.nsecsElapsed() / 1e6;

    const int runs = quick ? 1 : 5;
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        shell::StartSession();
        QMainWindow *main = shell::MainWindow();
        if (!main)
            throw std::runtime_error("start-up opened no main window");
        QCoreApplication::processEvents();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
        main->setProperty("changingUser", true);
        main->close();
        shell::EndSession();
    }
    ui::Messages::setDialogHandler(nullptr);
    bench::report(QStringLiteral("startup_ms"), best, QStringLiteral("ms"));
    bench::report(QStringLiteral("startup_password_check_ms"), passwordMs, QStringLiteral("ms"));
});

} // namespace
