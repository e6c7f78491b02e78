// Puts the emulated Ondix on the cable before the window opens the USB link.
#include "usbSimulation.h"

#include <cstdio>
#include <cstdlib>

namespace {

const bool installed = [] {
    std::string error;
    if (!usbsim::installFromEnvironment(error)) {
        std::fprintf(stderr, "OndixSetup-usbsim: %s: %s\n", usbsim::configVariable, error.c_str());
        std::exit(2);
    }
    return true;
}();

}  // namespace
