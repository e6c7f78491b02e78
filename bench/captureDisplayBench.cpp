// How long the window's thread works between two turns of its event loop while the window
// shows the largest captures the links allow: 4998 samples over the cable (its frame holds
// 10000 bytes) and a 10000-word message over the network (9998 RF samples, 9997 IR words), in
// raw RF mode (every sample listed in "Raw Data" and plotted) and, for comparison, in
// automatic mode and as an IR capture; and the RTS tab reading a table of 100 remotes over the
// cable. The gap recorder (bench/gapRecorder.h) notes every gap of a 1 ms timer from the click
// until 300 ms after the operation has ended (the repaints of the memos and the plot fall
// there) and the window thread's own processor time inside each; an idle event loop measured
// as long in the same run gives the machine's own noise. Goal: at most 16 ms of the thread's
// own work in any gap.
//
// The cable is the fake hidapi in real time; network datagrams of 1400 bytes are handed to
// the window's listener as they would arrive from the device (from 127.0.0.9, where nobody
// listens: the request the window sends goes nowhere).
//
//   bench_capture_display [--runs N]     (default 5; medians over the runs)
#include "app/dialogs.h"
#include "app/mainUnit.h"
#include "bench/benchStats.h"
#include "bench/gapRecorder.h"
#include "tools/devicecore/ondixDevice.h"
#include "tools/fakehid/fakehid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr int captureDelayMs = 200;
constexpr int afterMs = 300;
constexpr int datagramBytes = 1400;
const QHostAddress deviceAddress(QStringLiteral("127.0.0.9"));

std::vector<uint16_t> samples(size_t count)
{
    // The demonstration frame (a long pulse after a short one, 24 bits) over and over.
    std::vector<uint16_t> s;
    while (s.size() < count) {
        s.insert(s.end(), {30, 930});
        for (int bit = 0; bit < 24; ++bit)
            s.insert(s.end(), {uint16_t(bit % 3 ? 90 : 30), uint16_t(bit % 3 ? 30 : 90)});
    }
    s.resize(count);
    return s;
}

QByteArray bytesOf(const std::vector<uint8_t>& v)
{
    return QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size()));
}

QByteArray captureMessage(const std::vector<uint16_t>& durations, bool ir)
{
    std::vector<uint16_t> words {0, 0};
    if (ir)
        words.push_back(38000);
    words.insert(words.end(), durations.begin(), durations.end());
    words[1] = uint16_t(words.size());
    QByteArray bytes;
    for (uint16_t w : words)
        bytes.append(char(w & 0xFF)).append(char(w >> 8));
    return bytes;
}

using benchstats::TGapRecorder;
using benchstats::TGapRuns;

// Records the gaps while `action` runs and for afterMs after it.
void recordDuring(TGapRecorder& recorder, const std::function<void()>& action)
{
    recorder.start();
    action();
    QEventLoop after;
    QTimer::singleShot(afterMs, Qt::PreciseTimer, &after, &QEventLoop::quit);
    after.exec();
    recorder.stop();
}

struct TCase {
    const char* name;
    bool network;
    bool ir;
    bool raw;
    size_t count;
    bool rts = false;  // the RTS tab reads `count` remotes
};

}  // namespace

int main(int argc, char* argv[])
{
    const int runs = benchstats::benchRuns(argc, argv, 5);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TDialogs::setScripted(true);

    ondixsim::DeviceConfig config;
    ondixsim::Device device(config);
    fakehid::reset();
    fakehid::setRealTime(true);
    fakehid::plug();
    fakehid::attachDevice(device);

    TfmPrincipal window(nullptr, false);
    window.GroupBox2->setEnabled(true);
    window.pnControlesRTS->setEnabled(true);
    window.TabControl1->setCurrentWidget(window.TabItem2);
    window.show();
    QApplication::processEvents();

    const TCase cases[] = {
        {"idle", false, false, false, 0},
        {"cable RF raw 4998", false, false, true, 4998},
        {"cable RF auto 4998", false, false, false, 4998},
        {"cable IR raw 4997", false, true, true, 4997},
        {"network RF raw 9998", true, false, true, 9998},
        {"network RF auto 9998", true, false, false, 9998},
        {"network IR raw 9997", true, true, true, 9997},
        {"network IR auto 9997", true, true, false, 9997},
        {"cable RTS tab 100 remotes", false, false, false, 100, true},
        {"idle again", false, false, false, 0},
    };
    std::printf(
        "window thread, from the click to %d ms after the operation, 1 ms timer, medians of %d runs\n", afterMs, runs);
    std::printf("%-26s %s  %s\n", "case", benchstats::gapHeader(), "first line");
    for (const TCase& c : cases) {
        TGapRuns worst;
        QString line;
        if (c.rts) {
            device.config().rts.clear();
            for (size_t i = 0; i < c.count; ++i)
                device.config().rts.push_back(
                    {0, uint8_t(i % 2), uint16_t(4660 + i), uint8_t(167 + i), {0x0A, uint8_t(i), 0x00}});
        }
        for (int run = 0; run < runs; ++run) {
            const std::vector<uint16_t> durations = samples(c.count);
            window.rbRawCapture->setChecked(c.raw);
            window.rbSmartCapture->setChecked(!c.raw);
            window.rbIR_Raw->setChecked(c.raw);
            window.rbIR_Auto->setChecked(!c.raw);
            window.usbDeviceFound = !c.network;
            window.netDeviceFound = c.network;
            window.deviceIP = deviceAddress.toString();
            for (QLineEdit* box : {window.IP_4, window.IP_3, window.IP_2, window.IP_1})
                box->setText(box == window.IP_1 ? QStringLiteral("9")
                        : box == window.IP_4    ? QStringLiteral("127")
                                                : QStringLiteral("0"));
            auto& capture = c.ir ? device.config().irCapture : device.config().rfCapture;
            capture = ondixsim::Capture {durations, 38000, captureDelayMs};
            const QByteArray message = captureMessage(durations, c.ir);
            if (c.network) {
                // Acknowledgement after 5 ms, the capture later in datagrams, each its own event.
                QTimer::singleShot(5, &window, [&] {
                    window.udpServerUDPRead(bytesOf(ondixsim::acknowledgement(c.ir ? 7 : 6)), deviceAddress);
                    QTimer::singleShot(captureDelayMs, &window, [&] {
                        for (qsizetype at = 0; at < message.size(); at += datagramBytes) {
                            const QByteArray part = message.mid(at, datagramBytes);
                            QTimer::singleShot(
                                0, &window, [&window, part] { window.udpServerUDPRead(part, deviceAddress); });
                        }
                    });
                });
            }
            TGapRecorder recorder;
            recordDuring(recorder, [&] {
                if (c.rts) {
                    window.TabControl1->setCurrentWidget(window.TabItem5);
                    window.TabItem5Click();
                } else if (c.count == 0) {
                    QEventLoop idle;
                    QTimer::singleShot(captureDelayMs + 50, Qt::PreciseTimer, &idle, &QEventLoop::quit);
                    idle.exec();
                } else {
                    c.ir ? window.bbLearningIRClick() : window.bbLearningRFClick();
                }
            });
            if (c.rts)
                window.TabControl1->setCurrentWidget(window.TabItem2);
            worst.add(recorder);
            line = c.rts ? QStringLiteral("%1 rows").arg(window.sgRTSCodes->rowCount())
                         : window.logLines().value(0).left(24);
            if (qEnvironmentVariableIsSet("BENCH_DEBUG"))
                std::printf("%s\n", qPrintable(window.logLines().join(" / ").left(300)));
        }
        std::printf("%-26s ", c.name);
        benchstats::printGapColumns(worst);
        std::printf("  %s\n", c.count ? qPrintable(line) : "");
    }
    window.close();
    fakehid::setResponder(nullptr);
    return 0;
}
