// The fake hidapi: the six calls the link makes, answering like an Ondix on the cable.
#include "tools/fakehid/fakehid.h"

#include <hidapi.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>

struct hid_device_ {
    bool open = true;
};

namespace fakehid {
namespace {

using Clock = std::chrono::steady_clock;
using Report = std::array<uint8_t, 32>;
constexpr long long never = std::numeric_limits<long long>::max();

struct Queued {
    long long due = 0;
    Report report {};
};

struct State {
    std::mutex mutex;
    std::condition_variable changed;

    bool present = false;
    uint16_t vendor = 0x1FC9;
    uint16_t product = 0x0090;
    std::wstring serial;
    bool detached = false;

    Responder responder;
    UsbFaultSpec fault;
    std::deque<Queued> queue;  // ordered by due time
    std::vector<Bytes> frames;
    std::vector<Bytes> reports;
    Bytes assembling;
    long expected = -1;  // length of the frame being written; -1: none

    long long virtualNow = 0;
    bool realTime = false;
    Clock::time_point realStart = Clock::now();
    long long realBase = 0;

    std::vector<std::unique_ptr<hid_device_>> handles;
    int openHandles = 0;
    int parkedReads = 0;
    // Data reports the reader still needs for the frame it is reading, as the fake counts
    // them from what it handed out: 0 when the next read is for a length report.
    int readerExpecting = 0;
    Stats stats;
};

State& state()
{
    static State s;
    return s;
}

long long nowLocked(const State& s)
{
    if (!s.realTime)
        return s.virtualNow;
    return s.realBase + std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - s.realStart).count();
}

bool dueLocked(const State& s)
{
    return !s.queue.empty() && s.queue.front().due <= nowLocked(s);
}

void enqueueLocked(State& s, const Report& report, long long due)
{
    auto at = std::find_if(s.queue.begin(), s.queue.end(), [due](const Queued& q) { return q.due > due; });
    s.queue.insert(at, Queued {due, report});
}

void enqueueFrameLocked(State& s, Bytes frame, long long due, int skipDataReport)
{
    Report header {};
    header[0] = uint8_t(frame.size() & 0xFF);
    header[1] = uint8_t((frame.size() >> 8) & 0xFF);
    enqueueLocked(s, header, due);
    const size_t count = std::max<size_t>(1, (frame.size() + 31) / 32);
    for (size_t r = 0; r < count; ++r) {
        Report data {};
        const size_t from = r * 32;
        if (from < frame.size())
            std::memcpy(data.data(), frame.data() + from, std::min<size_t>(32, frame.size() - from));
        if (int(r) != skipDataReport)
            enqueueLocked(s, data, due);
    }
    s.changed.notify_all();
}

void answerLocked(State& s, const std::vector<ondixsim::Output>& outputs)
{
    // The answers to one request leave in order: a late acknowledgement holds back the
    // capture behind it, as on the device.
    const long long start = nowLocked(s);
    long long due = start;
    for (const auto& output : outputs) {
        Bytes bytes = output.bytes;
        int delay = output.delayMs;
        int skip = -1;
        const UsbFault kind = s.fault.kind;
        if (kind != UsbFault::None) {
            if (s.fault.times > 0 && --s.fault.times == 0)
                s.fault.kind = UsbFault::None;
        }
        switch (kind) {
        case UsbFault::NoAnswer:
            continue;
        case UsbFault::Late:
            delay += s.fault.delayMs;
            break;
        case UsbFault::BadChecksum:
            if (!bytes.empty())
                bytes.back() = uint8_t(bytes.back() + 1);
            break;
        case UsbFault::ZeroChecksum:
            for (size_t i = bytes.size() >= 4 ? bytes.size() - 4 : 0; i < bytes.size(); ++i)
                bytes[i] = 0;
            break;
        case UsbFault::MissingDataReport:
            skip = s.fault.reportIndex;
            break;
        case UsbFault::None:
            break;
        }
        due = std::max(due, start + std::max(0, delay));
        enqueueFrameLocked(s, std::move(bytes), due, skip);
    }
}

int readLocked(
    std::unique_lock<std::mutex>& lock, hid_device* device, unsigned char* data, size_t length, int timeoutMs)
{
    State& s = state();
    if (!device || !device->open || s.detached)
        return -1;
    const long long virtualDeadline = timeoutMs < 0 ? never : nowLocked(s) + timeoutMs;
    const auto realDeadline =
        timeoutMs < 0 ? Clock::time_point::max() : Clock::now() + std::chrono::milliseconds(timeoutMs);
    ++s.parkedReads;
    s.changed.notify_all();
    int result = 0;
    for (;;) {
        if (!device->open || s.detached) {
            result = -1;
            s.readerExpecting = 0;
            break;
        }
        if (dueLocked(s)) {
            const Report report = s.queue.front().report;
            s.queue.pop_front();
            const size_t n = std::min(length, report.size());
            if (n > 0)
                std::memcpy(data, report.data(), n);
            result = int(n);
            if (s.readerExpecting == 0) {
                const size_t announced = size_t(report[0] | report[1] << 8);
                s.readerExpecting = int(std::max<size_t>(1, (announced + 31) / 32));
            } else {
                --s.readerExpecting;
            }
            break;
        }
        if (nowLocked(s) >= virtualDeadline || Clock::now() >= realDeadline) {
            result = 0;
            s.readerExpecting = 0;  // a missing data report ends the frame
            break;
        }
        // Real-time mode has no advance() to wake us: look again in short slices.
        auto until = std::min(realDeadline, Clock::now() + std::chrono::milliseconds(s.realTime ? 2 : 50));
        s.changed.wait_until(lock, until);
    }
    --s.parkedReads;
    s.changed.notify_all();
    return result;
}

}  // namespace

void reset()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.present = false;
    s.vendor = 0x1FC9;
    s.product = 0x0090;
    s.serial.clear();
    s.detached = false;
    s.responder = nullptr;
    s.fault = {};
    s.queue.clear();
    s.frames.clear();
    s.reports.clear();
    s.assembling.clear();
    s.expected = -1;
    s.virtualNow = 0;
    s.realTime = false;
    s.realBase = 0;
    s.stats = {};
    s.readerExpecting = 0;
    // Handles of earlier runs stay allocated: a stray pointer must not reach freed memory.
    for (auto& handle : s.handles)
        handle->open = false;
    s.openHandles = 0;
    s.changed.notify_all();
}

void plug(uint16_t vendor, uint16_t product, const std::wstring& serial)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.present = true;
    s.vendor = vendor;
    s.product = product;
    s.serial = serial;
    s.detached = false;
}

void unplug()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.present = false;
}

void detach()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.present = false;
    s.detached = true;
    s.queue.clear();
    s.changed.notify_all();
}

void setResponder(Responder responder)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.responder = std::move(responder);
}

void setFault(const UsbFaultSpec& fault)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.fault = fault;
}

void sendFrame(const Bytes& frame, int delayMs)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    enqueueFrameLocked(s, frame, nowLocked(s) + std::max(0, delayMs), -1);
}

void sendReport(const Bytes& report, int delayMs)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    Report r {};
    std::memcpy(r.data(), report.data(), std::min(report.size(), r.size()));
    enqueueLocked(s, r, nowLocked(s) + std::max(0, delayMs));
    s.changed.notify_all();
}

std::vector<Bytes> writtenFrames()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return s.frames;
}

std::vector<Bytes> writtenReports()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return s.reports;
}

void clearLogs()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.frames.clear();
    s.reports.clear();
}

long long now()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return nowLocked(s);
}

void advance(int ms)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.realTime)
        s.virtualNow += std::max(0, ms);
    s.changed.notify_all();
}

void setRealTime(bool on)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (on == s.realTime)
        return;
    const long long current = nowLocked(s);
    s.realTime = on;
    s.realBase = current;
    s.realStart = Clock::now();
    s.virtualNow = current;
    s.changed.notify_all();
}

static bool quietLocked(const State& s)
{
    if (s.openHandles == 0 || s.detached)
        return true;  // nobody will read what is queued
    return !dueLocked(s) && s.parkedReads > 0 && s.readerExpecting == 0;
}

bool quiet()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return quietLocked(s);
}

bool waitQuiet(int ms)
{
    State& s = state();
    std::unique_lock lock(s.mutex);
    return s.changed.wait_for(lock, std::chrono::milliseconds(std::max(0, ms)), [&s] { return quietLocked(s); });
}

int pendingReports()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return int(s.queue.size());
}

Stats stats()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return s.stats;
}

void configureFromEnvironment()
{
    const char* plugged = std::getenv("ONDIX_FAKEHID_PLUG");
    if (plugged && std::strcmp(plugged, "1") == 0)
        plug();
    const char* realTime = std::getenv("ONDIX_FAKEHID_REALTIME");
    if (realTime && std::strcmp(realTime, "1") == 0)
        setRealTime(true);
}

}  // namespace fakehid

using fakehid::state;

extern "C" {

int hid_init(void)
{
    auto& s = state();
    std::lock_guard lock(s.mutex);
    ++s.stats.inits;
    return 0;
}

int hid_exit(void)
{
    auto& s = state();
    std::lock_guard lock(s.mutex);
    ++s.stats.exits;
    return 0;
}

hid_device* hid_open(unsigned short vendor_id, unsigned short product_id, const wchar_t* serial_number)
{
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.stats.lastSerialWasNull = serial_number == nullptr;
    s.stats.lastSerialWasEmpty = serial_number != nullptr && serial_number[0] == L'\0';
    const bool serialMatches = serial_number == nullptr || s.serial == serial_number;
    if (!s.present || vendor_id != s.vendor || product_id != s.product || !serialMatches) {
        ++s.stats.failedOpens;
        return nullptr;
    }
    s.handles.push_back(std::make_unique<hid_device_>());
    ++s.openHandles;
    ++s.stats.opens;
    s.changed.notify_all();
    return s.handles.back().get();
}

int hid_write(hid_device* device, const unsigned char* data, size_t length)
{
    auto& s = state();
    std::unique_lock lock(s.mutex);
    ++s.stats.writes;
    if (!device || !device->open || s.detached || !data || length < 1) {
        ++s.stats.failedWrites;
        return -1;
    }
    s.reports.emplace_back(data, data + length);
    const unsigned char* payload = data + 1;
    size_t payloadSize = std::min<size_t>(length - 1, 32);
    if (s.expected < 0) {
        if (payloadSize < 2)
            return int(length);
        s.expected = long(payload[0] | payload[1] << 8);
        s.assembling.clear();
        payload += 2;
        payloadSize -= 2;
    }
    const size_t take = std::min<size_t>(payloadSize, size_t(s.expected) - s.assembling.size());
    s.assembling.insert(s.assembling.end(), payload, payload + take);
    if (s.assembling.size() == size_t(s.expected)) {
        const fakehid::Bytes frame = s.assembling;
        s.frames.push_back(frame);
        s.expected = -1;
        s.assembling.clear();
        fakehid::Responder responder = s.responder;
        if (responder) {
            lock.unlock();  // the responder may call back into the fake
            const auto outputs = responder(frame);
            lock.lock();
            if (!s.detached)
                fakehid::answerLocked(s, outputs);
        }
    }
    return int(length);
}

int hid_read_timeout(hid_device* device, unsigned char* data, size_t length, int milliseconds)
{
    auto& s = state();
    std::unique_lock lock(s.mutex);
    return fakehid::readLocked(lock, device, data, length, milliseconds);
}

int hid_read(hid_device* device, unsigned char* data, size_t length)
{
    return hid_read_timeout(device, data, length, -1);
}

void hid_close(hid_device* device)
{
    auto& s = state();
    std::lock_guard lock(s.mutex);
    ++s.stats.closes;
    if (device && device->open) {
        device->open = false;
        if (s.openHandles > 0)
            --s.openHandles;
    }
    s.changed.notify_all();
}

}  // extern "C"
