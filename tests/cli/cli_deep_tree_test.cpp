// cli_deep_tree_test.cpp - quillmark-cli over a tree 10,000 levels deep with 1,024 descriptors:
// runs, sorted runs and a check's search for new files reach the bottom.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "tests/cli/cli_test_support.h"
#include "tests/core/deep_tree.h"

namespace quillmark::testing {
namespace {

class CliDeepTreeTest : public CliTest {};

TEST_F(CliDeepTreeTest, RunsAndChecksReachTheBottomWithFewDescriptors) {
    TempDir deep(DeepTreeBase());
    DeepTreeRemover remover(deep / "t");
    deep.MakeDir("t");
    std::vector<std::string> lines;  // in walk order
    std::string directory = deep / "t/";
    const std::string newFile = "new.txt";
    std::string newPath;
    ASSERT_TRUE(BuildChain(deep / "t", "Level", 10000, [&](int level, int fd) {
        if (level % 700 == 0) {
            const std::string name = "z" + std::to_string(level);
            lines.push_back(TabularLine(name, directory + name));
            if (!WriteFileAt(fd, name, name)) return false;
        }
        if (level == 9100) newPath = directory + newFile;
        directory += "Level/";
        return true;
    }));
    std::vector<std::string> sorted = lines;
    std::sort(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) {
        return LowercasedAscii(a.substr(24)) < LowercasedAscii(b.substr(24));
    });
    ASSERT_NE(sorted, lines);
    const auto joined = [](const std::vector<std::string>& parts) {
        std::string text;
        for (const std::string& part : parts) text += part;
        return text;
    };

    const CliResult run = Run(CliCall{.args = {"-t", deep / "t/"}, .descriptorLimit = 1024});
    EXPECT_EQ(run.status, 0) << run.err.substr(0, 300);
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(run.out == joined(lines)) << run.out.size() << " bytes";
    const CliResult sortedRun = Run(CliCall{.args = {"-s", deep / "t/"}, .descriptorLimit = 1024});
    EXPECT_EQ(sortedRun.status, 0) << sortedRun.err.substr(0, 300);
    EXPECT_TRUE(sortedRun.out == joined(sorted)) << sortedRun.out.size() << " bytes";

    // The listing made by the run, checked after a file has appeared beside a listed one.
    const std::string listing = (m_dir / "listing").string();
    WriteFile(listing, run.out);
    ASSERT_TRUE(BuildChain(deep / "t", "Level", 9100, [&](int level, int fd) {
        return level < 9100 || WriteFileAt(fd, newFile, "new");
    }));
    const CliResult check =
        Run(CliCall{.args = {"--check", "--new", listing}, .descriptorLimit = 1024});
    EXPECT_EQ(check.status, 1);
    EXPECT_TRUE(check.out.ends_with(newPath + ": NEW\n")) << check.out.size() << " bytes";
    EXPECT_EQ(check.err, "quillmark-cli: checked " + std::to_string(lines.size()) +
                             " entries: " + std::to_string(lines.size()) + " OK, 1 NEW\n");
}

}  // namespace
}  // namespace quillmark::testing
