// check_decisions_test.cpp - how a check decides: the mode a text is read in and what it compares,
// which files are new when one directory is spelled two ways, where --rebase sends each entry,
// and files in directories the user may search but not list.
#include <sys/stat.h>
#include <unistd.h>

#include "platform/ascii_case.h"
#include "tests/cli/cli_test_support.h"

namespace quillmark::testing {
namespace {

// A text with CR LF line ends, later converted to LF: its text checksum stays, its size does not.
constexpr const char* kCrLfText = "one\r\ntwo\r\n";
constexpr const char* kLfText = "one\ntwo\n";

std::vector<std::string> SortedLinesOf(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

class CheckDecisionTest : public CliTest {
protected:
    void SetUp() override {
        WriteFile(m_tree / "text.txt", kCrLfText);
        WriteFile(m_tree / "Sub/Mixed Case.txt", "mixed");
        WriteFile(m_tree / "bin.dat", std::string("\x00\r\n\x1a", 4));
    }

    CliResult RunIn(std::vector<std::string> args, const std::string& stdoutPath = "") const {
        return Run(CliCall{
            .args = std::move(args), .workingDirectory = m_dir.string(), .stdoutPath = stdoutPath});
    }

    // The listing a run of the tree writes with options, as "list" beside the tree.
    std::string MakeListing(std::vector<std::string> options) const {
        const std::string listing = (m_dir / "list").string();
        options.push_back("tree/");
        EXPECT_EQ(RunIn(options, listing).status, 0);
        return listing;
    }

    bool CanRunAsNobody() const {
        return ::access("/usr/bin/setpriv", X_OK) == 0 && ::geteuid() == 0;
    }

    // Everything readable to others, as a scratch tree under a 0755 directory is.
    void OpenToOtherUsers() const {
        for (const auto& entry : fs::recursive_directory_iterator(m_dir)) {
            if (entry.is_symlink()) continue;
            fs::permissions(entry.path(), entry.is_directory() ? fs::perms(0755) : fs::perms(0644));
        }
        fs::permissions(m_dir, fs::perms(0755));
    }
};

struct ModeRow {
    const char* name;
    std::vector<std::string> listOptions;
    std::vector<std::string> checkOptions;
    const char* textOutcome;  // of text.txt after its conversion to LF
    std::string contradiction = "";
};

TEST_F(CheckDecisionTest, TextModesCompareTheCrcAloneAndHeadersChooseTheMode) {
    const ModeRow rows[] = {
        {"ascii tabular", {"-a", "-t"}, {"-a"}, "OK"},
        {"unix lf descriptive", {"-u"}, {"-u"}, "OK"},
        {"ascii sfv, the header decides", {"--sfv", "-a"}, {}, "OK"},
        {"unix lf sfv, the header decides", {"--sfv", "-u"}, {}, "OK"},
        {"binary compares the size", {"-t"}, {}, "FAILED"},
        {"binary sfv header", {"--sfv"}, {}, "FAILED"},
        {"the option wins over the header and names it",
         {"--sfv", "-a"},
         {"-u"},
         "FAILED",
         "listed in ASCII mode, checked in Unix LF mode"},
        {"binary header under -a",
         {"--sfv"},
         {"-a"},
         "FAILED",
         "listed in binary mode, checked in ASCII mode"},
    };
    for (const ModeRow& row : rows) {
        SCOPED_TRACE(row.name);
        WriteFile(m_tree / "text.txt", kCrLfText);
        const std::string listing = MakeListing(row.listOptions);
        WriteFile(m_tree / "text.txt", kLfText);
        std::vector<std::string> args = {"-c", "--quiet"};
        args.insert(args.end(), row.checkOptions.begin(), row.checkOptions.end());
        args.push_back("list");
        const CliResult result = RunIn(args);
        const bool textOk = std::string(row.textOutcome) == "OK";
        EXPECT_EQ(result.out.find("text.txt: FAILED") != std::string::npos, !textOk) << result.out;
        if (row.contradiction.empty()) {
            EXPECT_EQ(result.err.find("listed in"), std::string::npos) << result.err;
            if (textOk) {
                EXPECT_EQ(result.status, 0) << result.err << result.out;
            }
        } else {
            // Named once, at its line, before the summary.
            EXPECT_EQ(result.err.substr(0, result.err.find('\n') + 1),
                      "quillmark-cli: list:1: " + row.contradiction + "\n");
            EXPECT_EQ(result.status, 1);
        }
        if (!textOk) {
            EXPECT_EQ(result.status, 1);
        }
    }
}

TEST_F(CheckDecisionTest, EachHeaderDecidesTheEntriesAfterIt) {
    // Two runs appended to one listing: binary first, then ASCII, each under its own header.
    const std::string listing = (m_dir / "list").string();
    ASSERT_EQ(RunIn({"--sfv", "-o", "list", "tree/text.txt"}).status, 0);
    ASSERT_EQ(RunIn({"--sfv", "-a", "-o", "list", "tree/text.txt"}).status, 0);
    WriteFile(m_tree / "text.txt", kLfText);
    const CliResult byHeaders = RunIn({"-c", "list"});
    EXPECT_EQ(byHeaders.out, Printed("text.txt") + ": FAILED\n" + Printed("text.txt") + ": OK\n");
    EXPECT_EQ(byHeaders.status, 1);

    // A Quillmark header without a mode is binary; lines under no header take the options' mode.
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08X", ReferenceCrc(kLfText));
    WriteFile(listing, std::string("tree/text.txt ") + crc + "\n; Quillmark 9.9\ntree/text.txt " +
                           crc + "\n");
    WriteFile(m_tree / "text.txt", kCrLfText);
    const CliResult noHeaderFirst = RunIn({"-c", "list"});
    EXPECT_EQ(noHeaderFirst.out, "tree/text.txt: FAILED\ntree/text.txt: FAILED\n");
    const CliResult ascii = RunIn({"-c", "-a", "list"});
    EXPECT_EQ(ascii.out, "tree/text.txt: OK\ntree/text.txt: OK\n");
    EXPECT_NE(
        ascii.err.find("quillmark-cli: list:2: listed in binary mode, checked in ASCII mode\n"),
        std::string::npos);
    EXPECT_EQ(ascii.status, 1);
}

TEST_F(CheckDecisionTest, NewNeverCountsOneDirectoryTwice) {
    fs::create_directory_symlink(m_tree, m_dir / "alias");
    WriteFile(m_tree / "extra", "new");
    // The listings and the file standard output goes to live in the listed directory.
    WriteFile(m_tree / "list",
              TabularLine(kCrLfText, "tree/./text.txt") + TabularLine("x", "tree/absent"));
    WriteFile(m_tree / "list2", TabularLine(std::string("\x00\r\n\x1a", 4), "alias/bin.dat") +
                                    TabularLine("mixed", "tree/Sub/Mixed Case.txt"));
    const CliResult result =
        RunIn({"-c", "--new", "tree/list", "tree/list2"}, (m_tree / "out").string());
    // Each directory's new files come under the spelling the listings first used for it.
    EXPECT_EQ(ReadFile(m_tree / "out"),
              "tree/./text.txt: OK\ntree/absent: MISSING\nalias/bin.dat: OK\n"
              "tree/Sub/Mixed Case.txt: OK\ntree/./extra: NEW\n");
    EXPECT_EQ(result.err, "quillmark-cli: 1 file is MISSING, 1 file is NEW, 3 files are OK.\n");
    EXPECT_EQ(result.status, 1);
}

TEST_F(CheckDecisionTest, SearchOnlyDirectoriesAreReadAndReasonsNamed) {
    if (!CanRunAsNobody()) GTEST_SKIP() << "needs root and setpriv to check as another user";
    WriteFile(m_tree / "locked/in.txt", "inside");
    WriteFile(m_dir / "list", TabularLine("inside", "tree/locked/in.txt") +
                                  TabularLine(kCrLfText, "tree/text.txt") +
                                  TabularLine("mixed", "tree/Sub/Mixed Case.txt"));
    OpenToOtherUsers();
    fs::permissions(m_tree / "locked", fs::perms(0711));
    fs::permissions(m_tree / "text.txt", fs::perms::none);
    WriteFile(m_tree / "Sub/new.txt", "n");
    CliCall call{.args = {"-c", "--new", "list"}, .workingDirectory = m_dir.string()};
    call.asNobody = true;
    const CliResult result = Run(call);
    // As cat reads it: the directory is searched, not listed.
    EXPECT_EQ(result.out,
              "tree/locked/in.txt: OK\ntree/text.txt: UNREADABLE\ntree/Sub/Mixed Case.txt: OK\n"
              "tree/Sub/new.txt: NEW\ntree/bin.dat: NEW\n");
    // The unreadable file exists: it is listed, not new. The locked directory cannot be searched
    // for new files, and says so.
    EXPECT_EQ(result.err,
              "quillmark-cli: tree/text.txt: Permission denied\n"
              "quillmark-cli: tree/locked/: cannot be listed to look for new files: Permission "
              "denied\n"
              "quillmark-cli: 1 file is UNREADABLE, 2 files are NEW, 2 files are OK.\n");
    EXPECT_EQ(result.status, 1);
}

TEST_F(CheckDecisionTest, RebaseDecidesCaseBelowNewAndSaysWhatItMovedNothing) {
    // A lowercased listing of full paths: even the scratch directory's name lost its capitals.
    const std::string listing = MakeListing({"-l", "-t"});
    const std::string old = LowercasedAscii(m_tree.string());
    fs::create_directory(m_dir / "X");
    fs::rename(m_tree, m_dir / "X/Copy");

    const CliResult found = RunIn({"-c", "--rebase", old + "=X/Copy", "list"});
    EXPECT_EQ(SortedLinesOf(found.out),
              SortedLinesOf("X/Copy/Sub/Mixed Case.txt: OK\nX/Copy/bin.dat: OK\nX/Copy/text.txt: "
                            "OK\n"));
    EXPECT_EQ(found.status, 0) << found.err;

    // NEW is taken as typed: letter case is looked up only below it.
    const CliResult typedLower = RunIn({"-c", "--quiet", "--rebase", old + "=x/copy", "list"});
    EXPECT_EQ(SortedLinesOf(typedLower.out),
              SortedLinesOf("x/copy/sub/mixed case.txt: MISSING\nx/copy/bin.dat: MISSING\n"
                            "x/copy/text.txt: MISSING\n"));

    const CliResult emptyNew = RunIn({"-c", "--rebase", old + "=", "list"});
    EXPECT_EQ(emptyNew.status, 2);
    EXPECT_NE(emptyNew.err.find("--rebase wants OLD=NEW"), std::string::npos);
}

TEST_F(CheckDecisionTest, RebaseMatchesResolvedPathsOfEveryListingKind) {
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08X", ReferenceCrc(kCrLfText));
    // An SFV's names are relative to its own directory; OLD matches them resolved.
    fs::create_directory(m_dir / "sums");
    WriteFile(m_dir / "sums/list.sfv", std::string("text.txt ") + crc + "\n");
    WriteFile(m_dir / "sums/text.txt", "not the copy");
    WriteFile(m_dir / "list", TabularLine(kCrLfText, "sums/text.txt"));
    for (const char* listing : {"sums/list.sfv", "list"}) {
        SCOPED_TRACE(listing);
        // Relative OLD against the path as resolved; absolute OLD against its absolute form;
        // NEW relative to the working directory either way.
        for (const std::string& old : {std::string("sums"), (m_dir / "sums").string()}) {
            const CliResult result = RunIn({"-c", "--rebase", old + "=tree", listing});
            EXPECT_EQ(result.out, "tree/text.txt: OK\n") << old;
            EXPECT_EQ(result.status, 0) << result.err;
        }
    }
}

TEST_F(CheckDecisionTest, WindowsListingsRebaseOntoLinuxPaths) {
    const std::string listing = "Filename: D:\\DATA\\tree\\text.txt\r\nFile size: 10\r\nCRC 32: " +
                                [] {
                                    char crc[9];
                                    std::snprintf(crc, sizeof crc, "%08x", ReferenceCrc(kCrLfText));
                                    return std::string(crc);
                                }() +
                                "\r\n\r\n" +
                                CrLf(TabularLine("mixed", "d:\\data\\\\tree\\SUB\\Mixed Case.txt"));
    WriteFile(m_dir / "win.lst", listing);
    const CliResult result = RunIn({"-c", "--rebase", "D:\\DATA=" + m_dir.string(), "win.lst"});
    // The Linux path that was checked; "SUB" is bytes below NEW, so only a lowercased listing
    // would look for it in another case.
    EXPECT_EQ(result.out, (m_tree / "text.txt").string() + ": OK\n" + m_tree.string() +
                              "/SUB/Mixed Case.txt: MISSING\n");
    EXPECT_EQ(result.status, 1);
    // A Windows path is never put below the listing's directory, and stays as it is unrebased.
    const CliResult plain = RunIn({"-c", "--quiet", "win.lst"});
    EXPECT_EQ(plain.out.substr(0, plain.out.find('\n')), "D:\\DATA\\tree\\text.txt: MISSING");
}

}  // namespace
}  // namespace quillmark::testing
