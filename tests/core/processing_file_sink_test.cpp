// processing_file_sink_test.cpp - appending with CR LF line ends, and failing writes.
#include <fcntl.h>
#include <unistd.h>

#include "platform/posix_io.h"
#include "processing/file_sink.h"
#include "tests/core/test_support.h"

namespace quillmark::testing {
namespace {

TEST(FileSinkTest, CreatesAppendsNeverTruncatesAndStoresCrLf) {
    TempDir temp;
    const std::string path = temp / "out.txt";
    {
        FileSink sink;
        ASSERT_TRUE(sink.Open(path));
        ASSERT_TRUE(sink.Write("one\ntwo"));
        ASSERT_TRUE(sink.Write(" halves\n\n"));
    }
    EXPECT_EQ(ReadFile(path), "one\r\ntwo halves\r\n\r\n");
    FileSink sink;
    ASSERT_TRUE(sink.Open(path));
    ASSERT_TRUE(sink.Write("three\n"));
    ASSERT_TRUE(sink.Close());
    EXPECT_EQ(ReadFile(path), "one\r\ntwo halves\r\n\r\nthree\r\n");
}

TEST(FileSinkTest, TextLargerThanTheBufferArrivesWhole) {
    TempDir temp;
    std::string text;
    for (int i = 0; i < 30000; ++i) text += "line " + std::to_string(i) + "\n";
    FileSink sink;
    ASSERT_TRUE(sink.Open(temp / "big.txt"));
    ASSERT_TRUE(sink.Write(text));
    ASSERT_TRUE(sink.Flush());
    // Compared whole only once the sizes agree: a diff of 30000 lines takes long to print.
    const std::string written = ReadFile(temp / "big.txt");
    ASSERT_EQ(written.size(), testing::CrLf(text).size());
    EXPECT_TRUE(written == testing::CrLf(text));
}

TEST(FileSinkTest, FullDeviceOrUnopenablePathFails) {
    FileSink sink;
    ASSERT_TRUE(sink.Open("/dev/full"));
    // Small writes sit in the buffer; the failure shows when it goes out, and stays.
    EXPECT_TRUE(sink.Write("held\n"));
    EXPECT_FALSE(sink.Flush());
    EXPECT_FALSE(sink.Write("more\n"));
    EXPECT_FALSE(sink.Close());
    // Large writes fail at once.
    ASSERT_TRUE(sink.Open("/dev/full"));
    EXPECT_FALSE(sink.Write(std::string(200000, 'x')));

    TempDir temp;
    FileSink unopened;
    EXPECT_FALSE(unopened.Open(temp / "missing/out.txt"));
    EXPECT_FALSE(unopened.IsOpen());
    EXPECT_FALSE(unopened.Write("x\n"));
}

// Under a file size limit the write that crosses it is cut short and the next one fails: the part
// of the record that got in is cut off again, so the file still ends on a whole line, and the
// results buffered before it were written whole.
TEST(FileSinkTest, WriteFailingPartWayLeavesOnlyWholeRecords) {
    TempDir temp;
    const std::string path = temp.Write("out.txt", "before\r\n");
    FileSink sink;
    bool opened = false;
    bool written = false;
    {
        testing::FileSizeLimit limit(8 + 70000);
        ASSERT_TRUE(limit.Active());
        opened = sink.Open(path);
        // One record larger than the buffer goes out in one write, which the limit cuts short.
        written = opened && sink.Write("Filename: x\n" + std::string(80000, 'y') + "\n");
    }
    ASSERT_TRUE(opened);
    EXPECT_FALSE(written);
    EXPECT_FALSE(sink.Close());
    EXPECT_EQ(ReadFile(path), "before\r\n");
}

std::string Record(int i) {
    std::string record = "Filename: /data/file-" + std::to_string(i) + "\nFile size: 1\n\n";
    return record;
}

// A full disk or a size limit stops the buffered results part-way: every whole result that got in
// stays, the piece of the next one goes, whatever the limit's place against the results.
TEST(FileSinkTest, LimitPartWayKeepsEveryWholeResultThatGotIn) {
    const std::string before = "before\r\n";
    const std::size_t recordSize = CrLf(Record(0)).size();  // all ten are the same size
    struct Row {
        const char* name;
        std::size_t limitAfterBefore;
        std::size_t wholeRecordsKept;
    };
    const Row rows[] = {
        {"inside the first result", 5, 0},
        {"at the end of the third", 3 * recordSize, 3},
        {"one byte into the fourth", 3 * recordSize + 1, 3},
        {"one byte short of the eighth", 8 * recordSize - 1, 7},
    };
    for (const Row& row : rows) {
        TempDir temp;
        const std::string path = temp.Write("out.txt", before);
        std::string expected = before;
        for (std::size_t i = 0; i < row.wholeRecordsKept; ++i) {
            expected += CrLf(Record(static_cast<int>(i)));
        }
        FileSink sink;
        bool flushed = true;
        {
            FileSizeLimit limit(before.size() + row.limitAfterBefore);
            ASSERT_TRUE(limit.Active());
            ASSERT_TRUE(sink.Open(path));
            for (int i = 0; i < 10; ++i) ASSERT_TRUE(sink.Write(Record(i))) << row.name;
            flushed = sink.Flush();
        }
        EXPECT_FALSE(flushed) << row.name;
        EXPECT_FALSE(sink.Write(Record(10))) << row.name;
        EXPECT_FALSE(sink.Close()) << row.name;
        EXPECT_EQ(ReadFile(path), expected) << row.name;
    }
}

// Standard output redirected with '>' has no O_APPEND: after the cut its offset is the file's new
// end, so what a shell writes next into it follows the last whole record without a hole.
TEST(WriteRecordsTest, CutLeavesTheOffsetAtTheNewEnd) {
    TempDir temp;
    const std::string path = temp / "out.txt";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    const std::string bytes = "one\ntwo\nthree\n";
    WriteOutcome outcome;
    {
        FileSizeLimit limit(10);
        ASSERT_TRUE(limit.Active());
        outcome = WriteRecords(fd, bytes, {4, 8, 14});
    }
    EXPECT_FALSE(outcome.Whole());
    EXPECT_EQ(outcome.written, 10u);
    EXPECT_EQ(WriteAll(fd, "after\n").error, 0);
    ::close(fd);
    EXPECT_EQ(ReadFile(path), "one\ntwo\nafter\n");
}

// Records are never split between writes, however they fall against the buffer's size.
TEST(FileSinkTest, EachRecordReachesTheFileInOneWrite) {
    TempDir temp;
    const std::string path = temp / "out.txt";
    FileSink sink;
    ASSERT_TRUE(sink.Open(path));
    const std::string record = "Filename: " + std::string(5000, 'r') + "\nFile size: 1\n\n";
    std::size_t lastSize = 0;
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(sink.Write(record));
        const std::size_t size = ReadFile(path).size();
        EXPECT_EQ(size % testing::CrLf(record).size(), 0u) << "after record " << i;
        lastSize = size;
    }
    EXPECT_GT(lastSize, 0u);
}

}  // namespace
}  // namespace quillmark::testing
