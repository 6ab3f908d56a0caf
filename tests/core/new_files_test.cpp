// new_files_test.cpp - unlisted files found in batches give the same answer, in the same order,
// as comparing every directory at once, while holding no more than a batch; the scratch file
// gives back what it was given.
#include "processing/check/new_files.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <map>
#include <random>
#include <set>

#include "tests/core/test_support.h"

namespace quillmark::testing {
namespace {

struct Tree {
    std::vector<std::string> listed;    // relative paths, in no particular order
    std::vector<std::string> expected;  // what should be reported, in order
    std::size_t largestDirectory = 0;
};

// Directories of up to 30 files (names in mixed case, one with a line break), a subdirectory and
// a link in some, about half of the files listed, listed paths shuffled so directories recur.
Tree MakeTree(const TempDir& temp, std::uint32_t seed, const std::string& excludedName) {
    std::mt19937 random(seed);
    const std::vector<std::string> directories = {"",    "a/",   "a/B/", "a/b/", "c d/",
                                                  "e/",  "e/f/", "g\n/", "h/",   "unlisted/",
                                                  "ab/", "a.b/", "z/"};
    std::map<std::string, std::set<std::string>> files;
    Tree tree;
    for (const std::string& directory : directories) {
        const std::size_t count = random() % 31;
        std::set<std::string>& names = files[directory];
        for (std::size_t i = 0; i < count; ++i) {
            const std::string name =
                (random() % 2 ? "F" : "f") + std::to_string(random() % 50) + (i == 3 ? "\nx" : "");
            if (!names.insert(name).second) continue;
            temp.Write(directory + name, name);
        }
        fs::create_directories(temp / (directory + "sub.d"));
        tree.largestDirectory = std::max(tree.largestDirectory, names.size() + 2);
    }
    temp.Write("e/" + excludedName, "the listing");
    fs::create_symlink(temp / ("e/" + excludedName), temp / "a/link");
    files["e/"].insert(excludedName);
    files["a/"].insert("link");

    std::set<std::string> compared;
    std::map<std::string, std::set<std::string>> listed;
    for (const auto& [directory, names] : files) {
        for (const std::string& name : names) {
            if (directory == "unlisted/" || name == excludedName || random() % 2 != 0) continue;
            tree.listed.push_back(directory + name);
            listed[directory].insert(name);
            compared.insert(directory);
        }
    }
    std::shuffle(tree.listed.begin(), tree.listed.end(), random);
    for (const std::string& directory : compared) {
        for (const std::string& name : files[directory]) {
            // The link leads to the excluded file: it is that file, under another name.
            if (name == excludedName || name == "link") continue;
            if (listed[directory].count(name) == 0) tree.expected.push_back(directory + name);
        }
    }
    // In byte order of the whole paths: "a/B/x" before "a/f1".
    std::sort(tree.expected.begin(), tree.expected.end());
    return tree;
}

TEST(NewFileFinderTest, BatchesOfAnySizeFindTheSameFilesInTheSameOrder) {
    const NewFileFinder::Limits limits[] = {
        {1, 1},          {2, 3},     {1, 1000},     {1000, 1},     {3, 40},
        {1000, 1000, 1}, {3, 40, 6}, {1000, 40, 9}, {4, 1000, 12}, {}};
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        TempDir temp;
        const Tree tree = MakeTree(temp, seed, "listing.crc");
        struct stat info {};
        ASSERT_EQ(::stat((temp / "e/listing.crc").c_str(), &info), 0);
        const FileIdentity excluded{static_cast<std::uint64_t>(info.st_dev),
                                    static_cast<std::uint64_t>(info.st_ino)};
        const int base = ::open(temp.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_GE(base, 0);
        for (const NewFileFinder::Limits& limit : limits) {
            NewFileFinder finder(base, {excluded}, limit);
            for (const std::string& path : tree.listed) finder.Listed(path);
            std::vector<std::string> reported;
            ASSERT_TRUE(finder.Report(
                [&](const std::string& path) {
                    reported.push_back(path);
                    return true;
                },
                [] { return true; }));
            const std::string label = "seed " + std::to_string(seed) + " limits " +
                                      std::to_string(limit.directoriesPerPass) + "/" +
                                      std::to_string(limit.namesPerPass) + "/" +
                                      std::to_string(limit.pathBytesPerPass);
            EXPECT_EQ(reported, tree.expected) << label;
            EXPECT_LE(finder.MostNamesHeld(), limit.namesPerPass + tree.largestDirectory) << label;
            if (limit.namesPerPass == 1) {
                EXPECT_LE(finder.MostNamesHeld(), tree.largestDirectory) << label;
            }
        }
        ::close(base);
    }
}

TEST(NewFileFinderTest, StopsWhenTheReportOrTheRunSays) {
    TempDir temp;
    const Tree tree = MakeTree(temp, 9, "none");
    ASSERT_GE(tree.expected.size(), 5u);
    const int base = ::open(temp.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (const std::size_t stopAfter : {std::size_t{0}, std::size_t{1}, std::size_t{4}}) {
        NewFileFinder finder(base, {}, {1, 1});
        for (const std::string& path : tree.listed) finder.Listed(path);
        std::size_t reports = 0;
        EXPECT_FALSE(finder.Report([&](const std::string&) { return ++reports <= stopAfter; },
                                   [] { return true; }));
        EXPECT_EQ(reports, stopAfter + 1);
        int polls = 0;
        reports = 0;
        EXPECT_FALSE(finder.Report(
            [&](const std::string&) {
                ++reports;
                return true;
            },
            [&] { return ++polls <= static_cast<int>(stopAfter); }));
        EXPECT_LT(reports, tree.expected.size());
    }
    ::close(base);
}

TEST(ScratchFileTest, GivesBackEveryByteOnDiskOrInMemory) {
    std::mt19937 random(3);
    std::string written;
    std::vector<std::string> pieces;
    while (written.size() < 3 * 256 * 1024) {
        std::string piece(random() % 70000, '\0');
        for (char& c : piece) c = static_cast<char>(random());
        written += piece;
        pieces.push_back(std::move(piece));
    }
    TempDir temp;
    const char* saved = std::getenv("TMPDIR");
    const std::string savedValue = saved != nullptr ? saved : "";
    for (const std::string& tmpdir : {temp.Path(), temp / "absent"}) {
        ::setenv("TMPDIR", tmpdir.c_str(), 1);
        ScratchFile scratch;
        for (const std::string& piece : pieces) scratch.Append(piece);
        for (int pass = 0; pass < 2; ++pass) {
            std::string read;
            EXPECT_TRUE(scratch.ForEachPiece([&](std::string_view piece) {
                read.append(piece);
                return true;
            }));
            EXPECT_EQ(read, written) << tmpdir;
        }
        // On disk, only a piece waiting to be written is held in memory.
        if (tmpdir == temp.Path()) {
            EXPECT_LT(scratch.BytesInMemory(), 256u * 1024);
        }
        EXPECT_TRUE(fs::is_empty(temp.Path())) << "the scratch file has no name";
    }
    if (saved != nullptr) {
        ::setenv("TMPDIR", savedValue.c_str(), 1);
    } else {
        ::unsetenv("TMPDIR");
    }
}

}  // namespace
}  // namespace quillmark::testing
