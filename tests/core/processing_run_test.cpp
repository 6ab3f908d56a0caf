// processing_run_test.cpp - whole runs: their messages, their endings, the output file, sorting,
// cancel and progress.
#include <cstring>
#include <thread>

#include "processing/result_line.h"
#include "processing/run_processing.h"
#include "tests/core/result_line_support.h"
#include "tests/core/run_fakes.h"
#include "tests/core/test_support.h"

namespace quillmark::testing {
namespace {

constexpr const char* kWriteFailed = "Unable to write to output file.\nAborting processing.\n";

void SendToFile(RunHarness& run, const std::string& path) {
    run.settings.m_nOutputDest = 0;
    run.settings.m_strOutput = path;
}

TEST(RunProcessingTest, EmptyInputDoesNothingAtAll) {
    RunHarness run;
    const RunOutcome summary = run.Run("");
    EXPECT_TRUE(run.pane.text_.empty());
    EXPECT_TRUE(run.presenter.messages.empty());
    EXPECT_TRUE(run.progress.events.empty());
    EXPECT_FALSE(summary.walked);
}

TEST(RunProcessingTest, EmptyOutputNameMeansTheScreenFromNowOn) {
    TempDir temp;
    temp.Write("d/f.txt");
    RunHarness run;
    SendToFile(run, "");
    run.Run(temp / "d/");
    EXPECT_EQ(run.settings.m_nOutputDest, 1);
    EXPECT_EQ(TabularPaths(run.pane.text_), std::vector<std::string>{temp / "d/f.txt"});
}

TEST(RunProcessingTest, UnopenableOutputFileGivesOneMessageAndNoWalk) {
    TempDir temp;
    temp.Write("d/f.txt");
    RunHarness run;
    SendToFile(run, temp / "no-such-dir/out.txt");
    const RunOutcome summary = run.Run(temp / "d/");
    EXPECT_EQ(run.presenter.messages, (std::vector<Message>{{kWriteFailed, "Error"}}));
    EXPECT_TRUE(run.progress.events.empty());
    EXPECT_TRUE(run.pane.text_.empty());
    EXPECT_FALSE(summary.walked);
    EXPECT_EQ(summary.messagesShown, 1u);
}

TEST(RunProcessingTest, MissingStartDirectoryReportsTwiceAndStillEndsCleanly) {
    TempDir temp;
    RunHarness run;
    SendToFile(run, temp / "out.txt");
    const RunOutcome summary = run.Run(temp / "missing/*.txt");
    EXPECT_EQ(run.presenter.messages,
              (std::vector<Message>{
                  {"Unable to set working dirctory", "Error"},
                  {"Unable to locate the directory: " + temp / "missing/" + "\n", "Error"}}));
    EXPECT_EQ(run.progress.events,
              (std::vector<std::string>{"open processing", "close processing"}));
    EXPECT_EQ(summary.messagesShown, 2u);
    EXPECT_TRUE(std::filesystem::exists(temp / "out.txt"));
    EXPECT_EQ(ReadFile(temp / "out.txt"), "");
}

TEST(RunProcessingTest, FullDiskStopsTheRunWithOneMessage) {
    TempDir temp;
    for (int i = 0; i < 50; ++i) temp.Write("d/f" + std::to_string(100 + i), "abc");
    for (int sort : {0, 1}) {
        RunHarness run;
        run.settings.m_bSortOutput = sort;
        SendToFile(run, "/dev/full");
        run.Run(temp / "d/");
        EXPECT_EQ(run.presenter.messages, (std::vector<Message>{{kWriteFailed, "Error"}}));
        EXPECT_TRUE(run.tree.IsEmpty());
    }
}

TEST(RunProcessingTest, FailedWriteKeepsWhatCameBeforeAndStopsTheWalk) {
    TempDir temp;
    for (const char* name : {"a", "b", "c", "d", "e"}) temp.Write(std::string("d/") + name);
    RunHarness run;
    run.pane.failAfterWrites = 2;
    const RunOutcome summary = run.Run(temp / "d/");
    EXPECT_EQ(TabularPaths(run.pane.text_), (std::vector<std::string>{temp / "d/a", temp / "d/b"}));
    EXPECT_EQ(run.pane.writes, 3);  // nothing is tried after the failed one
    EXPECT_EQ(summary.filesProcessed, 3u);
    EXPECT_EQ(run.presenter.messages, (std::vector<Message>{{kWriteFailed, "Error"}}));
}

// Cuts the file short at the first poll that finds it open for reading: between its reads, after
// the run took its size from it. No user can read such a file whatever the permissions.
void ShrinkWhileRead(RunHarness& run, const std::string& path) {
    run.progress.onPoll = [path, done = false](int) mutable {
        if (!done && testing::IsOpenInThisProcess(path)) {
            std::filesystem::resize_file(path, 3);
            done = true;
        }
    };
}

TEST(RunProcessingTest, UnreadableAndEmptyFilesUnsorted) {
    TempDir temp;
    temp.Write("Mixed/a.txt", "");
    temp.Write("Mixed/B.bin", std::string(10, 'b'));
    RunHarness run;
    run.settings.m_bLowercase = 1;
    ShrinkWhileRead(run, temp / "Mixed/B.bin");
    const RunOutcome summary = run.Run(temp / "Mixed/");
    std::string lowered = temp.Dir();
    LowercaseAscii(lowered);
    EXPECT_EQ(run.pane.text_, FormatTabularLine(0, 0, lowered + "mixed/a.txt") +
                                  "Error encountered reading the file " + temp / "Mixed/B.bin" +
                                  "\n");
    EXPECT_EQ(summary.filesUnreadable, 1u);
    EXPECT_EQ(summary.filesProcessed, 2u);
    EXPECT_TRUE(run.presenter.messages.empty());
}

// Ordered by the lowercased path, printed with the path in its own case: a listing whose names
// can be opened again on a file system that tells case apart.
TEST(RunProcessingTest, SortedRunPrintsRealPathsInLowercaseOrderAfterTheWalk) {
    TempDir temp;
    for (const char* name : {"c.txt", "A/x.txt", "a.txt", "ab.txt"}) {
        temp.Write(std::string("Mixed/") + name, name);
    }
    const std::string directory = temp.Dir() + "Mixed/";
    auto line = [&](const char* name) {
        return FormatTabularLine(testing::ReferenceCrc(name), std::strlen(name), directory + name);
    };
    const std::string expected = line("a.txt") + line("A/x.txt") + line("ab.txt") +
                                 FormatReadErrorLine(directory + "B.bin") + line("c.txt");
    for (int dest : {1, 0}) {
        temp.Write("Mixed/B.bin", std::string(10, 'b'));
        RunHarness run;
        run.settings.m_bSortOutput = 1;
        run.settings.m_nOutputStyle = 0;  // a sorted run prints tabular lines whatever the style
        run.settings.m_bLowercase = 1;    // and never lowercases them, as a loaded record may ask
        if (dest == 0) SendToFile(run, temp / "sorted.txt");
        ShrinkWhileRead(run, temp / "Mixed/B.bin");
        const RunOutcome summary = run.Run(temp / "Mixed/");
        EXPECT_EQ(dest == 1 ? run.pane.text_ : ReadFile(temp / "sorted.txt"),
                  dest == 1 ? expected : testing::CrLf(expected));
        EXPECT_EQ(run.progress.events, (std::vector<std::string>{"open sorting", "close sorting"}));
        EXPECT_EQ(summary.filesUnreadable, 1u);
        EXPECT_TRUE(run.tree.IsEmpty());
    }
}

TEST(RunProcessingTest, SortedRunMatchingNothingWritesNothing) {
    TempDir temp;
    temp.Write("d/a.log");
    temp.Write("sorted.txt", "before\r\n");
    RunHarness run;
    run.settings.m_bSortOutput = 1;
    SendToFile(run, temp / "sorted.txt");
    run.Run(temp / "d/*.txt");
    EXPECT_EQ(ReadFile(temp / "sorted.txt"), "before\r\n");
    EXPECT_TRUE(run.presenter.messages.empty());
}

TEST(RunProcessingTest, CancelStopsBetweenFilesAndSortedRunPrintsNothing) {
    TempDir temp;
    for (int i = 0; i < 20; ++i) temp.Write("d/f" + std::to_string(100 + i), "z");
    for (int sort : {0, 1}) {
        RunHarness run;
        run.settings.m_bSortOutput = sort;
        const std::string output = temp / ("out" + std::to_string(sort) + ".txt");
        SendToFile(run, output);
        run.progress.cancelAfterPolls = 7;
        const RunOutcome summary = run.Run(temp / "d/");
        EXPECT_TRUE(summary.cancelled);
        EXPECT_GT(summary.filesProcessed, 0u);
        EXPECT_LT(summary.filesProcessed, 20u);
        EXPECT_EQ(TabularPaths(ReadFile(output)).size(), sort ? 0u : summary.filesProcessed);
        EXPECT_TRUE(run.tree.IsEmpty());
        EXPECT_TRUE(run.presenter.messages.empty());
        EXPECT_EQ(run.progress.events.size(), 2u);
    }
}

std::chrono::steady_clock::time_point g_slowDiskNow;
std::chrono::steady_clock::time_point SlowDiskNow() { return g_slowDiskNow; }

TEST(RunProcessingTest, ProgressArrivesInsideOneLargeFile) {
    TempDir temp;
    constexpr std::uint64_t kSize = 8u << 20;
    std::filesystem::resize_file(temp.Write("big/zeros.bin", ""), kSize);
    RunHarness run;
    // Each poll takes a while on the run's clock, as if the disk were slow: reports must come
    // from within the file.
    run.clock = &SlowDiskNow;
    run.progress.onPoll = [](int) { g_slowDiskNow += std::chrono::milliseconds(15); };
    run.Run(temp / "big/");

    ASSERT_GE(run.progress.reports.size(), 2u);
    std::uint64_t previous = 0;
    std::size_t inside = 0;
    for (const RunProgress& report : run.progress.reports) {
        EXPECT_EQ(report.currentPath, temp / "big/zeros.bin");
        EXPECT_GE(report.bytesDone, previous);
        previous = report.bytesDone;
        // The only file: its own count is the run's, against the size the listing gave.
        EXPECT_EQ(report.currentFileSize, kSize);
        EXPECT_EQ(report.currentFileDone, report.bytesDone);
        if (report.bytesDone > 0 && report.bytesDone < kSize && report.filesDone == 0) ++inside;
    }
    EXPECT_GE(inside, 1u);
    EXPECT_EQ(run.progress.reports.back().filesDone, 1u);
    EXPECT_EQ(run.progress.reports.back().bytesDone, kSize);
}

TEST(RunProcessingTest, ProgressWindowAlreadyUpLeavesEverythingAsFound) {
    TempDir temp;
    temp.Write("d/f.txt");
    RunHarness run;
    run.progress.openSucceeds = false;
    SendToFile(run, temp / "out.txt");
    run.tree.Insert("/belongs/to/the/other/run", 1, 1, true);
    const RunOutcome summary = run.Run(temp / "d/");
    EXPECT_FALSE(summary.walked);
    EXPECT_EQ(ReadFile(temp / "out.txt"), "");
    EXPECT_EQ(run.tree.Size(), 1u);
    EXPECT_EQ(run.progress.events, std::vector<std::string>{"open processing"});
}

}  // namespace
}  // namespace quillmark::testing
