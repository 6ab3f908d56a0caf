// processing_released_ancestor_test.cpp - ancestors the walk released, opened again as it climbs
// back and refused when they were replaced meanwhile; the cause of each directory that is not
// walked.
#include <algorithm>
#include <cerrno>

#include "platform/open_fault.h"
#include "processing/run_messages.h"
#include "tests/core/run_fakes.h"
#include "tests/core/test_support.h"

namespace quillmark::testing {
namespace {

struct Cause {
    std::string path;
    std::string reason;
    bool operator==(const Cause&) const = default;
};

// The causes the walk gives for directories, in the order given.
class RecordingCauses : public UnreadableFileReport {
public:
    void OnUnreadableFile(std::string_view, std::string_view) override {}
    void OnUnreadableDirectory(std::string_view path, std::string_view reason) override {
        directories.push_back({std::string(path), std::string(reason)});
    }
    std::vector<Cause> directories;
};

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
    std::string chain = "t/a/b/";
    for (int level = 0; level < 40; ++level) chain += "n/";
    const std::string last = temp.Write(chain + "last/last.txt");

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

    std::vector<std::string> expected = {temp / "t/top.txt", temp / "t/a/a.txt", last};
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
}

}  // namespace
}  // namespace quillmark::testing
