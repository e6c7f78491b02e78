#include "ondixDevice.h"

#include <algorithm>
#include <ctime>

namespace ondixsim {

namespace {

uint16_t le16(const Bytes& b, size_t at)
{
    return uint16_t(b[at] | (b[at + 1] << 8));
}

uint32_t le32(const Bytes& b, size_t at)
{
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}

void put16(Bytes& b, uint16_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void put32(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(v >> (8 * i)));
}

Bytes header(uint8_t code)
{
    return Bytes {'E', 'K', 0x01, code};
}

// Calendar arithmetic on plain integers (proleptic Gregorian calendar): std::chrono::year
// stops at 32767, and the device keeps any 16-bit year.
long long daysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + (long long)doe - 719468;
}

std::array<long long, 3> civilFromDays(long long z)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {(long long)yoe + era * 400 + (m <= 2), m, d};
}

bool validDate(long long year, unsigned month, unsigned day)
{
    static const unsigned lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1)
        return false;
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return day <= lengths[month - 1] + (month == 2 && leap ? 1 : 0);
}

long long localSeconds(long long year, unsigned month, unsigned day, int hour, int minute, int second)
{
    return daysFromCivil(year, month, day) * 86400LL + hour * 3600LL + minute * 60LL + second;
}

// A parameter-block request: 'E','K',1,code, N (16 bits), N parameters, checksum.
bool isParameterBlock(const Bytes& request, size_t expectedN)
{
    return request.size() == expectedN + 10 && le16(request, 4) == expectedN;
}

}  // namespace

long long hostLocalSeconds()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm {};
    localtime_r(&now, &tm);
    return localSeconds(
        tm.tm_year + 1900, unsigned(tm.tm_mon + 1), unsigned(tm.tm_mday), tm.tm_hour, tm.tm_min, tm.tm_sec);
}

uint32_t byteSum(const uint8_t* data, size_t count)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += data[i];
    return sum;
}

void appendChecksum(Bytes& frame)
{
    put32(frame, byteSum(frame.data(), frame.size()));
}

bool hasValidChecksum(const Bytes& frame)
{
    if (frame.size() < 8)
        return false;
    const size_t k = frame.size() - 4;
    return le32(frame, k) == byteSum(frame.data(), k);
}

Bytes acknowledgement(uint8_t code)
{
    Bytes ack = header(code);
    appendChecksum(ack);
    return ack;
}

Bytes parameterBlockAnswer(uint8_t code, const Bytes& data)
{
    Bytes frame = header(code);
    put16(frame, uint16_t(data.size()));
    frame.insert(frame.end(), data.begin(), data.end());
    appendChecksum(frame);
    return frame;
}

uint8_t flashByte(uint32_t address)
{
    return uint8_t((address & 0xFF) ^ ((address >> 8) & 0xFF) ^ ((address >> 16) & 0xFF) ^ (address >> 24));
}

Device::Device(DeviceConfig config, LocalClock clock)
    : config_(std::move(config)), clock_(clock ? std::move(clock) : LocalClock(hostLocalSeconds))
{
}

Bytes Device::infoRecord(uint8_t answerCode) const
{
    Bytes r = header(answerCode);
    r.push_back(0);
    r.push_back(0);
    r.insert(r.end(), config_.ip.begin(), config_.ip.end());
    r.insert(r.end(), config_.mask.begin(), config_.mask.end());
    r.insert(r.end(), config_.gateway.begin(), config_.gateway.end());
    r.insert(r.end(), config_.mac.begin(), config_.mac.end());
    r.push_back(config_.dhcp ? 1 : 0);
    put16(r, config_.tcpPort);
    for (size_t i = 0; i < 16; ++i)
        r.push_back(i < config_.ident.size() ? uint8_t(config_.ident[i]) : 0);
    put16(r, config_.firmware);
    r.push_back(config_.rfFlag);
    appendChecksum(r);
    return r;
}

Bytes Device::rtsTableBytes() const
{
    Bytes t;
    put32(t, config_.rtsCountField ? *config_.rtsCountField : uint32_t(config_.rts.size()));
    for (const RtsRecord& rec : config_.rts) {
        t.push_back(rec.reserved);
        t.push_back(rec.type);
        put16(t, rec.rollingCode);
        t.push_back(rec.keyCode);
        t.insert(t.end(), rec.remoteId.begin(), rec.remoteId.end());
    }
    return t;
}

std::array<int, 6> Device::clockNow() const
{
    const long long s = clock_() + config_.clockOffsetSeconds;
    long long dayCount = s / 86400;
    long long rest = s % 86400;
    if (rest < 0) {
        rest += 86400;
        --dayCount;
    }
    const auto ymd = civilFromDays(dayCount);
    return {int(ymd[0]), int(ymd[1]), int(ymd[2]), int(rest / 3600), int(rest / 60 % 60), int(rest % 60)};
}

uint8_t Device::flashAt(uint32_t address) const
{
    if (!config_.flashImage)
        return flashByte(address);
    return address < config_.flashImage->size() ? (*config_.flashImage)[address] : 0xFF;
}

Capture demoIrCapture()
{
    Capture c;
    c.irValue = 37900;
    const uint16_t frame[] = {342, 171, 21, 21, 21, 64, 21, 64, 21, 1520};
    for (int copy = 0; copy < 3; ++copy)
        c.durations.insert(c.durations.end(), std::begin(frame), std::end(frame));
    c.delayMs = 1500;
    return c;
}

Capture demoRfCapture()
{
    Capture c;
    const uint32_t code = 0xA5C33C;
    for (int copy = 0; copy < 4; ++copy) {
        c.durations.push_back(30);
        c.durations.push_back(930);
        for (int bit = 23; bit >= 0; --bit) {
            const bool one = (code >> bit) & 1;
            c.durations.push_back(one ? 90 : 30);
            c.durations.push_back(one ? 30 : 90);
        }
    }
    c.delayMs = 1500;
    return c;
}

std::vector<Output> Device::handleRequest(const Bytes& request, Transport transport, bool broadcast)
{
    if (transport == Transport::Usb && (request.size() < 2 || request[0] != 'E' || request[1] != 'K')) {
        takeLines(std::string(request.begin(), request.end()));  // typed lines get no answer here
        return {};
    }
    // A frame that is not 'E','K',...,checksum is dropped: the device stays silent, as it
    // would on a corrupted request, and the tool reports its time-out.
    if (request.size() < 8 || request[0] != 'E' || request[1] != 'K' || !hasValidChecksum(request))
        return {};
    remember(requests_, request);
    std::vector<Answer> answers = answer(request, transport, broadcast);
    if (answers.empty())
        return {};
    if (dropNow())
        return {};
    return applyFault(request[3], std::move(answers));
}

bool Device::dropNow()
{
    if (config_.dropPercent <= 0)
        return false;
    dropSeed_ ^= dropSeed_ << 13;
    dropSeed_ ^= dropSeed_ >> 17;
    dropSeed_ ^= dropSeed_ << 5;
    const bool drop = int(dropSeed_ % 100) < config_.dropPercent;
    if (drop)
        ++dropped_;
    return drop;
}

std::vector<Device::Answer> Device::answer(const Bytes& request, Transport transport, bool broadcast)
{
    const uint8_t code = request[3];
    switch (code) {
    case cmdInfo:
        if (request.size() != 8)
            return {};
        return {{infoRecord(broadcast ? answerDiscovery : answerInfo)}};
    case cmdWriteSettings:
        if (request.size() != infoRecordSize)
            return {};
        std::copy_n(request.begin() + 6, 4, config_.ip.begin());
        std::copy_n(request.begin() + 10, 4, config_.mask.begin());
        std::copy_n(request.begin() + 14, 4, config_.gateway.begin());
        config_.dhcp = request[24] != 0;
        config_.tcpPort = le16(request, 25);
        return {{acknowledgement(code)}};
    case cmdWriteMac:
        if (request.size() != 32)
            return {};
        std::copy_n(request.begin() + 6, 6, config_.mac.begin());
        return {{acknowledgement(code)}};
    case cmdFirmwareUpdate:
        if (!isParameterBlock(request, 4))
            return {};
        ++firmwareTriggers_;
        return {{acknowledgement(code)}};
    case cmdLearnRf: {
        if (!isParameterBlock(request, 4))
            return {};
        lastRfKind_ = le16(request, 6);
        lastRfDivisor_ = le16(request, 8);
        std::vector<Answer> out {{acknowledgement(code)}};
        const auto& capture = captureFor(config_.rfCapture, config_.rfCaptures, rfLearnRequests_++);
        for (Answer& a : captureAnswers(capture, false, transport))
            out.push_back(a);
        return out;
    }
    case cmdLearnIr: {
        if (request.size() != 8)
            return {};
        std::vector<Answer> out {{acknowledgement(code)}};
        const auto& capture = captureFor(config_.irCapture, config_.irCaptures, irLearnRequests_++);
        for (Answer& a : captureAnswers(capture, true, transport))
            out.push_back(a);
        return out;
    }
    case cmdReadRts:
        if (request.size() != 8)
            return {};
        return {{parameterBlockAnswer(code, rtsTableBytes())}};
    case cmdWriteRts: {
        if (request.size() < 14)
            return {};
        const size_t n = le16(request, 4);
        if (request.size() != n + 10 || n < 4)
            return {};
        const uint32_t count = le32(request, 6);
        if (count > maxRtsRecords || 4 + 8 * size_t(count) > n)
            return {};
        std::vector<RtsRecord> table;
        for (uint32_t i = 0; i < count; ++i) {
            const size_t at = 10 + 8 * size_t(i);
            RtsRecord rec;
            rec.reserved = request[at];
            rec.type = request[at + 1];
            rec.rollingCode = le16(request, at + 2);
            rec.keyCode = request[at + 4];
            std::copy_n(request.begin() + at + 5, 3, rec.remoteId.begin());
            table.push_back(rec);
        }
        config_.rts = std::move(table);
        config_.rtsCountField.reset();
        return {{acknowledgement(code)}};
    }
    case cmdReadClock: {
        if (request.size() != 8)
            return {};
        const auto now = clockNow();
        Bytes frame = header(code);
        put16(frame, 7);
        put16(frame, uint16_t(now[0]));
        for (int i = 1; i < 6; ++i)
            frame.push_back(uint8_t(now[i]));
        appendChecksum(frame);
        return {{frame}};
    }
    case cmdSetClock: {
        if (!isParameterBlock(request, 7))
            return {};
        const long long year = le16(request, 6);
        const unsigned month = request[8], day = request[9];
        const int hour = request[10], minute = request[11], second = request[12];
        // An impossible date is refused (no acknowledgement) rather than stored.
        if (!validDate(year, month, day) || hour > 23 || minute > 59 || second > 59)
            return {};
        config_.clockOffsetSeconds = localSeconds(year, month, day, hour, minute, second) - clock_();
        return {{acknowledgement(code)}};
    }
    case cmdFlashRead: {
        if (!isParameterBlock(request, 8))
            return {};
        const uint32_t address = le32(request, 6);
        const uint32_t count = std::min(le32(request, 10), maxFlashRead);
        Bytes data;
        data.reserve(count);
        for (uint32_t i = 0; i < count; ++i)
            data.push_back(flashAt(address + i));
        return {{parameterBlockAnswer(code, data)}};
    }
    default:
        return {};  // unknown codes (and the device's own 0x0C) get no answer
    }
}

const std::optional<Capture>& Device::captureFor(
    const std::optional<Capture>& single, const std::vector<std::optional<Capture>>& perRequest, int request)
{
    if (perRequest.empty())
        return single;
    return perRequest[std::min(size_t(request), perRequest.size() - 1)];
}

std::vector<Device::Answer> Device::captureAnswers(
    const std::optional<Capture>& capture, bool ir, Transport transport) const
{
    if (!capture || !capture->present)
        return {};
    // Word 0 is left zero: it must not read as 'E','K', or the network side would take
    // the first datagram of a split capture for a complete ordinary answer.
    const size_t words = capture->durations.size() + (ir ? 3 : 2);
    Bytes message;
    message.reserve(words * 2);
    put16(message, 0);
    put16(message, uint16_t(words));
    if (ir)
        put16(message, capture->irValue);
    for (uint16_t d : capture->durations)
        put16(message, d);
    Answer a;
    a.bytes = std::move(message);
    a.delayMs = capture->delayMs;
    a.chunkSize = transport == Transport::Network ? capture->datagramSize : 0;
    a.framed = false;
    return {a};
}

Bytes Device::garbage(int size)
{
    Bytes out;
    out.reserve(size_t(std::max(size, 0)));
    for (int i = 0; i < size; ++i) {
        garbageSeed_ ^= garbageSeed_ << 13;
        garbageSeed_ ^= garbageSeed_ >> 17;
        garbageSeed_ ^= garbageSeed_ << 5;
        out.push_back(uint8_t(garbageSeed_));
    }
    // Never the 'E','K' of a frame, so garbage cannot pass for an answer's start.
    if (!out.empty() && out[0] == 'E')
        out[0] = 0xFE;
    return out;
}

std::vector<Output> Device::applyFault(uint8_t code, std::vector<Answer> answers)
{
    std::vector<Output> out;
    auto it = config_.faults.find(code);
    Fault* fault = it == config_.faults.end() ? nullptr : &it->second;
    if (fault && (fault->kind == FaultKind::None || fault->times == 0))
        fault = nullptr;
    if (fault && fault->times > 0)
        --fault->times;
    if (fault && fault->kind == FaultKind::NoAnswer && fault->message < 0)
        return {};

    for (size_t i = 0; i < answers.size(); ++i) {
        Answer& a = answers[i];
        const bool hit = fault && (fault->message < 0 || size_t(fault->message) == i);
        Output o {a.delayMs, std::move(a.bytes), a.chunkSize};
        if (!hit) {
            out.push_back(std::move(o));
            continue;
        }
        const size_t n = o.bytes.size();
        switch (fault->kind) {
        case FaultKind::NoAnswer:
            continue;
        case FaultKind::Late:
            o.delayMs += fault->delayMs;
            break;
        case FaultKind::BadChecksum:
            if (a.framed && n >= 4) {
                Bytes sum(o.bytes.end() - 4, o.bytes.end());
                const uint32_t v = le32(sum, 0) + 1;
                for (int b = 0; b < 4; ++b)
                    o.bytes[n - 4 + b] = uint8_t(v >> (8 * b));
            }
            break;
        case FaultKind::ZeroChecksum:
            if (a.framed && n >= 4)
                std::fill(o.bytes.end() - 4, o.bytes.end(), 0);
            break;
        case FaultKind::Duplicate:
            out.push_back(o);
            break;
        case FaultKind::Truncated:
            if (size_t(std::max(fault->size, 0)) < n)
                o.bytes.resize(size_t(std::max(fault->size, 0)));
            break;
        case FaultKind::Oversize:
            if (size_t(fault->size) > n) {
                Bytes pad = garbage(fault->size - int(n));
                o.bytes.insert(o.bytes.end(), pad.begin(), pad.end());
            }
            break;
        case FaultKind::Garbage:
            out.push_back(Output {o.delayMs, garbage(fault->size), 0});
            break;
        case FaultKind::None:
            break;
        }
        out.push_back(std::move(o));
    }
    return out;
}

}  // namespace ondixsim
