#include "capture/irProtocol.h"

#include "capture/captureMessage.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

using TDurations = std::span<const uint32_t>;

// A space at least this long ends a frame: longer than any space inside the frames named here
// (the 4.5 ms leader spaces of NEC and Samsung32 stay below it with their tolerance), shorter
// than the pause between repeated frames (about 6.6 ms even for the longest 20-bit Sony frame).
constexpr uint32_t frameGap = 6000;

// Receivers move every edge by a roughly fixed amount (the demodulator's delay) while remote
// clocks drift in proportion, so a duration may be off by a quarter of its nominal length plus
// 60 us: 39 % at 432 us, 35 % at 600 us, 27 % at 2.4 ms, 26 % at 9 ms. The ranges of the two
// bit values of every protocol here stay apart, so a duration never fits both.
bool near(uint32_t d, uint32_t nominal)
{
    const uint32_t tolerance = nominal / 4 + 60;
    return d + tolerance >= nominal && d <= nominal + tolerance;
}

// Bi-phase frames are read in half-bit units of t: a duration is the nearest whole number k
// of them, up to maxUnits, within the same allowance as above for k t, but never within
// 0.04 t of a halfway point, where it could be read either way.
int halfBits(uint32_t d, double t, int maxUnits)
{
    const long k = std::lround(d / t);
    if (k < 1 || k > maxUnits)
        return 0;
    const double tolerance = std::min(0.25 * double(k) * t + 60.0, 0.46 * t);
    return std::abs(double(d) - double(k) * t) <= tolerance ? int(k) : 0;
}

struct frame_t {
    TIrProtocol protocol = TIrProtocol::unknown;
    uint32_t address = 0;
    uint32_t command = 0;
    uint32_t vendor = 0;
    int bits = 0;
    bool repeatCode = false;  // NEC or Samsung32 repeat code: no address, no command
    bool leaderless = false;  // JVC repetition of the frame without its leader

    bool sameKey(const frame_t& o) const
    {
        return protocol == o.protocol && address == o.address && command == o.command && vendor == o.vendor
            && bits == o.bits;
    }
};

// Pulse-distance coding: every bit is a mark of one length and a space whose length gives the
// value; the frame closes with a mark.
struct pulseDistance_t {
    uint32_t leaderMark = 0;  // 0: no leader
    uint32_t leaderSpace = 0;
    uint32_t mark = 0;
    uint32_t space0 = 0;
    uint32_t space1 = 0;
    int bits = 0;
    bool msbFirst = false;
};

constexpr pulseDistance_t necTiming {9024, 4512, 564, 564, 1692, 32};
constexpr pulseDistance_t nec42Timing {9024, 4512, 564, 564, 1692, 42};
constexpr pulseDistance_t samsungTiming {4480, 4480, 560, 560, 1680, 32};
constexpr pulseDistance_t samsungRepeatTiming {4480, 4480, 560, 560, 1680, 1};
constexpr pulseDistance_t kaseikyoTiming {3456, 1728, 432, 432, 1296, 48};
constexpr pulseDistance_t jvcTiming {8400, 4200, 525, 525, 1575, 16};
constexpr pulseDistance_t jvcRepeatTiming {0, 0, 525, 525, 1575, 16};
constexpr pulseDistance_t rcaTiming {4000, 4000, 500, 1000, 2000, 24, true};

// The bits of a frame that fills the whole segment, or nullopt.
std::optional<uint64_t> pulseDistanceBits(TDurations seg, const pulseDistance_t& p)
{
    const size_t lead = p.leaderMark ? 2 : 0;
    if (seg.size() != lead + 2 * size_t(p.bits) + 1)
        return std::nullopt;
    if (lead && (!near(seg[0], p.leaderMark) || !near(seg[1], p.leaderSpace)))
        return std::nullopt;
    uint64_t value = 0;
    for (int i = 0; i < p.bits; ++i) {
        const uint32_t space = seg[lead + 2 * size_t(i) + 1];
        if (!near(seg[lead + 2 * size_t(i)], p.mark))
            return std::nullopt;
        uint64_t bit = 0;
        if (near(space, p.space1))
            bit = 1;
        else if (!near(space, p.space0))
            return std::nullopt;
        value = p.msbFirst ? (value << 1) | bit : value | (bit << i);
    }
    if (!near(seg.back(), p.mark))
        return std::nullopt;
    return value;
}

uint32_t byteAt(uint64_t value, int index)
{
    return uint32_t(value >> (8 * index)) & 0xFF;
}

std::optional<frame_t> necFrame(TDurations seg, bool pioneerCarrier)
{
    const auto v = pulseDistanceBits(seg, necTiming);
    if (!v || (byteAt(*v, 2) ^ byteAt(*v, 3)) != 0xFF)
        return std::nullopt;
    frame_t f;
    f.bits = 32;
    f.command = byteAt(*v, 2);
    const bool shortAddress = (byteAt(*v, 0) ^ byteAt(*v, 1)) == 0xFF;
    if (pioneerCarrier) {
        if (!shortAddress)
            return std::nullopt;
        f.protocol = TIrProtocol::pioneer;
        f.address = byteAt(*v, 0);
    } else {
        f.protocol = shortAddress ? TIrProtocol::nec : TIrProtocol::necExtended;
        f.address = shortAddress ? byteAt(*v, 0) : uint32_t(*v & 0xFFFF);
    }
    return f;
}

std::optional<frame_t> necRepeatCode(TDurations seg)
{
    if (seg.size() != 3 || !near(seg[0], 9024) || !near(seg[1], 2256) || !near(seg[2], 564))
        return std::nullopt;
    frame_t f;
    f.protocol = TIrProtocol::nec;
    f.repeatCode = true;
    return f;
}

std::optional<frame_t> nec42Frame(TDurations seg)
{
    const auto v = pulseDistanceBits(seg, nec42Timing);
    if (!v)
        return std::nullopt;
    const uint32_t address = uint32_t(*v & 0x1FFF);
    const uint32_t inverse = uint32_t(*v >> 13) & 0x1FFF;
    const uint32_t command = uint32_t(*v >> 26) & 0xFF;
    const uint32_t commandInverse = uint32_t(*v >> 34) & 0xFF;
    if ((address ^ inverse) != 0x1FFF || (command ^ commandInverse) != 0xFF)
        return std::nullopt;
    frame_t f;
    f.protocol = TIrProtocol::nec42;
    f.address = address;
    f.command = command;
    f.bits = 42;
    return f;
}

std::optional<frame_t> samsungFrame(TDurations seg)
{
    frame_t f;
    f.protocol = TIrProtocol::samsung32;
    if (seg.size() == 5) {
        // Repeat code: the leader, a single 1 bit and the closing mark.
        const auto v = pulseDistanceBits(seg, samsungRepeatTiming);
        if (!v || *v != 1)
            return std::nullopt;
        f.repeatCode = true;
        return f;
    }
    const auto v = pulseDistanceBits(seg, samsungTiming);
    if (!v || byteAt(*v, 0) != byteAt(*v, 1) || (byteAt(*v, 2) ^ byteAt(*v, 3)) != 0xFF)
        return std::nullopt;
    f.address = byteAt(*v, 0);
    f.command = byteAt(*v, 2);
    f.bits = 32;
    return f;
}

std::optional<frame_t> kaseikyoFrame(TDurations seg)
{
    const auto v = pulseDistanceBits(seg, kaseikyoTiming);
    if (!v)
        return std::nullopt;
    std::array<uint32_t, 6> b {};
    for (int i = 0; i < 6; ++i)
        b[size_t(i)] = byteAt(*v, i);
    const uint32_t vendorXor = b[0] ^ b[1];
    if ((b[2] & 0x0F) != ((vendorXor & 0x0F) ^ (vendorXor >> 4)) || b[5] != (b[2] ^ b[3] ^ b[4]))
        return std::nullopt;
    frame_t f;
    f.protocol = TIrProtocol::kaseikyo;
    f.vendor = b[0] | (b[1] << 8);
    f.address = (b[2] >> 4) | (b[3] << 4);
    f.command = b[4];
    f.bits = 48;
    return f;
}

std::optional<frame_t> jvcFrame(TDurations seg)
{
    const bool leaderless = seg.size() == 33;
    const auto v = pulseDistanceBits(seg, leaderless ? jvcRepeatTiming : jvcTiming);
    if (!v)
        return std::nullopt;
    frame_t f;
    f.protocol = TIrProtocol::jvc;
    f.address = byteAt(*v, 0);
    f.command = byteAt(*v, 1);
    f.bits = 16;
    f.leaderless = leaderless;
    return f;
}

std::optional<frame_t> rcaFrame(TDurations seg)
{
    const auto v = pulseDistanceBits(seg, rcaTiming);
    if (!v)
        return std::nullopt;
    const uint32_t address = uint32_t(*v >> 20) & 0x0F;
    const uint32_t command = uint32_t(*v >> 12) & 0xFF;
    if ((address ^ (uint32_t(*v >> 8) & 0x0F)) != 0x0F || (command ^ uint32_t(*v & 0xFF)) != 0xFF)
        return std::nullopt;
    frame_t f;
    f.protocol = TIrProtocol::rca;
    f.address = address;
    f.command = command;
    f.bits = 24;
    return f;
}

// Sony: a 2.4 ms leader, then one mark per bit (600 us for 0, 1200 us for 1) with 600 us
// spaces between them; the last mark is followed by the gap. Command first, LSB first.
std::optional<frame_t> sircFrame(TDurations seg)
{
    const size_t bits = seg.size() / 2;
    if (seg.size() % 2 == 0 || (bits != 12 && bits != 15 && bits != 20))
        return std::nullopt;
    if (!near(seg[0], 2400) || !near(seg[1], 600))
        return std::nullopt;
    uint32_t value = 0;
    for (size_t i = 0; i < bits; ++i) {
        const uint32_t mark = seg[2 + 2 * i];
        if (near(mark, 1200))
            value |= 1u << i;
        else if (!near(mark, 600))
            return std::nullopt;
        if (i + 1 < bits && !near(seg[3 + 2 * i], 600))
            return std::nullopt;
    }
    frame_t f;
    f.protocol = bits == 12 ? TIrProtocol::sirc12 : bits == 15 ? TIrProtocol::sirc15 : TIrProtocol::sirc20;
    f.command = value & 0x7F;
    f.address = value >> 7;
    f.bits = int(bits);
    return f;
}

// Expands durations into half-bit levels (1 = mark), first duration a mark when firstIsMark.
// False when a duration is no whole number of half bits or the frame would exceed the array.
template <size_t capacity>
bool halfBitLevels(TDurations durations, bool firstIsMark, double t, int maxUnits,
    std::array<uint8_t, capacity>& levels, size_t& count)
{
    for (size_t i = 0; i < durations.size(); ++i) {
        const int k = halfBits(durations[i], t, maxUnits);
        if (k == 0 || count + size_t(k) > capacity)
            return false;
        const uint8_t level = (i % 2 == 0) == firstIsMark ? 1 : 0;
        for (int j = 0; j < k; ++j)
            levels[count++] = level;
    }
    return true;
}

// RC5: 14 bi-phase bits of 1.778 ms, a 1 being space then mark, MSB first: two start bits,
// toggle, 5 address bits, 6 command bits. The space half of the first start bit is silence
// before the capture; a final 0 bit ends in the gap.
std::optional<frame_t> rc5Frame(TDurations seg)
{
    if (seg.size() > 28)
        return std::nullopt;
    std::array<uint8_t, 28> levels {};
    size_t count = 1;  // levels[0]: the unseen space
    if (!halfBitLevels(seg, true, 889.0, 2, levels, count))
        return std::nullopt;
    if (count == 27)
        levels[count++] = 0;
    if (count != 28)
        return std::nullopt;
    uint32_t value = 0;
    for (size_t b = 0; b < 14; ++b) {
        if (levels[2 * b] == levels[2 * b + 1])
            return std::nullopt;
        value = (value << 1) | levels[2 * b + 1];
    }
    frame_t f;
    f.bits = 14;
    f.address = (value >> 6) & 0x1F;
    f.command = value & 0x3F;
    if (value & 0x1000) {
        f.protocol = TIrProtocol::rc5;
    } else {
        f.protocol = TIrProtocol::rc5x;
        f.command |= 0x40;
    }
    return f;
}

// RC6 mode 0 at t = 444 us: leader mark 6t and space 2t, start bit 1, three mode bits 000,
// the toggle bit at double length, 8 address and 8 command bits, MSB first; a 1 is mark then
// space. A final 1 bit ends in the gap.
std::optional<frame_t> rc6Frame(TDurations seg)
{
    constexpr double t = 444.444;
    if (seg.size() < 3 || seg.size() > 46 || !near(seg[0], 2667) || !near(seg[1], 889))
        return std::nullopt;
    std::array<uint8_t, 44> levels {};
    size_t count = 0;
    if (!halfBitLevels(seg.subspan(2), true, t, 3, levels, count))
        return std::nullopt;
    if (count == 43)
        levels[count++] = 0;
    if (count != 44)
        return std::nullopt;
    // Halves 8..11 are the toggle bit; every other pair is one bit.
    if (levels[8] != levels[9] || levels[10] != levels[11] || levels[8] == levels[10])
        return std::nullopt;
    uint32_t value = 0;
    for (size_t h = 0; h < 44; h += 2) {
        if (h == 8 || h == 10)
            continue;
        if (levels[h] == levels[h + 1])
            return std::nullopt;
        value = (value << 1) | levels[h];
    }
    // value: start bit, mode (3 bits), address, command.
    if ((value >> 16) != 0x8)
        return std::nullopt;
    frame_t f;
    f.protocol = TIrProtocol::rc6;
    f.address = (value >> 8) & 0xFF;
    f.command = value & 0xFF;
    f.bits = 16;
    return f;
}

// The one protocol the segment fits, or nullopt when none or several do.
std::optional<frame_t> decodeSegment(TDurations seg, bool pioneerCarrier)
{
    std::optional<frame_t> found;
    int matches = 0;
    auto consider = [&](std::optional<frame_t> f) {
        if (f) {
            ++matches;
            found = f;
        }
    };
    consider(necFrame(seg, pioneerCarrier));
    consider(necRepeatCode(seg));
    consider(nec42Frame(seg));
    consider(samsungFrame(seg));
    consider(kaseikyoFrame(seg));
    consider(jvcFrame(seg));
    consider(rcaFrame(seg));
    consider(sircFrame(seg));
    consider(rc5Frame(seg));
    consider(rc6Frame(seg));
    return matches == 1 ? found : std::nullopt;
}

// Which protocols a repeat code may follow.
bool repeatCodeFits(const frame_t& code, const frame_t& full)
{
    if (code.protocol == TIrProtocol::samsung32)
        return full.protocol == TIrProtocol::samsung32;
    return full.protocol == TIrProtocol::nec || full.protocol == TIrProtocol::necExtended
        || full.protocol == TIrProtocol::nec42;
}

int addressDigits(TIrProtocol p)
{
    switch (p) {
    case TIrProtocol::necExtended:
    case TIrProtocol::nec42:
    case TIrProtocol::sirc20:
        return 4;
    case TIrProtocol::kaseikyo:
        return 3;
    case TIrProtocol::rca:
        return 1;
    default:
        return 2;
    }
}

}  // namespace

irDecoded_t decodeIrMicroseconds(std::span<const uint32_t> micros, uint32_t carrierHz)
{
    const bool pioneerCarrier = carrierHz >= 39000 && carrierHz <= 41000;

    // A press is read as: at most one undecodable stretch before the frames (the first frame
    // caught halfway, stray light), the decoded frames one after the other, at most one after
    // them (the capture ran out halfway through a frame). Lone marks between frames are
    // ignored as glitches.
    std::optional<frame_t> full;
    std::optional<frame_t> code;
    int decoded = 0;
    int failedBefore = 0;
    int failedAfter = 0;
    bool conflict = false;

    const size_t n = micros.size();
    size_t start = 0;
    while (start < n && !conflict) {
        // The segment runs from a mark to the mark before the next long space (or before the
        // space the capture ends with).
        size_t end = start + 1;
        while (end < n && !(end % 2 == 1 && (micros[end] >= frameGap || end + 1 == n)))
            ++end;
        const TDurations seg = micros.subspan(start, end - start);
        start = end + 1;

        const auto f = decodeSegment(seg, pioneerCarrier);
        if (!f) {
            if (seg.size() > 1)
                ++(decoded ? failedAfter : failedBefore);
            continue;
        }
        if (failedAfter > 0) {
            conflict = true;  // an undecodable frame between decoded ones
            break;
        }
        ++decoded;
        if (f->repeatCode) {
            if (code && code->protocol != f->protocol)
                conflict = true;
            code = f;
        } else if (full && !full->sameKey(*f)) {
            conflict = true;
        } else if (!full || !f->leaderless) {
            full = f;
        }
    }

    irDecoded_t r;
    if (conflict || decoded == 0 || failedBefore > 1 || failedAfter > 1)
        return r;
    if (full && (full->leaderless || (code && !repeatCodeFits(*code, *full))))
        return r;  // a leaderless JVC frame is named only after the full frame
    const frame_t& key = full ? *full : *code;
    r.protocol = key.protocol;
    r.address = key.address;
    r.command = key.command;
    r.vendor = key.vendor;
    r.bits = key.bits;
    r.repeat = decoded > 1 || !full;
    return r;
}

irDecoded_t decodeIrPeriods(std::span<const uint16_t> periods, uint32_t carrierHz)
{
    if (carrierHz < 10000 || carrierHz > 1000000)
        return {};
    std::vector<uint32_t> micros;
    micros.reserve(periods.size());
    for (uint16_t p : periods)
        micros.push_back(uint32_t((uint64_t(p) * 1000000 + carrierHz / 2) / carrierHz));
    return decodeIrMicroseconds(micros, carrierHz);
}

irDecoded_t decodeIrCapture(const uint8_t* buf, size_t bufLen)
{
    const auto words = captureWords(buf, bufLen);
    if (!words || words->size() < 3)
        return {};
    const std::span<const uint16_t> all(*words);
    return decodeIrPeriods(all.subspan(3), all[2]);
}

std::string irProtocolName(TIrProtocol protocol)
{
    switch (protocol) {
    case TIrProtocol::nec:
        return "NEC";
    case TIrProtocol::necExtended:
        return "NEC estendido";
    case TIrProtocol::nec42:
        return "NEC42";
    case TIrProtocol::pioneer:
        return "Pioneer";
    case TIrProtocol::samsung32:
        return "Samsung32";
    case TIrProtocol::sirc12:
        return "Sony SIRC 12";
    case TIrProtocol::sirc15:
        return "Sony SIRC 15";
    case TIrProtocol::sirc20:
        return "Sony SIRC 20";
    case TIrProtocol::rc5:
        return "RC5";
    case TIrProtocol::rc5x:
        return "RC5X";
    case TIrProtocol::rc6:
        return "RC6";
    case TIrProtocol::kaseikyo:
        return "Panasonic/Kaseikyo";
    case TIrProtocol::jvc:
        return "JVC";
    case TIrProtocol::rca:
        return "RCA";
    case TIrProtocol::unknown:
        break;
    }
    return "desconhecido";
}

std::string irDecodedText(const irDecoded_t& decoded)
{
    std::string text = irProtocolName(decoded.protocol);
    if (decoded.protocol == TIrProtocol::unknown)
        return text;
    if (decoded.bits == 0)
        return text + "  código de repetição";
    char part[64];
    if (decoded.protocol == TIrProtocol::kaseikyo) {
        std::snprintf(part, sizeof part, "  fabricante 0x%04X", unsigned(decoded.vendor));
        text += part;
    }
    std::snprintf(part, sizeof part, "  endereço 0x%0*X  comando 0x%02X", addressDigits(decoded.protocol),
        unsigned(decoded.address), unsigned(decoded.command));
    return text + part;
}
