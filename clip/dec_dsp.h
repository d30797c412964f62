// The decoder's hot routines as a record of function pointers, filled at initialise with the
// fastest variant the processor runs (plain C++, SSE2, AVX2, AVX-512). Each variant gives
// results identical to the plain one; tests hold them to that.
#pragma once

#include <cstddef>
#include <cstdint>

// Coefficient blocks are stored transposed: the coefficient of row v, column u sits at
// index u * 8 + v. This lets the vector inverse DCTs start with their column pass.
constexpr int DEC_Transposed(int natural) { return ((natural & 7) << 3) | (natural >> 3); }

// Half-sample interpolation of a w x h block (w 8 or 16): dst = interpolate(src), case
// 0 full, 1 horizontal half, 2 vertical half, 3 both.
typedef void (*DEC_McFn)(uint8_t* dst, const uint8_t* src, std::ptrdiff_t stride, int h);

// Colour conversion of a whole picture. Planes are top-down; `flip` writes the output rows
// bottom-to-top. The output has no padding between rows.
struct DEC_Planes {
  const uint8_t* y;
  const uint8_t* u;
  const uint8_t* v;
  std::ptrdiff_t yStride;
  std::ptrdiff_t cStride;
  int width;
  int height;
};
typedef void (*DEC_ConvertFn)(uint8_t* out, const DEC_Planes& in, int flip);

// Deblocking passes on one plane (no border); qp holds the quantiser per macroblock, qpStride
// entries a row, and `shift` is log2 of the plane's samples per macroblock (4 luma, 3 chroma).
typedef void (*DEC_DeblockFn)(uint8_t* plane, std::ptrdiff_t stride, int width, int height,
                              const uint8_t* qp, int qpStride, int shift);

struct DEC_Dsp {
  const char* name;
  // Inverse DCT of a transposed block (coefficients -2048..2047), then store with clamping
  // or add to the prediction with clamping. The block is left zeroed.
  void (*idctPut)(int16_t* block, uint8_t* dst, std::ptrdiff_t stride);
  void (*idctAdd)(int16_t* block, uint8_t* dst, std::ptrdiff_t stride);
  // The same for blocks whose coefficients all lie in the first four rows and columns.
  void (*idctPut4)(int16_t* block, uint8_t* dst, std::ptrdiff_t stride);
  void (*idctAdd4)(int16_t* block, uint8_t* dst, std::ptrdiff_t stride);
  // The same for a block whose only coefficient is its DC: `value` is DEC_IdctDcValue(DC).
  void (*dcPut)(uint8_t* dst, std::ptrdiff_t stride, int value);
  void (*dcAdd)(uint8_t* dst, std::ptrdiff_t stride, int value);
  // [rounding][case]: 16x16 and 8x8 interpolation.
  DEC_McFn put16[2][4];
  DEC_McFn put8[2][4];
  DEC_DeblockFn deblockVertical;    // across vertical block edges
  DEC_DeblockFn deblockHorizontal;  // across horizontal block edges
  DEC_ConvertFn convert[8];         // by output type, 1..7
};

// The inverse DCT of a block with only its DC coefficient: the value every sample gets.
int DEC_IdctDcValue(int dc);

// Variant tables: plain C++ always; SSE2, AVX2 and AVX-512 where the build has them (null
// otherwise).
const DEC_Dsp* DEC_DspPlain(void);
const DEC_Dsp* DEC_DspSse2(void);
const DEC_Dsp* DEC_DspAvx2(void);
const DEC_Dsp* DEC_DspAvx512(void);
// Whether the processor runs the AVX-512 variant (foundation, byte and word, doubleword and
// quadword, and vector length extensions).
int DEC_CpuHasAvx512(void);
// The fastest variant the processor runs.
const DEC_Dsp* DEC_DspBest(void);
