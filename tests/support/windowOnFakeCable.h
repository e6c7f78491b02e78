// The window's suites over the fake cable: an emulated unit attached before each case, the
// dialogs scripted; after it the window goes before the unit it talks to.
#pragma once

#include "app/dialogs.h"
#include "tests/support/fakeHidWaiter.h"
#include "tools/devicecore/ondixDevice.h"
#include "tools/fakehid/fakehid.h"

struct TWindowOnFakeCable {
    std::unique_ptr<ondixsim::Device> device;
    std::unique_ptr<TfmPrincipal> window;

    void attachUnit(const ondixsim::DeviceConfig& config = {})
    {
        TDialogs::setScripted(true);
        TDialogs::resetScript();
        fakehid::reset();
        device = std::make_unique<ondixsim::Device>(config);
        fakehid::attachDevice(*device);
    }
    void detachUnit()
    {
        window.reset();
        fakehid::setResponder(nullptr);
        device.reset();
    }
};
