// How long the event loop stalls while "Enviar" sends a command line over TCP. The window
// (real event-loop waits) sends to a device that never answers (connect, 400 polls, close),
// to a port where nothing listens (refused), to a listener whose accept queue is full (the
// connect never completes: the 3000 ms time-out) and, in a private network namespace, to
// an address without a route (unreachable). A 1 ms timer records the gaps between its
// firings; the same measurement with the event loop idle gives the machine's own noise.
//
// As root the program first moves into a network namespace of its own (only its loopback
// exists there), so nothing it sends can leave this process's namespace; without root it
// stays on the loopback of the host and skips the unreachable case.
//
//   bench_console_stall [--runs N]     (default 3)
#include "app/dialogs.h"
#include "app/mainUnit.h"
#include "bench/benchStats.h"
#include "bench/gapRecorder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sched.h>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using benchstats::percentile;

// A loopback listener: `accepting` false leaves connections queued and unanswered;
// `fillQueue` fills its accept queue so that a further connect is never completed.
struct TListener {
    int fd = -1;
    quint16 port = 0;
    std::vector<int> queued;
    explicit TListener(bool fillQueue)
    {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), len) != 0 || ::listen(fd, fillQueue ? 0 : 16) != 0)
            return;  // port stays 0: the case cannot be set up here
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
        for (int i = 0; fillQueue && i < 2; ++i) {
            const int c = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            (void)::connect(c, reinterpret_cast<sockaddr*>(&a), len);  // non-blocking: in progress
            queued.push_back(c);
        }
    }
    ~TListener()
    {
        for (int c : queued)
            ::close(c);
        ::close(fd);
    }
};

// A loopback port where nothing listens.
quint16 freePort()
{
    TListener probe(false);
    return probe.port;
}

bool privateNamespace()
{
    if (geteuid() != 0 || unshare(CLONE_NEWNET) != 0)
        return false;
    const auto ip = [](const QString& args) { return QProcess::execute(QStringLiteral("ip"), args.split(u' ')) == 0; };
    // A veth pair whose far end holds no address swallows whatever is routed to it: with a
    // fixed neighbour entry the connect's SYNs are dropped there and the connect times out,
    // without anything leaving the namespace.
    return ip("link set lo up") && ip("link add ondixbh0 type veth peer name ondixbh1")
        && ip("addr add 10.231.252.1/24 dev ondixbh0") && ip("link set ondixbh1 up") && ip("link set ondixbh0 up")
        && ip("neigh add 10.231.252.2 lladdr 02:00:00:00:00:01 dev ondixbh0");
}

struct TRun {
    double seconds = 0;
    std::vector<double> gapsMs;
    double worstCpuMs = 0;  // the thread's own work in one gap
    QString outcome;
};

TRun measure(TfmPrincipal& window, const std::function<void()>& action)
{
    TRun run;
    QElapsedTimer clock;
    benchstats::TGapRecorder ping;
    ping.onGap([&](const benchstats::TGap& gap) { run.gapsMs.push_back(gap.wallMs); });
    TDialogs::resetScript();
    clock.start();
    ping.start();
    action();
    ping.stop();
    run.worstCpuMs = ping.worstCpuMs();
    run.seconds = double(clock.nsecsElapsed()) / 1e9;
    const QStringList shown = TDialogs::shownMessages();
    run.outcome = shown.isEmpty() ? window.lbStatusBar->text() : shown.last();
    return run;
}

void sendTo(TfmPrincipal& window, const QString& host, quint16 port)
{
    const QStringList octets = host.split(u'.');
    QLineEdit* const boxes[] = {window.IP_4, window.IP_3, window.IP_2, window.IP_1};
    for (int i = 0; i < 4; ++i)
        boxes[i]->setText(octets[i]);
    window.edPort->setText(QString::number(port));
    window.mmInfo->setPlainText(QStringLiteral("sendrf,2,5,1,300,900"));
    window.bbSendComdClick();
}

}  // namespace

int main(int argc, char* argv[])
{
    const int runs = benchstats::benchRuns(argc, argv, 3);
    const bool isolated = privateNamespace();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TDialogs::setScripted(true);

    TfmPrincipal window(nullptr, false);
    window.netDeviceFound = true;
    window.show();
    QApplication::processEvents();

    struct TCase {
        const char* name;
        std::function<void()> action;
    };
    const auto idleFor = [](int ms) {
        return [ms] {
            QEventLoop idle;
            QTimer::singleShot(ms, Qt::PreciseTimer, &idle, &QEventLoop::quit);
            idle.exec();
        };
    };
    std::vector<TCase> cases {
        {"idle", idleFor(3700)},
        {"silent",
            [&] {
                TListener device(false);  // the connection is made, nothing is ever answered
                sendTo(window, "127.0.0.1", device.port);
            }},
        {"refused", [&] { sendTo(window, "127.0.0.1", freePort()); }},
        {"timeout",
            [&] {
                TListener device(true);
                sendTo(window, "127.0.0.1", device.port);
            }},
    };
    if (isolated) {
        cases.push_back({"unreach", [&] { sendTo(window, "10.231.250.1", 4998); }});
        cases.push_back({"blackhole", [&] { sendTo(window, "10.231.252.2", 4998); }});
    }

    std::printf("%s; 1 ms ping timer, real event-loop waits, %d runs\n",
        isolated ? "private network namespace (loopback and a veth pair)"
                 : "loopback only (no private namespace: unreachable and blackhole skipped)",
        runs);
    std::printf("%-9s %4s %8s %7s %10s %8s %8s  %s\n", "case", "run", "seconds", "gaps", "median ms", "max ms",
        "cpu ms", "outcome");
    for (const TCase& c : cases) {
        std::vector<double> maxima, medians;
        for (int run = 1; run <= runs; ++run) {
            const TRun r = measure(window, c.action);
            maxima.push_back(percentile(r.gapsMs, 1.0));
            medians.push_back(percentile(r.gapsMs, 0.5));
            std::printf("%-9s %4d %8.2f %7zu %10.3f %8.3f %8.3f  %s\n", c.name, run, r.seconds, r.gapsMs.size(),
                medians.back(), maxima.back(), r.worstCpuMs, std::strcmp(c.name, "idle") ? qPrintable(r.outcome) : "");
        }
        std::printf("%-9s median of the longest stall %.3f ms, median gap %.3f ms\n", c.name, percentile(maxima, 0.5),
            percentile(medians, 0.5));
    }
    window.close();
    return 0;
}
