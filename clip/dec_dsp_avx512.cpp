// AVX-512 variants of the post-filter and of the 32-bit colour conversion: the deblocking
// passes filter 32 lines across a row of edges at once, the converter does 64 pixels a step.
// Everything else comes from the AVX2 table. The filters' arithmetic is written on GCC
// vectors of 32 16-bit lanes, the compiler choosing the mask instructions.
#include "clip/dec.h"
#include "clip/dec_dsp.h"

#if defined(__AVX512F__) && defined(__AVX512BW__) && defined(__AVX512DQ__) && defined(__AVX512VL__)
#include <immintrin.h>

#include "clip/dec_dsp_steps.h"
#include "clip/dec_dsp_tables.h"

namespace {

typedef int16_t Lanes __attribute__((vector_size(64)));  // 32 lines of one sample position

inline Lanes Abs(Lanes x) { return x < 0 ? -x : x; }
inline Lanes Min(Lanes a, Lanes b) { return a < b ? a : b; }
inline Lanes Widen(__m256i bytes) { return reinterpret_cast<Lanes>(_mm512_cvtepu8_epi16(bytes)); }
inline __m256i Narrow(Lanes x) { return _mm512_cvtepi16_epi8(reinterpret_cast<__m512i>(x)); }
// All ones in the lanes whose bit is set.
inline Lanes LaneMask(__mmask32 m) { return reinterpret_cast<Lanes>(_mm512_movm_epi16(m)); }
// The lanes of the 64-bit groups (four lines) whose bit is set.
inline __mmask32 GroupLanes(__mmask8 groups) { return _mm512_movepi16_mask(_mm512_movm_epi64(groups)); }

// Per lane: how many of the pairs (s[k], s[k + 1]), first <= k < last, differ by at most 1.
inline Lanes FlatPairs(const Lanes s[10], int first, int last) {
  Lanes count = {};
  for (int k = first; k < last; ++k) count -= Abs(s[k] - s[k + 1]) <= 1;
  return count;
}

// The flat filter on s[1..8], where `where` is set.
inline void FilterFlat(Lanes s[10], Lanes qp, Lanes where) {
  const Lanes p0 = Abs(s[0] - s[1]) < qp ? s[0] : s[1];
  const Lanes p9 = Abs(s[9] - s[8]) < qp ? s[9] : s[8];
  Lanes e[17];
  for (int m = -3; m <= 13; ++m) e[m + 3] = m <= 0 ? p0 : (m >= 9 ? p9 : s[m]);
  for (int n = 1; n <= 8; ++n) {
    const Lanes* c = e + n + 3;  // c[k] = extended sample n + k
    const Lanes sum = c[-4] + c[-3] + c[3] + c[4] + 8 + ((c[-2] + c[-1] + c[1] + c[2]) << 1) + (c[0] << 2);
    s[n] = where ? sum >> 4 : s[n];
  }
}

// The default filter on s4 and s5, where `where` is set and the edge looks like a block step.
inline void FilterDefault(Lanes s[10], Lanes qp, Lanes where) {
  auto twoFive = [](Lanes a, Lanes b, Lanes c, Lanes d) { return ((a - d) << 1) + (c - b) * 5; };
  const Lanes diff = s[4] - s[5];
  const Lanes half = diff / 2;
  const Lanes a0 = twoFive(s[3], s[4], s[5], s[6]);
  const Lanes a0Abs = Abs(a0);
  const Lanes m = Min(Abs(twoFive(s[1], s[2], s[3], s[4])), Abs(twoFive(s[5], s[6], s[7], s[8])));
  Lanes d = ((a0Abs - m) * 5 + 32) >> 6;
  const Lanes apply = where & (half != 0) & (a0Abs < (qp << 3)) & (d > 0) & (a0 != 0) & ((a0 ^ diff) < 0);
  d = Min(d, Abs(half));
  const Lanes sd = apply ? (diff > 0 ? d : -d) : Lanes{};
  s[4] -= sd;
  s[5] += sd;
}

// Applies the flat filter to the lanes in `flat`, the default one to those in `normal`.
inline void Combine(Lanes s[10], Lanes qp, __mmask32 flat, __mmask32 normal) {
  if (normal) FilterDefault(s, qp, LaneMask(normal));
  if (flat) FilterFlat(s, qp, LaneMask(flat));
}

// Sums of the 16-bit lanes (each under 256) over each group of four lanes.
inline __m512i GroupSums(Lanes count) {
  return _mm512_sad_epu8(reinterpret_cast<__m512i>(count), _mm512_setzero_si512());
}

// Four quantisers, one per 8 lanes.
inline Lanes QpLanes(const int q[4]) {
  const uint64_t ones = 0x0101010101010101ull;
  return Widen(_mm256_set_epi64x(static_cast<int64_t>(q[3] * ones), static_cast<int64_t>(q[2] * ones),
                                 static_cast<int64_t>(q[1] * ones), static_cast<int64_t>(q[0] * ones)));
}

// Horizontal edges: 32 columns (four blocks) a step, the last step masked to the width.
void DeblockHorizontal(uint8_t* plane, std::ptrdiff_t stride, int width, int height,
                       const uint8_t* qpStore, int qpStride, int shift) {
  for (int y = 8; y <= height - 8; y += 8) {
    const uint8_t* qpRow = qpStore + (y >> shift) * qpStride;
    for (int x0 = 0; x0 + 8 <= width; x0 += 32) {
      const int blocks = (width - x0) / 8 < 4 ? (width - x0) / 8 : 4;
      const __mmask32 columns = blocks == 4 ? ~0u : (1u << (8 * blocks)) - 1;
      uint8_t* base = plane + (y - 5) * stride + x0;
      Lanes s[10];
      for (int k = 0; k < 10; ++k) s[k] = Widen(_mm256_maskz_loadu_epi8(columns, base + k * stride));
      int q[4];
      for (int g = 0; g < 4; ++g) q[g] = g < blocks ? qpRow[(x0 + 8 * g) >> shift] : 1;
      const Lanes qp = QpLanes(q);
      // Per block: more than 32 flat pairs and no column steeper than twice the quantiser.
      __m512i sums = GroupSums(FlatPairs(s, 1, 9));
      sums = _mm512_add_epi64(sums, _mm512_shuffle_epi32(sums, _MM_PERM_BADC));
      const __mmask8 many = _mm512_cmpgt_epi64_mask(sums, _mm512_set1_epi64(32));
      const Lanes steepLanes = Abs(s[1] - s[8]) > (qp << 1);
      __mmask8 steep = _mm512_test_epi64_mask(reinterpret_cast<__m512i>(steepLanes),
                                              reinterpret_cast<__m512i>(steepLanes));
      steep = static_cast<__mmask8>(steep | ((steep & 0x55) << 1) | ((steep & 0xAA) >> 1));
      const __mmask32 flat = GroupLanes(static_cast<__mmask8>(many & ~steep));
      Combine(s, qp, flat, ~flat);
      for (int k = 1; k <= 8; ++k) _mm256_mask_storeu_epi8(base + k * stride, columns, Narrow(s[k]));
    }
  }
}

// One round of a transposition network: v[i] and v[i + 4] become the low and high
// interleaves of v[2i] and v[2i + 1]. Three rounds transpose; the results come out in
// bit-reversed order (BitReversed3).
template <typename Low, typename High>
inline void Interleave(__m512i v[8], Low low, High high) {
  __m512i t[8];
  for (int i = 0; i < 4; ++i) t[i] = low(v[2 * i], v[2 * i + 1]), t[i + 4] = high(v[2 * i], v[2 * i + 1]);
  for (int i = 0; i < 8; ++i) v[i] = t[i];
}
inline int BitReversed3(int m) { return ((m & 1) << 2) | (m & 2) | (m >> 2); }
#define DEC_INTERLEAVE(name, size)                                                  \
  inline void name(__m512i v[8]) {                                                  \
    Interleave(v, [](__m512i a, __m512i b) { return _mm512_unpacklo_##size(a, b); }, \
               [](__m512i a, __m512i b) { return _mm512_unpackhi_##size(a, b); });   \
  }
DEC_INTERLEAVE(Interleave8, epi8)
DEC_INTERLEAVE(Interleave16, epi16)
DEC_INTERLEAVE(Interleave32, epi32)
DEC_INTERLEAVE(Interleave64, epi64)
#undef DEC_INTERLEAVE

// Transposes `rows` (up to 32) rows of n (16 or 8) samples into n columns of 32 samples
// stored one after another at `cols` (rows past `rows` read as 0).
inline void RowsToColumns(const uint8_t* src, std::ptrdiff_t stride, int rows, uint8_t* cols, int n) {
  // v[k] holds rows k, k + 8, k + 16, k + 24 in its four 128-bit lanes; each lane is
  // transposed on its own, into pairs of columns of its 8 rows.
  const __mmask16 width = n == 16 ? 0xFFFF : 0xFF;
  auto row = [&](int k) { return k < rows ? _mm_maskz_loadu_epi8(width, src + k * stride) : _mm_setzero_si128(); };
  __m512i v[8];
  for (int k = 0; k < 8; ++k) {
    const __m512i two = _mm512_inserti32x4(_mm512_castsi128_si512(row(k)), row(k + 8), 1);
    v[k] = _mm512_inserti32x4(_mm512_inserti32x4(two, row(k + 16), 2), row(k + 24), 3);
  }
  Interleave8(v);
  Interleave16(v);
  Interleave32(v);
  // v[m] holds column pair BitReversed3(m) of each lane's rows; gathering the lanes' halves
  // gives the pair's two columns of all 32 rows.
  const __m512i order = _mm512_set_epi64(7, 5, 3, 1, 6, 4, 2, 0);
  for (int m = 0; m < 8; ++m) {
    const int pair = BitReversed3(m);
    if (2 * pair < n) _mm512_store_si512(cols + 2 * pair * 32, _mm512_permutexvar_epi64(order, v[m]));
  }
}

// The inverse of RowsToColumns, writing `rows` rows.
inline void ColumnsToRows(const uint8_t* cols, uint8_t* dst, std::ptrdiff_t stride, int rows, int n) {
  // v[p] lane L: the 16-bit units (column 2p, column 2p + 1) of rows 8L..8L + 7; transposing
  // those 8 x 8 units per lane gives the rows.
  const __m512i order = _mm512_set_epi64(7, 3, 6, 2, 5, 1, 4, 0);
  __m512i v[8];
  for (int p = 0; p < 8; ++p) {
    if (2 * p >= n) {
      v[p] = _mm512_setzero_si512();
      continue;
    }
    const __m512i c = _mm512_permutexvar_epi64(order, _mm512_load_si512(cols + 2 * p * 32));
    v[p] = _mm512_unpacklo_epi8(c, _mm512_bsrli_epi128(c, 8));
  }
  Interleave16(v);
  Interleave32(v);
  Interleave64(v);
  const __mmask16 width = n == 16 ? 0xFFFF : 0xFF;
  for (int m = 0; m < 8; ++m) {
    const int r = BitReversed3(m);  // v[m] lane L: row 8L + r
    const __m128i lanes[4] = {_mm512_castsi512_si128(v[m]), _mm512_extracti32x4_epi32(v[m], 1),
                              _mm512_extracti32x4_epi32(v[m], 2), _mm512_extracti32x4_epi32(v[m], 3)};
    for (int lane = 0; lane < 4; ++lane)
      if (8 * lane + r < rows) _mm_mask_storeu_epi8(dst + (8 * lane + r) * stride, width, lanes[lane]);
  }
}

// Vertical edges: bands of 32 rows are transposed into a column buffer, filtered edge by edge
// from left to right there (each edge reads what the previous one wrote), and transposed back.
void DeblockVertical(uint8_t* plane, std::ptrdiff_t stride, int width, int height,
                     const uint8_t* qpStore, int qpStride, int shift) {
  alignas(64) uint8_t cols[DEC_MAX_WIDTH + 16][32];
  if (width > DEC_MAX_WIDTH) return;
  for (int y0 = 0; y0 + 8 <= height; y0 += 32) {
    const int rows = height - y0 < 32 ? (height - y0) & ~7 : 32;
    uint8_t* band = plane + y0 * stride;
    for (int x = 0; x < width; x += 16) RowsToColumns(band + x, stride, rows, cols[x], width - x >= 16 ? 16 : 8);
    for (int x = 8; x <= width - 8; x += 8) {
      // Eight 4-row strips: s[k] holds column x - 5 + k of the 32 rows.
      Lanes s[10];
      for (int k = 0; k < 10; ++k) s[k] = Widen(_mm256_load_si256(reinterpret_cast<const __m256i*>(cols[x - 5 + k])));
      int q[4];
      for (int g = 0; g < 4; ++g) q[g] = 8 * g < rows ? qpStore[((y0 + 8 * g) >> shift) * qpStride + (x >> shift)] : 1;
      const Lanes qp = QpLanes(q);
      // Per strip: at least 16 flat pairs, and its first row's |s1 - s8| under twice the quantiser.
      const __mmask8 many = _mm512_cmpge_epi64_mask(GroupSums(FlatPairs(s, 1, 8)), _mm512_set1_epi64(16));
      const Lanes gentle = Abs(s[1] - s[8]) < (qp << 1);
      const __mmask8 firstGentle = _mm512_test_epi64_mask(reinterpret_cast<__m512i>(gentle), _mm512_set1_epi64(0xFFFF));
      const __mmask8 flat = many & firstGentle, normal = static_cast<__mmask8>(~many);
      if (!flat && !normal) continue;
      Combine(s, qp, GroupLanes(flat), GroupLanes(normal));
      for (int k = 1; k <= 8; ++k) _mm256_store_si256(reinterpret_cast<__m256i*>(cols[x - 5 + k]), Narrow(s[k]));
    }
    for (int x = 0; x < width; x += 16) ColumnsToRows(cols[x], band + x, stride, rows, width - x >= 16 ? 16 : 8);
  }
}

// Colour conversion of 64 pixels of two rows sharing chroma: the chroma terms per pixel in
// the lane order of the luma unpacks (lo: pixels 16L..16L + 7 of lane L, hi: the next 8).
struct Terms {
  __m512i bu, guv, rv;
};

inline void ChromaFor64(const uint8_t* u, const uint8_t* v, Terms* lo, Terms* hi) {
  const __m512i c128 = _mm512_set1_epi16(128);
  const __m512i u16 = _mm512_slli_epi16(
      _mm512_sub_epi16(_mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(u))), c128), 3);
  const __m512i v16 = _mm512_slli_epi16(
      _mm512_sub_epi16(_mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(v))), c128), 3);
  const __m512i bu = _mm512_mulhi_epi16(u16, _mm512_set1_epi16(kColourBu));
  const __m512i guv = _mm512_add_epi16(_mm512_mulhi_epi16(u16, _mm512_set1_epi16(kColourGu)),
                                       _mm512_mulhi_epi16(v16, _mm512_set1_epi16(kColourGv)));
  const __m512i rv = _mm512_mulhi_epi16(v16, _mm512_set1_epi16(kColourRv));
  lo->bu = _mm512_unpacklo_epi16(bu, bu), hi->bu = _mm512_unpackhi_epi16(bu, bu);
  lo->guv = _mm512_unpacklo_epi16(guv, guv), hi->guv = _mm512_unpackhi_epi16(guv, guv);
  lo->rv = _mm512_unpacklo_epi16(rv, rv), hi->rv = _mm512_unpackhi_epi16(rv, rv);
}

inline void Bgr0For64(const uint8_t* y, const Terms& lo, const Terms& hi, uint8_t* out) {
  const __m512i zero = _mm512_setzero_si512();
  const __m512i yy = _mm512_subs_epu8(_mm512_loadu_si512(y), _mm512_set1_epi8(16));
  const __m512i cy = _mm512_set1_epi16(kColourY);
  const __m512i ylo = _mm512_mulhi_epi16(_mm512_slli_epi16(_mm512_unpacklo_epi8(yy, zero), 3), cy);
  const __m512i yhi = _mm512_mulhi_epi16(_mm512_slli_epi16(_mm512_unpackhi_epi8(yy, zero), 3), cy);
  // Blue, green and red bytes of the 64 pixels, in order.
  const __m512i b = _mm512_packus_epi16(_mm512_add_epi16(ylo, lo.bu), _mm512_add_epi16(yhi, hi.bu));
  const __m512i g = _mm512_packus_epi16(_mm512_add_epi16(ylo, lo.guv), _mm512_add_epi16(yhi, hi.guv));
  const __m512i r = _mm512_packus_epi16(_mm512_add_epi16(ylo, lo.rv), _mm512_add_epi16(yhi, hi.rv));
  const __m512i bgl = _mm512_unpacklo_epi8(b, g), bgh = _mm512_unpackhi_epi8(b, g);
  const __m512i r0l = _mm512_unpacklo_epi8(r, zero), r0h = _mm512_unpackhi_epi8(r, zero);
  // q[i] lane L: pixels 16L + 4i .. 16L + 4i + 3; output j wants lane j of q0..q3.
  const __m512i q0 = _mm512_unpacklo_epi16(bgl, r0l), q1 = _mm512_unpackhi_epi16(bgl, r0l);
  const __m512i q2 = _mm512_unpacklo_epi16(bgh, r0h), q3 = _mm512_unpackhi_epi16(bgh, r0h);
  const __m512i t0 = _mm512_shuffle_i64x2(q0, q1, 0x44), t1 = _mm512_shuffle_i64x2(q2, q3, 0x44);
  const __m512i t2 = _mm512_shuffle_i64x2(q0, q1, 0xEE), t3 = _mm512_shuffle_i64x2(q2, q3, 0xEE);
  _mm512_storeu_si512(out, _mm512_shuffle_i64x2(t0, t1, 0x88));
  _mm512_storeu_si512(out + 64, _mm512_shuffle_i64x2(t0, t1, 0xDD));
  _mm512_storeu_si512(out + 128, _mm512_shuffle_i64x2(t2, t3, 0x88));
  _mm512_storeu_si512(out + 192, _mm512_shuffle_i64x2(t2, t3, 0xDD));
}

void ConvertBgr0(uint8_t* out, const DEC_Planes& in, int flip) {
  if (in.width < 64) {
    DEC_DspAvx2()->convert[DEC_OUT_BGR0](out, in, flip);
    return;
  }
  struct Both {
    Terms lo, hi;
  };
  DEC_ConvertInSteps<64, 4, Both>(
      out, in, flip, [](const uint8_t* u, const uint8_t* v, Both* t) { ChromaFor64(u, v, &t->lo, &t->hi); },
      [](const uint8_t* y, const Both& t, uint8_t* o) { Bgr0For64(y, t.lo, t.hi, o); });
}

}  // namespace

const DEC_Dsp* DEC_DspAvx512(void) {
  static const DEC_Dsp dsp = [] {
    DEC_Dsp d = *DEC_DspAvx2();
    d.name = "avx512";
    d.deblockVertical = DeblockVertical;
    d.deblockHorizontal = DeblockHorizontal;
    d.convert[DEC_OUT_BGR0] = ConvertBgr0;
    return d;
  }();
  return &dsp;
}

#else

const DEC_Dsp* DEC_DspAvx512(void) { return nullptr; }

#endif
