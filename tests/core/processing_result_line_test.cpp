// processing_result_line_test.cpp - the descriptive block, the tabular line and the read-error
// line, byte for byte.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <random>

#include "processing/result_line.h"
#include "tests/core/result_line_support.h"

namespace quillmark::testing {
namespace {

struct LineRow {
    int style;
    int lowercase;
    bool readable;
    std::uint32_t crc;
    std::uint64_t size;
    const char* directory;
    const char* name;
    const char* expected;
};

TEST(FormatResultLineTest, ByteExactForms) {
    const LineRow rows[] = {
        {0, 0, true, 0x0A1B2C3D, 1234, "/DATA/", "Read.Me",
         "Filename: /DATA/Read.Me\nFile size: 1234\nCRC 32: 0a1b2c3d\n\n"},
        {0, 1, true, 0x0A1B2C3D, 1234, "/DATA/", "Read.Me",
         "filename: /data/read.me\nfile size: 1234\ncrc 32: 0a1b2c3d\n\n"},
        {1, 0, true, 0x0A1B2C3D, 1234, "/DATA/", "Read.Me",
         "0a1b2c3d         1234   /DATA/Read.Me\n"},
        {1, 1, true, 0x0A1B2C3D, 1234, "/DATA/", "Read.Me",
         "0a1b2c3d         1234   /data/read.me\n"},
        // Any value other than 0 is on, for every option alike (settings.dat holds only 0 or 1).
        {2, 2, true, 0xFFFFFFFF, 4294967295u, "/D/", "X", "ffffffff   4294967295   /d/x\n"},
        // Past 4 GiB the size keeps all its digits; past 12 digits the field simply widens.
        {1, 0, true, 0x00000001, 5368709120u, "/", "big", "00000001   5368709120   /big\n"},
        {1, 0, true, 0x00000001, 1099511627776u, "/", "huge", "00000001 1099511627776   /huge\n"},
        {0, 0, true, 0x00000001, 5368709120u, "/", "big",
         "Filename: /big\nFile size: 5368709120\nCRC 32: 00000001\n\n"},
        // An empty file is readable: CRC 0 gets its normal line.
        {1, 0, true, 0, 0, "/d/", "empty", "00000000            0   /d/empty\n"},
        {0, 0, true, 0, 0, "/d/", "empty",
         "Filename: /d/empty\nFile size: 0\nCRC 32: 00000000\n\n"},
        // Unreadable: one line in either style, never lowercased.
        {0, 1, false, 0, 77, "/Data/", "X.TXT", "Error encountered reading the file /Data/X.TXT\n"},
        {1, 1, false, 0x1234, 77, "/Data/", "X.TXT",
         "Error encountered reading the file /Data/X.TXT\n"},
        // Lowercasing leaves bytes outside A to Z alone.
        {1, 1, true, 0xABCDEF01, 9, "/\xc3\x89T\xc3\xa9/", "Z_\\Q.TXT",
         "abcdef01            9   /\xc3\x89t\xc3\xa9/z_\\q.txt\n"},
    };
    for (const LineRow& row : rows) {
        CCRCSettings settings;
        settings.m_nOutputStyle = row.style;
        settings.m_bLowercase = row.lowercase;
        EXPECT_EQ(
            FormatResultLine(settings, row.readable, row.crc, row.directory, row.name, row.size),
            row.expected);
    }
}

TEST(FormatTabularLineTest, AgreesWithPrintfOnRandomValues) {
    std::mt19937_64 random(20240611);
    for (int i = 0; i < 2000; ++i) {
        const auto crc = static_cast<std::uint32_t>(random() >> (random() % 32));
        const std::uint64_t size = random() >> (random() % 64);
        char expected[96];
        std::snprintf(expected, sizeof expected, "%08" PRIx32 " %12" PRIu64 "   %s\n", crc, size,
                      "/p/q");
        ASSERT_EQ(FormatTabularLine(crc, size, "/p/q"), expected);
    }
}

}  // namespace
}  // namespace quillmark::testing
