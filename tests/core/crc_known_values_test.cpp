// crc_known_values_test.cpp - the table, known CRC-32 values, and files that cannot be read.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "checksum/crc_table.h"
#include "crc_test_support.h"
#include "settings/option_flags.h"

namespace quillmark {
namespace {

using testing::ScratchDirectory;

constexpr std::uint8_t kBinary = 0;
constexpr std::uint8_t kAscii = OPT_ASCII_MODE;
constexpr std::uint8_t kUnixLf = OPT_UNIX_LF;
constexpr std::uint8_t kAllModes[] = {kBinary, kAscii, kUnixLf, kAscii | kUnixLf};

TEST(CrcTableTest, EntriesAreThoseOfTheReflectedPolynomial) {
    CrcTable table;
    EXPECT_EQ(table.Entry(0), 0x00000000u);
    EXPECT_EQ(table.Entry(1), 0x77073096u);
    EXPECT_EQ(table.Entry(0x80), 0xEDB88320u);
    EXPECT_EQ(table.Entry(255), 0x2D02EF8Du);
}

struct KnownValue {
    const char* text;
    std::uint32_t crc;
};

class KnownValueTest : public ::testing::TestWithParam<KnownValue> {};

TEST_P(KnownValueTest, EveryModeGivesTheStandardCrc) {
    ScratchDirectory dir;
    std::string text = GetParam().text;
    std::string path = dir.Write("known", text);
    CrcTable table;
    EXPECT_EQ(testing::TableCrc(text), GetParam().crc);
    // None of these texts holds a line end, so the text modes agree with binary.
    for (std::uint8_t flags : kAllModes) {
        CrcResult result = table.ComputeFileCrc(path, text.size(), flags);
        EXPECT_EQ(result.status, CrcStatus::Ok) << "flags " << int(flags);
        EXPECT_EQ(result.crc, GetParam().crc) << "flags " << int(flags);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Vectors, KnownValueTest,
    ::testing::Values(KnownValue{"123456789", 0xCBF43926u}, KnownValue{"a", 0xE8B7BE43u},
                      KnownValue{"The quick brown fox jumps over the lazy dog", 0x414FA339u},
                      KnownValue{"", 0x00000000u}));

TEST(CrcUnreadableTest, EmptyFileIsReadableWithCrcZeroInEveryMode) {
    ScratchDirectory dir;
    std::string path = dir.Write("empty", "");
    CrcTable table;
    for (std::uint8_t flags : kAllModes) {
        CrcResult result = table.ComputeFileCrc(path, 0, flags);
        EXPECT_TRUE(result.Readable()) << "flags " << int(flags);
        EXPECT_EQ(result.crc, 0u);
    }
    EXPECT_EQ(table.CrcTextRead(path, 0, kAscii).status, RawReadStatus::Ok);
    EXPECT_EQ(table.CrcTextRead(path, 0, kAscii).reg, 0xFFFFFFFFu);
}

TEST(CrcUnreadableTest, MissingFileIsUnreadableAndTheTextPassDoesNotFallBack) {
    ScratchDirectory dir;
    std::string path = dir.PathOf("missing");
    CrcTable table;
    for (std::uint8_t flags : kAllModes) {
        EXPECT_EQ(table.ComputeFileCrc(path, 5, flags).status, CrcStatus::Unreadable);
    }
    EXPECT_EQ(table.CrcTextRead(path, 5, kAscii).status, RawReadStatus::OpenFailed);
    EXPECT_EQ(table.CrcBinaryRead(path, 5).status, RawReadStatus::OpenFailed);
}

TEST(CrcUnreadableTest, FileWithoutReadPermissionIsUnreadable) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
    ScratchDirectory dir;
    std::string path = dir.Write("locked", "secret");
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    EXPECT_EQ(CrcTable().ComputeFileCrc(path, 6, kBinary).status, CrcStatus::Unreadable);
}

// Only regular files are read: the others would block, never end, or are not data at all.
TEST(CrcUnreadableTest, FifoDirectoryDeviceAndSocketAreOpenFailures) {
    ScratchDirectory dir;
    std::string fifo = dir.PathOf("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string socketPath = dir.PathOf("socket");
    int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof(address.sun_path));
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);

    CrcTable table;
    for (std::string path : {fifo, dir.PathOf(""), std::string("/dev/zero"), socketPath}) {
        for (std::uint8_t flags : kAllModes) {
            EXPECT_EQ(table.ComputeFileCrc(path, 10, flags).status, CrcStatus::Unreadable)
                << path << " flags " << int(flags);
        }
        EXPECT_EQ(table.CrcBinaryRead(path, 10).status, RawReadStatus::OpenFailed) << path;
        EXPECT_EQ(table.CrcTextRead(path, 10, kAscii).status, RawReadStatus::OpenFailed) << path;
    }
    ::close(sock);
}

TEST(CrcUnreadableTest, LinkToARegularFileIsRead) {
    ScratchDirectory dir;
    std::string target = dir.Write("target", "123456789");
    std::string link = dir.PathOf("link");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    CrcResult result = CrcTable().ComputeFileCrc(link, 9, kBinary);
    EXPECT_EQ(result.status, CrcStatus::Ok);
    EXPECT_EQ(result.crc, 0xCBF43926u);
}

}  // namespace
}  // namespace quillmark
