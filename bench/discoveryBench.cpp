// Discovery benchmark: 253 emulated devices on one /24 of a private test network answer
// one broadcast; how many does the tool list, and how long from the click on
// "Localizar Ondix" to the chooser? And for a single device, from the click to its data
// on screen. Needs root (network namespaces); prints medians over --runs searches.
// The window thread's stalls during the 253-device search come from the gap recorder
// (bench/gapRecorder.h), against an idle event loop of the same run. The last row searches
// with the loopback address in the interface list ahead of the real one, as a desktop's
// list has it: nothing answers there in the private network.
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/dialogs.h"
#include "app/mainUnit.h"
#include "bench/benchStats.h"
#include "bench/gapRecorder.h"
#include "discovery/chooseOndixUnit.h"
#include "tests/support/testNetwork.h"

namespace {

struct Search {
    double toChooserMs = -1;  // or to the data shown, for one device
    int listed = 0;
    benchstats::TGap worstGap;  // until the chooser or the data
    double worstCpuMs = 0;
};

using benchstats::median;

// One search from a fresh window; the chooser, if shown, takes the first device.
// receiveBuffer > 0: the listener's socket buffer a desktop grants by default instead of
// the 4 MiB this machine allows (net.core.rmem_max is 212992 on a stock desktop).
// loopbackFirst: the interface list holds 127.0.0.1 before the tool's address.
Search searchOnce(const QString& toolAddress, int receiveBuffer = 0, bool loopbackFirst = false)
{
    TfmPrincipal window(nullptr, false);
    window.show();
    QApplication::processEvents();
    if (receiveBuffer > 0)
        window.udpServer->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, receiveBuffer);
    window.localAddressSource = [toolAddress, loopbackFirst] {
        QList<QHostAddress> list {QHostAddress(toolAddress)};
        if (loopbackFirst)
            list.prepend(QHostAddress(QHostAddress::LocalHost));
        return list;
    };
    Search result;
    QElapsedTimer clock;
    benchstats::TGapRecorder recorder;
    const auto stopRecording = [&] {
        recorder.stop();
        result.worstGap = recorder.worstGap();
        result.worstCpuMs = recorder.worstCpuMs();
    };
    TDialogs::resetScript();
    TDialogs::setModalScript([&](QDialog& dialog) {
        result.toChooserMs = double(clock.nsecsElapsed()) / 1e6;
        stopRecording();
        auto& chooser = static_cast<TfmChooseOndix&>(dialog);
        result.listed = chooser.lvIPs->count();
        chooser.Button1Click();
    });
    recorder.start();
    clock.start();
    window.bbFindDeviceClick();
    while (window.discoveryActive && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    if (result.toChooserMs < 0 && !window.deviceIP.isEmpty()) {
        result.toChooserMs = double(clock.nsecsElapsed()) / 1e6;
        result.listed = int(window.foundDevices.size());
        stopRecording();
    }
    return result;
}

std::vector<double> idleGaps, idleCpu;

void report(const char* what, const std::vector<Search>& runs)
{
    std::vector<double> times, gaps, cpuInWorst, worstCpu;
    int minListed = 1 << 30, maxListed = 0;
    for (const Search& s : runs) {
        times.push_back(s.toChooserMs);
        gaps.push_back(s.worstGap.wallMs);
        cpuInWorst.push_back(s.worstGap.cpuMs);
        worstCpu.push_back(s.worstCpuMs);
        minListed = std::min(minListed, s.listed);
        maxListed = std::max(maxListed, s.listed);
    }
    std::printf("| %-34s | %5zu | %9.1f | %6.1f | %6.1f | %4d | %4d | %8.1f | %8.1f | %8.1f (%5.1f) |\n", what,
        runs.size(), median(times), *std::min_element(times.begin(), times.end()),
        *std::max_element(times.begin(), times.end()), minListed, maxListed, median(gaps), median(cpuInWorst),
        median(worstCpu), *std::max_element(worstCpu.begin(), worstCpu.end()));
}

// The same recorder with the event loop idle for a second, as a search's baseline.
void reportIdle(int runs)
{
    std::vector<Search> idle;
    for (int i = 0; i < runs; ++i) {
        benchstats::TGapRecorder recorder;
        recorder.start();
        QEventLoop loop;
        QTimer::singleShot(1000, &loop, &QEventLoop::quit);
        loop.exec();
        recorder.stop();
        Search s;
        s.toChooserMs = 0;
        s.worstGap = recorder.worstGap();
        s.worstCpuMs = recorder.worstCpuMs();
        idle.push_back(s);
    }
    report("idle event loop, 1 s", idle);
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = benchstats::benchRuns(argc, argv, 15);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString why;
    if (TTestNetwork::check(&why) != 0) {
        std::fprintf(stderr, "bench_discovery skipped: %s\n", qPrintable(why.trimmed()));
        return 0;
    }
    TDialogs::setScripted(true);
    TTestNetwork net(QStringLiteral("bd%1").arg(QCoreApplication::applicationPid()));
    if (!net.up(253) || !net.enterToolNamespace()) {
        std::fprintf(stderr, "bench_discovery: cannot make the test network\n");
        return 1;
    }
    std::printf("| %-34s | %5s | %9s | %6s | %6s | %4s | %4s | %8s | %8s | %16s |\n", "search", "runs", "median ms",
        "min", "max", "list", "max", "gap ms", "cpu in", "most cpu (max)");
    std::printf("|%s|%s|%s|%s|%s|%s|%s|%s|%s|%s|\n", QByteArray(36, '-').constData(), "-------", "-----------",
        "--------", "--------", "------", "------", "----------", "----------", "------------------");
    reportIdle(runs);

    std::vector<Search> many;
    if (net.startSim({},
            {QStringLiteral("--address"), QStringLiteral("10.231.1.2"), QStringLiteral("--devices"),
                QStringLiteral("253")})) {
        for (int i = 0; i < runs; ++i)
            many.push_back(searchOnce(net.toolAddress()));
        report("253 devices: click to chooser", many);
        std::vector<Search> desktop;
        desktop.reserve(size_t(runs));
        for (int i = 0; i < runs; ++i)
            desktop.push_back(searchOnce(net.toolAddress(), 212992));
        report("253 devices, 212992-byte buffer", desktop);
    } else {
        std::fprintf(stderr, "bench_discovery: ondix-sim with 253 devices did not start\n");
    }

    std::vector<Search> one;
    if (net.startSim({}, {QStringLiteral("--address"), QStringLiteral("10.231.1.10")})) {
        for (int i = 0; i < runs; ++i)
            one.push_back(searchOnce(net.toolAddress()));
        report("1 device: click to data shown", one);
        std::vector<Search> loopback;
        for (int i = 0; i < runs; ++i)
            loopback.push_back(searchOnce(net.toolAddress(), 0, true));
        report("1 device, loopback listed first", loopback);
    }
    net.down();
    return 0;
}
