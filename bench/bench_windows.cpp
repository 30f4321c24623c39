// The patient list with a big result, and the main window at rest with the notice monitor on.
#include "bench.h"

#include "db/demodata.h"
#include "db/hospitaldb.h"
#include "patients/frmlistpatient.h"
#include "patients/patientlistmodel.h"
#include "shell/startup.h"
#include "support/sessionfixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <sqlite3.h>
#include <sys/resource.h>

using namespace mss;

namespace {

double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

const bench::Register listFill(
    QStringLiteral("list_fill"),
    [](bool quick) {
        // In-patients are about 45 % of the demo's admissions: this many give some 50,000.
        const int admissions = quick ? 5000 : 111600;
        QTemporaryDir dir;
        auto db = data::createHospitalDatabase(dir.path());
        data::DemoOptions options;
        options.admissions = admissions;
        data::generateDemoData(*db, options);

        patients::PatientSelection selection;
        patients::frmListPatient window(selection, db.get(), db.get());
        window.resize(1300, 700);
        window.show();
        QApplication::processEvents();

        const QByteArray source = bench::procedureSource(db->handle(), QStringLiteral("sp_MSS_LoadInPatient"));
        int rows = 0;
        int rawRows = 0;
        auto raw = [&] { rawRows = bench::runProcedureTextRaw(db->handle(), source, nullptr, {}); };
        const int pairs = bench::repeatCount();
        const bench::Interleaved fill = bench::interleave(
            pairs,
            [&] {
                window.SearchPatients(QString(), QString(), QString(), QString(), QString());
                QApplication::processEvents(); // the view lays out and paints what it shows
                rows = window.model()->rowCount();
            },
            raw);
        if (rows != rawRows || rows == 0)
            throw std::runtime_error("the list and the raw query disagree");
        const bench::Interleaved queryOnly = bench::interleave(
            pairs, [&] { db->open(QStringLiteral("MSS..sp_MSS_LoadInPatient '', '','','',''")); }, raw);
        bench::reportInterleaved(QStringLiteral("list_query_only"), queryOnly);

        bench::report(QStringLiteral("list_fill_rows"), rows);
        bench::reportInterleaved(quick ? QStringLiteral("list_fill_quick") : QStringLiteral("list_fill_50k"), fill,
            QStringLiteral("list_fill_ms"));
        // Each click flips the order, so the samples alternate between descending and ascending.
        for (int i = 0; i < pairs; ++i) {
            QElapsedTimer sortTimer;
            sortTimer.start();
            window.model()->sortByColumn(2);
            QApplication::processEvents();
            bench::report(QStringLiteral("list_sort_by_date_ms"), sortTimer.nsecsElapsed() / 1e6, QStringLiteral("ms"));
        }
        // Resident memory of a fresh process that shows the list, so that building the demo
        // hospital in this one does not count.
        for (int i = 0; i < pairs; ++i) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--list-rss"), dir.path() });
            if (!child.waitForFinished(120000) || child.exitCode() != 0)
                throw std::runtime_error("the memory measurement failed");
            bench::report(quick ? QStringLiteral("list_quick_rss_mb") : QStringLiteral("list_50k_rss_mb"),
                child.readAllStandardOutput().trimmed().toDouble(), QStringLiteral("MB"));
        }
    },
    bench::Repetition::ByBenchmark);

} // namespace

namespace mss::bench {

int listResidentMemoryChild(const QString &folder)
{
    auto db = data::openHospitalDatabase(folder);
    patients::PatientSelection selection;
    patients::frmListPatient window(selection, db.get(), db.get());
    window.resize(1300, 700);
    window.show();
    window.SearchPatients(QString(), QString(), QString(), QString(), QString());
    QApplication::processEvents();
    std::printf("%.1f\n", residentMegabytes());
    return window.model()->rowCount() > 0 ? 0 : 1;
}

} // namespace mss::bench

namespace {

const bench::Register idle(QStringLiteral("idle_cpu"), [](bool quick) {
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir dir;
    {
        auto db = data::createHospitalDatabase(dir.path());
        data::DemoOptions options;
        options.admissions = 2000;
        data::generateDemoData(*db, options);
        // No referral waits: the monitor keeps polling, the costlier of its two states.
        db->execute(QStringLiteral("UPDATE MSS..tbMSSReferralNotice SET Status = 'A' WHERE Status = 'P'"));
    }
    if (!test::startDemoSession(dir.path()))
        throw std::runtime_error("no main window");
    QApplication::processEvents();
    const double seconds = quick ? 2.0 : 20.0;
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    const double cpu = cpuSeconds() - cpuBefore;
    const double elapsed = wall.nsecsElapsed() / 1e9;
    test::endDemoSession();
    bench::report(QStringLiteral("idle_cpu_pct"), cpu / elapsed * 100.0, QStringLiteral("%"));
});

} // namespace
