// cli_inputs_test.cpp - what quillmark-cli says about inputs a Linux tree can hold: dot names,
// FIFOs, links, unreadable files and directories, its own standard output.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "tests/cli/cli_test_support.h"

namespace quillmark::testing {
namespace {

class CliInputsTest : public CliTest {};

TEST_F(CliInputsTest, DotNamesNameWhatTheySay) {
    WriteFile(m_tree / ".bashrc", "rc");
    WriteFile(m_tree / "a.txt", "a");
    WriteFile(m_tree / "sub/s.txt", "s");
    const std::string tree = m_tree.string();

    const CliResult dotFile = Run(CliCall{.args = {"-t", ".bashrc"}, .workingDirectory = tree});
    EXPECT_EQ(dotFile.out, TabularLine("rc", Printed(".bashrc")));
    EXPECT_EQ(dotFile.status, 0);

    const CliResult missing = Run(CliCall{.args = {"-t", ".nothere"}, .workingDirectory = tree});
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "quillmark-cli: cannot access '.nothere': No such file or directory\n");
    EXPECT_EQ(missing.status, 1);

    const CliResult parent =
        Run(CliCall{.args = {"-t", "-n", ".."}, .workingDirectory = (m_tree / "sub").string()});
    EXPECT_EQ(parent.out, TabularLine("rc", Printed("sub/../.bashrc")) +
                              TabularLine("a", Printed("sub/../a.txt")));
}

// An input that exists but gives no file says why, instead of exiting 0 in silence.
TEST_F(CliInputsTest, InputsThatReportNothingAreExplained) {
    ASSERT_EQ(::mkfifo((m_tree / "fifo").c_str(), 0644), 0);
    fs::create_symlink(m_tree / "gone", m_tree / "dangling");
    fs::create_directory(m_tree / "real");
    WriteFile(m_tree / "real/r.txt", "r");
    fs::create_directory_symlink(m_tree / "real", m_tree / "linked");
    struct Row {
        std::vector<std::string> args;
        std::string err;
        int status;
    };
    const std::string fifo = Printed("fifo");
    const std::string dangling = Printed("dangling");
    const std::string linked = Printed("linked");
    const std::string real = Printed("real");
    const Row rows[] = {
        {{"-t", fifo}, "quillmark-cli: '" + fifo + "': not a regular file\n", 1},
        {{"-t", dangling}, "quillmark-cli: '" + dangling + "': not a regular file\n", 1},
        {{"-t", linked},
         "quillmark-cli: '" + linked + "' is a link to a directory; name it as '" + linked +
             "/' to walk it\n",
         1},
        {{"-t", "-n", real},
         "quillmark-cli: '" + real + "' is a directory; name it as '" + real +
             "/' to checksum its files\n",
         0},
    };
    for (const Row& row : rows) {
        const CliResult result = Run(row.args);
        EXPECT_EQ(result.out, "") << row.args.back();
        EXPECT_EQ(result.err, row.err);
        EXPECT_EQ(result.status, row.status) << row.args.back();
    }
    // Named with its '/', the link is walked.
    EXPECT_EQ(Run({"-t", linked + "/"}).out, TabularLine("r", Printed("linked/r.txt")));
}

TEST_F(CliInputsTest, StandardOutputRedirectedIntoTheTreeIsNotListed) {
    WriteFile(m_tree / "a.txt", "a");
    const fs::path out = m_tree / "out.txt";
    const CliResult result = Run(CliCall{.args = {"-t", TreeInput()}, .stdoutPath = out.string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(ReadFile(out), TabularLine("a", Printed("a.txt")));
}

// Root is never denied, so these run the program as user 65534.
TEST_F(CliInputsTest, UnreadableFilesAndDirectoriesAreNamedOnStandardError) {
    const std::string secret = "secret\x1b[2Jname";
    WriteFile(m_tree / "open.txt", "o");
    WriteFile(m_tree / secret, "s");
    WriteFile(m_tree / "locked/inside.txt", "i");
    fs::permissions(m_tree / secret, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_EQ(::chmod((m_tree / "locked").c_str(), 0311), 0);
    ASSERT_EQ(::chmod(m_tree.c_str(), 0755), 0);

    const CliResult result = Run(CliCall{.args = {"-t", TreeInput()}, .asNobody = true});
    ::chmod((m_tree / "locked").c_str(), 0755);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, TabularLine("o", Printed("open.txt")) +
                              "Error encountered reading the file " + Printed(secret) + "\n");
    const std::string shown = Printed("secret\\x1b[2Jname");
    EXPECT_EQ(result.err,
              "quillmark-cli: " + shown + ": Permission denied\n" +
                  "quillmark-cli: Error: Unable to locate the directory: " + Printed("locked") +
                  "/\nquillmark-cli: '" + Printed("locked") + "/': Permission denied\n");
}

// However many files are read at once, standard output is the same bytes.
TEST_F(CliInputsTest, JobsChangeNothingButTheSpeed) {
    for (int i = 0; i < 60; ++i) {
        WriteFile(m_tree / ("d" + std::to_string(i % 4)) / ("f" + std::to_string(i)),
                  std::string(static_cast<std::size_t>(i) * 4099, 'q'));
    }
    const CliResult one = Run({"-t", "-j", "1", TreeInput()});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(std::ranges::count(one.out, '\n'), 60);
    for (const char* jobs : {"2", "16"})
        EXPECT_EQ(Run({"-t", "-j", jobs, TreeInput()}).out, one.out);
    EXPECT_EQ(Run({"-t", TreeInput()}).out, one.out);
    for (const char* bad : {"0", "-3", "x"})
        EXPECT_EQ(Run({"-j", bad, TreeInput()}).status, 2) << bad;
}

}  // namespace
}  // namespace quillmark::testing
