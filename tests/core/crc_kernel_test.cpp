// crc_kernel_test.cpp - the CRC kernel and the register updates over it against the
// byte-at-a-time table, at the lengths where the libraries change loops (16, 64, 256 bytes and
// more), from any register and any alignment, and in pieces.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "checksum/crc_register.h"
#include "checksum/crc_table.h"

namespace quillmark::testing {
namespace {

std::uint32_t ByteAtATime(const CrcTable& table, std::uint32_t reg, const std::uint8_t* data,
                          std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) reg = table.UpdateByte(reg, data[i]);
    return reg;
}

TEST(CrcKernelTest, AgreesWithTheTableAtEveryBoundary) {
    std::mt19937 rng(77);
    std::vector<std::uint8_t> data((1 << 20) + 4096);
    for (auto& byte : data) byte = static_cast<std::uint8_t>(rng());
    const CrcTable table;
    const std::size_t sizes[] = {
        0,   1,   7,    15,   16,   17,   63,   64,   65,    255,           256,
        257, 511, 1023, 4095, 4096, 4097, 4351, 4352, 65553, (1 << 20) - 1, 1 << 20};
    for (const std::size_t size : sizes) {
        for (int trial = 0; trial < 4; ++trial) {
            const std::size_t offset = rng() % 64;
            const std::uint32_t reg =
                trial == 0 ? kCrcRegisterStart : static_cast<std::uint32_t>(rng());
            SCOPED_TRACE(::testing::Message() << "size " << size << " offset " << offset);
            const std::uint8_t* start = data.data() + offset;
            const std::uint32_t expected = ByteAtATime(table, reg, start, size);
            EXPECT_EQ(UpdateRegister(reg, start, size), expected);
            EXPECT_EQ(UpdateCrc(~reg, start, size), ~expected);
            EXPECT_EQ(KernelCrc(~reg, start, size), ~expected);
        }
    }
}

// A buffer cut anywhere and fed in two updates gives the CRC of the whole; nothing (a null
// buffer of no bytes) leaves the CRC as it was.
TEST(CrcKernelTest, PiecesJoinAndNothingChangesNothing) {
    std::mt19937 rng(5);
    std::vector<std::uint8_t> data(300000);
    for (auto& byte : data) byte = static_cast<std::uint8_t>(rng());
    const std::uint32_t whole = UpdateCrc(0, data.data(), data.size());
    EXPECT_EQ(whole, ~ByteAtATime(CrcTable(), kCrcRegisterStart, data.data(), data.size()));
    for (const std::size_t cut : {std::size_t{1}, std::size_t{100}, std::size_t{4096},
                                  std::size_t{131071}, data.size() - 3}) {
        const std::uint32_t first = UpdateCrc(0, data.data(), cut);
        EXPECT_EQ(UpdateCrc(first, data.data() + cut, data.size() - cut), whole) << cut;
    }
    for (const std::uint32_t crc : {0u, 0xCBF43926u, 0xFFFFFFFFu}) {
        EXPECT_EQ(UpdateCrc(crc, nullptr, 0), crc);
        EXPECT_EQ(UpdateRegister(crc, nullptr, 0), crc);
    }
}

}  // namespace
}  // namespace quillmark::testing
