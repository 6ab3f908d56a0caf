// listing_check_test.cpp - the check run with recording fakes: rebasing, outcome and summary
// texts, a cancel or a failed write part-way, and no descriptor left open.
#include "processing/check/listing_check.h"

#include <gtest/gtest.h>

#include "tests/core/run_fakes.h"
#include "tests/core/test_support.h"

namespace quillmark::testing {
namespace {

TEST(RebasePath, WholeComponentsOnlyFirstMatchWins) {
    const std::vector<std::pair<std::string, std::string>> rules = {
        {"/data", "/mnt/copy"}, {"/data/x", "/never"}, {"rel/", "other"}, {"/", "/root/"}};
    const std::pair<const char*, const char*> rows[] = {
        {"/data/x", "/mnt/copy/x"},          {"/data", "/mnt/copy"},
        {"/database/x", "/root/database/x"}, {"rel/a/b", "other/a/b"},
        {"relative/a", "relative/a"},        {"reL/a", "reL/a"},
        {"/etc/passwd", "/root/etc/passwd"},
    };
    for (const auto& [recorded, expected] : rows) {
        EXPECT_EQ(RebasePath(recorded, rules), expected) << recorded;
    }
    EXPECT_EQ(RebasePath("/data/x", {}), "/data/x");
}

TEST(CheckTexts, OutcomeLinesEscapeLineBreaksAndSummaryNamesNonZeroCounts) {
    EXPECT_EQ(FormatOutcomeLine("a b", CheckOutcome::NotRecorded), "a b: NOT RECORDED\n");
    EXPECT_EQ(FormatOutcomeLine("a\\b\nc\rd", CheckOutcome::Ok), "\\a\\\\b\\nc\\rd: OK\n");
    EXPECT_EQ(FormatOutcomeLine("a\\b", CheckOutcome::New), "a\\b: NEW\n");

    CheckCounts counts;
    EXPECT_EQ(FormatCheckSummary(counts), "checked 0 entries");
    counts = {1, 2, 3, 4, 5, 6, 7, 0, 0, {}};
    EXPECT_EQ(FormatCheckSummary(counts),
              "checked 15 entries: 1 OK, 2 FAILED, 3 MISSING, 4 UNREADABLE, 5 NOT RECORDED, 6 NEW, "
              "7 malformed lines");
    counts = {};
    counts.missing = 2;
    counts.malformed = 1;
    EXPECT_EQ(FormatCheckSummary(counts), "checked 2 entries: 2 MISSING, 1 malformed lines");
}

struct NoticeRecorder : CheckReporter {
    void OnMalformedLine(std::string_view listing, std::uint64_t line) override {
        said.push_back(std::string(listing) + ":" + std::to_string(line));
    }
    void OnNotice(std::string_view text) override { said.emplace_back(text); }
    std::vector<std::string> said;
};

class ListingCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 5; ++i) {
            const std::string path = m_dir.Write("f" + std::to_string(i), std::string(i, 'x'));
            char line[64];
            std::snprintf(line, sizeof line, "%08x %12d   ", ReferenceCrc(std::string(i, 'x')), i);
            m_listing += line + path + "\n";
        }
        m_listingPath = m_dir.Write("listing", m_listing);
    }

    ListingCheck Check() {
        CheckEnvironment env{m_out, m_reporter, m_progress};
        const std::size_t descriptors = OpenDescriptors();
        const ListingCheck result = CheckListing(m_listingPath, m_options, env, m_counts);
        EXPECT_EQ(OpenDescriptors(), descriptors);
        return result;
    }

    TempDir m_dir;
    std::string m_listing;
    std::string m_listingPath;
    CheckOptions m_options;
    StringSink m_out;
    NoticeRecorder m_reporter;
    RecordingProgressView m_progress;
    CheckCounts m_counts;
};

TEST_F(ListingCheckTest, EveryEntryOkInOneProgressWindow) {
    EXPECT_EQ(Check().status, ListingStatus::Checked);
    EXPECT_EQ(m_counts.ok, 5u);
    EXPECT_TRUE(m_counts.AllOk());
    EXPECT_EQ(m_progress.events, (std::vector<std::string>{"open processing", "close processing"}));
    ASSERT_FALSE(m_progress.reports.empty());
    EXPECT_EQ(m_progress.reports.back().filesDone, 5u);
    EXPECT_EQ(m_progress.reports.back().bytesDone, 0u + 1 + 2 + 3 + 4);
}

TEST_F(ListingCheckTest, CancelKeepsWhatWasPrintedAndStops) {
    // One file at a time, so that the cancel falls between entries.
    m_options.jobs = 1;
    m_progress.cancelAfterPolls = 4;
    EXPECT_EQ(Check().status, ListingStatus::Cancelled);
    EXPECT_GT(m_counts.ok, 0u);
    EXPECT_LT(m_counts.ok, 5u);
    EXPECT_EQ(std::count(m_out.text_.begin(), m_out.text_.end(), '\n'),
              static_cast<long>(m_counts.ok));
    EXPECT_EQ(m_progress.events.back(), "close processing");
}

TEST_F(ListingCheckTest, FailedWriteStopsTheCheck) {
    m_out.failAfterWrites = 2;
    EXPECT_EQ(Check().status, ListingStatus::WriteFailed);
    EXPECT_EQ(m_counts.ok, 3u) << "the third outcome was counted, then its write failed";
}

TEST_F(ListingCheckTest, RefusedProgressWindowChecksNothing) {
    m_progress.openSucceeds = false;
    EXPECT_EQ(Check().status, ListingStatus::Cancelled);
    EXPECT_EQ(m_counts.Entries(), 0u);
    EXPECT_EQ(m_out.text_, "");
}

}  // namespace
}  // namespace quillmark::testing
