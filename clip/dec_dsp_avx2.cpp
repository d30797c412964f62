// AVX2 variants of the hot routines where the wider registers pay: the full inverse DCT and
// the 32-bit colour conversion the clip library uses. Everything else comes from the SSE2
// table.
#include "clip/dec.h"
#include "clip/dec_dsp.h"

#if defined(__AVX2__)
#include <immintrin.h>

#include "clip/dec_dsp_steps.h"
#include "clip/dec_dsp_tables.h"

namespace {

// The inverse DCT on 256-bit registers. A block travels as four registers, each holding two
// rows of eight 16-bit values: y[0] rows 0 and 1, y[1] rows 2 and 3, and so on.

// Two matrix entries of output x for the inputs a and b, as one 32-bit pair for vpmaddwd.
constexpr int IdctPair(int x, int a, int b) {
  return static_cast<int>(static_cast<uint16_t>(kIdctMatrix[x][a]) |
                          static_cast<uint32_t>(static_cast<uint16_t>(kIdctMatrix[x][b])) << 16);
}

// One 1-D pass along the rows of the block (for each of the eight columns), in place.
template <int Shift>
inline void IdctPass256(__m256i y[4]) {
  // Inputs interleaved by pairs (0, 4), (1, 5), (2, 6), (3, 7), all eight columns in each.
  auto pairs = [](__m256i first, __m256i second, __m256i* a, __m256i* b) {
    const __m256i lo = _mm256_unpacklo_epi16(first, second), hi = _mm256_unpackhi_epi16(first, second);
    *a = _mm256_permute2x128_si256(lo, hi, 0x20);
    *b = _mm256_permute2x128_si256(lo, hi, 0x31);
  };
  __m256i p04, p15, p26, p37;
  pairs(y[0], y[2], &p04, &p15);
  pairs(y[1], y[3], &p26, &p37);
  const __m256i round = _mm256_set1_epi32(1 << (Shift - 1));
  __m256i plus[4], minus[4];  // outputs x and 7 - x, 32-bit
  for (int x = 0; x < 4; ++x) {
    const __m256i even = _mm256_add_epi32(
        _mm256_add_epi32(_mm256_madd_epi16(p04, _mm256_set1_epi32(IdctPair(x, 0, 4))),
                         _mm256_madd_epi16(p26, _mm256_set1_epi32(IdctPair(x, 2, 6)))),
        round);
    const __m256i odd = _mm256_add_epi32(_mm256_madd_epi16(p15, _mm256_set1_epi32(IdctPair(x, 1, 5))),
                                         _mm256_madd_epi16(p37, _mm256_set1_epi32(IdctPair(x, 3, 7))));
    plus[x] = _mm256_srai_epi32(_mm256_add_epi32(even, odd), Shift);
    minus[x] = _mm256_srai_epi32(_mm256_sub_epi32(even, odd), Shift);
  }
  // Saturated to 16 bits; the in-lane pack leaves the quarters of the two rows crossed.
  auto rows = [](__m256i first, __m256i second) {
    return _mm256_permute4x64_epi64(_mm256_packs_epi32(first, second), 0xD8);
  };
  y[0] = rows(plus[0], plus[1]);
  y[1] = rows(plus[2], plus[3]);
  y[2] = rows(minus[3], minus[2]);
  y[3] = rows(minus[1], minus[0]);
}

// Transposes the block in the two-rows-a-register layout.
inline void Transpose256(__m256i y[4]) {
  const __m256i z0 = _mm256_permute2x128_si256(y[0], y[2], 0x20), z1 = _mm256_permute2x128_si256(y[0], y[2], 0x31);
  const __m256i z2 = _mm256_permute2x128_si256(y[1], y[3], 0x20), z3 = _mm256_permute2x128_si256(y[1], y[3], 0x31);
  // z: rows (0 | 4), (1 | 5), (2 | 6), (3 | 7); then columns of four rows in each lane.
  const __m256i a0 = _mm256_unpacklo_epi16(z0, z1), a1 = _mm256_unpackhi_epi16(z0, z1);
  const __m256i a2 = _mm256_unpacklo_epi16(z2, z3), a3 = _mm256_unpackhi_epi16(z2, z3);
  y[0] = _mm256_permute4x64_epi64(_mm256_unpacklo_epi32(a0, a2), 0xD8);
  y[1] = _mm256_permute4x64_epi64(_mm256_unpackhi_epi32(a0, a2), 0xD8);
  y[2] = _mm256_permute4x64_epi64(_mm256_unpacklo_epi32(a1, a3), 0xD8);
  y[3] = _mm256_permute4x64_epi64(_mm256_unpackhi_epi32(a1, a3), 0xD8);
}

// Both passes; y holds the output rows on return. The block is zeroed.
inline void Idct256(int16_t* block, __m256i y[4]) {
  __m256i* p = reinterpret_cast<__m256i*>(block);
  for (int k = 0; k < 4; ++k) {
    y[k] = _mm256_load_si256(p + k);
    _mm256_store_si256(p + k, _mm256_setzero_si256());
  }
  IdctPass256<kIdctShift1>(y);
  Transpose256(y);
  IdctPass256<kIdctShift2>(y);
}

// Stores rows 4k..4k + 3 from the bytes of packus(rows 4k, 4k + 1; rows 4k + 2, 4k + 3).
inline void StoreFourRows(uint8_t* dst, std::ptrdiff_t stride, __m256i bytes) {
  const __m128i even = _mm256_castsi256_si128(bytes), odd = _mm256_extracti128_si256(bytes, 1);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), even);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + stride), odd);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + 2 * stride), _mm_unpackhi_epi64(even, even));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + 3 * stride), _mm_unpackhi_epi64(odd, odd));
}

void IdctPut(int16_t* block, uint8_t* dst, std::ptrdiff_t stride) {
  __m256i y[4];
  Idct256(block, y);
  StoreFourRows(dst, stride, _mm256_packus_epi16(y[0], y[1]));
  StoreFourRows(dst + 4 * stride, stride, _mm256_packus_epi16(y[2], y[3]));
}

void IdctAdd(int16_t* block, uint8_t* dst, std::ptrdiff_t stride) {
  __m256i y[4];
  Idct256(block, y);
  __m256i sums[4];
  for (int k = 0; k < 4; ++k) {
    const uint8_t* row = dst + 2 * k * stride;
    const __m128i two = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row)),
                                           _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + stride)));
    sums[k] = _mm256_adds_epi16(_mm256_cvtepu8_epi16(two), y[k]);
  }
  StoreFourRows(dst, stride, _mm256_packus_epi16(sums[0], sums[1]));
  StoreFourRows(dst + 4 * stride, stride, _mm256_packus_epi16(sums[2], sums[3]));
}

// 32 pixels of one row; the chroma terms are per pixel in the lane order of the luma unpacks
// (lo: pixels 0..7 and 16..23, hi: 8..15 and 24..31).
struct Terms {
  __m256i bu, guv, rv;
};

inline void ChromaFor32(const uint8_t* u, const uint8_t* v, Terms* lo, Terms* hi) {
  const __m256i c128 = _mm256_set1_epi16(128);
  const __m256i u16 = _mm256_slli_epi16(
      _mm256_sub_epi16(_mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(u))), c128), 3);
  const __m256i v16 = _mm256_slli_epi16(
      _mm256_sub_epi16(_mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v))), c128), 3);
  const __m256i bu = _mm256_mulhi_epi16(u16, _mm256_set1_epi16(kColourBu));
  const __m256i guv = _mm256_add_epi16(_mm256_mulhi_epi16(u16, _mm256_set1_epi16(kColourGu)),
                                       _mm256_mulhi_epi16(v16, _mm256_set1_epi16(kColourGv)));
  const __m256i rv = _mm256_mulhi_epi16(v16, _mm256_set1_epi16(kColourRv));
  // Chroma sample k serves pixels 2k and 2k + 1: samples 0..7 sit in the low lane, so the
  // in-lane unpacks give pixels 0..7 | 16..23 and 8..15 | 24..31, as the luma unpacks do.
  lo->bu = _mm256_unpacklo_epi16(bu, bu), hi->bu = _mm256_unpackhi_epi16(bu, bu);
  lo->guv = _mm256_unpacklo_epi16(guv, guv), hi->guv = _mm256_unpackhi_epi16(guv, guv);
  lo->rv = _mm256_unpacklo_epi16(rv, rv), hi->rv = _mm256_unpackhi_epi16(rv, rv);
}

inline void Bgr0For32(const uint8_t* y, const Terms& lo, const Terms& hi, uint8_t* out) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i yy = _mm256_subs_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(y)), _mm256_set1_epi8(16));
  const __m256i cy = _mm256_set1_epi16(kColourY);
  const __m256i ylo = _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_unpacklo_epi8(yy, zero), 3), cy);
  const __m256i yhi = _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_unpackhi_epi8(yy, zero), 3), cy);
  const __m256i b = _mm256_packus_epi16(_mm256_add_epi16(ylo, lo.bu), _mm256_add_epi16(yhi, hi.bu));
  const __m256i g = _mm256_packus_epi16(_mm256_add_epi16(ylo, lo.guv), _mm256_add_epi16(yhi, hi.guv));
  const __m256i r = _mm256_packus_epi16(_mm256_add_epi16(ylo, lo.rv), _mm256_add_epi16(yhi, hi.rv));
  const __m256i bgl = _mm256_unpacklo_epi8(b, g), bgh = _mm256_unpackhi_epi8(b, g);
  const __m256i r0l = _mm256_unpacklo_epi8(r, zero), r0h = _mm256_unpackhi_epi8(r, zero);
  const __m256i q0 = _mm256_unpacklo_epi16(bgl, r0l), q1 = _mm256_unpackhi_epi16(bgl, r0l);
  const __m256i q2 = _mm256_unpacklo_epi16(bgh, r0h), q3 = _mm256_unpackhi_epi16(bgh, r0h);
  __m256i* o = reinterpret_cast<__m256i*>(out);
  _mm256_storeu_si256(o, _mm256_permute2x128_si256(q0, q1, 0x20));
  _mm256_storeu_si256(o + 1, _mm256_permute2x128_si256(q2, q3, 0x20));
  _mm256_storeu_si256(o + 2, _mm256_permute2x128_si256(q0, q1, 0x31));
  _mm256_storeu_si256(o + 3, _mm256_permute2x128_si256(q2, q3, 0x31));
}

void ConvertBgr0(uint8_t* out, const DEC_Planes& in, int flip) {
  if (in.width < 32) {
    DEC_DspSse2()->convert[DEC_OUT_BGR0](out, in, flip);
    return;
  }
  struct Both {
    Terms lo, hi;
  };
  DEC_ConvertInSteps<32, 4, Both>(
      out, in, flip, [](const uint8_t* u, const uint8_t* v, Both* t) { ChromaFor32(u, v, &t->lo, &t->hi); },
      [](const uint8_t* y, const Both& t, uint8_t* o) { Bgr0For32(y, t.lo, t.hi, o); });
}

}  // namespace

const DEC_Dsp* DEC_DspAvx2(void) {
  static const DEC_Dsp dsp = [] {
    DEC_Dsp d = *DEC_DspSse2();
    d.name = "avx2";
    d.idctPut = IdctPut;
    d.idctAdd = IdctAdd;
    d.convert[DEC_OUT_BGR0] = ConvertBgr0;
    return d;
  }();
  return &dsp;
}

#else

const DEC_Dsp* DEC_DspAvx2(void) { return nullptr; }

#endif
