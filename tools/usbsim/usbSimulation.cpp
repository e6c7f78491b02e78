#include "usbSimulation.h"

#include <QString>

#include <cstdlib>
#include <memory>

#include "tools/devicecore/ondixConfig.h"
#include "tools/fakehid/fakehid.h"

namespace usbsim {

ondixsim::DeviceConfig defaultDevice()
{
    ondixsim::DeviceConfig config;
    config.rfCapture = ondixsim::demoRfCapture();
    config.irCapture = ondixsim::demoIrCapture();
    return config;
}

bool installFromEnvironment(std::string& error)
{
    ondixsim::DeviceConfig config = defaultDevice();
    if (const char* path = std::getenv(configVariable); path && *path) {
        const auto devices = ondixsim::loadConfigFile(QString::fromLocal8Bit(path), error);
        if (!devices)
            return false;
        config = devices->front();
    }
    // Lives as long as the process: the cable answers from it until the very end.
    static std::unique_ptr<ondixsim::Device> device;
    device = std::make_unique<ondixsim::Device>(config);
    fakehid::reset();
    fakehid::setRealTime(true);
    fakehid::attachDevice(*device);
    fakehid::plug();
    return true;
}

}  // namespace usbsim
