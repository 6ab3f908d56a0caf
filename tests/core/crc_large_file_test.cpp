// crc_large_file_test.cpp - files past 4 GiB, progress and cancelling between buffers, and the
// read-ahead thread that large files are read through.
#include <libdeflate.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <numeric>
#include <thread>

#include "checksum/crc_table.h"
#include "checksum/read_buffer.h"
#include "settings/option_flags.h"
#include "tests/core/checksum_support.h"
#include "tests/core/test_support.h"

namespace quillmark::testing {
namespace {

std::uint32_t CrcOfZeros(std::uint64_t size) {
    const Bytes zeros(1 << 20, 0);
    std::uint32_t crc = 0;
    for (std::uint64_t left = size; left > 0;) {
        const auto chunk = static_cast<std::size_t>(std::min<std::uint64_t>(left, zeros.size()));
        crc = libdeflate_crc32(crc, zeros.data(), chunk);
        left -= chunk;
    }
    return crc;
}

// Reading 4 GiB of holes takes about a second; set QUILLMARK_SKIP_LARGE_FILES=1 to leave it out.
TEST(LargeFileTest, FilePastFourGibibytesIsChecksummedWhole) {
    if (std::getenv("QUILLMARK_SKIP_LARGE_FILES")) GTEST_SKIP() << "QUILLMARK_SKIP_LARGE_FILES";
    constexpr std::uint64_t kSize = (std::uint64_t{4} << 30) + 3;
    // Holes in tmpfs read as the shared zero page; elsewhere the kernel fills 4 GiB of page cache.
    TempDir dir(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : testing::fs::temp_directory_path());
    const std::string path = dir.Write("sparse", "");
    std::filesystem::resize_file(path, kSize);
    const std::uint32_t expected = CrcOfZeros(kSize);
    ASSERT_NE(expected, CrcOfZeros(kSize & 0xFFFFFFFFu)) << "a 32-bit size would pass unnoticed";

    CrcTable table;
    const CrcResult binary = ComputeFileCrcOf(path, kSize, ReadModeFromFlags(0));
    EXPECT_EQ(binary.status, CrcStatus::Ok);
    EXPECT_EQ(binary.crc, expected);
    // No LF: the text pass counts every byte, past what 32 bits hold, and must match.
    const RawRead text = CrcTextReadOf(path, kSize, ReadModeFromFlags(OPT_ASCII_MODE));
    EXPECT_EQ(text.status, RawReadStatus::Ok);
    EXPECT_EQ(~text.reg, expected);
}

constexpr std::uint64_t kThreeBuffersAndABit = 3 * kReadBufferSize + 5;

// Each buffer is reported; false from the report cancels without falling back to binary.
TEST(ProgressTest, EachBufferIsReportedAndFalseCancels) {
    TempDir dir;
    const std::string path = dir.Write("file", Bytes(kThreeBuffersAndABit, 'x'));
    CrcTable table;
    for (std::uint8_t flags : {std::uint8_t{0}, OPT_ASCII_MODE, OPT_UNIX_LF}) {
        RecordingProgress whole(1000);
        EXPECT_EQ(
            ComputeFileCrcOf(path, kThreeBuffersAndABit, ReadModeFromFlags(flags), &whole).status,
            CrcStatus::Ok);
        EXPECT_EQ(whole.reports.size(), 4u) << "flags " << int(flags);
        EXPECT_EQ(whole.Total(), kThreeBuffersAndABit) << "flags " << int(flags);

        RecordingProgress stopped(2);
        EXPECT_EQ(
            ComputeFileCrcOf(path, kThreeBuffersAndABit, ReadModeFromFlags(flags), &stopped).status,
            CrcStatus::Cancelled)
            << "flags " << int(flags);
        EXPECT_EQ(stopped.reports.size(), 2u) << "flags " << int(flags);
    }
    RecordingProgress stopped(1);
    EXPECT_EQ(CrcBinaryReadOf(path, kThreeBuffersAndABit, &stopped).status,
              RawReadStatus::Cancelled);
}

// A text pass that ends with a wrong count after reading every byte of the file's size has
// checksummed them as they are too, and the file is not read again; one that stopped early is
// followed by a binary pass from the first byte.
TEST(ProgressTest, BinaryPassFollowsOnlyATextPassThatStoppedEarly) {
    struct Case {
        const char* name;
        std::size_t size;
        std::size_t lineEvery;  // an LF every this many bytes (CR LF with crLf)
        bool crLf;
        std::ptrdiff_t ctrlZAt;  // -1 for none
        std::uint8_t flags;
        bool readTwice;
    };
    const Case cases[] = {
        {"LF text, ASCII, one short buffer", 1000, 60, false, -1, OPT_ASCII_MODE, false},
        {"LF text, ASCII, two buffers exactly", 2 * kReadBufferSize, 2000, false, -1,
         OPT_ASCII_MODE, false},
        {"Ctrl-Z in the last buffer", 5000, 60, true, 100, OPT_ASCII_MODE, false},
        {"Ctrl-Z ends the text buffers early", kThreeBuffersAndABit, 60, true, 100, OPT_ASCII_MODE,
         true},
        {"CR LF text, Unix LF, many buffers", kThreeBuffersAndABit, 60, true, -1, OPT_UNIX_LF,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file(c.size, 'x');
        for (std::size_t i = c.lineEvery; i < file.size(); i += c.lineEvery) {
            file[i] = '\n';
            if (c.crLf) file[i - 1] = '\r';
        }
        if (c.ctrlZAt >= 0) file[static_cast<std::size_t>(c.ctrlZAt)] = 0x1A;
        TempDir dir;
        const std::string path = dir.Write("file", file);
        RecordingProgress progress(100000);
        const CrcResult result =
            ComputeFileCrcOf(path, file.size(), ReadModeFromFlags(c.flags), &progress);
        EXPECT_EQ(result.status, CrcStatus::Ok);
        EXPECT_EQ(result.crc, testing::ReferenceCrc(file));
        if (c.readTwice) {
            EXPECT_GT(progress.Total(), file.size());
        } else {
            EXPECT_EQ(progress.Total(), file.size());
        }
    }
}

constexpr std::uint64_t kReadAheadFileSize =
    kReadAheadThreadThreshold + 2 * kReadAheadBufferSize + 12345;

// Lines of letters; with crLf every line ends in CR LF, and one straddles each boundary between
// read-ahead buffers. Either way the file passes the count check of the matching text mode.
Bytes Lines(bool crLf) {
    Bytes file;
    for (std::uint64_t state = 1; file.size() < kReadAheadFileSize;) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        std::size_t length = state >> 58;
        const std::size_t boundary =
            (file.size() / kReadAheadBufferSize + 1) * kReadAheadBufferSize;
        if (crLf && file.size() + length + 1 >= boundary) length = boundary - 1 - file.size();
        file.insert(file.end(), length, std::uint8_t('a' + length % 26));
        if (crLf) file.push_back('\r');
        file.push_back('\n');
    }
    file.resize(kReadAheadFileSize);
    return file;
}

std::size_t ThreadCount() {
    using std::filesystem::directory_iterator;
    return static_cast<std::size_t>(std::distance(directory_iterator("/proc/self/task"), {}));
}

// A joined thread may linger in the task list for a moment; one left running stays.
bool ThreadCountReturnsTo(std::size_t count) {
    for (int i = 0; i < 200 && ThreadCount() != count; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return ThreadCount() == count;
}

TEST(ReadAheadTest, LargeFilesMatchTheReferenceInEveryMode) {
    TempDir dir;
    const std::string crLfPath = dir.Write("crlf.txt", Lines(true));
    const std::string lfPath = dir.Write("lf.txt", Lines(false));
    CrcTable table;
    for (const std::string& path : {crLfPath, lfPath}) {
        const Bytes file = testing::ToBytes(testing::ReadFile(path));
        for (std::uint8_t flags : {std::uint8_t{0}, OPT_ASCII_MODE, OPT_UNIX_LF}) {
            SCOPED_TRACE(path + " flags " + std::to_string(flags));
            const testing::ReferenceTextPass reference =
                testing::ReferenceText(file, file.size(), (flags & OPT_UNIX_LF) != 0);
            // Each file is meant for the full text pass of one mode; the other falls back.
            const bool textPass = (path == crLfPath && flags == OPT_ASCII_MODE) ||
                                  (path == lfPath && flags == OPT_UNIX_LF);
            if (flags) {
                ASSERT_EQ(reference.countMatches, textPass);
            }
            const std::uint32_t expected = textPass ? reference.crc : testing::ReferenceCrc(file);
            RecordingProgress progress(100000);
            const CrcResult result =
                ComputeFileCrcOf(path, file.size(), ReadModeFromFlags(flags), &progress);
            EXPECT_EQ(result.status, CrcStatus::Ok);
            EXPECT_EQ(result.crc, expected);
            if (flags == 0) {
                // One report per read-ahead buffer, the last one short.
                EXPECT_EQ(progress.reports.size(), file.size() / kReadAheadBufferSize + 1);
                EXPECT_EQ(progress.Total(), file.size());
            }
        }
        // Only the listed size is read; a file shorter than its listing is unreadable.
        const RawRead prefix = CrcBinaryReadOf(path, file.size() - 7);
        EXPECT_EQ(prefix.status, RawReadStatus::Ok);
        EXPECT_EQ(~prefix.reg, testing::ReferenceCrc(Bytes(file.begin(), file.end() - 7)));
        EXPECT_EQ(CrcBinaryReadOf(path, file.size() + 1).status, RawReadStatus::ReadFailed);
    }
}

TEST(ReadAheadTest, CancelStopsAndJoinsTheReader) {
    TempDir dir;
    const std::string path = dir.Write("lf.txt", Lines(false));
    const std::size_t threadsBefore = ThreadCount();
    CrcTable table;
    for (std::uint8_t flags : {std::uint8_t{0}, OPT_ASCII_MODE, OPT_UNIX_LF}) {
        RecordingProgress stopped(3);
        EXPECT_EQ(
            ComputeFileCrcOf(path, kReadAheadFileSize, ReadModeFromFlags(flags), &stopped).status,
            CrcStatus::Cancelled)
            << "flags " << int(flags);
        EXPECT_EQ(stopped.reports.size(), 3u) << "flags " << int(flags);
        EXPECT_TRUE(ThreadCountReturnsTo(threadsBefore)) << "flags " << int(flags);
    }
}

// The reader may be a few buffers ahead when the file is cut, never as far as the cut.
TEST(ReadAheadTest, FileShrinkingDuringTheReadIsChanged) {
    constexpr std::uint64_t kCut = kReadAheadThreadThreshold + kReadAheadBufferSize + 7;
    static_assert(kCut > (kReadAheadBufferCount + 1) * kReadAheadBufferSize);
    TempDir dir;
    CrcTable table;
    for (std::uint8_t flags : {std::uint8_t{0}, OPT_ASCII_MODE}) {
        const std::string path = dir.Write("file" + std::to_string(flags), Lines(true));
        RecordingProgress progress(100000, [&] { std::filesystem::resize_file(path, kCut); });
        if (flags == 0) {
            EXPECT_EQ(CrcBinaryReadOf(path, kReadAheadFileSize, &progress).status,
                      RawReadStatus::ReadFailed);
        } else {
            EXPECT_EQ(
                ComputeFileCrcOf(path, kReadAheadFileSize, ReadModeFromFlags(flags), &progress)
                    .status,
                CrcStatus::Changed);
        }
        EXPECT_LE(progress.Total(), 2 * kCut);
    }
}

}  // namespace
}  // namespace quillmark::testing
