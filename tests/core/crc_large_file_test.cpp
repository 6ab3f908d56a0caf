// crc_large_file_test.cpp - files past 4 GiB, and progress and cancelling between buffers.
#include <libdeflate.h>
#include <unistd.h>

#include <cstdlib>
#include <numeric>

#include "checksum/crc_table.h"
#include "checksum/read_buffer.h"
#include "settings/option_flags.h"
#include "tests/core/test_support.h"

namespace quillmark {
namespace {

using testing::Bytes;
using testing::TempDir;

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
    const CrcResult binary = table.ComputeFileCrc(path, kSize, 0);
    EXPECT_EQ(binary.status, CrcStatus::Ok);
    EXPECT_EQ(binary.crc, expected);
    // No LF: the text pass counts every byte, past what 32 bits hold, and must match.
    const RawRead text = table.CrcTextRead(path, kSize, OPT_ASCII_MODE);
    EXPECT_EQ(text.status, RawReadStatus::Ok);
    EXPECT_EQ(~text.reg, expected);
    EXPECT_EQ(table.CrcTextRead(path, kSize & 0xFFFFFFFFu, OPT_ASCII_MODE).status,
              RawReadStatus::CountMismatch);
}

class RecordingProgress : public ReadProgress {
public:
    explicit RecordingProgress(std::size_t callsAllowed) : m_callsAllowed(callsAllowed) {}
    bool OnBytesRead(std::uint64_t bytes) override {
        reports.push_back(bytes);
        return reports.size() < m_callsAllowed;
    }
    std::uint64_t Total() const { return std::accumulate(reports.begin(), reports.end(), 0ull); }

    std::vector<std::uint64_t> reports;

private:
    std::size_t m_callsAllowed;
};

constexpr std::uint64_t kThreeBuffersAndABit = 3 * kReadBufferSize + 5;

// Each buffer is reported; false from the report cancels without falling back to binary.
TEST(ProgressTest, EachBufferIsReportedAndFalseCancels) {
    TempDir dir;
    const std::string path = dir.Write("file", Bytes(kThreeBuffersAndABit, 'x'));
    CrcTable table;
    for (std::uint8_t flags : {std::uint8_t{0}, OPT_ASCII_MODE, OPT_UNIX_LF}) {
        RecordingProgress whole(1000);
        EXPECT_EQ(table.ComputeFileCrc(path, kThreeBuffersAndABit, flags, &whole).status,
                  CrcStatus::Ok);
        EXPECT_EQ(whole.reports.size(), 4u) << "flags " << int(flags);
        EXPECT_EQ(whole.Total(), kThreeBuffersAndABit) << "flags " << int(flags);

        RecordingProgress stopped(2);
        EXPECT_EQ(table.ComputeFileCrc(path, kThreeBuffersAndABit, flags, &stopped).status,
                  CrcStatus::Cancelled)
            << "flags " << int(flags);
        EXPECT_EQ(stopped.reports.size(), 2u) << "flags " << int(flags);
    }
    RecordingProgress stopped(1);
    EXPECT_EQ(table.CrcBinaryRead(path, kThreeBuffersAndABit, &stopped).status,
              RawReadStatus::Cancelled);
}

TEST(ProgressTest, FallbackReportsBothPasses) {
    TempDir dir;
    Bytes lines(kThreeBuffersAndABit, 'x');
    for (std::size_t i = 50; i < lines.size(); i += 60) lines[i] = '\n';
    const std::string path = dir.Write("file", lines);
    RecordingProgress progress(1000);
    const CrcResult result =
        CrcTable().ComputeFileCrc(path, lines.size(), OPT_ASCII_MODE, &progress);
    EXPECT_EQ(result.status, CrcStatus::Ok);
    EXPECT_EQ(result.crc, testing::ReferenceCrc(lines));
    // The text pass may stop once its count has passed the file size; the binary pass reads all.
    EXPECT_GT(progress.Total(), kThreeBuffersAndABit);
    EXPECT_LE(progress.Total(), 2 * kThreeBuffersAndABit);
}

}  // namespace
}  // namespace quillmark
