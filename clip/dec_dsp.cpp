// The plain C++ variants of the decoder's hot routines (the reference every vector variant
// must match), and the choice of variant at initialise.
#include "clip/dec_dsp.h"

#include <cstdlib>
#include <cstring>

#include "clip/dec_dsp_tables.h"

namespace {

inline uint8_t ClampByte(int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }
inline int16_t Saturate16(int v) {
  return static_cast<int16_t>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v));
}

// Both passes of the inverse DCT; out holds the samples (or residuals) in natural order.
void Idct(const int16_t* block, int out[64]) {
  int16_t mid[64];  // mid[v * 8 + x]: horizontal transform of coefficient row v
  for (int v = 0; v < 8; ++v) {
    for (int x = 0; x < 8; ++x) {
      int sum = 1 << (kIdctShift1 - 1);
      for (int u = 0; u < 8; ++u) sum += kIdctMatrix[x][u] * block[u * 8 + v];
      mid[v * 8 + x] = Saturate16(sum >> kIdctShift1);
    }
  }
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      int sum = 1 << (kIdctShift2 - 1);
      for (int v = 0; v < 8; ++v) sum += kIdctMatrix[y][v] * mid[v * 8 + x];
      out[y * 8 + x] = sum >> kIdctShift2;
    }
  }
}

void IdctPut(int16_t* block, uint8_t* dst, std::ptrdiff_t stride) {
  int out[64];
  Idct(block, out);
  std::memset(block, 0, 64 * sizeof(int16_t));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) dst[y * stride + x] = ClampByte(out[y * 8 + x]);
}

void IdctAdd(int16_t* block, uint8_t* dst, std::ptrdiff_t stride) {
  int out[64];
  Idct(block, out);
  std::memset(block, 0, 64 * sizeof(int16_t));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) dst[y * stride + x] = ClampByte(dst[y * stride + x] + out[y * 8 + x]);
}

void DcPut(uint8_t* dst, std::ptrdiff_t stride, int value) {
  for (int y = 0; y < 8; ++y) std::memset(dst + y * stride, ClampByte(value), 8);
}

void DcAdd(uint8_t* dst, std::ptrdiff_t stride, int value) {
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) dst[y * stride + x] = ClampByte(dst[y * stride + x] + value);
}

// Half-sample interpolation: averages of two samples add 1 - rounding before halving, of four
// samples 2 - rounding before quartering.
template <int W, int Rounding, int Case>
void Mc(uint8_t* dst, const uint8_t* src, std::ptrdiff_t stride, int h) {
  for (int y = 0; y < h; ++y, dst += stride, src += stride) {
    for (int x = 0; x < W; ++x) {
      const int a = src[x];
      if (Case == 0) dst[x] = static_cast<uint8_t>(a);
      if (Case == 1) dst[x] = static_cast<uint8_t>((a + src[x + 1] + 1 - Rounding) >> 1);
      if (Case == 2) dst[x] = static_cast<uint8_t>((a + src[x + stride] + 1 - Rounding) >> 1);
      if (Case == 3)
        dst[x] = static_cast<uint8_t>(
            (a + src[x + 1] + src[x + stride] + src[x + stride + 1] + 2 - Rounding) >> 2);
    }
  }
}

// One line of 10 samples s0..s9 across an edge (s4 | s5), `step` apart.
struct EdgeLine {
  uint8_t* p;  // s0
  std::ptrdiff_t step;
  int s(int k) const { return p[k * step]; }
};

// The flat (DC offset) filter: a 9-tap smoothing of s1..s8, outer values kept only when close.
void DeblockFlat(EdgeLine line, int qp) {
  int e[17];  // e[m + 3] = extended sample m, m = -3..13
  const int s1 = line.s(1), s8 = line.s(8);
  const int p0 = std::abs(line.s(0) - s1) < qp ? line.s(0) : s1;
  const int p9 = std::abs(line.s(9) - s8) < qp ? line.s(9) : s8;
  for (int m = -3; m <= 13; ++m) e[m + 3] = m <= 0 ? p0 : (m >= 9 ? p9 : line.s(m));
  static constexpr int kWeights[9] = {1, 1, 2, 2, 4, 2, 2, 1, 1};
  for (int n = 1; n <= 8; ++n) {
    int sum = 8;
    for (int k = -4; k <= 4; ++k) sum += kWeights[k + 4] * e[n + k + 3];
    line.p[n * line.step] = static_cast<uint8_t>(sum >> 4);
  }
}

// The default filter: moves s4 and s5 toward each other where the edge looks like a block step.
void DeblockDefault(EdgeLine line, int qp) {
  const int s1 = line.s(1), s2 = line.s(2), s3 = line.s(3), s4 = line.s(4);
  const int s5 = line.s(5), s6 = line.s(6), s7 = line.s(7), s8 = line.s(8);
  const int half = (s4 - s5) / 2;
  if (half == 0) return;
  const int a0 = 2 * s3 - 5 * s4 + 5 * s5 - 2 * s6;
  if (std::abs(a0) >= 8 * qp) return;
  const int a1 = 2 * s1 - 5 * s2 + 5 * s3 - 2 * s4;
  const int a2 = 2 * s5 - 5 * s6 + 5 * s7 - 2 * s8;
  const int a1Abs = std::abs(a1), a2Abs = std::abs(a2);
  int d = (5 * (std::abs(a0) - (a1Abs < a2Abs ? a1Abs : a2Abs)) + 32) >> 6;
  if (d <= 0 || (a0 > 0) == (s4 - s5 > 0) || a0 == 0) return;
  const int limit = std::abs(half);
  if (d > limit) d = limit;
  if (s4 > s5) {
    line.p[4 * line.step] = static_cast<uint8_t>(s4 - d);
    line.p[5 * line.step] = static_cast<uint8_t>(s5 + d);
  } else {
    line.p[4 * line.step] = static_cast<uint8_t>(s4 + d);
    line.p[5 * line.step] = static_cast<uint8_t>(s5 - d);
  }
}

inline int Flat(int a, int b) { return std::abs(a - b) <= 1; }

void DeblockVertical(uint8_t* plane, std::ptrdiff_t stride, int width, int height,
                     const uint8_t* qpStore, int qpStride, int shift) {
  for (int y0 = 0; y0 + 4 <= height; y0 += 4) {
    for (int x = 8; x <= width - 8; x += 8) {
      const int qp = qpStore[(y0 >> shift) * qpStride + (x >> shift)];
      uint8_t* base = plane + y0 * stride + x - 5;
      int count = 0;
      for (int r = 0; r < 4; ++r)
        for (int k = 1; k < 8; ++k) count += Flat(base[r * stride + k], base[r * stride + k + 1]);
      if (count >= 16) {
        if (std::abs(base[1] - base[8]) >= 2 * qp) continue;
        for (int r = 0; r < 4; ++r) DeblockFlat({base + r * stride, 1}, qp);
      } else {
        for (int r = 0; r < 4; ++r) DeblockDefault({base + r * stride, 1}, qp);
      }
    }
  }
}

void DeblockHorizontal(uint8_t* plane, std::ptrdiff_t stride, int width, int height,
                       const uint8_t* qpStore, int qpStride, int shift) {
  for (int y = 8; y <= height - 8; y += 8) {
    for (int x0 = 0; x0 + 8 <= width; x0 += 8) {
      const int qp = qpStore[(y >> shift) * qpStride + (x0 >> shift)];
      uint8_t* base = plane + (y - 5) * stride + x0;
      int count = 0, steep = 0;
      for (int c = 0; c < 8; ++c) {
        for (int k = 1; k < 9; ++k) count += Flat(base[k * stride + c], base[(k + 1) * stride + c]);
        steep |= std::abs(base[stride + c] - base[8 * stride + c]) > 2 * qp;
      }
      const bool flat = count > 32 && !steep;
      for (int c = 0; c < 8; ++c) {
        if (flat)
          DeblockFlat({base + c, stride}, qp);
        else
          DeblockDefault({base + c, stride}, qp);
      }
    }
  }
}

// Colour conversion of one pixel to blue, green, red.
struct Rgb {
  uint8_t b, g, r;
};
inline int HighHalf(int a, int c) { return (a * c) >> 16; }
inline Rgb ToRgb(int Y, int U, int V) {
  const int y = (Y > 16 ? Y - 16 : 0) * 8, u = (U - 128) * 8, v = (V - 128) * 8;
  const int yt = HighHalf(y, kColourY);
  return {ClampByte(yt + HighHalf(u, kColourBu)),
          ClampByte(yt + HighHalf(u, kColourGu) + HighHalf(v, kColourGv)),
          ClampByte(yt + HighHalf(v, kColourRv))};
}

// Calls put(outRow, x, rgb) for every pixel, with the output row chosen by `flip`.
template <int Bytes, typename Put>
void ConvertRgb(uint8_t* out, const DEC_Planes& in, int flip, Put put) {
  for (int i = 0; i < in.height; ++i) {
    const int row = flip ? in.height - 1 - i : i;
    const uint8_t* y = in.y + row * in.yStride;
    const uint8_t* u = in.u + (row >> 1) * in.cStride;
    const uint8_t* v = in.v + (row >> 1) * in.cStride;
    uint8_t* o = out + static_cast<std::ptrdiff_t>(i) * in.width * Bytes;
    for (int x = 0; x < in.width; ++x) put(o + x * Bytes, ToRgb(y[x], u[x >> 1], v[x >> 1]));
  }
}

void ConvertBgr0(uint8_t* out, const DEC_Planes& in, int flip) {
  ConvertRgb<4>(out, in, flip, [](uint8_t* o, Rgb c) {
    o[0] = c.b, o[1] = c.g, o[2] = c.r, o[3] = 0;
  });
}
void ConvertBgr(uint8_t* out, const DEC_Planes& in, int flip) {
  ConvertRgb<3>(out, in, flip, [](uint8_t* o, Rgb c) { o[0] = c.b, o[1] = c.g, o[2] = c.r; });
}
inline void Put16(uint8_t* o, int v) {
  o[0] = static_cast<uint8_t>(v);
  o[1] = static_cast<uint8_t>(v >> 8);
}
void ConvertRgb555(uint8_t* out, const DEC_Planes& in, int flip) {
  ConvertRgb<2>(out, in, flip, [](uint8_t* o, Rgb c) {
    Put16(o, ((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3));
  });
}
void ConvertRgb565(uint8_t* out, const DEC_Planes& in, int flip) {
  ConvertRgb<2>(out, in, flip, [](uint8_t* o, Rgb c) {
    Put16(o, ((c.r >> 3) << 11) | ((c.g >> 2) << 5) | (c.b >> 3));
  });
}

void ConvertPlanar(uint8_t* out, const DEC_Planes& in, int flip) {
  const int cw = in.width / 2, ch = in.height / 2;
  auto copy = [&](const uint8_t* src, std::ptrdiff_t stride, int w, int h) {
    for (int i = 0; i < h; ++i, out += w) std::memcpy(out, src + (flip ? h - 1 - i : i) * stride, w);
  };
  copy(in.y, in.yStride, in.width, in.height);
  copy(in.v, in.cStride, cw, ch);
  copy(in.u, in.cStride, cw, ch);
}

// Packed 4:2:2 with the byte order given by the positions of Y0, U, Y1, V in each group of 4.
template <int Y0, int U, int Y1, int V>
void ConvertPacked(uint8_t* out, const DEC_Planes& in, int flip) {
  for (int i = 0; i < in.height; ++i) {
    const int row = flip ? in.height - 1 - i : i;
    const uint8_t* y = in.y + row * in.yStride;
    const uint8_t* u = in.u + (row >> 1) * in.cStride;
    const uint8_t* v = in.v + (row >> 1) * in.cStride;
    uint8_t* o = out + static_cast<std::ptrdiff_t>(i) * in.width * 2;
    for (int x = 0; x < in.width / 2; ++x, o += 4) {
      o[Y0] = y[2 * x], o[U] = u[x], o[Y1] = y[2 * x + 1], o[V] = v[x];
    }
  }
}

template <int W, int R>
constexpr DEC_McFn kMcRow[4] = {Mc<W, R, 0>, Mc<W, R, 1>, Mc<W, R, 2>, Mc<W, R, 3>};

const DEC_Dsp kPlain = {
    "plain",
    IdctPut,
    IdctAdd,
    IdctPut,
    IdctAdd,
    DcPut,
    DcAdd,
    {{kMcRow<16, 0>[0], kMcRow<16, 0>[1], kMcRow<16, 0>[2], kMcRow<16, 0>[3]},
     {kMcRow<16, 1>[0], kMcRow<16, 1>[1], kMcRow<16, 1>[2], kMcRow<16, 1>[3]}},
    {{kMcRow<8, 0>[0], kMcRow<8, 0>[1], kMcRow<8, 0>[2], kMcRow<8, 0>[3]},
     {kMcRow<8, 1>[0], kMcRow<8, 1>[1], kMcRow<8, 1>[2], kMcRow<8, 1>[3]}},
    DeblockVertical,
    DeblockHorizontal,
    {nullptr, ConvertPlanar, ConvertBgr0, ConvertBgr, ConvertRgb555, ConvertRgb565,
     ConvertPacked<0, 1, 2, 3>, ConvertPacked<1, 0, 3, 2>},
};

}  // namespace

int DEC_IdctDcValue(int dc) {
  const int mid = (kIdctMatrix[0][0] * dc + (1 << (kIdctShift1 - 1))) >> kIdctShift1;
  return (kIdctMatrix[0][0] * Saturate16(mid) + (1 << (kIdctShift2 - 1))) >> kIdctShift2;
}

const DEC_Dsp* DEC_DspPlain(void) { return &kPlain; }

int DEC_CpuHasAvx512(void) {
#if defined(__x86_64__) || defined(__i386__)
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl");
#else
  return 0;
#endif
}

const DEC_Dsp* DEC_DspBest(void) {
#if defined(__x86_64__) || defined(__i386__)
  // The processor is asked first: the variants' own code may use the instructions in question.
  if (DEC_CpuHasAvx512() && DEC_DspAvx512()) return DEC_DspAvx512();
  if (__builtin_cpu_supports("avx2") && DEC_DspAvx2()) return DEC_DspAvx2();
  if (DEC_DspSse2()) return DEC_DspSse2();
#endif
  return &kPlain;
}
