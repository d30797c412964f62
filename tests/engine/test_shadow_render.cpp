// Shadowed scenes drawn under Xvfb with 8 stencil bits: a box standing on a lightmapped floor
// with a moving light beside and above it. Every floor pixel is classified by casting its sight
// ray into the scene; the stencilled light must darken exactly the floor in the box's shadow,
// and without dynamic shadows the same scene is drawn lit without touching the stencil.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "base/kr_memory.h"
#include "engine/shadow.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "tests/engine/shadow_scene.h"
#include "tests/support/driver_log.h"
#include "tests/support/gl_fixture.h"

namespace {

constexpr KR_Vector kBoxLo{-5, -10, 55}, kBoxHi{5, -2, 65};
constexpr KR_Vector kLight{-30, 20, 60};
constexpr float kFloorY = -10, kFloorX = 60, kFloorNear = 20, kFloorFar = 150;
constexpr int kLightmapGrey = 64;

// Where the segment from `from` along `dir` (t in 0..limit) first enters the box, or -1.
float BoxHit(KR_Vector from, KR_Vector dir, float limit) {
  const float o[3] = {from.x, from.y, from.z}, d[3] = {dir.x, dir.y, dir.z};
  const float lo[3] = {kBoxLo.x, kBoxLo.y, kBoxLo.z}, hi[3] = {kBoxHi.x, kBoxHi.y, kBoxHi.z};
  float enter = 0, leave = limit;
  for (int a = 0; a < 3; a++) {
    if (d[a] == 0) {
      if (o[a] < lo[a] || o[a] > hi[a]) return -1;
      continue;
    }
    float t0 = (lo[a] - o[a]) / d[a], t1 = (hi[a] - o[a]) / d[a];
    enter = std::max(enter, std::min(t0, t1));
    leave = std::min(leave, std::max(t0, t1));
  }
  return enter < leave ? enter : -1;
}

enum Seen { kOther, kLit, kShadow };

// What the sight ray through screen point (x, y) (pixels from the top-left) meets, with the
// driver's projection: 67.5 degrees vertically, 640 x 480.
Seen Classify(float x, float y) {
  const float t = std::tan(33.75f * 3.1415927f / 180.0f);
  const KR_Vector dir{(x / 320.0f - 1.0f) * t * 640.0f / 480.0f, (1.0f - y / 240.0f) * t, 1.0f};
  if (dir.y >= 0) return kOther;
  const float s = kFloorY / dir.y;
  const KR_Vector p{dir.x * s, kFloorY, s};
  if (std::fabs(p.x) > kFloorX || p.z < kFloorNear || p.z > kFloorFar) return kOther;
  if (BoxHit({0, 0, 0}, dir, s) >= 0) return kOther;
  return BoxHit(p, {kLight.x - p.x, kLight.y - p.y, kLight.z - p.z}, 1.0f) >= 0 ? kShadow : kLit;
}

// The class of a pixel when its neighbourhood agrees, so that edges rasterised either way
// are left out; -1 otherwise.
int Certain(int px, int py) {
  const Seen c = Classify(px + 0.5f, py + 0.5f);
  for (float dy : {-1.0f, 0.0f, 1.0f})
    for (float dx : {-1.0f, 0.0f, 1.0f})
      if (Classify(px + 0.5f + dx, py + 0.5f + dy) != c) return -1;
  return c;
}

class ShadowRender : public vt::GlTest {
 protected:
  void SetUp() override {
    vt::GlTest::SetUp();
    if (IsSkipped()) return;
    KR_CacheInitialise(0xA00000);
    white = vt::GlSolidMaterial(16, 16, 1, 255, 255, 255);
    grey = vt::GlSolidMaterial(16, 16, 1, kLightmapGrey, kLightmapGrey, kLightmapGrey);
    floor = vt::BuildMesh("floor", {{-kFloorX, kFloorY, kFloorNear}, {-kFloorX, kFloorY, kFloorFar},
                                    {kFloorX, kFloorY, kFloorFar}, {kFloorX, kFloorY, kFloorNear}},
                          {{{0, 1, 2, 3}}});
    KR_MeshGenerateNormals(floor);
    KR_MeshGenerateBoundingBox(floor);
    KR_MeshGenerateEdges(floor);
    KR_MeshTransformIdentity(floor);
    KR_MeshTransform(floor);
    floor->lightmapped = 1;
    floor->polys[0].material = white;
    floor->polys[0].lightmap = grey;
    box = vt::BuildBox(kBoxLo, kBoxHi);
    for (int i = 0; i < box->polyCount; i++) box->polys[i].material = white;
    light = vt::BuildLight(kLight);
  }
  void TearDown() override {
    if (!light) return;
    KR_Free(light);
    KR_MeshDelete(box);
    KR_MeshDelete(floor);
    GFX_MaterialDelete(white);
    GFX_MaterialDelete(grey);
    KR_CacheFree();
  }
  // The scene drawn from a cleared frame; `log` (when given) starts after the clearing.
  std::vector<std::uint8_t> Render(int dynamic, std::optional<vt::DriverLog>* log = nullptr) {
    vt::GlReset();
    if (log) log->emplace();
    KR_Mesh* meshes[] = {floor, box, nullptr};
    KR_Light* lights[] = {light, nullptr};
    EXPECT_EQ(SHADOW_RenderScene(meshes, lights, dynamic), 0);
    KR_CacheReset();
    return vt::GlReadRgb();
  }
  GFX_Material* white = nullptr;
  GFX_Material* grey = nullptr;
  KR_Mesh* floor = nullptr;
  KR_Mesh* box = nullptr;
  KR_Light* light = nullptr;
};

TEST_F(ShadowRender, BoxDarkensExactlyTheFloorInItsShadow) {
  const std::vector<std::uint8_t> on = Render(1);
  std::optional<vt::DriverLog> log;
  const std::vector<std::uint8_t> off = Render(0, &log);
  EXPECT_EQ(log->Count("clear_stencil"), 0);
  EXPECT_EQ(log->Count("set 6"), 0);
  EXPECT_EQ(log->Count("enable 6"), 0);
  log.reset();
  int shadowed = 0, lit = 0, wrong = 0;
  for (int y = 0; y < vt::kGlHeight; y++)
    for (int x = 0; x < vt::kGlWidth; x++) {
      const int c = Certain(x, y);
      const std::size_t at = (std::size_t(y) * vt::kGlWidth + x) * 3;
      if (c == kShadow) {
        // The lightmap alone (times the white base texture); lit when there are no volumes.
        shadowed++;
        for (int k = 0; k < 3; k++) wrong += std::abs(on[at + k] - kLightmapGrey) > 2;
        wrong += off[at] < kLightmapGrey + 40;
      } else if (c == kLit) {
        // Without volumes the moving light is vertex light on the lightmap: the same picture.
        lit++;
        wrong += on[at] < kLightmapGrey + 40 || std::abs(on[at] - off[at]) > 2;
      }
    }
  EXPECT_GT(shadowed, 500);
  EXPECT_GT(lit, 20000);
  EXPECT_EQ(wrong, 0);
}

}  // namespace
