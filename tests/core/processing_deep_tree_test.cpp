// processing_deep_tree_test.cpp - trees deeper than the descriptor limit and paths longer than
// PATH_MAX, walked whole; ancestors opened again as the walk climbs back, and refused when they
// were replaced meanwhile; the cause of each directory that is not walked.
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/open_fault.h"
#include "processing/run_messages.h"
#include "tests/core/deep_tree.h"
#include "tests/core/run_fakes.h"

namespace quillmark::testing {
namespace {

struct Cause {
    std::string path;
    std::string reason;
    bool operator==(const Cause&) const = default;
};

// The causes the walk gives for directories, and for files, in the order given.
class RecordingCauses : public UnreadableFileReport {
public:
    void OnUnreadableFile(std::string_view path, std::string_view reason) override {
        files.push_back({std::string(path), std::string(reason)});
    }
    void OnUnreadableDirectory(std::string_view path, std::string_view reason) override {
        directories.push_back({std::string(path), std::string(reason)});
    }
    std::vector<Cause> files;
    std::vector<Cause> directories;
};

std::string Lowered(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

constexpr int kDeepLevels = 10000;

// t/ below temp holds a chain d/d/d/... kDeepLevels deep with a file every 1,000 levels and one
// at the bottom; every 2,500 levels from 1,250 a side directory E holds a file too. E sorts
// after d, so it is walked after the whole chain below it: by then the walk has released its
// parent and opens it again. Returns the printed paths in walk order.
std::vector<std::string> MakeDeepTree(const TempDir& temp) {
    temp.MakeDir("t");
    std::vector<std::string> chain;
    std::vector<std::string> sides;  // deepest last
    std::string text = temp / "t/";
    const bool built = BuildChain(temp / "t", "d", kDeepLevels, [&](int level, int fd) {
        if (level % 1000 == 0 || level == kDeepLevels) {
            const std::string name = "f" + std::to_string(level) + ".txt";
            chain.push_back(text + name);
            if (!WriteFileAt(fd, name, std::to_string(level))) return false;
        }
        if (level % 2500 == 1250) {
            sides.push_back(text + "E/side.txt");
            if (::mkdirat(fd, "E", 0755) != 0) return false;
            const int side = ::openat(fd, "E", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            const bool written = side >= 0 && WriteFileAt(side, "side.txt", "side");
            if (side >= 0) ::close(side);
            if (!written) return false;
        }
        text += "d/";
        return true;
    });
    EXPECT_TRUE(built);
    chain.insert(chain.end(), sides.rbegin(), sides.rend());
    return chain;
}

// Each run below has 1,024 descriptors, hard limit included, fewer than the levels: the walk
// releases the directories of its ancestors and opens them again relative to their parents.
// No path can be handed to the system whole (the deepest is about 20,000 bytes), and the depth
// is not on the call stack (this passes under AddressSanitizer's stack).
TEST(DeepTreeTest, TenThousandLevelsAreWalkedWholeWithFewDescriptors) {
    TempDir temp(DeepTreeBase());
    DeepTreeRemover remover(temp / "t");
    const std::vector<std::string> walked = MakeDeepTree(temp);
    ASSERT_EQ(walked.size(), 15u);
    ASSERT_GT(walked[10].size(), static_cast<std::size_t>(4 * PATH_MAX));
    std::vector<std::string> sorted = walked;
    std::stable_sort(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) {
        return Lowered(a) < Lowered(b);
    });
    ASSERT_NE(sorted, walked);

    InChildWithFewDescriptors([&] {
        for (const unsigned jobs : {1u, 0u}) {
            for (const int sort : {0, 1}) {
                RunHarness run;
                RecordingCauses causes;
                run.unreadable = &causes;
                run.jobs = jobs;
                run.settings.m_bSortOutput = sort;
                const RunOutcome summary = run.Run(temp / "t/");
                EXPECT_TRUE(SamePaths(TabularPaths(run.pane.text_), sort ? sorted : walked))
                    << "jobs " << jobs << " sort " << sort;
                EXPECT_TRUE(run.presenter.messages.empty()) << run.presenter.messages[0].text;
                EXPECT_TRUE(causes.directories.empty()) << causes.directories[0].reason;
                EXPECT_EQ(summary.filesUnreadable, 0u);
            }
        }
    });
}

// What happens to t/a while the walk is deep below it, in t/a/b/n/n/.../last: by the time the
// walk climbs back to go on with t/a/c, its descriptor of t/a has been released.
struct AncestorRow {
    const char* what;
    std::function<void(const TempDir&)> change;
    const char* reason;  // nullptr: t/a is the same directory and the walk goes on in it
};

class ChangedAncestorTest : public ::testing::TestWithParam<AncestorRow> {};

TEST_P(ChangedAncestorTest, IsOpenedAgainOnlyWhenStillTheSameDirectory) {
    const AncestorRow& row = GetParam();
    TempDir temp;
    temp.Write("t/top.txt");
    temp.Write("t/a/a.txt");
    temp.Write("t/a/c/late.txt");
    temp.Write("t/z/z.txt");
    temp.MakeDir("t/a/b");
    std::string last = temp / "t/a/b/";
    ASSERT_TRUE(BuildChain(temp / "t/a/b", "n", 40, [&](int level, int fd) {
        if (level < 40) {
            last += "n/";
            return true;
        }
        last += "last/";
        return ::mkdirat(fd, "last", 0755) == 0 && WriteFileAt(fd, "last/last.txt", "l");
    }));

    bool changed = false;
    SetOpenFaultForTesting([&](std::string_view name) {
        if (name == "last" && !changed) {
            changed = true;
            row.change(temp);
        }
        return 0;
    });
    RunHarness run;
    RecordingCauses causes;
    run.unreadable = &causes;
    const RunOutcome summary = run.Run(temp / "t/");
    SetOpenFaultForTesting(nullptr);
    ASSERT_TRUE(changed);

    std::vector<std::string> expected = {temp / "t/top.txt", temp / "t/a/a.txt", last + "last.txt"};
    if (row.reason == nullptr) {
        expected.push_back(temp / "t/a/c/late.txt");
        EXPECT_TRUE(run.presenter.messages.empty());
        EXPECT_TRUE(causes.directories.empty());
    } else {
        // Neither the directory now at t/a nor the one that was there is walked any further.
        EXPECT_EQ(run.presenter.messages,
                  (std::vector<Message>{
                      {std::string(kDirectoryNotFoundText) + temp / "t/a/\n", kErrorCaption}}));
        EXPECT_EQ(causes.directories, (std::vector<Cause>{{temp / "t/a/", row.reason}}));
        EXPECT_EQ(summary.messagesShown, 1u);
    }
    expected.push_back(temp / "t/z/z.txt");
    EXPECT_EQ(TabularPaths(run.pane.text_), expected);
}

void MoveAway(const TempDir& temp) { fs::rename(temp / "t/a", temp / "t/a.old"); }

INSTANTIATE_TEST_SUITE_P(
    Changes, ChangedAncestorTest,
    ::testing::Values(AncestorRow{"untouched", [](const TempDir&) {}, nullptr},
                      AncestorRow{"renamed and renamed back",
                                  [](const TempDir& temp) {
                                      MoveAway(temp);
                                      fs::rename(temp / "t/a.old", temp / "t/a");
                                  },
                                  nullptr},
                      AncestorRow{"replaced by another directory",
                                  [](const TempDir& temp) {
                                      MoveAway(temp);
                                      temp.Write("t/a/c/late.txt", "impostor");
                                  },
                                  kDirectoryChangedReason},
                      AncestorRow{"replaced by a link to itself",
                                  [](const TempDir& temp) {
                                      MoveAway(temp);
                                      fs::create_directory_symlink("a.old", temp / "t/a");
                                  },
                                  "Not a directory"},
                      AncestorRow{"moved away", MoveAway, "No such file or directory"}),
    [](const ::testing::TestParamInfo<AncestorRow>& info) {
        std::string name = info.param.what;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

// A directory that cannot be opened is reported with the system's reason, beside the message
// that leaves it out; the walk goes on with the next one.
TEST(DeepTreeTest, DirectoriesNotOpenedAreReportedWithTheirCause) {
    struct Row {
        int error;
        const char* reason;
    };
    for (const Row& row : {Row{EMFILE, "Too many open files"}, Row{EACCES, "Permission denied"},
                           Row{ENOENT, "No such file or directory"}}) {
        TempDir temp;
        temp.Write("t/shut/inside.txt");
        temp.Write("t/z/after.txt");
        SetOpenFaultForTesting(
            [&](std::string_view name) { return name == "shut" ? row.error : 0; });
        RunHarness run;
        RecordingCauses causes;
        run.unreadable = &causes;
        run.Run(temp / "t/");
        SetOpenFaultForTesting(nullptr);
        EXPECT_EQ(TabularPaths(run.pane.text_), std::vector<std::string>{temp / "t/z/after.txt"});
        EXPECT_EQ(run.presenter.messages,
                  (std::vector<Message>{
                      {std::string(kDirectoryNotFoundText) + temp / "t/shut/\n", kErrorCaption}}));
        EXPECT_EQ(causes.directories, (std::vector<Cause>{{temp / "t/shut/", row.reason}}));
    }

    // The start directory too.
    TempDir temp;
    RunHarness run;
    RecordingCauses causes;
    run.unreadable = &causes;
    run.Run(temp / "absent/");
    EXPECT_EQ(causes.directories,
              (std::vector<Cause>{{temp / "absent/", "No such file or directory"}}));
    EXPECT_EQ(run.presenter.messages.size(), 2u);
}

}  // namespace
}  // namespace quillmark::testing
