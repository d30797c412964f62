// Fog volumes: the line-of-sight segment through the sphere and the per-vertex amounts.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/kr_fog.h"
#include "engine/kr_mesh.h"
#include "tests/engine/scene_builders.h"

namespace {

TEST(FogVolume, CreationAndColourBytes) {
  vt::Fog fog({1, 2, 3}, 4, 0.5f);
  EXPECT_EQ(fog.v->type, FOG_SPHERICAL);
  EXPECT_EQ(fog.v->shape->radius2, 16.0f);
  const float colour[4] = {1, 0.5f, 0, 1};
  FOG_VolumeSetColour(fog.v, colour);
  EXPECT_EQ(fog.v->colourBytes[0], 255);
  EXPECT_EQ(fog.v->colourBytes[1], 127);
  EXPECT_EQ(fog.v->colourBytes[2], 0);
  EXPECT_EQ(fog.v->colourBytes[3], 255);
  const float wild[4] = {2, -1, NAN, 0.999f};
  FOG_VolumeSetColour(fog.v, wild);
  EXPECT_EQ(fog.v->colourBytes[0], 255);
  EXPECT_EQ(fog.v->colourBytes[1], 0);
  EXPECT_EQ(fog.v->colourBytes[2], 0);
  EXPECT_EQ(fog.v->colourBytes[3], 254);
  KR_Matrix t = vt::Translation(0, 0, 10);
  FOG_VolumeTransform(fog.v, &t);
  EXPECT_TRUE(vt::VecNear(fog.v->shape->tcentre, 1, 2, 13));
}

TEST(FogVolume, SegmentCountsOnlyTheSightLineInsideTheSphere) {
  int hit = -1;
  // Off to the side: the line misses.
  vt::Fog side({10, 0, 20}, 5, 1);
  EXPECT_EQ(side.Along(100, &hit), 0.0f);
  EXPECT_EQ(hit, 0);
  // Grazing the sphere is a miss as well.
  vt::Fog graze({5, 0, 20}, 5, 1);
  EXPECT_EQ(graze.Along(100, &hit), 0.0f);
  EXPECT_EQ(hit, 0);

  // Sphere from z = 15 to 25, density 0.1.
  vt::Fog ahead({0, 0, 20}, 5, 0.1f);
  EXPECT_NEAR(ahead.Along(100, &hit), 1.0f, 1e-5f);  // right through
  EXPECT_EQ(hit, 1);
  EXPECT_NEAR(ahead.Along(18), 0.3f, 1e-5f);  // the vertex is inside
  EXPECT_EQ(ahead.Along(10, &hit), 0.0f);     // in front of the sphere: both ends clamp to a
  EXPECT_EQ(hit, 1);

  // The eye inside: from the eye to the vertex or to the far side, whichever is nearer.
  vt::Fog around({0, 0, 2}, 5, 0.1f);
  EXPECT_NEAR(around.Along(4), 0.4f, 1e-5f);
  EXPECT_NEAR(around.Along(50), 0.7f, 1e-5f);
}

TEST(FogVolume, MeshApplyAccumulatesAmountAndTakesTheLastColour) {
  KR_Mesh* m = vt::BuildMesh("fogged", {{0, 0, 30}, {0, 0, 10}, {0, 0, 0}, {40, 0, 0}}, {});
  KR_Matrix identity;
  KR_MatIdentity(&identity);
  KR_MeshTransformAbsolute(m, &identity);
  for (int i = 0; i < 4; i++) m->vertices[i].fog[3] = 9;
  FOG_MeshClear(m);
  EXPECT_EQ(m->vertices[0].fog[3], 0.0f);

  vt::Fog a({0, 0, 20}, 5, 0.1f), b({0, 0, 20}, 5, 0.2f);
  const float red[4] = {1, 0, 0, 0}, blue[4] = {0, 0, 1, 0};
  FOG_VolumeSetColour(a.v, red);
  FOG_VolumeSetColour(b.v, blue);
  FOG_MeshApply(m, a.v, &identity);
  FOG_MeshApply(m, b.v, &identity);
  EXPECT_NEAR(m->vertices[0].fog[3], 1.0f + 2.0f, 1e-5f);
  EXPECT_EQ(m->vertices[1].fog[3], 0.0f);
  EXPECT_EQ(m->vertices[2].fog[3], 0.0f);  // at the eye: no line of sight
  EXPECT_FALSE(std::isnan(m->vertices[2].fog[3]));
  EXPECT_EQ(m->vertices[3].fog[3], 0.0f);
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(m->vertices[i].fog[0], 0.0f);
    EXPECT_EQ(m->vertices[i].fog[2], 1.0f);
  }
  // The volume's matrix moves the sphere into the mesh's space first.
  FOG_MeshClear(m);
  KR_Matrix away = vt::Translation(0, 100, 0);
  FOG_MeshApply(m, a.v, &away);
  EXPECT_EQ(m->vertices[0].fog[3], 0.0f);
  KR_MeshDelete(m);
}

}  // namespace
