// crc_reference_test.cpp - the buffered, libdeflate-backed passes against a byte-at-a-time
// reference, on random files whose line ends straddle the read buffer's boundaries.
#include <random>

#include "checksum/crc_table.h"
#include "checksum/read_buffer.h"
#include "settings/option_flags.h"
#include "tests/core/checksum_support.h"
#include "tests/core/test_support.h"

namespace quillmark::testing {
namespace {

// How often each special byte appears, per 1000 bytes.
struct Density {
    int cr, lf, eot;
};

Bytes RandomFile(std::mt19937& rng, std::size_t size, Density density) {
    std::uniform_int_distribution<int> perMille(0, 999);
    std::uniform_int_distribution<int> letter(0x20, 0x7E);
    std::uniform_int_distribution<int> anyByte(0, 255);
    bool anyBytes = rng() % 4 == 0;
    Bytes file(size);
    for (auto& byte : file) {
        int roll = perMille(rng);
        if (roll < density.cr) {
            byte = 0x0D;
        } else if (roll < density.cr + density.lf) {
            byte = 0x0A;
        } else if (roll < density.cr + density.lf + density.eot) {
            byte = 0x1A;
        } else {
            // Random bytes bring their own CR, LF and Ctrl-Z, about 4 per 1000 each.
            byte = std::uint8_t(anyBytes ? anyByte(rng) : letter(rng));
        }
    }
    return file;
}

// Text that passes the count check in one mode: CR LF line ends for ASCII mode, bare LF for
// Unix-LF mode, lines of 0 to 100 characters with an occasional lone CR.
Bytes RandomLines(std::mt19937& rng, std::size_t size, bool crLf) {
    std::uniform_int_distribution<int> lineLength(0, 100);
    std::uniform_int_distribution<int> letter(0x20, 0x7E);
    Bytes file;
    while (file.size() < size) {
        if (rng() % 50 == 0) {
            file.push_back(0x0D);
            file.push_back('x');
        }
        for (int n = lineLength(rng); n > 0; --n) file.push_back(std::uint8_t(letter(rng)));
        if (crLf) file.push_back(0x0D);
        file.push_back(0x0A);
    }
    file.resize(size);
    return file;
}

// Ends every buffer but the last with a CR, followed by afterCr at the start of the next.
void StraddleBoundaries(Bytes& file, std::uint8_t afterCr) {
    for (std::size_t boundary = kReadBufferSize; boundary < file.size();
         boundary += kReadBufferSize) {
        file[boundary - 1] = 0x0D;
        file[boundary] = afterCr;
    }
}

struct Expected {
    RawReadStatus textStatus;
    std::uint32_t textCrc;
    CrcResult result;
};

// The passes read exactly the expected size: the bytes past it are not looked at, and a file
// that ends sooner has changed since its size was taken.
Expected ReferenceResult(const Bytes& file, std::uint64_t expectedSize, std::uint8_t flags) {
    if (expectedSize > file.size()) {
        return {RawReadStatus::ReadFailed, 0, {CrcStatus::Changed, 0}};
    }
    const Bytes read(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(expectedSize));
    const bool text = flags & (OPT_ASCII_MODE | OPT_UNIX_LF);
    const auto pass = ReferenceText(read, expectedSize, flags & OPT_UNIX_LF);
    Expected expected{
        pass.countMatches ? RawReadStatus::Ok : RawReadStatus::CountMismatch, pass.crc, {}};
    expected.result = {CrcStatus::Ok, text && pass.countMatches ? pass.crc : ReferenceCrc(read)};
    return expected;
}

std::vector<std::size_t> InterestingSizes(std::mt19937& rng) {
    std::vector<std::size_t> sizes = {0, 1, 2, 3, 17, 4095, 4096, 4097};
    for (int delta = -1; delta <= 1; ++delta) {
        sizes.push_back(kReadBufferSize + delta);
        sizes.push_back(2 * kReadBufferSize + delta);
    }
    sizes.push_back(3 * kReadBufferSize + 2);
    std::uniform_int_distribution<std::size_t> any(0, 2 * kReadBufferSize);
    for (int i = 0; i < 3; ++i) sizes.push_back(any(rng));
    return sizes;
}

TEST(CrcReferenceTest, BufferedPassesAgreeWithTheByteAtATimeReference) {
    std::mt19937 rng(20240611);
    const Density kDensities[] = {{0, 0, 0}, {10, 10, 0}, {200, 200, 0}, {5, 15, 1}, {0, 30, 0}};
    const std::uint8_t kModes[] = {0, OPT_ASCII_MODE, OPT_UNIX_LF};
    CrcTable table;
    TempDir dir;
    int textMatches = 0, textMismatches = 0, unreadable = 0;

    for (std::size_t size : InterestingSizes(rng)) {
        // Kinds 0-4 random bytes, 5-8 lines: CR LF, LF, then CR LF with the pair split by
        // buffer boundaries, and LF with a lone CR closing each buffer.
        for (int kind = 0; kind < 9; ++kind) {
            Bytes file = kind < 5 ? RandomFile(rng, size, kDensities[kind])
                                  : RandomLines(rng, size, kind % 2 == 1);
            if (kind >= 7) StraddleBoundaries(file, kind == 7 ? 0x0A : 'x');
            const std::string path = dir.Write("random", file);
            // Mostly the true size; sometimes a listing that is a little off either way.
            std::uint64_t expectedSize = file.size();
            if (rng() % 6 == 0) expectedSize += rng() % 3;
            if (rng() % 6 == 0 && expectedSize > 0) expectedSize -= 1;

            for (std::uint8_t flags : kModes) {
                SCOPED_TRACE(::testing::Message()
                             << "size " << size << " kind " << kind << " expected " << expectedSize
                             << " flags " << int(flags));
                Expected expected = ReferenceResult(file, expectedSize, flags);
                CrcResult result = ComputeFileCrcOf(path, expectedSize, ReadModeFromFlags(flags));
                ASSERT_EQ(result.status, expected.result.status);
                ASSERT_EQ(result.crc, expected.result.crc);
                if (flags == 0) {
                    if (!result.Readable()) ++unreadable;
                    continue;
                }
                RawRead text = CrcTextReadOf(path, expectedSize, ReadModeFromFlags(flags));
                ASSERT_EQ(text.status, expected.textStatus);
                if (text.status == RawReadStatus::Ok) {
                    ASSERT_EQ(~text.reg, expected.textCrc);
                    ++textMatches;
                } else {
                    ++textMismatches;
                }
            }
        }
    }
    // The mix must exercise both outcomes of the count check and the short-file failure.
    EXPECT_GT(textMatches, 50);
    EXPECT_GT(textMismatches, 50);
    EXPECT_GT(unreadable, 5);
}

}  // namespace
}  // namespace quillmark::testing
