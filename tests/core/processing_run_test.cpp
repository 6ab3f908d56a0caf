// processing_run_test.cpp - whole runs: their messages, their endings, the output file, sorting,
// cancel and progress.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/path_services.h"
#include "processing/result_line.h"
#include "processing_test_support.h"

namespace quillmark {
namespace {

using testing::CwdGuard;
using testing::Message;
using testing::RunHarness;
using testing::TabularPaths;
using testing::TempDir;

constexpr const char* kWriteFailed = "Unable to write to output file.\nAborting processing.\n";

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::size_t OpenDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

std::string CrLf(const std::string& text) {
    std::string converted;
    for (char c : text) {
        if (c == '\n') converted += '\r';
        converted += c;
    }
    return converted;
}

TEST(RunProcessingTest, EmptyInputDoesNothingAtAll) {
    CwdGuard guard;
    RunHarness run;
    const RunSummary summary = run.Run("");
    EXPECT_TRUE(run.pane.text_.empty());
    EXPECT_TRUE(run.presenter.messages.empty());
    EXPECT_TRUE(run.progress.events.empty());
    EXPECT_FALSE(summary.walked);
    EXPECT_EQ(std::filesystem::current_path(), guard.Saved());
}

TEST(RunProcessingTest, EmptyOutputNameMeansTheScreenFromNowOn) {
    TempDir temp;
    CwdGuard guard;
    temp.WriteFile("d/f.txt");
    RunHarness run;
    run.settings.m_nOutputDest = 0;
    run.Run(temp / "d/");
    EXPECT_EQ(run.settings.m_nOutputDest, 1);
    EXPECT_EQ(TabularPaths(run.pane.text_), std::vector<std::string>{temp / "d/f.txt"});
}

TEST(RunProcessingTest, UnopenableOutputFileGivesOneMessageAndNoWalk) {
    TempDir temp;
    CwdGuard guard;
    temp.WriteFile("d/f.txt");
    RunHarness run;
    run.settings.m_nOutputDest = 0;
    run.settings.m_strOutput = temp / "no-such-dir/out.txt";
    const RunSummary summary = run.Run(temp / "d/");
    EXPECT_EQ(run.presenter.messages, (std::vector<Message>{{kWriteFailed, "Error"}}));
    EXPECT_TRUE(run.progress.events.empty());
    EXPECT_TRUE(run.pane.text_.empty());
    EXPECT_FALSE(summary.walked);
    EXPECT_EQ(summary.messagesShown, 1u);
    EXPECT_EQ(std::filesystem::current_path(), guard.Saved());
}

TEST(RunProcessingTest, MissingStartDirectoryReportsTwiceAndStillEndsCleanly) {
    TempDir temp;
    CwdGuard guard;
    RunHarness run;
    run.settings.m_nOutputDest = 0;
    run.settings.m_strOutput = temp / "out.txt";
    const RunSummary summary = run.Run(temp / "missing/*.txt");
    EXPECT_EQ(run.presenter.messages,
              (std::vector<Message>{
                  {"Unable to set working dirctory", "Error"},
                  {"Unable to locate the directory: " + temp / "missing/" + "\n", "Error"}}));
    EXPECT_EQ(run.progress.events,
              (std::vector<std::string>{"open processing", "close processing"}));
    EXPECT_EQ(summary.messagesShown, 2u);
    EXPECT_TRUE(std::filesystem::exists(temp / "out.txt"));
    EXPECT_EQ(ReadAll(temp / "out.txt"), "");
    EXPECT_EQ(std::filesystem::current_path(), guard.Saved());
}

TEST(RunProcessingTest, OutputFileIsAppendedToWithCrLfNeverTruncated) {
    TempDir temp;
    CwdGuard guard;
    temp.WriteFile("d/one.txt", "1");
    temp.WriteFile("d/two.txt", "22");
    temp.WriteFile("out.txt", "earlier\r\n");
    const std::size_t descriptors = OpenDescriptors();

    std::string firstRun;
    for (int style : {0, 1}) {
        RunHarness run;
        run.settings.m_nOutputStyle = style;
        run.settings.m_nOutputDest = 0;
        run.settings.m_strOutput = temp / "out.txt";
        run.Run(temp / "d/*.txt");
        EXPECT_TRUE(run.pane.text_.empty());
        EXPECT_TRUE(run.presenter.messages.empty());
        if (style == 0) firstRun = ReadAll(temp / "out.txt");
    }
    const std::string content = ReadAll(temp / "out.txt");
    ASSERT_EQ(content.rfind("earlier\r\nFilename: " + temp / "d/one.txt" + "\r\n", 0), 0u);
    ASSERT_EQ(content.rfind(firstRun, 0), 0u);
    const std::string second = content.substr(firstRun.size());
    EXPECT_EQ(second, CrLf(FormatTabularLine(0x83dcefb7, 1, temp / "d/one.txt") +
                           FormatTabularLine(0x647e170e, 2, temp / "d/two.txt")));
    EXPECT_EQ(content.find("\n\n"), std::string::npos);  // every LF went out as CR LF
    EXPECT_EQ(OpenDescriptors(), descriptors);
    EXPECT_EQ(std::filesystem::current_path(), guard.Saved());
}

TEST(RunProcessingTest, FullDiskStopsTheRunWithOneMessage) {
    TempDir temp;
    CwdGuard guard;
    for (int i = 0; i < 50; ++i) temp.WriteFile("d/f" + std::to_string(100 + i), "abc");
    for (int sort : {0, 1}) {
        RunHarness run;
        run.settings.m_bSortOutput = sort;
        run.settings.m_nOutputDest = 0;
        run.settings.m_strOutput = "/dev/full";
        run.Run(temp / "d/");
        EXPECT_EQ(run.presenter.messages, (std::vector<Message>{{kWriteFailed, "Error"}}));
        EXPECT_TRUE(run.tree.IsEmpty());
        EXPECT_EQ(std::filesystem::current_path(), guard.Saved());
    }
}

TEST(RunProcessingTest, FailedWriteKeepsWhatCameBeforeAndStopsTheWalk) {
    TempDir temp;
    CwdGuard guard;
    for (const char* name : {"a", "b", "c", "d", "e"}) temp.WriteFile(std::string("d/") + name);
    RunHarness run;
    run.pane.failAfterWrites = 2;
    const RunSummary summary = run.Run(temp / "d/");
    EXPECT_EQ(TabularPaths(run.pane.text_), (std::vector<std::string>{temp / "d/a", temp / "d/b"}));
    EXPECT_EQ(run.pane.writes, 3);  // nothing is tried after the failed one
    EXPECT_EQ(summary.filesProcessed, 3u);
    EXPECT_EQ(run.presenter.messages, (std::vector<Message>{{kWriteFailed, "Error"}}));
    EXPECT_EQ(std::filesystem::current_path(), guard.Saved());
}

// The first poll comes before the first file is read; cutting b.bin short then makes it a file
// that shrank after it was listed, which no user can read whatever the permissions.
void ShrinkOnFirstPoll(RunHarness& run, const std::string& path) {
    run.progress.onPoll = [path](int poll) {
        if (poll == 1) std::filesystem::resize_file(path, 3);
    };
}

TEST(RunProcessingTest, UnreadableAndEmptyFilesUnsorted) {
    TempDir temp;
    CwdGuard guard;
    temp.WriteFile("Mixed/a.txt", "");
    temp.WriteFile("Mixed/B.bin", std::string(10, 'b'));
    RunHarness run;
    run.settings.m_bLowercase = 1;
    ShrinkOnFirstPoll(run, temp / "Mixed/B.bin");
    const RunSummary summary = run.Run(temp / "Mixed/");
    std::string lowered = temp.Dir();
    LowercaseAscii(lowered);
    EXPECT_EQ(run.pane.text_, FormatTabularLine(0, 0, lowered + "mixed/a.txt") +
                                  "Error encountered reading the file " + temp / "Mixed/B.bin" +
                                  "\n");
    EXPECT_EQ(summary.filesUnreadable, 1u);
    EXPECT_EQ(summary.filesProcessed, 2u);
    EXPECT_TRUE(run.presenter.messages.empty());
}

TEST(RunProcessingTest, SortedRunPrintsLowercaseKeysInByteOrderAfterTheWalk) {
    TempDir temp;
    CwdGuard guard;
    temp.WriteFile("Mixed/c.txt", "c");
    temp.WriteFile("Mixed/B.bin", std::string(10, 'b'));
    temp.WriteFile("Mixed/A/x.txt", "x");
    temp.WriteFile("Mixed/a.txt", "a");
    temp.WriteFile("Mixed/ab.txt", "ab");
    for (int dest : {1, 0}) {
        temp.WriteFile("Mixed/B.bin", std::string(10, 'b'));
        RunHarness run;
        run.settings.m_bSortOutput = 1;
        run.settings.m_nOutputStyle = 0;  // a sorted run prints tabular lines whatever the style
        run.settings.m_nOutputDest = dest;
        run.settings.m_strOutput = dest == 0 ? temp / "sorted.txt" : "";
        ShrinkOnFirstPoll(run, temp / "Mixed/B.bin");
        const RunSummary summary = run.Run(temp / "Mixed/");

        std::string key = temp.Dir() + "mixed/";
        LowercaseAscii(key);
        const std::string expected = FormatTabularLine(0xe8b7be43, 1, key + "a.txt") +
                                     FormatTabularLine(0x8cdc1683, 1, key + "a/x.txt") +
                                     FormatTabularLine(0x9e83486d, 2, key + "ab.txt") +
                                     FormatReadErrorLine(key + "b.bin") +
                                     FormatTabularLine(0x06b9df6f, 1, key + "c.txt");
        EXPECT_EQ(dest == 1 ? run.pane.text_ : ReadAll(temp / "sorted.txt"),
                  dest == 1 ? expected : CrLf(expected));
        EXPECT_EQ(run.progress.events, (std::vector<std::string>{"open sorting", "close sorting"}));
        EXPECT_EQ(summary.filesUnreadable, 1u);
        EXPECT_TRUE(run.tree.IsEmpty());
        EXPECT_EQ(std::filesystem::current_path(), guard.Saved());
    }
}

TEST(RunProcessingTest, SortedRunMatchingNothingWritesNothing) {
    TempDir temp;
    CwdGuard guard;
    temp.WriteFile("d/a.log");
    temp.WriteFile("sorted.txt", "before\r\n");
    RunHarness run;
    run.settings.m_bSortOutput = 1;
    run.settings.m_nOutputDest = 0;
    run.settings.m_strOutput = temp / "sorted.txt";
    run.Run(temp / "d/*.txt");
    EXPECT_EQ(ReadAll(temp / "sorted.txt"), "before\r\n");
    EXPECT_TRUE(run.presenter.messages.empty());
}

TEST(RunProcessingTest, CancelStopsBetweenFilesAndSortedRunPrintsNothing) {
    TempDir temp;
    CwdGuard guard;
    for (int i = 0; i < 20; ++i) temp.WriteFile("d/f" + std::to_string(100 + i), "z");
    const std::size_t descriptors = OpenDescriptors();
    for (int sort : {0, 1}) {
        RunHarness run;
        run.settings.m_bSortOutput = sort;
        run.settings.m_nOutputDest = 0;
        run.settings.m_strOutput = temp / ("out" + std::to_string(sort) + ".txt");
        run.progress.cancelAfterPolls = 7;
        const RunSummary summary = run.Run(temp / "d/");
        EXPECT_TRUE(summary.cancelled);
        EXPECT_GT(summary.filesProcessed, 0u);
        EXPECT_LT(summary.filesProcessed, 20u);
        const std::vector<std::string> lines =
            TabularPaths(ReadAll(temp / ("out" + std::to_string(sort) + ".txt")));
        EXPECT_EQ(lines.size(), sort ? 0u : summary.filesProcessed);
        EXPECT_TRUE(run.tree.IsEmpty());
        EXPECT_TRUE(run.presenter.messages.empty());
        EXPECT_EQ(run.progress.events.size(), 2u);
        EXPECT_EQ(OpenDescriptors(), descriptors);
        EXPECT_EQ(std::filesystem::current_path(), guard.Saved());
    }
}

TEST(RunProcessingTest, ProgressArrivesInsideOneLargeFile) {
    TempDir temp;
    CwdGuard guard;
    constexpr std::uint64_t kSize = 8u << 20;
    temp.WriteFile("big/zeros.bin", "");
    std::filesystem::resize_file(temp / "big/zeros.bin", kSize);
    RunHarness run;
    // Each poll takes a while, as if the disk were slow: reports must come from within the file.
    run.progress.sleepPerPoll = std::chrono::milliseconds(15);
    run.Run(temp / "big/");

    ASSERT_GE(run.progress.reports.size(), 2u);
    std::uint64_t previous = 0;
    std::size_t inside = 0;
    for (const RunProgress& report : run.progress.reports) {
        EXPECT_EQ(report.currentPath, temp / "big/zeros.bin");
        EXPECT_GE(report.bytesDone, previous);
        previous = report.bytesDone;
        if (report.bytesDone > 0 && report.bytesDone < kSize && report.filesDone == 0) ++inside;
    }
    EXPECT_GE(inside, 1u);
    EXPECT_EQ(run.progress.reports.back().filesDone, 1u);
    EXPECT_EQ(run.progress.reports.back().bytesDone, kSize);
}

TEST(RunProcessingTest, ProgressWindowAlreadyUpLeavesEverythingAsFound) {
    TempDir temp;
    CwdGuard guard;
    temp.WriteFile("d/f.txt");
    const std::size_t descriptors = OpenDescriptors();
    RunHarness run;
    run.progress.openSucceeds = false;
    run.settings.m_nOutputDest = 0;
    run.settings.m_strOutput = temp / "out.txt";
    run.tree.Insert("/belongs/to/the/other/run", 1, 1, true);
    const RunSummary summary = run.Run(temp / "d/");
    EXPECT_FALSE(summary.walked);
    EXPECT_EQ(ReadAll(temp / "out.txt"), "");
    EXPECT_EQ(run.tree.Size(), 1u);
    EXPECT_EQ(run.progress.events, std::vector<std::string>{"open processing"});
    EXPECT_EQ(OpenDescriptors(), descriptors);
    EXPECT_EQ(std::filesystem::current_path(), guard.Saved());
}

}  // namespace
}  // namespace quillmark
