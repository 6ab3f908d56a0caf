// check_command_test.cpp - quillmark-cli --check from outside: listings made by the program in
// every style checked back, damage found, SFV both ways, and the options that shape a check.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <thread>

#include "processing/name_escaping.h"
#include "tests/cli/cli_test_support.h"

namespace quillmark::testing {
namespace {

// Mixed case and a nested directory, so lowercased and sorted listings differ from the names.
const std::map<std::string, std::string> kListedTree = {
    {"a.txt", "alpha\r\nbeta\n"},
    {"Docs/Read Me.TXT", "The quick brown fox jumps over the lazy dog"},
    {"Docs/deep/zero", ""},
    {"bin.dat", std::string("\x00\x1a\r\n\xff", 5)},
};

class CheckTest : public CliTest {
protected:
    void SetUp() override {
        for (const auto& [name, content] : kListedTree) WriteFile(m_tree / name, content);
    }

    // The run's output as a listing file, made with the given options from inside m_dir.
    std::string MakeListing(std::vector<std::string> options, const std::string& name = "list") {
        const std::string listing = (m_dir / name).string();
        CliCall call{
            .args = std::move(options), .workingDirectory = m_dir.string(), .stdoutPath = listing};
        call.args.push_back("tree/");
        const CliResult made = Run(call);
        EXPECT_EQ(made.status, 0) << made.err;
        return listing;
    }

    CliResult Check(std::vector<std::string> args) const {
        args.insert(args.begin(), "--check");
        return Run(CliCall{.args = std::move(args), .workingDirectory = m_dir.string()});
    }

    // Root reads everything, so unreadable files are tested with the program run as nobody.
    void OpenToOtherUsers() const {
        for (const auto& entry : fs::recursive_directory_iterator(m_dir)) {
            fs::permissions(entry.path(), entry.is_directory() ? fs::perms(0755) : fs::perms(0644));
        }
        fs::permissions(m_dir, fs::perms(0755));
    }
    int RunAsNobody(const std::string& argumentsAndRedirections) const {
        const std::string command = "cd '" + m_dir.string() +
                                    "' && setpriv --reuid=65534 --regid=65534 --clear-groups " +
                                    QUILLMARK_CLI_PATH + " " + argumentsAndRedirections;
        return std::system(command.c_str());
    }

    static std::string Outcomes(const std::vector<std::pair<std::string, std::string>>& lines) {
        std::string text;
        for (const auto& [path, outcome] : lines) text += path + ": " + outcome + "\n";
        return text;
    }

    // A run given "tree/" prints full paths, so checking its listing does too.
    std::string AllOk() const {
        std::vector<std::pair<std::string, std::string>> lines;
        for (const auto& entry : kListedTree) lines.emplace_back(Printed(entry.first), "OK");
        return Outcomes(lines);
    }
};

std::vector<std::string> SortedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

struct RoundTripRow {
    const char* name;
    std::vector<std::string> listOptions;
    std::vector<std::string> checkOptions;
    bool twice = false;  // a second run appended to the same output file
};

TEST_F(CheckTest, ListingsInEveryStyleCheckBackAllOk) {
    const RoundTripRow rows[] = {
        {"descriptive", {}, {}},
        {"tabular", {"-t"}, {}},
        {"sorted", {"-s"}, {}},
        {"lowercase descriptive", {"-l"}, {}},
        {"lowercase tabular", {"-l", "-t"}, {}},
        {"ascii", {"-a", "-t"}, {"-a"}},
        {"unix lf", {"-u"}, {"-u"}},
        {"sfv", {"--sfv"}, {}},
        {"descriptive ascii", {"-a"}, {"-a"}},
        {"tabular unix lf", {"-u", "-t"}, {"-u"}},
        {"lowercase ascii", {"-l", "-a"}, {"-a"}},
        {"sorted unix lf", {"-s", "-u"}, {"-u"}},
        {"sfv ascii, the header names the mode", {"--sfv", "-a"}, {}},
        {"sfv unix lf, the header names the mode", {"--sfv", "-u"}, {}},
        {"sfv ascii checked with -a", {"--sfv", "-a"}, {"-a"}},
        {"sfv unix lf, several runs appended", {"--sfv", "-u", "-o", "out"}, {}, true},
        {"output file, two runs appended", {"-o", "out"}, {}, true},
    };
    for (const RoundTripRow& row : rows) {
        SCOPED_TRACE(row.name);
        std::string listing = MakeListing(row.listOptions);
        if (std::find(row.listOptions.begin(), row.listOptions.end(), "-o") !=
            row.listOptions.end()) {
            if (row.twice) MakeListing(row.listOptions);
            listing = (m_dir / "out").string();
            ASSERT_NE(ReadFile(listing).find("\r\n"), std::string::npos);
        }
        std::vector<std::string> args = row.checkOptions;
        args.push_back(listing);
        const CliResult result = Check(args);
        EXPECT_EQ(result.status, 0) << result.err;
        const std::string expected = row.twice ? AllOk() + AllOk() : AllOk();
        // Sorted listings and SFV from a sorted run come in key order, not walk order.
        EXPECT_EQ(SortedLines(result.out), SortedLines(expected)) << result.out;
        const std::string count =
            std::to_string(row.twice ? 2 * kListedTree.size() : kListedTree.size());
        EXPECT_EQ(result.err, "quillmark-cli: All " + count + " files are OK.\n");
        fs::remove(m_dir / "out");
    }
}

TEST_F(CheckTest, OutcomesFollowListingOrder) {
    const std::string listing = MakeListing({"-t"});
    const CliResult result = Check({listing});
    std::string expected;
    for (const char* line : {"a.txt", "bin.dat", "Docs/Read Me.TXT", "Docs/deep/zero"}) {
        expected += Printed(line) + ": OK\n";
    }
    EXPECT_EQ(result.out, expected);
}

struct DamageRow {
    const char* name;
    std::function<void(const fs::path& tree)> damage;
    std::string path;
    std::string outcome;
    std::string reason = "";  // told on stderr after an UNREADABLE outcome
};

TEST_F(CheckTest, DamageIsFoundAndNamed) {
    const DamageRow rows[] = {
        {"byte changed, same size",
         [](const fs::path& tree) { WriteFile(tree / "a.txt", "alphA\r\nbeta\n"); }, "a.txt",
         "FAILED"},
        {"truncated", [](const fs::path& tree) { fs::resize_file(tree / "bin.dat", 2); }, "bin.dat",
         "FAILED"},
        {"grown", [](const fs::path& tree) { WriteFile(tree / "Docs/deep/zero", "0"); },
         "Docs/deep/zero", "FAILED"},
        {"deleted", [](const fs::path& tree) { fs::remove(tree / "a.txt"); }, "a.txt", "MISSING"},
        {"replaced by a directory",
         [](const fs::path& tree) {
             fs::remove(tree / "bin.dat");
             fs::create_directory(tree / "bin.dat");
         },
         "bin.dat", "UNREADABLE", "not a regular file"},
    };
    for (const char* style : {"-t", "--sfv"}) {
        for (const DamageRow& row : rows) {
            SCOPED_TRACE(std::string(style) + " " + row.name);
            const std::string listing = MakeListing({style});
            row.damage(m_tree);
            const CliResult result = Check({"--quiet", listing});
            EXPECT_EQ(result.out, Printed(row.path) + ": " + row.outcome + "\n");
            EXPECT_EQ(result.status, 1);
            const std::string reason = row.reason.empty() ? ""
                                                          : "quillmark-cli: " + Printed(row.path) +
                                                                ": " + row.reason + "\n";
            const std::string verb = row.outcome == "FAILED" ? "" : "is ";
            EXPECT_EQ(result.err, reason + "quillmark-cli: 1 file " + verb + row.outcome +
                                      ", 3 files are OK.\n");
            fs::remove_all(m_tree);
            SetUp();
        }
    }
}

TEST_F(CheckTest, RenamedDirectoryMakesItsFilesMissing) {
    const std::string listing = MakeListing({"-t"});
    fs::rename(m_tree / "Docs", m_tree / "Papers");
    const CliResult result = Check({"--quiet", listing});
    EXPECT_EQ(result.out, Outcomes({{Printed("Docs/Read Me.TXT"), "MISSING"},
                                    {Printed("Docs/deep/zero"), "MISSING"}}));
    EXPECT_EQ(result.status, 1);
}

TEST_F(CheckTest, FileOtherUsersCannotReadIsUnreadable) {
    if (::access("/usr/bin/setpriv", X_OK) != 0 || ::geteuid() != 0) {
        GTEST_SKIP() << "needs root and setpriv to check as another user";
    }
    MakeListing({"-t"});
    OpenToOtherUsers();
    fs::permissions(m_tree / "bin.dat", fs::perms::none);
    const int status = RunAsNobody("--check --quiet list >check.out 2>check.err");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ReadFile(m_dir / "check.out"), Printed("bin.dat") + ": UNREADABLE\n");
    EXPECT_EQ(ReadFile(m_dir / "check.err"),
              "quillmark-cli: " + Printed("bin.dat") +
                  ": Permission denied\nquillmark-cli: 1 file is UNREADABLE, 3 files are OK.\n");
}

TEST_F(CheckTest, ReadErrorEntryIsNotRecorded) {
    WriteFile(m_dir / "list", "Error encountered reading the file tree/a.txt\r\n" +
                                  TabularLine(kListedTree.at("bin.dat"), "tree/bin.dat"));
    const CliResult result = Check({"list"});
    EXPECT_EQ(result.out, Outcomes({{"tree/a.txt", "NOT RECORDED"}, {"tree/bin.dat", "OK"}}));
    EXPECT_EQ(result.err, "quillmark-cli: 1 file is NOT RECORDED, 1 file is OK.\n");
    EXPECT_EQ(result.status, 1);
}

TEST_F(CheckTest, MalformedLinesAreNamedCountedAndFailTheCheck) {
    WriteFile(m_dir / "list", TabularLine(kListedTree.at("a.txt"), "tree/a.txt") + "garbage\n" +
                                  "Filename: tree/bin.dat\nCRC 32: 00000000\n");
    const CliResult result = Check({"list"});
    EXPECT_EQ(result.out, "tree/a.txt: OK\n");
    EXPECT_EQ(result.err,
              "quillmark-cli: list:2: not a listing entry\n"
              "quillmark-cli: list:3: not a listing entry\n"
              "quillmark-cli: list:4: not a listing entry\n"
              "quillmark-cli: 3 lines are malformed, 1 file is OK.\n");
    EXPECT_EQ(result.status, 1);
}

TEST_F(CheckTest, ListingsThatCannotBeCheckedAreUsageErrors) {
    WriteFile(m_dir / "empty", "");
    WriteFile(m_dir / "comments", "; only a comment\n\n");
    WriteFile(m_dir / "junk", "not a listing\n");
    const std::pair<std::string, std::string> rows[] = {
        {"empty", "quillmark-cli: empty: no listing entry found\n"},
        {"comments", "quillmark-cli: comments: no listing entry found\n"},
        {"junk",
         "quillmark-cli: junk:1: not a listing entry\n"
         "quillmark-cli: junk: no listing entry found\n"},
        {"absent", "quillmark-cli: cannot read absent: No such file or directory\n"},
        {"tree", "quillmark-cli: cannot read tree: Is a directory\n"},
    };
    for (const auto& [listing, message] : rows) {
        SCOPED_TRACE(listing);
        const CliResult result = Check({listing});
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err.substr(0, message.size()), message);
    }
    EXPECT_EQ(Check({"--rebase", "nothing", "list"}).status, 2);
    EXPECT_EQ(Run({"--quiet", "tree/"}).status, 2);
    EXPECT_EQ(Run({"--sfv", "--check", "list"}).status, 2);
}

TEST_F(CheckTest, SfvWrittenByHandIsRelativeToItsOwnDirectory) {
    char crc[16];
    std::snprintf(crc, sizeof crc, "%08X", ReferenceCrc(kListedTree.at("a.txt")));
    char lowerCrc[16];
    std::snprintf(lowerCrc, sizeof lowerCrc, "%08x",
                  ReferenceCrc(kListedTree.at("Docs/Read Me.TXT")));
    WriteFile(m_tree / "check.sfv",
              std::string("; by hand\r\n./a.txt ") + crc + "\r\nDocs/Read Me.TXT " + lowerCrc +
                  "\r\nDocs/deep/zero 00000001\r\n" + m_tree.string() + "/bin.dat " + crc + "\r\n");
    const CliResult result = Check({"tree/check.sfv"});
    EXPECT_EQ(result.out, Outcomes({{"tree/a.txt", "OK"},
                                    {"tree/Docs/Read Me.TXT", "OK"},
                                    {"tree/Docs/deep/zero", "FAILED"},
                                    {m_tree.string() + "/bin.dat", "FAILED"}}));
    EXPECT_EQ(result.status, 1);
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n') + 1); }

TEST_F(CheckTest, SfvOptionWritesWhatSfvCheckersAccept) {
    // -l and -t change nothing in SFV.
    const std::string listing = MakeListing({"--sfv", "-l", "-t"}, "tree.sfv");
    std::string expected = "; Quillmark " QUILLMARK_VERSION "\n";
    for (const char* name : {"a.txt", "bin.dat", "Docs/Read Me.TXT", "Docs/deep/zero"}) {
        char crc[16];
        std::snprintf(crc, sizeof crc, " %08X\n", ReferenceCrc(kListedTree.at(name)));
        expected += Printed(name) + crc;
    }
    EXPECT_EQ(ReadFile(listing), expected);
    EXPECT_EQ(FirstLine(ReadFile(MakeListing({"--sfv", "-a"}, "text.sfv"))),
              "; Quillmark " QUILLMARK_VERSION ", ASCII mode\n");
    EXPECT_EQ(FirstLine(ReadFile(MakeListing({"--sfv", "-u"}, "unix.sfv"))),
              "; Quillmark " QUILLMARK_VERSION ", Unix LF mode\n");

    // The peers read it as their users would; a damaged file makes them fail.
    for (const bool damaged : {false, true}) {
        if (damaged) WriteFile(m_tree / "a.txt", "alphA\r\nbeta\n");
        for (const char* peer : {"rhash -c tree.sfv", "cksfv -q -f tree.sfv"}) {
            SCOPED_TRACE(std::string(peer) + (damaged ? " damaged" : ""));
            const std::string command =
                "cd '" + m_dir.string() + "' && " + peer + " >/dev/null 2>&1";
            const int status = std::system(command.c_str());
            EXPECT_EQ(status != 0, damaged);
        }
    }
}

TEST_F(CheckTest, SfvOptionLeavesOutWhatSfvCannotHoldAndChecksBackTheRest) {
    const std::pair<std::string, std::string> leftOut[] = {
        {"line\nbreak", "its name holds a line break"},
        {"trails ", "its name ends in a space"},
    };
    for (const auto& [name, reason] : leftOut) WriteFile(m_tree / name, "x");
    // Spaces inside a name and before it are read back as they are.
    WriteFile(m_tree / "two  spaces", "y");
    WriteFile(m_tree / " leading", "z");
    const CliResult appended = Run(
        CliCall{.args = {"--sfv", "-o", "out.sfv", "tree/"}, .workingDirectory = m_dir.string()});
    const std::string written = ReadFile(m_dir / "out.sfv");
    char crc[16];
    std::snprintf(crc, sizeof crc, " %08X\r\n", ReferenceCrc(kListedTree.at("a.txt")));
    EXPECT_EQ(FirstLine(written), "; Quillmark " QUILLMARK_VERSION "\r\n");
    EXPECT_NE(written.find(Printed("a.txt") + crc), std::string::npos) << written;
    EXPECT_EQ(written.find("break"), std::string::npos);
    EXPECT_EQ(written.find("trails"), std::string::npos);
    for (const auto& [name, reason] : leftOut) {
        EXPECT_NE(appended.err.find("left out of the SFV listing: " +
                                    EscapeForDisplay(Printed(name)) + ": " + reason + "\n"),
                  std::string::npos)
            << appended.err;
    }
    const CliResult checked = Check({"out.sfv"});
    EXPECT_EQ(checked.err, "quillmark-cli: All 6 files are OK.\n");
    EXPECT_EQ(checked.status, 0);
}

TEST_F(CheckTest, SfvOptionLeavesOutFilesItCouldNotRead) {
    if (::access("/usr/bin/setpriv", X_OK) != 0 || ::geteuid() != 0) {
        GTEST_SKIP() << "needs root and setpriv to list as another user";
    }
    OpenToOtherUsers();
    fs::permissions(m_tree / "bin.dat", fs::perms::none);
    const int status = RunAsNobody("--sfv tree/ >out.sfv 2>err");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ReadFile(m_dir / "out.sfv").find("bin.dat"), std::string::npos);
    // The run names the unreadable file and its reason, then the SFV says what it left out.
    EXPECT_EQ(ReadFile(m_dir / "err"),
              "quillmark-cli: " + Printed("bin.dat") + ": Permission denied\n" +
                  "quillmark-cli: left out of the SFV listing: " + Printed("bin.dat") +
                  ": no CRC, the file could not be read\n");
}

TEST_F(CheckTest, RebaseMovesWholeLeadingComponents) {
    const std::string listing = MakeListing({"-t"});
    const fs::path copy = m_dir / "copy";
    fs::rename(m_tree, copy);
    // Shares the text of the old prefix but not its last component: not moved.
    const fs::path lookalike = m_dir / "treehouse";
    fs::create_directory(lookalike);
    WriteFile(lookalike / "x", "x");
    WriteFile(m_dir / "list", ReadFile(listing) + TabularLine("x", (lookalike / "x").string()));

    // Several rules: the first that matches applies, and none swallows the listing's name.
    const CliResult result = Check(
        {"--rebase", "/nowhere=/x", "--rebase", m_tree.string() + "=" + copy.string(), "list"});
    std::string expected;
    for (const auto& [name, content] : kListedTree) expected += (copy / name).string() + ": OK\n";
    expected += (lookalike / "x").string() + ": OK\n";
    EXPECT_EQ(SortedLines(result.out), SortedLines(expected));
    // Every file was found, but the rule that moved nothing is a check not made.
    EXPECT_EQ(result.err,
              "quillmark-cli: --rebase '/nowhere' matched no entry\nquillmark-cli: All 5 files are "
              "OK.\n");
    EXPECT_EQ(result.status, 1);

    // A trailing slash on either side changes nothing.
    const CliResult slashes =
        Check({"--rebase", m_tree.string() + "/=" + copy.string() + "/", "--quiet", "list"});
    EXPECT_EQ(slashes.out, "");
    EXPECT_EQ(slashes.status, 0);
}

TEST_F(CheckTest, LowercasedListingFindsMixedCaseNames) {
    // The run prints full paths, so even the temporary directory's name loses its capitals.
    const std::string listing = (m_dir / "list").string();
    const CliResult made = Run(CliCall{
        .args = {"-l", "-t", "."}, .workingDirectory = m_tree.string(), .stdoutPath = listing});
    ASSERT_EQ(made.status, 0);
    ASSERT_EQ(ReadFile(listing).find('D'), std::string::npos);
    const CliResult result =
        Run(CliCall{.args = {"-c", listing}, .workingDirectory = m_tree.string()});
    EXPECT_EQ(SortedLines(result.out), SortedLines(AllOk()));
    EXPECT_EQ(result.status, 0);

    // Two names that differ only in case: reported, never guessed.
    fs::create_directory(m_tree / "DOCS");
    WriteFile(m_tree / "DOCS/read me.txt", "other");
    const CliResult twice =
        Run(CliCall{.args = {"-c", "--quiet", listing}, .workingDirectory = m_tree.string()});
    // The directory that matches twice is named as the listing spells it.
    EXPECT_EQ(SortedLines(twice.out),
              SortedLines(LowercasedAscii(Printed("docs/read me.txt")) + ": FAILED\n" +
                          LowercasedAscii(Printed("docs/deep/zero")) + ": FAILED\n"));
    EXPECT_NE(twice.err.find(LowercasedAscii(Printed("docs/read me.txt")) +
                             ": several files match this name in letter case"),
              std::string::npos);
    EXPECT_EQ(twice.status, 1);

    // A name with a capital is taken as written, so a case-only difference is missing there.
    WriteFile(m_dir / "caps", TabularLine("", "tree/Docs/DEEP/zero"));
    EXPECT_EQ(Check({"caps"}).out, "tree/Docs/DEEP/zero: MISSING\n");
}

TEST_F(CheckTest, IgnoreMissingLeavesThemOutButNotEverything) {
    const std::string listing = MakeListing({"-t"});
    fs::remove(m_tree / "a.txt");
    const CliResult some = Check({"--ignore-missing", listing});
    EXPECT_EQ(some.out.find("a.txt"), std::string::npos);
    EXPECT_EQ(some.err, "quillmark-cli: All 3 files are OK.\n");
    EXPECT_EQ(some.status, 0);

    fs::remove_all(m_tree);
    const CliResult none = Check({"--ignore-missing", listing});
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "quillmark-cli: No file was checked.\n");
    EXPECT_EQ(none.status, 1);
}

TEST_F(CheckTest, NewFilesBesideListedOnesAreReportedSorted) {
    // Inside a listed directory, yet never reported: neither is the output file.
    fs::rename(MakeListing({"-t"}), m_tree / "list");
    WriteFile(m_tree / "z new", "z");
    WriteFile(m_tree / "B new", "b");
    WriteFile(m_tree / "Docs/deep/later", "l");
    fs::create_directory(m_tree / "fresh");
    WriteFile(m_tree / "fresh/unlisted-directory", "u");
    const CliResult result =
        Check({"--new", "--quiet", "-o", (m_tree / "report").string(), "tree/list"});
    EXPECT_EQ(result.out, "");
    // In byte order of the paths: a subdirectory's files between its parent's.
    EXPECT_EQ(ReadFile(m_tree / "report"), CrLf(Outcomes({{Printed("B new"), "NEW"},
                                                          {Printed("Docs/deep/later"), "NEW"},
                                                          {Printed("z new"), "NEW"}})));
    EXPECT_EQ(result.err, "quillmark-cli: 3 files are NEW, 4 files are OK.\n");
    EXPECT_EQ(result.status, 1);
}

TEST_F(CheckTest, NameWithLineBreakIsEscapedInItsOutcome) {
    WriteFile(m_tree / "two\nlines", "x");
    WriteFile(m_dir / "list", "\\" + TabularLine("x", "tree/two\\nlines"));
    const CliResult result = Check({"list"});
    EXPECT_EQ(result.out, "\\tree/two\\nlines: OK\n");
    EXPECT_EQ(result.status, 0);
}

TEST_F(CheckTest, PathsPastTheSystemLimitAreChecked) {
    // Built a directory at a time: no single call could take the whole path.
    std::string relative = "tree";
    int directory = ::open(m_tree.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(directory, 0);
    const std::string component(200, 'd');
    for (int depth = 0; depth < 25; ++depth) {
        ASSERT_EQ(::mkdirat(directory, component.c_str(), 0755), 0);
        const int next = ::openat(directory, component.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(directory);
        directory = next;
        ASSERT_GE(directory, 0);
        relative += "/" + component;
    }
    const int file = ::openat(directory, "deep.txt", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(file, "deep", 4), 4);
    ::close(file);
    ::close(directory);
    relative += "/deep.txt";
    ASSERT_GT(relative.size(), 4096u);

    WriteFile(m_dir / "list", TabularLine("deep", relative) + TabularLine("deeP", relative));
    const CliResult result = Check({"list"});
    EXPECT_EQ(result.out, relative + ": OK\n" + relative + ": FAILED\n");
    EXPECT_EQ(result.status, 1);
}

TEST_F(CheckTest, InterruptKeepsWhatWasPrintedAndSaysSo) {
    // Sparse: reading it takes long, storing it takes nothing.
    const fs::path big = m_tree / "big.bin";
    WriteFile(big, "");
    fs::resize_file(big, 64ull << 30);
    WriteFile(m_dir / "list", TabularLine(kListedTree.at("a.txt"), "tree/a.txt") +
                                  TabularLine(0, 64ull << 30, "tree/big.bin"));
    CliCall call{.args = {"--check", "list"}, .workingDirectory = m_dir.string()};
    call.whileRunning = [](pid_t pid) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        ::kill(pid, SIGINT);
    };
    const CliResult result = Run(call);
    EXPECT_EQ(result.status, 130);
    EXPECT_EQ(result.out, "tree/a.txt: OK\n");
    EXPECT_EQ(result.err, "quillmark-cli: The file is OK.\nquillmark-cli: interrupted\n");
}

}  // namespace
}  // namespace quillmark::testing

namespace quillmark::testing {
namespace {

TEST_F(CheckTest, OptionsOfARunAreUsageErrorsWithCheck) {
    const std::string listing = MakeListing({"-t"});
    for (const char* option : {"-s", "-t", "-l", "-n", "-w", "--sort", "--tabular"}) {
        SCOPED_TRACE(option);
        const CliResult result = Check({option, "list"});
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find("--check"), std::string::npos) << result.err;
    }
}

TEST_F(CheckTest, ACheckNeverReadsWhatItWrites) {
    const std::string listing = MakeListing({"-t"});
    const std::string before = ReadFile(listing);
    fs::create_symlink(listing, m_dir / "alias");
    const int fd = ::open(listing.c_str(), O_RDONLY | O_CLOEXEC);
    struct Row {
        const char* name;
        CliCall call;
    };
    const Row rows[] = {
        {"-o names it", {.args = {"--check", "list", "-o", "list"}}},
        {"-o names it through a link", {.args = {"--check", "list", "-o", "alias"}}},
        {"-o names the second of two", {.args = {"--check", "list", "alias", "--output=list"}}},
        {"standard output appended to it",
         {.args = {"--check", "list"}, .stdoutPath = listing, .appendStdout = true}},
        {"read from standard input, written to it",
         {.args = {"--check", "-"}, .stdoutPath = listing, .stdinFd = fd, .appendStdout = true}},
    };
    for (Row row : rows) {
        SCOPED_TRACE(row.name);
        row.call.workingDirectory = m_dir.string();
        const CliResult result = Run(row.call);
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find("a check never reads what it writes"), std::string::npos)
            << result.err;
        EXPECT_EQ(ReadFile(listing), before);
    }
    ::close(fd);
    // Another file for the outcomes is fine.
    EXPECT_EQ(Check({"list", "-o", "outcomes"}).status, 0);
}

TEST_F(CheckTest, ListingOnStandardInputIsRelativeToTheWorkingDirectory) {
    const std::string listing = MakeListing({"--sfv"});
    const int fd = ::open(listing.c_str(), O_RDONLY | O_CLOEXEC);
    const CliResult result =
        Run(CliCall{.args = {"--check", "-"}, .workingDirectory = m_dir.string(), .stdinFd = fd});
    ::close(fd);
    EXPECT_EQ(SortedLines(result.out), SortedLines(AllOk())) << result.err;
    EXPECT_EQ(result.err, "quillmark-cli: All 4 files are OK.\n");
    EXPECT_EQ(result.status, 0);
}

TEST_F(CheckTest, InterruptEndsACheckReadingAPipeThatNeverEnds) {
    int pipeEnds[2];
    ASSERT_EQ(::pipe2(pipeEnds, O_CLOEXEC), 0);
    const std::string entry = TabularLine(kListedTree.at("a.txt"), "tree/a.txt");
    ASSERT_EQ(::write(pipeEnds[1], entry.data(), entry.size()), static_cast<ssize_t>(entry.size()));
    CliCall call{
        .args = {"--check", "-"}, .workingDirectory = m_dir.string(), .stdinFd = pipeEnds[0]};
    call.whileRunning = [](pid_t pid) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        ::kill(pid, SIGINT);
    };
    // The writing end stays open: the listing has no end but the interrupt.
    const CliResult result = Run(call);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    EXPECT_EQ(result.status, 130);
    EXPECT_EQ(result.out, "tree/a.txt: OK\n");
    EXPECT_EQ(result.err, "quillmark-cli: The file is OK.\nquillmark-cli: interrupted\n");
}

TEST_F(CheckTest, FileThatIsNotTextIsRefusedAtOnce) {
    std::string binary(20 << 20, '\0');
    for (std::size_t i = 0; i < binary.size(); i += 7) binary[i] = static_cast<char>(i * 31);
    WriteFile(m_dir / "program", binary);
    WriteFile(m_dir / "utf16", std::string("\xff\xfe", 2) + std::string("t\0r\0e\0e\0", 8));
    const std::pair<std::string, std::string> rows[] = {
        {"program", "program: not a listing: a NUL byte in its first 64 KiB"},
        {"/dev/zero", "/dev/zero: not a listing: a NUL byte in its first 64 KiB"},
        {"utf16", "utf16: not a listing: UTF-16 text"},
    };
    for (const auto& [listing, said] : rows) {
        SCOPED_TRACE(listing);
        const CliResult result = Check({listing});
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "quillmark-cli: " + said + "\nquillmark-cli: No file was checked.\n");
    }
    // A byte-order mark is no reason to refuse.
    WriteFile(m_dir / "bom", "\xEF\xBB\xBF" + TabularLine(kListedTree.at("a.txt"), "tree/a.txt"));
    EXPECT_EQ(Check({"bom"}).out, "tree/a.txt: OK\n");
}

TEST_F(CheckTest, OnlyTheFirstTenMalformedLinesAreNamed) {
    std::string listing = TabularLine(kListedTree.at("a.txt"), "tree/a.txt");
    for (int i = 0; i < 25; ++i) listing += "junk\n";
    WriteFile(m_dir / "list", listing);
    const CliResult result = Check({"list"});
    std::string expected;
    for (int line = 2; line <= 11; ++line) {
        expected += "quillmark-cli: list:" + std::to_string(line) + ": not a listing entry\n";
    }
    expected +=
        "quillmark-cli: list: 15 more malformed lines\n"
        "quillmark-cli: 25 lines are malformed, 1 file is OK.\n";
    EXPECT_EQ(result.err, expected);
    EXPECT_EQ(result.status, 1);
}

TEST_F(CheckTest, NamesThatCouldForgeALineAreEscapedOnATerminalOnly) {
    const std::string forger = "x\x1b[2K\rtree/a.txt: OK";
    const std::string latin1 = "caf\xe9";
    WriteFile(m_tree / forger, "f");
    WriteFile(m_tree / latin1, "l");
    WriteFile(m_dir / "list", TabularLine("not f", "tree/" + forger) +
                                  TabularLine("l", "tree/" + latin1) +
                                  TabularLine(kListedTree.at("a.txt"), "tree/a.txt"));
    CliCall call{.args = {"--check", "list"}, .workingDirectory = m_dir.string()};
    const CliResult piped = Run(call);
    EXPECT_EQ(piped.out, "\\tree/x\x1b[2K\\rtree/a.txt: OK: FAILED\ntree/" + latin1 +
                             ": OK\ntree/a.txt: OK\n");
    call.onTerminal = true;
    const CliResult shown = Run(call);
    EXPECT_EQ(shown.out,
              "\\tree/x\\x1b[2K\\x0dtree/a.txt: OK: FAILED\n\\tree/caf\\xe9: OK\ntree/a.txt: OK\n");
    EXPECT_EQ(shown.status, 1);

    // The run's results on a terminal likewise, and what the terminal showed checks back.
    const CliResult run = Run(
        CliCall{.args = {"-t", "tree/"}, .workingDirectory = m_dir.string(), .onTerminal = true});
    const std::size_t forged = run.out.find(Printed("x") + "\\x1b[2K\\x0dtree/a.txt: OK\n");
    ASSERT_NE(forged, std::string::npos) << run.out;
    EXPECT_EQ(run.out[run.out.rfind('\n', forged) + 1], '\\');
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos);
    const CliResult sfv = Run(CliCall{
        .args = {"--sfv", "tree/"}, .workingDirectory = m_dir.string(), .onTerminal = true});
    EXPECT_NE(sfv.out.find("\n\\" + Printed("caf") + "\\xe9 "), std::string::npos) << sfv.out;
    EXPECT_EQ(sfv.out.find('\x1b'), std::string::npos);
    WriteFile(m_dir / "shown", run.out);
    const CliResult again = Check({"shown"});
    EXPECT_EQ(again.err, "quillmark-cli: All 6 files are OK.\n");
}

TEST_F(CheckTest, ListingsFromWindowsAndPeersAreRead) {
    WriteFile(m_tree / "sub/f.txt", "sub file");
    WriteFile(m_tree / "lit\\eral", "a Linux name with a backslash");
    char crcs[3][16];
    std::snprintf(crcs[0], sizeof crcs[0], "%08X", ReferenceCrc("sub file"));
    std::snprintf(crcs[1], sizeof crcs[1], "%08X", ReferenceCrc("a Linux name with a backslash"));
    std::snprintf(crcs[2], sizeof crcs[2], "%08X", ReferenceCrc(kListedTree.at("a.txt")));
    // An SFV file made on Windows beside the tree, CR LF and all.
    WriteFile(m_dir / "peer.sfv", std::string("; made elsewhere\r\n") + "tree\\sub\\f.txt " +
                                      crcs[0] + "\r\ntree/lit\\eral " + crcs[1] +
                                      "\r\n.//tree/a.txt " + crcs[2] + "\r\n");
    const CliResult sfv = Check({"peer.sfv"});
    EXPECT_EQ(sfv.out, "tree/sub/f.txt: OK\ntree/lit\\eral: OK\ntree/a.txt: OK\n");
    EXPECT_EQ(sfv.status, 0);

    // Quillmark's own descriptive listing from Windows: a relative name with backslashes, a
    // read-error line, and a size past 4 GiB whose low 32 bits match the file's size.
    char lower[2][16];
    std::snprintf(lower[0], sizeof lower[0], "%08x", ReferenceCrc("sub file"));
    std::snprintf(lower[1], sizeof lower[1], "%08x", ReferenceCrc(kListedTree.at("a.txt")));
    WriteFile(m_dir / "windows.txt",
              std::string("Filename: tree\\sub\\f.txt\r\nFile size: 8\r\nCRC 32: ") + lower[0] +
                  "\r\n\r\nError encountered reading the file D:\\DATA\\locked.txt\r\n"
                  "Filename: tree\\a.txt\r\nFile size: 4294967308\r\nCRC 32: " +
                  lower[1] + "\r\n\r\n");
    const CliResult windows = Check({"windows.txt"});
    // The Windows path of a file that was never read is shown as recorded: nothing was checked.
    EXPECT_EQ(windows.out,
              "tree/sub/f.txt: OK\nD:\\DATA\\locked.txt: NOT RECORDED\ntree/a.txt: FAILED\n");
    EXPECT_EQ(windows.status, 1);
}

}  // namespace
}  // namespace quillmark::testing
