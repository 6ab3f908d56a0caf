// crc_text_mode_test.cpp - the three reading modes, the byte-count check and its fallback to
// binary reading, files that changed size, and checksums that equal the old signal values.
#include <algorithm>
#include <array>

#include "checksum/crc_table.h"
#include "settings/option_flags.h"
#include "tests/core/checksum_support.h"
#include "tests/core/test_support.h"

namespace quillmark::testing {
namespace {

constexpr std::uint8_t kBinary = 0;
constexpr std::uint8_t kAscii = OPT_ASCII_MODE;
constexpr std::uint8_t kUnixLf = OPT_UNIX_LF;

struct ModeCase {
    const char* name;
    std::string_view file;
    std::uint64_t expectedSize;
    std::uint8_t flags;
    std::string_view checksummedAs;  // the bytes whose CRC is the result
    RawReadStatus textPass;          // only for the text modes
};

using namespace std::string_view_literals;

const ModeCase kModeCases[] = {
    {"AsciiCrLfReadAsLf", "ab\r\ncd\r\n", 8, kAscii, "ab\ncd\n", RawReadStatus::Ok},
    {"AsciiLfFallsBackToTheSameValue", "ab\ncd\n", 6, kAscii, "ab\ncd\n",
     RawReadStatus::CountMismatch},
    {"UnixLfWidenedToCrLf", "ab\n", 3, kUnixLf, "ab\r\n", RawReadStatus::Ok},
    {"UnixCrLfFallsBackToTheSameValue", "ab\r\n", 4, kUnixLf, "ab\r\n",
     RawReadStatus::CountMismatch},
    {"UnixLfWinsOverAsciiMode", "ab\n", 3, kUnixLf | kAscii, "ab\r\n", RawReadStatus::Ok},
    {"AsciiLoneCrKept", "a\rb\r\n", 5, kAscii, "a\rb\n", RawReadStatus::Ok},
    {"AsciiCrCrLfKeepsTheFirstCr", "a\r\r\nb", 5, kAscii, "a\r\nb", RawReadStatus::Ok},
    {"AsciiCrAsLastByteKept", "ab\r\ncd\r", 7, kAscii, "ab\ncd\r", RawReadStatus::Ok},
    {"UnixCrAsLastByteKept", "ab\ncd\r", 6, kUnixLf, "ab\r\ncd\r", RawReadStatus::Ok},
    {"AsciiCtrlZBeforeTheEndGivesBinary", "ab\r\n\x1a\r\ncd\r\n", 11, kAscii,
     "ab\r\n\x1a\r\ncd\r\n", RawReadStatus::CountMismatch},
    {"UnixCtrlZBeforeTheEndGivesBinary", "ab\n\x1a\ncd\n", 8, kUnixLf, "ab\n\x1a\ncd\n",
     RawReadStatus::CountMismatch},
    {"AsciiCtrlZAsLastByteGivesBinary", "ab\r\n\x1a", 5, kAscii, "ab\r\n\x1a",
     RawReadStatus::CountMismatch},
    {"AsciiMixedLineEndsGiveBinary", "ab\r\ncd\nef\r\n", 11, kAscii, "ab\r\ncd\nef\r\n",
     RawReadStatus::CountMismatch},
    {"UnixMixedLineEndsGiveBinary", "ab\r\ncd\nef\r\n", 11, kUnixLf, "ab\r\ncd\nef\r\n",
     RawReadStatus::CountMismatch},
    {"AsciiNoLineFeedIsBinary", "abc\rdef\r", 8, kAscii, "abc\rdef\r", RawReadStatus::Ok},
    {"UnixNoLineFeedIsBinary", "abc\rdef\r", 8, kUnixLf, "abc\rdef\r", RawReadStatus::Ok},
    {"BinaryNoLineFeed", "abc\rdef\r", 8, kBinary, "abc\rdef\r", RawReadStatus::Ok},
    {"BinaryLongerThanListedReadsTheListedSize", "123456789extra", 9, kBinary, "123456789",
     RawReadStatus::Ok},
    {"AsciiReadsOnlyTheListedSize", "123456789\r\nextra", 9, kAscii, "123456789",
     RawReadStatus::Ok},
    {"UnixReadsOnlyTheListedSize", "ab\ncd\n", 3, kUnixLf, "ab\r\n", RawReadStatus::Ok},
    {"AsciiCrEndingTheListedSizeIsKept", "ab\r\ncd", 3, kAscii, "ab\r", RawReadStatus::Ok},
};

class ReadingModeTest : public ::testing::TestWithParam<ModeCase> {};

TEST_P(ReadingModeTest, ChecksumsTheExpectedBytes) {
    const ModeCase& c = GetParam();
    TempDir dir;
    std::string path = dir.Write("file", c.file);
    CrcTable table;
    CrcResult result = ComputeFileCrcOf(path, c.expectedSize, ReadModeFromFlags(c.flags));
    EXPECT_EQ(result.status, CrcStatus::Ok);
    EXPECT_EQ(result.crc, ReferenceCrc(c.checksummedAs));
    if (c.flags != kBinary) {
        EXPECT_EQ(CrcTextReadOf(path, c.expectedSize, ReadModeFromFlags(c.flags)).status,
                  c.textPass);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadingModeTest, ::testing::ValuesIn(kModeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ChangedSizeTest, FileShorterThanItsSizeIsChangedInEveryMode) {
    TempDir dir;
    std::string path = dir.Write("file", "ab\r\ncd\r\n");
    CrcTable table;
    for (std::uint8_t flags : {kBinary, kAscii, kUnixLf}) {
        EXPECT_EQ(ComputeFileCrcOf(path, 9, ReadModeFromFlags(flags)).status, CrcStatus::Changed)
            << "flags " << int(flags);
    }
    EXPECT_EQ(CrcBinaryReadOf(path, 9).status, RawReadStatus::ReadFailed);
}

// Four bytes that, appended to bytes already checksummed, bring the CRC to target: the four
// steps of the register are undone from the end, using that the table's top bytes are distinct.
std::array<std::uint8_t, 4> SuffixForCrc(const Bytes& checksummed, std::uint32_t target) {
    CrcTable table;
    std::array<std::uint8_t, 256> indexOfTopByte{};
    for (int i = 0; i < 256; ++i) indexOfTopByte[table.Entry(std::uint8_t(i)) >> 24] = i;
    std::uint32_t reg = ~target;
    for (int step = 0; step < 4; ++step) {
        std::uint8_t index = indexOfTopByte[reg >> 24];
        reg = ((reg ^ table.Entry(index)) << 8) | index;
    }
    reg ^= ~ReferenceCrc(checksummed);
    return {std::uint8_t(reg), std::uint8_t(reg >> 8), std::uint8_t(reg >> 16),
            std::uint8_t(reg >> 24)};
}

struct ForcedCase {
    const char* name;
    std::string_view file;           // before the salt and the four forcing bytes
    std::string_view checksummedAs;  // the same text as the mode checksums it
    std::uint8_t flags;
    std::uint32_t crc;
};

const ForcedCase kForcedCases[] = {
    {"BinaryCrcZero", "data", "data", kBinary, 0x00000000u},
    {"BinaryCrcAllOnes", "data", "data", kBinary, 0xFFFFFFFFu},
    {"AsciiCrcZero", "one\r\ntwo\r\n", "one\ntwo\n", kAscii, 0x00000000u},
    {"AsciiCrcAllOnes", "one\r\ntwo\r\n", "one\ntwo\n", kAscii, 0xFFFFFFFFu},
    {"UnixCrcZero", "one\ntwo\n", "one\r\ntwo\r\n", kUnixLf, 0x00000000u},
    {"UnixCrcAllOnes", "one\ntwo\n", "one\r\ntwo\r\n", kUnixLf, 0xFFFFFFFFu},
};

class SignalValueTest : public ::testing::TestWithParam<ForcedCase> {};

// A checksum of 0 or 0xFFFFFFFF is a checksum: the status, not the value, says what happened.
TEST_P(SignalValueTest, IsReportedAsItIs) {
    const ForcedCase& c = GetParam();
    Bytes file, checksummed;
    for (char salt = 'A'; salt <= 'z'; ++salt) {
        file = ToBytes(c.file);
        checksummed = ToBytes(c.checksummedAs);
        file.push_back(std::uint8_t(salt));
        checksummed.push_back(std::uint8_t(salt));
        auto suffix = SuffixForCrc(checksummed, c.crc);
        // The forcing bytes must not change how the text is read.
        if (std::ranges::any_of(suffix, [](auto b) { return b == 0x0A || b == 0x0D || b == 0x1A; }))
            continue;
        file.insert(file.end(), suffix.begin(), suffix.end());
        checksummed.insert(checksummed.end(), suffix.begin(), suffix.end());
        break;
    }
    ASSERT_EQ(ReferenceCrc(checksummed), c.crc);
    if (c.flags != kBinary) {
        ASSERT_NE(ReferenceCrc(file), c.crc) << "binary must differ";
    }

    TempDir dir;
    std::string path = dir.Write("forced", file);
    CrcResult result = ComputeFileCrcOf(path, file.size(), ReadModeFromFlags(c.flags));
    EXPECT_EQ(result.status, CrcStatus::Ok);
    EXPECT_EQ(result.crc, c.crc);
}

INSTANTIATE_TEST_SUITE_P(Cases, SignalValueTest, ::testing::ValuesIn(kForcedCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillmark::testing
