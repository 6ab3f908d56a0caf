// console_progress_test.cpp - the progress line on a terminal: names escaped, long names cut.
#include "cli/console_progress.h"

#include <fcntl.h>
#include <unistd.h>

#include <thread>

#include "tests/cli/cli_test_support.h"

namespace quillmark::testing {
namespace {

// The line drawn for one progress report, as the terminal would receive it.
std::string DrawnLine(const std::string& currentPath) {
    TempDir temp;
    const std::string path = temp / "terminal";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    EXPECT_GE(fd, 0);
    {
        ConsoleProgressView view(fd, true, [] { return false; });
        view.RunStarting(RunKind::Processing);
        // The first interval never draws, so quick runs do not flicker.
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        RunProgress progress;
        progress.currentPath = currentPath;
        view.OnProgress(progress);
    }
    ::close(fd);
    return ReadFile(path);
}

// A name can neither move the cursor nor send a terminal a C1 control or a piece of a character:
// a line always ends in the one escape sequence of its own.
TEST(ConsoleProgressTest, NamesAreEscapedAndCutOnlyBetweenCharacters) {
    const std::string prefix = "\r0 files, 0.0 MB, 0.0 MB/s  ";
    EXPECT_EQ(DrawnLine("/d/a\xc2\x9b"
                        "2Jb\xff\n"),
              prefix + "/d/a\\xc2\\x9b2Jb\\xff\\n\x1b[K");
    // Not a terminal: 80 columns, 79 used. Cut from the front, the name would begin with the
    // last two bytes of a euro sign.
    std::string name = "/";
    for (int i = 0; i < 40; ++i) name += "\xe2\x82\xac";
    const std::string drawn = DrawnLine(name);
    const std::string shown = drawn.substr(prefix.size() + 3, drawn.size() - prefix.size() - 6);
    EXPECT_EQ(drawn.substr(0, prefix.size() + 3), prefix + "...");
    EXPECT_EQ(shown.substr(0, 3), "\xe2\x82\xac");
    EXPECT_EQ(shown.size() % 3, 0u);
}

}  // namespace
}  // namespace quillmark::testing
