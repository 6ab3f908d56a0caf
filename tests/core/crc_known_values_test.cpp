// crc_known_values_test.cpp - the table, known CRC-32 values, and files that cannot be read.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "checksum/crc_table.h"
#include "settings/option_flags.h"
#include "tests/core/checksum_support.h"
#include "tests/core/test_support.h"

namespace quillmark::testing {
namespace {

constexpr std::uint8_t kAllModes[] = {0, OPT_ASCII_MODE, OPT_UNIX_LF, OPT_ASCII_MODE | OPT_UNIX_LF};

TEST(CrcTableTest, EntriesAreThoseOfTheReflectedPolynomial) {
    CrcTable table;
    EXPECT_EQ(table.Entry(0), 0x00000000u);
    EXPECT_EQ(table.Entry(1), 0x77073096u);
    EXPECT_EQ(table.Entry(0x80), 0xEDB88320u);
    EXPECT_EQ(table.Entry(255), 0x2D02EF8Du);
}

// None of these texts holds a line end, so every mode gives the standard value; the empty file
// is readable with CRC 0.
TEST(KnownValueTest, EveryModeGivesTheStandardCrc) {
    const std::pair<std::string, std::uint32_t> rows[] = {
        {"123456789", 0xCBF43926u},
        {"a", 0xE8B7BE43u},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
        {"", 0x00000000u},
    };
    TempDir dir;
    CrcTable table;
    for (const auto& [text, crc] : rows) {
        EXPECT_EQ(testing::ReferenceCrc(text), crc) << text;
        const std::string path = dir.Write("known", text);
        for (std::uint8_t flags : kAllModes) {
            const CrcResult result = ComputeFileCrcOf(path, text.size(), ReadModeFromFlags(flags));
            EXPECT_EQ(result.status, CrcStatus::Ok) << text << " flags " << int(flags);
            EXPECT_EQ(result.crc, crc) << text << " flags " << int(flags);
        }
    }
}

// Only regular files are read: the others would block, never end, or are not data at all.
TEST(CrcUnreadableTest, MissingLockedFifoDirectoryDeviceAndSocketAreOpenFailures) {
    TempDir dir;
    std::vector<std::string> paths = {dir / "missing", dir.Path(), "/dev/zero", dir / "fifo"};
    ASSERT_EQ(::mkfifo(paths.back().c_str(), 0600), 0);
    if (::geteuid() != 0) {  // root reads any file, whatever its permissions
        paths.push_back(dir.Write("locked", "secret"));
        ASSERT_EQ(::chmod(paths.back().c_str(), 0), 0);
    }

    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    paths.push_back(dir / "socket");
    ASSERT_LT(paths.back().size(), sizeof(address.sun_path));
    std::strcpy(address.sun_path, paths.back().c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);

    CrcTable table;
    for (const std::string& path : paths) {
        for (std::uint8_t flags : kAllModes) {
            EXPECT_EQ(ComputeFileCrcOf(path, 10, ReadModeFromFlags(flags)).status,
                      CrcStatus::Unreadable)
                << path << " flags " << int(flags);
        }
        EXPECT_EQ(CrcBinaryReadOf(path, 10).status, RawReadStatus::OpenFailed) << path;
        EXPECT_EQ(CrcTextReadOf(path, 10, ReadModeFromFlags(OPT_ASCII_MODE)).status,
                  RawReadStatus::OpenFailed)
            << path;
    }
    ::close(sock);
}

}  // namespace
}  // namespace quillmark::testing
