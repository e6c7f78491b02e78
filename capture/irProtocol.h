// Names the protocol of a captured IR key press (NEC, Sony SIRC, RC5, RC6, Samsung32,
// Panasonic/Kaseikyo, JVC and a few relatives) with its address and command, for display
// next to the "sendir" line. Pure: durations in, a record and a text out.
//
// A wrong name is worse than none: a frame is named only when its whole length fits one
// protocol (leader, bit count, closing mark, the gap or the end of the capture after it) and
// its check bits agree; two protocols that both fit, frames of one press that disagree, or
// an undecodable frame between decoded ones give TIrProtocol::unknown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

enum class TIrProtocol {
    unknown,
    nec,  // 8-bit address and its inverse, command and its inverse
    necExtended,  // 16-bit address (the inverse check fails), command and its inverse
    nec42,  // 13-bit address and its inverse, command and its inverse
    pioneer,  // NEC frame on a 40 kHz carrier
    samsung32,  // 8-bit address sent twice, command and its inverse
    sirc12,
    sirc15,
    sirc20,
    rc5,
    rc5x,  // RC5 with the second start bit carrying command bit 6 (inverted)
    rc6,  // mode 0
    kaseikyo,  // 48 bits: vendor, 12-bit address, command, parity
    jvc,
    rca,
};

struct irDecoded_t {
    TIrProtocol protocol = TIrProtocol::unknown;
    uint32_t address = 0;
    uint32_t command = 0;
    uint32_t vendor = 0;  // Kaseikyo: the 16-bit vendor id (0x2002 Panasonic); 0 otherwise
    int bits = 0;  // data bits of one full frame; 0 when only repeat codes were seen
    bool repeat = false;  // more than one frame: the frame again, or repeat codes after it
};

// Durations in microseconds, alternating mark and space, starting with a mark. carrierHz
// is the carrier when known (0 otherwise); it only tells Pioneer (40 kHz) from NEC, whose
// frames are alike. Any number of durations, none included.
irDecoded_t decodeIrMicroseconds(std::span<const uint32_t> micros, uint32_t carrierHz = 0);

// Durations counted in periods of a carrier of carrierHz, as the Ondix sends them. A
// carrier outside 10 kHz .. 1 MHz gives unknown.
irDecoded_t decodeIrPeriods(std::span<const uint16_t> periods, uint32_t carrierHz);

// The IR capture message at the start of buf (bufLen bytes received): word 2 is the carrier
// in Hz, words 3 .. N-1 the durations in its periods. unknown for an unreadable message.
irDecoded_t decodeIrCapture(const uint8_t* buf, size_t bufLen);

// "NEC", "Sony SIRC 12", "RC6", ...; "desconhecido" for unknown.
std::string irProtocolName(TIrProtocol protocol);

// One line for the user, e.g. "NEC  endereço 0x04  comando 0x08", or "desconhecido".
std::string irDecodedText(const irDecoded_t& decoded);
