// The 2D layer on the OpenGL driver, read back from the frame: picture offsets, blends, scales
// and turns; full-screen material draws with their coordinates, mirroring and flipping; alpha
// and brightness limits; sprites; fades; and the state every draw leaves for 3D drawing.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "gfx/gfx_2d.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_ogl.h"
#include "gfx/gfx_picture.h"
#include "tests/gfx/screen_checks.h"
#include "tests/support/test_util.h"

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
constexpr Rgb kYellow{255, 255, 0}, kMagenta{255, 0, 255}, kCyan{0, 255, 255};

class Gfx2d : public vt::ScreenTest {
 protected:
  GFX_Picture* Solid(Rgb c) { return Picture({c, c, c, c}); }
  // A clip-style 512x512 texture (format 2) drawn without filtering: quadrant colours red,
  // green, blue, yellow in the 320x240 frame area, magenta right of it and cyan below it.
  GFX_Material* Clip() {
    GFX_Disable(GFX_FILTER);
    GFX_Material* m = Keep(GFX_MaterialNew(512, 512, IMG_RGBX));
    for (int y = 0; y < 512; y++)
      for (int x = 0; x < 512; x++) {
        Rgb c = y >= 240 ? kCyan : x >= 320 ? kMagenta : y < 120 ? (x < 160 ? kRed : kGreen) : (x < 160 ? kBlue : kYellow);
        std::uint8_t* p = m->image->data + (std::size_t(y) * 512 + x) * 4;
        p[0] = std::uint8_t(c.r), p[1] = std::uint8_t(c.g), p[2] = std::uint8_t(c.b);
      }
    GFX_MaterialUpload(m);
    GFX_Enable(GFX_FILTER);
    return m;
  }
};

TEST_F(Gfx2d, PictureOffsetIsInScreenUnits) {
  GFX_Picture* p = Picture({kRed, kGreen, kBlue, kWhite});
  vt::ClearTo(kBlack);
  // Half a screen unit is 160 pixels across and 120 down.
  ASSERT_EQ(GFX_PictureDraw(0.5f, -0.5f, p), 1);
  std::vector<std::uint8_t> f = vt::GlReadRgb();
  EXPECT_EQ(Mismatches(f, 0, 0, 640, 120, kBlack), 0);
  EXPECT_EQ(Mismatches(f, 0, 120, 160, 480, kBlack), 0);
  EXPECT_EQ(Mismatches(f, 160, 120, 480, 360, kRed), 0);
  EXPECT_EQ(Mismatches(f, 480, 120, 640, 360, kGreen), 0);
  EXPECT_EQ(Mismatches(f, 160, 360, 480, 480, kBlue), 0);

  vt::ErrorLog log;
  EXPECT_EQ(GFX_PictureDraw(0.0f, 0.0f, nullptr), 0);
  EXPECT_TRUE(log.Has("GFX_PictureDraw - no picture"));
}

TEST_F(Gfx2d, PictureBlendsMixWithTheFrame) {
  GFX_Picture* p = Solid({200, 100, 50});
  struct Case {
    const char* name;
    Rgb under, want;
    std::function<int()> draw;
  };
  const Case cases[] = {
      {"alpha 0.5", {0, 0, 200}, {100, 50, 125}, [&] { return GFX_PictureDrawAlpha(0, 0, p, 0.5f); }},
      {"alpha 1.7", {0, 0, 200}, {200, 100, 50}, [&] { return GFX_PictureDrawAlpha(0, 0, p, 1.7f); }},
      {"alpha -0.2", {0, 0, 200}, {0, 0, 200}, [&] { return GFX_PictureDrawAlpha(0, 0, p, -0.2f); }},
      {"add", {40, 40, 40}, {240, 140, 90}, [&] { return GFX_PictureDrawAdd(0, 0, p); }},
      {"add bright 0.5", {40, 40, 40}, {140, 90, 65}, [&] { return GFX_PictureDrawAddBright(0, 0, p, 0.5f); }},
      {"mul", {128, 255, 0}, {100, 100, 0}, [&] { return GFX_PictureDrawMul(0, 0, p); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    vt::ClearTo(c.under);
    ASSERT_EQ(c.draw(), 1);
    EXPECT_EQ(Mismatches(vt::GlReadRgb(), 0, 0, 640, 480, c.want), 0);
  }
}

TEST_F(Gfx2d, ScaledPicturesStayWholeAtAnyScale) {
  GFX_Picture* p = Solid({200, 100, 50});
  const Rgb grey{100, 100, 100};
  // Half size: exactly the centred 320x240 box. Tile corners sit at depths 10.1 and 0.1; a
  // scaled depth would put them in front of the screen projection's near plane.
  vt::ClearTo(grey);
  ASSERT_EQ(GFX_PictureDrawAlphaScaled(0, 0, p, 1.0f, 0.5f), 1);
  std::vector<std::uint8_t> f = vt::GlReadRgb();
  EXPECT_EQ(Mismatches(f, 160, 120, 480, 360, {200, 100, 50}), 0);
  EXPECT_EQ(Mismatches(f, 0, 0, 640, 120, grey) + Mismatches(f, 0, 360, 640, 480, grey), 0);
  EXPECT_EQ(Mismatches(f, 0, 120, 160, 360, grey) + Mismatches(f, 480, 120, 640, 360, grey), 0);

  // 901 times its size (where the greets zoom ends): still every pixel, none cut off beyond
  // the far plane.
  vt::ClearTo(grey);
  ASSERT_EQ(GFX_PictureDrawAlphaScaled(0, 0, p, 1.0f, 901.0f), 1);
  EXPECT_EQ(Mismatches(vt::GlReadRgb(), 0, 0, 640, 480, {200, 100, 50}), 0);

  // The offset is scaled with the picture: (0.5, 0) at scale 0.5 moves it 80 pixels right.
  vt::ClearTo({255, 255, 255});
  ASSERT_EQ(GFX_PictureDrawMulScaled(0.5f, 0, p, 0.5f), 1);
  f = vt::GlReadRgb();
  EXPECT_EQ(Mismatches(f, 240, 120, 560, 360, {200, 100, 50}), 0);
  EXPECT_EQ(Mismatches(f, 0, 0, 240, 480, kWhite), 0);
}

TEST_F(Gfx2d, RotatedPictureTurnsCounterClockwise) {
  GFX_Picture* p = Picture({kRed, kGreen, kBlue, kWhite});
  vt::ClearTo(kBlack);
  ASSERT_EQ(GFX_PictureDrawAlphaRotated(0, 0, p, 1.0f, 0.5f, kPi / 2), 1);
  // The top-left quadrant goes to the bottom left, the top-right one to the top left.
  vt::ExpectBoxQuadrants(320, 240, {kGreen, kWhite, kRed, kBlue});
  EXPECT_TRUE(Near(vt::GlPixel(100, 240), kBlack));
}

TEST_F(Gfx2d, ScreenDrawsShowTheFrameAreaMirroredOrNot) {
  GFX_Material* clip = Clip();
  // Each texel of the 320x240 frame area covers 2x2 pixels.
  vt::ClearTo(kBlack);
  ASSERT_EQ(GFX_ScreenDraw(clip), 1);
  vt::ExpectBoxQuadrants(640, 480, {kRed, kGreen, kBlue, kYellow});
  std::vector<std::uint8_t> f = vt::GlReadRgb();
  EXPECT_EQ(Mismatches(f, 0, 0, 320, 240, kRed, 0), 0);
  EXPECT_EQ(Mismatches(f, 320, 240, 640, 480, kYellow, 0), 0);

  vt::ClearTo(kBlack);
  ASSERT_EQ(GFX_ScreenDrawMirrored(clip), 1);
  vt::ExpectBoxQuadrants(640, 480, {kGreen, kRed, kYellow, kBlue});
  vt::ClearTo(kBlack);
  ASSERT_EQ(GFX_ScreenDrawAlphaMirrored(clip, 1.0f), 1);
  vt::ExpectBoxQuadrants(640, 480, {kGreen, kRed, kYellow, kBlue});

  // The whole texture: the frame area in the top-left 0.625 x 0.46875 of the screen.
  vt::ClearTo(kBlack);
  ASSERT_EQ(GFX_ScreenDrawAlphaFull(clip, 1.0f), 1);
  EXPECT_TRUE(Near(vt::GlPixel(100, 100), kRed));
  EXPECT_TRUE(Near(vt::GlPixel(300, 100), kGreen));
  EXPECT_TRUE(Near(vt::GlPixel(550, 100), kMagenta));
  EXPECT_TRUE(Near(vt::GlPixel(100, 350), kCyan));

  // Upside down, multiplied into white: the frame area at the bottom, its top row lowest.
  vt::ClearTo(kWhite);
  ASSERT_EQ(GFX_ScreenDrawMulFlipped(clip), 1);
  EXPECT_TRUE(Near(vt::GlPixel(100, 100), kCyan));
  EXPECT_TRUE(Near(vt::GlPixel(100, 470), kRed));
  EXPECT_TRUE(Near(vt::GlPixel(100, 300), kBlue));
  EXPECT_TRUE(Near(vt::GlPixel(300, 470), kGreen));
}

TEST_F(Gfx2d, ScreenAlphaAndBrightnessAreClampedToOne) {
  GFX_Material* blue = Keep(vt::GlSolidMaterial(512, 512, IMG_RGBX, 0, 0, 255));
  struct Case {
    const char* name;
    std::function<int()> draw;
    Rgb want;
  };
  const Case cases[] = {
      {"alpha 1.7 draws as 1", [&] { return GFX_ScreenDrawAlpha(blue, 1.7f); }, kBlue},
      {"alpha -0.2 draws nothing", [&] { return GFX_ScreenDrawAlpha(blue, -0.2f); }, kRed},
      {"alpha 0.25", [&] { return GFX_ScreenDrawAlpha(blue, 0.25f); }, {191, 0, 64}},
      {"full alpha NaN draws nothing", [&] { return GFX_ScreenDrawAlphaFull(blue, std::nanf("")); }, kRed},
      {"add 1.5 adds once", [&] { return GFX_ScreenDrawAdd(blue, 1.5f); }, kMagenta},
      {"add -1 adds nothing", [&] { return GFX_ScreenDrawAdd(blue, -1.0f); }, kRed},
      {"full add 0.5", [&] { return GFX_ScreenDrawAddFull(blue, 0.5f); }, {255, 0, 128}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    vt::ClearTo(kRed);
    ASSERT_EQ(c.draw(), 1);
    EXPECT_EQ(Mismatches(vt::GlReadRgb(), 0, 0, 640, 480, c.want), 0);
  }
  GFX_ScreenDrawAlpha(blue, 1.7f);
  EXPECT_EQ(GFX_ogl.constantColour[3], 1.0f);
}

TEST_F(Gfx2d, ScreenDrawsChooseTheirTextureLayer) {
  GFX_Material* green = Keep(vt::GlSolidMaterial(64, 64, IMG_RGB, 0, 255, 0));
  // The blended draws select layer 0 and keep it.
  GFX_SetTextureLayer(1);
  vt::ClearTo(kBlack);
  GFX_ScreenDrawAlpha(green, 1.0f);
  EXPECT_EQ(GFX_TextureLayer(), 0);
  EXPECT_TRUE(Near(vt::GlPixel(320, 240), kGreen));
  // The others draw with the current layer; the quad carries the material on both.
  GFX_SetTextureLayer(1);
  vt::ClearTo(kBlack);
  GFX_ScreenDraw(green);
  EXPECT_EQ(GFX_TextureLayer(), 1);
  EXPECT_TRUE(Near(vt::GlPixel(320, 240), kGreen));
}

TEST_F(Gfx2d, FadeHalvesTheFrameAndLeavesTexturingOff) {
  GFX_Picture* p = Picture({{200, 100, 50}, {60, 220, 10}, {0, 0, 0}, {254, 254, 254}});
  GFX_PictureDraw(0, 0, p);
  ASSERT_EQ(GFX_ScreenFade(0.5f, 1, nullptr), 1);
  vt::ExpectBoxQuadrants(640, 480, {{100, 50, 25}, {30, 110, 5}, {0, 0, 0}, {127, 127, 127}});
  EXPECT_EQ(GFX_ogl.texturing, 0);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(GFX_oglDriver.draw_poly, GFX_OglDrawPolyConstant);

  GFX_PictureDraw(0, 0, p);
  ASSERT_EQ(GFX_ScreenFade(0.5f, 2, nullptr), 1);
  vt::ExpectBoxQuadrants(640, 480, {{228, 178, 153}, {158, 238, 133}, {128, 128, 128}, {255, 255, 255}});

  const float teal[3] = {0.0f, 0.5f, 0.5f};
  ASSERT_EQ(GFX_ScreenFade(1.0f, 3, teal), 1);
  EXPECT_EQ(Mismatches(vt::GlReadRgb(), 0, 0, 640, 480, {0, 128, 128}), 0);

  vt::ErrorLog log;
  EXPECT_EQ(GFX_ScreenFade(1.0f, 0, nullptr), 0);
  EXPECT_TRUE(log.Has("GFX_ScreenFade - no colour for mode 0"));
  EXPECT_EQ(Mismatches(vt::GlReadRgb(), 0, 0, 640, 480, {0, 128, 128}), 0);
}

TEST_F(Gfx2d, SpritesAreCentredFromTheTopLeftAndTurn) {
  GFX_Material* orange = Keep(vt::GlSolidMaterial(16, 16, IMG_RGB, 240, 120, 0));
  // Centre (1, -1) from the top-left corner is the screen centre; half-size 1 is the screen.
  vt::ClearTo(kBlack);
  ASSERT_EQ(GFX_SpriteDrawAdd(1, -1, 1, 0, orange), 1);
  EXPECT_EQ(Mismatches(vt::GlReadRgb(), 0, 0, 640, 480, {240, 120, 0}), 0);

  // A 2x2 texture: its first row red, green; its second blue, white. The sprite's top edge
  // shows the last row.
  GFX_Disable(GFX_FILTER);
  GFX_Material* four = Keep(vt::QuadrantMaterial(2, 2, IMG_RGB, {kRed, kGreen, kBlue, kWhite}));
  GFX_Enable(GFX_FILTER);
  vt::ClearTo(kBlack);
  GFX_SpriteDrawAdd(1, -1, 0.5f, 0, four);
  vt::ExpectBoxQuadrants(320, 240, {kBlue, kWhite, kRed, kGreen});
  // A quarter turn counter-clockwise.
  vt::ClearTo(kBlack);
  GFX_SpriteDrawAdd(1, -1, 0.5f, kPi / 2, four);
  vt::ExpectBoxQuadrants(320, 240, {kWhite, kGreen, kBlue, kRed});
  // Centred at (0.5, -0.25) from the top-left: pixel (160, 60), 80 x 60 pixels around it.
  vt::ClearTo(kBlack);
  GFX_SpriteDrawAdd(0.5f, -0.25f, 0.25f, 0, orange);
  std::vector<std::uint8_t> f = vt::GlReadRgb();
  EXPECT_EQ(Mismatches(f, 80, 0, 240, 120, {240, 120, 0}), 0);
  EXPECT_EQ(Mismatches(f, 240, 0, 640, 480, kBlack), 0);

  const Rgb under{100, 100, 100};
  vt::ClearTo(under);
  GFX_SpriteDrawAddBright(1, -1, 1, 0, 0.5f, orange);
  EXPECT_TRUE(Near(vt::GlPixel(320, 240), {220, 160, 100}));
  vt::ClearTo(under);
  GFX_SpriteDrawAlpha(1, -1, 0.5f, 1, 0, orange);
  EXPECT_TRUE(Near(vt::GlPixel(320, 240), {170, 110, 50}));
  vt::ClearTo(under);
  GFX_SpriteDrawMul(1, -1, 1, 0, orange);
  EXPECT_TRUE(Near(vt::GlPixel(320, 240), {94, 47, 0}));
}

// What 3D drawing needs back after any 2D draw.
struct EndState {
  bool modulate;
  bool texturing;
};

void ExpectEndState(const char* name, EndState want) {
  SCOPED_TRACE(name);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  GLboolean depthWrites = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
  EXPECT_TRUE(depthWrites);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(GFX_ogl.perspective, 1);
  GLint depth = 0;
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
  EXPECT_EQ(depth, 1);
  GLfloat m[16];
  glGetFloatv(GL_PROJECTION_MATRIX, m);
  EXPECT_EQ(m[11], -1.0f) << "not the perspective projection";
  GLint env = 0;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
  EXPECT_EQ(env, want.modulate ? GL_MODULATE : GL_REPLACE);
  EXPECT_EQ(GFX_ogl.texturing, want.texturing ? 1 : 0);
  EXPECT_EQ(bool(glIsEnabled(GL_TEXTURE_2D)), want.texturing);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(Gfx2d, EveryDrawRestoresDepthPerspectiveAndModulation) {
  GFX_Picture* p = Solid({10, 20, 30});
  GFX_Material* m = Keep(vt::GlSolidMaterial(32, 32, IMG_RGB, 50, 60, 70));
  const float grey[3] = {0.5f, 0.5f, 0.5f};
  struct Case {
    const char* name;
    std::function<int()> draw;
    EndState want;
  };
  const EndState modulated{true, true}, replaced{false, true};
  const Case cases[] = {
      {"PictureDraw", [&] { return GFX_PictureDraw(0, 0, p); }, modulated},
      {"PictureDrawAlpha", [&] { return GFX_PictureDrawAlpha(0, 0, p, 0.5f); }, replaced},
      {"PictureDrawAdd", [&] { return GFX_PictureDrawAdd(0, 0, p); }, replaced},
      {"PictureDrawAddBright", [&] { return GFX_PictureDrawAddBright(0, 0, p, 0.5f); }, replaced},
      {"PictureDrawMul", [&] { return GFX_PictureDrawMul(0, 0, p); }, replaced},
      {"PictureDrawMulScaled", [&] { return GFX_PictureDrawMulScaled(0, 0, p, 2); }, replaced},
      {"PictureDrawAlphaScaled", [&] { return GFX_PictureDrawAlphaScaled(0, 0, p, 0.5f, 2); }, replaced},
      {"PictureDrawAlphaRotated", [&] { return GFX_PictureDrawAlphaRotated(0, 0, p, 0.5f, 2, 1); }, replaced},
      {"ScreenDraw", [&] { return GFX_ScreenDraw(m); }, modulated},
      {"ScreenDrawMirrored", [&] { return GFX_ScreenDrawMirrored(m); }, modulated},
      {"ScreenDrawAlpha", [&] { return GFX_ScreenDrawAlpha(m, 0.5f); }, modulated},
      {"ScreenDrawAlphaFull", [&] { return GFX_ScreenDrawAlphaFull(m, 0.5f); }, modulated},
      {"ScreenDrawAdd", [&] { return GFX_ScreenDrawAdd(m, 0.5f); }, modulated},
      {"ScreenDrawAddFull", [&] { return GFX_ScreenDrawAddFull(m, 0.5f); }, modulated},
      {"ScreenDrawAlphaMirrored", [&] { return GFX_ScreenDrawAlphaMirrored(m, 0.5f); }, modulated},
      {"ScreenDrawMulFlipped", [&] { return GFX_ScreenDrawMulFlipped(m); }, modulated},
      {"SpriteDrawAdd", [&] { return GFX_SpriteDrawAdd(1, -1, 0.5f, 1, m); }, modulated},
      {"SpriteDrawAddBright", [&] { return GFX_SpriteDrawAddBright(1, -1, 0.5f, 1, 0.5f, m); }, modulated},
      {"SpriteDrawAlpha", [&] { return GFX_SpriteDrawAlpha(1, -1, 0.5f, 0.5f, 1, m); }, modulated},
      {"SpriteDrawMul", [&] { return GFX_SpriteDrawMul(1, -1, 0.5f, 1, m); }, modulated},
      {"ScreenFade", [&] { return GFX_ScreenFade(0.5f, 3, grey); }, {true, false}},
      {"TargetDraw", [] { return GFX_TargetDraw(); }, modulated},
      {"TargetZoomBlur", [] { return GFX_TargetZoomBlur(0.5f); }, modulated},
      {"TargetPulse", [] { return GFX_TargetPulse(); }, modulated},
      {"TargetStretchLeft", [] { return GFX_TargetStretchLeft(0.5f); }, modulated},
      {"TargetStretchRight", [] { return GFX_TargetStretchRight(0.5f); }, modulated},
      {"TargetZoomSpin", [] { return GFX_TargetZoomSpin(1, 1); }, modulated},
      {"TargetSpinZoom", [] { return GFX_TargetSpinZoom(1, 1, 0.2f); }, modulated},
      {"TargetDrawRect", [] { return GFX_TargetDrawRect(1, -1, 0.5f, 0.5f); }, modulated},
      {"TargetFeedbackZoom", [] { return GFX_TargetFeedbackZoom(); }, modulated},
      {"TargetFeedbackSmear", [] { return GFX_TargetFeedbackSmear(); }, modulated},
  };
  for (const Case& c : cases) {
    vt::GlReset();
    EXPECT_EQ(c.draw(), 1) << c.name;
    ExpectEndState(c.name, c.want);
  }
}

}  // namespace
