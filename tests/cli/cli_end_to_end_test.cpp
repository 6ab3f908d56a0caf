// cli_end_to_end_test.cpp - quillmark-cli run as a program: its standard output byte for byte,
// its messages and its exit status.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "cli_test_support.h"

namespace quillmark::testing {
namespace {

const std::string kA = "a";
const std::string kFox = "The quick brown fox jumps over the lazy dog";
const std::string kNested = "nested\ncontent\n";

class CliRunTest : public CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        WriteFile(m_tree / "a.txt", kA);
        WriteFile(m_tree / "B.TXT", kFox);
        WriteFile(m_tree / "sub" / "c.txt", kNested);
    }
};

TEST_F(CliRunTest, DescriptiveRunOfADirectory) {
    const CliResult result = Run({TreeInput()});
    EXPECT_EQ(result.out, DescriptiveBlock(kA, Printed("a.txt")) +
                              DescriptiveBlock(kFox, Printed("B.TXT")) +
                              DescriptiveBlock(kNested, Printed("sub/c.txt")));
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 0);
}

TEST_F(CliRunTest, TabularRunOfADirectory) {
    const CliResult result = Run({"-t", TreeInput()});
    EXPECT_EQ(result.out, TabularLine(kA, Printed("a.txt")) + TabularLine(kFox, Printed("B.TXT")) +
                              TabularLine(kNested, Printed("sub/c.txt")));
    EXPECT_EQ(result.status, 0);
}

TEST_F(CliRunTest, LowercaseLowersPathsAndLabels) {
    EXPECT_EQ(Run({"-l", Printed("B.TXT")}).out, Lower(DescriptiveBlock(kFox, Printed("B.TXT"))));
    EXPECT_EQ(Run({"--lowercase", "--tabular", Printed("B.TXT")}).out,
              Lower(TabularLine(kFox, Printed("B.TXT"))));
}

TEST_F(CliRunTest, NoRecursionStaysInTheStartDirectory) {
    const CliResult result = Run({"-t", "-n", TreeInput()});
    EXPECT_EQ(result.out, TabularLine(kA, Printed("a.txt")) + TabularLine(kFox, Printed("B.TXT")));
    EXPECT_EQ(result.status, 0);
}

TEST_F(CliRunTest, DirectoryWildcardsWalkMatchingDirectoriesWhole) {
    WriteFile(m_tree / "notes.txt" / "e.log", "log");
    const std::string input = m_tree.string() + "/*.txt";
    const std::string plain = Run({"-t", input}).out;
    EXPECT_EQ(plain, TabularLine(kA, Printed("a.txt")) + TabularLine(kFox, Printed("B.TXT")));
    EXPECT_EQ(Run({"-t", "-w", input}).out, plain + TabularLine("log", Printed("notes.txt/e.log")));
}

TEST_F(CliRunTest, MultipleInputsRunInTheOrderGiven) {
    const CliResult result = Run({"-t", Printed("sub/c.txt"), Printed("a.txt"), Printed("B.TXT")});
    EXPECT_EQ(result.out, TabularLine(kNested, Printed("sub/c.txt")) +
                              TabularLine(kA, Printed("a.txt")) +
                              TabularLine(kFox, Printed("B.TXT")));
    EXPECT_EQ(result.status, 0);
}

TEST_F(CliTest, SortPrintsLowercasedPathsInByteOrderAsTabularLines) {
    // Walk order is a.txt, sub.txt, Z.txt, then sub/b.txt; by lowercased path '.' sorts before
    // '/', so sub.txt comes before sub/b.txt, and z.txt last.
    WriteFile(m_tree / "Z.txt", "zz");
    WriteFile(m_tree / "a.txt", "aa");
    WriteFile(m_tree / "sub.txt", "ss");
    WriteFile(m_tree / "sub" / "b.txt", "bb");
    const std::string expected =
        Lower(TabularLine("aa", Printed("a.txt")) + TabularLine("ss", Printed("sub.txt")) +
              TabularLine("bb", Printed("sub/b.txt")) + TabularLine("zz", Printed("Z.txt")));

    const CliResult sorted = Run({"-s", TreeInput()});
    EXPECT_EQ(sorted.out, expected) << "sort implies tabular and lowercase keys";
    EXPECT_EQ(sorted.status, 0);
    EXPECT_EQ(Run({"--sort", "--lowercase", TreeInput()}).out, expected);
}

struct ReadModeCase {
    std::vector<std::string> flags;
    std::string crlfChecksummed;  // the bytes whose CRC each file must show
    std::string lfChecksummed;
};

TEST_F(CliTest, ReadModesNormaliseLineEnds) {
    const std::string crlf = "ab\r\ncd\r\n";
    const std::string lf = "ab\ncd\n";
    WriteFile(m_tree / "crlf.txt", crlf);
    WriteFile(m_tree / "lf.txt", lf);
    const std::vector<ReadModeCase> cases = {
        {{}, crlf, lf},
        {{"-a"}, lf, lf},
        {{"-u"}, crlf, crlf},
        {{"--ascii", "--unix-lf"}, crlf, crlf},  // Unix line ends read in binary mode
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.flags));
        std::vector<std::string> args = c.flags;
        args.push_back("-t");
        args.push_back(TreeInput());
        const CliResult result = Run(args);
        EXPECT_EQ(result.out,
                  TabularLine(ReferenceCrc32(c.crlfChecksummed), crlf.size(), Printed("crlf.txt")) +
                      TabularLine(ReferenceCrc32(c.lfChecksummed), lf.size(), Printed("lf.txt")));
        EXPECT_EQ(result.status, 0);
    }
}

TEST_F(CliRunTest, OutputFileIsAppendedWithCrLfAndNeverTruncated) {
    const fs::path output = m_dir / "sums.txt";
    WriteFile(output, "earlier contents\r\n");
    const CliResult first = Run({"-t", "-o", output.string(), Printed("a.txt")});
    const CliResult second = Run({"--tabular", "--output", output.string(), Printed("B.TXT")});
    EXPECT_EQ(first.out, "");
    EXPECT_EQ(second.out, "");
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(second.status, 0);

    std::string a = TabularLine(kA, Printed("a.txt"));
    std::string fox = TabularLine(kFox, Printed("B.TXT"));
    a.insert(a.size() - 1, "\r");
    fox.insert(fox.size() - 1, "\r");
    EXPECT_EQ(ReadFile(output), "earlier contents\r\n" + a + fox);
}

TEST_F(CliRunTest, MissingDirectoryIsReportedAndFails) {
    const std::string missing = m_tree.string() + "/absent/";
    const CliResult result = Run({"-t", missing});
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err,
              "quillmark-cli: Error: Unable to set working dirctory\n"
              "quillmark-cli: Error: Unable to locate the directory: " +
                  missing + "\n");
    EXPECT_EQ(result.status, 1);
}

TEST_F(CliRunTest, MissingFileIsReportedButOtherInputsStillRun) {
    const CliResult result = Run({"-t", Printed("absent.txt"), Printed("a.txt")});
    EXPECT_EQ(result.out, TabularLine(kA, Printed("a.txt")));
    EXPECT_NE(result.err.find("absent.txt"), std::string::npos) << result.err;
    EXPECT_EQ(result.status, 1);
}

TEST_F(CliRunTest, PatternThatMatchesNothingIsNotAnError) {
    const CliResult result = Run({"-t", m_tree.string() + "/*.none"});
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 0);
}

TEST_F(CliTest, UnreadableFileGetsItsErrorLineAndFails) {
    // Kernel attribute files report a size of 4096 but hold a few bytes: the read falls short.
    const std::string attribute = "/sys/class/net/lo/mtu";
    if (!fs::exists(attribute)) GTEST_SKIP() << attribute << " is not available";
    const CliResult result = Run({"-t", attribute});
    EXPECT_EQ(result.out, "Error encountered reading the file " + attribute + "\n");
    EXPECT_EQ(result.status, 1);
}

TEST_F(CliTest, UsageErrorsExitWithTwo) {
    const std::vector<std::vector<std::string>> lines = {
        {}, {"-t"}, {"--no-such-option", "x"}, {"-o"}, {"--progress", "--no-progress", "x"},
    };
    for (const auto& line : lines) {
        SCOPED_TRACE(::testing::PrintToString(line));
        const CliResult result = Run(line);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err, "");
    }
}

TEST_F(CliTest, HelpAndVersion) {
    const CliResult help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--dir-wildcards"), std::string::npos);
    const CliResult version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.out.find(QUILLMARK_VERSION), std::string::npos);
}

// lowercase on, tabular, every other option at its default, a stored input that is ignored.
std::string HandmadeSettings() {
    std::string bytes;
    for (int field : {0, 0, 0, 1, 0, 1, 1}) {
        bytes.push_back(static_cast<char>(field));
        bytes.append(3, '\0');
    }
    bytes += "\x07ignored";
    bytes += '\0';
    bytes += '\x01';
    bytes += std::string("\x01\0\0\0", 4);
    return bytes;
}

TEST_F(CliRunTest, SettingsFileSuppliesTheOptionsAndTheLineOverrides) {
    const fs::path settings = m_dir / "settings.dat";
    WriteFile(settings, HandmadeSettings());
    std::string lowered = Lower(TabularLine(kFox, Printed("B.TXT")));

    const CliResult fromFile = Run({"--settings", settings.string(), Printed("B.TXT")});
    EXPECT_EQ(fromFile.out, lowered);
    EXPECT_EQ(fromFile.status, 0);

    const fs::path output = m_dir / "out.txt";
    const CliResult overridden =
        Run({"--settings", settings.string(), "-o", output.string(), Printed("B.TXT")});
    EXPECT_EQ(overridden.out, "");
    lowered.insert(lowered.size() - 1, "\r");
    EXPECT_EQ(ReadFile(output), lowered);
}

TEST_F(CliRunTest, UnusableSettingsFileIsAUsageError) {
    const std::string truncated = HandmadeSettings().substr(0, 30);
    WriteFile(m_dir / "short.dat", truncated);
    for (const fs::path& settings : {m_dir / "short.dat", m_dir / "absent.dat"}) {
        SCOPED_TRACE(settings.string());
        const CliResult result = Run({"--settings", settings.string(), Printed("a.txt")});
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find(settings.string()), std::string::npos) << result.err;
    }
}

TEST_F(CliRunTest, FailedWriteToStandardOutputEndsWithAMessage) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "/dev/full is not available";
    CliCall call;
    call.args = {"-t", TreeInput()};
    call.stdoutPath = "/dev/full";
    const CliResult result = Run(call);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("standard output"), std::string::npos) << result.err;
}

TEST_F(CliRunTest, RelativeInputsAreTakenFromTheWorkingDirectory) {
    CliCall call;
    call.args = {"-t", "sub/", "a.txt"};
    call.workingDirectory = m_tree.string();
    const CliResult result = Run(call);
    EXPECT_EQ(result.out,
              TabularLine(kNested, Printed("sub/c.txt")) + TabularLine(kA, Printed("a.txt")));
    EXPECT_EQ(result.status, 0);
}

// A large sparse file keeps the run busy long enough to interrupt it part-way.
TEST_F(CliTest, InterruptStopsTheRunCleanlyWithProgressShown) {
    const fs::path big = m_tree / "big.bin";
    WriteFile(big, "start");
    fs::resize_file(big, 64ull << 30);
    CliCall call;
    call.args = {"-t", "--progress", big.string()};
    call.whileRunning = [](pid_t pid) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        ::kill(pid, SIGINT);
    };
    const auto started = std::chrono::steady_clock::now();
    const CliResult result = Run(call);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    EXPECT_EQ(result.status, 130);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(" MB  " + big.string()), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("interrupted"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace quillmark::testing
