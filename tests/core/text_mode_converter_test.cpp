// text_mode_converter_test.cpp - the text-mode conversion fed in pieces of every size and split.
#include "platform/text_mode_converter.h"

#include <algorithm>
#include <random>

#include "tests/core/test_support.h"

namespace quillmark::testing {
namespace {

struct Decoded {
    Bytes bytes;
    bool ended = false;
};

// Feeds the pieces in order to the converter and joins what it writes.
Bytes ConvertInPieces(TextModeConverter& converter, const Bytes& file,
                      const std::vector<std::size_t>& pieceSizes) {
    Bytes out;
    std::size_t offset = 0;
    for (std::size_t size : pieceSizes) {
        Bytes converted(TextModeConverter::OutputRoom(size));
        const std::size_t written = converter.Convert(file.data() + offset, size, converted.data());
        out.insert(out.end(), converted.begin(), converted.begin() + static_cast<long>(written));
        offset += size;
    }
    std::uint8_t last = 0;
    if (converter.Finish(&last) == 1) out.push_back(last);
    return out;
}

// Text mode in pieces. The count must agree with the bytes delivered: each once, and each LF
// once more for the CR LF it stands for.
Decoded DecodeInPieces(const Bytes& file, const std::vector<std::size_t>& pieceSizes) {
    TextModeConverter converter(false);
    Decoded out;
    out.bytes = ConvertInPieces(converter, file, pieceSizes);
    out.ended = converter.Ended();
    const auto lineFeeds = static_cast<std::uint64_t>(std::ranges::count(out.bytes, kLineFeed));
    EXPECT_EQ(converter.Count(), out.bytes.size() + lineFeeds);
    return out;
}

const char* const kTexts[] = {
    "",         "\r",           "\n",           "\r\n",         "\x1a",
    "a\r",      "\r\r\n",       "\n\r",         "ab\r\ncd\r\n", "a\rb",
    "\r\r",     "\r\x1a",       "\r\n\x1a\r\n", "ab\x1a\r\ncd", "x\r\n\r\n\r",
    "\x1a\r\n", "line\n\n\r\n",
};

class DecoderSplitTest : public ::testing::TestWithParam<const char*> {};

TEST_P(DecoderSplitTest, EverySplitDeliversWhatTheWholeFileDoes) {
    Bytes file = ToBytes(GetParam());
    Bytes expected = ReferenceTextDecode(file);
    bool hasEot = std::ranges::find(file, 0x1A) != file.end();
    for (std::size_t first = 0; first <= file.size(); ++first) {
        for (std::size_t second = 0; first + second <= file.size(); ++second) {
            SCOPED_TRACE(::testing::Message() << "pieces " << first << "+" << second << "+rest");
            Decoded got = DecodeInPieces(file, {first, second, file.size() - first - second});
            EXPECT_EQ(got.bytes, expected);
            EXPECT_EQ(got.ended, hasEot);
        }
    }
    std::vector<std::size_t> singleBytes(file.size(), 1);
    EXPECT_EQ(DecodeInPieces(file, singleBytes).bytes, expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, DecoderSplitTest, ::testing::ValuesIn(kTexts));

TEST(DecoderRandomTest, RandomPiecesOfRandomTextAgreeWithTheReference) {
    std::mt19937 rng(7);
    const std::uint8_t kAlphabet[] = {'a', 'b', 0x0D, 0x0A, 0x0D, 0x0A, 0x1A};
    for (int round = 0; round < 2000; ++round) {
        std::size_t size = rng() % 64;
        Bytes file(size);
        bool withEot = rng() % 4 == 0;
        for (auto& byte : file) byte = kAlphabet[rng() % (withEot ? 7 : 6)];
        std::vector<std::size_t> pieces;
        for (std::size_t left = size; left > 0;) {
            std::size_t piece = std::min<std::size_t>(left, rng() % 9);
            pieces.push_back(piece);
            left -= piece;
        }
        ASSERT_EQ(DecodeInPieces(file, pieces).bytes, ReferenceTextDecode(file)) << round;
    }
}

// Long random text in random pieces, so the sixteen-byte blocks meet line ends at every offset
// and across block and buffer edges, in both conversions.
TEST(ConverterBlockTest, LongTextInRandomPiecesAgreesWithTheReference) {
    std::mt19937 rng(11);
    const std::uint8_t kAlphabet[] = {'a', 'b', 'c', 'd', 0x0D, 0x0A, 0x1A};
    for (int round = 0; round < 300; ++round) {
        Bytes file(rng() % 400);
        const bool withEot = rng() % 5 == 0;
        for (auto& byte : file) byte = kAlphabet[rng() % (withEot ? 7 : 6)];
        std::vector<std::size_t> pieces;
        for (std::size_t left = file.size(); left > 0;) {
            const std::size_t piece = std::min<std::size_t>(left, rng() % 70);
            pieces.push_back(piece);
            left -= piece;
        }
        ASSERT_EQ(DecodeInPieces(file, pieces).bytes, ReferenceTextDecode(file)) << round;

        // CR LF line ends: the text-mode stream with each LF written as CR LF, counted as the
        // stream is.
        const Bytes decoded = ReferenceTextDecode(file);
        Bytes expected;
        for (std::uint8_t byte : decoded) {
            if (byte == kLineFeed) expected.push_back(kCarriageReturn);
            expected.push_back(byte);
        }
        TextModeConverter converter(true);
        ASSERT_EQ(ConvertInPieces(converter, file, pieces), expected) << round;
        ASSERT_EQ(converter.Count(), decoded.size()) << round;
    }
}

}  // namespace
}  // namespace quillmark::testing
