// The pictures of the README's learning example: the window, offscreen, learns the
// emulated device's RF code (automatic capture) and an NEC key over the fake cable, and
// saves the capture tab after each.
//
//   capture_screenshot <directory>      writes capture-plot.png and capture-plot-ir.png
#include "app/dialogs.h"
#include "app/mainUnit.h"
#include "tools/devicecore/ondixDevice.h"
#include "tools/fakehid/fakehid.h"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QPixmap>
#include <QTabWidget>

#include <cstdio>
#include <vector>

namespace {

// An NEC key press at 38 kHz in carrier periods: address 0x04, command 0x08, then a
// repeat code, as a remote sends it while the key is held.
std::vector<uint16_t> necPress()
{
    std::vector<uint16_t> d {342, 171};
    for (uint8_t byte : {uint8_t(0x04), uint8_t(0xFB), uint8_t(0x08), uint8_t(0xF7)})
        for (int bit = 0; bit < 8; ++bit)
            d.insert(d.end(), {21, uint16_t((byte >> bit) & 1 ? 64 : 21)});
    d.insert(d.end(), {21, 1520, 342, 86, 21});
    return d;
}

bool save(TfmPrincipal& window, const QString& path)
{
    QApplication::processEvents();
    const bool ok = window.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: capture_screenshot <directory>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    TDialogs::setScripted(true);

    ondixsim::DeviceConfig config;
    config.rfCapture = ondixsim::demoRfCapture();
    config.irCapture = ondixsim::Capture {necPress(), 38000, 0};
    config.rfCapture->delayMs = config.irCapture->delayMs = 100;
    ondixsim::Device device(config);
    fakehid::reset();
    fakehid::setRealTime(true);
    fakehid::plug();
    fakehid::attachDevice(device);

    TfmPrincipal window(nullptr, false);
    window.usbDeviceFound = true;
    window.GroupBox2->setEnabled(true);
    window.TabControl1->setCurrentWidget(window.TabItem2);
    window.show();

    window.bbLearningRFClick();
    bool ok = save(window, out.filePath(QStringLiteral("capture-plot.png")));
    window.bbLearningIRClick();
    ok = save(window, out.filePath(QStringLiteral("capture-plot-ir.png"))) && ok;

    window.close();
    fakehid::setResponder(nullptr);
    return ok ? 0 : 1;
}
