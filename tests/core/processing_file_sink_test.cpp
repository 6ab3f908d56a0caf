// processing_file_sink_test.cpp - appending with CR LF line ends, and failing writes.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "processing/file_sink.h"
#include "processing_test_support.h"

namespace quillmark {
namespace {

using testing::TempDir;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

TEST(FileSinkTest, CreatesAppendsNeverTruncatesAndStoresCrLf) {
    TempDir temp;
    const std::string path = temp / "out.txt";
    {
        FileSink sink;
        ASSERT_TRUE(sink.Open(path));
        ASSERT_TRUE(sink.Write("one\ntwo"));
        ASSERT_TRUE(sink.Write(" halves\n\n"));
    }
    EXPECT_EQ(ReadAll(path), "one\r\ntwo halves\r\n\r\n");
    {
        FileSink sink;
        ASSERT_TRUE(sink.Open(path));
        ASSERT_TRUE(sink.Write("three\n"));
        ASSERT_TRUE(sink.Close());
    }
    EXPECT_EQ(ReadAll(path), "one\r\ntwo halves\r\n\r\nthree\r\n");
}

TEST(FileSinkTest, TextLargerThanTheBufferArrivesWhole) {
    TempDir temp;
    const std::string path = temp / "big.txt";
    std::string text;
    std::string expected;
    for (int i = 0; i < 30000; ++i) {
        const std::string line = "line " + std::to_string(i);
        text += line + "\n";
        expected += line + "\r\n";
    }
    FileSink sink;
    ASSERT_TRUE(sink.Open(path));
    ASSERT_TRUE(sink.Write(text));
    ASSERT_TRUE(sink.Flush());
    EXPECT_EQ(ReadAll(path), expected);
}

TEST(FileSinkTest, FullDeviceFailsTheWriteAndStaysFailed) {
    FileSink sink;
    ASSERT_TRUE(sink.Open("/dev/full"));
    // Small writes sit in the buffer; the failure shows when it goes out.
    EXPECT_TRUE(sink.Write("held\n"));
    EXPECT_FALSE(sink.Flush());
    EXPECT_FALSE(sink.Write("more\n"));
    EXPECT_FALSE(sink.Close());
    // Large writes fail at once.
    ASSERT_TRUE(sink.Open("/dev/full"));
    EXPECT_FALSE(sink.Write(std::string(200000, 'x')));
}

TEST(FileSinkTest, UnopenablePathFails) {
    TempDir temp;
    FileSink sink;
    EXPECT_FALSE(sink.Open(temp / "missing/out.txt"));
    EXPECT_FALSE(sink.IsOpen());
    EXPECT_FALSE(sink.Write("x\n"));
}

}  // namespace
}  // namespace quillmark
