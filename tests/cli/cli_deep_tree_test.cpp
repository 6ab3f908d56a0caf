// cli_deep_tree_test.cpp - quillmark-cli over a tree 10,000 levels deep with 1,024 descriptors:
// runs, sorted runs and a check's search for new files reach the bottom.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "tests/cli/cli_test_support.h"

namespace quillmark::testing {
namespace {

bool WriteFileAt(int at, const std::string& name, std::string_view bytes) {
    const int fd = ::openat(at, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool written =
        fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    return fd >= 0 && ::close(fd) == 0 && written;
}

// Goes down (making it where missing) a chain of `levels` directories named "Level" below root,
// each made and opened inside its parent, so no call names a long path. inside(level, fd) is
// called in each directory of the chain, root being level 0.
bool WalkDownChain(const std::string& root, int levels,
                   const std::function<bool(int level, int fd)>& inside) {
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; fd >= 0 && inside(level, fd); ++level) {
        if (level == levels) return ::close(fd) == 0;
        if (::mkdirat(fd, "Level", 0755) != 0 && errno != EEXIST) break;
        const int child = ::openat(fd, "Level", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = child;
    }
    if (fd >= 0) ::close(fd);
    return false;
}

class CliDeepTreeTest : public CliTest {};

TEST_F(CliDeepTreeTest, RunsAndChecksReachTheBottomWithFewDescriptors) {
    // In memory when it can be: some disks take many seconds to remove 10,000 directories.
    TempDir deep(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : fs::temp_directory_path());
    struct Remover {
        std::string path;
        ~Remover() { static_cast<void>(std::system(("rm -rf '" + path + "'").c_str())); }
    } remover{deep / "t"};
    deep.MakeDir("t");
    std::vector<std::string> lines;  // in walk order
    std::string directory = deep / "t/";
    std::string newPath;
    ASSERT_TRUE(WalkDownChain(deep / "t", 10000, [&](int level, int fd) {
        const std::string name = "z" + std::to_string(level);
        if (level == 9100) newPath = directory + "new";
        if (level % 700 == 0) lines.push_back(TabularLine(name, directory + name));
        directory += "Level/";
        return level % 700 != 0 || WriteFileAt(fd, name, name);
    }));
    // Each z file sorts after the directory beside it: the deepest come first.
    std::vector<std::string> sorted(lines.rbegin(), lines.rend());
    std::string walked;
    for (const std::string& line : lines) walked += line;

    const CliResult run = Run(CliCall{.args = {"-t", deep / "t/"}, .descriptorLimit = 1024});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err.substr(0, 300), "");
    EXPECT_TRUE(run.out == walked) << run.out.size() << " bytes, not " << walked.size();
    const CliResult sortedRun = Run(CliCall{.args = {"-s", deep / "t/"}, .descriptorLimit = 1024});
    EXPECT_EQ(sortedRun.status, 0);
    std::string sortedText;
    for (const std::string& line : sorted) sortedText += line;
    EXPECT_TRUE(sortedRun.out == sortedText) << sortedRun.out.size() << " bytes";

    // The run's output as a listing, checked after a file has appeared beside a listed one.
    const std::string listing = (m_dir / "listing").string();
    WriteFile(listing, run.out);
    ASSERT_TRUE(WalkDownChain(deep / "t", 9100, [&](int level, int fd) {
        return level < 9100 || WriteFileAt(fd, "new", "new");
    }));
    const CliResult check =
        Run(CliCall{.args = {"--check", "--new", listing}, .descriptorLimit = 1024});
    EXPECT_EQ(check.status, 1);
    EXPECT_TRUE(check.out.ends_with(newPath + ": NEW\n")) << check.out.size() << " bytes";
    EXPECT_EQ(check.err,
              "quillmark-cli: 1 file is NEW, " + std::to_string(lines.size()) + " files are OK.\n");
}

}  // namespace
}  // namespace quillmark::testing
