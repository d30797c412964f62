// Meshes: capacities and indices, edges and their reports, normals and smoothing groups,
// transformations, skinning and corner lighting.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "base/kr_memory.h"
#include "engine/kr_keyframe.h"
#include "engine/kr_mesh.h"
#include "engine/kr_scene.h"
#include "tests/engine/scene_builders.h"
#include "tests/support/test_util.h"

namespace {

TEST(Mesh, CapacitiesAndIndicesAreChecked) {
  vt::ErrorLog log;
  KR_Mesh* m = vt::BuildMesh("m", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{{0, 1, 2}}});
  EXPECT_EQ(KR_MeshPolyGetNew(m), nullptr);
  EXPECT_TRUE(log.Has("KR_MeshPolyGetNew - index out of range"));
  // Negative indices are refused too, not read from before the array.
  EXPECT_EQ(KR_MeshVertexGet(m, -1), nullptr);
  EXPECT_TRUE(log.Has("KR_MeshVertexGet - index out of range (-1)"));
  EXPECT_EQ(KR_MeshPolyGet(m, 1), nullptr);
  EXPECT_EQ(KR_MeshBlendVertexGet(m, 0), nullptr);  // not a blended mesh
  KR_MeshPoly* p = KR_MeshPolyGet(m, 0);
  EXPECT_EQ(KR_MeshPolyAddVertex(p, &m->vertices[0], 0, 0), 1);
  EXPECT_EQ(KR_MeshPolyAddVertex(p, &m->vertices[0], 0, 0), 0);  // a fifth corner has no slot
  EXPECT_EQ(p->cornerCount, 4);
  KR_MeshDelete(m);
  // Capacities whose arrays would not fit a 32-bit size fail instead of wrapping.
  m = KR_MeshNew("huge");
  EXPECT_EQ(KR_MeshCreate(m, 0x7FFFFFFF, 0, 0), 0);
  EXPECT_EQ(KR_MeshVertexGetNew(m), nullptr);
  KR_MeshDelete(m);
}

TEST(MeshEdges, ClosedCubeHasEighteenSharedEdgesAndNoReport) {
  vt::ErrorLog log;
  KR_Mesh* m = vt::BuildCube("cube");
  ASSERT_EQ(KR_MeshGenerateEdges(m), 1);
  EXPECT_EQ(m->edgeCount, 18);
  for (int i = 0; i < m->edgeCount; i++) EXPECT_EQ(m->edges[i].useCount, 2) << "edge " << i;
  EXPECT_TRUE(log.messages.empty());
  KR_MeshDelete(m);
}

TEST(MeshEdges, SingleTriangleReportsItsThreeOpenEdges) {
  vt::ErrorLog log;
  KR_Mesh* m = vt::BuildMesh("tri", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{{0, 1, 2}}});
  ASSERT_EQ(KR_MeshGenerateEdges(m), 1);
  ASSERT_EQ(m->edgeCount, 3);
  for (int i = 0; i < 3; i++) EXPECT_EQ(m->edges[i].useCount, 1);
  // Edges keep the direction of their first use; side i of a polygon is edge i.
  EXPECT_EQ(m->edges[2].vertexA, &m->vertices[2]);
  EXPECT_EQ(m->edges[2].vertexB, &m->vertices[0]);
  EXPECT_EQ(m->polys[0].edges[1], &m->edges[1]);
  EXPECT_EQ(log.messages, (std::vector<std::string>{"tri edge: 0 usecount: 1\n", "tri edge: 1 usecount: 1\n",
                                                     "tri edge: 2 usecount: 1\n"}));
  KR_MeshDelete(m);

  // A mesh without room for its edges fails without writing past them.
  m = vt::BuildMesh("q", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{{0, 1, 2, 3}}}, 3);
  EXPECT_EQ(KR_MeshGenerateEdges(m), 0);
  EXPECT_TRUE(log.Has("KR_MeshEdgeGetNew - index out of range"));
  KR_MeshDelete(m);
}

// Two triangles folded along the edge 0-1: one in the z = 0 plane, one in the y = 0 plane.
KR_Mesh* Fold(int smoothingA, int smoothingB) {
  KR_Mesh* m = vt::BuildMesh("fold", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
                             {{{0, 1, 2}, smoothingA}, {{0, 3, 1}, smoothingB}});
  KR_MeshVertexPolysGet(m);
  KR_MeshGenerateNormals(m);
  return m;
}

TEST(MeshNormals, SmoothingAveragesOnlyAcrossSharedBits) {
  const float h = std::sqrt(0.5f);
  struct Case {
    int a, b;
    bool averaged;
  };
  for (Case c : {Case{0, 0, false}, Case{1, 1, true}, Case{1, 2, false}, Case{3, 6, true}, Case{1, 0, false}}) {
    KR_Mesh* m = Fold(c.a, c.b);
    // Corners on the shared edge average both faces when the groups share a bit; the others
    // always keep their own face's normal.
    if (c.averaged)
      EXPECT_TRUE(vt::VecNear(m->polys[0].corners[0].normal, 0, h, h)) << c.a << " " << c.b;
    else
      EXPECT_TRUE(vt::VecNear(m->polys[0].corners[0].normal, 0, 0, 1)) << c.a << " " << c.b;
    EXPECT_TRUE(vt::VecNear(m->polys[0].corners[2].tnormal, 0, 0, 1));
    EXPECT_TRUE(vt::VecNear(m->polys[1].corners[1].normal, 0, 1, 0));
    // The per-vertex records average every face around the vertex.
    EXPECT_TRUE(vt::VecNear(m->normals[0].normal, 0, h, h));
    EXPECT_EQ(m->polys[0].corners[1].normalRecord, &m->normals[1]);
    KR_MeshDelete(m);
  }
}

TEST(MeshNormals, DegeneratePolygonGetsAZeroNormalNotNaN) {
  KR_Mesh* m = vt::BuildMesh("d", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}}, {{{0, 1, 2}, 1}, {{0, 1, 3}, 1}});
  KR_MeshVertexPolysGet(m);
  ASSERT_EQ(KR_MeshGenerateNormals(m), 1);
  EXPECT_TRUE(vt::VecNear(m->polys[0].normal, 0, 0, 0));
  EXPECT_TRUE(vt::VecNear(m->polys[1].corners[0].normal, 0, 0, 1));  // not poisoned
  // Vertex polygon lists: polygon order, once per polygon, none for an unused vertex.
  EXPECT_EQ(m->vertices[0].polyCount, 2);
  EXPECT_EQ(m->vertices[0].polys[1], &m->polys[1]);
  EXPECT_EQ(m->vertices[2].polyCount, 1);
  KR_MeshDelete(m);
}

TEST(MeshBox, CornersInTheirOrder) {
  KR_Mesh* m = vt::BuildMesh("b", {{1, 2, 3}, {-1, 5, 0}, {4, -2, 1}}, {});
  ASSERT_EQ(KR_MeshGenerateBoundingBox(m), 1);
  const float want[8][3] = {{-1, 5, 3}, {4, 5, 3}, {4, -2, 3}, {-1, -2, 3}, {-1, -2, 0}, {4, -2, 0}, {4, 5, 0}, {-1, 5, 0}};
  for (int i = 0; i < 8; i++) EXPECT_TRUE(vt::VecNear(m->box[i], want[i][0], want[i][1], want[i][2])) << i;
  KR_MeshDelete(m);
}

TEST(MeshTransform, InvalidMeshIsRefusedAndStaticNormalsStay) {
  vt::ErrorLog log;
  KR_Mesh* m = Fold(0, 0);
  m->vertices[1].tposition = {7, 7, 7};
  m->valid = 0;
  KR_Matrix t = vt::Translation(10, 0, 0);
  EXPECT_EQ(KR_MeshTransformAbsolute(m, &t), 0);
  EXPECT_TRUE(log.Has("KR_MeshTransform - incomplete meshes not supported yet"));
  EXPECT_TRUE(vt::VecNear(m->vertices[1].tposition, 7, 7, 7));

  // Default, then multiplied: translated, then turned a quarter about z and scaled twice.
  KR_MeshForceValidate(m);
  KR_Matrix rotZ, scale;
  KR_MatRotateAxis(&rotZ, float(M_PI / 2), 3);
  KR_MatScale(&scale, 2, 2, 2);
  KR_MeshSetDefaultTransformation(m, &t);
  KR_MeshTransformDefault(m);
  KR_MeshTransformMultiply(m, &rotZ);
  KR_MeshTransformMultiply(m, &scale);
  ASSERT_EQ(KR_MeshTransform(m), 1);
  EXPECT_TRUE(vt::VecNear(m->vertices[1].tposition, 0, 22, 0, 1e-4f));
  // Face normals use the normalised rows; corner normals the full matrix.
  EXPECT_TRUE(vt::VecNear(m->polys[1].tnormal, -1, 0, 0, 1e-5f));
  EXPECT_NEAR(KR_VecLength(&m->polys[1].corners[0].tnormal), 2.0f, 1e-4f);

  // A static mesh keeps its (world-space) corner and vertex normals.
  m->dynamic = 0;
  m->polys[1].corners[0].tnormal = {0, 9, 0};
  ASSERT_EQ(KR_MeshTransform(m), 1);
  EXPECT_TRUE(vt::VecNear(m->polys[1].corners[0].tnormal, 0, 9, 0));
  KR_MeshDelete(m);
}

TEST(MeshSkin, WeightOnTranslatedBoneEndsAtOffsetPlusTranslation) {
  KR_Node* bone = KR_NodeNew("bone");
  bone->matrix = vt::Translation(10, 20, 30);
  KR_Mesh* m = vt::BuildMesh("skin", {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {{{0, 1, 2}}});
  ASSERT_EQ(KR_MeshCreateBlended(m, 2), 1);
  KR_MeshBnodeGetNew(m)->node = bone;
  KR_MeshBnodeGetNew(m);  // no node: the identity
  const KR_Vector offsets[3] = {{1, 2, 3}, {0, 1, 0}, {4, 0, 0}};
  for (int i = 0; i < 3; i++) {
    KR_MeshBlendVertex* bv = KR_MeshBlendVertexGet(m, i);
    KR_MeshBlendVertexInit(bv);
    bv->weights[bv->weightCount++] = {offsets[i], 0, nullptr, 1.0f};
  }
  KR_MeshBlendVertex* half = KR_MeshBlendVertexGet(m, 1);
  half->weights[0].weight = 0.5f;
  half->weights[half->weightCount++] = {{0, 1, 0}, 1, nullptr, 0.5f};

  ASSERT_EQ(KR_MeshUpdateBlended(m), 1);
  EXPECT_TRUE(vt::VecNear(m->vertices[0].position, 11, 22, 33));
  EXPECT_TRUE(vt::VecNear(m->vertices[1].position, 5, 11, 15));
  EXPECT_TRUE(vt::VecNear(m->box[1], 14, 22, 33));  // the box follows
  // The bone matrix is the node's with its rows normalised: scale is dropped.
  KR_MatScale(&bone->matrix, 3, 3, 3);
  bone->matrix.m[12] = 1;
  ASSERT_EQ(KR_MeshUpdateBlended(m), 1);
  EXPECT_TRUE(vt::VecNear(m->vertices[2].position, 5, 0, 0));
  KR_MeshDelete(m);
  KR_Free(bone);
}

TEST(MeshLight, CornersAddFacingFallOffLight) {
  KR_Mesh* m = vt::BuildMesh("lit", {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}}, {{{0, 1, 2}}});
  KR_MeshGenerateNormals(m);
  KR_MeshTransformIdentity(m);
  KR_MeshTransform(m);
  KR_MeshPoly* p = &m->polys[0];
  const float black[4] = {0, 0, 0, 1}, colour[4] = {1, 0.5f, 0.25f, 0};
  KR_Light* l = KR_LightNew("l");
  KR_Vector above{0, 0, 5};
  KR_LightCreate(l, &above, colour);
  KR_LightResetTransformation(l);
  KR_LightApplyTransformation(l);
  struct Case {
    int mode;
    float corner0, corner1;  // red added at corners 0 and 1
  };
  const float slant = 5.0f / std::sqrt(125.0f);
  for (Case c : {Case{0, 1.0f, slant}, Case{1, 0.5f, 0.0f}, Case{2, 0.75f, 0.0f}}) {
    KR_MeshPolySetColour(p, black);
    KR_LightSetRange(l, c.mode, c.mode ? 10.0f : 0.0f);
    EXPECT_EQ(KR_MeshPolyLight(p, l), 1);
    EXPECT_NEAR(p->corners[0].colour[0], c.corner0, 1e-5f) << c.mode;
    EXPECT_NEAR(p->corners[1].colour[0], c.corner1, 1e-5f) << c.mode;
    EXPECT_EQ(p->corners[0].colour[3], 1.0f);
  }
  // Behind the polygon nothing is lit. A static polygon is lit in object space, from the
  // light's own position.
  KR_MeshPolySetColour(p, black);
  KR_LightSetRange(l, 0, 0);
  l->tposition = {0, 0, -5};
  EXPECT_EQ(KR_MeshPolyLight(p, l), 0);
  l->tposition = {0, 0, 0};  // on a vertex: no direction to light it from, and no NaN
  KR_MeshPolyLight(p, l);
  EXPECT_EQ(p->corners[0].colour[0], 0.0f);
  p->isStatic = 1;
  KR_MeshPolySetColour(p, black);
  EXPECT_EQ(KR_MeshPolyLight(p, l), 1);
  EXPECT_NEAR(p->corners[0].colour[0], 1.0f, 1e-5f);
  KR_Free(l);
  KR_MeshDelete(m);
}

}  // namespace
