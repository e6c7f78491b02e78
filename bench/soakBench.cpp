// Soak: thousands of device operations through one window, mixing every operation over the
// fake cable (emulated device, virtual clock) and, as root, over a private network against
// ondix-sim, while both emulated devices lose a share of their answers at random. Prints
// the resident memory of this process (and of ondix-sim) at the start, every 1000
// operations and at the end, the longest gap of a 1 ms timer (the largest event-loop
// stall), and the failures: time-outs that no dropped answer explains, and refusals.
//
// Network waits use the real event-loop waiter with 2 ms polls (a lost answer costs 0.2 s
// to 2 s instead of 1 s to 10 s; the RF acknowledgement keeps its 1 ms polls, "Enviar" its
// 9 ms ones). Cable waits run on the virtual clock: a lost answer there costs no real time.
//
//   bench_soak [--ops N] [--drop PERCENT] [--network-share PERCENT] [--every N] [--raw-samples N]
//   (defaults 10000, 5, 20 and 1000; without root the network part is left out)
//
// --raw-samples N makes every RF learning a raw one of N samples (at most 4998 over the
// cable, whose frame holds no more), so that the "Raw Data" memo is filled again and again;
// the memory goal: `bench_soak --ops 500 --every 50 --drop 0 --raw-samples 9998`.
#include "app/dialogs.h"
#include "app/mainUnit.h"
#include "bench/gapRecorder.h"
#include "tests/support/deviceOps.h"
#include "tests/support/testNetwork.h"
#include "tools/devicecore/ondixConfig.h"
#include "tools/devicecore/ondixDevice.h"
#include "tools/fakehid/fakehid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <map>

namespace {

using deviceops::Op;

// Every operation once per round on the cable; on the network the quick reads come more
// often than the writes, learnings and lines, whose lost answers cost the longest waits.
const Op cableRound[] = {Op::search, Op::settingsRead, Op::settingsWrite, Op::rfLearn, Op::irLearn, Op::clockGet,
    Op::clockSet, Op::rtsRead, Op::rtsWrite, Op::macWrite, Op::flashRead, Op::firmware, Op::sendLine};
const Op networkRound[] = {Op::settingsRead, Op::rtsRead, Op::settingsRead, Op::search, Op::rtsRead, Op::settingsWrite,
    Op::settingsRead, Op::clockGet, Op::rtsRead, Op::rfLearn, Op::settingsRead, Op::clockSet, Op::macWrite,
    Op::rtsWrite, Op::irLearn, Op::sendLine};

long residentKb(qint64 pid)
{
    QFile status(pid ? QStringLiteral("/proc/%1/status").arg(pid) : QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Bytes the allocator has handed out and not got back: unlike RSS, blind to fragmentation.
long heapKb()
{
#if defined(__GLIBC__)
    return long(mallinfo2().uordblks / 1024);
#else
    return -1;
#endif
}

// A capture of `count` samples: the demonstration frame over and over.
ondixsim::Capture rawCapture(size_t count)
{
    ondixsim::Capture capture = ondixsim::demoRfCapture();
    const std::vector<uint16_t> frame = capture.durations;
    capture.durations.clear();
    while (capture.durations.size() < count)
        capture.durations.insert(capture.durations.end(), frame.begin(), frame.end());
    capture.durations.resize(count);
    return capture;
}

struct TCounts {
    int ops = 0, timeouts = 0, drops = 0, failures = 0, droppedYetOk = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TDialogs::setScripted(true);
    int total = 10000, dropPercent = 5, networkShare = 20, every = 1000, rawSamples = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--ops"))
            total = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--drop"))
            dropPercent = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--network-share"))
            networkShare = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--every"))
            every = std::max(1, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--raw-samples"))
            rawSamples = std::max(0, std::atoi(argv[i + 1]));
    }

    // ---- the emulated devices --------------------------------------------------------
    TTestNetwork net(QStringLiteral("soak%1").arg(QCoreApplication::applicationPid()));
    QString why;
    bool network = TTestNetwork::check(&why) == 0 && net.up(1, 14);
    const QString deviceIp = network ? net.deviceAddress(0) : QStringLiteral("127.0.0.9");
    if (network) {
        QJsonObject device = deviceops::simDevice(deviceIp, 10);
        device.insert("dropPercent", dropPercent);
        if (rawSamples) {
            QJsonArray durations;
            for (uint16_t d : rawCapture(size_t(rawSamples)).durations)
                durations.append(int(d));
            device.insert("rfCapture", QJsonObject {{"durations", durations}, {"delayMs", 10}});
        }
        network = net.startSim(QJsonObject {{"devices", QJsonArray {device}}}, {"--run-for", "3600"})
            && net.enterToolNamespace();
    }
    if (!network)
        std::printf("network part left out: %s\n",
            qPrintable(why.trimmed().isEmpty() ? "ondix-sim did not start" : why.trimmed()));

    ondixsim::DeviceConfig cableConfig = deviceops::cableDevice(*ondixsim::parseIpv4(deviceIp.toStdString()));
    if (rawSamples) {
        cableConfig.rfCapture = rawCapture(size_t(std::min(rawSamples, 4998)));
        cableConfig.rfCapture->delayMs = 50;
    }
    cableConfig.dropPercent = dropPercent;
    ondixsim::Device cable(cableConfig);
    fakehid::reset();
    fakehid::plug();
    fakehid::attachDevice(cable);

    // ---- the window, found on both links ------------------------------------------------
    auto window = std::make_unique<TfmPrincipal>(nullptr, false);
    TfmPrincipal& w = *window;
    const QString toolIp = network ? net.toolAddress() : QStringLiteral("127.0.0.1");
    w.localAddressSource = [toolIp] { return QList<QHostAddress> {QHostAddress(toolIp)}; };
    deviceops::prepare(w, cableConfig, deviceIp);  // the boxes keep one address
    if (rawSamples)
        w.rbRawCapture->setChecked(true);
    // Shown as a user sees it, on the capture tab: the memos and the plot are laid out and painted.
    w.show();
    w.TabControl1->setCurrentWidget(w.TabItem2);

    QFile simLog(net.simLogPath());
    if (network)
        simLog.open(QIODevice::ReadOnly);
    const auto networkDrops = [&simLog] { return int(simLog.readAll().count(" DROP ")); };

    // ---- the stall probe ----------------------------------------------------------------
    QElapsedTimer clock;
    clock.start();
    double maxStall = 0, maxCpu = 0;  // ms: the longest gap, the most own work in a gap
    QString maxStallAt, maxCpuAt;
    QString current;
    benchstats::TGapRecorder probe;
    probe.onGap([&](const benchstats::TGap& gap) {
        if (gap.wallMs > maxStall)
            maxStall = gap.wallMs, maxStallAt = current;
        if (gap.cpuMs > maxCpu)
            maxCpu = gap.cpuMs, maxCpuAt = current;
    });
    probe.start();
    // The machine's own noise: the same probe with the event loop idle for two seconds.
    QEventLoop idle;
    QTimer::singleShot(2000, &idle, &QEventLoop::quit);
    current = QStringLiteral("idle");
    idle.exec();
    const double idleStall = maxStall, idleCpu = maxCpu;
    maxStall = maxCpu = 0;

    std::map<std::pair<bool, Op>, TCounts> counts;
    QStringList failures;
    bool searchAgain[2] = {false, false};  // [network]: the last search found nothing
    int cableNext = 0, networkNext = 0;
    const long rssStart = residentKb(0);
    const long simStart = network ? residentKb(net.simPid()) : -1;
    std::printf("%6s %8s %10s %10s %10s %10s %8s %6s %8s\n", "ops", "time s", "RSS kB", "heap kB", "sim kB", "stall ms",
        "cpu ms", "drops", "failures");
    const auto report = [&](int done) {
        int drops = 0, failed = 0;
        for (const auto& [key, c] : counts)
            drops += c.drops, failed += c.failures;
        std::printf("%6d %8.1f %10ld %10ld %10ld %10.1f %8.1f %6d %8d\n", done, double(clock.elapsed()) / 1000,
            residentKb(0), heapKb(), network ? residentKb(net.simPid()) : -1L, maxStall, maxCpu, drops, failed);
        std::fflush(stdout);
    };
    report(0);

    for (int i = 0; i < total; ++i) {
        // networkShare operations in every hundred, spread evenly.
        const bool useNetwork = network && ((i + 1) * networkShare / 100 != i * networkShare / 100);
        Op op = useNetwork ? networkRound[networkNext++ % std::size(networkRound)]
                           : cableRound[cableNext++ % std::size(cableRound)];
        if (searchAgain[useNetwork])
            op = Op::search;  // nothing else makes sense before a device is found again
        current = QStringLiteral("%1 %2").arg(useNetwork ? "net" : "cable", deviceops::name(op));
        deviceops::useLink(w, useNetwork);
        fakehid::clearLogs();
        const int dropsBefore = useNetwork ? 0 : cable.droppedAnswers();
        bool timedOut = false;
        if (op == Op::search) {  // on this link only: the button would probe the cable first
            w.clearLog();
            timedOut = useNetwork ? !w.findDeviceOnNetwork(deviceIp) : !w.findDeviceOnSerialPort();
            while (useNetwork && w.TimerOndixFound->isActive())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            searchAgain[useNetwork] = timedOut;
        } else {
            deviceops::run(w, op, useNetwork);
            timedOut = op == Op::sendLine && w.lbStatusBar->text() != u"Comando enviado com sucesso!";
        }
        const QStringList lines = w.logLines();
        timedOut = timedOut || lines.contains(QStringLiteral("Sem resposta!"));
        const bool refused = std::any_of(lines.begin(), lines.end(), [](const QString& l) {
            return l.startsWith(u"Falha") || l.contains(u"incompleta") || l.contains(u"inválid");
        });
        const int dropped = useNetwork ? networkDrops() : cable.droppedAnswers() - dropsBefore;

        TCounts& c = counts[{useNetwork, op}];
        ++c.ops;
        c.timeouts += timedOut;
        c.drops += dropped;
        if (dropped && !timedOut)
            ++c.droppedYetOk;
        if (refused || (timedOut && !dropped)) {
            ++c.failures;
            if (failures.size() < 20)
                failures << QStringLiteral("#%1 %2: %3").arg(i).arg(current, lines.join(u" | "));
        }
        if ((i + 1) % every == 0)
            report(i + 1);
    }
    probe.stop();

    const long rssEnd = residentKb(0);
    const long simEnd = network ? residentKb(net.simPid()) : -1;
    std::printf("\n%-6s %-14s %6s %9s %6s %9s %13s\n", "link", "operation", "ops", "time-outs", "drops", "failures",
        "dropped, ok");
    for (const auto& [key, c] : counts)
        std::printf("%-6s %-14s %6d %9d %6d %9d %13d\n", key.first ? "net" : "cable", deviceops::name(key.second),
            c.ops, c.timeouts, c.drops, c.failures, c.droppedYetOk);
    std::printf("\nRSS %ld kB at start, %ld kB at the end (%+ld kB); ondix-sim %ld kB -> %ld kB\n", rssStart, rssEnd,
        rssEnd - rssStart, simStart, simEnd);
    std::printf("largest event-loop stall %.1f ms (during %s), idle %.1f ms; %.1f s in all\n", maxStall,
        qPrintable(maxStallAt), idleStall, double(clock.elapsed()) / 1000);
    std::printf("most window-thread work in one gap %.1f ms (during %s), idle %.1f ms\n", maxCpu, qPrintable(maxCpuAt),
        idleCpu);
    for (const QString& f : failures)
        std::printf("failure %s\n", qPrintable(f));

    window.reset();
    fakehid::setResponder(nullptr);
    net.down();
    return 0;
}
