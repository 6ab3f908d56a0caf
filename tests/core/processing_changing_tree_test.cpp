// processing_changing_tree_test.cpp - what a Linux tree can hold and do during a run: dot names,
// names with line breaks, directories swapped for links, files changed while read, the run's own
// output file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "processing/name_escaping.h"
#include "processing/result_line.h"
#include "settings/option_flags.h"
#include "tests/core/result_line_support.h"
#include "tests/core/run_fakes.h"
#include "tests/core/test_support.h"

namespace quillmark::testing {
namespace {

namespace fs = std::filesystem;

struct DotRow {
    const char* input;  // below the temporary directory
    std::vector<std::string> reported;
};

class DotNameTest : public ::testing::TestWithParam<DotRow> {};

// A final component that begins with a dot is a name; dot directories are entered only when
// named exactly.
TEST_P(DotNameTest, ReportsExactlyTheseFiles) {
    const DotRow& row = GetParam();
    TempDir temp;
    for (const char* file : {"data/.bashrc", "data/a.txt", "data/.config/c.txt",
                             "data/.config/.cache/x", "data/sub/.hidden", "data/sub/.git/f.txt"}) {
        temp.Write(file);
    }
    RunHarness run;
    run.Run(temp / row.input);
    std::vector<std::string> expected;
    for (const std::string& relative : row.reported) expected.push_back(temp / relative);
    EXPECT_EQ(TabularPaths(run.pane.text_), expected);
    EXPECT_TRUE(run.presenter.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Inputs, DotNameTest,
                         ::testing::Values(DotRow{"data/.bashrc", {"data/.bashrc"}},
                                           DotRow{"data/.nothere", {}},
                                           DotRow{"data/.*", {"data/.bashrc"}},
                                           DotRow{"data/.config", {"data/.config/c.txt"}},
                                           DotRow{"data/.CONFIG", {"data/.config/c.txt"}},
                                           DotRow{"data/sub/.git", {"data/sub/.git/f.txt"}},
                                           DotRow{"data/sub/.", {"data/sub/.hidden"}},
                                           DotRow{"data/sub/..",
                                                  {"data/sub/../.bashrc", "data/sub/../a.txt",
                                                   "data/sub/../sub/.hidden"}},
                                           DotRow{"data/.conf*", {}}));

// The escape a reader undoes, written out independently of the program's.
std::string Escaped(const std::string& path) {
    std::string out;
    for (char c : path) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

// A directory whose name holds a line break and the start of a tabular line would otherwise
// make a run print a line for /etc/passwd that no file produced.
TEST(EscapedNameTest, LineBreaksInNamesCannotForgeLines) {
    TempDir temp;
    const std::string forger = "x\n00000000            0   ";
    const std::string path = temp.Write("t/" + forger + "/etc/passwd", "abc");
    temp.Write("t/back\\slash\r.txt", "abc");
    const std::string plain = temp.Write("t/plain\\name.txt", "abc");
    const std::uint32_t crc = testing::ReferenceCrc("abc");
    char head[32];
    std::snprintf(head, sizeof head, "%08x            3   ", crc);
    const std::string tabular = "\\" + std::string(head) + Escaped(path) + "\n";
    const std::string other =
        "\\" + std::string(head) + Escaped(temp / "t/back\\slash\r.txt") + "\n";
    const std::string plainLine = head + plain + "\n";

    struct Case {
        const char* name;
        int style;
        int sort;
        std::string expected;
    };
    const Case cases[] = {
        {"tabular", 1, 0, other + plainLine + tabular},
        {"sorted", 1, 1, other + plainLine + tabular},
        {"descriptive", 0, 0,
         "\\Filename: " + Escaped(temp / "t/back\\slash\r.txt") +
             "\nFile size: 3\nCRC 32: " + std::string(head, 8) + "\n\nFilename: " + plain +
             "\nFile size: 3\nCRC 32: " + std::string(head, 8) + "\n\n\\Filename: " +
             Escaped(path) + "\nFile size: 3\nCRC 32: " + std::string(head, 8) + "\n\n"},
    };
    for (const Case& c : cases) {
        RunHarness run;
        run.settings.m_nOutputStyle = c.style;
        run.settings.m_bSortOutput = c.sort;
        run.Run(temp / "t/");
        EXPECT_EQ(run.pane.text_, c.expected) << c.name;
    }
    EXPECT_EQ(FormatReadErrorLine(path),
              "\\Error encountered reading the file " + Escaped(path) + "\n");
}

TEST(EscapedNameTest, ListingEscapeRoundTripsAndDisplayShowsNoControlCharacter) {
    const std::string nasty = "a\\b\nc\rd\\n";
    std::string back;
    ASSERT_TRUE(UnescapeListingPath(EscapeListingPath(nasty), back));
    EXPECT_EQ(back, nasty);
    EXPECT_EQ(EscapeListingPath("plain\\path"), "plain\\path");
    for (const char* bad : {"ends\\", "odd\\x"}) EXPECT_FALSE(UnescapeListingPath(bad, back));
    EXPECT_EQ(EscapeForDisplay("a\nb\rc\td\x1b[2J\x7f\x01é"), "a\\nb\\rc\\td\\x1b[2J\\x7f\\x01é");
}

// Beyond ASCII, well-formed UTF-8 is shown as it is; the C1 controls (a terminal reads U+009B as
// the start of an escape sequence) and every byte outside well-formed UTF-8 are written \xHH.
TEST(EscapedNameTest, DisplayEscapesC1ControlsAndBytesThatAreNotUtf8) {
    struct Row {
        const char* name;
        std::string text;
        std::string shown;
    };
    const Row rows[] = {
        {"two, three and four byte letters", "é€𝄞", "é€𝄞"},
        {"first and last C1 controls",
         "a\xc2\x80"
         "b\xc2\x9f",
         "a\\xc2\\x80b\\xc2\\x9f"},
        {"CSI",
         "\xc2\x9b"
         "2J",
         "\\xc2\\x9b"
         "2J"},
        {"first letter after the C1 range", "\xc2\xa0", "\xc2\xa0"},
        {"Latin-1 byte alone", "caf\xe9", "caf\\xe9"},
        {"stray continuation byte", "\x80x", "\\x80x"},
        {"overlong slash", "\xc0\xaf", "\\xc0\\xaf"},
        {"surrogate", "\xed\xa0\x80", "\\xed\\xa0\\x80"},
        {"past U+10FFFF", "\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},
        {"cut short at the end", "a\xe2\x82", "a\\xe2\\x82"},
        {"invalid byte then a letter", "\xff\xe2\x82\xac", "\\xff€"},
    };
    for (const Row& row : rows) EXPECT_EQ(EscapeForDisplay(row.text), row.shown) << row.name;
}

// A directory replaced by a link while the run reads another file is refused, not followed out
// of the tree; the walk says so and goes on.
TEST(ChangingTreeTest, DirectorySwappedForALinkDuringTheRunIsNotFollowed) {
    TempDir temp;
    const std::string first = temp.Write("t/a/f.txt");
    temp.Write("t/b/g.txt");
    temp.Write("outside/secret.txt");
    RunHarness run;
    run.progress.onPoll = [&, swapped = false](int) mutable {
        if (swapped || !testing::IsOpenInThisProcess(first)) return;
        fs::rename(temp / "t/b", temp / "b.old");
        fs::create_directory_symlink(temp / "outside", temp / "t/b");
        swapped = true;
    };
    run.Run(temp / "t/");
    EXPECT_EQ(TabularPaths(run.pane.text_), std::vector<std::string>{first});
    EXPECT_EQ(run.presenter.messages,
              (std::vector<Message>{
                  {"Unable to locate the directory: " + temp / "t/b/" + "\n", "Error"}}));
}

// A link the user names with its '/' is walked; the walk never follows one it finds.
TEST(ChangingTreeTest, LinkNamedByTheUserIsWalked) {
    TempDir temp;
    temp.Write("real/r.txt");
    fs::create_directory_symlink(temp / "real", temp / "linked");
    RunHarness run;
    run.Run(temp / "linked/");
    EXPECT_EQ(TabularPaths(run.pane.text_), std::vector<std::string>{temp / "linked/r.txt"});
}

struct Reported {
    std::string path;
    std::string reason;
    bool operator==(const Reported&) const = default;
};

class RecordingUnreadable : public UnreadableFileReport {
public:
    void OnUnreadableFile(std::string_view path, std::string_view reason) override {
        seen.push_back({std::string(path), std::string(reason)});
    }
    std::vector<Reported> seen;
};

// The size printed is the size of the bytes checksummed: taken from the file as opened. A file
// replaced before it is opened is reported as it now is; one that grows or shrinks while it is
// read has no checksum, in every read mode.
TEST(ChangingTreeTest, SizeAndChecksumDescribeTheSameBytes) {
    const std::string before(3 * 1024 * 1024, 'a');
    const std::string replaced = "new\r\ncontent\n";
    for (const std::uint8_t mode : {std::uint8_t{0}, OPT_ASCII_MODE, OPT_UNIX_LF}) {
        SCOPED_TRACE(static_cast<int>(mode));
        TempDir temp;
        const std::string path = temp.Write("d/f.txt", before);

        RunHarness replacedRun;
        replacedRun.settings.m_nReadMode = mode == OPT_ASCII_MODE ? 0 : 1;
        replacedRun.settings.m_bUnixLF = mode == OPT_UNIX_LF ? 1 : 0;
        replacedRun.progress.onPoll = [&](int poll) {
            if (poll == 1) testing::WriteFile(temp / "d/f.tmp", replaced);
            if (poll == 1) fs::rename(temp / "d/f.tmp", path);
        };
        replacedRun.Run(temp / "d/");
        RunHarness reference;
        reference.settings = replacedRun.settings;
        reference.Run(temp / "d/");
        EXPECT_EQ(replacedRun.pane.text_, reference.pane.text_);
        EXPECT_NE(replacedRun.pane.text_.find(std::to_string(replaced.size()) + "   "),
                  std::string::npos)
            << replacedRun.pane.text_;

        for (const bool grow : {true, false}) {
            testing::WriteFile(path, before);
            RunHarness run;
            run.settings = replacedRun.settings;
            RecordingUnreadable unreadable;
            run.unreadable = &unreadable;
            run.progress.onPoll = [&, done = false](int) mutable {
                if (done || !testing::IsOpenInThisProcess(path)) return;
                fs::resize_file(path, grow ? before.size() + 1 : 10);
                done = true;
            };
            const RunOutcome summary = run.Run(temp / "d/");
            EXPECT_EQ(run.pane.text_, FormatReadErrorLine(path)) << (grow ? "grew" : "shrank");
            EXPECT_EQ(summary.filesUnreadable, 1u);
            EXPECT_EQ(unreadable.seen,
                      (std::vector<Reported>{{path, "file changed while being read"}}));
        }
    }
}

// The output file is never listed, also under another name (a hard link).
TEST(ChangingTreeTest, RunNeverChecksumsItsOwnOutputFile) {
    TempDir temp;
    temp.Write("t/a.txt");
    const std::string output = temp.Write("t/out.txt", "");
    ASSERT_EQ(::link(output.c_str(), (temp / "t/z-same.txt").c_str()), 0);
    RunHarness run;
    run.settings.m_nOutputDest = 0;
    run.settings.m_strOutput = output;
    run.Run(temp / "t/");
    EXPECT_EQ(testing::ReadFile(output),
              testing::CrLf(FormatTabularLine(testing::ReferenceCrc("x"), 1, temp / "t/a.txt")));
}

}  // namespace
}  // namespace quillmark::testing
