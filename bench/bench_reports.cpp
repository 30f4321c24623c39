// The census report with the shipped definition: a day's 1,000 rows to PDF against the least any
// PDF of those rows costs (the same query, each cell drawn at a fixed place, no layout); a year's
// 50,000 rows to PDF with the memory the render adds; and how soon the viewer shows page 1.
#include "bench.h"

#include "db/hospitaldb.h"
#include "engine/reportfiles.h"
#include "reports/frmreportviewer.h"
#include "reports/reportpageview.h"
#include "reports/reportrunner.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <stdexcept>

using namespace mss;

namespace {

QString reportsFolder()
{
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/REPORTS");
    if (QFileInfo::exists(beside + QStringLiteral("/Daily_Report_Admission.rpt")))
        return beside;
    // The compiler ran in the build folder, where mss-bench lives: this file's path leads to the sources.
    return QDir::cleanPath(QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral(__FILE__))
        + QStringLiteral("/../../REPORTS"));
}

QString censusDefinition()
{
    return reportsFolder() + QStringLiteral("/Daily_Report_Admission.rpt");
}

const QVariantList censusValues { QStringLiteral("03/15/2026"), QStringLiteral("MSS01") };

// `patients` in-patients in the hospital on 03/15/2026, in 8 stations.
void fillHospital(data::EmbeddedConnection &c, int patients)
{
    c.executeScript(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40)"
        " INSERT INTO PATIENT_DATA.tbRoom (RoomID, Station, RoomType, RoomRate)"
        "  SELECT printf('R%03d', i), printf('STATION %d', i % 8 + 1), 'WARD', 800 + (i % 5) * 250.5 FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30)"
        " INSERT INTO PATIENT_DATA.tbDoctor (DoctorID, LastName, FirstName) SELECT printf('D%03d', i), "
        "printf('DOCTOR%d', i), 'JUAN' FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < @n)"
        " INSERT INTO PATIENT_DATA.tbMaster (HospNum, LastName, FirstName, MiddleName, Sex)"
        "  SELECT printf('%07d', i), printf('LASTNAME%04d', (i * 37) % 997), printf('FIRSTNAME %d', i), 'SANTOS',"
        "         CASE WHEN i % 2 = 0 THEN 'F' ELSE 'M' END FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < @n)"
        " INSERT INTO PATIENT_DATA.tbPatient2 (IdNum, HospNum, AdmDate, RoomID, DoctorID, PatientClass)"
        "  SELECT printf('%08d', i), printf('%07d', i), printf('2026-03-%02d 08:30:00', 1 + i % 14), printf('R%03d', 1 "
        "+ i % 40),"
        "         printf('D%03d', 1 + i % 30), CASE WHEN i % 3 = 0 THEN 'P' ELSE 'S' END FROM n;")
                        .replace(QStringLiteral("@n"), QString::number(patients)));
}

reports::ReportContext contextOf(data::Connection &connection)
{
    reports::ReportContext ctx;
    ctx.connection = &connection;
    ctx.hospitalName = QStringLiteral("VELLMORE MEDICAL CENTER");
    return ctx;
}

// A figure of /proc/self/status in MB.
double statusMb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

// Makes the kernel's high-water mark start again from what the process holds now, so the peak
// read afterwards belongs to what ran since, not to whatever came before in the process.
void resetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1)
        throw std::runtime_error("the peak memory cannot be reset (/proc/self/clear_refs)");
}

// A year's census to PDF, measured in a process that does nothing else: the hospital is filled
// first, the peak is reset, then the report renders. The growth is the peak over what the
// process held before the render, which is what /usr/bin/time shows over an idle mss-db.
void measureLongCensus(int rows)
{
    QTemporaryDir dir;
    auto db = data::createHospitalDatabase(dir.path());
    fillHospital(*db, rows);
    reports::ensureReportFonts();
    const reports::ReportContext ctx = contextOf(*db);
    const double before = statusMb("VmRSS:");
    resetPeakMemory();
    QElapsedTimer timer;
    timer.start();
    const int pages
        = reports::renderToPdf(censusDefinition(), ctx, censusValues, {}, dir.filePath(QStringLiteral("long.pdf")));
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double growth = statusMb("VmHWM:") - before;
    const QString name = QStringLiteral("census_%1").arg(rows);
    bench::report(name + QStringLiteral("_pdf_s"), seconds, QStringLiteral("s"));
    bench::report(name + QStringLiteral("_rows_per_s"), rows / seconds, QStringLiteral("rows/s"));
    bench::report(name + QStringLiteral("_pdf_pages"), pages);
    bench::report(name + QStringLiteral("_peak_growth_mb"), growth, QStringLiteral("MB"));
    bench::report(
        QStringLiteral("census_peak_growth_kb_per_page"), growth * 1024 / qMax(1, pages), QStringLiteral("KB"));
}

void measureDay(bool quick)
{
    QTemporaryDir dir;
    auto db = data::createHospitalDatabase(dir.path());
    const int rows = quick ? 200 : 1000;
    fillHospital(*db, rows);
    const reports::ReportContext ctx = contextOf(*db);
    const QString pdf = dir.filePath(QStringLiteral("census.pdf"));

    int pages = 0;
    const double full
        = bench::bestOf(3, [&] { pages = reports::renderToPdf(censusDefinition(), ctx, censusValues, {}, pdf); });
    if (pages < 2)
        throw std::runtime_error("the census printed fewer pages than its rows need");

    const double raw = bench::bestOf(3, [&] {
        const data::Recordset rs = db->query(QStringLiteral(
            "SELECT p.IdNum, p.HospNum, m.LastName || ', ' || m.FirstName, m.Sex, p.RoomID, r.Station, r.RoomRate, "
            "p.AdmDate,"
            " d.LastName || ', ' || d.FirstName, p.PatientClass FROM PATIENT_DATA.tbPatient2 p"
            " JOIN PATIENT_DATA.tbMaster m ON m.HospNum = p.HospNum LEFT JOIN PATIENT_DATA.tbRoom r ON r.RoomID = "
            "p.RoomID"
            " LEFT JOIN PATIENT_DATA.tbDoctor d ON d.DoctorID = p.DoctorID ORDER BY r.Station, m.LastName"));
        QPdfWriter writer(dir.filePath(QStringLiteral("raw.pdf")));
        writer.setResolution(1200);
        QPainter painter(&writer);
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPointSizeF(8);
        painter.setFont(font);
        const double k = 1200.0 / 72.0;
        int line = 0;
        for (const QVariantList &row : rs.rows()) {
            if (line == 50) {
                writer.newPage();
                line = 0;
            }
            for (int c = 0; c < row.size(); ++c)
                painter.drawText(QPointF((36 + c * 54) * k, (60 + line * 13) * k), data::variantText(row[c]));
            ++line;
        }
    });

    bench::report(QStringLiteral("census_%1_pdf_s").arg(rows), full, QStringLiteral("s"));
    bench::report(QStringLiteral("census_%1_pdf_ms").arg(rows), full * 1000, QStringLiteral("ms"));
    bench::report(QStringLiteral("census_%1_pdf_pages").arg(rows), pages);
    bench::report(QStringLiteral("census_%1_raw_pdf_s").arg(rows), raw, QStringLiteral("s"));
    bench::report(QStringLiteral("census_%1_pdf_ratio").arg(rows), full / raw);
}

// From "run" (the runner's ShowReport, queries included) to page 1 painted in the viewer, on the
// long census; then how long closing takes while the rest is still being laid out.
void measureViewer(bool quick)
{
    const int rows = quick ? 5000 : 50000;
    QTemporaryDir dir;
    auto db = data::createHospitalDatabase(dir.path());
    fillHospital(*db, rows);
    reports::ensureReportFonts();
    reports::ReportRunner runner(nullptr, [&] { return contextOf(*db); });
    QElapsedTimer timer;
    timer.start();
    runner.OpenReport(censusDefinition(), censusValues);
    reports::frmReportViewer *viewer = runner.ShowReport(false, QStringLiteral("Census"), false);
    const double shown = timer.nsecsElapsed() / 1e6;
    auto *view = viewer->findChild<reports::ReportPageView *>(QStringLiteral("CRViewer1"));
    while (!view->firstPageShown() && timer.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (!view->firstPageShown())
        throw std::runtime_error("the viewer never showed its first page");
    const double firstPage = timer.nsecsElapsed() / 1e6;
    const int pagesAtFirstPaint = viewer->pageCount();
    QElapsedTimer closing;
    closing.start();
    viewer->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const double closed = closing.nsecsElapsed() / 1e6;
    // What no layout can go below: the census's query and the reading of its rows.
    QElapsedTimer querying;
    querying.start();
    reports::openReportFile(censusDefinition(), censusValues).prepare(contextOf(*db))->readAllRows();
    const double query = querying.nsecsElapsed() / 1e6;
    bench::report(QStringLiteral("viewer_window_open_ms"), shown, QStringLiteral("ms"));
    bench::report(QStringLiteral("viewer_first_page_ms"), firstPage, QStringLiteral("ms"));
    bench::report(QStringLiteral("viewer_pages_at_first_paint"), pagesAtFirstPaint);
    bench::report(QStringLiteral("viewer_close_during_layout_ms"), closed, QStringLiteral("ms"));
    bench::report(QStringLiteral("viewer_query_ms"), query, QStringLiteral("ms"));
}

// The long census runs in a child process of its own, so that its peak memory is its own.
void runLongCensusChild(int rows)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--census-pdf"), QString::number(rows) });
    if (!child.waitForFinished(600000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        throw std::runtime_error("the census benchmark's child process failed");
    bench::reportOutput(child.readAllStandardOutput());
}

const bench::Register census(QStringLiteral("census_pdf"), [](bool quick) {
    measureDay(quick);
    runLongCensusChild(quick ? 5000 : 50000);
});

const bench::Register viewer(QStringLiteral("census_viewer"), [](bool quick) {
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        throw std::runtime_error("the viewer benchmark needs a QApplication");
    measureViewer(quick);
});

} // namespace

int bench::censusPdfChild(int rows)
{
    try {
        measureLongCensus(rows); // its figures print as the program ends
    } catch (const std::exception &e) {
        std::fprintf(stderr, "benchmark census_pdf failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
