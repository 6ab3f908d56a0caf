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

TEST(CheckTexts, OutcomeLinesEscapeLineBreaksAndForAPersonEveryAwkwardByte) {
    struct Row {
        std::string path;
        CheckOutcome outcome;
        std::string forFile;
        std::string forPerson;
    };
    const Row rows[] = {
        {"a b", CheckOutcome::NotRecorded, "a b: NOT RECORDED\n", "a b: NOT RECORDED\n"},
        {"a\\b\nc\rd", CheckOutcome::Ok, "\\a\\\\b\\nc\\rd: OK\n", "\\a\\\\b\\x0ac\\x0dd: OK\n"},
        {"a\\b", CheckOutcome::New, "a\\b: NEW\n", "a\\b: NEW\n"},
        // A name that would erase the line and print its own outcome over it.
        {"x\x1b[2K\rok.txt: OK", CheckOutcome::Failed, "\\x\x1b[2K\\rok.txt: OK: FAILED\n",
         "\\x\\x1b[2K\\x0dok.txt: OK: FAILED\n"},
        {"caf\xc3\xa9", CheckOutcome::Ok, "caf\xc3\xa9: OK\n", "caf\xc3\xa9: OK\n"},
        {"latin1-\xe9", CheckOutcome::Missing, "latin1-\xe9: MISSING\n",
         "\\latin1-\\xe9: MISSING\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(FormatOutcomeLine(row.path, row.outcome), row.forFile);
        EXPECT_EQ(FormatOutcomeLine(row.path, row.outcome, true), row.forPerson);
    }
}

TEST(CheckTexts, SummaryIsASentenceInSingularAndPlural) {
    const std::pair<CheckCounts, std::string> rows[] = {
        {{}, "No file was checked."},
        {{.ok = 1}, "The file is OK."},
        {{.ok = 8}, "All 8 files are OK."},
        {{.ok = 1,
          .failed = 2,
          .missing = 3,
          .unreadable = 4,
          .notRecorded = 5,
          .added = 6,
          .malformed = 7},
         "2 files FAILED, 3 files are MISSING, 4 files are UNREADABLE, 5 files are NOT RECORDED, "
         "6 files are NEW, 7 lines are malformed, 1 file is OK."},
        {{.failed = 1, .missing = 2}, "1 file FAILED, 2 files are MISSING."},
        {{.missing = 1, .malformed = 1}, "1 file is MISSING, 1 line is malformed."},
        {{.ok = 2, .added = 1}, "1 file is NEW, 2 files are OK."},
    };
    for (const auto& [counts, text] : rows) EXPECT_EQ(FormatCheckSummary(counts), text);
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
