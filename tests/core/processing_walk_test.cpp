// processing_walk_test.cpp - which files a run reports, in which order, under which options.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/path_services.h"
#include "processing/directory_walk.h"
#include "tests/core/run_fakes.h"
#include "tests/core/test_support.h"

namespace quillmark::testing {
namespace {

// data/ holds a.txt, b.log, sub.txt and the directories .git (f.txt), notes.txt (e.log) and sub
// (g.txt and deep/h.txt).
void BuildWorkedExample(const TempDir& temp) {
    for (const char* file : {"data/a.txt", "data/b.log", "data/sub.txt", "data/.git/f.txt",
                             "data/notes.txt/e.log", "data/sub/g.txt", "data/sub/deep/h.txt"}) {
        temp.Write(file);
    }
}

struct WalkRow {
    const char* input;  // below the temporary directory
    int noRecursion;
    int dirWildcards;
    std::vector<std::string> reported;  // below the temporary directory, in order
};

class WorkedExampleTest : public ::testing::TestWithParam<WalkRow> {};

TEST_P(WorkedExampleTest, ReportsExactlyTheseFilesInThisOrder) {
    const WalkRow& row = GetParam();
    TempDir temp;
    BuildWorkedExample(temp);

    RunHarness run;
    run.settings.m_bNoRecursion = row.noRecursion;
    run.settings.m_bDirWildcards = row.dirWildcards;
    const RunOutcome summary = run.Run(temp / row.input);

    std::vector<std::string> expected;
    for (const std::string& path : row.reported) expected.push_back(temp / path);
    EXPECT_EQ(TabularPaths(run.pane.text_), expected);
    EXPECT_TRUE(run.presenter.messages.empty());
    EXPECT_EQ(summary.filesProcessed, expected.size());
}

const std::vector<std::string> kAllSix = {"data/a.txt",     "data/b.log",
                                          "data/sub.txt",   "data/notes.txt/e.log",
                                          "data/sub/g.txt", "data/sub/deep/h.txt"};

INSTANTIATE_TEST_SUITE_P(
    Rows, WorkedExampleTest,
    ::testing::Values(
        WalkRow{"data/", 0, 0, kAllSix}, WalkRow{"data/", 0, 1, kAllSix},
        WalkRow{"data/*.txt", 0, 0, {"data/a.txt", "data/sub.txt"}},
        WalkRow{"data/*.txt", 0, 1, {"data/a.txt", "data/sub.txt", "data/notes.txt/e.log"}},
        WalkRow{"data/*.txt", 1, 0, {"data/a.txt", "data/sub.txt"}},
        WalkRow{"data/s*", 0, 0, {"data/sub.txt"}},
        WalkRow{"data/s*", 0, 1, {"data/sub.txt", "data/sub/g.txt", "data/sub/deep/h.txt"}},
        WalkRow{"data", 0, 0, kAllSix}, WalkRow{"data", 0, 1, kAllSix}, WalkRow{"data", 1, 0, {}}));

TEST(WalkTest, DotFilesAreReportedDotDirectoriesNeverEntered) {
    TempDir temp;
    temp.Write("t/.profile");
    temp.Write("t/.cache/inside.txt");
    temp.Write("t/.cache.d/inside.txt");
    temp.Write("t/plain");

    RunHarness run;
    run.Run(temp / "t/");
    EXPECT_EQ(TabularPaths(run.pane.text_),
              (std::vector<std::string>{temp / "t/.profile", temp / "t/plain"}));
}

TEST(WalkTest, NamesMatchIgnoringCaseAndKeepTheirCaseWhenPrinted) {
    TempDir temp;
    temp.Write("t/README.TXT");
    temp.Write("t/notes.Txt");
    temp.Write("t/other.log");
    temp.Write("t/SUB/Inner.log");

    RunHarness run;
    run.Run(temp / "t/*.TXT");
    EXPECT_EQ(TabularPaths(run.pane.text_),
              (std::vector<std::string>{temp / "t/notes.Txt", temp / "t/README.TXT"}));

    // "sub" matches no file but equals "SUB" ignoring case, which is then walked whole.
    RunHarness byName;
    byName.Run(temp / "t/sub");
    EXPECT_EQ(TabularPaths(byName.pane.text_), std::vector<std::string>{temp / "t/SUB/Inner.log"});
    // "s*" matches "SUB" without equalling it: entered with s*, where nothing matches.
    RunHarness byWildcard;
    byWildcard.Run(temp / "t/s*");
    EXPECT_TRUE(byWildcard.pane.text_.empty());
}

TEST(WalkTest, SymbolicLinksLoopsNeverFollowedLinkedFilesReported) {
    TempDir temp;
    temp.Write("t/real.txt", "12345");
    temp.MakeDir("t/loop");
    ASSERT_EQ(::symlink("..", (temp / "t/loop/up").c_str()), 0);
    ASSERT_EQ(::symlink(".", (temp / "t/loop/self").c_str()), 0);
    ASSERT_EQ(::symlink("../real.txt", (temp / "t/loop/alias.txt").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (temp / "t/loop/dangling.txt").c_str()), 0);
    ASSERT_EQ(::mkfifo((temp / "t/loop/pipe.txt").c_str(), 0644), 0);

    RunHarness run;
    run.Run(temp / "t/");
    EXPECT_EQ(TabularPaths(run.pane.text_),
              (std::vector<std::string>{temp / "t/real.txt", temp / "t/loop/alias.txt"}));
    // The linked file is read through the link: same size and checksum as its target.
    const std::string text = run.pane.text_;
    EXPECT_EQ(text.substr(0, 24), text.substr(text.find('\n') + 1, 24));
    EXPECT_TRUE(run.presenter.messages.empty());
}

// Each directory is opened relative to its parent, so no path length limits the walk: a chain of
// directories far past what one system call can name is walked and printed whole.
TEST(WalkTest, PathsPastTheSystemLimitAreWalkedWhole) {
    TempDir temp;
    CwdGuard guard;
    const std::string component(250, 'n');
    constexpr int kLevels = 18;
    temp.Write("t/b/last.txt");
    temp.MakeDir("t/a");
    ASSERT_TRUE(ChangeDirectory(temp / "t/a"));
    std::string deepest = temp.Dir() + "t/a/";
    for (int level = 0; level < kLevels; ++level) {
        ASSERT_EQ(::mkdir(component.c_str(), 0755), 0);
        ASSERT_EQ(::chdir(component.c_str()), 0);
        deepest += component + "/";
    }
    ASSERT_GT(deepest.size(), 4096u);
    testing::WriteFile("deep.txt", "deep");
    ASSERT_TRUE(ChangeDirectory(temp.Path()));

    RunHarness run;
    run.Run(temp / "t/");
    EXPECT_TRUE(run.presenter.messages.empty());
    EXPECT_EQ(TabularPaths(run.pane.text_),
              (std::vector<std::string>{deepest + "deep.txt", temp / "t/b/last.txt"}));
    // The start directory itself may be longer than one call can name.
    RunHarness below;
    below.Run(deepest);
    EXPECT_EQ(TabularPaths(below.pane.text_), std::vector<std::string>{deepest + "deep.txt"});

    // Removed from the bottom by relative names: the full paths are too long to remove by.
    ASSERT_TRUE(ChangeDirectory(temp / "t/a"));
    for (int level = 0; level < kLevels - 1; ++level) ASSERT_EQ(::chdir(component.c_str()), 0);
    ASSERT_EQ(::chdir(component.c_str()), 0);
    ASSERT_EQ(::unlink("deep.txt"), 0);
    ASSERT_EQ(::chdir(".."), 0);
    for (int level = 0; level < kLevels; ++level) {
        ASSERT_EQ(::rmdir(component.c_str()), 0);
        ASSERT_EQ(::chdir(".."), 0);
    }
}

TEST(WalkTest, LongPathsBeyondTheOldLimitArePrintedWhole) {
    TempDir temp;
    const std::string component(120, 'L');
    const std::string relative = "t/" + component + "/" + component + "/" + component + "/f.bin";
    temp.Write(relative);

    RunHarness run;
    run.Run(temp / "t/");
    EXPECT_EQ(TabularPaths(run.pane.text_), std::vector<std::string>{temp / relative});
}

}  // namespace
}  // namespace quillmark::testing
