// Fog volumes: the line-of-sight segment through the sphere and the per-vertex amounts.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/kr_fog.h"
#include "engine/kr_mesh.h"
#include "tests/engine/scene_builders.h"

namespace {

TEST(FogVolume, ColourBytesAreTruncatedAndSaturate) {
  vt::Fog fog({1, 2, 3}, 4, 0.5f);
  EXPECT_EQ(fog.v->shape->radius2, 16.0f);
  const float colour[4] = {1, 0.5f, 0, 1}, wild[4] = {2, -1, NAN, 0.999f};
  const std::uint8_t want[2][4] = {{255, 127, 0, 255}, {255, 0, 0, 254}};
  FOG_VolumeSetColour(fog.v, colour);
  for (int i = 0; i < 4; i++) EXPECT_EQ(fog.v->colourBytes[i], want[0][i]);
  FOG_VolumeSetColour(fog.v, wild);
  for (int i = 0; i < 4; i++) EXPECT_EQ(fog.v->colourBytes[i], want[1][i]);
}

TEST(FogVolume, SegmentCountsOnlyTheSightLineInsideTheSphere) {
  int hit = -1;
  vt::Fog side({10, 0, 20}, 5, 1), graze({5, 0, 20}, 5, 1);
  EXPECT_EQ(side.Along(100, &hit), 0.0f);  // the line misses
  EXPECT_EQ(hit, 0);
  EXPECT_EQ(graze.Along(100, &hit), 0.0f);  // touching is a miss as well
  EXPECT_EQ(hit, 0);
  // Sphere from z = 15 to 25, density 0.1.
  vt::Fog ahead({0, 0, 20}, 5, 0.1f);
  EXPECT_NEAR(ahead.Along(100), 1.0f, 1e-5f);  // right through
  EXPECT_NEAR(ahead.Along(18), 0.3f, 1e-5f);   // the vertex is inside
  EXPECT_EQ(ahead.Along(10, &hit), 0.0f);      // in front of the sphere: both ends clamp to a
  EXPECT_EQ(hit, 1);
  // The eye inside: from the eye to the vertex or to the far side, whichever is nearer.
  vt::Fog around({0, 0, 2}, 5, 0.1f);
  EXPECT_NEAR(around.Along(4), 0.4f, 1e-5f);
  EXPECT_NEAR(around.Along(50), 0.7f, 1e-5f);
}

TEST(FogVolume, MeshApplyAccumulatesAmountAndTakesTheLastColour) {
  KR_Mesh* m = vt::BuildMesh("fogged", {{0, 0, 30}, {0, 0, 10}, {0, 0, 0}, {40, 0, 0}}, {});
  KR_MeshTransformIdentity(m);
  KR_MeshTransform(m);
  vt::Fog a({0, 0, 20}, 5, 0.1f), b({0, 0, 20}, 5, 0.2f);
  const float red[4] = {1, 0, 0, 0}, blue[4] = {0, 0, 1, 0};
  FOG_VolumeSetColour(a.v, red);
  FOG_VolumeSetColour(b.v, blue);
  FOG_MeshClear(m);
  FOG_MeshApply(m, a.v, &m->transformation);
  FOG_MeshApply(m, b.v, &m->transformation);
  // Through both spheres, in front of them, at the eye (no line of sight), off to the side.
  const float want[4] = {1.0f + 2.0f, 0, 0, 0};
  for (int i = 0; i < 4; i++) {
    EXPECT_NEAR(m->vertices[i].fog[3], want[i], 1e-5f) << i;
    EXPECT_EQ(m->vertices[i].fog[2], 1.0f);
  }
  // The volume's matrix moves the sphere into the mesh's space first.
  FOG_MeshClear(m);
  KR_Matrix away = vt::Translation(0, 100, 0);
  FOG_MeshApply(m, a.v, &away);
  EXPECT_EQ(m->vertices[0].fog[3], 0.0f);
  EXPECT_TRUE(vt::VecNear(a.v->shape->tcentre, 0, 100, 20));
  KR_MeshDelete(m);
}

}  // namespace
