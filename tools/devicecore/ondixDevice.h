// The emulated Ondix: the device side of every command, shared by ondix-sim (network)
// and the fake hidapi (USB). Request frame in, answer messages out, device state inside.
// Plain C++; the JSON configuration loader (ondixConfig.h) is the only part using Qt Core.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ondixsim {

using Bytes = std::vector<uint8_t>;

// Command codes (byte 3 of a request).
enum Command : uint8_t {
    cmdFirmwareUpdate = 0x02,
    cmdInfo = 0x03,
    cmdWriteSettings = 0x04,
    cmdWriteMac = 0x05,
    cmdLearnRf = 0x06,
    cmdLearnIr = 0x07,
    cmdReadRts = 0x08,
    cmdWriteRts = 0x09,
    cmdReadClock = 0x0A,
    cmdSetClock = 0x0B,
    cmdFlashRead = 0x15,
};

constexpr uint8_t answerInfo = 0x03;  // answer code of a unicast information answer
constexpr uint8_t answerDiscovery = 0x0C;  // discovery answer and announcement
constexpr int infoRecordSize = 50;
constexpr int maxRtsRecords = 100;
constexpr uint32_t maxFlashRead = 9990;  // a flash answer frame stays within 10000 bytes

// What a fault does to the answer(s) of one command code.
enum class FaultKind {
    None,
    NoAnswer,  // nothing is sent back
    Late,  // every answer leaves delayMs later than it would
    BadChecksum,  // checksum field off by one (framed answers only)
    ZeroChecksum,  // checksum field zero (framed answers only)
    Duplicate,  // every answer is sent twice
    Truncated,  // only the first `size` bytes of each answer
    Oversize,  // each answer padded with garbage up to `size` bytes
    Garbage,  // `size` bytes of garbage sent before each answer
};

struct Fault {
    FaultKind kind = FaultKind::None;
    int delayMs = 0;  // Late
    int size = 0;  // Truncated, Oversize, Garbage
    int times = -1;  // how many requests it applies to; -1: every one
    int message = -1;  // which answer of the request: -1 all, 0 the first, 1 the second
};

// A capture the device "hears" after a learn request.
struct Capture {
    std::vector<uint16_t> durations;  // samples (RF) or durations (IR)
    uint16_t irValue = 0;  // IR only: word 2 of the capture message
    int delayMs = 500;  // time from the acknowledgement to the capture
    int datagramSize = 1400;  // network: bytes per datagram when split
    bool present = true;  // false: nobody presses a key, no capture is sent
};

struct RtsRecord {
    uint8_t reserved = 0;
    uint8_t type = 0;  // 0 Somfy, otherwise Tube
    uint16_t rollingCode = 0;
    uint8_t keyCode = 0;
    std::array<uint8_t, 3> remoteId {};
};

// Unsolicited announcements (answer code 0x0C) sent by ondix-sim.
struct Announce {
    std::vector<int> atMs;  // once at each of these times after start
    int everyMs = 0;  // and then periodically; 0: never
    std::string to;  // destination address; empty: the device's /24 broadcast
};

struct DeviceConfig {
    std::array<uint8_t, 4> ip {192, 168, 0, 50};
    std::array<uint8_t, 4> mask {255, 255, 255, 0};
    std::array<uint8_t, 4> gateway {192, 168, 0, 1};
    std::array<uint8_t, 6> mac {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    bool dhcp = false;
    uint16_t tcpPort = 4998;
    std::string ident = "ONDX000000000001";  // 16 characters on the wire, NUL padded
    uint16_t firmware = 21;  // version times ten
    uint8_t rfFlag = 1;
    std::vector<RtsRecord> rts;
    std::optional<uint32_t> rtsCountField;  // count sent instead of rts.size() (faulty tables)
    uint16_t rtsRollingStart = 1;  // rolling code of a remote created by PROG
    std::optional<Capture> rfCapture;
    std::optional<Capture> irCapture;
    // Captures per learn request, when not empty (they replace rfCapture / irCapture): the
    // n-th learn request of that kind hears entry n, and every request after the last
    // entry hears the last one again. An empty entry: the request is only acknowledged.
    std::vector<std::optional<Capture>> rfCaptures;
    std::vector<std::optional<Capture>> irCaptures;
    std::map<uint8_t, Fault> faults;  // by command code
    // Clock offset from the host's local clock in seconds, changed by "set clock".
    long long clockOffsetSeconds = 0;
    Announce announce;
    // What the device sends back over TCP after each burst of typed lines; nothing when
    // empty (the tool then waits out its 400 polls).
    std::optional<std::string> tcpAnswer = std::string("OK\r\n");
    // Flash content from address 0 served by the flash read; past its end the memory reads
    // 0xFF (erased). Without an image every byte follows flashByte().
    std::optional<Bytes> flashImage;
    // Share of requests (and of typed bursts that would be answered) whose answers are lost,
    // drawn at random from a fixed seed: the device still acts on the request. 0 to 100.
    int dropPercent = 0;
};

// The captures a demonstration device hears: an IR frame three times (irValue 37900), an
// RF frame (sync pulse, then 24 bits of short/long pairs) four times, 1.5 s after the
// acknowledgement. ondix-sim's devices and OndixSetup-usbsim's default device get them.
Capture demoRfCapture();
Capture demoIrCapture();

// One message the device sends back: whole frame bytes, leaving delayMs after the request.
// chunkSize > 0 asks the network transport to split it into datagrams of that size.
struct Output {
    int delayMs = 0;
    Bytes bytes;
    int chunkSize = 0;
};

enum class Transport { Usb, Network };

// Local wall-clock time as seconds since 1970-01-01 00:00 (the local date and time read
// as if it were UTC). Replaceable so that tests see a fixed clock.
using LocalClock = std::function<long long()>;
long long hostLocalSeconds();

// Frame helpers.
uint32_t byteSum(const uint8_t* data, size_t count);

// Appends to a history that keeps its last `keep` entries: once it holds twice as many, the
// older half goes (amortised constant time, bounded memory).
template <typename T> void remember(std::vector<T>& history, T entry, size_t keep = 1000)
{
    history.push_back(std::move(entry));
    if (history.size() >= 2 * keep)
        history.erase(history.begin(), history.end() - std::ptrdiff_t(keep));
}
void appendChecksum(Bytes& frame);  // appends the sum of all bytes so far
bool hasValidChecksum(const Bytes& frame);  // last 4 bytes = sum of the others
Bytes acknowledgement(uint8_t code);  // 'E','K',1,code + sum
Bytes parameterBlockAnswer(uint8_t code, const Bytes& data);
uint8_t flashByte(uint32_t address);  // memory content without an image

class Device {
public:
    explicit Device(DeviceConfig config = {}, LocalClock clock = hostLocalSeconds);

    // Handles one request frame; returns what the device sends back, in order. A request
    // received as a broadcast is answered with answer code 0x0C. Over USB, bytes that do
    // not start with 'E', 'K' are a typed command line (text and CR LF behind the length):
    // handled as text, not answered.
    std::vector<Output> handleRequest(const Bytes& request, Transport transport, bool broadcast = false);

    // Handles one typed command line received over TCP or USB.
    void handleCommandLine(const std::string& line);
    // Handles one burst of typed text: lines end at CR or LF (the last one may have no
    // line end), blank lines are skipped. Returns the lines taken, in order, and what the
    // device answers (config().tcpAnswer).
    struct TextReply {
        std::vector<std::string> lines;
        std::optional<std::string> answer;
    };
    TextReply handleCommandText(const std::string& burst);

    // The 50-byte deviceInfo record; answerCode 3 for a unicast answer, 0x0C for a
    // discovery answer or an announcement.
    Bytes infoRecord(uint8_t answerCode) const;
    // The remote table as sent by command 8: count (or rtsCountField) and the records.
    Bytes rtsTableBytes() const;
    // The device's date and time: year, month, day, hour, minute, second. A year set
    // anywhere from 0 to 65535 reads back as set.
    std::array<int, 6> clockNow() const;
    // The byte the flash read returns for `address`.
    uint8_t flashAt(uint32_t address) const;

    const DeviceConfig& config() const { return config_; }
    DeviceConfig& config() { return config_; }
    // The most recent command lines and request frames received, oldest first: at least
    // the last `historyKept`, never more than twice that, so a device can run for days.
    static constexpr size_t historyKept = 1000;
    const std::vector<std::string>& commandLines() const { return lines_; }
    const std::vector<Bytes>& requests() const { return requests_; }
    int firmwareTriggers() const { return firmwareTriggers_; }
    // Requests and typed bursts whose answers dropPercent has lost so far.
    int droppedAnswers() const { return dropped_; }
    uint16_t lastRfKind() const { return lastRfKind_; }
    uint16_t lastRfDivisor() const { return lastRfDivisor_; }
    // Learn requests answered so far, by kind.
    int rfLearnRequests() const { return rfLearnRequests_; }
    int irLearnRequests() const { return irLearnRequests_; }

private:
    struct Answer {
        Bytes bytes;
        int delayMs = 0;
        int chunkSize = 0;
        bool framed = true;  // ends with a checksum
    };
    std::vector<Answer> answer(const Bytes& request, Transport transport, bool broadcast);
    std::vector<Answer> captureAnswers(const std::optional<Capture>& capture, bool ir, Transport transport) const;
    // What the learn request numbered `request` (from 0) of one kind hears.
    static const std::optional<Capture>& captureFor(
        const std::optional<Capture>& single, const std::vector<std::optional<Capture>>& perRequest, int request);
    std::vector<Output> applyFault(uint8_t code, std::vector<Answer> answers);
    Bytes garbage(int size);
    bool dropNow();  // draws whether dropPercent loses the answers at hand
    TextReply takeLines(const std::string& burst);  // the lines of a burst, no answer

    DeviceConfig config_;
    LocalClock clock_;
    std::vector<std::string> lines_;
    std::vector<Bytes> requests_;
    int firmwareTriggers_ = 0;
    uint16_t lastRfKind_ = 0;
    uint16_t lastRfDivisor_ = 0;
    int rfLearnRequests_ = 0;
    int irLearnRequests_ = 0;
    uint32_t garbageSeed_ = 0x2545F491u;
    uint32_t dropSeed_ = 0x9E3779B9u;
    int dropped_ = 0;
};

}  // namespace ondixsim
