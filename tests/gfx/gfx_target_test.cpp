// The render target and the scissor bands on the OpenGL driver: a 256x256 capture comes back
// upright over the screen and in a rectangle, the 20-pass effects smear in their directions
// (and zoom 0 is the plain image), the bind lock and the binds around the target, the feedback
// effects, and the rows each scissor band keeps; and the one-pass program the 20-pass effects
// draw with where the OpenGL runs shaders, against their fixed-function passes.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "gfx/gfx_2d.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_ogl.h"
#include "gfx/gfx_picture.h"
#include "platform/pl_platform.h"
#include "tests/gfx/screen_checks.h"

namespace {

using vt::kBlack;
using vt::kBlue;
using vt::kGreen;
using vt::kRed;
using vt::kWhite;
using vt::Mismatches;
using vt::Near;
using vt::Rgb;

constexpr float kPi = 3.14159265f;

std::array<GLint, 4> Viewport() {
  std::array<GLint, 4> v{};
  glGetIntegerv(GL_VIEWPORT, v.data());
  return v;
}

// The render target's texels as RGB rows from the bottom.
std::vector<std::uint8_t> TargetTexels() {
  std::vector<std::uint8_t> t(256 * 256 * 3);
  GFX_OglBindRaw(GFX_ogl.renderTarget);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, t.data());
  return t;
}

int Red(const std::vector<std::uint8_t>& rgb, int width, int x, int y) { return rgb[(std::size_t(y) * width + x) * 3]; }

class GfxTarget : public vt::ScreenTest {
 protected:
  // Renders the picture into the 256x256 viewport and captures it.
  void Capture(GFX_Picture* p) {
    GFX_TargetBegin();
    GFX_BeginFrame();
    GFX_PictureDraw(0, 0, p);
    GFX_TargetCapture();
  }
  // A white 160x120 square in the middle of a black picture, captured.
  void CaptureSquare() {
    GFX_Material* source = vt::QuadrantMaterial(640, 480, IMG_RGB, {kBlack, kBlack, kBlack, kBlack});
    for (int y = 180; y < 300; y++) std::memset(source->image->data + (y * 640 + 240) * 3, 255, 160 * 3);
    GFX_Picture* p = Keep(GFX_PictureFromMaterial(source));
    GFX_MaterialUnbind(source);
    GFX_MaterialDelete(source);
    Capture(p);
  }
  // The frame after clearing it to black and drawing.
  static std::vector<std::uint8_t> Frame(const std::function<void()>& draw) {
    vt::ClearTo(kBlack);
    draw();
    return vt::GlReadRgb();
  }
};

TEST_F(GfxTarget, CaptureComesBackUprightOverTheScreenAndInARectangle) {
  GFX_Picture* p = Picture({kRed, kGreen, kBlue, kWhite});
  ASSERT_EQ(GFX_TargetBegin(), 1);
  EXPECT_EQ(Viewport(), (std::array<GLint, 4>{0, 0, 256, 256}));
  GFX_BeginFrame();
  GFX_PictureDraw(0, 0, p);
  // The whole virtual screen lands in the bottom-left 256x256 pixels.
  std::vector<std::uint8_t> corner(256 * 256 * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, 256, 256, GL_RGB, GL_UNSIGNED_BYTE, corner.data());
  GFX_Material* other = Keep(vt::GlSolidMaterial(8, 8, IMG_RGB, 1, 2, 3));
  GFX_MaterialUse(other);
  ASSERT_EQ(GFX_TargetCapture(), 1);
  EXPECT_EQ(Viewport(), (std::array<GLint, 4>{0, 0, 640, 480}));
  EXPECT_EQ(GFX_ogl.lastBound, nullptr);
  EXPECT_TRUE(TargetTexels() == corner);
  EXPECT_EQ(Red(corner, 256, 10, 250), 255);  // top left red
  EXPECT_EQ(Red(corner, 256, 10, 5), 0);      // bottom left blue

  GFX_BeginFrame();
  ASSERT_EQ(GFX_TargetDraw(), 1);
  vt::ExpectBoxQuadrants(640, 480, {kRed, kGreen, kBlue, kWhite}, 4);

  // Added at 0.4 in the rectangle of half-size 0.5 centred on the screen, still upright.
  vt::ClearTo(kBlack);
  ASSERT_EQ(GFX_TargetDrawRect(1, -1, 0.5f, 0.5f), 1);
  vt::ExpectBoxQuadrants(320, 240, {{102, 0, 0}, {0, 102, 0}, {0, 0, 102}, {102, 102, 102}}, 4);
  std::vector<std::uint8_t> f = vt::GlReadRgb();
  EXPECT_EQ(Mismatches(f, 0, 0, 640, 118, kBlack) + Mismatches(f, 0, 362, 640, 480, kBlack), 0);
  EXPECT_EQ(Mismatches(f, 0, 0, 158, 480, kBlack) + Mismatches(f, 482, 0, 640, 480, kBlack), 0);
}

TEST_F(GfxTarget, ZoomBlurOfZeroIsTheFullImageEveryPass) {
  GFX_Picture* p = Picture({{200, 40, 0}, {0, 120, 250}, {90, 90, 90}, {250, 250, 10}});
  Capture(p);
  const std::vector<std::uint8_t> once = Frame([] { GFX_TargetDraw(); });
  // Over the image itself the 20 passes change nothing.
  const std::vector<std::uint8_t> over = Frame([] {
    GFX_TargetDraw();
    GFX_TargetZoomBlur(0);
  });
  // Over black they build it up to about 1 - 0.9^20 of its brightness (each pass blends in
  // 8 bits, so darker values fall a little short).
  const std::vector<std::uint8_t> alone = Frame([] { GFX_TargetZoomBlur(0); });
  int overWrong = 0;
  for (std::size_t i = 0; i < once.size(); i++) overWrong += std::abs(over[i] - once[i]) > 1;
  EXPECT_EQ(overWrong, 0);
  const std::size_t bright = (std::size_t(120) * 640 + 480) * 3;  // the top-right quadrant's blue
  EXPECT_EQ(once[bright + 2], 250);
  EXPECT_NEAR(alone[bright + 2], 250 * (1.0 - std::pow(0.9, 20)), 6);
  // The stretches and the zoom-spin without amount are the same 20 full passes.
  EXPECT_TRUE(Frame([] { GFX_TargetStretchLeft(0); }) == alone);
  EXPECT_TRUE(Frame([] { GFX_TargetStretchRight(0); }) == alone);
  EXPECT_TRUE(Frame([] { GFX_TargetZoomSpin(0, 0); }) == alone);

  // The amount is clamped to 0..1, and the pulse is the full amount.
  EXPECT_TRUE(Frame([] { GFX_TargetZoomBlur(-2); }) == alone);
  const std::vector<std::uint8_t> full = Frame([] { GFX_TargetZoomBlur(1); });
  EXPECT_FALSE(full == alone);
  EXPECT_TRUE(Frame([] { GFX_TargetZoomBlur(7); }) == full);
  EXPECT_TRUE(Frame([] { GFX_TargetPulse(); }) == full);
}

TEST_F(GfxTarget, PassesSmearTheImageInTheirDirections) {
  CaptureSquare();
  // The square covers pixels 240..400 x 180..300 of the screen when drawn once.
  auto lit = [](const std::vector<std::uint8_t>& f, int x, int y) { return Red(f, 640, x, y) > 20; };
  std::vector<std::uint8_t> f = Frame([] { GFX_TargetDraw(); });
  EXPECT_FALSE(lit(f, 192, 240));
  EXPECT_FALSE(lit(f, 480, 240));
  EXPECT_TRUE(lit(f, 320, 240));

  // Zoomed in: the square grows in every direction.
  f = Frame([] { GFX_TargetZoomBlur(1); });
  EXPECT_TRUE(lit(f, 192, 240));
  EXPECT_TRUE(lit(f, 480, 240));
  EXPECT_TRUE(lit(f, 320, 100));
  // The left edge stays and the image stretches to the right ...
  f = Frame([] { GFX_TargetStretchLeft(1); });
  EXPECT_FALSE(lit(f, 192, 240));
  EXPECT_TRUE(lit(f, 480, 240));
  EXPECT_FALSE(lit(f, 320, 100));
  // ... or the right edge stays and it stretches to the left.
  f = Frame([] { GFX_TargetStretchRight(1); });
  EXPECT_TRUE(lit(f, 192, 240));
  EXPECT_FALSE(lit(f, 480, 240));
  EXPECT_FALSE(lit(f, 320, 100));
}

TEST_F(GfxTarget, SpinZoomTurnsTheCoordinatesAboutTheCentre) {
  Capture(Picture({kRed, kGreen, kBlue, kWhite}));
  // At opacity 1 the last pass (i = 19) is all that shows: turned by 19/20 of the spin and
  // sampling a square of 21/40 of the image. Coordinates turned a quarter counter-clockwise
  // show the image a quarter turned clockwise.
  vt::ClearTo(kBlack);
  ASSERT_EQ(GFX_TargetSpinZoom(1.0f, kPi / 2 * 20.0f / 19.0f, 1.0f), 1);
  vt::ExpectBoxQuadrants(640, 480, {kBlue, kRed, kWhite, kGreen}, 8);
  // Unturned, the same pass is the middle of the image, magnified.
  vt::ClearTo(kBlack);
  GFX_TargetSpinZoom(1.0f, 0.0f, 1.0f);
  vt::ExpectBoxQuadrants(640, 480, {kRed, kGreen, kBlue, kWhite}, 8);
}

TEST_F(GfxTarget, OnePassProgramDrawsWhatTheFixedFunctionPassesDraw) {
  // Smooth dark and light ramps, where an 8-bit pass stops short of the image: summing in
  // floating point and rounding once would miss by several levels there.
  GFX_Material* source = vt::QuadrantMaterial(640, 480, IMG_RGB, {kBlack, kBlack, kBlack, kBlack});
  for (int y = 0; y < 480; y++)
    for (int x = 0; x < 640; x++) {
      std::uint8_t* p = source->image->data + (std::size_t(y) * 640 + x) * 3;
      p[0] = std::uint8_t(x * 60 / 640);
      p[1] = std::uint8_t(y * 255 / 480);
      p[2] = std::uint8_t((x ^ y) & 255);
    }
  GFX_Picture* picture = Keep(GFX_PictureFromMaterial(source));
  GFX_MaterialUnbind(source);
  GFX_MaterialDelete(source);
  Capture(picture);
  ASSERT_EQ(GFX_OglTapsReady(), 1) << "Mesa runs shaders; the program should have built";
  const std::function<void()> effects[] = {
      [] { GFX_TargetZoomBlur(1); },          [] { GFX_TargetStretchLeft(0.6f); },
      [] { GFX_TargetStretchRight(1); },      [] { GFX_TargetSpinZoom(0.9f, 1.2f, 0.3f); },
      [] { GFX_TargetSpinZoom(1.4f, -0.4f, 0.07f); },
  };
  for (std::size_t e = 0; e < std::size(effects); e++) {
    // Over the image itself, so that the passes blend onto a frame that is not black.
    auto frame = [&] {
      return Frame([&] {
        GFX_TargetDraw();
        effects[e]();
      });
    };
    const std::vector<std::uint8_t> program = frame();
    GFX_OglTapsStop();
    const std::vector<std::uint8_t> passes = frame();
    ASSERT_EQ(GFX_OglTapsStart(), 1);
    // Texture coordinates worked out another way may land a bilinear weight on the other side
    // of a step now and then: one level, in a few pixels.
    int apart = 0, far = 0;
    for (std::size_t i = 0; i < program.size(); i++) {
      apart += program[i] != passes[i];
      far += std::abs(program[i] - passes[i]) > 1;
    }
    EXPECT_EQ(far, 0) << "effect " << e;
    EXPECT_LE(apart, int(program.size() / 1000)) << "effect " << e;
    EXPECT_FALSE(program == Frame([] { GFX_TargetDraw(); })) << "effect " << e << " drew nothing";
  }
}

TEST_F(GfxTarget, LockKeepsTheTargetBoundAndUnlockLetsMaterialsBindAgain) {
  Capture(Picture({kRed, kGreen, kBlue, kWhite}));
  GFX_Material* green = Keep(vt::GlSolidMaterial(16, 16, IMG_RGB, 0, 255, 0));
  // The full-texture draw of the locked target shows the capture upside down.
  ASSERT_EQ(GFX_TargetLock(), 1);
  vt::ClearTo(kBlack);
  GFX_ScreenDrawAlphaFull(green, 1.0f);
  EXPECT_TRUE(Near(vt::GlPixel(160, 120), kBlue));
  EXPECT_TRUE(Near(vt::GlPixel(480, 360), kGreen));
  ASSERT_EQ(GFX_TargetUnlock(), 1);
  vt::ClearTo(kBlack);
  GFX_ScreenDrawAlphaFull(green, 1.0f);
  EXPECT_EQ(Mismatches(vt::GlReadRgb(), 0, 0, 640, 480, kGreen), 0);

  // A target draw in between does not leave the material's bind looking redundant.
  GFX_MaterialUse(green);
  GFX_TargetDraw();
  vt::ClearTo(kBlack);
  GFX_ScreenDrawAlphaFull(green, 1.0f);
  EXPECT_EQ(Mismatches(vt::GlReadRgb(), 0, 0, 640, 480, kGreen), 0);
}

TEST_F(GfxTarget, FeedbackGrowsTheCaptureAndDrawsItOverTheScreen) {
  PL_TimerSetManual(1, 0);
  struct Case {
    const char* name;
    int (*effect)(void);
    bool leftGrows, rightGrows;
  };
  const Case cases[] = {{"zoom", GFX_TargetFeedbackZoom, true, true}, {"smear", GFX_TargetFeedbackSmear, true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CaptureSquare();
    // The square spans texels 96..160 across the middle row.
    std::vector<std::uint8_t> t = TargetTexels();
    EXPECT_EQ(Red(t, 256, 92, 128), 0);
    EXPECT_EQ(Red(t, 256, 164, 128), 0);
    // The passes go over what the viewport still holds: the capture itself.
    ASSERT_EQ(c.effect(), 1);
    EXPECT_EQ(Viewport(), (std::array<GLint, 4>{0, 0, 640, 480}));
    t = TargetTexels();
    EXPECT_EQ(Red(t, 256, 92, 128) > 10, c.leftGrows);
    EXPECT_EQ(Red(t, 256, 164, 128) > 10, c.rightGrows);
    EXPECT_LT(Red(t, 256, 8, 128), 10);
    // What is left on screen is the new capture drawn once.
    const std::vector<std::uint8_t> shown = vt::GlReadRgb();
    EXPECT_TRUE(Frame([] { GFX_TargetDraw(); }) == shown);
  }
  PL_TimerSetManual(0, 0);
}

TEST_F(GfxTarget, ScissorBandsKeepTheRowsTheyName) {
  struct Case {
    const char* name;
    std::function<int()> band;
    int x0, y0, x1, y1;  // the box that is drawn, rows from the top
  };
  const Case cases[] = {
      {"cut top -5", [] { return GFX_ScissorCutTop(-5); }, 0, 0, 640, 480},
      {"cut top 120", [] { return GFX_ScissorCutTop(120); }, 0, 120, 640, 480},
      {"cut top 600", [] { return GFX_ScissorCutTop(600); }, 0, 0, 0, 0},
      {"top rows 120", [] { return GFX_ScissorTopRows(120); }, 0, 0, 640, 120},
      {"top rows -5", [] { return GFX_ScissorTopRows(-5); }, 0, 0, 0, 0},
      {"top rows 999", [] { return GFX_ScissorTopRows(999); }, 0, 0, 640, 480},
      {"bottom half", [] { return GFX_ScissorBottomHalf(); }, 0, 240, 640, 480},
      {"top half", [] { return GFX_ScissorTopHalf(); }, 0, 0, 640, 240},
      {"rect", [] { return GFX_ScissorRect(100, 50, 200, 100); }, 100, 50, 300, 150},
      {"rect of negative width", [] { return GFX_ScissorRect(100, 50, -20, 100); }, 0, 0, 0, 0},
      {"rect far out", [] { return GFX_ScissorRect(2000000000, 0, 2000000000, 480); }, 0, 0, 0, 0},
      {"off", [] { return GFX_ScissorOff(); }, 0, 0, 640, 480},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GFX_ScissorOff();
    vt::ClearTo(kBlack);
    GFX_ScissorTopRows(10);  // a box left from before, which the band must replace
    ASSERT_EQ(c.band(), 1);
    GFX_ScreenFade(1.0f, 2, nullptr);
    GFX_ScissorOff();
    const std::vector<std::uint8_t> f = vt::GlReadRgb();
    const int area = (c.x1 - c.x0) * (c.y1 - c.y0);
    EXPECT_EQ(Mismatches(f, c.x0, c.y0, c.x1, c.y1, kWhite, 0), 0);
    EXPECT_EQ(640 * 480 - Mismatches(f, 0, 0, 640, 480, kWhite, 0), area);
  }
  EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
  std::array<GLint, 4> box{};
  glGetIntegerv(GL_SCISSOR_BOX, box.data());
  EXPECT_EQ(box, (std::array<GLint, 4>{0, 0, 640, 480}));
}

}  // namespace
