// mss-bench: runs every benchmark, or those named with --filter; --quick uses small sizes so
// that CI can prove the benchmarks work without judging speed.
#include "bench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <cstdio>

namespace mss::bench {

std::vector<Benchmark> &registry()
{
    static std::vector<Benchmark> benchmarks;
    return benchmarks;
}

Register::Register(const QString &name, std::function<void(bool quick)> run)
{
    registry().push_back({name, std::move(run)});
}

void report(const QString &name, double value, const QString &unit)
{
    std::printf("BENCH %s %.4g%s%s\n", qPrintable(name), value, unit.isEmpty() ? "" : " ", qPrintable(unit));
    std::fflush(stdout);
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
