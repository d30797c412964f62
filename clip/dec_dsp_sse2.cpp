// SSE2 variants of the hot routines (x86-64 baseline). Each gives exactly the plain variant's
// results: the inverse DCT uses the same products, sums and roundings, lane by lane.
#include "clip/dec.h"
#include "clip/dec_dsp.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include <cstring>

#include "clip/dec_dsp_tables.h"

namespace {

// Pairs of matrix entries for pmaddwd: kPairs[x][j] holds (M[x][a], M[x][b]) for the input
// pairs (0, 4), (2, 6), (1, 3), (5, 7), repeated over the register.
// Entries 4 and 5 hold the pairs (0, 2) and (1, 3) for blocks whose inputs 4..7 are zero.
struct IdctPairs {
  __m128i c[4][6];
  IdctPairs() {
    static constexpr int kA[6] = {0, 2, 1, 5, 0, 1}, kB[6] = {4, 6, 3, 7, 2, 3};
    for (int x = 0; x < 4; ++x)
      for (int j = 0; j < 6; ++j) {
        const uint32_t lo = static_cast<uint16_t>(kIdctMatrix[x][kA[j]]);
        const uint32_t hi = static_cast<uint16_t>(kIdctMatrix[x][kB[j]]);
        c[x][j] = _mm_set1_epi32(static_cast<int>(lo | hi << 16));
      }
  }
};
const IdctPairs kPairs;

// One 1-D pass over eight lanes: r[k] holds input k; on return r[x] holds output x.
template <int Shift>
inline void IdctPass(__m128i r[8]) {
  const __m128i round = _mm_set1_epi32(1 << (Shift - 1));
  const __m128i p04l = _mm_unpacklo_epi16(r[0], r[4]), p04h = _mm_unpackhi_epi16(r[0], r[4]);
  const __m128i p26l = _mm_unpacklo_epi16(r[2], r[6]), p26h = _mm_unpackhi_epi16(r[2], r[6]);
  const __m128i p13l = _mm_unpacklo_epi16(r[1], r[3]), p13h = _mm_unpackhi_epi16(r[1], r[3]);
  const __m128i p57l = _mm_unpacklo_epi16(r[5], r[7]), p57h = _mm_unpackhi_epi16(r[5], r[7]);
  for (int x = 0; x < 4; ++x) {
    const __m128i* c = kPairs.c[x];
    const __m128i el = _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(p04l, c[0]), _mm_madd_epi16(p26l, c[1])), round);
    const __m128i eh = _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(p04h, c[0]), _mm_madd_epi16(p26h, c[1])), round);
    const __m128i ol = _mm_add_epi32(_mm_madd_epi16(p13l, c[2]), _mm_madd_epi16(p57l, c[3]));
    const __m128i oh = _mm_add_epi32(_mm_madd_epi16(p13h, c[2]), _mm_madd_epi16(p57h, c[3]));
    r[x] = _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(el, ol), Shift),
                           _mm_srai_epi32(_mm_add_epi32(eh, oh), Shift));
    r[7 - x] = _mm_packs_epi32(_mm_srai_epi32(_mm_sub_epi32(el, ol), Shift),
                               _mm_srai_epi32(_mm_sub_epi32(eh, oh), Shift));
  }
}

// The pass for inputs 4..7 all zero; with Low, only lanes 0..3 of the inputs are non-zero.
template <int Shift, bool Low>
inline void IdctPassHalf(__m128i r[8]) {
  const __m128i round = _mm_set1_epi32(1 << (Shift - 1));
  const __m128i p02l = _mm_unpacklo_epi16(r[0], r[2]), p02h = _mm_unpackhi_epi16(r[0], r[2]);
  const __m128i p13l = _mm_unpacklo_epi16(r[1], r[3]), p13h = _mm_unpackhi_epi16(r[1], r[3]);
  for (int x = 0; x < 4; ++x) {
    const __m128i* c = kPairs.c[x];
    const __m128i el = _mm_add_epi32(_mm_madd_epi16(p02l, c[4]), round);
    const __m128i ol = _mm_madd_epi16(p13l, c[5]);
    __m128i plus = _mm_srai_epi32(_mm_add_epi32(el, ol), Shift);
    __m128i minus = _mm_srai_epi32(_mm_sub_epi32(el, ol), Shift);
    if (Low) {
      // Lanes 4..7 of the inputs are zero, so their outputs are the rounding term shifted: 0.
      r[x] = _mm_packs_epi32(plus, _mm_setzero_si128());
      r[7 - x] = _mm_packs_epi32(minus, _mm_setzero_si128());
    } else {
      const __m128i eh = _mm_add_epi32(_mm_madd_epi16(p02h, c[4]), round);
      const __m128i oh = _mm_madd_epi16(p13h, c[5]);
      r[x] = _mm_packs_epi32(plus, _mm_srai_epi32(_mm_add_epi32(eh, oh), Shift));
      r[7 - x] = _mm_packs_epi32(minus, _mm_srai_epi32(_mm_sub_epi32(eh, oh), Shift));
    }
  }
}

inline void Transpose8x8(__m128i r[8]) {
  const __m128i a0 = _mm_unpacklo_epi16(r[0], r[1]), a1 = _mm_unpackhi_epi16(r[0], r[1]);
  const __m128i a2 = _mm_unpacklo_epi16(r[2], r[3]), a3 = _mm_unpackhi_epi16(r[2], r[3]);
  const __m128i a4 = _mm_unpacklo_epi16(r[4], r[5]), a5 = _mm_unpackhi_epi16(r[4], r[5]);
  const __m128i a6 = _mm_unpacklo_epi16(r[6], r[7]), a7 = _mm_unpackhi_epi16(r[6], r[7]);
  const __m128i b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
  const __m128i b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
  const __m128i b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
  const __m128i b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
  r[0] = _mm_unpacklo_epi64(b0, b4), r[1] = _mm_unpackhi_epi64(b0, b4);
  r[2] = _mm_unpacklo_epi64(b1, b5), r[3] = _mm_unpackhi_epi64(b1, b5);
  r[4] = _mm_unpacklo_epi64(b2, b6), r[5] = _mm_unpackhi_epi64(b2, b6);
  r[6] = _mm_unpacklo_epi64(b3, b7), r[7] = _mm_unpackhi_epi64(b3, b7);
}

// Both passes; r[y] holds output row y on return. The block is zeroed.
inline void Idct(int16_t* block, __m128i r[8]) {
  __m128i* p = reinterpret_cast<__m128i*>(block);
  const __m128i zero = _mm_setzero_si128();
  for (int k = 0; k < 8; ++k) {
    r[k] = _mm_load_si128(p + k);
    _mm_store_si128(p + k, zero);
  }
  IdctPass<kIdctShift1>(r);
  Transpose8x8(r);
  IdctPass<kIdctShift2>(r);
}

// Both passes for a block whose coefficients lie in the first four rows and columns.
inline void Idct4(int16_t* block, __m128i r[8]) {
  __m128i* p = reinterpret_cast<__m128i*>(block);
  const __m128i zero = _mm_setzero_si128();
  for (int k = 0; k < 4; ++k) {
    r[k] = _mm_load_si128(p + k);
    _mm_store_si128(p + k, zero);
  }
  IdctPassHalf<kIdctShift1, true>(r);
  Transpose8x8(r);
  IdctPassHalf<kIdctShift2, false>(r);
}

template <bool Small>
inline void Transform(int16_t* block, __m128i r[8]) {
  if (Small)
    Idct4(block, r);
  else
    Idct(block, r);
}

template <bool Small>
void IdctPut(int16_t* block, uint8_t* dst, std::ptrdiff_t stride) {
  __m128i r[8];
  Transform<Small>(block, r);
  for (int y = 0; y < 8; y += 2) {
    const __m128i v = _mm_packus_epi16(r[y], r[y + 1]);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + y * stride), v);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + (y + 1) * stride), _mm_srli_si128(v, 8));
  }
}

template <bool Small>
void IdctAdd(int16_t* block, uint8_t* dst, std::ptrdiff_t stride) {
  __m128i r[8];
  Transform<Small>(block, r);
  const __m128i zero = _mm_setzero_si128();
  for (int y = 0; y < 8; ++y) {
    __m128i* d = reinterpret_cast<__m128i*>(dst + y * stride);
    const __m128i p = _mm_unpacklo_epi8(_mm_loadl_epi64(d), zero);
    _mm_storel_epi64(d, _mm_packus_epi16(_mm_adds_epi16(p, r[y]), zero));
  }
}

void DcPut(uint8_t* dst, std::ptrdiff_t stride, int value) {
  const __m128i v = _mm_set1_epi8(static_cast<char>(value < 0 ? 0 : (value > 255 ? 255 : value)));
  for (int y = 0; y < 8; ++y) _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + y * stride), v);
}

void DcAdd(uint8_t* dst, std::ptrdiff_t stride, int value) {
  const int m = value < 0 ? (value < -255 ? 255 : -value) : (value > 255 ? 255 : value);
  const __m128i v = _mm_set1_epi8(static_cast<char>(m));
  for (int y = 0; y < 8; ++y) {
    __m128i* d = reinterpret_cast<__m128i*>(dst + y * stride);
    const __m128i p = _mm_loadl_epi64(d);
    _mm_storel_epi64(d, value < 0 ? _mm_subs_epu8(p, v) : _mm_adds_epu8(p, v));
  }
}

// Loads and stores of one row of W (8 or 16) samples.
template <int W>
inline __m128i Load(const uint8_t* p) {
  if (W == 16) return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}
template <int W>
inline void Store(uint8_t* p, __m128i v) {
  if (W == 16)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
  else
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
}

// Average of two rows of samples: (a + b + 1 - rounding) >> 1.
template <int Rounding>
inline __m128i Average(__m128i a, __m128i b) {
  const __m128i up = _mm_avg_epu8(a, b);
  if (Rounding == 0) return up;
  return _mm_sub_epi8(up, _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi8(1)));
}

template <int W>
void McCopy(uint8_t* dst, const uint8_t* src, std::ptrdiff_t stride, int h) {
  for (int y = 0; y < h; ++y) Store<W>(dst + y * stride, Load<W>(src + y * stride));
}

template <int W, int Rounding>
void McHorizontal(uint8_t* dst, const uint8_t* src, std::ptrdiff_t stride, int h) {
  for (int y = 0; y < h; ++y, dst += stride, src += stride)
    Store<W>(dst, Average<Rounding>(Load<W>(src), Load<W>(src + 1)));
}

template <int W, int Rounding>
void McVertical(uint8_t* dst, const uint8_t* src, std::ptrdiff_t stride, int h) {
  __m128i a = Load<W>(src);
  for (int y = 0; y < h; ++y, dst += stride) {
    src += stride;
    const __m128i b = Load<W>(src);
    Store<W>(dst, Average<Rounding>(a, b));
    a = b;
  }
}

// Both halves: sums of horizontal pairs in 16 bits, two rows added, 2 - rounding, >> 2.
template <int W, int Rounding>
void McBoth(uint8_t* dst, const uint8_t* src, std::ptrdiff_t stride, int h) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i bias = _mm_set1_epi16(2 - Rounding);
  auto pairSums = [&](const uint8_t* p, __m128i* lo, __m128i* hi) {
    const __m128i a = Load<W>(p), b = Load<W>(p + 1);
    *lo = _mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
    if (W == 16) *hi = _mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
  };
  __m128i lo0, hi0 = zero, lo1, hi1 = zero;
  pairSums(src, &lo0, &hi0);
  for (int y = 0; y < h; ++y, dst += stride) {
    src += stride;
    pairSums(src, &lo1, &hi1);
    const __m128i l = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(lo0, lo1), bias), 2);
    const __m128i u = W == 16 ? _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(hi0, hi1), bias), 2) : zero;
    Store<W>(dst, _mm_packus_epi16(l, u));
    lo0 = lo1;
    hi0 = hi1;
  }
}


// Deblocking on 16-bit lanes: s[0..9] hold the samples s0..s9 of eight lines across an edge.
inline __m128i Abs16(__m128i x) { return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x)); }
inline __m128i Select(__m128i mask, __m128i a, __m128i b) {
  return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}

// Per lane: how many of the pairs (s[k], s[k + 1]), first <= k < last, differ by at most 1.
inline __m128i FlatPairs(const __m128i s[10], int first, int last) {
  const __m128i two = _mm_set1_epi16(2);
  __m128i count = _mm_setzero_si128();
  for (int k = first; k < last; ++k)
    count = _mm_sub_epi16(count, _mm_cmpgt_epi16(two, Abs16(_mm_sub_epi16(s[k], s[k + 1]))));
  return count;
}

// The flat filter into f[1..8].
inline void FilterFlat(const __m128i s[10], __m128i qp, __m128i f[10]) {
  const __m128i p0 = Select(_mm_cmpgt_epi16(qp, Abs16(_mm_sub_epi16(s[0], s[1]))), s[0], s[1]);
  const __m128i p9 = Select(_mm_cmpgt_epi16(qp, Abs16(_mm_sub_epi16(s[9], s[8]))), s[9], s[8]);
  __m128i e[17];
  for (int m = -3; m <= 13; ++m) e[m + 3] = m <= 0 ? p0 : (m >= 9 ? p9 : s[m]);
  const __m128i eight = _mm_set1_epi16(8);
  for (int n = 1; n <= 8; ++n) {
    const __m128i* c = e + n + 3;  // c[k] = extended sample n + k
    __m128i sum = _mm_add_epi16(_mm_add_epi16(c[-4], c[-3]), _mm_add_epi16(c[3], c[4]));
    const __m128i twos = _mm_add_epi16(_mm_add_epi16(c[-2], c[-1]), _mm_add_epi16(c[1], c[2]));
    sum = _mm_add_epi16(_mm_add_epi16(sum, eight), _mm_add_epi16(_mm_slli_epi16(twos, 1), _mm_slli_epi16(c[0], 2)));
    f[n] = _mm_srai_epi16(sum, 4);
  }
}

// The default filter: new s4 and s5 per lane (unchanged where it does not apply).
inline void FilterDefault(const __m128i s[10], __m128i qp, __m128i* s4, __m128i* s5) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i diff = _mm_sub_epi16(s[4], s[5]);
  const __m128i half = _mm_srai_epi16(_mm_add_epi16(diff, _mm_srli_epi16(diff, 15)), 1);
  auto twoFive = [](__m128i a, __m128i b, __m128i c, __m128i d) {  // 2a - 5b + 5c - 2d
    const __m128i t = _mm_slli_epi16(_mm_sub_epi16(a, d), 1);
    const __m128i u = _mm_sub_epi16(c, b);
    return _mm_add_epi16(t, _mm_add_epi16(_mm_slli_epi16(u, 2), u));
  };
  const __m128i a0 = twoFive(s[3], s[4], s[5], s[6]);
  const __m128i a0Abs = Abs16(a0);
  const __m128i m = _mm_min_epi16(Abs16(twoFive(s[1], s[2], s[3], s[4])), Abs16(twoFive(s[5], s[6], s[7], s[8])));
  const __m128i t = _mm_sub_epi16(a0Abs, m);
  __m128i d = _mm_srai_epi16(_mm_add_epi16(_mm_add_epi16(_mm_slli_epi16(t, 2), t), _mm_set1_epi16(32)), 6);
  d = _mm_min_epi16(d, Abs16(half));
  const __m128i apply = _mm_and_si128(
      _mm_and_si128(_mm_andnot_si128(_mm_cmpeq_epi16(half, zero), _mm_cmpgt_epi16(_mm_slli_epi16(qp, 3), a0Abs)),
                    _mm_cmpgt_epi16(d, zero)),
      _mm_andnot_si128(_mm_cmpeq_epi16(a0, zero), _mm_srai_epi16(_mm_xor_si128(a0, diff), 15)));
  const __m128i sign = _mm_srai_epi16(diff, 15);
  const __m128i sd = _mm_and_si128(apply, _mm_sub_epi16(_mm_xor_si128(d, sign), sign));
  *s4 = _mm_sub_epi16(s[4], sd);
  *s5 = _mm_add_epi16(s[5], sd);
}

// Applies the flat result where `flat`, the default one where `normal`, to s[1..8].
// Each filter only runs when some lane needs it.
inline void Combine(__m128i s[10], __m128i qp, __m128i flat, __m128i normal) {
  if (_mm_movemask_epi8(normal)) {
    __m128i d4, d5;
    FilterDefault(s, qp, &d4, &d5);
    s[4] = Select(normal, d4, s[4]);
    s[5] = Select(normal, d5, s[5]);
  }
  if (_mm_movemask_epi8(flat)) {
    __m128i f[10];
    FilterFlat(s, qp, f);
    for (int k = 1; k <= 8; ++k) s[k] = Select(flat, f[k], s[k]);
  }
}

// Transposes 8 rows of n (16 or 8) samples into n columns of 8 samples, stored one after
// another at `cols`.
inline void RowsToColumns(const uint8_t* src, std::ptrdiff_t stride, uint8_t* cols, int n) {
  __m128i r[8];
  for (int k = 0; k < 8; ++k)
    r[k] = n == 16 ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k * stride))
                   : _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + k * stride));
  __m128i a[8], b[8];
  for (int k = 0; k < 4; ++k) {
    a[k] = _mm_unpacklo_epi8(r[2 * k], r[2 * k + 1]);      // columns 0..7, rows 2k, 2k + 1
    a[k + 4] = _mm_unpackhi_epi8(r[2 * k], r[2 * k + 1]);  // columns 8..15
  }
  for (int h = 0; h < 2; ++h) {
    const __m128i* x = a + 4 * h;
    b[4 * h + 0] = _mm_unpacklo_epi16(x[0], x[1]);  // columns 0..3 of 8h.., rows 0..3
    b[4 * h + 1] = _mm_unpackhi_epi16(x[0], x[1]);  // columns 4..7, rows 0..3
    b[4 * h + 2] = _mm_unpacklo_epi16(x[2], x[3]);  // columns 0..3, rows 4..7
    b[4 * h + 3] = _mm_unpackhi_epi16(x[2], x[3]);  // columns 4..7, rows 4..7
  }
  __m128i* out = reinterpret_cast<__m128i*>(cols);
  for (int h = 0; h < n / 8; ++h) {
    const __m128i* y = b + 4 * h;
    _mm_store_si128(out + 4 * h + 0, _mm_unpacklo_epi32(y[0], y[2]));
    _mm_store_si128(out + 4 * h + 1, _mm_unpackhi_epi32(y[0], y[2]));
    _mm_store_si128(out + 4 * h + 2, _mm_unpacklo_epi32(y[1], y[3]));
    _mm_store_si128(out + 4 * h + 3, _mm_unpackhi_epi32(y[1], y[3]));
  }
}

// The inverse of RowsToColumns.
inline void ColumnsToRows(const uint8_t* cols, uint8_t* dst, std::ptrdiff_t stride, int n) {
  const __m128i* in = reinterpret_cast<const __m128i*>(cols);
  __m128i g[8] = {};
  for (int h = 0; h < n / 8; ++h) {
    __m128i e[4];
    for (int k = 0; k < 4; ++k) {
      const __m128i c = _mm_load_si128(in + 4 * h + k);
      e[k] = _mm_unpacklo_epi8(c, _mm_srli_si128(c, 8));  // per row: column 2k, 2k + 1
    }
    const __m128i f0 = _mm_unpacklo_epi16(e[0], e[1]), f1 = _mm_unpackhi_epi16(e[0], e[1]);
    const __m128i f2 = _mm_unpacklo_epi16(e[2], e[3]), f3 = _mm_unpackhi_epi16(e[2], e[3]);
    g[4 * h + 0] = _mm_unpacklo_epi32(f0, f2);  // rows 0, 1
    g[4 * h + 1] = _mm_unpackhi_epi32(f0, f2);  // rows 2, 3
    g[4 * h + 2] = _mm_unpacklo_epi32(f1, f3);  // rows 4, 5
    g[4 * h + 3] = _mm_unpackhi_epi32(f1, f3);  // rows 6, 7
  }
  for (int k = 0; k < 4; ++k) {
    uint8_t* even = dst + 2 * k * stride;
    uint8_t* odd = even + stride;
    if (n == 16) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(even), _mm_unpacklo_epi64(g[k], g[k + 4]));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(odd), _mm_unpackhi_epi64(g[k], g[k + 4]));
    } else {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(even), g[k]);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(odd), _mm_srli_si128(g[k], 8));
    }
  }
}

// Bands of 8 rows are transposed into a column buffer, filtered edge by edge from left to
// right there (each edge reads what the previous one wrote), and transposed back.
void DeblockVerticalSse2(uint8_t* plane, std::ptrdiff_t stride, int width, int height,
                         const uint8_t* qpStore, int qpStride, int shift) {
  const __m128i zero = _mm_setzero_si128();
  alignas(16) uint8_t cols[DEC_MAX_WIDTH + 16][8];
  if (width > DEC_MAX_WIDTH) return;
  for (int y0 = 0; y0 + 8 <= height; y0 += 8) {
    uint8_t* band = plane + y0 * stride;
    for (int x = 0; x < width; x += 16) RowsToColumns(band + x, stride, cols[x], width - x >= 16 ? 16 : 8);
    for (int x = 8; x <= width - 8; x += 8) {
      // Two 4-row strips: s[k] holds column x - 5 + k of the 8 rows.
      const int qpValue = qpStore[(y0 >> shift) * qpStride + (x >> shift)];
      __m128i s[10];
      for (int k = 0; k < 10; ++k)
        s[k] = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cols[x - 5 + k])), zero);
      const __m128i qp = _mm_set1_epi16(static_cast<short>(qpValue));
      // Pair counts per strip (lanes 0..3 and 4..7), and the first rows' |s1 - s8|.
      __m128i count = FlatPairs(s, 1, 8);
      count = _mm_add_epi16(count, _mm_srli_si128(count, 4));
      count = _mm_add_epi16(count, _mm_srli_si128(count, 2));
      const __m128i span = Abs16(_mm_sub_epi16(s[1], s[8]));
      int flat[2], normal[2];
      for (int h = 0; h < 2; ++h) {
        const int n = h ? _mm_extract_epi16(count, 4) : _mm_extract_epi16(count, 0);
        const int d = h ? _mm_extract_epi16(span, 4) : _mm_extract_epi16(span, 0);
        flat[h] = n >= 16 && d < 2 * qpValue;
        normal[h] = n < 16;
      }
      if (!flat[0] && !flat[1] && !normal[0] && !normal[1]) continue;
      const __m128i flatMask = _mm_set_epi64x(flat[1] ? -1 : 0, flat[0] ? -1 : 0);
      const __m128i normalMask = _mm_set_epi64x(normal[1] ? -1 : 0, normal[0] ? -1 : 0);
      Combine(s, qp, flatMask, normalMask);
      for (int k = 1; k <= 8; ++k)
        _mm_storel_epi64(reinterpret_cast<__m128i*>(cols[x - 5 + k]), _mm_packus_epi16(s[k], zero));
    }
    for (int x = 0; x < width; x += 16) ColumnsToRows(cols[x], band + x, stride, width - x >= 16 ? 16 : 8);
  }
}

void DeblockHorizontalSse2(uint8_t* plane, std::ptrdiff_t stride, int width, int height,
                           const uint8_t* qpStore, int qpStride, int shift) {
  const __m128i zero = _mm_setzero_si128();
  for (int y = 8; y <= height - 8; y += 8) {
    for (int x0 = 0; x0 + 8 <= width; x0 += 8) {
      const int qpValue = qpStore[(y >> shift) * qpStride + (x0 >> shift)];
      uint8_t* base = plane + (y - 5) * stride + x0;
      __m128i s[10];
      for (int k = 0; k < 10; ++k)
        s[k] = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(base + k * stride)), zero);
      const __m128i qp = _mm_set1_epi16(static_cast<short>(qpValue));
      __m128i count = FlatPairs(s, 1, 9);
      count = _mm_add_epi16(count, _mm_srli_si128(count, 8));
      count = _mm_add_epi16(count, _mm_srli_si128(count, 4));
      count = _mm_add_epi16(count, _mm_srli_si128(count, 2));
      const __m128i steep = _mm_cmpgt_epi16(Abs16(_mm_sub_epi16(s[1], s[8])), _mm_slli_epi16(qp, 1));
      const bool flat = _mm_extract_epi16(count, 0) > 32 && _mm_movemask_epi8(steep) == 0;
      const __m128i all = _mm_set1_epi16(-1);
      Combine(s, qp, flat ? all : zero, flat ? zero : all);
      for (int k = 1; k <= 8; ++k)
        _mm_storel_epi64(reinterpret_cast<__m128i*>(base + k * stride), _mm_packus_epi16(s[k], zero));
    }
  }
}

// Colour conversion of 16 pixels of one row: y holds 16 luma samples, u and v the 8 chroma
// samples each pair of pixels shares (in their low 8 bytes).
struct ChromaTerms {
  __m128i bu, guv, rv;  // 16-bit, one per pixel
};

inline void ChromaFor16(const uint8_t* u, const uint8_t* v, ChromaTerms* lo, ChromaTerms* hi) {
  const __m128i zero = _mm_setzero_si128(), c128 = _mm_set1_epi16(128);
  const __m128i u16 = _mm_slli_epi16(_mm_sub_epi16(_mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(u)), zero), c128), 3);
  const __m128i v16 = _mm_slli_epi16(_mm_sub_epi16(_mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(v)), zero), c128), 3);
  const __m128i bu = _mm_mulhi_epi16(u16, _mm_set1_epi16(kColourBu));
  const __m128i guv = _mm_add_epi16(_mm_mulhi_epi16(u16, _mm_set1_epi16(kColourGu)),
                                    _mm_mulhi_epi16(v16, _mm_set1_epi16(kColourGv)));
  const __m128i rv = _mm_mulhi_epi16(v16, _mm_set1_epi16(kColourRv));
  lo->bu = _mm_unpacklo_epi16(bu, bu), hi->bu = _mm_unpackhi_epi16(bu, bu);
  lo->guv = _mm_unpacklo_epi16(guv, guv), hi->guv = _mm_unpackhi_epi16(guv, guv);
  lo->rv = _mm_unpacklo_epi16(rv, rv), hi->rv = _mm_unpackhi_epi16(rv, rv);
}

// Blue, green and red bytes of 16 pixels.
inline void Rgb16(const uint8_t* y, const ChromaTerms& lo, const ChromaTerms& hi, __m128i* b,
                  __m128i* g, __m128i* r) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i yy = _mm_subs_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(y)), _mm_set1_epi8(16));
  const __m128i cy = _mm_set1_epi16(kColourY);
  const __m128i ylo = _mm_mulhi_epi16(_mm_slli_epi16(_mm_unpacklo_epi8(yy, zero), 3), cy);
  const __m128i yhi = _mm_mulhi_epi16(_mm_slli_epi16(_mm_unpackhi_epi8(yy, zero), 3), cy);
  *b = _mm_packus_epi16(_mm_add_epi16(ylo, lo.bu), _mm_add_epi16(yhi, hi.bu));
  *g = _mm_packus_epi16(_mm_add_epi16(ylo, lo.guv), _mm_add_epi16(yhi, hi.guv));
  *r = _mm_packus_epi16(_mm_add_epi16(ylo, lo.rv), _mm_add_epi16(yhi, hi.rv));
}

// Runs put(out row, luma row, 16 pixels' colours, x) over the picture, two rows per chroma row.
template <int Bytes, typename Put>
inline void ConvertRows(uint8_t* out, const DEC_Planes& in, int flip, Put put) {
  for (int cr = 0; cr < in.height / 2; ++cr) {
    const uint8_t* u = in.u + cr * in.cStride;
    const uint8_t* v = in.v + cr * in.cStride;
    for (int x = 0; x < in.width; x += 16) {
      ChromaTerms lo, hi;
      ChromaFor16(u + x / 2, v + x / 2, &lo, &hi);
      for (int k = 0; k < 2; ++k) {
        const int row = 2 * cr + k;
        const int outRow = flip ? in.height - 1 - row : row;
        __m128i b, g, r;
        Rgb16(in.y + row * in.yStride + x, lo, hi, &b, &g, &r);
        put(out + (static_cast<std::ptrdiff_t>(outRow) * in.width + x) * Bytes, b, g, r);
      }
    }
  }
}

void ConvertBgr0(uint8_t* out, const DEC_Planes& in, int flip) {
  ConvertRows<4>(out, in, flip, [](uint8_t* o, __m128i b, __m128i g, __m128i r) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i bgl = _mm_unpacklo_epi8(b, g), bgh = _mm_unpackhi_epi8(b, g);
    const __m128i r0l = _mm_unpacklo_epi8(r, zero), r0h = _mm_unpackhi_epi8(r, zero);
    __m128i* d = reinterpret_cast<__m128i*>(o);
    _mm_storeu_si128(d, _mm_unpacklo_epi16(bgl, r0l));
    _mm_storeu_si128(d + 1, _mm_unpackhi_epi16(bgl, r0l));
    _mm_storeu_si128(d + 2, _mm_unpacklo_epi16(bgh, r0h));
    _mm_storeu_si128(d + 3, _mm_unpackhi_epi16(bgh, r0h));
  });
}

// 16-bit layouts from the 8-bit channels: red, green and blue bits shifted into place.
template <int GreenBits>
inline void Store16Bit(uint8_t* o, __m128i b, __m128i g, __m128i r) {
  const __m128i zero = _mm_setzero_si128();
  for (int half = 0; half < 2; ++half) {
    const __m128i b16 = half ? _mm_unpackhi_epi8(b, zero) : _mm_unpacklo_epi8(b, zero);
    const __m128i g16 = half ? _mm_unpackhi_epi8(g, zero) : _mm_unpacklo_epi8(g, zero);
    const __m128i r16 = half ? _mm_unpackhi_epi8(r, zero) : _mm_unpacklo_epi8(r, zero);
    const __m128i pix = _mm_or_si128(
        _mm_or_si128(_mm_slli_epi16(_mm_srli_epi16(r16, 3), 5 + GreenBits),
                     _mm_slli_epi16(_mm_srli_epi16(g16, 8 - GreenBits), 5)),
        _mm_srli_epi16(b16, 3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o) + half, pix);
  }
}

void ConvertRgb555(uint8_t* out, const DEC_Planes& in, int flip) {
  ConvertRows<2>(out, in, flip, Store16Bit<5>);
}
void ConvertRgb565(uint8_t* out, const DEC_Planes& in, int flip) {
  ConvertRows<2>(out, in, flip, Store16Bit<6>);
}

}  // namespace

const DEC_Dsp* DEC_DspSse2(void) {
  static const DEC_Dsp dsp = [] {
    DEC_Dsp d = *DEC_DspPlain();
    d.name = "sse2";
    d.idctPut = IdctPut<false>;
    d.idctAdd = IdctAdd<false>;
    d.idctPut4 = IdctPut<true>;
    d.idctAdd4 = IdctAdd<true>;
    d.dcPut = DcPut;
    d.dcAdd = DcAdd;
    DEC_McFn* tables[2][2] = {{d.put16[0], d.put16[1]}, {d.put8[0], d.put8[1]}};
    tables[0][0][0] = McCopy<16>, tables[0][1][0] = McCopy<16>;
    tables[1][0][0] = McCopy<8>, tables[1][1][0] = McCopy<8>;
    tables[0][0][1] = McHorizontal<16, 0>, tables[0][1][1] = McHorizontal<16, 1>;
    tables[1][0][1] = McHorizontal<8, 0>, tables[1][1][1] = McHorizontal<8, 1>;
    tables[0][0][2] = McVertical<16, 0>, tables[0][1][2] = McVertical<16, 1>;
    tables[1][0][2] = McVertical<8, 0>, tables[1][1][2] = McVertical<8, 1>;
    tables[0][0][3] = McBoth<16, 0>, tables[0][1][3] = McBoth<16, 1>;
    tables[1][0][3] = McBoth<8, 0>, tables[1][1][3] = McBoth<8, 1>;
    d.deblockVertical = DeblockVerticalSse2;
    d.deblockHorizontal = DeblockHorizontalSse2;
    d.convert[DEC_OUT_BGR0] = ConvertBgr0;
    d.convert[DEC_OUT_RGB555] = ConvertRgb555;
    d.convert[DEC_OUT_RGB565] = ConvertRgb565;
    return d;
  }();
  return &dsp;
}

#else

const DEC_Dsp* DEC_DspSse2(void) { return nullptr; }

#endif
