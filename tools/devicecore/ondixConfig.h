// Loads the emulated devices from a JSON document (format: tools/ondix-sim/README.md).
#pragma once

#include "ondixDevice.h"

#include <optional>
#include <string>
#include <vector>

class QByteArray;
class QString;

namespace ondixsim {

// A device at `ip` as ondix-sim starts it when nothing else is said; `index` is its place
// (0 for the first). Mask 255.255.255.0, gateway x.y.z.1, MAC 00:1A:2B and the address's
// last three bytes, identification ONDX and the 12-digit place from 1, firmware 2.1, RF
// flag set, the demonstration captures, answer "OK\r\n" to typed lines.
DeviceConfig standardDevice(const std::array<uint8_t, 4>& ip, int index);

// The largest flash image a configuration may give.
constexpr int maxFlashImage = 16 * 1024 * 1024;

// Devices from a file start as standardDevice(ip, place in the list); keys replace the
// standard values. Standard MACs are made distinct from every other device's MAC.
// Returns the devices, or nothing with a message naming the faulty entry in `error`.
std::optional<std::vector<DeviceConfig>> loadConfig(const QByteArray& json, std::string& error);
std::optional<std::vector<DeviceConfig>> loadConfigFile(const QString& path, std::string& error);

// Strict dotted IPv4 text ("10.231.1.10"); nothing for anything else.
std::optional<std::array<uint8_t, 4>> parseIpv4(const std::string& text);
std::string ipv4Text(const std::array<uint8_t, 4>& ip);

}  // namespace ondixsim
