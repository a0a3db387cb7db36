// Error numbers and the error state (pure).
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "fs/error_state.h"

TEST(MapSystemError, EveryCode) {
    // error number <- the Windows codes that give it
    const std::map<int, std::vector<uint32_t>> byNumber = {
        {5, {87}},
        {7, {8, 14}},
        {51, {6, 11, 12, 13, 22, 24}},
        {53, {2, 18}},
        {61, {39, 112}},
        {62, {38}},
        {67, {4}},
        {68, {15, 20}},
        {70, {5, 19, 32, 33, 36}},
        {71, {21}},
        {72, {23, 25, 26, 27, 28, 29, 30, 31, 34, 35}},
        {74, {17}},
        {75, {1, 16, 37, 40, 80, 86, 88, 111, 113, 123, 131, 145, 183, 1392, 0xFFFFFFFFu}},
        {76, {3}},
        {241, {7, 9, 10}},
    };
    std::map<uint32_t, int> expected;
    for (const auto& entry : byNumber)
        for (uint32_t code : entry.second) expected[code] = entry.first;
    for (uint32_t code = 1; code < 40; ++code) EXPECT_EQ(expected.count(code), 1u) << "code " << code;
    for (const auto& entry : expected) EXPECT_EQ(MapSystemError(entry.first), entry.second) << "code " << entry.first;
}

TEST(RecordError, SetsTheNumberThePendingMarkAndTheFailedStep) {
    ErrorState error = {};
    error.stepLabel = 1200;
    RecordError(error, 76);
    EXPECT_EQ(error.number, 76);
    EXPECT_TRUE(error.pending);
    EXPECT_EQ(error.failedStep, 1200);
    error.stepLabel = 1100;
    RecordError(error, 0);  // "no error" is no number to fail with
    EXPECT_EQ(error.number, 51);
    EXPECT_EQ(error.failedStep, 1100);
    EXPECT_FALSE(error.inHandler);
}
