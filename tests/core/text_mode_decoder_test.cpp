// text_mode_decoder_test.cpp - the text-mode conversion fed in pieces of every size and split.
#include <algorithm>
#include <random>

#include "platform/text_mode_stream.h"
#include "tests/core/test_support.h"

namespace quillmark {
namespace {

using testing::Bytes;
using testing::ReferenceTextDecode;
using testing::ToBytes;

struct Decoded {
    Bytes bytes;
    bool ended = false;
};

// Feeds the pieces in order and joins the delivered runs back into bytes.
Decoded DecodeInPieces(const Bytes& file, const std::vector<std::size_t>& pieceSizes) {
    TextModeDecoder decoder;
    Decoded out;
    TextRun run;
    auto drain = [&] {
        while (decoder.Next(run)) {
            EXPECT_TRUE(run.size > 0 || run.endsLine) << "empty run";
            for (std::size_t i = 0; i < run.size; ++i) {
                EXPECT_NE(run.data[i], kLineFeed) << "an LF inside a run";
            }
            out.bytes.insert(out.bytes.end(), run.data, run.data + run.size);
            if (run.endsLine) out.bytes.push_back(kLineFeed);
        }
    };
    std::size_t offset = 0;
    for (std::size_t size : pieceSizes) {
        decoder.Feed(file.data() + offset, size);
        drain();
        offset += size;
    }
    decoder.Finish();
    drain();
    out.ended = decoder.Ended();
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

}  // namespace
}  // namespace quillmark
