#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

struct sqlite3;

namespace mss::bench {

// Who repeats a benchmark. Most are simply run again; one that builds a big hospital first
// would spend most of the run building it, so it builds once and repeats its own measurements
// (repeatCount() times), reporting each.
enum class Repetition { ByFramework, ByBenchmark };

struct Benchmark {
    QString name;
    std::function<void(bool quick)> run;
    Repetition repetition = Repetition::ByFramework;
};

std::vector<Benchmark> &registry();

struct Register {
    Register(const QString &name, std::function<void(bool quick)> run, Repetition repetition = Repetition::ByFramework);
};

// Records one sample of a figure. Every benchmark runs several times (--repeat N, 5 unless told
// otherwise) and each figure is printed once at the end of its benchmark as
// "BENCH <name> <median> <unit> min=<least> max=<most>", so that one slow moment on a shared
// machine moves the spread, not the figure.
void report(const QString &name, double value, const QString &unit = {});

// Takes the "BENCH" lines a child process of a benchmark printed as samples of their figures;
// other lines pass through.
void reportOutput(const QByteArray &output);

// How many samples a figure gets: what --repeat asked for.
int repeatCount();

// A figure measured against a baseline: both are timed alternately (baseline, measured,
// baseline, measured …) after one untimed warm-up of each, so that load from elsewhere falls
// on both alike. Times are in seconds, one per pair.
struct Interleaved {
    std::vector<double> measured;
    std::vector<double> baseline;
    double ratio(size_t pair) const { return measured[pair] / baseline[pair]; }
};
Interleaved interleave(int pairs, const std::function<void()> &measured, const std::function<void()> &baseline);

// Reports "<name>_ratio" for every pair of an interleaved measurement, and, when given,
// "<msName>" as the measured time in milliseconds.
void reportInterleaved(const QString &name, const Interleaved &samples, const QString &msName = {});

// The baseline of the list benchmarks: a stored procedure's own text prepared and stepped
// directly on SQLite with every @argument empty but one, reading every column as text.
// Returns the number of rows.
int runProcedureTextRaw(sqlite3 *db, const QByteArray &source, const char *argument, const QByteArray &value);
// A stored procedure's text as a database keeps it ("main" is MSS), for the raw baselines.
QByteArray procedureSource(sqlite3 *db, const QString &name, const QString &schema = QStringLiteral("main"));

// Seconds taken by fn, the best of a few runs so that a busy neighbour counts less.
double bestOf(int runs, const std::function<void()> &fn);

// Run in a child process of the benchmark: shows the whole in-patient list of the hospital in
// the folder and prints the resident memory in MB.
int listResidentMemoryChild(const QString &folder);

// Run in a child process of the benchmark: renders the census of `rows` in-patients to PDF and
// prints its time and the memory the render added.
int censusPdfChild(int rows);

} // namespace mss::bench
