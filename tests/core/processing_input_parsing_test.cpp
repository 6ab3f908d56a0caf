// processing_input_parsing_test.cpp - start directory and pattern for each shape of input.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>

#include "platform/path_services.h"
#include "processing/input_parsing.h"
#include "tests/core/test_support.h"

namespace quillmark::testing {
namespace {

struct SpecRow {
    const char* input;
    const char* startBelowCwd;  // appended to the working directory and '/'; null: absolute
    const char* startAbsolute;
    const char* pattern;
};

class ParseInputSpecTest : public ::testing::TestWithParam<SpecRow> {};

TEST_P(ParseInputSpecTest, SplitsIntoStartDirectoryAndPattern) {
    const SpecRow& row = GetParam();
    TempDir temp;
    CwdGuard guard;
    ASSERT_TRUE(ChangeDirectory(temp.Path()));

    ParsedInput parsed;
    ASSERT_TRUE(ParseInputSpec(row.input, parsed));
    const std::string expected =
        row.startBelowCwd ? temp.Dir() + row.startBelowCwd : std::string(row.startAbsolute);
    EXPECT_EQ(parsed.szStartDir, expected);
    EXPECT_EQ(parsed.szPattern, row.pattern);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, ParseInputSpecTest,
    ::testing::Values(
        // No directory part: the working directory.
        SpecRow{"report.txt", "", nullptr, "report.txt"}, SpecRow{"*.txt", "", nullptr, "*.txt"},
        SpecRow{".", "", nullptr, "*.*"},
        // A name that begins with a dot is a name like any other.
        SpecRow{".txt", "", nullptr, ".txt"}, SpecRow{".bashrc", "", nullptr, ".bashrc"},
        SpecRow{".*", "", nullptr, ".*"}, SpecRow{"/data/.txt", nullptr, "/data/", ".txt"},
        // "." names the directory before it, ".." that directory's parent.
        SpecRow{"sub/.", "sub/", nullptr, "*.*"}, SpecRow{"..", "../", nullptr, "*.*"},
        SpecRow{"sub/..", "sub/../", nullptr, "*.*"},
        SpecRow{"/data/..", nullptr, "/data/../", "*.*"},
        SpecRow{"/data/", nullptr, "/data/", "*.*"},
        SpecRow{"/data/*.txt", nullptr, "/data/", "*.txt"},
        // A directory named without its '/' becomes the pattern in its parent.
        SpecRow{"/data", nullptr, "/", "data"}, SpecRow{"/", nullptr, "/", "*.*"},
        SpecRow{"/data/archive.tar.gz", nullptr, "/data/", "archive.tar.gz"},
        SpecRow{"/data/name.", nullptr, "/data/", "name."},
        // Relative directory parts go below the working directory, unchanged.
        SpecRow{"sub/*.txt", "sub/", nullptr, "*.txt"},
        SpecRow{"sub/.txt", "sub/", nullptr, ".txt"}, SpecRow{"sub/", "sub/", nullptr, "*.*"},
        SpecRow{"../x/*.c", "../x/", nullptr, "*.c"}, SpecRow{"a/b/c", "a/b/", nullptr, "c"},
        // A backslash is an ordinary name character here.
        SpecRow{"dir\\name.txt", "", nullptr, "dir\\name.txt"}));

TEST(ParseInputSpecAtRoot, NeverDoublesTheSlash) {
    CwdGuard guard;  // only read from "/", nothing is written there
    ASSERT_TRUE(ChangeDirectory("/"));
    const std::vector<std::array<const char*, 3>> rows = {
        {"report.txt", "/", "report.txt"},
        {".", "/", "*.*"},
        {"sub/*.txt", "/sub/", "*.txt"},
        {"/data/*.c", "/data/", "*.c"},
    };
    for (const auto& [input, start, pattern] : rows) {
        ParsedInput parsed;
        ASSERT_TRUE(ParseInputSpec(input, parsed)) << input;
        EXPECT_EQ(parsed.szStartDir, start) << input;
        EXPECT_EQ(parsed.szPattern, pattern) << input;
    }
}

// The directory part of a name is taken as written when it is there; otherwise the one directory
// whose components differ from it only in letter case is, spelt as on disk.
TEST(ParseInputSpecCase, DirectoryPartFollowsTheRuleOfNames) {
    TempDir temp;
    CwdGuard guard;
    ASSERT_TRUE(ChangeDirectory(temp.Path()));
    temp.MakeDir("data/sub");
    temp.MakeDir("Data");
    temp.MakeDir("docs/old");
    temp.MakeDir("docs/OLD");
    const std::array<const char*, 2> rows[] = {
        {"data/sub/x", "data/sub/"},
        {"Data/x", "Data/"},
        {"DATA/x", "DATA/"},  // data and Data both fit: as written, and not found
        {"data/SUB/*.txt", "data/sub/"},
        {"DOCS/Old/x", "DOCS/Old/"},  // old and OLD both fit
        {"DOCS/OLD/x", "docs/OLD/"},
        {"missing/x", "missing/"},
    };
    for (const auto& [input, start] : rows) {
        ParsedInput parsed;
        ASSERT_TRUE(ParseInputSpec(input, parsed)) << input;
        EXPECT_EQ(parsed.szStartDir, temp.Dir() + start) << input;
    }
}

TEST(ParseInputSpecFailure, UnreadableWorkingDirectoryFailsAndLeavesResultAlone) {
    TempDir temp;
    CwdGuard guard;
    temp.MakeDir("gone");
    ASSERT_TRUE(ChangeDirectory(temp / "gone"));
    ASSERT_EQ(::rmdir((temp / "gone").c_str()), 0);

    ParsedInput parsed{"keep-pattern", "/keep/"};
    EXPECT_FALSE(ParseInputSpec("/absolute/*.txt", parsed));
    EXPECT_EQ(parsed.szPattern, "keep-pattern");
    EXPECT_EQ(parsed.szStartDir, "/keep/");
}

TEST(ParseInputSpecLongPaths, WorkingDirectoryLongerThanPathMaxStillParses) {
    TempDir temp;
    CwdGuard guard;
    ASSERT_TRUE(ChangeDirectory(temp.Path()));
    // Built one relative step at a time: the whole path is longer than any single chdir accepts.
    const std::string component(200, 'd');
    std::string expected = temp.Path();
    for (int level = 0; level < 25; ++level) {
        ASSERT_EQ(::mkdir(component.c_str(), 0755), 0);
        ASSERT_EQ(::chdir(component.c_str()), 0);
        expected += "/" + component;
    }
    ASSERT_GT(expected.size(), 4096u);

    ParsedInput parsed;
    ASSERT_TRUE(ParseInputSpec("*.txt", parsed));
    EXPECT_EQ(parsed.szStartDir, expected + "/");
    EXPECT_EQ(parsed.szPattern, "*.txt");
    // Too deep to remove by full paths: climb out removing each level by its relative name.
    for (int level = 0; level < 25; ++level) {
        ASSERT_EQ(::chdir(".."), 0);
        ASSERT_EQ(::rmdir(component.c_str()), 0);
    }
}

}  // namespace
}  // namespace quillmark::testing
