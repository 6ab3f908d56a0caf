// crc_wide_test.cpp - the wide fold against the byte-at-a-time table, at the lengths where the
// fold starts, steps and hands the rest to libdeflate, from any register and any alignment.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "checksum/crc_register.h"
#include "checksum/crc_table.h"
#include "checksum/wide_crc.h"

namespace quillmark::testing {
namespace {

std::uint32_t ByteAtATime(const CrcTable& table, std::uint32_t reg, const std::uint8_t* data,
                          std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) reg = table.UpdateByte(reg, data[i]);
    return reg;
}

TEST(WideCrcTest, AgreesWithTheTableAtEveryBoundary) {
    std::mt19937 rng(77);
    std::vector<std::uint8_t> data((1 << 20) + 4096);
    for (auto& byte : data) byte = static_cast<std::uint8_t>(rng());
    const CrcTable table;
    const std::size_t sizes[] = {0,
                                 1,
                                 255,
                                 256,
                                 257,
                                 kWideCrcMinimum - 1,
                                 kWideCrcMinimum,
                                 kWideCrcMinimum + 1,
                                 kWideCrcMinimum + 255,
                                 kWideCrcMinimum + 256,
                                 65536 + 17,
                                 (1 << 20) - 1,
                                 1 << 20};
    for (const std::size_t size : sizes) {
        for (int trial = 0; trial < 4; ++trial) {
            const std::size_t offset = rng() % 64;
            const std::uint32_t reg =
                trial == 0 ? kCrcRegisterStart : static_cast<std::uint32_t>(rng());
            SCOPED_TRACE(::testing::Message() << "size " << size << " offset " << offset);
            const std::uint8_t* start = data.data() + offset;
            EXPECT_EQ(UpdateRegister(reg, start, size), ByteAtATime(table, reg, start, size));
            if (WideCrcAvailable() && size >= kWideCrcBlock) {
                const std::size_t blocks = size / kWideCrcBlock * kWideCrcBlock;
                EXPECT_EQ(WideCrcBlocks(reg, start, size), ByteAtATime(table, reg, start, blocks));
            }
        }
    }
    if (!WideCrcAvailable()) GTEST_SKIP() << "no VPCLMULQDQ here: only the libdeflate path ran";
}

}  // namespace
}  // namespace quillmark::testing
