// processing_result_tree_test.cpp - the order of the sorted results and their printed lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "processing/result_line.h"
#include "processing/result_tree.h"
#include "processing_test_support.h"

namespace quillmark {
namespace {

using testing::StringSink;

std::string Printed(const ResultTree& tree) {
    StringSink sink;
    EXPECT_TRUE(tree.Print(sink));
    return sink.text_;
}

std::vector<std::string> PrintedPaths(const ResultTree& tree) {
    return testing::TabularPaths(Printed(tree));
}

TEST(ResultTreeTest, AscendingAndDescendingArrivalsPrintAscending) {
    const std::vector<std::string> keys = {"/d/a", "/d/b", "/d/c", "/d/d", "/d/e"};
    ResultTree ascending;
    for (const std::string& key : keys) ascending.Insert(key, 1, 1, true);
    ResultTree descending;
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) descending.Insert(*it, 1, 1, true);
    EXPECT_EQ(PrintedPaths(ascending), keys);
    EXPECT_EQ(PrintedPaths(descending), keys);
}

TEST(ResultTreeTest, EqualKeysKeepInsertionOrderWhateverArrivesBetween) {
    ResultTree tree;
    tree.Insert("/d/m", 1, 0x11, true);
    tree.Insert("/d/z", 9, 0x99, true);
    tree.Insert("/d/m", 2, 0x22, true);
    tree.Insert("/d/a", 8, 0x88, true);
    tree.Insert("/d/m", 3, 0x33, true);
    EXPECT_EQ(Printed(tree),
              FormatTabularLine(0x88, 8, "/d/a") + FormatTabularLine(0x11, 1, "/d/m") +
                  FormatTabularLine(0x22, 2, "/d/m") + FormatTabularLine(0x33, 3, "/d/m") +
                  FormatTabularLine(0x99, 9, "/d/z"));
}

TEST(ResultTreeTest, ByteOrderPutsPrefixesFirstAndSubdirectoryBetweenDotAndLetters) {
    // '.' 0x2E < '/' 0x2F < '0' 0x30 < '_' 0x5F < 'b' 0x62; bytes above 0x7F sort last.
    const std::vector<std::string> ordered = {"/d/a",  "/d/a.txt", "/d/a/x.txt", "/d/a/z",
                                              "/d/a0", "/d/a_",    "/d/ab.txt",  "/d/\xc3\xa9"};
    std::vector<std::string> scrambled = ordered;
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        std::shuffle(scrambled.begin(), scrambled.end(), random);
        ResultTree tree;
        for (const std::string& key : scrambled) tree.Insert(key, 0, 0, true);
        ASSERT_EQ(PrintedPaths(tree), ordered);
    }
}

TEST(ResultTreeTest, UnreadableFileGetsTheReadErrorLineAtItsPlaceAndEmptyFileItsLine) {
    ResultTree tree;
    tree.Insert("/d/c", 5, 0xC, true);
    tree.Insert("/d/b", 4096, 0, false);
    tree.Insert("/d/a", 0, 0, true);
    EXPECT_EQ(Printed(tree),
              "00000000            0   /d/a\n"
              "Error encountered reading the file /d/b\n"
              "0000000c            5   /d/c\n");
}

TEST(ResultTreeTest, PrintStopsAtAFailedWrite) {
    ResultTree tree;
    tree.Insert("/d/a", 1, 1, true);
    StringSink failing;
    failing.failAfterWrites = 0;
    EXPECT_FALSE(tree.Print(failing));
    EXPECT_EQ(failing.writes, 1);
}

TEST(ResultTreeTest, EmptyTreePrintsNothingAndClearEmpties) {
    ResultTree tree;
    EXPECT_EQ(Printed(tree), "");
    tree.Insert("/x", 1, 1, true);
    EXPECT_FALSE(tree.IsEmpty());
    tree.Clear();
    EXPECT_TRUE(tree.IsEmpty());
    EXPECT_EQ(Printed(tree), "");
}

// Counts lines and keeps the first and last, without holding a million of them.
class CountingSink : public OutputSink {
public:
    bool Write(std::string_view text) override {
        bytes += text.size();
        for (char c : text) lines += c == '\n';
        if (first.empty()) first = std::string(text.substr(0, text.find('\n') + 1));
        const std::size_t lastStart = text.rfind('\n', text.size() - 2);
        last = std::string(text.substr(lastStart == std::string_view::npos ? 0 : lastStart + 1));
        return true;
    }
    std::uint64_t bytes = 0;
    std::uint64_t lines = 0;
    std::string first;
    std::string last;
};

TEST(ResultTreeTest, MillionResultsArrivingInKeyOrder) {
    constexpr int kCount = 1000000;
    ResultTree tree;
    char key[64];
    for (int i = 0; i < kCount; ++i) {
        std::snprintf(key, sizeof key, "/data/dir%03d/file%07d.bin", i / 5000, i);
        tree.Insert(key, static_cast<std::uint64_t>(i), static_cast<std::uint32_t>(i), true);
    }
    ASSERT_EQ(tree.Size(), static_cast<std::size_t>(kCount));
    CountingSink sink;
    ASSERT_TRUE(tree.Print(sink));
    EXPECT_EQ(sink.lines, static_cast<std::uint64_t>(kCount));
    EXPECT_EQ(sink.first, FormatTabularLine(0, 0, "/data/dir000/file0000000.bin"));
    EXPECT_EQ(sink.last, FormatTabularLine(999999, 999999, "/data/dir199/file0999999.bin"));
    tree.Clear();
    EXPECT_TRUE(tree.IsEmpty());
}

}  // namespace
}  // namespace quillmark
