// The opening and the picture sections on the do-nothing driver under the manual clock: each
// section runs for the frames a test asks for (a frame observer moves the clock on after every
// frame, and finally past the section's end), and every polygon drawn is kept with the corner
// positions it had and the blend opacity in force when it was drawn.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/kr_mesh.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_picture.h"
#include "gfx/img_image.h"
#include "platform/pl_platform.h"
#include "shell/app_shell.h"
#include "show/demo_content.h"
#include "show/fx.h"
#include "show/text.h"
#include "tests/support/driver_log.h"

namespace {

struct Draw {
  const KR_MeshPoly* poly;
  float alpha;         // of the last "set 3 4" (blend kind 4) before it
  KR_Vector a, c;      // corners 0 and 2 as drawn
  KR_Vector a0, c0;    // and where the picture itself has them
};

vt::DriverLog* g_log = nullptr;
std::size_t g_scanned = 0;
float g_alpha = -1.0f;
std::vector<std::vector<Draw>> g_frames;
std::vector<DWORD> g_steps;  // clock steps after frames 0, 1, ...; then past every end
int (*g_drawPoly)(KR_MeshPoly*) = nullptr;

int RecordDraw(KR_MeshPoly* p) {
  static const std::string kAlpha = "set 3 4 ";
  for (; g_scanned < g_log->calls.size(); g_scanned++)
    if (g_log->calls[g_scanned].compare(0, kAlpha.size(), kAlpha) == 0)
      g_alpha = std::stof(g_log->calls[g_scanned].substr(kAlpha.size()));
  const KR_MeshVertex *a = p->corners[0].vertex, *c = p->corners[2].vertex;
  g_frames.back().push_back({p, g_alpha, a->tposition, c->tposition, a->position, c->position});
  return g_drawPoly(p);
}

void NextFrame() {
  const std::size_t done = g_frames.size() - 1;
  PL_TimerAdvance(done < g_steps.size() ? g_steps[done] : 1000000);
  g_frames.emplace_back();
}

GFX_Picture* MakePicture(int width, int height) {
  GFX_Material* m = GFX_MaterialNew(width, height, IMG_RGBA);
  GFX_Picture* p = GFX_PictureFromMaterial(m);
  GFX_MaterialDelete(m);
  return p;
}

// The draws of the picture's first tile in one frame.
std::vector<Draw> FirstTile(const std::vector<Draw>& frame, const GFX_Picture* picture) {
  std::vector<Draw> out;
  for (const Draw& d : frame)
    if (d.poly == &picture->polys[0]) out.push_back(d);
  return out;
}

float Scale(const Draw& d) { return (d.c.x - d.a.x) / (d.c0.x - d.a0.x); }

class Pictures : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(vt::NullDriverSelect());
    DEMO_groupPicture = MakePicture(300, 200);
    DEMO_logoPicture = MakePicture(300, 200);
    DEMO_logoBackPicture = MakePicture(640, 96);
    DEMO_greetsPicture = MakePicture(640, 480);
    DEMO_napscrollPicture = MakePicture(640, 480);
    // Every character draws as one 10-pixel glyph.
    static TEXT_Font font{};
    font.count = 1;
    font.glyphs[0] = MakePicture(10, 16);
    DEMO_font = &font;
    GFX_FrameObserverAdd(NextFrame);
  }
  void SetUp() override {
    g_log = &log_;
    g_scanned = 0;
    g_alpha = -1.0f;
    GFX_Driver* d = GFX_DriverCurrent();
    g_drawPoly = d->draw_poly;
    d->draw_poly = RecordDraw;
  }
  void TearDown() override {
    GFX_DriverCurrent()->draw_poly = g_drawPoly;
    g_log = nullptr;
    PL_TimerSetManual(0, 0);
  }
  // Runs the section from the music time `ms`, moving the clock on by `steps` after each frame.
  static void Run(int (*section)(), DWORD ms, std::vector<DWORD> steps) {
    g_frames.assign(1, {});
    g_steps = std::move(steps);
    PL_TimerSetManual(1, ms);
    APP_IsRunning(1);
    section();
  }
  vt::DriverLog log_;
};

struct LogoCase {
  DWORD entry, step;  // the checked frame is the first, or the second one `step` ms later
  float group, logo;  // opacities; -1 where not drawn
};

TEST_F(Pictures, LogoSectionFadesTheGroupPictureIntoTheLogo) {
  const LogoCase cases[] = {
      {17500, 0, 0.5f, 0.5f},
      {11900, 600, 0.6f, -1.0f},  // fading in from the section's own start
      {13500, 0, 1.0f, -1.0f},    // entered late: at full opacity at once
      {20000, 0, -1.0f, 1.0f},
  };
  for (const LogoCase& c : cases) {
    SCOPED_TRACE(c.entry);
    Run(FX_LogoSection, c.entry, c.step ? std::vector<DWORD>{c.step} : std::vector<DWORD>{});
    const std::vector<Draw>& frame = g_frames.at(c.step ? 1 : 0);
    const std::vector<Draw> group = FirstTile(frame, DEMO_groupPicture), logo = FirstTile(frame, DEMO_logoPicture);
    ASSERT_EQ(group.size(), c.group < 0 ? 0u : 1u);
    ASSERT_EQ(logo.size(), c.logo < 0 ? 0u : 1u);
    if (c.group >= 0) {
      EXPECT_NEAR(group[0].alpha, c.group, 1e-4);
    }
    if (c.logo >= 0) {
      EXPECT_NEAR(logo[0].alpha, c.logo, 1e-4);
    }
  }
}

TEST_F(Pictures, ScrollerWrapsEvery640PixelsWithoutAJump) {
  auto draws = [](DWORD ms, float offset, float speed) {
    PL_TimerSetManual(1, ms);
    g_frames.assign(1, {});
    FX_ScrollPicture(184.0f, offset, speed, DEMO_logoBackPicture);
    return FirstTile(g_frames[0], DEMO_logoBackPicture);
  };
  const std::vector<Draw> at0 = draws(0, 0.0f, 70.0f);
  ASSERT_EQ(at0.size(), 2u);
  EXPECT_FLOAT_EQ(at0[0].a.x, -1.0f);  // the picture's left edge, and one screen to its left
  EXPECT_FLOAT_EQ(at0[1].a.x, -3.0f);
  EXPECT_FLOAT_EQ(at0[0].a.y, 1.0f - 2.0f * 184.0f / 480.0f);
  for (const std::vector<Draw>& at640 : {draws(0, 640.0f, 70.0f), draws(10000, 0.0f, 64.0f)}) {
    ASSERT_EQ(at640.size(), 2u);
    for (int k = 0; k < 2; k++) {
      EXPECT_FLOAT_EQ(at640[k].a.x, at0[k].a.x);
      EXPECT_FLOAT_EQ(at640[k].c.y, at0[k].c.y);
    }
  }
}

TEST_F(Pictures, GreetsPictureShrinksFrom301TimesWhileFadingIn) {
  Run(FX_GreetsText, 290000, {17, 2663});
  ASSERT_GE(g_frames.size(), 3u);
  // At r = 0 it is transparent, which draws nothing; then 1 - cos(r / 1.7) opaque and
  // (1 - sin(r / 1.7)) 300 + 1 times its size, at r = 0.017 and 2.68 (1 - cos 1.57 at most).
  EXPECT_TRUE(FirstTile(g_frames[0], DEMO_greetsPicture).empty());
  const float alpha[] = {0.00005f, 1.0f}, scale[] = {298.0f, 1.0f};
  for (int i = 0; i < 2; i++) {
    const std::vector<Draw> greets = FirstTile(g_frames[std::size_t(i) + 1], DEMO_greetsPicture);
    ASSERT_EQ(greets.size(), 1u);
    EXPECT_NEAR(greets[0].alpha, alpha[i], 1e-3) << i;
    EXPECT_NEAR(Scale(greets[0]), scale[i], 1e-3) << i;
  }
}

// Row 1 starts at x = 680 - 1600 r, row 2 at 1600 r - 4200: r = 0.05 puts row 1's first glyph
// at 600, r = 2.65 row 2's at 40, and the other rows are still off screen before them.
TEST_F(Pictures, TextBlockFadesGlyphsAtTheScreenEdges) {
  const FX_TextBlockStyle hands = {0.2f, 0.5f, 0.3f, 140.0f, 280.0f, 510.0f};
  const FX_TextBlockStyle clock = {0.4f, 0.8f, 0.5f, 140.0f, 280.0f, 400.0f};
  struct Case {
    float r;
    const FX_TextBlockStyle* style;
    float factor;
  } cases[] = {{0.05f, &hands, 0.375f}, {2.65f, &hands, 0.5f}, {0.05f, &clock, 0.375f}, {2.65f, &clock, 0.5f}};
  for (const Case& c : cases) {
    g_frames.assign(1, {});
    FX_TextBlockDraw(c.r, c.style);
    ASSERT_FALSE(g_frames[0].empty());
    EXPECT_NEAR(g_frames[0][0].alpha, c.style->glowOpacity * c.factor, 1e-4) << c.r;
    EXPECT_EQ(g_frames[0][0].poly, &DEMO_font->glyphs[0]->polys[0]);
  }
}

TEST_F(Pictures, LensScrollStopsAfter3815Pixels) {
  // Frames at r = 0, 10, 72 (3815 / 53 = 71.98) and 73 seconds.
  Run(FX_LensScroll, 158000, {10000, 62000, 1000});
  EXPECT_FLOAT_EQ(FX_lensScrollStart, 158.0f);
  const float expected[] = {0.0f, -2.0f * 530.0f / 640.0f, -11.921875f, -11.921875f};
  ASSERT_GE(g_frames.size(), 4u);
  for (int i = 0; i < 4; i++) {
    const std::vector<Draw> nap = FirstTile(g_frames[i], DEMO_napscrollPicture);
    ASSERT_EQ(nap.size(), 1u) << i;
    EXPECT_NEAR(nap[0].a.x - nap[0].a0.x, expected[i], 1e-4) << i;
  }
}

}  // namespace
