// wide_crc.cpp - CRC-32 folding on 512-bit registers.
//
// A 128-bit piece A of the message, D bits before the piece B it is folded into, may be replaced
// by A.low * (x^(D+32) mod P) + A.high * (x^(D-32) mod P) added into B: the CRC of the message
// is unchanged (the multipliers are bit-reflected and shifted left by one, as the CRC is
// reflected). Four 512-bit registers each fold over 2,048 bits per step; at the end they fold
// into one 128-bit piece, whose CRC from a zero register is the register of everything folded.
// libdeflate checksums those 16 bytes, and any buffer shorter than a step.
#include "checksum/wide_crc.h"

#include <immintrin.h>
#include <libdeflate.h>

namespace quillmark {

namespace {

#define QUILLMARK_WIDE_TARGET __attribute__((target("avx512f,vpclmulqdq,pclmul")))

// (x^(D+32) mod P, x^(D-32) mod P) for the fold distances used, reflected and shifted.
constexpr long long kFold2048Low = 0x11542778a;
constexpr long long kFold2048High = 0x1322d1430;
constexpr long long kFold512Low = 0x154442bd4;
constexpr long long kFold512High = 0x1c6e41596;
constexpr long long kFold128Low = 0x1751997d0;
constexpr long long kFold128High = 0xccaa009e;

QUILLMARK_WIDE_TARGET inline __m512i Fold(__m512i a, __m512i multipliers, __m512i into) {
    const __m512i low = _mm512_clmulepi64_epi128(a, multipliers, 0x00);
    const __m512i high = _mm512_clmulepi64_epi128(a, multipliers, 0x11);
    return _mm512_ternarylogic_epi64(low, high, into, 0x96);  // low ^ high ^ into
}

QUILLMARK_WIDE_TARGET inline __m128i Fold(__m128i a, __m128i multipliers, __m128i into) {
    const __m128i low = _mm_clmulepi64_si128(a, multipliers, 0x00);
    const __m128i high = _mm_clmulepi64_si128(a, multipliers, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), into);
}

}  // namespace

QUILLMARK_WIDE_TARGET std::uint32_t WideCrcBlocks(std::uint32_t reg, const std::uint8_t* data,
                                                  std::size_t size) {
    const __m512i by2048 =
        _mm512_set_epi64(kFold2048High, kFold2048Low, kFold2048High, kFold2048Low, kFold2048High,
                         kFold2048Low, kFold2048High, kFold2048Low);
    const __m512i by512 = _mm512_set_epi64(kFold512High, kFold512Low, kFold512High, kFold512Low,
                                           kFold512High, kFold512Low, kFold512High, kFold512Low);
    const __m128i by128 = _mm_set_epi64x(kFold128High, kFold128Low);

    // The register enters as the first 32 bits of the message, from a zero register.
    const __m512i start =
        _mm512_inserti32x4(_mm512_setzero_si512(), _mm_cvtsi32_si128(static_cast<int>(reg)), 0);
    __m512i x0 = _mm512_xor_si512(_mm512_loadu_si512(data), start);
    __m512i x1 = _mm512_loadu_si512(data + 64);
    __m512i x2 = _mm512_loadu_si512(data + 128);
    __m512i x3 = _mm512_loadu_si512(data + 192);
    const std::uint8_t* next = data + kWideCrcBlock;
    for (std::size_t left = size / kWideCrcBlock - 1; left > 0; --left, next += kWideCrcBlock) {
        x0 = Fold(x0, by2048, _mm512_loadu_si512(next));
        x1 = Fold(x1, by2048, _mm512_loadu_si512(next + 64));
        x2 = Fold(x2, by2048, _mm512_loadu_si512(next + 128));
        x3 = Fold(x3, by2048, _mm512_loadu_si512(next + 192));
    }
    x1 = Fold(x0, by512, x1);
    x2 = Fold(x1, by512, x2);
    x3 = Fold(x2, by512, x3);
    alignas(64) std::uint8_t lanes[64];
    _mm512_store_si512(lanes, x3);
    const auto lane = [&lanes](int i) {
        return _mm_load_si128(reinterpret_cast<const __m128i*>(lanes + 16 * i));
    };
    __m128i piece = lane(0);
    piece = Fold(piece, by128, lane(1));
    piece = Fold(piece, by128, lane(2));
    piece = Fold(piece, by128, lane(3));

    alignas(16) std::uint8_t bytes[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(bytes), piece);
    // libdeflate takes the finished CRC: from a zero register is from a finished CRC of ~0.
    return ~libdeflate_crc32(~0u, bytes, sizeof bytes);
}

bool WideCrcAvailable() {
    static const bool available = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("vpclmulqdq") &&
               __builtin_cpu_supports("pclmul");
    }();
    return available;
}

#undef QUILLMARK_WIDE_TARGET

}  // namespace quillmark
