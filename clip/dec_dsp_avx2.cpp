// AVX2 variants of the hot routines where the wider registers pay: the 32-bit colour
// conversion the clip library uses. Everything else comes from the SSE2 table.
#include "clip/dec.h"
#include "clip/dec_dsp.h"

#if defined(__AVX2__)
#include <immintrin.h>

#include "clip/dec_dsp_steps.h"
#include "clip/dec_dsp_tables.h"

namespace {

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
    d.convert[DEC_OUT_BGR0] = ConvertBgr0;
    return d;
  }();
  return &dsp;
}

#else

const DEC_Dsp* DEC_DspAvx2(void) { return nullptr; }

#endif
