// Helpers of the tests that draw on screen: test images with one colour per quadrant,
// whole-frame region checks, and the material and picture bookkeeping of a test.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gfx/gfx_material.h"
#include "gfx/gfx_picture.h"
#include "tests/support/gl_fixture.h"

namespace vt {

struct Rgb {
  int r, g, b;
};

constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255}, kBlack{0, 0, 0};

// An image of `w` x `h` with the colours top-left, top-right, bottom-left, bottom-right in its
// quadrants (rows from the first in memory), texture created and image kept.
inline GFX_Material* QuadrantMaterial(int w, int h, int format, const Rgb (&c)[4]) {
  GFX_Material* m = GFX_MaterialNew(w, h, format);
  const int bpp = IMG_BytesPerPixel(format);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      const Rgb& q = c[(y >= h / 2) * 2 + (x >= w / 2)];
      std::uint8_t* p = m->image->data + (std::size_t(y) * w + x) * bpp;
      p[0] = std::uint8_t(q.r);
      p[1] = std::uint8_t(q.g);
      p[2] = std::uint8_t(q.b);
      if (bpp == 4) p[3] = 255;
    }
  GFX_MaterialUpload(m);
  return m;
}

// Pixels of the frame (GlReadRgb) in [x0, x1) x [y0, y1), rows from the top, that are not
// within `tolerance` of the colour.
inline int Mismatches(const std::vector<std::uint8_t>& frame, int x0, int y0, int x1, int y1, Rgb c,
                      int tolerance = 2) {
  int wrong = 0;
  for (int y = y0; y < y1; y++)
    for (int x = x0; x < x1; x++) {
      const std::uint8_t* p = &frame[(std::size_t(y) * kGlWidth + x) * 3];
      const int d[3] = {p[0] - c.r, p[1] - c.g, p[2] - c.b};
      for (int k : d)
        if (k > tolerance || k < -tolerance) {
          wrong++;
          break;
        }
    }
  return wrong;
}

// Checks the four quadrants of a centred box of w x h pixels, leaving `margin` pixels at every
// edge of each quadrant unchecked.
inline void ExpectBoxQuadrants(int w, int h, const Rgb (&c)[4], int margin = 1) {
  std::vector<std::uint8_t> f = GlReadRgb();
  const int x0 = (kGlWidth - w) / 2, y0 = (kGlHeight - h) / 2, cx = kGlWidth / 2, cy = kGlHeight / 2;
  const int m = margin;
  EXPECT_EQ(Mismatches(f, x0 + m, y0 + m, cx - m, cy - m, c[0]), 0) << "top left";
  EXPECT_EQ(Mismatches(f, cx + m, y0 + m, x0 + w - m, cy - m, c[1]), 0) << "top right";
  EXPECT_EQ(Mismatches(f, x0 + m, cy + m, cx - m, y0 + h - m, c[2]), 0) << "bottom left";
  EXPECT_EQ(Mismatches(f, cx + m, cy + m, x0 + w - m, y0 + h - m, c[3]), 0) << "bottom right";
}

inline ::testing::AssertionResult Near(Rgba got, Rgb c, int tolerance = 2) {
  return RgbNear(got, c.r, c.g, c.b, tolerance);
}

// Clears the frame to a colour (0..255).
inline void ClearTo(Rgb c) {
  glClearColor(float(c.r) / 255.0f, float(c.g) / 255.0f, float(c.b) / 255.0f, 0.0f);
  GFX_BeginFrame();
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

// The GL test case with the materials and pictures it made released after the test.
class ScreenTest : public GlTest {
 protected:
  void TearDown() override {
    for (GFX_Picture* p : pictures) GFX_PictureDelete(p);
    for (GFX_Material* m : materials) {
      GFX_MaterialUnbind(m);
      GFX_MaterialDelete(m);
    }
  }
  GFX_Material* Keep(GFX_Material* m) {
    materials.push_back(m);
    return m;
  }
  GFX_Picture* Keep(GFX_Picture* p) {
    pictures.push_back(p);
    return p;
  }
  // A 640x480 picture of quadrant colours.
  GFX_Picture* Picture(const Rgb (&c)[4]) {
    GFX_Material* source = QuadrantMaterial(640, 480, IMG_RGB, c);
    GFX_Picture* p = GFX_PictureFromMaterial(source);
    GFX_MaterialUnbind(source);
    GFX_MaterialDelete(source);
    return Keep(p);
  }
  std::vector<GFX_Material*> materials;
  std::vector<GFX_Picture*> pictures;
};

}  // namespace vt
