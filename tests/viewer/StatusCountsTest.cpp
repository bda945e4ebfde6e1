#include "viewer/session/StatusCounts.h"

#include <gtest/gtest.h>

using namespace vireo;

TEST(StatusCounts, TheRateLooksAtTheLastSecondsAndTheTextGroupsItsNumbers)
{
    RateMeter meter;
    EXPECT_EQ(meter.PerSecond(), 0);
    meter.Sample(0, 0);
    EXPECT_EQ(meter.PerSecond(), 0) << "one sample is no rate";
    meter.Sample(1000, 1000);
    EXPECT_DOUBLE_EQ(meter.PerSecond(), 1000);
    for (std::int64_t ms = 1500; ms <= 20000; ms += 500)
        meter.Sample(1000, ms);
    EXPECT_EQ(meter.PerSecond(), 0) << "a burst long past no longer counts";
    meter.Sample(1500, 20500);
    EXPECT_NEAR(meter.PerSecond(), 100, 1) << "500 over the last five seconds";

    EXPECT_EQ(StatusCountsText(1234567, 0, 99.6, 0), "1,234,567 stored, 0 listed, 100 messages/s");
    EXPECT_EQ(StatusCountsText(999, 1000, 0, 5'000'000), "999 stored, 1,000 listed, 0 messages/s, 5,000,000 older dropped");
}
