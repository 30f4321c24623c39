// What the embedded driver adds to a small procedure call: parsing the call, finding the
// prepared procedure, binding, a savepoint and reading the rows into a recordset.
#include "bench.h"

#include "data/embedded.h"

#include <QTemporaryDir>

#include <sqlite3.h>

using namespace mss;

namespace {

const bench::Register procCall(
    QStringLiteral("proc_call"),
    [](bool quick) {
        QTemporaryDir dir;
        data::EmbeddedOptions options;
        options.create = true;
        data::EmbeddedConnection c(dir.path(), options);
        c.executeScript(QStringLiteral(
            "CREATE TABLE main.tbBenchWorker (Code TEXT PRIMARY KEY, LastName TEXT, FirstName TEXT, Licence TEXT);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000)"
            " INSERT INTO main.tbBenchWorker SELECT printf('%05d', i), 'LAST' || i, 'FIRST' || i, 'LIC' || i FROM n;"));
        c.storeProcedure(QStringLiteral("MSS"), QStringLiteral("sp_MSS_BenchGetWorker"),
            QStringLiteral(
                "-- params: Code\nSELECT Code, LastName, FirstName, Licence FROM tbBenchWorker WHERE Code = @Code;"));

        const int calls = quick ? 1000 : 2000;
        QStringList codes;
        for (int i = 0; i < calls; ++i)
            codes.append(QString::asprintf("%05d", i % 2000 + 1));

        int found = 0;
        auto viaDriver = [&] {
            for (const QString &code : codes)
                found += c.open(QStringLiteral("MSS..sp_MSS_BenchGetWorker '") + code + QStringLiteral("'"))
                             .recordCount();
        };

        // The baseline: the same statement prepared once on the same SQLite handle, bound and
        // stepped, reading every column as text.
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(c.handle(), "SELECT Code, LastName, FirstName, Licence FROM tbBenchWorker WHERE Code = ?1",
            -1, &stmt, nullptr);
        size_t bytes = 0;
        auto raw = [&] {
            for (const QString &code : codes) {
                const QByteArray utf8 = code.toUtf8();
                sqlite3_bind_text(stmt, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
                while (sqlite3_step(stmt) == SQLITE_ROW)
                    for (int i = 0; i < 4; ++i)
                        bytes += size_t(sqlite3_column_bytes(stmt, i)) + (sqlite3_column_text(stmt, i) ? 1 : 0);
                sqlite3_reset(stmt);
            }
        };
        // Blocks of calls short enough that a burst of load elsewhere spoils few of them.
        const bench::Interleaved samples = bench::interleave(bench::repeatCount() * 3, viaDriver, raw);
        sqlite3_finalize(stmt);
        if (found == 0 || bytes == 0)
            throw std::runtime_error("the benchmark read no rows");

        for (size_t i = 0; i < samples.measured.size(); ++i) {
            bench::report(QStringLiteral("proc_call_us"), samples.measured[i] / calls * 1e6, QStringLiteral("us"));
            bench::report(QStringLiteral("proc_call_raw_us"), samples.baseline[i] / calls * 1e6, QStringLiteral("us"));
        }
        bench::reportInterleaved(QStringLiteral("proc_call"), samples);
    },
    bench::Repetition::ByBenchmark);

} // namespace
