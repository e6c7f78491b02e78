// The UDP listener's accumulation: a run of datagrams through accumulateDatagram, with the
// fill handled as the listener handles it (back to 0 once a datagram completes an answer;
// a gathering that passed its own announced length starts again from the new datagram).
//
// Input: byte 0 picks the answer buffer (the listener's 20000 bytes, or a small one so that
// the bytes beyond the end are dropped), byte 1 says per datagram whether a search runs,
// then datagrams as a length byte and that many bytes.
#include "fuzzInput.h"
#include "link/netLink.h"

#include <algorithm>
#include <cstring>

using ondixfuzz::TInput;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TInput in(data, size);
    const uint8_t pick = in.byte();
    const size_t bufSize = pick >= 0xC0 ? 20000 : pick % 64;
    const uint8_t searching = in.byte();
    ondixfuzz::TBytes buf(bufSize);
    int32_t fill = 0;
    for (int i = 0; !in.empty(); ++i) {
        const ondixfuzz::TBytes datagram = in.bytes(in.byte());
        const bool discovery = (searching >> (i % 8)) & 1;
        const TUdpAccumulation step =
            accumulateDatagram(buf.data(), buf.size(), fill, datagram.data(), datagram.size(), discovery);
        FUZZ_CHECK(step.fill >= 0 && size_t(step.fill) <= bufSize);
        if (datagram.size() == 0) {
            FUZZ_CHECK(step.kind == TUdpDatagramKind::Pending && step.fill == fill);
            continue;
        }
        // Either the datagram joins what was gathered, or (when what was gathered already
        // passed its own announced length) the gathering starts again from it.
        const size_t stored = std::min(datagram.size(), bufSize - size_t(fill));
        const size_t restartStored = std::min(datagram.size(), bufSize);
        const bool joined = size_t(step.fill) == size_t(fill) + stored
            && (stored == 0 || std::memcmp(buf.data() + fill, datagram.data(), stored) == 0);
        const bool restarted = fill > 0 && size_t(step.fill) == restartStored
            && (restartStored == 0 || std::memcmp(buf.data(), datagram.data(), restartStored) == 0);
        FUZZ_CHECK(joined || restarted);
        if (step.kind == TUdpDatagramKind::CaptureComplete)
            FUZZ_CHECK(bufSize >= 4 && 2u * (buf.data()[2] | buf.data()[3] << 8) == uint32_t(step.fill));
        // The listener starts over after anything but a capture still in progress.
        fill = step.kind == TUdpDatagramKind::Pending ? step.fill : 0;
    }
    return 0;
}
