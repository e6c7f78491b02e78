// How a frame travels over the HID link: behind its 16-bit length, in 32-byte reports.
// Pure arithmetic and byte copying; the link and its tests share it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ondixusb {

constexpr uint16_t vendorId = 0x1FC9;
constexpr uint16_t productId = 0x0090;
constexpr int reportPayload = 32;  // bytes of one HID report
constexpr int writeSize = reportPayload + 1;  // report id 0x00 and the report
constexpr int dataReportTimeoutMs = 100;  // per data report after the length report

using TOutputReport = std::array<uint8_t, writeSize>;

// Reports needed to send a frame of `length` bytes: (length + 2) / 32 rounded up, at least 1.
int outputReportCount(size_t length);

// The writes for one frame: byte 0 report id 0; the first report carries the length (low,
// high) and up to 30 frame bytes, every further one the next up to 32 bytes; unused tail
// bytes are zero.
std::vector<TOutputReport> outputReports(const uint8_t* frame, uint16_t length);

// Data reports that follow a length report announcing `length` bytes: length / 32 rounded
// up, and one when the length is 0.
int inputDataReportCount(size_t length);

// Frame bytes taken from the next data report when `filled` of `length` are in place.
int bytesFromReport(size_t length, size_t filled);

}  // namespace ondixusb
