// processing_progress_meter_test.cpp - progress reports paced by the clock, not by the work: a
// test clock shows that reports come once per interval, inside a file too, and carry the path.
#include <gtest/gtest.h>

#include "processing/progress_meter.h"
#include "tests/core/run_fakes.h"

namespace quillmark::testing {
namespace {

using namespace std::chrono_literals;

ProgressMeter::Clock::time_point g_now;
ProgressMeter::Clock::time_point TestNow() { return g_now; }

TEST(ProgressMeterTest, ReportsOncePerIntervalWhateverTheWork) {
    g_now = {};
    testing::RecordingProgressView view;
    ProgressMeter meter(view, 100ms, &TestNow);
    ProgressSample sample;

    // A thousand small files within one interval: no report yet.
    for (int i = 0; i < 1000; ++i) {
        sample.name = "small";
        ASSERT_TRUE(meter.Update(sample));
        ++sample.filesDone;
        g_now += 50us;
    }
    EXPECT_TRUE(view.reports.empty());

    // One large file read over a second of buffers: a report per 100 ms, from inside the file.
    sample.directory = "/d/";
    sample.name = "large";
    for (int buffer = 0; buffer < 100; ++buffer) {
        g_now += 10ms;
        sample.bytesDone += 1 << 20;
        ASSERT_TRUE(meter.Update(sample));
    }
    ASSERT_GE(view.reports.size(), 9u);
    EXPECT_LE(view.reports.size(), 11u);
    EXPECT_EQ(view.reports.back().currentPath, "/d/large");
    EXPECT_EQ(view.reports.back().filesDone, 1000u);

    // Nothing in flight: the last path named stays, and the final counts are reported.
    ++sample.filesDone;
    sample.directory = sample.name = {};
    g_now += 100ms;
    ASSERT_TRUE(meter.Update(sample));
    EXPECT_EQ(view.reports.back().currentPath, "/d/large");
    meter.Finish();
    EXPECT_EQ(view.reports.back().filesDone, 1001u);
    EXPECT_EQ(view.reports.back().bytesDone, 100u << 20);
}

TEST(ProgressMeterTest, CancelIsHeardOnEveryUpdateAndStays) {
    g_now = {};
    testing::RecordingProgressView view;
    view.cancelAfterPolls = 3;
    ProgressMeter meter(view, 100ms, &TestNow);
    EXPECT_TRUE(meter.Update({}));
    EXPECT_TRUE(meter.Poll());
    EXPECT_TRUE(meter.Update({}));
    EXPECT_FALSE(meter.Update({}));
    EXPECT_FALSE(meter.Poll());
    EXPECT_TRUE(meter.Cancelled());
}

}  // namespace
}  // namespace quillmark::testing
