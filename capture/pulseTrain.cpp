#include "capture/pulseTrain.h"

#include "capture/captureMessage.h"

#include <algorithm>
#include <cmath>

namespace {

// Carriers outside this range are taken for a value that is no carrier at all.
constexpr uint32_t lowestCarrierHz = 10000;
constexpr uint32_t highestCarrierHz = 1000000;

uint8_t levelOf(size_t index)
{
    return index % 2 == 0 ? 1 : 0;  // the train starts with a mark
}

}  // namespace

double TPulseTrain::unitMs() const
{
    return kind == TPulseKind::ir && carrierHz > 0 ? 1000.0 / double(carrierHz) : 0.0;
}

TPulseTrain makePulseTrain(
    TPulseKind kind, std::span<const uint16_t> durations, uint32_t frameLength, uint32_t carrierHz, int divisor)
{
    TPulseTrain t;
    t.kind = kind;
    t.durations.assign(durations.begin(), durations.end());
    t.edges.resize(durations.size() + 1);
    uint64_t at = 0;
    for (size_t i = 0; i < durations.size(); ++i) {
        t.edges[i] = at;
        at += durations[i];
    }
    t.edges.back() = at;
    t.carrierHz = carrierHz;
    t.divisor = divisor;
    t.frameLength = frameLength <= durations.size() ? frameLength : 0;
    return t;
}

std::optional<TPulseTrain> rfPulseTrain(const uint8_t* buf, size_t bufLen, int divisor, uint32_t frameLength)
{
    const auto words = captureWords(buf, bufLen);
    if (!words)
        return std::nullopt;
    return makePulseTrain(TPulseKind::rf, std::span<const uint16_t>(*words).subspan(2), frameLength, 0, divisor);
}

std::optional<TPulseTrain> irPulseTrain(const uint8_t* buf, size_t bufLen, uint32_t frameLength)
{
    const auto words = captureWords(buf, bufLen);
    if (!words || words->size() < 3)
        return std::nullopt;
    const uint32_t value = (*words)[2];
    const uint32_t carrier = value >= lowestCarrierHz && value <= highestCarrierHz ? value : 0;
    return makePulseTrain(TPulseKind::ir, std::span<const uint16_t>(*words).subspan(3), frameLength, carrier);
}

timeSpan_t frameSpan(const TPulseTrain& train)
{
    if (train.frameLength == 0 || train.frameLength >= train.edges.size())
        return {};
    return {0.0, double(train.edges[train.frameLength])};
}

timeSpan_t fullView(const TPulseTrain& train)
{
    return {0.0, double(train.totalUnits())};
}

timeSpan_t zoomView(timeSpan_t view, double anchor, double factor, uint64_t totalUnits)
{
    const double total = double(totalUnits);
    if (total <= 0 || factor <= 0 || view.length() <= 0)
        return {0.0, total};
    const double shortest = std::min(total, minViewUnits);
    const double length = std::clamp(view.length() / factor, shortest, total);
    const double share = std::clamp((anchor - view.begin) / view.length(), 0.0, 1.0);
    const double begin = std::clamp(anchor - share * length, 0.0, total - length);
    return {begin, begin + length};
}

timeSpan_t panView(timeSpan_t view, double delta, uint64_t totalUnits)
{
    const double total = double(totalUnits);
    const double length = std::min(view.length(), total);
    const double begin = std::clamp(view.begin + delta, 0.0, total - length);
    return {begin, begin + length};
}

std::vector<plotColumn_t> decimateColumns(const TPulseTrain& train, timeSpan_t view, int columns)
{
    std::vector<plotColumn_t> out(size_t(std::max(columns, 0)));
    const size_t n = train.durations.size();
    if (out.empty() || n == 0 || view.length() <= 0)
        return out;
    const double total = double(train.totalUnits());
    const double width = view.length() / columns;
    const auto& edges = train.edges;

    // i: the duration where the current column starts (the last one starting at or before it).
    size_t i = size_t(std::upper_bound(edges.begin(), edges.begin() + ptrdiff_t(n), std::max(view.begin, 0.0),
                          [](double t, uint64_t e) { return t < double(e); })
        - edges.begin());
    i = i > 0 ? i - 1 : 0;
    for (int c = 0; c < columns; ++c) {
        const double c0 = view.begin + c * width;
        const double c1 = c + 1 == columns ? view.end : view.begin + (c + 1) * width;
        if (c0 >= total || c1 <= 0)
            continue;
        while (i + 1 < n && double(edges[i + 1]) <= c0)
            ++i;
        plotColumn_t& col = out[size_t(c)];
        col.covered = true;
        col.first = col.low = col.high = levelOf(i);
        size_t j = i;
        while (j + 1 < n && double(edges[j + 1]) < c1) {
            ++j;
            col.low = std::min(col.low, levelOf(j));
            col.high = std::max(col.high, levelOf(j));
        }
        col.last = levelOf(j);
    }
    return out;
}

std::vector<tracePoint_t> traceColumns(const std::vector<plotColumn_t>& columns)
{
    std::vector<tracePoint_t> points;
    points.reserve(columns.size() * 3 + 2);
    size_t c = 0;
    while (c < columns.size() && !columns[c].covered)
        ++c;
    if (c == columns.size())
        return points;
    uint8_t level = columns[c].first;
    points.push_back({double(c), level});
    for (; c < columns.size() && columns[c].covered; ++c) {
        const plotColumn_t& col = columns[c];
        // A level change inside the column, or right at its start, is one vertical stroke
        // through both levels at the column's middle.
        if (col.low == col.high && col.first == level)
            continue;
        const double x = double(c) + 0.5;
        points.push_back({x, level});
        points.push_back({x, uint8_t(1 - level)});
        if (col.last == level)
            points.push_back({x, level});
        level = col.last;
    }
    points.push_back({double(c), level});
    return points;
}

double columnOfTime(timeSpan_t view, int columns, double time)
{
    return view.length() > 0 ? (time - view.begin) / view.length() * columns : 0.0;
}

double timeOfColumn(timeSpan_t view, int columns, double column)
{
    return columns > 0 ? view.begin + column / columns * view.length() : view.begin;
}

std::vector<double> axisTicks(double begin, double end, int maxTicks)
{
    std::vector<double> ticks;
    if (!(end > begin) || maxTicks < 1)
        return ticks;
    const double rough = (end - begin) / maxTicks;
    const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
    const double scaled = rough / magnitude;
    const double step = (scaled <= 1 ? 1 : scaled <= 2 ? 2 : scaled <= 5 ? 5 : 10) * magnitude;
    for (double k = std::ceil(begin / step); k * step <= end + step * 1e-9; k += 1)
        ticks.push_back(k * step);
    return ticks;
}
