// Order statistics the benchmark programs print.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace benchstats {

// The value at fraction p (0 .. 1) of the sorted values, nearest rank; 0 for none.
inline double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(std::lround(p * double(values.size() - 1))));
    return values[index];
}

// The upper median; 0 for none.
inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace benchstats
