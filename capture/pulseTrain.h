// A capture drawn as a pulse train: marks up, spaces down, over a time axis in the capture's
// own unit. Pure geometry for the plot widget: where each edge lies, which stretch of the
// capture is the frame the analysis chose, the visible time range under zoom and pan, and
// what each pixel column shows (min/max decimation), so that a 10000-sample capture costs a
// few hundred points per paint.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

enum class TPulseKind { rf, ir };

// A time range in capture units, begin included, end excluded.
struct timeSpan_t {
    double begin = 0;
    double end = 0;
    double length() const { return end - begin; }
    bool operator==(const timeSpan_t&) const = default;
};

struct TPulseTrain {
    TPulseKind kind = TPulseKind::rf;
    std::vector<uint16_t> durations;  // mark, space, mark, ... in capture units
    std::vector<uint64_t> edges;  // edges[i]: where durations[i] starts; edges[n]: the end
    uint32_t carrierHz = 0;  // IR: the carrier (word 2); 0 when implausible
    int divisor = 0;  // RF: the divisor of the learning, 8, 16 or 32
    uint32_t frameLength = 0;  // durations[0 .. frameLength-1] is the frame; 0: none

    bool empty() const { return durations.empty(); }
    uint64_t totalUnits() const { return edges.empty() ? 0 : edges.back(); }
    // Milliseconds per capture unit, 0 when the unit is not known. IR durations count
    // carrier periods; the length of an RF sample unit is the device's own and not known here.
    double unitMs() const;
};

// The train of `durations`, starting with a mark. A frame longer than the capture is dropped.
TPulseTrain makePulseTrain(TPulseKind kind, std::span<const uint16_t> durations, uint32_t frameLength,
    uint32_t carrierHz = 0, int divisor = 0);

// From the capture message at the start of buf (bufLen bytes received); nullopt for a message
// that cannot be read (see captureWords). RF: words 2 .. N-1. IR: word 2 is the carrier in Hz
// (kept when it lies within 10 kHz .. 1 MHz), words 3 .. N-1 the durations.
std::optional<TPulseTrain> rfPulseTrain(const uint8_t* buf, size_t bufLen, int divisor, uint32_t frameLength);
std::optional<TPulseTrain> irPulseTrain(const uint8_t* buf, size_t bufLen, uint32_t frameLength);

// Where the marked frame lies in time; an empty span when there is none.
timeSpan_t frameSpan(const TPulseTrain& train);

// ---- the visible range ------------------------------------------------------------------
// Zooming stops at this many capture units across the plot.
constexpr double minViewUnits = 4.0;

// The whole capture (an empty span for an empty train).
timeSpan_t fullView(const TPulseTrain& train);
// Zooms by `factor` (> 1 narrows the range) keeping the time `anchor` where it is on screen;
// the result stays within the capture and no narrower than minViewUnits.
timeSpan_t zoomView(timeSpan_t view, double anchor, double factor, uint64_t totalUnits);
// Moves the range by `delta` units, stopping at either end of the capture.
timeSpan_t panView(timeSpan_t view, double delta, uint64_t totalUnits);

// ---- decimation -------------------------------------------------------------------------
// What one pixel column shows: the lowest and highest level in it (1 mark, 0 space) and the
// level where it starts and ends. A column outside the capture is not covered.
struct plotColumn_t {
    bool covered = false;
    uint8_t low = 0;
    uint8_t high = 0;
    uint8_t first = 0;
    uint8_t last = 0;
    bool operator==(const plotColumn_t&) const = default;
};

// Column c covers [view.begin + c*w, view.begin + (c+1)*w) with w = view.length() / columns.
// Cost: the durations in view plus the columns.
std::vector<plotColumn_t> decimateColumns(const TPulseTrain& train, timeSpan_t view, int columns);

// The step trace through the columns: x in columns (column c spans c .. c+1; the level
// changes inside it, or at its start, are one vertical stroke at c + 0.5), level 1 for a
// mark and 0 for a space. At most 3 points per column + 2.
struct tracePoint_t {
    double x = 0;
    uint8_t level = 0;
    bool operator==(const tracePoint_t&) const = default;
};
std::vector<tracePoint_t> traceColumns(const std::vector<plotColumn_t>& columns);

// Time -> column coordinate (column units, 0 at view.begin) and back.
double columnOfTime(timeSpan_t view, int columns, double time);
double timeOfColumn(timeSpan_t view, int columns, double column);

// Tick positions for an axis over [begin, end]: multiples of 1, 2 or 5 times a power of ten,
// at most maxTicks of them.
std::vector<double> axisTicks(double begin, double end, int maxTicks);
