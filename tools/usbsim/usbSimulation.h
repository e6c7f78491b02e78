// An emulated Ondix on the USB cable: the fake hidapi answers from the same device core
// as ondix-sim, configured from the same JSON file, following the real clock. Used by the
// OndixSetup-usbsim demonstration build, which tries the USB path without hardware.
#pragma once

#include <string>

#include "tools/devicecore/ondixDevice.h"

namespace usbsim {

// Name of the environment variable that may point to an ondix-sim configuration file;
// its first device goes on the cable. Without it a default device is plugged.
constexpr const char* configVariable = "ONDIX_USBSIM_CONFIG";

// The device on the cable without a file: the device core's default record, with the
// demonstration captures ondix-sim's devices hear.
ondixsim::DeviceConfig defaultDevice();

// Plugs the device; false with a message when the configuration can't be used.
bool installFromEnvironment(std::string& error);

}  // namespace usbsim
