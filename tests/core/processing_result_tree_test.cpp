// processing_result_tree_test.cpp - the order of the sorted results and their printed lines.
#include <algorithm>
#include <cstdio>
#include <random>

#include "processing/result_line.h"
#include "processing/result_tree.h"
#include "tests/core/result_line_support.h"
#include "tests/core/run_fakes.h"

namespace quillmark::testing {
namespace {

std::string Printed(const ResultTree& tree) {
    StringSink sink;
    EXPECT_TRUE(tree.Print(sink));
    return sink.text_;
}

// '.' 0x2E < '/' 0x2F < '0' 0x30 < '_' 0x5F < 'b' 0x62; bytes above 0x7F sort last. Arrivals in
// order, in reverse and shuffled all print in this order.
TEST(ResultTreeTest, PrintsInByteOrderWhateverTheArrivalOrder) {
    const std::vector<std::string> ordered = {"/d/a",  "/d/a.txt", "/d/a/x.txt", "/d/a/z",
                                              "/d/a0", "/d/a_",    "/d/ab.txt",  "/d/\xc3\xa9"};
    std::vector<std::string> arrivals = ordered;
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        if (round == 1) std::ranges::reverse(arrivals);
        if (round > 1) std::ranges::shuffle(arrivals, random);
        ResultTree tree;
        for (const std::string& key : arrivals) tree.Insert(key, 0, 0, true);
        ASSERT_EQ(testing::TabularPaths(Printed(tree)), ordered) << "round " << round;
    }
}

TEST(ResultTreeTest, EqualKeysKeepArrivalOrderAndEachLineItsForm) {
    ResultTree tree;
    EXPECT_EQ(Printed(tree), "");
    tree.Insert("/d/m", 1, 0x11, true);
    tree.Insert("/d/z", 9, 0x99, true);
    tree.Insert("/d/m", 2, 0x22, true);
    tree.Insert("/d/a", 0, 0, true);
    tree.Insert("/d/m", 4096, 0, false);
    tree.Insert("/d/m", 3, 0x33, true);
    EXPECT_EQ(Printed(tree),
              FormatTabularLine(0, 0, "/d/a") + FormatTabularLine(0x11, 1, "/d/m") +
                  FormatTabularLine(0x22, 2, "/d/m") + "Error encountered reading the file /d/m\n" +
                  FormatTabularLine(0x33, 3, "/d/m") + FormatTabularLine(0x99, 9, "/d/z"));
}

TEST(ResultTreeTest, PrintStopsAtAFailedWrite) {
    ResultTree tree;
    tree.Insert("/d/a", 1, 1, true);
    tree.Insert("/d/b", 1, 1, true);
    StringSink failing;
    failing.failAfterWrites = 0;
    EXPECT_FALSE(tree.Print(failing));
    EXPECT_EQ(failing.writes, 1);
}

}  // namespace
}  // namespace quillmark::testing
