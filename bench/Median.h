// The middle of a benchmark's repetitions: one slow spell of a shared
// machine moves it less than it moves the mean.
#pragma once

#include <algorithm>
#include <vector>

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
