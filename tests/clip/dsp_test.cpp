// Every vector variant of the decoder's hot routines against the plain one, on random and
// extreme inputs; and the inverse DCT against the IEEE 1180 accuracy limits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "clip/dec.h"
#include "clip/dec_dsp.h"

namespace {

std::vector<const DEC_Dsp*> Variants() {
  std::vector<const DEC_Dsp*> v;
  if (DEC_DspSse2()) v.push_back(DEC_DspSse2());
  if (__builtin_cpu_supports("avx2") && DEC_DspAvx2()) v.push_back(DEC_DspAvx2());
  if (DEC_CpuHasAvx512() && DEC_DspAvx512()) v.push_back(DEC_DspAvx512());
  return v;
}

// Coefficient blocks: random sparse, random dense, and the extremes of the coefficient range.
std::vector<std::vector<int16_t>> CoefficientBlocks() {
  std::mt19937 rng(7);
  std::vector<std::vector<int16_t>> blocks;
  for (int i = 0; i < 3000; ++i) {
    std::vector<int16_t> b(64, 0);
    const int count = i % 3 == 0 ? 64 : 1 + static_cast<int>(rng() % 6);
    const int range = i % 5 == 0 ? 2048 : 300;
    for (int k = 0; k < count; ++k)
      b[rng() % (i % 4 == 0 ? 64 : 16)] = static_cast<int16_t>(static_cast<int>(rng() % (2 * range)) - range);
    blocks.push_back(b);
  }
  for (int16_t v : {int16_t{2047}, int16_t{-2048}}) {
    blocks.push_back(std::vector<int16_t>(64, v));
    std::vector<int16_t> alt(64);
    for (int k = 0; k < 64; ++k) alt[k] = ((k ^ (k >> 3)) & 1) ? v : static_cast<int16_t>(-v - 1);
    blocks.push_back(alt);
  }
  return blocks;
}

TEST(ClipDsp, IdctVariantsMatchPlain) {
  const DEC_Dsp* plain = DEC_DspPlain();
  std::mt19937 rng(3);
  for (const DEC_Dsp* d : Variants()) {
    for (const std::vector<int16_t>& coefficients : CoefficientBlocks()) {
      alignas(32) int16_t a[64], b[64];
      uint8_t pa[8 * 24], pb[8 * 24];
      for (uint8_t& p : pa) p = static_cast<uint8_t>(rng());
      std::memcpy(pb, pa, sizeof(pa));
      std::memcpy(a, coefficients.data(), sizeof(a));
      std::memcpy(b, a, sizeof(a));
      plain->idctAdd(a, pa + 3, 24);
      d->idctAdd(b, pb + 3, 24);
      ASSERT_EQ(0, std::memcmp(pa, pb, sizeof(pa))) << d->name << " add";
      for (int16_t v : b) ASSERT_EQ(0, v) << d->name << " leaves the block zeroed";
      std::memcpy(a, coefficients.data(), sizeof(a));
      std::memcpy(b, a, sizeof(a));
      plain->idctPut(a, pa + 3, 24);
      d->idctPut(b, pb + 3, 24);
      ASSERT_EQ(0, std::memcmp(pa, pb, sizeof(pa))) << d->name << " put";
      // The short transforms, on the same block cut to its first four rows and columns.
      for (int k = 0; k < 64; ++k) a[k] = (k & 0x24) ? 0 : coefficients[k];
      std::memcpy(b, a, sizeof(a));
      plain->idctAdd4(a, pa + 3, 24);
      d->idctAdd4(b, pb + 3, 24);
      ASSERT_EQ(0, std::memcmp(pa, pb, sizeof(pa))) << d->name << " add4";
      for (int16_t v : b) ASSERT_EQ(0, v) << d->name << " leaves the block zeroed";
      for (int k = 0; k < 64; ++k) a[k] = (k & 0x24) ? 0 : coefficients[k];
      std::memcpy(b, a, sizeof(a));
      plain->idctPut4(a, pa + 3, 24);
      d->idctPut4(b, pb + 3, 24);
      ASSERT_EQ(0, std::memcmp(pa, pb, sizeof(pa))) << d->name << " put4";
    }
    for (int value : {-4000, -256, -255, -1, 0, 1, 77, 255, 256, 4000}) {
      uint8_t pa[8 * 16], pb[8 * 16];
      for (uint8_t& p : pa) p = static_cast<uint8_t>(rng());
      std::memcpy(pb, pa, sizeof(pa));
      plain->dcAdd(pa, 16, value);
      d->dcAdd(pb, 16, value);
      ASSERT_EQ(0, std::memcmp(pa, pb, sizeof(pa))) << d->name << " dc add " << value;
      plain->dcPut(pa, 16, value);
      d->dcPut(pb, 16, value);
      ASSERT_EQ(0, std::memcmp(pa, pb, sizeof(pa))) << d->name << " dc put " << value;
    }
  }
}

TEST(ClipDsp, DcShortcutEqualsFullTransform) {
  for (int dc = -2048; dc < 2048; ++dc) {
    alignas(32) int16_t block[64] = {};
    block[0] = static_cast<int16_t>(dc);
    uint8_t full[64], quick[64];
    std::memset(full, 128, 64);
    std::memset(quick, 128, 64);
    DEC_DspPlain()->idctAdd(block, full, 8);
    DEC_DspPlain()->dcAdd(quick, 8, DEC_IdctDcValue(dc));
    ASSERT_EQ(0, std::memcmp(full, quick, 64)) << dc;
  }
}

// The IEEE 1180 procedure: random blocks in [-L, H], forward DCT in double precision rounded
// to integers, then the decoder's inverse against the exact inverse, rounded and clipped.
TEST(ClipDsp, IdctMeetsIeee1180) {
  double c[8][8];
  for (int i = 0; i < 8; ++i)
    for (int k = 0; k < 8; ++k) c[i][k] = (k ? 0.5 : std::sqrt(0.125)) * std::cos((2 * i + 1) * k * M_PI / 16);
  struct Range {
    int low, high, sign;
  };
  for (Range r : {Range{256, 255, 1}, Range{5, 5, 1}, Range{300, 300, 1}, Range{256, 255, -1},
                  Range{5, 5, -1}, Range{300, 300, -1}}) {
    uint32_t seed = 1;
    auto random = [&](int low, int high) {  // the procedure's linear congruential generator
      seed = seed * 1103515245u + 12345u;
      const double x = static_cast<double>(seed & 0x7fffffff) / 2147483647.0;
      return static_cast<int>(std::floor(x * (low + high + 1))) - low;
    };
    double errorSum[64] = {}, squareSum[64] = {};
    int peak = 0;
    const int blocks = 10000;
    for (int n = 0; n < blocks; ++n) {
      double pixels[64], coefficients[64];
      for (double& p : pixels) p = r.sign * random(r.low, r.high);
      for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u) {
          double sum = 0;
          for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) sum += c[y][v] * c[x][u] * pixels[y * 8 + x];
          coefficients[v * 8 + u] = std::fmin(2047, std::fmax(-2048, std::round(sum)));
        }
      // Added to a mid-grey prediction, so that results in -128..127 can be read back.
      alignas(32) int16_t block[64];
      for (int k = 0; k < 64; ++k) block[DEC_Transposed(k)] = static_cast<int16_t>(coefficients[k]);
      uint8_t out[64];
      std::memset(out, 128, 64);
      DEC_DspPlain()->idctAdd(block, out, 8);
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
          double exact = 0;
          for (int v = 0; v < 8; ++v)
            for (int u = 0; u < 8; ++u) exact += c[y][v] * c[x][u] * coefficients[v * 8 + u];
          const int reference = static_cast<int>(std::fmin(255, std::fmax(-256, std::round(exact))));
          if (reference + 128 < 0 || reference + 128 > 255) continue;  // outside what add can show
          const int e = (out[y * 8 + x] - 128) - reference;
          errorSum[y * 8 + x] += e;
          squareSum[y * 8 + x] += e * e;
          if (std::abs(e) > peak) peak = std::abs(e);
        }
    }
    double overallMse = 0, overallMean = 0;
    for (int k = 0; k < 64; ++k) {
      EXPECT_LE(squareSum[k] / blocks, 0.06) << "pixel mse at " << k;
      EXPECT_LE(std::fabs(errorSum[k] / blocks), 0.015) << "pixel mean error at " << k;
      overallMse += squareSum[k];
      overallMean += errorSum[k];
    }
    EXPECT_LE(peak, 1);
    EXPECT_LE(overallMse / (64.0 * blocks), 0.02);
    EXPECT_LE(std::fabs(overallMean / (64.0 * blocks)), 0.0015);
  }
}

TEST(ClipDsp, McVariantsMatchPlain) {
  const DEC_Dsp* plain = DEC_DspPlain();
  std::mt19937 rng(11);
  const int stride = 48;
  std::vector<uint8_t> src(stride * 20);
  for (const DEC_Dsp* d : Variants()) {
    for (int trial = 0; trial < 200; ++trial) {
      for (uint8_t& p : src) p = trial < 4 ? (trial & 1 ? 255 : (rng() & 1) * 255) : static_cast<uint8_t>(rng());
      for (int rounding = 0; rounding < 2; ++rounding)
        for (int c = 0; c < 4; ++c)
          for (int size : {8, 16}) {
            std::vector<uint8_t> a(stride * 17, 9), b(stride * 17, 9);
            const DEC_McFn fa = size == 16 ? plain->put16[rounding][c] : plain->put8[rounding][c];
            const DEC_McFn fb = size == 16 ? d->put16[rounding][c] : d->put8[rounding][c];
            fa(a.data() + 5, src.data() + 3, stride, size);
            fb(b.data() + 5, src.data() + 3, stride, size);
            ASSERT_EQ(a, b) << d->name << " size " << size << " rounding " << rounding << " case " << c;
          }
    }
  }
}

// A plane with blocky steps, flat areas, ramps and noise, so that every filter mode occurs.
std::vector<uint8_t> BlockyPlane(int w, int h, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> p(static_cast<std::size_t>(w) * h);
  for (int by = 0; by < h; by += 8)
    for (int bx = 0; bx < w; bx += 8) {
      const int kind = static_cast<int>(rng() % 4), base = static_cast<int>(rng() % 256);
      for (int y = by; y < by + 8; ++y)
        for (int x = bx; x < bx + 8; ++x) {
          int v = base;
          if (kind == 1) v += static_cast<int>(rng() % 3);
          if (kind == 2) v += (x - bx) * 3 - 10;
          if (kind == 3) v = static_cast<int>(rng() % 256);
          p[y * w + x] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
    }
  return p;
}

TEST(ClipDsp, DeblockVariantsMatchPlain) {
  const DEC_Dsp* plain = DEC_DspPlain();
  std::mt19937 rng(5);
  for (const DEC_Dsp* d : Variants()) {
    for (int trial = 0; trial < 40; ++trial) {
      // Widths and heights in steps of 8, so that every vector width meets a remainder.
      const int w = 64 + 8 * (trial % 5), h = 40 + 8 * (trial % 4), shift = trial % 3 ? 3 : 4;
      uint8_t qp[8 * 12];
      for (uint8_t& q : qp) q = static_cast<uint8_t>(1 + rng() % (trial < 20 ? 31 : 4));
      std::vector<uint8_t> a = BlockyPlane(w, h, static_cast<uint32_t>(trial));
      std::vector<uint8_t> b = a;
      plain->deblockVertical(a.data(), w, w, h, qp, 12, shift);
      d->deblockVertical(b.data(), w, w, h, qp, 12, shift);
      ASSERT_EQ(a, b) << d->name << " vertical edges, trial " << trial;
      plain->deblockHorizontal(a.data(), w, w, h, qp, 12, shift);
      d->deblockHorizontal(b.data(), w, w, h, qp, 12, shift);
      ASSERT_EQ(a, b) << d->name << " horizontal edges, trial " << trial;
    }
  }
}

TEST(ClipDsp, ConverterVariantsMatchPlain) {
  const DEC_Dsp* plain = DEC_DspPlain();
  std::mt19937 rng(9);
  const int h = 6;
  std::vector<uint8_t> y(128 * h), u(64 * h), v(64 * h);
  for (const DEC_Dsp* d : Variants()) {
    for (int trial = 0; trial < 30; ++trial) {
      // Widths that are not whole steps of the 16-, 32- and 64-pixel converters.
      const int w = trial % 2 ? 48 : 80;
      for (auto* plane : {&y, &u, &v})
        for (uint8_t& s : *plane) s = trial < 2 ? 0 : (trial < 4 ? 255 : static_cast<uint8_t>(rng()));
      const DEC_Planes in = {y.data(), u.data(), v.data(), 128, 64, w, h};
      for (int type = DEC_OUT_PLANAR; type <= DEC_OUT_UYVY; ++type)
        for (int flip = 0; flip < 2; ++flip) {
          std::vector<uint8_t> a(w * h * 4 + 16, 7), b(w * h * 4 + 16, 7);
          plain->convert[type](a.data(), in, flip);
          d->convert[type](b.data(), in, flip);
          ASSERT_EQ(a, b) << d->name << " type " << type << " flip " << flip;
        }
    }
  }
}

}  // namespace
