// processing_directory_search_test.cpp - pattern matching, listing order and entry kinds of the
// directory search, and the input check.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/directory_handle.h"
#include "platform/directory_search.h"
#include "platform/path_services.h"
#include "tests/core/test_support.h"

namespace quillmark::testing {
namespace {

// The subdirectories matching pattern in the directory at path, as the walk finds them there.
std::vector<FindRecord> SubdirectoriesAt(const std::string& path, std::string_view pattern) {
    const std::optional<DirectoryHandle> directory = OpenDirectoryPath(path);
    if (!directory) return {};
    return FindSubdirectories(*directory, pattern).value_or(std::vector<FindRecord>{});
}

struct MatchRow {
    const char* name;
    const char* pattern;
    bool matches;
};

TEST(MatchesPatternTest, WildcardsAndCase) {
    const MatchRow rows[] = {
        {"a.txt", "*.txt", true},
        {"A.TXT", "*.txt", true},
        {"a.txt", "*.TXT", true},
        {"a.txt.bak", "*.txt", false},
        {"noext", "*.*", true},
        {".", "*.*", true},
        {".txt", "*.txt", true},
        {"abc", "a?c", true},
        {"ac", "a?c", false},
        {"abbbc", "a*c", true},
        {"abcd", "a*c", false},
        {"aXbYc", "a*b*c", true},
        {"ab", "a*b*c", false},
        {"a.b.c", "*.c", true},
        {"", "*", true},
        {"x", "", false},
        {"data", "DATA", true},
        {"sub.txt", "s*", true},
        {"notes.txt", "s*", false},
        {"a*b", "a*b", true},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*c", false},
        {"\xc3\x89t\xc3\xa9", "\xc3\x89*", true},
        {"\xc3\xa9t\xc3\xa9", "\xc3\x89*", false},
    };
    for (const MatchRow& row : rows) {
        EXPECT_EQ(MatchesPattern(row.name, row.pattern), row.matches)
            << row.name << " against " << row.pattern;
    }
}

std::vector<std::string> Names(const std::vector<FindRecord>& records) {
    std::vector<std::string> names;
    for (const FindRecord& record : records) names.push_back(record.name);
    return names;
}

TEST(FindEntriesTest, SortedIgnoringCaseWithTiesByBytes) {
    TempDir temp;
    for (const char* name : {"b.txt", "a.txt", "C.txt", "A.txt", "_x.txt", "B1.txt"}) {
        temp.Write(name);
    }
    EXPECT_EQ(Names(FindEntries(temp.Path(), "*.txt")),
              (std::vector<std::string>{"_x.txt", "A.txt", "a.txt", "b.txt", "B1.txt", "C.txt"}));
}

TEST(FindEntriesTest, KindsOfEntries) {
    TempDir temp;
    temp.Write("file.bin", std::string(1234, 'z'));
    temp.MakeDir("dir");
    ASSERT_EQ(::symlink((temp / "file.bin").c_str(), (temp / "link-to-file").c_str()), 0);
    ASSERT_EQ(::symlink((temp / "dir").c_str(), (temp / "link-to-dir").c_str()), 0);
    ASSERT_EQ(::symlink((temp / "missing").c_str(), (temp / "dangling").c_str()), 0);
    ASSERT_EQ(::mkfifo((temp / "fifo").c_str(), 0644), 0);

    const std::vector<FindRecord> records = FindEntries(temp.Path(), "*.*");
    // A dangling link is listed as one, so the walk can say it passed it over.
    ASSERT_EQ(Names(records),
              (std::vector<std::string>{".", "..", "dangling", "dir", "file.bin", "link-to-file"}));
    EXPECT_EQ(records[0].attrib, kAttribDirectory);
    EXPECT_EQ(records[2].attrib, kAttribDanglingLink);
    EXPECT_EQ(records[3].attrib, kAttribDirectory);
    EXPECT_EQ(records[4].attrib, 0u);
    EXPECT_EQ(records[4].size, 1234u);
    EXPECT_EQ(records[5].attrib, 0u);
    EXPECT_EQ(records[5].size, 1234u);

    EXPECT_EQ(Names(SubdirectoriesAt(temp.Path(), "*.*")),
              (std::vector<std::string>{".", "..", "dir"}));
    EXPECT_EQ(Names(SubdirectoriesAt(temp.Path(), "*link*")), std::vector<std::string>{});
}

// A name without wildcards names the file of exactly that name when there is one; only when
// there is not do the names that differ from it in letter case stand in. Patterns keep matching
// either case.
TEST(FindEntriesTest, PlainNameFindsItsExactEntryBeforeOtherCases) {
    TempDir temp;
    for (const char* name : {"a.txt", "A.TXT", "b.TXT", "B.txt", "c.Txt", "f.dat", "sub/x"}) {
        temp.Write(name);
    }
    temp.MakeDir("SUB");
    temp.MakeDir("Sub");
    ASSERT_EQ(::mkfifo((temp / "q.dat").c_str(), 0644), 0);
    temp.Write("Q.DAT");
    struct Row {
        const char* pattern;
        std::vector<std::string> files;
        std::vector<std::string> directories;
    };
    const Row rows[] = {
        {"a.txt", {"a.txt"}, {}},
        {"A.TXT", {"A.TXT"}, {}},
        {"a.TXT", {"A.TXT", "a.txt"}, {}},
        {"C.TXT", {"c.Txt"}, {}},
        {"?.txt", {"A.TXT", "a.txt", "B.txt", "b.TXT", "c.Txt"}, {}},
        {"A*", {"A.TXT", "a.txt"}, {}},
        {"sub", {"sub"}, {"sub"}},
        {"SUB", {"SUB"}, {"SUB"}},
        {"sUB", {"SUB", "Sub", "sub"}, {"SUB", "Sub", "sub"}},
        // The exact entry is a FIFO, never listed: the regular Q.DAT does not stand in for it.
        {"q.dat", {}, {}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Names(FindEntries(temp.Path(), row.pattern)), row.files) << row.pattern;
        EXPECT_EQ(Names(SubdirectoriesAt(temp.Path(), row.pattern)), row.directories)
            << row.pattern;
    }
}

TEST(FindEntriesTest, EmptyPathListsWorkingDirectoryAndMissingDirectoryListsNothing) {
    TempDir temp;
    CwdGuard guard;
    temp.Write("here.txt");
    ASSERT_TRUE(ChangeDirectory(temp.Path()));
    EXPECT_EQ(Names(FindEntries("", "*.txt")), std::vector<std::string>{"here.txt"});
    EXPECT_TRUE(FindEntries(temp / "missing", "*.*").empty());
}

TEST(PathOrPatternExistsTest, ExistingPathsAndMatchingPatterns) {
    TempDir temp;
    CwdGuard guard;
    temp.Write("sub/report.TXT");
    ASSERT_TRUE(ChangeDirectory(temp.Path()));

    const std::pair<std::string, bool> rows[] = {
        {temp / "sub/report.TXT", true},
        {temp / "sub", true},
        {temp / "sub/", true},
        {temp / "sub/*.txt", true},
        {temp / "sub/rep?rt.*", true},
        {temp / "sub/*.log", false},
        {temp / "sub/REPORT.txt", true},  // a plain name matches ignoring case, as the walk does
        {temp / "missing/*.txt", false},
        {"sub/*.txt", true},
        {"sub/report.TXT", true},
        {"nothing", false},
        {"", false},
    };
    for (const auto& [path, found] : rows) EXPECT_EQ(PathOrPatternExists(path), found) << path;
}

}  // namespace
}  // namespace quillmark::testing
