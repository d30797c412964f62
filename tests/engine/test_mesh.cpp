// Meshes: capacities and indices, edges and their reports, normals and smoothing groups, the
// vertex polygon lists, transformations, skinning and corner lighting.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/kr_keyframe.h"
#include "engine/kr_memory.h"
#include "engine/kr_mesh.h"
#include "engine/kr_scene.h"
#include "tests/engine/scene_builders.h"
#include "tests/support/test_util.h"

namespace {

int CountPrefixed(const vt::ErrorLog& log, const std::string& prefix) {
  int n = 0;
  for (const std::string& m : log.messages) n += m.rfind(prefix, 0) == 0;
  return n;
}

TEST(Mesh, CapacitiesAndIndicesAreChecked) {
  vt::ErrorLog log;
  KR_Mesh* m = vt::BuildMesh("m", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{{0, 1, 2}}});
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->valid, 1);
  EXPECT_EQ(m->dynamic, 1);
  EXPECT_EQ(KR_MeshPolyGetNew(m), nullptr);
  EXPECT_TRUE(log.Has("KR_MeshPolyGetNew - index out of range"));
  EXPECT_EQ(KR_MeshVertexGetNew(m), nullptr);
  EXPECT_TRUE(log.Has("KR_MeshVertexGetNew - index out of range"));
  EXPECT_EQ(KR_MeshVertexGet(m, 3), nullptr);
  EXPECT_TRUE(log.Has("KR_MeshVertexGet - index out of range (3)"));
  // Negative indices are refused too, not read from before the array.
  EXPECT_EQ(KR_MeshVertexGet(m, -1), nullptr);
  EXPECT_TRUE(log.Has("KR_MeshVertexGet - index out of range (-1)"));
  EXPECT_EQ(KR_MeshPolyGet(m, -1), nullptr);
  EXPECT_EQ(KR_MeshBlendVertexGet(m, 0), nullptr);  // not a blended mesh
  EXPECT_EQ(KR_MeshBnodeGetNew(m), nullptr);
  EXPECT_TRUE(log.Has("KR_MeshBnodeGetNew - index out of range"));

  KR_MeshPoly* p = KR_MeshPolyGet(m, 0);
  KR_MeshVertex* v = KR_MeshVertexGet(m, 0);
  EXPECT_EQ(KR_MeshPolyAddVertex(p, v, 0, 0), 1);
  EXPECT_EQ(p->cornerCount, 4);
  EXPECT_EQ(KR_MeshPolyAddVertex(p, v, 0, 0), 0);  // a fifth corner has no slot
  EXPECT_EQ(p->cornerCount, 4);

  EXPECT_EQ(KR_MeshCreate(nullptr, 1, 1, 1), 0);
  EXPECT_TRUE(log.Has("KR_MeshCreate - no mesh"));
  EXPECT_EQ(KR_MeshVertexGetNew(nullptr), nullptr);
  EXPECT_TRUE(log.Has("KR_MeshVertexGetNew - no mesh"));
  EXPECT_EQ(KR_MeshTransformIdentity(nullptr), 0);
  KR_MeshDelete(m);
}

TEST(Mesh, HugeCapacitiesFailInsteadOfOverflowing) {
  vt::ErrorLog log;
  KR_Mesh* m = KR_MeshNew("big");
  EXPECT_EQ(KR_MeshCreate(m, 0x7FFFFFFF, 0, 0), 0);
  EXPECT_EQ(KR_MeshCreate(m, -1, 0, 0), 0);
  EXPECT_EQ(m->vertexCapacity, 0);
  EXPECT_EQ(KR_MeshVertexGetNew(m), nullptr);
  KR_MeshDelete(m);
}

TEST(MeshEdges, ClosedCubeHasEighteenSharedEdgesAndNoReport) {
  vt::ErrorLog log;
  KR_Mesh* m = vt::BuildCube("cube");
  ASSERT_EQ(KR_MeshGenerateEdges(m), 1);
  EXPECT_EQ(m->edgeCount, 18);
  for (int i = 0; i < m->edgeCount; i++) EXPECT_EQ(m->edges[i].useCount, 2) << "edge " << i;
  EXPECT_EQ(CountPrefixed(log, "cube edge"), 0);
  // Each polygon side points at the edge joining its two corners.
  for (int p = 0; p < m->polyCount; p++) {
    const KR_MeshPoly& poly = m->polys[p];
    for (int c = 0; c < 3; c++) {
      const KR_MeshEdge* e = poly.edges[c];
      const KR_MeshVertex* a = poly.corners[c].vertex;
      const KR_MeshVertex* b = poly.corners[(c + 1) % 3].vertex;
      EXPECT_TRUE((e->vertexA == a && e->vertexB == b) || (e->vertexA == b && e->vertexB == a));
    }
  }
  KR_MeshDelete(m);
}

TEST(MeshEdges, SingleTriangleReportsItsThreeOpenEdges) {
  vt::ErrorLog log;
  KR_Mesh* m = vt::BuildMesh("tri", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{{0, 1, 2}}});
  ASSERT_EQ(KR_MeshGenerateEdges(m), 1);
  ASSERT_EQ(m->edgeCount, 3);
  for (int i = 0; i < 3; i++) EXPECT_EQ(m->edges[i].useCount, 1);
  // Edges keep the direction of their first use.
  EXPECT_EQ(m->edges[0].vertexA, &m->vertices[0]);
  EXPECT_EQ(m->edges[0].vertexB, &m->vertices[1]);
  EXPECT_EQ(m->edges[2].vertexA, &m->vertices[2]);
  EXPECT_EQ(m->edges[2].vertexB, &m->vertices[0]);
  EXPECT_TRUE(log.Has("tri edge: 0 usecount: 1\n"));
  EXPECT_TRUE(log.Has("tri edge: 1 usecount: 1\n"));
  EXPECT_TRUE(log.Has("tri edge: 2 usecount: 1\n"));
  KR_MeshDelete(m);
}

TEST(MeshEdges, RunningOutOfEdgesFailsWithoutWritingPastThem) {
  vt::ErrorLog log;
  KR_Mesh* m = vt::BuildMesh("q", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{{0, 1, 2, 3}}}, 3);
  EXPECT_EQ(KR_MeshGenerateEdges(m), 0);
  EXPECT_EQ(m->edgeCount, 3);
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
  KR_Mesh* flat = Fold(0, 0);
  EXPECT_EQ(flat->smooth, 1);
  EXPECT_TRUE(vt::VecNear(flat->polys[0].normal, 0, 0, 1));
  EXPECT_TRUE(vt::VecNear(flat->polys[1].normal, 0, 1, 0));
  for (int c = 0; c < 3; c++) {
    EXPECT_TRUE(vt::VecNear(flat->polys[0].corners[c].normal, 0, 0, 1));
    EXPECT_TRUE(vt::VecNear(flat->polys[1].corners[c].tnormal, 0, 1, 0));
  }
  // The per-vertex records always average every face around the vertex.
  EXPECT_TRUE(vt::VecNear(flat->normals[0].normal, 0, h, h));
  EXPECT_TRUE(vt::VecNear(flat->normals[2].normal, 0, 0, 1));
  EXPECT_EQ(flat->normals[1].stamp, -1);
  EXPECT_EQ(flat->polys[0].corners[1].normalRecord, &flat->normals[1]);
  KR_MeshDelete(flat);

  KR_Mesh* shared = Fold(1, 1);
  // Corners on the shared edge average both faces; the others keep their own face's normal.
  EXPECT_TRUE(vt::VecNear(shared->polys[0].corners[0].normal, 0, h, h));
  EXPECT_TRUE(vt::VecNear(shared->polys[0].corners[1].normal, 0, h, h));
  EXPECT_TRUE(vt::VecNear(shared->polys[1].corners[2].normal, 0, h, h));
  EXPECT_TRUE(vt::VecNear(shared->polys[0].corners[2].normal, 0, 0, 1));
  EXPECT_TRUE(vt::VecNear(shared->polys[1].corners[1].normal, 0, 1, 0));
  KR_MeshDelete(shared);

  KR_Mesh* apart = Fold(1, 2);
  EXPECT_TRUE(vt::VecNear(apart->polys[0].corners[0].normal, 0, 0, 1));
  EXPECT_TRUE(vt::VecNear(apart->polys[1].corners[0].normal, 0, 1, 0));
  KR_MeshDelete(apart);

  KR_Mesh* overlap = Fold(3, 6);  // share bit 2
  EXPECT_TRUE(vt::VecNear(overlap->polys[1].corners[0].normal, 0, h, h));
  KR_MeshDelete(overlap);

  KR_Mesh* oneSided = Fold(1, 0);  // the flat polygon does not join the smooth one's average
  EXPECT_TRUE(vt::VecNear(oneSided->polys[0].corners[0].normal, 0, 0, 1));
  EXPECT_TRUE(vt::VecNear(oneSided->polys[1].corners[0].normal, 0, 1, 0));
  KR_MeshDelete(oneSided);
}

TEST(MeshNormals, DegeneratePolygonGetsAZeroNormalNotNaN) {
  KR_Mesh* m = vt::BuildMesh("d", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}}, {{{0, 1, 2}, 1}, {{0, 1, 3}, 1}});
  KR_MeshVertexPolysGet(m);
  ASSERT_EQ(KR_MeshGenerateNormals(m), 1);
  EXPECT_TRUE(vt::VecNear(m->polys[0].normal, 0, 0, 0));
  // Its neighbour's smoothed normal is not poisoned.
  EXPECT_TRUE(vt::VecNear(m->polys[1].corners[0].normal, 0, 0, 1));
  EXPECT_TRUE(vt::VecNear(m->normals[2].normal, 0, 0, 0));
  KR_MeshDelete(m);
}

TEST(MeshVertexPolys, ListsFollowPolygonOrderOncePerPolygon) {
  KR_Mesh* m = vt::BuildMesh("l", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 5, 5}},
                             {{{0, 1, 2}}, {{2, 1, 0}}, {{0, 0, 1}}});
  ASSERT_EQ(KR_MeshVertexPolysGet(m), 1);
  ASSERT_EQ(m->vertices[0].polyCount, 3);
  for (int i = 0; i < 3; i++) EXPECT_EQ(m->vertices[0].polys[i], &m->polys[i]);
  EXPECT_EQ(m->vertices[2].polyCount, 2);
  EXPECT_EQ(m->vertices[3].polyCount, 0);  // unused vertex
  EXPECT_EQ(m->vertices[3].polys, nullptr);
  ASSERT_EQ(KR_MeshVertexPolysGet(m), 1);  // a second run replaces the lists
  EXPECT_EQ(m->vertices[0].polyCount, 3);
  KR_MeshDelete(m);
}

TEST(MeshBox, CornersInTheirOrder) {
  KR_Mesh* m = vt::BuildMesh("b", {{1, 2, 3}, {-1, 5, 0}, {4, -2, 1}}, {});
  ASSERT_EQ(KR_MeshGenerateBoundingBox(m), 1);
  EXPECT_TRUE(vt::VecNear(m->box[0], -1, 5, 3));
  EXPECT_TRUE(vt::VecNear(m->box[1], 4, 5, 3));
  EXPECT_TRUE(vt::VecNear(m->box[2], 4, -2, 3));
  EXPECT_TRUE(vt::VecNear(m->box[3], -1, -2, 3));
  EXPECT_TRUE(vt::VecNear(m->box[4], -1, -2, 0));
  EXPECT_TRUE(vt::VecNear(m->box[5], 4, -2, 0));
  EXPECT_TRUE(vt::VecNear(m->box[6], 4, 5, 0));
  EXPECT_TRUE(vt::VecNear(m->box[7], -1, 5, 0));
  KR_MeshDelete(m);

  KR_Mesh* empty = vt::BuildMesh("e", {}, {});
  EXPECT_EQ(KR_MeshGenerateBoundingBox(empty), 1);
  EXPECT_TRUE(vt::VecNear(empty->box[6], 0, 0, 0));
  KR_MeshDelete(empty);
}

TEST(MeshTransform, InvalidMeshIsRefusedAndUnchanged) {
  vt::ErrorLog log;
  KR_Mesh* m = vt::BuildMesh("v", {{1, 2, 3}}, {});
  m->vertices[0].tposition = {7, 7, 7};
  m->valid = 0;
  KR_Matrix t = vt::Translation(10, 0, 0);
  EXPECT_EQ(KR_MeshTransformAbsolute(m, &t), 0);
  EXPECT_TRUE(log.Has("KR_MeshTransform - incomplete meshes not supported yet"));
  EXPECT_TRUE(vt::VecNear(m->vertices[0].tposition, 7, 7, 7));
  KR_MeshForceValidate(m);
  EXPECT_EQ(KR_MeshTransformAbsolute(m, &t), 1);
  EXPECT_TRUE(vt::VecNear(m->vertices[0].tposition, 11, 2, 3));
  EXPECT_EQ(KR_MeshTransformAbsolute(nullptr, &t), 0);
  EXPECT_TRUE(log.Has("KR_MeshTransformAbsolute - no mesh"));
  KR_MeshDelete(m);
}

TEST(MeshTransform, ComposesAndRotatesNormalsOfDynamicMeshesOnly) {
  KR_Mesh* m = Fold(0, 0);
  KR_MeshGenerateBoundingBox(m);
  KR_Matrix scaleTwice;
  KR_MatScale(&scaleTwice, 2, 2, 2);
  KR_Matrix rotZ;
  KR_MatRotateAxis(&rotZ, float(M_PI / 2), 3);
  KR_Matrix defaultM = vt::Translation(0, 0, 5);
  KR_MeshSetDefaultTransformation(m, &defaultM);
  KR_MeshTransformDefault(m);
  KR_MeshTransformMultiply(m, &rotZ);
  KR_MeshTransformMultiply(m, &scaleTwice);
  ASSERT_EQ(KR_MeshTransform(m), 1);
  // (1, 0, 0) -> translated, turned a quarter about z, scaled.
  KR_Vector expect;
  KR_Matrix all;
  KR_MatMultiply(&all, &defaultM, &rotZ);
  KR_MatMultiply(&all, &all, &scaleTwice);
  KR_VecTransform(&expect, &m->vertices[1].position, &all);
  EXPECT_TRUE(vt::VecNear(m->vertices[1].tposition, expect.x, expect.y, expect.z));
  // Face normals use the normalised rows (unit length); corner normals the full matrix.
  KR_Vector faceB;
  KR_VecRotate(&faceB, &m->polys[1].normal, &rotZ);
  EXPECT_TRUE(vt::VecNear(m->polys[1].tnormal, faceB.x, faceB.y, faceB.z, 1e-4f));
  EXPECT_NEAR(KR_VecLength(&m->polys[1].corners[0].tnormal), 2.0f, 1e-4f);
  EXPECT_NEAR(KR_VecLength(&m->normals[0].tnormal), 1.0f, 1e-4f);
  KR_VecTransform(&expect, &m->box[0], &all);
  EXPECT_TRUE(vt::VecNear(m->tbox[0], expect.x, expect.y, expect.z));

  // A static mesh keeps its world-space corner and vertex normals.
  m->dynamic = 0;
  m->polys[1].corners[0].tnormal = {0, 9, 0};
  m->normals[0].tnormal = {9, 0, 0};
  ASSERT_EQ(KR_MeshTransform(m), 1);
  EXPECT_TRUE(vt::VecNear(m->polys[1].corners[0].tnormal, 0, 9, 0));
  EXPECT_TRUE(vt::VecNear(m->normals[0].tnormal, 9, 0, 0));
  EXPECT_TRUE(vt::VecNear(m->polys[1].tnormal, faceB.x, faceB.y, faceB.z, 1e-4f));
  KR_MeshDelete(m);
}

KR_Mesh* SkinnedPair(KR_Node* bone) {
  KR_Mesh* m = vt::BuildMesh("skin", {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {{{0, 1, 2}}});
  EXPECT_EQ(KR_MeshCreateBlended(m, 2), 1);
  KR_MeshBnodeSetName(KR_MeshBnodeGetNew(m), "bone");
  KR_MeshBnodeSetName(KR_MeshBnodeGetNew(m), "unbound");
  const KR_Vector offsets[3] = {{1, 2, 3}, {0, 1, 0}, {4, 0, 0}};
  for (int i = 0; i < 3; i++) {
    KR_MeshBlendVertex* bv = KR_MeshBlendVertexGet(m, i);
    KR_MeshBlendVertexInit(bv);
    bv->weights[0] = {offsets[i], 0, nullptr, 1.0f};
    bv->weightCount = 1;
  }
  // Vertex 1 is split evenly between the bound bone and one without a node.
  KR_MeshBlendVertex* half = KR_MeshBlendVertexGet(m, 1);
  half->weights[0].weight = 0.5f;
  half->weights[1] = {{0, 1, 0}, 1, nullptr, 0.5f};
  half->weightCount = 2;
  m->bnodes[0].node = bone;
  return m;
}

TEST(MeshSkin, WeightOnTranslatedBoneEndsAtOffsetPlusTranslation) {
  KR_Node* bone = KR_NodeNew("bone");
  bone->matrix = vt::Translation(10, 20, 30);
  KR_Mesh* m = SkinnedPair(bone);
  ASSERT_EQ(KR_MeshUpdateBlended(m), 1);
  EXPECT_TRUE(vt::VecNear(m->vertices[0].position, 11, 22, 33));
  EXPECT_TRUE(vt::VecNear(m->blendVertices[0].result, 11, 22, 33));
  // Half of (0, 1, 0) + T and half of (0, 1, 0) on the identity.
  EXPECT_TRUE(vt::VecNear(m->vertices[1].position, 5, 11, 15));
  // Normals and the box follow the new positions.
  EXPECT_TRUE(vt::VecNear(m->box[1], 14, 22, 33));
  ASSERT_NE(m->normals, nullptr);
  EXPECT_NEAR(KR_VecLength(&m->polys[0].normal), 1.0f, 1e-5f);

  // The bone matrix is the node's with its rows normalised: scale is dropped.
  KR_MatScale(&bone->matrix, 3, 3, 3);
  bone->matrix.m[12] = 1;
  ASSERT_EQ(KR_MeshUpdateBlended(m), 1);
  EXPECT_TRUE(vt::VecNear(m->vertices[2].position, 5, 0, 0));
  KR_MeshDelete(m);
  KR_Free(bone);

  vt::ErrorLog log;
  KR_Mesh* plain = vt::BuildMesh("plain", {{0, 0, 0}}, {});
  EXPECT_EQ(KR_MeshUpdateBlended(plain), 0);
  EXPECT_TRUE(log.Has("KR_MeshUpdateBlended - mesh not blended"));
  KR_MeshDelete(plain);
}

TEST(MeshLight, CornersAddFacingFallOffLight) {
  KR_Mesh* m = vt::BuildMesh("lit", {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}}, {{{0, 1, 2}}});
  KR_MeshGenerateNormals(m);
  KR_MeshTransformIdentity(m);
  KR_MeshTransform(m);
  KR_MeshPoly* p = &m->polys[0];
  const float black[4] = {0, 0, 0, 1};
  KR_MeshPolySetColour(p, black);

  KR_Light* l = KR_LightNew("l");
  const float colour[4] = {1, 0.5f, 0.25f, 0};
  KR_Vector above{0, 0, 5};
  KR_LightCreate(l, &above, colour);
  KR_LightResetTransformation(l);
  KR_LightApplyTransformation(l);
  ASSERT_EQ(KR_MeshPolyLight(p, l), 1);
  // Straight above corner 0: full cosine; corner 1 at distance sqrt(125), cosine 5/sqrt(125).
  EXPECT_NEAR(p->corners[0].colour[0], 1.0f, 1e-5f);
  EXPECT_NEAR(p->corners[0].colour[1], 0.5f, 1e-5f);
  EXPECT_NEAR(p->corners[1].colour[2], 0.25f * 5.0f / std::sqrt(125.0f), 1e-5f);
  EXPECT_EQ(p->corners[0].colour[3], 1.0f);

  // Linear fall-off over range 10: corner 0 at distance 5 gets half; the others are out of range.
  KR_MeshPolySetColour(p, black);
  KR_LightSetRange(l, 1, 10);
  ASSERT_EQ(KR_MeshPolyLight(p, l), 1);
  EXPECT_NEAR(p->corners[0].colour[0], 0.5f, 1e-5f);
  EXPECT_EQ(p->corners[1].colour[0], 0.0f);
  // Quadratic: 1 - 25/100.
  KR_MeshPolySetColour(p, black);
  KR_LightSetRange(l, 2, 10);
  EXPECT_EQ(l->range2, 100.0f);
  KR_MeshPolyLight(p, l);
  EXPECT_NEAR(p->corners[0].colour[0], 0.75f, 1e-5f);

  // Behind the polygon nothing is lit; a light on a vertex lights nothing there.
  KR_MeshPolySetColour(p, black);
  KR_LightSetRange(l, 0, 0);
  l->tposition = {0, 0, -5};
  EXPECT_EQ(KR_MeshPolyLight(p, l), 0);
  l->tposition = {0, 0, 0};
  KR_MeshPolyLight(p, l);
  EXPECT_EQ(p->corners[0].colour[0], 0.0f);
  EXPECT_FALSE(std::isnan(p->corners[0].colour[0]));

  // A static polygon is lit from the light's own position in object space.
  p->isStatic = 1;
  l->position = {0, 0, 2};
  KR_MeshPolySetColour(p, black);
  EXPECT_EQ(KR_MeshPolyLight(p, l), 1);
  EXPECT_NEAR(p->corners[0].colour[0], 1.0f, 1e-5f);
  KR_Free(l);
  KR_MeshDelete(m);
}

}  // namespace
