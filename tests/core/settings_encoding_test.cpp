// settings_encoding_test.cpp - the bytes of settings.dat: layout, string prefixes, damaged files.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "settings/settings_file.h"
#include "tests/core/settings_builder.h"

namespace quillmark::testing {
namespace {

std::string FileBytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out.push_back(static_cast<char>(v));
    return out;
}

CCRCSettings Defaults() {
    CCRCSettings record;
    record.ResetDefaults();
    return record;
}

// Every field different from its default and from every other field, so that a swapped or
// skipped field shows up.
CCRCSettings Unusual() {
    return Settings()
        .Sort(1)
        .NoRecursion(2)
        .DirWildcards(-3)
        .Lowercase(0x01020304)
        .UnixLf(5)
        .Style(6)
        .Reading(0)
        .Destination(0)
        .Input("/data/*.TXT")
        .Output("out list.txt")
        .StoredFlags(0x88)  // bits UpdateFlags never sets; loaded as stored
        .Build();
}

// Records are compared by their stored bytes: the two layout tests pin down that every field is
// stored, each in its own place.
TEST(SettingsEncoding, DefaultRecordIsThe35ByteFile) {
    const std::string expected = std::string(20, '\0') + FileBytes({1, 0, 0, 0, 1, 0, 0, 0}) +
                                 FileBytes({0, 0, 0}) + FileBytes({0, 0, 0, 0});
    ASSERT_EQ(expected.size(), 35u);
    EXPECT_EQ(EncodeSettings(Defaults()), expected);
}

TEST(SettingsEncoding, FieldsInFileOrderLittleEndian) {
    const CCRCSettings record = Settings()
                                    .Sort(0x11)
                                    .NoRecursion(0x22)
                                    .DirWildcards(0x33)
                                    .Lowercase(0x01020304)
                                    .UnixLf(-2)
                                    .Destination(0x66)
                                    .Reading(0x77)
                                    .Input("in")
                                    .Output("o")
                                    .StoredFlags(0xA5)
                                    .Style(0x0BADF00D)
                                    .Build();
    const std::string expected =
        FileBytes({0x11, 0, 0, 0,    0x22, 0,    0,    0,    0x33, 0,    0,    0,    4,
                   3,    2, 1, 0xFE, 0xFF, 0xFF, 0xFF, 0x66, 0,    0,    0,    0x77, 0,
                   0,    0, 2, 'i',  'n',  1,    'o',  0xA5, 0x0D, 0xF0, 0xAD, 0x0B});
    EXPECT_EQ(EncodeSettings(record), expected);
}

TEST(SettingsEncoding, StringLengthPrefixes) {
    const std::pair<std::size_t, std::string> rows[] = {
        {0, FileBytes({0x00})},
        {7, FileBytes({0x07})},
        {254, FileBytes({0xFE})},
        {255, FileBytes({0xFF, 0xFF, 0x00})},
        {256, FileBytes({0xFF, 0x00, 0x01})},
        {65533, FileBytes({0xFF, 0xFD, 0xFF})},
        {65534, FileBytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00})},
        {65535, FileBytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00})},
        {70000, FileBytes({0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00})},
    };
    for (const auto& [length, prefix] : rows) {
        SCOPED_TRACE("length " + std::to_string(length));
        CCRCSettings record = Defaults();
        record.m_strInput.assign(length, 'x');
        record.m_strOutput = "Z";
        const std::string bytes = EncodeSettings(record);
        ASSERT_EQ(bytes.size(), 35 + prefix.size() - 1 + length + 1);
        EXPECT_EQ(bytes.substr(28, prefix.size()), prefix);
        EXPECT_EQ(bytes.substr(28 + prefix.size() + length, 2), FileBytes({1, 'Z'}));

        CCRCSettings decoded;
        ASSERT_TRUE(DecodeSettings(bytes, decoded));
        EXPECT_EQ(EncodeSettings(decoded), bytes);
    }
}

// Bytes after the last field are ignored; the remembered directory is not part of the file.
TEST(SettingsDecoding, RoundTripKeepsEveryFieldAndTheRememberedDirectory) {
    const CCRCSettings stored = Settings()
                                    .Sort()
                                    .NoRecursion()
                                    .DirWildcards()
                                    .Lowercase()
                                    .UnixLf()
                                    .Tabular()
                                    .Ascii()
                                    .ToFile()
                                    .Input("/data/*.TXT")
                                    .Output("out list.txt")
                                    .Build();
    CCRCSettings decoded = Defaults();
    decoded.m_szSettingsDir = "/home/someone";
    ASSERT_TRUE(DecodeSettings(EncodeSettings(stored) + "trailing garbage\xFF", decoded));
    EXPECT_EQ(EncodeSettings(decoded), EncodeSettings(stored));
    EXPECT_EQ(decoded.m_szSettingsDir, "/home/someone");
}

// The program stores 0 or 1 in every field and the flag byte those give; a file holding anything
// else was not written by it (any file of 35 bytes or more decodes), and is refused whole.
TEST(SettingsDecoding, ValuesTheProgramNeverWritesAreRefused) {
    const std::string valid = EncodeSettings(Defaults());
    struct Row {
        std::size_t offset;
        std::uint8_t byte;
    };
    // The seven option fields (offsets 0-24), the flag byte (30), the output style (31).
    const Row rows[] = {{0, 2},  {4, 0xFF}, {8, 2},  {12, 7},    {16, 2},    {20, 2},
                        {24, 2}, {31, 2},   {34, 1}, {30, 0x80}, {30, 0x01}, {30, 0x20}};
    for (const Row& row : rows) {
        std::string bytes = valid;
        bytes[row.offset] = static_cast<char>(row.byte);
        CCRCSettings record = Unusual();
        EXPECT_FALSE(DecodeSettings(bytes, record)) << "offset " << row.offset;
        EXPECT_EQ(EncodeSettings(record), EncodeSettings(Unusual())) << "offset " << row.offset;
    }
    CCRCSettings record;
    EXPECT_FALSE(
        DecodeSettings("root:x:0:0:root:/root:/bin/bash\ndaemon:x:1:1:daemon:/usr/sbin", record));
}

TEST(SettingsDecoding, ShortLengthInLongFormIsAccepted) {
    std::string bytes = EncodeSettings(Defaults());
    bytes.replace(28, 1, FileBytes({0xFF, 0x03, 0x00}) + "abc");
    CCRCSettings decoded;
    ASSERT_TRUE(DecodeSettings(bytes, decoded));
    EXPECT_EQ(decoded.m_strInput, "abc");
}

// Every prefix of a valid file is a file that ended early: none may decode, and none may change
// the record.
TEST(SettingsDecoding, EveryTruncationFailsAndLeavesTheRecordUntouched) {
    CCRCSettings source = Unusual();
    source.m_strInput.assign(300, 'i');  // the 0xFF + 16-bit prefix, truncated inside too
    const std::string bytes = EncodeSettings(source);
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        SCOPED_TRACE("length " + std::to_string(length));
        CCRCSettings record = Defaults();
        record.m_szSettingsDir = "/kept";
        EXPECT_FALSE(DecodeSettings(std::string_view(bytes).substr(0, length), record));
        EXPECT_EQ(EncodeSettings(record), EncodeSettings(Defaults()));
        EXPECT_EQ(record.m_szSettingsDir, "/kept");
    }
}

TEST(SettingsDecoding, TruncationsAroundA32BitLengthFail) {
    CCRCSettings source = Defaults();
    source.m_strOutput.assign(65534, 'o');
    const std::string bytes = EncodeSettings(source);
    const std::size_t outputPrefix = 29;
    const std::size_t lengths[] = {
        outputPrefix + 1, outputPrefix + 2, outputPrefix + 3, outputPrefix + 4, outputPrefix + 5,
        outputPrefix + 6, outputPrefix + 7, bytes.size() - 6, bytes.size() - 5, bytes.size() - 1};
    for (std::size_t length : lengths) {
        SCOPED_TRACE("length " + std::to_string(length));
        CCRCSettings record = Unusual();
        EXPECT_FALSE(DecodeSettings(std::string_view(bytes).substr(0, length), record));
        EXPECT_EQ(EncodeSettings(record), EncodeSettings(Unusual()));
    }
}

TEST(SettingsDecoding, DamagedStringFieldsMakeTheWholeFileUnreadable) {
    // Each replaces the empty input string of a default file.
    const std::pair<const char*, std::string> rows[] = {
        {"WideStringMarker", FileBytes({0xFF, 0xFE, 0xFF, 0x02, 'a', 0, 'b', 0})},
        {"OneByteLengthPastEnd", FileBytes({0xF0, 'a', 'b'})},
        {"SixteenBitLengthPastEnd", FileBytes({0xFF, 0x00, 0x10, 'a'})},
        {"HugeThirtyTwoBitLength", FileBytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})},
        {"ThirtyTwoBitLengthCutShort", FileBytes({0xFF, 0xFF, 0xFF, 0x05, 0x00})},
    };
    for (const auto& [name, stringField] : rows) {
        SCOPED_TRACE(name);
        std::string bytes = EncodeSettings(Defaults());
        bytes.replace(28, 1, stringField);
        CCRCSettings record = Unusual();
        EXPECT_FALSE(DecodeSettings(bytes, record));
        EXPECT_EQ(EncodeSettings(record), EncodeSettings(Unusual()));
    }
}

}  // namespace
}  // namespace quillmark::testing
