// The demo hospital at full size: how long it takes to create, and what the embedded driver
// adds to the in-patient search over the same SQLite query run by hand.
#include "bench.h"

#include "db/demodata.h"
#include "db/hospitaldb.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sqlite3.h>

using namespace mss;

namespace {

const bench::Register hospital(QStringLiteral("demo_and_search"), [](bool quick) {
    const int admissions = quick ? 5000 : data::kDemoMaxAdmissions;
    QTemporaryDir dir;
    QElapsedTimer timer;
    timer.start();
    auto db = data::createHospitalDatabase(dir.path());
    data::DemoOptions options;
    options.admissions = admissions;
    options.seed = 1;
    data::generateDemoData(*db, options);
    const double createSeconds = timer.nsecsElapsed() / 1e9;
    bench::report(quick ? QStringLiteral("demo_create_5k_s") : QStringLiteral("demo_create_200k_s"), createSeconds,
        QStringLiteral("s"));

    // The most common three-letter start of a last name: the search a user makes most.
    const QString prefix = db->open(QStringLiteral("SELECT substr(LastName, 1, 3) FROM PATIENT_DATA..tbMaster "
                                                   "GROUP BY 1 ORDER BY count(*) DESC LIMIT 1"))
                               .text(0);
    const QString call = QStringLiteral("MSS..sp_MSS_LoadInPatient '','%1','','',''").arg(prefix);
    // The raw query: the procedure's own text, prepared and stepped by hand with the same values.
    const QByteArray source = bench::procedureSource(db->handle(), QStringLiteral("sp_MSS_LoadInPatient"));
    int rows = 0;
    int rawRows = 0;
    const QByteArray prefixUtf8 = prefix.toUtf8();
    const bench::Interleaved search = bench::interleave(
        5, [&] { rows = db->open(call).recordCount(); },
        [&] { rawRows = bench::runProcedureTextRaw(db->handle(), source, "@LastName", prefixUtf8); });
    if (rows != rawRows || rows == 0)
        throw std::runtime_error("the procedure and the raw query disagree");
    bench::report(QStringLiteral("inpatient_search_rows"), rows);
    bench::reportInterleaved(QStringLiteral("inpatient_search"), search, QStringLiteral("inpatient_search_ms"));
});

} // namespace
