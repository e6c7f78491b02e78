// The window against ondix-sim in a private test network (the window in the tool namespace
// with its real event-loop waits), shared by the end-to-end suites; the fault matrix puts
// its own emulated device on the fake cable in `cable`.
#pragma once

#include "app/mainUnit.h"
#include "tests/support/fakeHidWaiter.h"
#include "tests/support/testNetwork.h"
#include "tools/devicecore/ondixDevice.h"

#include <memory>

class TSimFixture {
public:
    // `name` is made unique with the process id; devices on 10.231.<subnet>.10, .11, ...
    TSimFixture(const char* name, int devices, int subnet);

    bool up() { return net.up(devices_, subnet_) && net.enterToolNamespace(); }
    // ondix-sim with one device per entry, at deviceAddress(0), (1), ...
    bool startSim(const QList<QJsonObject>& devices);
    // The window as a search leaves it: device `chosen` found on the network, the address of
    // device `typed` in the boxes, "Enviar" on TCP port 4998, the device controls enabled.
    TfmPrincipal& networkWindow(int chosen = 0, int typed = 0);
    // One plain device and the window on it; null when ondix-sim did not start.
    TfmPrincipal* deviceWindow() { return startSim({QJsonObject {}}) ? &networkWindow() : nullptr; }
    // The typed lines device 0 took, in order.
    QStringList deviceLines() const;
    // Whether the device received the frame `hex` (upper-case hex bytes, blank-separated).
    bool received(const QString& hex, int device = 0) const;
    // Closes the window, stops the emulators (cleanup()).
    void reset();

    TTestNetwork net;
    std::unique_ptr<TfmPrincipal> window;
    std::unique_ptr<ondixsim::Device> cable;

private:
    int devices_, subnet_;
};
