// Two runs of the command line's job that must end alike: the same stage, the same reason, and
// the same input, line, column and byte a failure points the user to.
#pragma once

#include "app/cli/DistinctLinesJob.h"

#include <gtest/gtest.h>

inline void ExpectSameFailure(const JobOutcome& ran, const JobOutcome& expected) {
    EXPECT_EQ(ran.failedAt, expected.failedAt);
    EXPECT_EQ(ran.result.failure, expected.result.failure);
    EXPECT_EQ(ran.result.position, expected.result.position);
    EXPECT_EQ(ran.result.line, expected.result.line);
    EXPECT_EQ(ran.result.column, expected.result.column);
    EXPECT_EQ(ran.input, expected.input);
}
