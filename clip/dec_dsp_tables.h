// Constants the plain and vector variants of the hot routines share.
#pragma once

#include <cstdint>

// The 8-point inverse DCT as a matrix: x[i] = sum over k of kIdctMatrix[i][k] * X[k] / 2^14,
// entries round(2^14 * c(k) / 2 * cos((2i + 1) k pi / 16)), c(0) = 1 / sqrt(2), else 1; the
// entries of 1 / sqrt(8) are rounded down, so that a DC exactly halfway between two sample
// values rounds down, as common decoders do (otherwise references drift apart over a GOP).
inline constexpr int16_t kIdctMatrix[8][8] = {
    {5792, 8035, 7568, 6811, 5792, 4551, 3135, 1598},
    {5792, 6811, 3135, -1598, -5792, -8035, -7568, -4551},
    {5792, 4551, -3135, -8035, -5792, 1598, 7568, 6811},
    {5792, 1598, -7568, -4551, 5792, 6811, -3135, -8035},
    {5792, -1598, -7568, 4551, 5792, -6811, -3135, 8035},
    {5792, -4551, -3135, 8035, -5792, -1598, 7568, -6811},
    {5792, -6811, 3135, 1598, -5792, 8035, -7568, 4551},
    {5792, -8035, 7568, -6811, 5792, -4551, 3135, -1598},
};

// The first pass keeps 3 fractional bits in 16 bits; the second removes them.
inline constexpr int kIdctShift1 = 11;
inline constexpr int kIdctShift2 = 17;

// Colour conversion factors: high halves of signed 16 x 16-bit products on values scaled by 8.
inline constexpr int16_t kColourY = 9576;
inline constexpr int16_t kColourBu = 16591;
inline constexpr int16_t kColourGu = -3218;
inline constexpr int16_t kColourGv = -6686;
inline constexpr int16_t kColourRv = 13123;
