// A 1,000-row census rendered to PDF with the shipped census definition: queries, layout and
// PDF output together. The baseline is the least any PDF of those rows costs: the same query,
// and each cell's text drawn at a fixed place on a PDF page of 50 rows, with no layout at all.
#include "bench.h"

#include "db/hospitaldb.h"
#include "reportfiles.h"

#include <QCoreApplication>
#include <QDir>
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

// 1,000 in-patients in the hospital on 03/15/2026, in 8 stations.
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

// Resident and peak memory of this process in MB, from the kernel's own figures.
double memoryMb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

// A long census must not hold a copy of the whole document per page: the memory it adds while
// rendering grows with its rows, not with rows times pages. Measured on a hospital of its own,
// after the 1,000-row run has warmed fonts and caches.
void measureMemory(int rows)
{
    QTemporaryDir dir;
    auto db = data::createHospitalDatabase(dir.path());
    fillHospital(*db, rows);
    reports::ReportContext ctx;
    ctx.connection = db.get();
    ctx.hospitalName = QStringLiteral("VELLMORE MEDICAL CENTER");
    const QString definition = reportsFolder() + QStringLiteral("/Daily_Report_Admission.rpt");
    const double before = memoryMb("VmRSS:");
    int pages = 0;
    const double seconds = bench::bestOf(1, [&] {
        pages = reports::renderToPdf(definition, ctx, { QStringLiteral("03/15/2026"), QStringLiteral("MSS01") }, {},
            dir.filePath(QStringLiteral("long.pdf")));
    });
    const double peak = memoryMb("VmHWM:");
    bench::report(QStringLiteral("census_%1_pdf_ms").arg(rows), seconds * 1000, QStringLiteral("ms"));
    bench::report(QStringLiteral("census_%1_pdf_pages").arg(rows), pages);
    bench::report(QStringLiteral("census_%1_peak_growth_mb").arg(rows), peak - before, QStringLiteral("MB"));
    bench::report(QStringLiteral("census_%1_peak_growth_kb_per_page").arg(rows),
        (peak - before) * 1024 / qMax(1, pages), QStringLiteral("KB"));
}

void measure(bool quick)
{
    QTemporaryDir dir;
    auto db = data::createHospitalDatabase(dir.path());
    const int rows = quick ? 200 : 1000;
    fillHospital(*db, rows);
    reports::ReportContext ctx;
    ctx.connection = db.get();
    ctx.hospitalName = QStringLiteral("VELLMORE MEDICAL CENTER");
    const QString definition = reportsFolder() + QStringLiteral("/Daily_Report_Admission.rpt");
    const QString pdf = dir.filePath(QStringLiteral("census.pdf"));

    int pages = 0;
    const double full = bench::bestOf(3, [&] {
        pages
            = reports::renderToPdf(definition, ctx, { QStringLiteral("03/15/2026"), QStringLiteral("MSS01") }, {}, pdf);
    });
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
    measureMemory(quick ? 1000 : 5000);
}

// Reports need fonts, and fonts need a QGuiApplication. When the benchmark program was started
// with a plain QCoreApplication, the measurement runs in a child copy of it that starts a
// QGuiApplication (offscreen) before main, measures, prints its lines and ends.
const char *const childVariable = "MSS_BENCH_REPORTS_CHILD";

struct ChildRun {
    ChildRun()
    {
        if (!qEnvironmentVariableIsSet(childVariable))
            return;
        static int argc = 1;
        static char name[] = "mss-bench";
        static char *argv[] = { name, nullptr };
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        int rc = 0;
        {
            QGuiApplication app(argc, argv);
            try {
                measure(qgetenv(childVariable) == "quick");
            } catch (const std::exception &e) {
                std::fprintf(stderr, "benchmark census_pdf failed: %s\n", e.what());
                rc = 1;
            }
        }
        std::fflush(stdout);
        std::exit(rc);
    }
} childRun;

const bench::Register census(QStringLiteral("census_pdf"), [](bool quick) {
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        measure(quick);
        return;
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(childVariable), quick ? QStringLiteral("quick") : QStringLiteral("full"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {});
    if (!child.waitForFinished(600000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        throw std::runtime_error("the census benchmark's child process failed");
    bench::reportOutput(child.readAllStandardOutput());
});

} // namespace
