// crc_combine.cpp - joining CRC-32 values: appending n zero bits is a linear map over GF(2),
// applied by repeated squaring of its 32x32 matrix.
#include "checksum/crc_combine.h"

#include <array>

namespace quillmark {

namespace {

using Matrix = std::array<std::uint32_t, 32>;

std::uint32_t Times(const Matrix& matrix, std::uint32_t vector) {
    std::uint32_t sum = 0;
    for (int row = 0; vector != 0; ++row, vector >>= 1) {
        if (vector & 1u) sum ^= matrix[static_cast<std::size_t>(row)];
    }
    return sum;
}

Matrix Square(const Matrix& matrix) {
    Matrix square{};
    for (std::size_t n = 0; n < 32; ++n) square[n] = Times(matrix, matrix[n]);
    return square;
}

}  // namespace

std::uint32_t CrcCombine(std::uint32_t crcA, std::uint32_t crcB, std::uint64_t lengthB) {
    if (lengthB == 0) return crcA;
    // The operator for one zero bit: shift right, folding the polynomial in for the low bit.
    Matrix odd{};
    odd[0] = 0xEDB88320u;
    for (std::size_t n = 1; n < 32; ++n) odd[n] = 1u << (n - 1);
    Matrix even = Square(odd);  // two zero bits
    odd = Square(even);         // four zero bits
    // Each pass squares once more, so the operators cover one byte, two, four, ... in turn.
    for (;;) {
        even = Square(odd);
        if (lengthB & 1u) crcA = Times(even, crcA);
        lengthB >>= 1;
        if (lengthB == 0) break;
        odd = Square(even);
        if (lengthB & 1u) crcA = Times(odd, crcA);
        lengthB >>= 1;
        if (lengthB == 0) break;
    }
    return crcA ^ crcB;
}

}  // namespace quillmark
