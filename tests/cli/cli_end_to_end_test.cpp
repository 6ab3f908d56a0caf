// cli_end_to_end_test.cpp - quillmark-cli run as a program: its standard output byte for byte,
// its messages and its exit status.
#include <signal.h>

#include <array>
#include <chrono>
#include <map>
#include <thread>

#include "settings/settings_file.h"
#include "tests/cli/cli_test_support.h"

namespace quillmark::testing {
namespace {

// a.txt, B.TXT and sub/c.txt; notes.txt is a directory that only directory wildcards enter.
const std::map<std::string, std::string> kTree = {
    {"a.txt", "a"},
    {"B.TXT", "The quick brown fox jumps over the lazy dog"},
    {"notes.txt/e.log", "log"},
    {"sub/c.txt", "nested\ncontent\n"},
};

class CliRunTest : public CliTest {
protected:
    void SetUp() override {
        for (const auto& [name, content] : kTree) WriteFile(m_tree / name, content);
    }
    std::string Tabular(const std::string& name) const {
        return TabularLine(kTree.at(name), Printed(name));
    }
};

struct TabularRow {
    std::vector<std::string> args;  // "{tree}" at the start of an argument stands for the tree
    std::vector<std::string> printed;
};

// Every row runs in the tree, so relative inputs are taken from there.
TEST_F(CliRunTest, TabularRunsPrintTheseFilesInThisOrder) {
    const TabularRow rows[] = {
        {{"-t", "{tree}/"}, {"a.txt", "B.TXT", "notes.txt/e.log", "sub/c.txt"}},
        {{"-t", "-n", "{tree}/"}, {"a.txt", "B.TXT"}},
        {{"--tabular", "{tree}/*.txt"}, {"a.txt", "B.TXT"}},
        {{"-t", "-w", "{tree}/*.txt"}, {"a.txt", "B.TXT", "notes.txt/e.log"}},
        {{"-t", "--dir-wildcards", "{tree}/*.none"}, {}},
        {{"-t", "{tree}/sub/c.txt", "{tree}/a.txt", "{tree}/B.TXT"},
         {"sub/c.txt", "a.txt", "B.TXT"}},
        {{"-t", "sub/", "a.txt"}, {"sub/c.txt", "a.txt"}},
    };
    for (const TabularRow& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.args));
        CliCall call{.args = row.args, .workingDirectory = m_tree.string()};
        for (std::string& arg : call.args) {
            if (arg.starts_with("{tree}")) arg.replace(0, 6, m_tree.string());
        }
        std::string expected;
        for (const std::string& name : row.printed) expected += Tabular(name);
        const CliResult result = Run(call);
        EXPECT_EQ(result.out, expected);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.status, 0);
    }
}

TEST_F(CliRunTest, DescriptiveRunAndLowercase) {
    const CliResult result = Run({TreeInput()});
    std::string expected;
    for (const char* name : {"a.txt", "B.TXT", "notes.txt/e.log", "sub/c.txt"}) {
        expected += DescriptiveBlock(kTree.at(name), Printed(name));
    }
    EXPECT_EQ(result.out, expected);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(Run({"-l", Printed("B.TXT")}).out,
              LowercasedAscii(DescriptiveBlock(kTree.at("B.TXT"), Printed("B.TXT"))));
    EXPECT_EQ(Run({"--lowercase", "--tabular", Printed("B.TXT")}).out,
              LowercasedAscii(Tabular("B.TXT")));
}

TEST_F(CliTest, SortPrintsRealPathsInLowercasedByteOrderAsTabularLines) {
    // Walk order is a.txt, sub.txt, Z.txt, then sub/b.txt; by lowercased path '.' sorts before
    // '/', so sub.txt comes before sub/b.txt, and Z.txt last. Each path keeps its own case, so
    // Report.TXT and report.txt stay two different lines naming two files.
    for (const char* name : {"Z.txt", "a.txt", "sub.txt", "sub/b.txt", "Report.TXT", "report.txt"})
        WriteFile(m_tree / name, name);
    std::string expected;
    for (const char* name :
         {"a.txt", "Report.TXT", "report.txt", "sub.txt", "sub/b.txt", "Z.txt"}) {
        expected += TabularLine(name, Printed(name));
    }
    const CliResult sorted = Run({"-s", TreeInput()});
    EXPECT_EQ(sorted.out, expected) << "sort implies tabular, ordered by lowercased path";
    EXPECT_EQ(sorted.status, 0);
    EXPECT_EQ(Run({"--sort", "--lowercase", TreeInput()}).out, expected);
}

TEST_F(CliTest, ReadModesNormaliseLineEnds) {
    const std::string crlf = "ab\r\ncd\r\n";
    const std::string lf = "ab\ncd\n";
    WriteFile(m_tree / "crlf.txt", crlf);
    WriteFile(m_tree / "lf.txt", lf);
    const std::array<std::string, 3> rows[] = {
        // a read-mode option, then the bytes whose CRC each file must show
        {"--tabular", crlf, lf},  // none: binary, the tabular option given twice
        {"-a", lf, lf},
        {"-u", crlf, crlf},
    };
    for (const auto& [option, crlfChecksummed, lfChecksummed] : rows) {
        SCOPED_TRACE(option);
        const CliResult result = Run({option, "-t", TreeInput()});
        EXPECT_EQ(result.out,
                  TabularLine(ReferenceCrc(crlfChecksummed), crlf.size(), Printed("crlf.txt")) +
                      TabularLine(ReferenceCrc(lfChecksummed), lf.size(), Printed("lf.txt")));
        EXPECT_EQ(result.status, 0);
    }
}

TEST_F(CliRunTest, OutputFileIsAppendedWithCrLfAndNeverTruncated) {
    const fs::path output = m_dir / "sums.txt";
    WriteFile(output, "earlier contents\r\n");
    const CliResult first = Run({"-t", "-o", output.string(), Printed("a.txt")});
    const CliResult second = Run({"--tabular", "--output", output.string(), Printed("B.TXT")});
    EXPECT_EQ(first.out + second.out, "");
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(ReadFile(output), "earlier contents\r\n" + CrLf(Tabular("a.txt") + Tabular("B.TXT")));
}

TEST_F(CliRunTest, MissingDirectoryIsReportedAndFails) {
    const std::string missing = m_tree.string() + "/absent/";
    const CliResult result = Run({"-t", missing});
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err,
              "quillmark-cli: Error: Unable to set working dirctory\n"
              "quillmark-cli: Error: Unable to locate the directory: " +
                  missing + "\nquillmark-cli: '" + missing + "': No such file or directory\n");
    EXPECT_EQ(result.status, 1);
}

TEST_F(CliRunTest, MissingFileIsReportedButOtherInputsStillRun) {
    const CliResult result = Run({"-t", Printed("absent.txt"), Printed("a.txt")});
    EXPECT_EQ(result.out, Tabular("a.txt"));
    EXPECT_NE(result.err.find("absent.txt"), std::string::npos) << result.err;
    EXPECT_EQ(result.status, 1);
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
        {},     {"-t"},         {"--no-such-option", "x"}, {"--progress", "--no-progress", "x"},
        {"-o"}, {"--settings"},
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
    EXPECT_NE(help.out.find("--unix-lf"), std::string::npos);
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
    return bytes + "\x07ignored" + std::string("\0\x01\x01\0\0\0", 6);
}

TEST_F(CliRunTest, SettingsFileSuppliesTheOptionsAndTheLineOverrides) {
    const fs::path settings = m_dir / "settings.dat";
    WriteFile(settings, HandmadeSettings());
    const CliResult fromFile = Run({"--settings", settings.string(), Printed("B.TXT")});
    EXPECT_EQ(fromFile.out, LowercasedAscii(Tabular("B.TXT")));
    EXPECT_EQ(fromFile.status, 0);

    const fs::path output = m_dir / "out.txt";
    const CliResult overridden =
        Run({"--settings", settings.string(), "-o", output.string(), Printed("B.TXT")});
    EXPECT_EQ(overridden.out, "");
    EXPECT_EQ(ReadFile(output), CrLf(LowercasedAscii(Tabular("B.TXT"))));
}

TEST_F(CliRunTest, TildeInTheSettingsOutputFileIsTheHomeDirectory) {
    CCRCSettings record;
    record.ResetDefaults();
    record.m_nOutputDest = 0;
    record.m_nOutputStyle = 1;
    record.m_strOutput = "~/sums.txt";
    record.UpdateFlags();
    const fs::path settings = m_dir / "settings.dat";
    WriteFile(settings, EncodeSettings(record));
    CliResult result;
    {
        HomeScope home(m_dir.string());
        result = Run({"--settings", settings.string(), Printed("B.TXT")});
    }
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(ReadFile(m_dir / "sums.txt"), CrLf(Tabular("B.TXT")));
    // The settings file is read, never written back.
    EXPECT_EQ(ReadFile(settings), EncodeSettings(record));
}

TEST_F(CliRunTest, UnusableSettingsFileIsAUsageError) {
    WriteFile(m_dir / "short.dat", HandmadeSettings().substr(0, 30));
    // Long enough to decode, but its fields hold values no settings file has.
    WriteFile(m_dir / "text.dat", "root:x:0:0:root:/root:/bin/bash\nbin:x:2:2:bin:/bin:/bin/sh\n");
    for (const fs::path& settings :
         {m_dir / "short.dat", m_dir / "absent.dat", m_dir / "text.dat"}) {
        SCOPED_TRACE(settings.string());
        const CliResult result = Run({"--settings", settings.string(), Printed("a.txt")});
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find(settings.string()), std::string::npos) << result.err;
    }
}

TEST_F(CliRunTest, FailedWriteToStandardOutputEndsWithAMessage) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "/dev/full is not available";
    const CliResult result = Run(CliCall{.args = {"-t", TreeInput()}, .stdoutPath = "/dev/full"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "quillmark-cli: error writing standard output: No space left on device\n");
}

// A file size limit stops the run like a full disk, never by its signal in the middle of a line:
// the output file or the redirected standard output ends on the last whole result.
TEST_F(CliTest, SizeLimitKeepsWholeResultsAndEndsTheRunWithItsMessage) {
    for (int i = 0; i < 300; ++i) WriteFile(m_tree / ("file-" + std::to_string(i)), "x");
    const CliResult tabular = Run({"-t", TreeInput()});
    const CliResult sfv = Run({"--sfv", TreeInput()});
    ASSERT_EQ(tabular.status + sfv.status, 0) << tabular.err << sfv.err;
    const fs::path outFile = m_dir / "out.txt";
    const fs::path redirected = m_dir / "redirected.txt";
    const std::string failedFile =
        "quillmark-cli: Error: Unable to write to output file.\nAborting processing.\n";
    struct Row {
        CliCall call;
        fs::path written;
        std::string whole;  // what an unlimited run writes there
        std::string err;
    };
    const Row rows[] = {
        {CliCall{.args = {"-t", "-o", outFile.string(), TreeInput()}}, outFile, CrLf(tabular.out),
         failedFile},
        {CliCall{.args = {"-t", TreeInput()}, .stdoutPath = redirected.string()}, redirected,
         tabular.out, "quillmark-cli: error writing standard output: File too large\n"},
        // Said once, though the SFV file is the command's own.
        {CliCall{.args = {"--sfv", "-o", outFile.string(), TreeInput()}}, outFile, CrLf(sfv.out),
         failedFile},
    };
    for (const Row& row : rows) {
        fs::remove(row.written);
        CliResult result;
        {
            FileSizeLimit limit(5000, true);
            ASSERT_TRUE(limit.Active());
            result = Run(row.call);
        }
        EXPECT_EQ(result.status, 1) << row.err;
        EXPECT_EQ(result.err, row.err);
        const std::string written = ReadFile(row.written);
        EXPECT_GT(written.size(), 4000u) << row.err;
        ASSERT_LE(written.size(), row.whole.size());
        EXPECT_EQ(written, row.whole.substr(0, written.size())) << row.err;
        EXPECT_TRUE(written.ends_with('\n')) << row.err;
    }
}

// A large sparse file keeps the run busy long enough to interrupt it part-way.
TEST_F(CliTest, InterruptStopsTheRunCleanlyWithProgressShown) {
    const fs::path big = m_tree / "big.bin";
    WriteFile(big, "start");
    fs::resize_file(big, 64ull << 30);
    CliCall call;
    call.args = {"-t", "--progress", big.string()};
    // Interrupted once its progress line shows that it is inside the file.
    call.whileRunning = [this](pid_t pid) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (ReadFile(m_dir / "stderr").find(" MB/s  ") == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ::kill(pid, SIGINT);
    };
    const auto started = std::chrono::steady_clock::now();
    const CliResult result = Run(call);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    EXPECT_EQ(result.status, 130);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(" MB/s  " + big.string()), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("interrupted"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace quillmark::testing

namespace quillmark::testing {
namespace {

// With few descriptors free the reads in flight and the directories they hold shrink to fit, and
// a read that finds none free waits for one: every file is read, as one at a time reads them.
TEST_F(CliTest, FewDescriptorsLoseNoFile) {
    for (int d = 0; d < 60; ++d) {
        for (int f = 0; f < 15; ++f) {
            WriteFile(m_tree / ("d" + std::to_string(d)) / ("f" + std::to_string(f)),
                      std::string(static_cast<std::size_t>(d * 100 + f), 'x'));
        }
    }
    const CliResult one = Run({"-t", "-j", "1", TreeInput()});
    ASSERT_EQ(one.status, 0) << one.err;
    for (const char* jobs : {"16", "256"}) {
        CliCall call;
        call.descriptorLimit = 24;
        call.args = {"-t", "-j", jobs, TreeInput()};
        const CliResult few = Run(call);
        EXPECT_EQ(few.status, 0) << jobs << few.err;
        EXPECT_EQ(few.err, "") << jobs;
        EXPECT_EQ(few.out, one.out) << jobs;
    }
}

}  // namespace
}  // namespace quillmark::testing
