// `ondix list --json` with 253 emulated units on one /24 of a private test network: how many
// it lists, and the wall time from starting the process to its output, against the search's
// own collection wait (--wait, 1000 ms by default). The process start alone (`ondix
// --version` the same way) is shown for comparison. Needs root; prints medians over --runs.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/benchStats.h"
#include "tests/support/testNetwork.h"

namespace {

struct TListRun {
    double toOutputMs = -1;  // start to the first byte on standard output
    double toExitMs = -1;
    int listed = 0;
};

TListRun runOnce(const QString& ns, const QStringList& args, const QString& runtimeDir)
{
    TListRun result;
    QProcess p;
    // The tool's per-user socket goes here, away from a window of this computer's user.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    p.setProcessEnvironment(env);
    QElapsedTimer clock;
    QObject::connect(&p, &QProcess::readyReadStandardOutput, [&] {
        if (result.toOutputMs < 0)
            result.toOutputMs = double(clock.nsecsElapsed()) / 1e6;
    });
    clock.start();
    p.start(QStringLiteral("ip"), QStringList {"netns", "exec", ns, QStringLiteral(ONDIX_CLI_PATH)} + args);
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished(3000);
        return result;
    }
    result.toExitMs = double(clock.nsecsElapsed()) / 1e6;
    const QByteArray out = p.readAllStandardOutput();
    result.listed = int(QJsonDocument::fromJson(out).array().size());
    return result;
}

void report(const char* what, const std::vector<TListRun>& runs, double waitMs)
{
    std::vector<double> output, exit;
    int minListed = 1 << 30, maxListed = 0;
    for (const TListRun& r : runs) {
        output.push_back(r.toOutputMs);
        exit.push_back(r.toExitMs);
        minListed = std::min(minListed, r.listed);
        maxListed = std::max(maxListed, r.listed);
    }
    const double median = benchstats::median(output);
    std::printf("| %-30s | %4zu | %9.1f | %7.1f | %7.1f | %9.1f | %5.2f | %4d | %4d |\n", what, runs.size(), median,
        *std::min_element(output.begin(), output.end()), *std::max_element(output.begin(), output.end()),
        benchstats::median(exit), waitMs > 0 ? median / waitMs : 0.0, minListed, maxListed);
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = benchstats::benchRuns(argc, argv, 9);
    QCoreApplication app(argc, argv);
    QString why;
    if (TTestNetwork::check(&why) != 0) {
        std::fprintf(stderr, "bench_cli_list skipped: %s\n", qPrintable(why.trimmed()));
        return 0;
    }
    TTestNetwork net(QStringLiteral("bcl%1").arg(QCoreApplication::applicationPid()));
    if (!net.up(253)
        || !net.startSim({},
            {QStringLiteral("--address"), QStringLiteral("10.231.1.2"), QStringLiteral("--devices"),
                QStringLiteral("253")})) {
        std::fprintf(stderr, "bench_cli_list: cannot make the test network with 253 units\n");
        return 1;
    }
    const QString ns = net.namespaceName("tool");
    QTemporaryDir runtimeDir;
    std::printf("| %-30s | %4s | %9s | %7s | %7s | %9s | %5s | %4s | %4s |\n", "run", "runs", "output ms", "min", "max",
        "exit ms", "/wait", "list", "max");
    std::printf("|%s|------|-----------|---------|---------|-----------|-------|------|------|\n",
        QByteArray(32, '-').constData());

    std::vector<TListRun> start;
    for (int i = 0; i < runs; ++i)
        start.push_back(runOnce(ns, {QStringLiteral("--version")}, runtimeDir.path()));
    report("ondix --version (start-up)", start, 0);

    for (const int waitMs : {1000, 300}) {
        std::vector<TListRun> lists;
        for (int i = 0; i < runs; ++i)
            lists.push_back(runOnce(ns,
                {QStringLiteral("list"), QStringLiteral("--json"), QStringLiteral("--wait"), QString::number(waitMs)},
                runtimeDir.path()));
        const QByteArray what = QStringLiteral("list --json, --wait %1").arg(waitMs).toUtf8();
        report(what.constData(), lists, waitMs);
    }
    net.down();
    return 0;
}
