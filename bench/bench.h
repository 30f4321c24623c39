#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

struct sqlite3;

namespace mss::bench {

// A benchmark prints its figures as "BENCH <name> <value> <unit>" lines; a ratio is measured
// against a baseline in the same run, so it means the same on any machine.
struct Benchmark {
    QString name;
    std::function<void(bool quick)> run;
};

std::vector<Benchmark> &registry();

struct Register {
    Register(const QString &name, std::function<void(bool quick)> run);
};

void report(const QString &name, double value, const QString &unit = {});

// The baseline of the list benchmarks: a stored procedure's own text prepared and stepped
// directly on SQLite with every @argument empty but one, reading every column as text.
// Returns the number of rows.
int runProcedureTextRaw(sqlite3 *db, const QByteArray &source, const char *argument, const QByteArray &value);

// Seconds taken by fn, the best of a few runs so that a busy neighbour counts less.
double bestOf(int runs, const std::function<void()> &fn);

// Run in a child process of the benchmark: shows the whole in-patient list of the hospital in
// the folder and prints the resident memory in MB.
int listResidentMemoryChild(const QString &folder);

} // namespace mss::bench
