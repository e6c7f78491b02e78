// Order statistics the benchmark programs print.
#pragma once

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
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

// The number after "--NAME" among the arguments, kept within [low, high]; fallback when
// the option is not given.
inline int intOption(int argc, char** argv, const char* name, int fallback, int low = 1, int high = INT_MAX)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return std::clamp(std::atoi(argv[i + 1]), low, high);
    return fallback;
}

// "--runs N": how many times a benchmark repeats its measure (at least once).
inline int benchRuns(int argc, char** argv, int fallback)
{
    return intOption(argc, argv, "--runs", fallback);
}

}  // namespace benchstats
