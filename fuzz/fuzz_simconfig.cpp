// The ondix-sim configuration file: any bytes as the JSON document.
#include "fuzzInput.h"
#include "ondixConfig.h"

#include <QByteArray>

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    const auto devices = ondixsim::loadConfig(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), error);
    if (!devices) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    for (const ondixsim::DeviceConfig& device : *devices) {
        FUZZ_CHECK(ondixsim::parseIpv4(ondixsim::ipv4Text(device.ip)) == device.ip);
        FUZZ_CHECK(device.rts.size() <= size_t(ondixsim::maxRtsRecords));
        FUZZ_CHECK(!device.flashImage || device.flashImage->size() <= size_t(ondixsim::maxFlashImage));
    }
    // Two devices never share an address.
    for (size_t i = 0; i < devices->size(); ++i)
        for (size_t j = i + 1; j < devices->size(); ++j)
            FUZZ_CHECK((*devices)[i].ip != (*devices)[j].ip);
    return 0;
}
