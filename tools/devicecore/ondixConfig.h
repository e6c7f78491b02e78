// Loads the emulated devices from a JSON document (format: tools/ondix-sim/README.md).
#pragma once

#include "ondixDevice.h"

#include <optional>
#include <string>
#include <vector>

class QByteArray;
class QString;

namespace ondixsim {

// Returns the devices, or nothing with a message naming the faulty entry in `error`.
std::optional<std::vector<DeviceConfig>> loadConfig(const QByteArray& json, std::string& error);
std::optional<std::vector<DeviceConfig>> loadConfigFile(const QString& path, std::string& error);

// Strict dotted IPv4 text ("10.231.1.10"); nothing for anything else.
std::optional<std::array<uint8_t, 4>> parseIpv4(const std::string& text);
std::string ipv4Text(const std::array<uint8_t, 4>& ip);

}  // namespace ondixsim
