// listing_reader_test.cpp - every form a listing line takes, read back whole and byte by byte.
#include "processing/check/listing_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillmark::testing {
namespace {

// "LINE R SIZE CRC PATH" for an entry with a size, "LINE S CRC PATH" for SFV, "LINE E PATH" for a
// read-error line, "LINE malformed" for a line that is not an entry.
struct Events : ListingVisitor {
    std::vector<std::string> seen;

    bool OnEntry(const ListingEntry& entry) override {
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08x", entry.crc);
        std::string text = std::to_string(entry.line);
        if (!entry.recorded) {
            text += " E ";
        } else if (entry.kind == ListingKind::Sfv) {
            text += std::string(" S ") + crc + " ";
        } else {
            text += " R " + std::to_string(entry.size) + " " + crc + " ";
        }
        seen.push_back(text + entry.path);
        return true;
    }
    bool OnMalformedLine(std::uint64_t line) override {
        seen.push_back(std::to_string(line) + " malformed");
        return true;
    }
};

std::vector<std::string> Read(const std::string& bytes, std::size_t step,
                              ListingKind kind = ListingKind::Unknown) {
    ListingReader reader(kind);
    Events events;
    for (std::size_t at = 0; at < bytes.size(); at += step) {
        reader.Feed(std::string_view(bytes).substr(at, step), events);
    }
    reader.Finish(events);
    return events.seen;
}

struct ReaderCase {
    const char* name;
    std::string listing;
    std::vector<std::string> expected;
};

class ListingReaderTable : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(ListingReaderTable, ReadsWholeAndInPieces) {
    const ReaderCase& row = GetParam();
    EXPECT_EQ(Read(row.listing, row.listing.size() + 1), row.expected);
    // Split at every byte: a line end or a CR LF cut in two must not change anything.
    EXPECT_EQ(Read(row.listing, 1), row.expected);
    EXPECT_EQ(Read(row.listing, 7), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ListingReaderTable,
    ::testing::Values(
        ReaderCase{"Tabular",
                   "363a3020            6   dir/a.txt\n00000000            0   b\n",
                   {"1 R 6 363a3020 dir/a.txt", "2 R 0 00000000 b"}},
        ReaderCase{"TabularSizePastTwelveDigits",
                   "ffffffff 1234567890123   big\n",
                   {"1 R 1234567890123 ffffffff big"}},
        ReaderCase{"TabularPathStartingWithSpaces",
                   "363a3020            6     two spaces\n",
                   {"1 R 6 363a3020   two spaces"}},
        ReaderCase{"DescriptiveCrLf",
                   "Filename: dir/a b.txt\r\nFile size: 6\r\nCRC 32: 363a3020\r\n\r\n",
                   {"1 R 6 363a3020 dir/a b.txt"}},
        ReaderCase{"DescriptiveLowercase",
                   "filename: dir/a.txt\nfile size: 6\ncrc 32: 363a3020\n\n",
                   {"1 R 6 363a3020 dir/a.txt"}},
        ReaderCase{
            "ReadErrorLine", "Error encountered reading the file dir/locked\n", {"1 E dir/locked"}},
        ReaderCase{"EscapedNames",
                   "\\363a3020            6   a\\nb\\\\c\n"
                   "\\Filename: x\\ry\nFile size: 1\nCRC 32: 0000000a\n\n"
                   "\\Error encountered reading the file p\\nq\n",
                   {"1 R 6 363a3020 a\nb\\c", "2 R 1 0000000a x\ry", "6 E p\nq"}},
        ReaderCase{"RunsAppendedInDifferentStyles",
                   "Filename: a\nFile size: 1\nCRC 32: 00000001\n\n"
                   "00000002            2   b\n"
                   "filename: c\nfile size: 3\ncrc 32: 00000003\n\n",
                   {"1 R 1 00000001 a", "5 R 2 00000002 b", "6 R 3 00000003 c"}},
        ReaderCase{"LastLineWithoutLineEnd", "00000002            2   b", {"1 R 2 00000002 b"}},
        ReaderCase{"Sfv",
                   "; made by hand\n./a.txt 363A3020\nname with spaces 5421e52e\n"
                   "tabbed\t0000000F  \n/abs/x 00000001\n",
                   {"2 S 363a3020 a.txt", "3 S 5421e52e name with spaces", "4 S 0000000f tabbed",
                    "5 S 00000001 /abs/x"}},
        ReaderCase{"SfvCommentSettlesTheKind",
                   "; header\n363a3020            6   x 00000001\n",
                   {"2 S 00000001 363a3020            6   x"}},
        ReaderCase{"QuillmarkKindRefusesSfvLines",
                   "363a3020            6   a\nb.txt 363A3020\n",
                   {"1 R 6 363a3020 a", "2 malformed"}},
        ReaderCase{"SfvKindRefusesQuillmarkLines",
                   "a.txt 363A3020\nFilename: b\n",
                   {"1 S 363a3020 a.txt", "2 malformed"}},
        ReaderCase{"BlockCutShortByAnEntry",
                   "Filename: a\n00000002            2   b\n",
                   {"1 malformed", "2 R 2 00000002 b"}},
        ReaderCase{"BlockCutShortAtTheEnd", "Filename: a\nFile size: 1\n", {"1 malformed"}},
        ReaderCase{"BlockWithMixedCaseLabels",
                   "filename: a\nFile size: 1\nCRC 32: 00000001\n",
                   {"1 malformed", "2 malformed", "3 malformed"}},
        ReaderCase{"TabularUppercaseHexOrShortSizeField",
                   "363A3020            6   a\n363a3020 6   b\n363a3020            6  c\n",
                   {"1 malformed", "2 malformed", "3 malformed"}},
        ReaderCase{
            "SizePastTwoToTheSixtyFour", "00000000 99999999999999999999   a\n", {"1 malformed"}},
        ReaderCase{"BadEscape",
                   "\\00000000            0   a\\tb\n\\Filename: \n",
                   {"1 malformed", "2 malformed"}},
        ReaderCase{"EmptyPaths",
                   "00000000            0   \nError encountered reading the file \n./ 00000000\n",
                   {"1 malformed", "2 malformed", "3 S 00000000 ./"}},
        ReaderCase{"Garbage", "\x01\x02\xff\n\n\nhello\n", {"1 malformed", "4 malformed"}},
        // Made on Windows: drive letters and backslashes kept for the check to map, CR LF line
        // ends, sizes past 4 GiB, read-error lines, a UNC path.
        ReaderCase{
            "WindowsListings",
            "Filename: D:\\DATA\\t\\a.txt\r\nFile size: 5000000000\r\n"
            "CRC 32: 0a1b2c3d\r\n\r\n"
            "Error encountered reading the file D:\\DATA\\t\\locked.txt\r\n"
            "0a1b2c3d   4294967296   D:\\DATA\\b.txt\r\n"
            "filename: \\\\server\\share\\c.txt\r\nfile size: 1\r\ncrc 32: 00000001\r\n",
            {"1 R 5000000000 0a1b2c3d D:\\DATA\\t\\a.txt", "5 E D:\\DATA\\t\\locked.txt",
             "6 R 4294967296 0a1b2c3d D:\\DATA\\b.txt", "7 R 1 00000001 \\\\server\\share\\c.txt"}},
        ReaderCase{"ByteOrderMarkSkipped",
                   "\xEF\xBB\xBF"
                   "00000001            1   a\n",
                   {"1 R 1 00000001 a"}},
        // What a terminal or the pane showed, saved as a listing.
        ReaderCase{"HexEscapesReadBack",
                   "\\00000001            1   a\\x1b[2K\\xffz\\x0a\n"
                   "\\00000001            1   bad\\xg1\n"
                   "\\00000001            1   cut\\x0\n",
                   {"1 R 1 00000001 a\x1b[2K\xffz\n", "2 malformed", "3 malformed"}},
        ReaderCase{"NulInAnEscapedNameIsMalformed",
                   "\\00000001            1   a\\x00b\n\\Filename: \\x00\nFile size: 1\n",
                   {"1 malformed", "2 malformed", "3 malformed"}},
        // SFV names end at the last space, as SFV checkers read them; "./" and ".//" are
        // relative, Windows separators are kept for the check.
        ReaderCase{"SfvNamesAsPeersWriteThem",
                   "a.txt  00000001\r\nsp ace  00000002\n.//sub/f 00000003\n././/g 00000004\n"
                   "sub\\f.txt 00000005\n.// 00000006\n",
                   {"1 S 00000001 a.txt ", "2 S 00000002 sp ace ", "3 S 00000003 sub/f",
                    "4 S 00000004 g", "5 S 00000005 sub\\f.txt", "6 malformed"}}),
    [](const ::testing::TestParamInfo<ReaderCase>& info) { return std::string(info.param.name); });

TEST(ListingReader, LineLongerThanTheLimitIsMalformedAndTheNextIsRead) {
    std::string listing = "00000001            1   ";
    listing.append(ListingReader::kMaxLineLength, 'x');
    listing += "\n00000002            2   b\n";
    EXPECT_EQ(Read(listing, 4096), (std::vector<std::string>{"1 malformed", "2 R 2 00000002 b"}));
}

TEST(ListingReader, PathLongerThanPathMaxIsRead) {
    std::string path;
    for (int i = 0; i < 600; ++i) path += "segment/";
    path += "file";
    EXPECT_EQ(Read("00000001            1   " + path + "\n", 1000),
              (std::vector<std::string>{"1 R 1 00000001 " + path}));
}

TEST(ListingReader, BytesThatAreNotTextAreRefusedWithoutAnEntry) {
    const std::string entry = "00000001            1   a\n";
    const std::pair<std::string, std::string> rows[] = {
        {"\xFF\xFE" + std::string("0\x00"
                                  "0\x00",
                                  4),
         "UTF-16 text"},
        {"\xFE\xFF" + std::string("\x00"
                                  "0\x00"
                                  "0",
                                  4),
         "UTF-16 text"},
        {std::string("0\x00"
                     "0\x00"
                     "0\x00",
                     6),
         "UTF-16 text"},
        {entry + std::string("\x7f"
                             "ELF\x02\x01\x01\x00",
                             8),
         "a NUL byte in its first 64 KiB"},
        {std::string(ListingReader::kTextProbeLength - 1, 'x') + '\0' + entry,
         "a NUL byte in its first 64 KiB"},
    };
    for (const auto& [bytes, reason] : rows) {
        for (const std::size_t step : {bytes.size() + 1, std::size_t{1000}}) {
            ListingReader reader;
            Events events;
            for (std::size_t at = 0; at < bytes.size(); at += step) {
                reader.Feed(std::string_view(bytes).substr(at, step), events);
            }
            reader.Finish(events);
            EXPECT_EQ(reader.NotTextReason(), reason);
            EXPECT_TRUE(events.seen.empty());
            EXPECT_TRUE(reader.Stopped());
        }
    }
}

TEST(ListingReader, NulPastTheFirstBytesMakesItsLineMalformed) {
    std::string listing;
    std::vector<std::string> expected;
    while (listing.size() <= ListingReader::kTextProbeLength) {
        listing += "00000001            1   a\n";
        expected.push_back(std::to_string(expected.size() + 1) + " R 1 00000001 a");
    }
    listing += std::string("00000001            1   a\0b\n", 28);
    expected.push_back(std::to_string(expected.size() + 1) + " malformed");
    EXPECT_EQ(Read(listing, 4096), expected);
    EXPECT_EQ(Read(listing, listing.size()), expected);
}

TEST(ListingReader, SettleReadsWhatCameBeforeAPauseAndStillProbes) {
    ListingReader reader;
    Events events;
    reader.Feed("00000001            1   a\n00000002   ", events);
    EXPECT_TRUE(events.seen.empty());  // held back for the text probe
    reader.Settle(events);
    EXPECT_EQ(events.seen, std::vector<std::string>{"1 R 1 00000001 a"});
    reader.Feed("         2   b\n", events);
    reader.Finish(events);
    EXPECT_EQ(events.seen, (std::vector<std::string>{"1 R 1 00000001 a", "2 R 2 00000002 b"}));

    ListingReader binary;
    Events none;
    binary.Feed(std::string("\x7f"
                            "ELF\0",
                            5),
                none);
    binary.Settle(none);
    EXPECT_EQ(binary.NotTextReason(), "a NUL byte in its first 64 KiB");
    EXPECT_TRUE(none.seen.empty());
}

TEST(ListingReader, VisitorCanStopTheReader) {
    struct StopAtFirst : ListingVisitor {
        int entries = 0;
        bool OnEntry(const ListingEntry&) override { return ++entries < 1; }
        bool OnMalformedLine(std::uint64_t) override { return true; }
    } visitor;
    ListingReader reader;
    reader.Feed("00000001            1   a\n00000002            2   b\n", visitor);
    reader.Finish(visitor);
    EXPECT_EQ(visitor.entries, 1);
    EXPECT_TRUE(reader.Stopped());
}

}  // namespace
}  // namespace quillmark::testing
