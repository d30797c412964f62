// Scenes, cameras and lights; keyframe tracks, nodes, and a scene bound to and driven by a
// keyframe scene.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/kr_keyframe.h"
#include "engine/kr_memory.h"
#include "engine/kr_mesh.h"
#include "engine/kr_scene.h"
#include "tests/engine/scene_builders.h"
#include "tests/support/test_util.h"

namespace {

TEST(Scene, ListsHaveFixedCapacities) {
  vt::ErrorLog log;
  KR_Scene* s = KR_SceneNew("s");
  ASSERT_NE(s, nullptr);
  EXPECT_STREQ(s->name, "s");
  EXPECT_EQ(s->lightCount, 0);
  ASSERT_EQ(KR_SceneCreateLights(s, 0), 1);
  KR_Light* l = KR_LightNew("l");
  EXPECT_EQ(KR_SceneAddLight(s, l), 0);
  EXPECT_TRUE(log.Has("KR_SceneAddLight - no room for light"));
  EXPECT_EQ(s->lightCount, 0);
  ASSERT_EQ(KR_SceneCreateLights(s, 1), 1);
  EXPECT_EQ(KR_SceneAddLight(s, l), 1);

  ASSERT_EQ(KR_SceneCreateMaterials(s, 1), 1);
  auto* fake = reinterpret_cast<GFX_Material*>(&log);  // only stored, never read
  EXPECT_EQ(KR_SceneAddMaterial(s, fake), 1);
  EXPECT_EQ(KR_SceneAddMaterial(s, fake), 0);
  EXPECT_TRUE(log.Has("KR_SceneAddMaterial - no room for material"));
  EXPECT_EQ(KR_SceneGetMaterial(s, 0), fake);
  EXPECT_EQ(KR_SceneGetMaterial(s, -1), nullptr);
  EXPECT_TRUE(log.Has("KR_SceneGetMaterial - material out of range (-1)"));
  EXPECT_EQ(KR_SceneGetMaterial(s, 1), nullptr);
  EXPECT_TRUE(log.Has("KR_SceneGetMaterial - material out of range (1)"));
  EXPECT_EQ(KR_SceneAddLightmap(s, fake), 0);
  EXPECT_TRUE(log.Has("KR_SceneAddLightmap - no room for material"));
  s->materialCount = 0;  // the fake is not a material to release

  EXPECT_EQ(KR_SceneCreateMeshes(nullptr, 1), 0);
  EXPECT_TRUE(log.Has("KR_SceneCreateMeshes - no scene"));
  EXPECT_EQ(KR_SceneAddMaterial(nullptr, fake), 0);
  EXPECT_EQ(KR_SceneCreateCameras(s, -1), 0);
  KR_SceneDelete(s);
}

TEST(Light, RangeTransformAndReset) {
  vt::ErrorLog log;
  KR_Light* l = KR_LightNew("lamp");
  const float colour[4] = {0.1f, 0.2f, 0.3f, 0.0f};
  KR_Vector base{1, 2, 3};
  ASSERT_EQ(KR_LightCreate(l, &base, colour), 1);
  EXPECT_TRUE(vt::VecNear(l->localOrigin, 1, 2, 3));
  EXPECT_EQ(l->rangeMode, 0);
  ASSERT_EQ(KR_LightSetRange(l, 2, 10), 1);
  EXPECT_EQ(l->range2, 100.0f);

  KR_LightResetTransformation(l);
  KR_Matrix t = vt::Translation(0, 0, 10);
  KR_LightMultiply(l, &t);
  ASSERT_EQ(KR_LightApplyTransformation(l), 1);
  EXPECT_TRUE(vt::VecNear(l->tposition, 1, 2, 13));
  EXPECT_TRUE(vt::VecNear(l->localOrigin, 0, 0, 0));
  KR_LightResetTransformation(l);
  KR_LightApplyTransformation(l);
  EXPECT_TRUE(vt::VecNear(l->tposition, 1, 2, 3));
  KR_LightIdentity(l);
  KR_LightApplyTransformation(l);
  EXPECT_TRUE(vt::VecNear(l->tposition, 0, 0, 0));

  EXPECT_EQ(KR_LightTransform(nullptr, &t), 0);
  EXPECT_TRUE(log.Has("KR_LightSetRange - no light"));
  EXPECT_EQ(KR_LightCreate(nullptr, &base, colour), 0);
  EXPECT_TRUE(log.Has("KR_LightCreate - no light"));
  KR_Free(l);
}

TEST(Camera, DefaultsAndSetters) {
  KR_Camera* c = KR_CameraNew("cam");
  EXPECT_EQ(c->node, nullptr);
  KR_Vector p{1, 2, 3}, t{4, 5, 6};
  ASSERT_EQ(KR_CameraCreate(c, &p, &t), 1);
  EXPECT_EQ(c->fov, 60.0f);
  EXPECT_EQ(c->roll, 0.0f);
  KR_CameraSetFov(c, 45);
  KR_CameraSetRoll(c, 0.5f);
  EXPECT_EQ(c->fov, 45.0f);
  EXPECT_EQ(c->roll, 0.5f);
  EXPECT_TRUE(vt::VecNear(c->target, 4, 5, 6));
  KR_Free(c);
}

KR_TrackVec ZeroToTen() {
  KR_TrackVec t;
  EXPECT_EQ(KR_TrackVecCreate(&t, 2), 1);
  KR_TrackVecKey k0{0, {0, 0, 0}}, k1{10, {10, 20, 30}};
  KR_TrackVecAddKey(&t, &k0);
  KR_TrackVecAddKey(&t, &k1);
  return t;
}

TEST(Track, InterpolatesAndLoopsWithTheLastKeyTime) {
  KR_TrackVec t = ZeroToTen();
  EXPECT_EQ(t.length, 10.0f);
  KR_TrackVecUpdate(&t, 5);
  EXPECT_TRUE(vt::VecNear(t.value, 5, 10, 15));
  KR_TrackVecUpdate(&t, 10);
  EXPECT_TRUE(vt::VecNear(t.value, 10, 20, 30));
  KR_TrackVecUpdate(&t, 12);
  EXPECT_TRUE(vt::VecNear(t.value, 2, 4, 6));
  EXPECT_EQ(t.lastTime, 2.0f);
  KR_TrackVecUpdate(&t, -3);
  EXPECT_TRUE(vt::VecNear(t.value, 0, 0, 0));
  KR_TrackVecUpdate(&t, std::numeric_limits<float>::quiet_NaN());
  EXPECT_TRUE(vt::VecNear(t.value, 0, 0, 0));
  // A full capacity refuses further keys.
  KR_TrackVecKey extra{20, {1, 1, 1}};
  EXPECT_EQ(KR_TrackVecAddKey(&t, &extra), 0);
  EXPECT_EQ(t.count, 2);
  KR_Free(t.keys);
}

TEST(Track, BackwardsTimeRestartsTheSearchAtKeyZero) {
  KR_TrackVec t;
  KR_TrackVecCreate(&t, 4);
  const float times[4] = {0, 4, 6, 10};
  const float values[4] = {0, 40, 60, 0};
  for (int i = 0; i < 4; i++) {
    KR_TrackVecKey k{times[i], {values[i], 0, 0}};
    KR_TrackVecAddKey(&t, &k);
  }
  KR_TrackVecUpdate(&t, 8);
  EXPECT_EQ(t.lastIndex, 2);
  EXPECT_TRUE(vt::VecNear(t.value, 30, 0, 0));
  KR_TrackVecUpdate(&t, 3);
  EXPECT_EQ(t.lastIndex, 0);
  EXPECT_TRUE(vt::VecNear(t.value, 30, 0, 0));
  KR_TrackVecUpdate(&t, 5);
  EXPECT_EQ(t.lastIndex, 1);
  EXPECT_TRUE(vt::VecNear(t.value, 50, 0, 0));
  KR_Free(t.keys);

  // A first key after time 0: earlier times use the last pair, extrapolated.
  KR_TrackVecCreate(&t, 3);
  KR_TrackVecKey a{2, {2, 0, 0}}, b{4, {4, 0, 0}}, c{6, {8, 0, 0}};
  KR_TrackVecAddKey(&t, &a);
  KR_TrackVecAddKey(&t, &b);
  KR_TrackVecAddKey(&t, &c);
  KR_TrackVecUpdate(&t, 1);
  EXPECT_EQ(t.lastIndex, 1);
  EXPECT_TRUE(vt::VecNear(t.value, -2, 0, 0));
  KR_Free(t.keys);
}

TEST(Track, ShortTracksAndEqualTimesNeverDivideByZero) {
  KR_TrackVec t;
  KR_TrackVecCreate(&t, 2);
  KR_TrackVecUpdate(&t, 3);
  EXPECT_TRUE(vt::VecNear(t.value, 0, 0, 0));  // no keys
  KR_TrackVecKey only{5, {1, 2, 3}};
  KR_TrackVecAddKey(&t, &only);
  KR_TrackVecUpdate(&t, 9);
  EXPECT_TRUE(vt::VecNear(t.value, 1, 2, 3));
  KR_TrackVecKey same{5, {7, 7, 7}};
  KR_TrackVecAddKey(&t, &same);
  KR_TrackVecUpdate(&t, 4);
  EXPECT_TRUE(vt::VecNear(t.value, 1, 2, 3));
  KR_TrackVecUpdate(&t, 5);
  EXPECT_TRUE(vt::VecNear(t.value, 7, 7, 7));
  KR_TrackVecUpdate(&t, 11);  // loops to 1
  EXPECT_TRUE(vt::VecNear(t.value, 1, 2, 3));
  KR_Free(t.keys);

  // Everything at time 0: no period to loop with.
  KR_TrackVecCreate(&t, 2);
  KR_TrackVecKey z0{0, {1, 0, 0}}, z1{0, {2, 0, 0}};
  KR_TrackVecAddKey(&t, &z0);
  KR_TrackVecAddKey(&t, &z1);
  KR_TrackVecUpdate(&t, 7);
  EXPECT_TRUE(vt::VecNear(t.value, 2, 0, 0));

  KR_TrackMatRot r;
  KR_TrackMatRotCreate(&r, 1);
  KR_TrackMatRotUpdate(&r, 3);
  EXPECT_EQ(r.matrix.m[0], 1.0f);
  EXPECT_EQ(r.matrix.m[5], 1.0f);
  KR_Free(t.keys);
  KR_Free(r.keys);
}

TEST(Track, RotationRowsBlendLinearlyWithoutRenormalising) {
  KR_TrackMatRot r;
  ASSERT_EQ(KR_TrackMatRotCreate(&r, 2), 1);
  KR_TrackMatRotKey identity{0, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  KR_TrackMatRotKey quarter{10, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1}};
  KR_TrackMatRotAddKey(&r, &identity);
  KR_TrackMatRotAddKey(&r, &quarter);
  r.matrix.m[3] = 42;  // elements outside the rows are left alone
  KR_TrackMatRotUpdate(&r, 5);
  EXPECT_FLOAT_EQ(r.matrix.m[0], 0.5f);
  EXPECT_FLOAT_EQ(r.matrix.m[1], 0.5f);
  EXPECT_FLOAT_EQ(r.matrix.m[4], -0.5f);
  EXPECT_FLOAT_EQ(r.matrix.m[5], 0.5f);
  EXPECT_FLOAT_EQ(r.matrix.m[10], 1.0f);
  EXPECT_EQ(r.matrix.m[3], 42.0f);
  KR_Vector row0{r.matrix.m[0], r.matrix.m[1], r.matrix.m[2]};
  EXPECT_NEAR(KR_VecLength(&row0), std::sqrt(0.5f), 1e-6f);
  KR_Free(r.keys);
}

TEST(Node, TracksMakeTheMatrix) {
  KR_Node* n = KR_NodeNew("n");
  EXPECT_EQ(n->hasPosition, 0);
  EXPECT_EQ(n->hasRotation, 0);
  n->matrix.m[12] = 99;
  KR_NodeUpdate(n, 3);
  KR_Matrix identity;
  KR_MatIdentity(&identity);
  for (int i = 0; i < 16; i++) EXPECT_EQ(n->matrix.m[i], identity.m[i]);

  n->position = ZeroToTen();
  n->hasPosition = 1;
  KR_TrackMatRotCreate(&n->rotation, 2);
  KR_TrackMatRotKey k0{0, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}, k1{10, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1}};
  KR_TrackMatRotAddKey(&n->rotation, &k0);
  KR_TrackMatRotAddKey(&n->rotation, &k1);
  n->hasRotation = 1;
  KR_NodeUpdate(n, 5);
  EXPECT_EQ(n->matrix.m[1], 1.0f);
  EXPECT_EQ(n->matrix.m[4], -1.0f);
  EXPECT_TRUE(vt::VecNear({n->matrix.m[12], n->matrix.m[13], n->matrix.m[14]}, 5, 10, 15));

  KR_KfScene* kf = KR_KfSceneNew("kf");
  ASSERT_EQ(KR_KfSceneCreateNodes(kf, 1), 1);
  ASSERT_EQ(KR_KfSceneAddNode(kf, n), 1);
  vt::ErrorLog log;
  EXPECT_EQ(KR_KfSceneAddNode(kf, n), 0);
  EXPECT_TRUE(log.Has("KR_KfSceneAddNode - no room for node"));
  EXPECT_EQ(KR_KfSceneFindNode(kf, "n"), n);
  EXPECT_EQ(KR_KfSceneFindNode(kf, "N"), nullptr);  // names are case-sensitive
  KR_KfSceneUpdate(kf, 12);
  EXPECT_TRUE(vt::VecNear({n->matrix.m[12], n->matrix.m[13], n->matrix.m[14]}, 2, 4, 6));
  KR_KfSceneDelete(kf);
}

// A scene of one mesh, one skinned mesh, two lights and a camera, bound to nodes by name.
struct BoundScene {
  KR_Scene* scene = KR_SceneNew("bound");
  KR_KfScene* kf = KR_KfSceneNew("kf");
  KR_Node* Add(const char* name, float x, float y, float z) {
    KR_Node* n = KR_NodeNew(name);
    n->matrix = vt::Translation(x, y, z);
    KR_KfSceneAddNode(kf, n);
    return n;
  }
  BoundScene() {
    KR_KfSceneCreateNodes(kf, 8);
    KR_SceneCreateMeshes(scene, 2);
    KR_SceneCreateLights(scene, 2);
    KR_SceneCreateCameras(scene, 2);
  }
  ~BoundScene() {
    KR_SceneDelete(scene);
    KR_KfSceneDelete(kf);
  }
};

TEST(KfScene, BindsByNameAndApplies) {
  BoundScene b;
  KR_Node* boxNode = b.Add("box", 1, 0, 0);
  KR_Node* boneNode = b.Add("bone", 0, 5, 0);
  KR_Node* fixedNode = b.Add("fixed", 50, 50, 50);
  KR_Node* movingNode = b.Add("moving", 7, 8, 9);
  KR_Node* camNode = b.Add("cam", 0, 0, -10);
  KR_Node* targetNode = b.Add("cam.Target", 0, 0, 0);

  KR_Mesh* box = vt::BuildMesh("box", {{0, 0, 0}}, {});
  KR_Mesh* loose = vt::BuildMesh("loose", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{{0, 1, 2}}});
  KR_MeshCreateBlended(loose, 1);
  KR_MeshBnodeSetName(KR_MeshBnodeGetNew(loose), "bone");
  for (int i = 0; i < 3; i++) {
    KR_MeshBlendVertex* bv = KR_MeshBlendVertexGet(loose, i);
    KR_MeshBlendVertexInit(bv);
    bv->weights[0] = {loose->vertices[i].position, 0, nullptr, 1.0f};
    bv->weightCount = 1;
  }
  KR_Matrix before = vt::Translation(0, 0, 3);
  loose->transformation = before;
  KR_SceneAddMesh(b.scene, box);
  KR_SceneAddMesh(b.scene, loose);

  const float white[4] = {1, 1, 1, 0};
  KR_Light* fixed = KR_LightNew("fixed");
  KR_Vector fixedAt{1, 2, 3};
  KR_LightCreate(fixed, &fixedAt, white);
  fixed->isStatic = 1;
  KR_Light* moving = KR_LightNew("moving");
  KR_LightCreate(moving, &fixedAt, white);
  KR_SceneAddLight(b.scene, fixed);
  KR_SceneAddLight(b.scene, moving);

  KR_Camera* cam = KR_CameraNew("cam");
  KR_Camera* other = KR_CameraNew("other");
  KR_SceneAddCamera(b.scene, cam);
  KR_SceneAddCamera(b.scene, other);

  ASSERT_EQ(KR_SceneBindKfScene(b.scene, b.kf), 1);
  EXPECT_EQ(box->node, boxNode);
  EXPECT_EQ(loose->node, nullptr);
  EXPECT_EQ(loose->bnodes[0].node, boneNode);
  EXPECT_EQ(loose->blendVertices[2].weights[0].bone, &loose->bnodes[0]);
  EXPECT_EQ(fixed->node, fixedNode);
  EXPECT_EQ(cam->node, camNode);
  EXPECT_EQ(cam->targetNode, targetNode);
  EXPECT_EQ(other->node, nullptr);
  EXPECT_EQ(other->targetNode, nullptr);

  ASSERT_EQ(KR_SceneApplyKfScene(b.scene), 1);
  EXPECT_EQ(box->transformation.m[12], 1.0f);
  EXPECT_EQ(box->nodeTransformation.m[12], 1.0f);
  // The skinned mesh is rebuilt in world space and drawn untransformed.
  EXPECT_TRUE(vt::VecNear(loose->vertices[1].position, 1, 5, 0));
  EXPECT_EQ(loose->transformation.m[14], 0.0f);
  // The static light drives its node; the moving one follows its node.
  EXPECT_TRUE(vt::VecNear({fixedNode->matrix.m[12], fixedNode->matrix.m[13], fixedNode->matrix.m[14]}, 1, 2, 3));
  EXPECT_EQ(fixedNode->matrix.m[0], 1.0f);
  EXPECT_TRUE(vt::VecNear(moving->position, 7, 8, 9));
  KR_LightApplyTransformation(moving);
  EXPECT_TRUE(vt::VecNear(moving->tposition, 7, 8, 9));
  KR_LightApplyTransformation(fixed);
  EXPECT_TRUE(vt::VecNear(fixed->tposition, 1, 2, 3));
  (void)movingNode;
}

}  // namespace
