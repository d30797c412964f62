// The scene sections through the do-nothing driver: the render lists' capacity, the sections'
// spot figures as they reach the driver (blend strengths, the blob's placement, the pictures
// drawn), the couple picture's motion carried between the sphere sections, and the random
// draws the fan ring owes the show's sequence.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include <time.h>

#include "base/kr_error.h"
#include "base/kr_memory.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_picture.h"
#include "shell/app_shell.h"
#include "show/demo_content.h"
#include "show/demo_helpers.h"
#include "show/demo_scene.h"
#include "show/fx.h"
#include "show/fx_fanring.h"
#include "tests/engine/scene_builders.h"
#include "tests/show/scene_sets.h"
#include "tests/support/driver_log.h"

namespace {

std::vector<std::string> g_errors;

GFX_Picture* SolidPicture() {
  GFX_Material* m = GFX_MaterialNewSolid(64, 64, 200, 200, 200);
  GFX_Picture* p = GFX_PictureFromMaterial(m);
  GFX_MaterialDelete(m);
  return p;
}

class Scenes : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(vt::NullDriverSelect());
    KR_CacheInitialise(0xA00000);
    KR_ErrorSetSink([](const char* m) { g_errors.push_back(m); });
    DEMO_mu4Set = vt::BuildSceneSet(14, 2);
    DEMO_weirdSet = vt::BuildSceneSet(6, 4);
    DEMO_barBackPicture = SolidPicture();
    DEMO_couplePicture = SolidPicture();
    DEMO_handsPicture = SolidPicture();
    // The blob: one triangle at the origin, which the deformation moves to (0.01, 0.01, 0.01).
    DEMO_sphereScene = KR_SceneNew("sphere");
    KR_SceneCreateMeshes(DEMO_sphereScene, 1);
    KR_SceneAddMesh(DEMO_sphereScene, vt::BuildMesh("blob", {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {{{0, 1, 2}}}));
  }
  void SetUp() override { g_errors.clear(); }
};

// The blend strengths (kinds 3 and 4) handed to the driver, in order.
std::vector<float> Strengths(const vt::DriverLog& log) {
  std::vector<float> out;
  for (const std::string& c : log.calls)
    if (c.rfind("set 3 4 ", 0) == 0 || c.rfind("set 3 3 ", 0) == 0) out.push_back(std::strtof(c.c_str() + 8, nullptr));
  return out;
}
bool Has(const std::vector<float>& v, float x, float tol = 1e-4f) {
  return std::any_of(v.begin(), v.end(), [&](float y) { return std::fabs(x - y) <= tol; });
}
bool Drawn(const vt::DriverLog& log, const GFX_Picture* p) {
  return std::any_of(log.drawn.begin(), log.drawn.end(),
                     [&](KR_MeshPoly* d) { return d >= p->polys && d < p->polys + p->polyCount; });
}

TEST_F(Scenes, RenderListsRefuseEntriesPastTheirCapacity) {
  DEMO_SceneSet* big = vt::BuildSceneSet(120, 120);
  KR_Matrix camera;
  KR_MatIdentity(&camera);
  EXPECT_EQ(DEMO_SceneAdd(nullptr, 0, -1, &camera), 0);
  EXPECT_EQ(DEMO_SceneAdd(big, 0, -1, &camera), 1);
  EXPECT_EQ(DEMO_SceneAdd(big, 0, -1, &camera), 0);
  EXPECT_EQ(DEMO_render.meshCount, DEMO_RENDER_LIST_SIZE - 1);
  EXPECT_EQ(DEMO_render.lightCount, DEMO_RENDER_LIST_SIZE - 1);
  ASSERT_EQ(g_errors.size(), 1u);
  EXPECT_EQ(g_errors[0].rfind("DEMO_SceneAdd - ", 0), 0u);
  DEMO_SceneRender();
  EXPECT_EQ(DEMO_render.meshCount, 0);
  EXPECT_EQ(DEMO_render.lightCount, 0);
  // Emptied, the lists take a full set again.
  EXPECT_EQ(DEMO_SceneAdd(big, 0, -1, &camera), 1);
  DEMO_SceneRender();
  vt::FreeSceneSet(big);
}

TEST_F(Scenes, StreetClipFadesWithTheMusicClock) {
  const struct {
    unsigned ms;
    float opacity;
  } cases[] = {{62500, 0.7f}, {65500, 0.35f}};
  for (const auto& c : cases) {
    vt::DriverLog log;
    vt::RunSection(FX_MuShadows, c.ms, 0, [](float) { return false; });
    EXPECT_TRUE(Has(Strengths(log), c.opacity)) << c.ms;
  }
}

TEST_F(Scenes, BarsShowOnlyBetweenTenSecondsInAndTheirLastTurn) {
  struct Frame {
    float t;
    bool bars;
  };
  std::vector<Frame> frames;
  vt::DriverLog log;
  std::size_t seen = 0;
  DEMO_render.fog = 0;
  vt::RunSection(FX_WeirdScene, 119000, 100, [&](float t) {
    const bool bars = std::any_of(log.drawn.begin() + long(seen), log.drawn.end(), [](KR_MeshPoly* d) {
      return d >= DEMO_barBackPicture->polys && d < DEMO_barBackPicture->polys + DEMO_barBackPicture->polyCount;
    });
    seen = log.drawn.size();
    frames.push_back({t, bars});
    return t < 138.0f;
  });
  EXPECT_EQ(DEMO_render.fog, 0) << "the fog switch is off after the section";
  auto first = std::find_if(frames.begin(), frames.end(), [](const Frame& f) { return f.bars; });
  ASSERT_NE(first, frames.end());
  auto last = std::find_if(frames.rbegin(), frames.rend(), [](const Frame& f) { return f.bars; });
  EXPECT_GT(first->t - 119.0f, 10.0f);
  EXPECT_LT(first->t - 119.0f, 10.25f);
  // The bars count from the last frame at r <= 10; k = 6.14 is 7.98 s on.
  const float start = (first - 1)->t;
  EXPECT_LT(last->t - start, 6.14f * 1.3f);
  EXPECT_GT(last->t - start, 6.14f * 1.3f - 0.15f);
  EXPECT_TRUE(std::all_of(first, last.base(), [](const Frame& f) { return f.bars; }));
}

TEST_F(Scenes, BlobFliesFromTwelveHundredFiftyToFiveHundredFifty) {
  std::vector<std::pair<float, float>> depth;  // (r, z)
  vt::RunSection(FX_SphereClip, 86300, 500, [&](float t) {
    depth.push_back({t - 86.3f, DEMO_sphereScene->meshes[0]->vertices[0].tposition.z});
    return t < 96.5f;
  });
  ASSERT_GE(depth.size(), 21u);
  EXPECT_NEAR(depth[0].first, 0.0f, 1e-4f);
  EXPECT_NEAR(depth[0].second, 1250.0f, 0.2f);
  EXPECT_NEAR(depth[20].first, 10.0f, 1e-3f);
  EXPECT_NEAR(depth[20].second, 550.0f, 0.2f);
}

TEST_F(Scenes, InvertedClipOpacityClampsOneSecondAfterItsMoment) {
  std::vector<std::pair<float, std::vector<float>>> frames;
  vt::DriverLog log;
  std::size_t seen = 0;
  vt::RunSection(FX_SphereClip, 93000, 50, [&](float t) {
    frames.push_back({t, Strengths(log)});
    frames.back().second.erase(frames.back().second.begin(), frames.back().second.begin() + long(seen));
    seen += frames.back().second.size();
    return t < 96.5f;
  });
  int checked = 0;
  for (const auto& [t, strengths] : frames) {
    // Before its moment only the blur (0.1) and the couple picture (0.2); half way in 0.5;
    // clamped at 1 after.
    if (t <= 93.9f) {
      EXPECT_FALSE(std::any_of(strengths.begin(), strengths.end(), [](float a) { return a > 0.25f; })) << t;
    } else if (std::fabs(t - 94.4f) < 0.01f) {
      EXPECT_TRUE(Has(strengths, 0.5f, 0.06f)) << t;
      checked++;
    } else if (t > 94.95f) {
      EXPECT_TRUE(Has(strengths, 1.0f, 0.0f)) << t;
      checked++;
    }
  }
  EXPECT_GT(checked, 20);
}

TEST_F(Scenes, LateCoupleSectionHandsItsLastFrameToTheClipSection) {
  float last = 0.0f;
  vt::RunSection(FX_SphereCouple, 83000, 100, [&](float t) { return last = t, true; });
  EXPECT_FLOAT_EQ(FX_coupleZoomOrigin, last);
  // The clip section goes on with the motion: zoom 4 - (t - U) / 4.7 from the couple's last frame.
  vt::DriverLog log;
  float t = 0.0f;
  vt::RunSection(FX_SphereClip, 87000, 0, [&](float now) { return t = now, false; });
  EXPECT_FLOAT_EQ(FX_coupleZoomOrigin, last);
  ASSERT_TRUE(Drawn(log, DEMO_couplePicture));
  const KR_MeshVertex& v = DEMO_couplePicture->vertices[0];
  const float scale = 4.0f - (t - last) / 4.7f;
  EXPECT_NEAR(std::hypot(v.tposition.x, v.tposition.y), std::hypot(v.position.x, v.position.y) * scale, 1e-4f);
}

TEST_F(Scenes, FanRingsFirstUseDrawsThreeNumbersPerCopy) {
  KR_Scene* fan = KR_SceneNew("fan");
  KR_SceneCreateMeshes(fan, 12);
  for (int i = 0; i < 5; i++) KR_SceneAddMesh(fan, vt::BuildCube("blade"));
  FX_FanRing ring = FX_fanRingWeird;
  DEMO_RandSeed(9990);
  std::vector<int> expected;
  for (int i = 0; i < 3 * 5 + 3; i++) expected.push_back(DEMO_Rand());
  DEMO_RandSeed(9990);
  ASSERT_EQ(FX_FanRingDraw(&ring, fan, 140.0f, 1.0f), 1);
  EXPECT_EQ(DEMO_Rand(), expected[15]);
  // Later draws take nothing from the sequence.
  FX_FanRingDraw(&ring, fan, 140.1f, 1.0f);
  EXPECT_EQ(DEMO_Rand(), expected[16]);
  // The phases step by 6.28 over the count the scene was created for.
  EXPECT_FLOAT_EQ(ring.phaseStep, 6.28f / 12.0f);
  KR_SceneDelete(fan);
}

}  // namespace
