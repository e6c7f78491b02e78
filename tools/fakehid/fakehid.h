// A link-time stand-in for hidapi that behaves like an Ondix on the cable. The tool's
// writes are reassembled into frames and handed to a responder (normally the emulated
// device); its answers come back as a length report and data reports, released by a
// virtual clock that tests advance by hand. Every function is thread-safe.
#pragma once

#include "tools/devicecore/ondixDevice.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fakehid {

using Bytes = std::vector<uint8_t>;
using Responder = std::function<std::vector<ondixsim::Output>(const Bytes& request)>;

// Faults applied at the cable to the next answers the device sends.
enum class UsbFault {
    None,
    NoAnswer,  // answers are swallowed
    Late,  // every answer leaves `delayMs` later than the device asked
    BadChecksum,  // last checksum byte of the frame plus one
    ZeroChecksum,  // last four bytes of the frame zero
    MissingDataReport,  // data report number `reportIndex` (0-based) never arrives
};

struct UsbFaultSpec {
    UsbFault kind = UsbFault::None;
    int delayMs = 0;
    int reportIndex = 0;
    int times = -1;  // answers it applies to; -1: all of them
};

struct Stats {
    int opens = 0;  // successful hid_open calls
    int failedOpens = 0;
    int closes = 0;
    int inits = 0;
    int exits = 0;
    int writes = 0;  // hid_write calls, failed ones included
    int failedWrites = 0;
    bool lastSerialWasEmpty = false;  // hid_open got L"" as serial number
    bool lastSerialWasNull = false;
};

// Back to the start: no device, no responder, no faults, empty logs, virtual time 0,
// virtual clock mode. No handle may be open.
void reset();

// A device on the cable (found by hid_open) or not. `serial` is its serial-number string.
void plug(uint16_t vendor = 0x1FC9, uint16_t product = 0x0090, const std::wstring& serial = L"");
void unplug();

// Reads fail with -1 from now on and writes fail; the handle stays allocated until closed.
void detach();

void setResponder(Responder responder);
inline void attachDevice(ondixsim::Device& device)
{
    setResponder([&device](const Bytes& request) { return device.handleRequest(request, ondixsim::Transport::Usb); });
}

void setFault(const UsbFaultSpec& fault);

// Sends a whole frame as the device would (length report and data reports), `delayMs`
// after the current virtual time, without a request.
void sendFrame(const Bytes& frame, int delayMs = 0);
// Sends one raw 32-byte input report (shorter contents are zero-padded).
void sendReport(const Bytes& report, int delayMs = 0);

// Frames the tool wrote, reassembled, and the raw 33-byte writes.
std::vector<Bytes> writtenFrames();
std::vector<Bytes> writtenReports();
void clearLogs();

// Virtual clock: milliseconds since reset; advance releases due reports and expires timed
// reads whose virtual deadline has passed.
long long now();
void advance(int ms);
// The virtual clock follows the steady clock (for demos); false returns to manual mode.
void setRealTime(bool on);

// Nothing released is waiting to be read and the reader, if any device is open, is
// parked in a read for the next length report (not in the middle of a frame). Reports
// not yet due do not count.
bool quiet();
// Waits up to `ms` real milliseconds for quiet(); returns quiet().
bool waitQuiet(int ms);

// Reports queued for the reader, due or not.
int pendingReports();

Stats stats();

// Applies ONDIX_FAKEHID_* environment settings (for demo builds): ONDIX_FAKEHID_PLUG=1
// plugs a device, ONDIX_FAKEHID_REALTIME=1 follows the steady clock.
void configureFromEnvironment();

}  // namespace fakehid
