// mss-bench: runs every benchmark, or those named with --filter; --quick uses small sizes so
// that CI can prove the benchmarks work without judging speed.
#include "bench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <cstdio>
#include <stdexcept>

#include <sqlite3.h>

namespace mss::bench {

std::vector<Benchmark> &registry()
{
    static std::vector<Benchmark> benchmarks;
    return benchmarks;
}

Register::Register(const QString &name, std::function<void(bool quick)> run)
{
    registry().push_back({ name, std::move(run) });
}

void report(const QString &name, double value, const QString &unit)
{
    std::printf("BENCH %s %.4g%s%s\n", qPrintable(name), value, unit.isEmpty() ? "" : " ", qPrintable(unit));
    std::fflush(stdout);
}

int runProcedureTextRaw(sqlite3 *db, const QByteArray &source, const char *argument, const QByteArray &value)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, source.constData(), int(source.size()), &stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    for (const char *name : { "@HospNum", "@LastName", "@IdNum", "@FirstName", "@MiddleName" })
        sqlite3_bind_text(stmt, sqlite3_bind_parameter_index(stmt, name), "", 0, SQLITE_STATIC);
    if (argument)
        sqlite3_bind_text(
            stmt, sqlite3_bind_parameter_index(stmt, argument), value.constData(), int(value.size()), SQLITE_STATIC);
    int rows = 0;
    size_t bytes = 0;
    const int columns = sqlite3_column_count(stmt);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        ++rows;
        for (int i = 0; i < columns; ++i)
            bytes += size_t(sqlite3_column_bytes(stmt, i)) + (sqlite3_column_text(stmt, i) ? 1 : 0);
    }
    sqlite3_finalize(stmt);
    if (rows > 0 && bytes == 0)
        throw std::runtime_error("the raw query read no bytes");
    return rows;
}

double bestOf(int runs, const std::function<void()> &fn)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        fn();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

} // namespace mss::bench

int main(int argc, char *argv[])
{
    // Window benchmarks need a platform; without a display they render offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (app.arguments().size() == 3 && app.arguments()[1] == QLatin1String("--list-rss"))
        return mss::bench::listResidentMemoryChild(app.arguments()[2]);
    bool quick = false;
    QStringList filters;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--quick"))
            quick = true;
        else if (args[i] == QLatin1String("--filter") && i + 1 < args.size())
            filters.append(args[++i]);
        else {
            std::fprintf(stderr, "usage: mss-bench [--quick] [--filter NAME]...\n");
            return 2;
        }
    }
    int ran = 0;
    for (const auto &benchmark : mss::bench::registry()) {
        if (!filters.isEmpty() && !std::any_of(filters.begin(), filters.end(), [&](const QString &f) {
                return benchmark.name.contains(f, Qt::CaseInsensitive);
            }))
            continue;
        try {
            benchmark.run(quick);
            ++ran;
        } catch (const std::exception &e) {
            std::fprintf(stderr, "benchmark %s failed: %s\n", qPrintable(benchmark.name), e.what());
            return 1;
        }
    }
    if (ran == 0) {
        std::fprintf(stderr, "no benchmark matched\n");
        return 1;
    }
    return 0;
}
