// The box sections and the clock landscape: their figures (the opening clip and the path of
// the fly-through camera, the veil and the ring at the end of the clip section, the clip's
// fade, the dim factor and the copies' strengths in the clock landscape), and the sections
// drawn on the generated pack under Xvfb: frames at the show's spot times, none of them black,
// with each section's median frame time and the shaft cross's processor time per frame.
// VELMAR_PNG_DIR, when set, receives the frames as <section>-<time>.png.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "gfx/gfx_driver.h"
#include "gfx/gfx_shafts.h"
#include "gfx/img_png.h"
#include "show/demo.h"
#include "show/fx.h"
#include "show/fx_box.h"
#include "show/fx_clock.h"
#include "tests/show/scene_sets.h"
#include "tests/support/content_pack.h"
#include "tests/support/gl_fixture.h"

namespace {

TEST(BoxFigures, OpeningClipFadesOutByHalfwayToThePath) {
  EXPECT_FLOAT_EQ(FX_BoxClipOpening(0.0f), 1.0f);
  EXPECT_FLOAT_EQ(FX_BoxClipOpening(0.75f), 0.5f);
  EXPECT_FLOAT_EQ(FX_BoxClipOpening(1.5f), 0.0f);
}

TEST(BoxFigures, CameraStandsStillThenBlendsIntoThePath) {
  for (float r : {0.0f, 1.0f, 2.69f}) {
    const FX_BoxView v = FX_BoxCamera(r, 251.0f + r, 0);
    EXPECT_FLOAT_EQ(v.eye.x, 0.0f);
    EXPECT_FLOAT_EQ(v.eye.z, -360.0f);
    EXPECT_FLOAT_EQ(v.target.z, 0.0f);
    EXPECT_FLOAT_EQ(v.roll, 0.0f);
  }
  EXPECT_FLOAT_EQ(FX_BoxCamera(2.7f, 260.0f, 1).eye.z, -360.0f);
  EXPECT_FLOAT_EQ(FX_BoxCamera(3.7f, 260.0f, 1).e, 0.5f);
  EXPECT_FLOAT_EQ(FX_BoxCamera(4.7f, 260.0f, 1).e, 1.0f);
  // On the path the eye's z swings between -3400 and -600.
  for (float t = 255.0f; t < 290.0f; t += 0.37f) {
    const float z = FX_BoxCamera(10.0f, t, t > 272.0f).eye.z;
    EXPECT_GE(z, -3400.0f);
    EXPECT_LE(z, -600.0f);
  }
}

TEST(BoxFigures, ClipSectionEndsOnTheMaskedRing) {
  const struct {
    float t, veil, ring;
  } cases[] = {{266.0f, 0.0f, 0.0f}, {267.5f, 0.0f, 2.5f / 3.0f}, {269.0f, 0.75f, 1.0f}, {270.0f, 1.0f, 1.0f}};
  for (const auto& c : cases) {
    EXPECT_FLOAT_EQ(FX_BoxClipVeil(c.t), c.veil) << c.t;
    EXPECT_FLOAT_EQ(FX_BoxClipRing(c.t), c.ring) << c.t;
  }
}

TEST(ClockFigures, ScrollClipFadesAndStops) {
  EXPECT_FLOAT_EQ(FX_ClockClipBrightness(0.5f), 1.0f);
  EXPECT_FLOAT_EQ(FX_ClockClipBrightness(1.5f), 0.25f);
  EXPECT_LT(FX_ClockClipBrightness(1.75f), 0.0f);
}

TEST(ClockFigures, CopiesDimUnderTheClockAndVanishAtTheEye) {
  EXPECT_FLOAT_EQ(FX_ClockDim(43.0f), 0.0f);
  EXPECT_FLOAT_EQ(FX_ClockDim(44.5f), 0.45f);
  EXPECT_FLOAT_EQ(FX_ClockDim(46.0f), 0.9f);
  EXPECT_FLOAT_EQ(FX_ClockDim(48.0f), 0.0f);
  // Far from the eye at full strength 0.1; at t = 46 a tenth of it.
  EXPECT_FLOAT_EQ(FX_ClockCopyStrength(75.0f, 0, 10.0f, 0.0f), 0.1f);
  EXPECT_NEAR(FX_ClockCopyStrength(75.0f, 0, 14.0f, FX_ClockDim(46.0f)), 0.01f, 1e-6f);
  EXPECT_FLOAT_EQ(FX_ClockCopyStrength(20.0f, 6, 10.0f, 0.0f), 0.0f);  // copy 6 stands at 20
  EXPECT_FLOAT_EQ(FX_ClockCopyStrength(-20.0f, 6, 10.0f, 0.0f), 0.1f * 40.0f / 60.0f);
  // Fading in one after another: copy 9 is full from r = 1, copy 6 half at 1.5, copy 0 not
  // there before r = 3.
  EXPECT_FLOAT_EQ(FX_ClockCopyStrength(-75.0f, 9, 1.0f, 0.0f), 0.1f);
  EXPECT_FLOAT_EQ(FX_ClockCopyStrength(-75.0f, 6, 1.5f, 0.0f), 0.05f);
  EXPECT_FLOAT_EQ(FX_ClockCopyStrength(75.0f, 0, 2.9f, 0.0f), 0.0f);
}

// ---- Drawn ----

// The frame just shown: Mesa's software renderer keeps it in the back buffer after the swap,
// while its front buffer of an Xvfb window reads back black.
std::vector<std::uint8_t> ShownFrame() {
  std::vector<std::uint8_t> rows(std::size_t(vt::kGlWidth) * vt::kGlHeight * 3), out(rows.size());
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, vt::kGlWidth, vt::kGlHeight, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
  const std::size_t stride = std::size_t(vt::kGlWidth) * 3;
  for (int y = 0; y < vt::kGlHeight; y++)
    std::copy_n(rows.data() + std::size_t(vt::kGlHeight - 1 - y) * stride, stride, out.data() + y * stride);
  return out;
}

double Mean(const std::vector<std::uint8_t>& f) {
  double sum = 0;
  for (std::uint8_t v : f) sum += v;
  return sum / double(f.size());
}

class SectionFrames : public vt::GlTest {
 protected:
  static void SetUpTestSuite() {}
  void LoadOnce() {
    static bool loaded = false;
    if (loaded) return;
    ASSERT_FALSE(vt::ContentPack().empty());
    static vt::ChangeDir cd(vt::ContentPack());
    ASSERT_EQ(DEMO_LoadContent(1), 1);
    loaded = true;
  }

  // Runs the section from startMs in half-second frames; keeps the frames at `times`.
  void Run(const char* name, int (*section)(void), unsigned startMs, std::vector<float> times) {
    std::vector<double> ms;
    auto last = std::chrono::steady_clock::now();
    std::size_t next = 0;
    vt::RunSection(section, startMs, 500, [&](float t) {
      const auto now = std::chrono::steady_clock::now();
      ms.push_back(std::chrono::duration<double, std::milli>(now - last).count());
      if (next < times.size() && t >= times[next] - 0.01f) {
        const std::vector<std::uint8_t> f = ShownFrame();
        EXPECT_GT(Mean(f), 1.0) << name << " at " << t << " is black";
        if (const char* dir = std::getenv("VELMAR_PNG_DIR")) {
          char file[512];
          std::snprintf(file, sizeof file, "%s/%s-%03.0f.png", dir, name, double(times[next]));
          IMG_PngWrite(file, f.data(), vt::kGlWidth, vt::kGlHeight);
        }
        next++;
      }
      last = std::chrono::steady_clock::now();
      return true;
    });
    EXPECT_EQ(next, times.size()) << name;
    std::sort(ms.begin(), ms.end());
    if (!ms.empty()) std::printf("%s: %zu frames, median %.1f ms\n", name, ms.size(), ms[ms.size() / 2]);
  }
};

TEST_F(SectionFrames, ClockLandscapeBoxesAndGreetsDraw) {
  if (IsSkipped()) return;
  LoadOnce();
  Run("clock", FX_ClockLandscape, 32000, {40.0f, 46.0f, 53.0f});
  Run("boxclip", FX_BoxClip, 251000, {252.0f, 260.0f, 268.0f});
  Run("boxmask", FX_BoxMask, 272500, {285.0f});
  Run("greets", FX_GreetsText, 299000, {300.0f});
}

TEST_F(SectionFrames, ShaftsProcessorTimePerFrame) {
  if (IsSkipped()) return;
  LoadOnce();
  KR_Matrix c;
  const KR_Vector eye = {0, 0, -2500}, target = {0, 0, -800};
  KR_MatLookAt(&c, &eye, &target, 0.3f);
  constexpr int kFrames = 200;
  auto cpu = [] {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
  };
  glFinish();
  double drawMs = 0;
  for (int i = 0; i < kFrames; i++) {
    const double a = cpu();
    GFX_ShaftsDraw(0.05f * float(i), &c);
    drawMs += cpu() - a;
    if (i % 20 == 0) glFinish();  // keep the queue short, outside the timing
  }
  auto frame = std::make_unique<GFX_ShaftsFrame>();
  auto slice = std::make_unique<GFX_ShaftsSlice>();
  frame->built = 0;
  frame->rect = {0, 0.625f, 0, 0.46875f};
  const double g0 = cpu();
  for (int i = 0; i < kFrames; i++) {
    GFX_ShaftsFrameBuild(frame.get(), 0.05f * float(i));
    for (int k = 0; k < GFX_SHAFTS_SLICES; k++) {
      KR_Vector a, b;
      float ta[3], tb[3];
      GFX_ShaftsSliceEdge(k, &frame->rect, &a, &b, ta, tb);
      GFX_ShaftsSliceMake(slice.get(), &a, &b, ta, tb);
      GFX_ShaftsSliceClip(slice.get(), frame->volumes, 2);
    }
  }
  const double geometryMs = (cpu() - g0) / kFrames;
  std::printf("GFX_ShaftsDraw: %.3f ms processor time per frame (geometry alone %.3f ms)\n", drawMs / kFrames,
              geometryMs);
  RecordProperty("shafts_us", int(drawMs / kFrames * 1000));
  EXPECT_LT(geometryMs, 0.5);
}

}  // namespace
