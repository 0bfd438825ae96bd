// Compares a recorded sequence of lines with an expected table in one step,
// reporting every differing index, so a failure shows where two runs part.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

inline testing::AssertionResult SameSequence(const std::vector<std::string> &actual,
                                             const std::vector<std::string> &expected)
{
    std::string diff;
    int shown = 0;
    const size_t count = std::max(actual.size(), expected.size());
    for (size_t i = 0; i < count && shown < 20; ++i) {
        const std::string *got = i < actual.size() ? &actual[i] : nullptr;
        const std::string *want = i < expected.size() ? &expected[i] : nullptr;
        if (got && want && *got == *want) {
            continue;
        }
        diff += "  [" + std::to_string(i) + "] expected " + (want ? "\"" + *want + "\"" : "nothing") + ", got " +
                (got ? "\"" + *got + "\"" : "nothing") + "\n";
        ++shown;
    }
    if (diff.empty()) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << actual.size() << " entries against " << expected.size()
                                       << " expected; first differences:\n"
                                       << diff;
}
