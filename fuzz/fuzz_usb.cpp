// The USB link's framing: how a frame is put into output reports and how input reports are
// put together again. The reassembly loop lives in TSerialPort::ReadSerial, which waits on
// hidapi; this target repeats that loop over the pure helpers it is built from
// (inputDataReportCount, bytesFromReport), and checks outputReports against the same rules.
//
// Input: a run of reads, each a byte giving how many bytes the read returned (0 .. 32; a
// larger value is a read that timed out) and the 32 bytes of the report.
#include "fuzzInput.h"
#include "link/usbFraming.h"

#include <algorithm>
#include <cstring>
#include <vector>

using ondixfuzz::TInput;

namespace {

constexpr size_t receiveBufferSize = 10000;  // TSerialPort's buffer

struct TRead {
    bool ok;
    int got;
    uint8_t report[ondixusb::reportPayload];
};

TRead nextRead(TInput& in)
{
    TRead r {};
    const uint8_t got = in.byte();
    const ondixfuzz::TBytes bytes = in.bytes(ondixusb::reportPayload);
    std::memcpy(r.report, bytes.data(), bytes.size());
    r.ok = got <= ondixusb::reportPayload;
    r.got = r.ok ? got : 0;
    return r;
}

// The frame bytes the output reports carry, read back as the device reads them.
std::vector<uint8_t> readOutputReports(const std::vector<ondixusb::TOutputReport>& reports)
{
    FUZZ_CHECK(!reports.empty());
    for (const auto& report : reports)
        FUZZ_CHECK(report[0] == 0);
    const size_t length = reports[0][1] | reports[0][2] << 8;
    std::vector<uint8_t> frame(reports[0].begin() + 3, reports[0].end());
    for (size_t r = 1; r < reports.size(); ++r)
        frame.insert(frame.end(), reports[r].begin() + 1, reports[r].end());
    FUZZ_CHECK(frame.size() >= length);
    for (size_t i = length; i < frame.size(); ++i)
        FUZZ_CHECK(frame[i] == 0);  // unused tail bytes are zero
    frame.resize(length);
    return frame;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TInput in(data, size);
    std::vector<uint8_t> buffer(receiveBufferSize);
    while (!in.empty()) {
        const TRead lengthReport = nextRead(in);
        if (!lengthReport.ok || lengthReport.got < 2)
            continue;
        const size_t announced = size_t(lengthReport.report[0] | lengthReport.report[1] << 8);
        const size_t kept = std::min(announced, receiveBufferSize);
        const int reports = ondixusb::inputDataReportCount(announced);
        FUZZ_CHECK(reports >= 1 && size_t(reports - 1) * ondixusb::reportPayload < std::max<size_t>(announced, 1));
        size_t position = 0;
        bool whole = true;
        for (int r = 0; r < reports && whole; ++r) {
            const TRead dataReport = nextRead(in);
            const int take = ondixusb::bytesFromReport(announced, position);
            FUZZ_CHECK(take >= 0 && take <= ondixusb::reportPayload);
            if (!dataReport.ok || dataReport.got < take) {
                whole = false;
                break;
            }
            if (position < kept)
                std::memcpy(buffer.data() + position, dataReport.report, std::min(size_t(take), kept - position));
            position += size_t(take);
        }
        if (!whole)
            continue;
        FUZZ_CHECK(position == announced);

        // The frame sent back the other way arrives unchanged.
        const auto length = uint16_t(kept);
        const auto out = ondixusb::outputReports(buffer.data(), length);
        FUZZ_CHECK(int(out.size()) == ondixusb::outputReportCount(length));
        FUZZ_CHECK(out.size() == std::max<size_t>(1, (length + 2 + 31) / 32));
        const std::vector<uint8_t> back = readOutputReports(out);
        FUZZ_CHECK(back.size() == length && std::equal(back.begin(), back.end(), buffer.begin()));
    }
    return 0;
}
