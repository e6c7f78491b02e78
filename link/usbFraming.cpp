#include "link/usbFraming.h"

#include <algorithm>
#include <cstring>

namespace ondixusb {

int outputReportCount(size_t length)
{
    return int(std::max<size_t>(1, (length + 2 + reportPayload - 1) / reportPayload));
}

std::vector<TOutputReport> outputReports(const uint8_t* frame, uint16_t length)
{
    std::vector<TOutputReport> reports(size_t(outputReportCount(length)));
    for (auto& report : reports)
        report.fill(0);
    reports[0][1] = uint8_t(length & 0xFF);
    reports[0][2] = uint8_t(length >> 8);
    size_t sent = std::min<size_t>(length, reportPayload - 2);
    if (sent > 0)
        std::memcpy(&reports[0][3], frame, sent);
    for (size_t r = 1; r < reports.size(); ++r) {
        const size_t take = std::min<size_t>(reportPayload, length - sent);
        std::memcpy(&reports[r][1], frame + sent, take);
        sent += take;
    }
    return reports;
}

int inputDataReportCount(size_t length)
{
    return int(std::max<size_t>(1, (length + reportPayload - 1) / reportPayload));
}

int bytesFromReport(size_t length, size_t filled)
{
    if (filled >= length)
        return 0;
    return int(std::min<size_t>(reportPayload, length - filled));
}

}  // namespace ondixusb
