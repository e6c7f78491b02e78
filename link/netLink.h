// Receive rules of the UDP link, as plain code: how each datagram is accumulated into
// the answer buffer and what it completes.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint16_t ondixUdpPort = 4040;
// Socket receive buffer: room for a few hundred answers arriving together.
constexpr int udpReceiveBufferBytes = 4 * 1024 * 1024;

enum class TUdpDatagramKind {
    CaptureComplete,  // the accumulated bytes form a whole capture message
    Discovery,  // goes to the discovery branch (search running, or answer code 0x0C)
    OrdinaryAnswer,  // an answer beginning with 'E', 'K' is complete
    Pending,  // kept for a capture message still in progress
};

struct TUdpAccumulation {
    TUdpDatagramKind kind;
    int32_t fill;  // the new accumulated byte count
};

// Appends one datagram at `fill` and classifies it. Bytes that would pass the end of the
// buffer are dropped, so `fill` never exceeds bufSize. An empty datagram changes nothing.
TUdpAccumulation accumulateDatagram(
    uint8_t* buf, size_t bufSize, int32_t fill, const uint8_t* data, size_t n, bool discoveryActive);
