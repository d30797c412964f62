// The walk over a picture that the wide colour converters share: two rows per chroma row,
// Step pixels a step, a last part narrower than Step done as the last Step pixels (some
// twice, identically), and the output rows bottom-to-top when flipped.
#pragma once

#include <cstddef>
#include <cstdint>

#include "clip/dec_dsp.h"

// chroma(u, v, &terms) prepares the chroma of Step pixels; pixels(y, terms, out) writes the
// Step pixels of one row. The picture is at least Step pixels wide.
template <int Step, int Bytes, typename Terms, typename Chroma, typename Pixels>
inline void DEC_ConvertInSteps(uint8_t* out, const DEC_Planes& in, int flip, Chroma chroma, Pixels pixels) {
  for (int cr = 0; cr < in.height / 2; ++cr) {
    const uint8_t* u = in.u + cr * in.cStride;
    const uint8_t* v = in.v + cr * in.cStride;
    for (int x0 = 0; x0 < in.width; x0 += Step) {
      const int x = x0 + Step <= in.width ? x0 : in.width - Step;
      Terms terms;
      chroma(u + x / 2, v + x / 2, &terms);
      for (int k = 0; k < 2; ++k) {
        const int row = 2 * cr + k;
        const int outRow = flip ? in.height - 1 - row : row;
        pixels(in.y + row * in.yStride + x, terms, out + (static_cast<std::ptrdiff_t>(outRow) * in.width + x) * Bytes);
      }
    }
  }
}
