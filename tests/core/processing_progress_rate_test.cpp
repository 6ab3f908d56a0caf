// processing_progress_rate_test.cpp - the rate progress displays show: decimal units, and a
// window of the last seconds that follows a change of pace.
#include <gtest/gtest.h>

#include "processing/progress_rate.h"

namespace quillmark::testing {
namespace {

TEST(ProgressRate, DecimalMegabytesWithOneDecimal) {
    const std::pair<double, const char*> rates[] = {
        {0, "0.0 MB/s"},      {412'300'000, "412.3 MB/s"}, {49'999, "0.0 MB/s"},
        {50'001, "0.1 MB/s"}, {1'048'576, "1.0 MB/s"},     {12'345'678'901, "12345.7 MB/s"},
    };
    for (const auto& [rate, text] : rates) EXPECT_EQ(FormatRate(rate), text);
    EXPECT_EQ(FormatMegabytes(6'199'181'316), "6199.2 MB");
    EXPECT_EQ(FormatMegabytes(1'048'576), "1.0 MB");
    EXPECT_EQ(FormatMegabytes(0), "0.0 MB");
}

TEST(ProgressRate, FollowsTheLastSecondsNotTheAverageSinceTheStart) {
    RateMeter meter;
    EXPECT_EQ(meter.BytesPerSecond(), 0.0);
    // 100 MB/s for ten seconds, sampled every 100 ms: the rate is the pace.
    std::uint64_t bytes = 0;
    std::int64_t ms = 0;
    for (; ms < 10'000;) {
        ms += 100;
        bytes += 10'000'000;
        meter.Add(ms, bytes);
        EXPECT_DOUBLE_EQ(meter.BytesPerSecond(), 100e6) << ms;
    }
    // Then 10 MB/s: within one window the shown rate is the new pace; an average since the start
    // would still show about 55 MB/s.
    for (int step = 0; step < 40; ++step) {
        ms += 100;
        bytes += 1'000'000;
        meter.Add(ms, bytes);
    }
    EXPECT_NEAR(meter.BytesPerSecond(), 10e6, 1.0);
    // A stall: the rate falls to nothing once the window has passed.
    meter.Add(ms + RateMeter::kWindowMs, bytes);
    EXPECT_EQ(meter.BytesPerSecond(), 0.0);
    // A sample from the past is ignored.
    meter.Add(ms, bytes + 1);
    EXPECT_EQ(meter.BytesPerSecond(), 0.0);
}

}  // namespace
}  // namespace quillmark::testing
