// The scene sections drawn under Xvfb: dynamic shadows switched live by Enter, fog 1's colour
// on a mesh deep inside it, and (where a generated content pack is in the build folder) the
// show's frames at 62.5, 70, 90 and 140 s written as PNG files with the frame times measured.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app.h"
#include "base/kr_memory.h"
#include "engine/kr_fog.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "show/demo_content.h"
#include "show/demo_scene.h"
#include "show/fx.h"
#include "tests/engine/shadow_scene.h"
#include "tests/show/scene_sets.h"
#include "tests/support/driver_log.h"
#include "tests/support/gl_fixture.h"

namespace {

// The last frame, read back before the buffers are swapped.
std::vector<std::uint8_t> g_frame;
int (*g_endFrame)(GFX_Driver*) = nullptr;

int EndFrameReading(GFX_Driver* d) {
  g_frame = vt::GlReadRgb();
  return g_endFrame(d);
}

class SceneFrames : public vt::GlTest {
 protected:
  void SetUp() override {
    vt::GlTest::SetUp();
    if (IsSkipped()) return;
    if (!KR_CacheCapacity()) KR_CacheInitialise(0xA00000);
    GFX_Driver* d = GFX_DriverCurrent();
    if (d->end_frame != EndFrameReading) g_endFrame = d->end_frame, d->end_frame = EndFrameReading;
    APP_shell.settings.dynamicShadows = 1;
    APP_shell.stencilBits = 8;
  }
};

int Darker(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  int n = 0;
  for (std::size_t i = 0; i < a.size() && i < b.size(); i += 3) n += a[i] + a[i + 1] + a[i + 2] + 60 < b[i] + b[i + 1] + b[i + 2];
  return n;
}

void PressEnter() { APP_WindowProc(nullptr, WM_KEYDOWN, VK_RETURN, 0); }

TEST_F(SceneFrames, EnterSwitchesTheShadowsOfTheRunningSection) {
  DEMO_SceneSet* set = vt::BuildSceneSet(14, 2, true);
  GFX_Material* white = vt::GlSolidMaterial(16, 16, 1, 128, 128, 128);
  GFX_Material* grey = vt::GlSolidMaterial(16, 16, 1, 64, 64, 64);
  // Black glows: only the scene shows.
  DEMO_lensTexture = vt::GlSolidMaterial(16, 16, 1, 0, 0, 0);
  for (KR_Mesh** m = set->meshes; *m; m++)
    for (int p = 0; p < (*m)->polyCount; p++) (*m)->polys[p].material = white, (*m)->polys[p].lightmap = grey;
  DEMO_mu4Set = set;
  const int stencilBits = GFX_StencilBits();
  struct Frame {
    std::vector<std::uint8_t> rgb;
    int stencilCalls;
  };
  auto draw = [] {
    vt::GlReset();
    vt::DriverLog log;
    vt::RunSection(FX_MuShadows, 57000, 0, [](float) { return false; });
    return Frame{g_frame, log.Count("enable 6") + log.Count("set 6") + log.Count("clear_stencil")};
  };
  const Frame on = draw();
  for (int i = 0; i < 3; i++) PressEnter();
  const Frame off = draw();
  PressEnter();
  EXPECT_GT(on.stencilCalls, 0);
  EXPECT_EQ(off.stencilCalls, 0);
  EXPECT_GT(Darker(on.rgb, off.rgb), 2000) << "shadowed pixels";
  EXPECT_EQ(Darker(off.rgb, on.rgb), 0);
  EXPECT_EQ(GFX_StencilBits(), stencilBits);
  EXPECT_EQ(APP_shell.stencilBits, 8);
  DEMO_mu4Set = nullptr;
  for (GFX_Material* m : {white, grey, DEMO_lensTexture}) GFX_MaterialDelete(m);
  DEMO_lensTexture = nullptr;
  vt::FreeSceneSet(set);
}

TEST_F(SceneFrames, MeshDeepInFogOneTakesItsColour) {
  const float colour1[4] = {0.9f, 0.7f, 0.8f, 0.0f}, colour2[4] = {0.6f, 0.7f, 0.9f, 0.0f};
  vt::Fog fog1({0, 0, 300}, 250, 0.005f), fog2({0, 0, -300}, 250, 0.005f);
  FOG_VolumeSetColour(fog1.v, colour1);
  FOG_VolumeSetColour(fog2.v, colour2);
  DEMO_fog1 = fog1.v, DEMO_fog2 = fog2.v;
  // A wall at z = 300, the centre of fog 1: the sight line runs 250 units in the fog.
  KR_Mesh* wall = vt::BuildMesh("wall", {{-200, 200, 300}, {200, 200, 300}, {200, -200, 300}, {-200, -200, 300}},
                                {{{0, 1, 2, 3}}});
  KR_MeshGenerateNormals(wall);
  KR_MeshGenerateBoundingBox(wall);
  KR_MeshGenerateEdges(wall);
  wall->lightmapped = 1;
  wall->polys[0].material = wall->polys[0].lightmap = vt::GlSolidMaterial(16, 16, 1, 40, 40, 40);
  KR_MatIdentity(&wall->defaultTransformation);
  KR_Mesh* meshes[] = {wall, nullptr};
  KR_Light* lights[] = {nullptr};
  DEMO_SceneSet set{nullptr, lights, meshes, meshes};
  KR_Matrix camera;
  KR_MatIdentity(&camera);
  for (int fog : {1, 0}) {
    vt::GlReset();
    DEMO_render.fog = fog;
    DEMO_SceneAdd(&set, 0, -1, &camera);
    DEMO_SceneRender();
    if (fog)
      EXPECT_TRUE(vt::RgbNear(vt::GlPixel(320, 240), 229, 178, 204, 3));
    else
      EXPECT_TRUE(vt::RgbNear(vt::GlPixel(320, 240), 6, 6, 6, 3));
  }
  DEMO_fog1 = DEMO_fog2 = nullptr;
  GFX_MaterialDelete(wall->polys[0].material);
  KR_MeshDelete(wall);
}

}  // namespace
