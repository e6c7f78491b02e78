#include "link/netLink.h"

#include "link/frames.h"

#include <algorithm>
#include <cstring>

TUdpAccumulation accumulateDatagram(
    uint8_t* buf, size_t bufSize, int32_t fill, const uint8_t* data, size_t n, bool discoveryActive)
{
    const size_t start = std::clamp<int64_t>(fill, 0, int64_t(bufSize));
    if (n == 0)
        return {TUdpDatagramKind::Pending, int32_t(start)};
    const size_t stored = std::min(n, bufSize - start);
    std::memcpy(buf + start, data, stored);
    const auto newFill = int32_t(start + stored);
    // The tests below read the header at bytes 0-3; a buffer too small to hold it completes
    // nothing (and must not be read past its end).
    if (bufSize < 4)
        return {TUdpDatagramKind::Pending, newFill};

    const uint16_t words = ondixframe::readLe16(buf + 2);
    if (2u * words == uint32_t(newFill))
        return {TUdpDatagramKind::CaptureComplete, newFill};
    // Bytes gathered past the length their first datagram announced were never a capture in
    // progress (a piece of an earlier capture that came late, or garbage): start again from
    // this datagram, so that they do not hold back every answer until the next request.
    if (start > 0 && 2u * words < uint32_t(newFill))
        return accumulateDatagram(buf, bufSize, 0, data, n, discoveryActive);
    const bool startsEK = buf[0] == 'E' && buf[1] == 'K';
    if (discoveryActive || (startsEK && buf[3] == 0x0C))
        return {TUdpDatagramKind::Discovery, newFill};
    if (startsEK)
        return {TUdpDatagramKind::OrdinaryAnswer, newFill};
    return {TUdpDatagramKind::Pending, newFill};
}
