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

// On a case-sensitive file system a name without wildcards names one file: the entry of exactly
// that name, in the start directory and in every subdirectory of a recursive run; other cases
// only where it is missing. Brackets and commas are part of a name.
TEST_F(CliInputsTest, NamesNameThatFile) {
    WriteFile(m_tree / "cs/a.txt", "lower");
    WriteFile(m_tree / "cs/A.TXT", "upper");
    WriteFile(m_tree / "cs/deep/A.txt", "deep upper");
    WriteFile(m_tree / "CS/z.txt", "elsewhere");
    WriteFile(m_tree / "[a,b]", "bracketed");
    WriteFile(m_tree / "a", "a");
    WriteFile(m_tree / "b", "b");
    const std::string tree = m_tree.string();
    struct Row {
        std::vector<std::string> args;
        std::vector<std::pair<std::string, std::string>> printed;  // contents, path
    };
    const Row rows[] = {
        {{"-t", "-n", "cs/a.txt"}, {{"lower", "cs/a.txt"}}},
        {{"-t", "cs"},
         {{"upper", "cs/A.TXT"}, {"lower", "cs/a.txt"}, {"deep upper", "cs/deep/A.txt"}}},
        {{"-t", "-n", "cs/DEEP/a.TXT"}, {{"deep upper", "cs/deep/A.txt"}}},
        {{"-t", "--", "[a,b]"}, {{"bracketed", "[a,b]"}}},
    };
    for (const Row& row : rows) {
        std::string expected;
        for (const auto& [contents, path] : row.printed)
            expected += TabularLine(contents, Printed(path));
        const CliResult result = Run(CliCall{.args = row.args, .workingDirectory = tree});
        EXPECT_EQ(result.out, expected) << row.args.back();
        EXPECT_EQ(result.status, 0) << result.err;
    }
}

// Names the system refuses, or that lead nowhere, say why: as INPUT, as -o and as --settings.
TEST_F(CliInputsTest, NamesThatLeadNowhereSayWhy) {
    fs::create_directories(m_tree / "data/sub");
    fs::create_symlink("loop", m_tree / "loop");
    ASSERT_EQ(::mkfifo((m_tree / "fifo").c_str(), 0644), 0);
    WriteFile(m_tree / "a.txt", "a");
    const std::string longName(300, 'n');
    const std::string tree = m_tree.string();
    struct Row {
        std::vector<std::string> args;
        std::string err;
        int status;
    };
    const Row rows[] = {
        {{"-n", "-t", "data/SUB"},
         "quillmark-cli: 'data/sub' is a directory; name it as 'data/sub/' to checksum its "
         "files\n",
         0},
        {{"-t", longName},
         "quillmark-cli: cannot access '" + longName + "': File name too long\n",
         1},
        {{"-t", "loop"},
         "quillmark-cli: cannot access 'loop': Too many levels of symbolic links\n",
         1},
        {{"-t", "-o", "loop", "a.txt"},
         "quillmark-cli: cannot access 'loop': Too many levels of symbolic links\n",
         1},
        {{"-t", "--settings", "loop", "a.txt"},
         "quillmark-cli: cannot use --settings loop: Too many levels of symbolic links\n",
         2},
        {{"-t", "--settings", "fifo", "a.txt"},
         "quillmark-cli: cannot use --settings fifo: not a regular file\n",
         2},
    };
    for (const Row& row : rows) {
        const CliResult result = Run(CliCall{.args = row.args, .workingDirectory = tree});
        EXPECT_EQ(result.out, "") << row.args[row.args.size() - 2];
        EXPECT_EQ(result.err, row.err);
        EXPECT_EQ(result.status, row.status) << row.err;
    }
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

namespace quillmark::testing {
namespace {

// A link that leads nowhere is not a file and gets no line, but a walk says it passed it over,
// after the results before it; the exit status stays as it was.
TEST_F(CliInputsTest, DanglingLinksInAWalkAreNamed) {
    WriteFile(m_tree / "a.txt", "a");
    fs::create_symlink(m_tree / "gone", m_tree / "b-dangling");
    WriteFile(m_tree / "c.txt", "c");
    for (const char* jobs : {"1", "8"}) {
        const CliResult result = Run({"-t", "-j", jobs, TreeInput()});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out,
                  TabularLine("a", Printed("a.txt")) + TabularLine("c", Printed("c.txt")));
        EXPECT_EQ(result.err, "quillmark-cli: '" + Printed("b-dangling") +
                                  "': dangling link, not checksummed\n");
    }
}

}  // namespace
}  // namespace quillmark::testing
