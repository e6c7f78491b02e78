// The emulated Ondix: the device side of every command, shared by ondix-sim (network)
// and the fake hidapi (USB). Request frame in, answer messages out, device state inside.
// Plain C++ apart from the JSON configuration loader, which uses Qt Core.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ondixsim {

using Bytes = std::vector<uint8_t>;

// What a fault does to the answer(s) of one command code.
enum class FaultKind {
    None,
    NoAnswer,      // nothing is sent back
    Late,          // the answer leaves after delayMs
    BadChecksum,   // checksum field off by one
    ZeroChecksum,  // checksum field zero
    Duplicate,     // the answer is sent twice
    Truncated,     // only the first `size` bytes of the answer
    Oversize,      // the answer padded with garbage up to `size` bytes
    Garbage,       // `size` bytes of garbage sent before the answer
};

struct Fault {
    FaultKind kind = FaultKind::None;
    int delayMs = 0;   // Late
    int size = 0;      // Truncated, Oversize, Garbage
    int times = -1;    // how many requests it applies to; -1: every one
};

// A capture the device "hears" after a learn request.
struct Capture {
    std::vector<uint16_t> durations;  // samples (RF) or durations (IR)
    uint16_t irValue = 0;             // IR only: word 2 of the capture message
    int delayMs = 500;                // time from the acknowledgement to the capture
    int datagramSize = 1400;          // network: bytes per datagram when split
    bool present = true;              // false: nobody presses a key, no capture is sent
};

struct RtsRecord {
    uint8_t reserved = 0;
    uint8_t type = 0;  // 0 Somfy, otherwise Tube
    uint16_t rollingCode = 0;
    uint8_t keyCode = 0;
    std::array<uint8_t, 3> remoteId{};
};

struct DeviceConfig {
    std::array<uint8_t, 4> ip{192, 168, 0, 50};
    std::array<uint8_t, 4> mask{255, 255, 255, 0};
    std::array<uint8_t, 4> gateway{192, 168, 0, 1};
    std::array<uint8_t, 6> mac{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    bool dhcp = false;
    uint16_t tcpPort = 4998;
    std::string ident = "ONDX000000000001";  // 16 characters on the wire
    uint16_t firmware = 21;                  // version times ten
    uint8_t rfFlag = 1;
    std::vector<RtsRecord> rts;
    std::optional<Capture> rfCapture;
    std::optional<Capture> irCapture;
    std::map<uint8_t, Fault> faults;  // by command code
    // Clock offset from the host clock in seconds, changed by "set clock".
    long long clockOffsetSeconds = 0;
};

// One message the device sends back: whole frame bytes, leaving delayMs after the request.
// chunkSize > 0 asks the network transport to split it into datagrams of that size.
struct Output {
    int delayMs = 0;
    Bytes bytes;
    int chunkSize = 0;
};

enum class Transport { Usb, Network };

class Device {
public:
    explicit Device(DeviceConfig config = {});

    // Handles one request frame; returns what the device sends back, in order.
    std::vector<Output> handleRequest(const Bytes& request, Transport transport);

    // Handles one typed command line received over TCP (or USB text).
    void handleCommandLine(const std::string& line);

    // The 50-byte deviceInfo record; answerCode 3 for a unicast answer, 0x0C for a
    // discovery answer or an announcement.
    Bytes infoRecord(uint8_t answerCode) const;

    const DeviceConfig& config() const { return config_; }
    DeviceConfig& config() { return config_; }
    const std::vector<std::string>& commandLines() const { return lines_; }

private:
    DeviceConfig config_;
    std::vector<std::string> lines_;
};

}  // namespace ondixsim
