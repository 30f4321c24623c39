// mss-bench: runs every benchmark, or those named with --filter; --quick uses small sizes so
// that CI can prove the benchmarks work without judging speed.
#include "bench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <utility>

#include <sqlite3.h>

namespace mss::bench {

namespace {

// The samples of one benchmark's figures, in the order they were first reported.
struct Figure {
    QString name;
    QString unit;
    std::vector<double> samples;
};
void printFigures(std::vector<Figure> &figures);

struct Session {
    std::vector<Figure> figures;
    int repeat = 5;
    // A child process of a benchmark may end with exit() after its figures: they still print.
    ~Session() { printFigures(figures); }
};

Session &session()
{
    static Session s;
    return s;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Prints each figure once, as its median and spread, and forgets them.
void printFigures(std::vector<Figure> &figures)
{
    for (const Figure &f : std::exchange(figures, {})) {
        const auto [least, most] = std::minmax_element(f.samples.begin(), f.samples.end());
        std::printf("BENCH %s %.4g%s%s min=%.4g max=%.4g\n", qPrintable(f.name), median(f.samples),
            f.unit.isEmpty() ? "" : " ", qPrintable(f.unit), *least, *most);
    }
    std::fflush(stdout);
}

double seconds(const std::function<void()> &fn)
{
    QElapsedTimer timer;
    timer.start();
    fn();
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

std::vector<Benchmark> &registry()
{
    static std::vector<Benchmark> benchmarks;
    return benchmarks;
}

Register::Register(const QString &name, std::function<void(bool quick)> run, Repetition repetition)
{
    registry().push_back({ name, std::move(run), repetition });
}

void report(const QString &name, double value, const QString &unit)
{
    std::vector<Figure> &figures = session().figures;
    auto it = std::find_if(figures.begin(), figures.end(), [&](const Figure &f) { return f.name == name; });
    if (it == figures.end())
        it = figures.insert(figures.end(), { name, unit, {} });
    it->samples.push_back(value);
}

void reportOutput(const QByteArray &output)
{
    for (const QByteArray &line : output.split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() >= 3 && words[0] == "BENCH") {
            const bool hasUnit = words.size() >= 4 && !words[3].contains('=');
            report(QString::fromUtf8(words[1]), words[2].toDouble(), hasUnit ? QString::fromUtf8(words[3]) : QString());
        } else if (!line.isEmpty()) {
            std::printf("%s\n", line.constData());
        }
    }
}

int repeatCount()
{
    return session().repeat;
}

Interleaved interleave(int pairs, const std::function<void()> &measured, const std::function<void()> &baseline)
{
    // Caches, prepared statements and lazily built structures warm up untimed.
    baseline();
    measured();
    Interleaved result;
    for (int i = 0; i < pairs; ++i) {
        result.baseline.push_back(seconds(baseline));
        result.measured.push_back(seconds(measured));
    }
    return result;
}

void reportInterleaved(const QString &name, const Interleaved &samples, const QString &msName)
{
    for (size_t i = 0; i < samples.measured.size(); ++i) {
        report(name + QStringLiteral("_ratio"), samples.ratio(i));
        if (!msName.isEmpty())
            report(msName, samples.measured[i] * 1e3, QStringLiteral("ms"));
    }
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

QByteArray procedureSource(sqlite3 *db, const QString &name, const QString &schema)
{
    const QByteArray sql = QStringLiteral("SELECT source FROM %1.mss_procedures WHERE name = ?1").arg(schema).toUtf8();
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    const QByteArray nameUtf8 = name.toUtf8();
    sqlite3_bind_text(stmt, 1, nameUtf8.constData(), -1, SQLITE_STATIC);
    QByteArray source;
    if (sqlite3_step(stmt) == SQLITE_ROW)
        source
            = QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)), sqlite3_column_bytes(stmt, 0));
    sqlite3_finalize(stmt);
    if (source.isEmpty())
        throw std::runtime_error("no stored procedure " + nameUtf8.toStdString());
    return source;
}

double bestOf(int runs, const std::function<void()> &fn)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i)
        best = std::min(best, seconds(fn));
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
    if (app.arguments().size() == 3 && app.arguments()[1] == QLatin1String("--census-pdf"))
        return mss::bench::censusPdfChild(app.arguments()[2].toInt());
    bool quick = false;
    QStringList filters;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--quick"))
            quick = true;
        else if (args[i] == QLatin1String("--filter") && i + 1 < args.size())
            filters.append(args[++i]);
        else if (args[i] == QLatin1String("--repeat") && i + 1 < args.size() && args[i + 1].toInt() > 0)
            mss::bench::session().repeat = args[++i].toInt();
        else {
            std::fprintf(stderr, "usage: mss-bench [--quick] [--repeat N] [--filter NAME]...\n");
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
            const int runs
                = benchmark.repetition == mss::bench::Repetition::ByFramework ? mss::bench::repeatCount() : 1;
            for (int i = 0; i < runs; ++i)
                benchmark.run(quick);
            mss::bench::printFigures(mss::bench::session().figures);
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
