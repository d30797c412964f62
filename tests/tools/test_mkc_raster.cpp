// The content generator's raster library and stroke font: coverage and distance functions,
// blending, ramps, noise that tiles, blur, resampling, and text measured and drawn as laid out.
#include <gtest/gtest.h>

#include <cmath>

#include "tools/mkcontent/mkc_font.h"
#include "tools/mkcontent/mkc_raster.h"

namespace {

float sum_of(const MKC_Mask& m) {
  float s = 0;
  for (float v : m.a) s += v;
  return s;
}

TEST(MkcRaster, DistanceFunctionsAndCoverageAgreeOnInsideOutsideAndEdges) {
  EXPECT_FLOAT_EQ(MKC_SdCircle(3, 4, 0, 0, 2), 3.0f);
  EXPECT_LT(MKC_SdBox(1, 1, 0, 0, 2, 2), 0.0f);
  EXPECT_NEAR(MKC_SdBox(5, 0, 0, 0, 2, 2), 3.0f, 1e-5f);
  EXPECT_NEAR(MKC_SdBox(3, 3, 0, 0, 2, 2, 1.0f), std::sqrt(2.0f) * 2.0f - 1.0f, 1e-4f);
  EXPECT_NEAR(MKC_SdSegment(5, 3, 0, 0, 10, 0), 3.0f, 1e-5f);
  EXPECT_NEAR(MKC_SdSegment(-4, 3, 0, 0, 10, 0), 5.0f, 1e-5f);
  EXPECT_NEAR(MKC_SdEllipse(4, 0, 0, 0, 4, 2), 0.0f, 1e-4f);
  EXPECT_LT(MKC_SdEllipse(0, 1, 0, 0, 4, 2), 0.0f);
  const std::vector<float> square = {0, 0, 10, 0, 10, 10, 0, 10};
  EXPECT_NEAR(MKC_SdPolygon(5, 2, square), -2.0f, 1e-5f);
  EXPECT_NEAR(MKC_SdPolygon(13, 5, square), 3.0f, 1e-5f);
  // A concave polygon: the notch is outside.
  const std::vector<float> notch = {0, 0, 10, 0, 10, 10, 5, 2, 0, 10};
  EXPECT_GT(MKC_SdPolygon(5, 8, notch), 0.0f);
  EXPECT_LT(MKC_SdPolygon(5, 1, notch), 0.0f);

  EXPECT_FLOAT_EQ(MKC_Cover(-2.0f), 1.0f);
  EXPECT_FLOAT_EQ(MKC_Cover(0.0f), 0.5f);
  EXPECT_FLOAT_EQ(MKC_Cover(2.0f), 0.0f);
  EXPECT_GT(MKC_Cover(1.0f, 2.0f), 0.0f);  // a soft edge reaches further out
}

TEST(MkcRaster, ShapesCoverTheirAreaAndBlendModesMixAsNamed) {
  MKC_Mask m(64, 64);
  MKC_ShadeMask(m, 0, 0, 64, 64, [](float x, float y, float& v) { v = MKC_Cover(MKC_SdCircle(x, y, 32, 32, 20)); });
  EXPECT_NEAR(sum_of(m), 3.14159265f * 400.0f, 6.0f);

  MKC_Canvas c(16, 16, {0.5f, 0.5f, 0.5f});
  MKC_FillBox(c, 0, 0, 16, 16, {1, 0, 0}, 0.5f, MKC_OVER);
  EXPECT_FLOAT_EQ(c.at(8, 8)[0], 0.75f);
  EXPECT_FLOAT_EQ(c.at(8, 8)[1], 0.25f);
  float p[3] = {0.5f, 0.5f, 0.5f};
  MKC_BlendPixel(p, {0.5f, 0.2f, 1.0f}, 1.0f, MKC_ADD);
  EXPECT_FLOAT_EQ(p[0], 1.0f);
  EXPECT_FLOAT_EQ(p[1], 0.7f);
  MKC_BlendPixel(p, {0.5f, 0.5f, 0.5f}, 1.0f, MKC_MULTIPLY);
  EXPECT_FLOAT_EQ(p[0], 0.5f);
  float q[3] = {0.5f, 0.5f, 0.5f};
  MKC_BlendPixel(q, {1, 1, 1}, 1.0f, MKC_SCREEN);
  EXPECT_FLOAT_EQ(q[0], 1.0f);
  MKC_BlendPixel(q, {1, 0, 0}, 0.0f, MKC_OVER);  // no weight, no change
  EXPECT_FLOAT_EQ(q[1], 1.0f);

  // Shapes reaching past the canvas are clipped, not written outside it.
  MKC_Canvas small(4, 4);
  MKC_FillCircle(small, -10, -10, 30, {1, 1, 1});
  MKC_Line(small, -100, 2, 100, 2, 3, {1, 1, 1});
  EXPECT_FLOAT_EQ(small.at(3, 3)[0], 1.0f);
}

TEST(MkcRaster, RampsHitTheirStopsAndNoiseStaysInRangeAndTiles) {
  const std::vector<MKC_Stop> stops = {{0.2f, {0, 0, 0}}, {0.6f, {1, 0.5f, 0}}};
  EXPECT_FLOAT_EQ(MKC_Ramp(stops, 0.0f).r, 0.0f);
  EXPECT_FLOAT_EQ(MKC_Ramp(stops, 0.6f).r, 1.0f);
  EXPECT_FLOAT_EQ(MKC_Ramp(stops, 0.9f).g, 0.5f);
  EXPECT_NEAR(MKC_Ramp(stops, 0.4f).r, 0.5f, 1e-5f);

  float lo = 1, hi = 0;
  for (int i = 0; i < 2000; i++) {
    float x = float(i) * 0.37f, y = float(i % 50) * 0.61f;
    float n = MKC_Noise(x, y, 7), f = MKC_Fbm(x, y, 7, 4);
    lo = std::min({lo, n, f});
    hi = std::max({hi, n, f});
    EXPECT_NEAR(MKC_Noise(x, y, 9, 8), MKC_Noise(x + 8.0f, y - 16.0f, 9, 8), 1e-4f);
    EXPECT_NEAR(MKC_Fbm(x, y, 9, 3, 0.5f, 4), MKC_Fbm(x + 4.0f, y + 4.0f, 9, 3, 0.5f, 4), 1e-4f);
  }
  EXPECT_GE(lo, 0.0f);
  EXPECT_LE(hi, 1.0f);
  EXPECT_GT(hi - lo, 0.5f);  // and it varies
  EXPECT_NE(MKC_Noise(1.3f, 2.7f, 1), MKC_Noise(1.3f, 2.7f, 2));

  MKC_Random a(5), b(5);
  for (int i = 0; i < 10; i++) EXPECT_EQ(a.next(), b.next());
}

TEST(MkcRaster, BlurKeepsTheTotalAndWrapsWhenAsked) {
  MKC_Mask m(32, 32);
  m.at(16, 16) = 1.0f;
  MKC_BlurMask(m, 3.0f);
  EXPECT_NEAR(sum_of(m), 1.0f, 1e-3f);
  EXPECT_GT(m.at(18, 16), 0.0f);
  EXPECT_NEAR(m.at(14, 16), m.at(18, 16), 1e-6f);

  MKC_Mask edge(32, 8);
  for (int y = 0; y < 8; y++) edge.at(0, y) = 1.0f;
  MKC_BlurMask(edge, 2.0f, true);
  EXPECT_GT(edge.at(31, 4), 0.0f);  // spilled across the wrap
  EXPECT_NEAR(edge.at(31, 4), edge.at(1, 4), 1e-5f);
}

TEST(MkcRaster, ResizeFlipAndByteConversion) {
  MKC_Canvas c(4, 2);
  for (int x = 0; x < 4; x++) c.at(x, 1)[0] = 1.0f;
  MKC_FlipRows(c);
  EXPECT_FLOAT_EQ(c.at(2, 0)[0], 1.0f);
  EXPECT_FLOAT_EQ(c.at(2, 1)[0], 0.0f);
  MKC_Canvas big = MKC_Resize(c, 8, 4);
  EXPECT_FLOAT_EQ(big.at(0, 0)[0], 1.0f);
  EXPECT_FLOAT_EQ(big.at(7, 3)[0], 0.0f);
  c.at(0, 0)[1] = 2.0f;   // clamped
  c.at(1, 0)[1] = -1.0f;  // clamped
  c.at(2, 0)[1] = 0.5f;   // rounded
  std::vector<std::uint8_t> bytes = MKC_ToBytes(c);
  ASSERT_EQ(bytes.size(), 24u);
  EXPECT_EQ(bytes[1], 255);
  EXPECT_EQ(bytes[4], 0);
  EXPECT_EQ(bytes[7], 128);
}

TEST(MkcFont, TextIsMeasuredAsItIsDrawnAndBlanksAdvance) {
  MKC_TextStyle st{20, 2, 3};
  for (const char* s = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789,.;:-'!&/()?+*\"#_"; *s; s++)
    EXPECT_TRUE(MKC_FontHas(*s)) << *s;
  EXPECT_FALSE(MKC_FontHas(' '));
  EXPECT_FALSE(MKC_FontHas('@'));
  EXPECT_FLOAT_EQ(MKC_TextWidth("ab", st), MKC_TextWidth("a", st) + MKC_TextWidth("b", st));
  EXPECT_FLOAT_EQ(MKC_TextWidth(" ", st), st.space * st.size);

  MKC_Mask m(200, 40);
  float end = MKC_TextDraw(m, "velmar", 10, 30, st);
  EXPECT_FLOAT_EQ(end, 10 + MKC_TextWidth("velmar", st));
  // Ink lies between the pen positions, over the baseline, under the capital height.
  int left = 200, right = 0, top = 40, bottom = 0;
  for (int y = 0; y < 40; y++)
    for (int x = 0; x < 200; x++)
      if (m.at(x, y) > 0.5f)
        left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
  EXPECT_GE(left, 9);
  EXPECT_LE(right, int(end));
  EXPECT_GE(top, 30 - 20 - 2);
  EXPECT_LE(bottom, 30 + 1);

  // With a wrap, a strip tiles: text running off the right edge comes back in at the left.
  MKC_Mask strip(100, 30);
  MKC_TextDraw(strip, "xx", 90, 25, MKC_TextStyle{20, 2, 0}, 100.0f);
  float leftInk = 0;
  for (int y = 0; y < 30; y++)
    for (int x = 0; x < 10; x++) leftInk += strip.at(x, y);
  EXPECT_GT(leftInk, 5.0f);
}

}  // namespace
