// Scenes and lights; keyframe tracks and nodes; a scene bound to and driven by a keyframe
// scene.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/kr_memory.h"
#include "engine/kr_keyframe.h"
#include "engine/kr_mesh.h"
#include "engine/kr_scene.h"
#include "tests/engine/scene_builders.h"
#include "tests/support/test_util.h"

namespace {

TEST(Scene, FixedCapacitiesAndMaterialIndices) {
  vt::ErrorLog log;
  KR_Scene* s = KR_SceneNew("s");
  ASSERT_EQ(KR_SceneCreateLights(s, 0), 1);
  EXPECT_EQ(KR_SceneAddLight(s, nullptr), 0);
  EXPECT_TRUE(log.Has("KR_SceneAddLight - no room for light"));
  EXPECT_EQ(KR_SceneGetMaterial(s, -1), nullptr);
  EXPECT_EQ(KR_SceneGetMaterial(s, s->materialCount), nullptr);
  EXPECT_EQ(log.messages.back(), "KR_SceneGetMaterial - material out of range (0)");
  EXPECT_EQ(KR_SceneCreateCameras(s, -1), 0);
  KR_SceneDelete(s);
}

TEST(Light, RangeResetAndApply) {
  KR_Light* l = KR_LightNew("lamp");
  const float colour[4] = {0.1f, 0.2f, 0.3f, 0.0f};
  KR_Vector base{1, 2, 3};
  ASSERT_EQ(KR_LightCreate(l, &base, colour), 1);
  ASSERT_EQ(KR_LightSetRange(l, 2, 10), 1);
  EXPECT_EQ(l->range2, 100.0f);
  KR_LightResetTransformation(l);
  KR_Matrix t = vt::Translation(0, 0, 10);
  KR_LightMultiply(l, &t);
  ASSERT_EQ(KR_LightApplyTransformation(l), 1);
  EXPECT_TRUE(vt::VecNear(l->tposition, 1, 2, 13));
  KR_LightResetTransformation(l);
  KR_LightApplyTransformation(l);
  EXPECT_TRUE(vt::VecNear(l->tposition, 1, 2, 3));
  KR_Free(l);
}

// A position track with keys at the given times; key i has the value (value[i], 0, 0).
KR_TrackVec Track(std::initializer_list<std::pair<float, float>> keys) {
  KR_TrackVec t;
  EXPECT_EQ(KR_TrackVecCreate(&t, int(keys.size())), 1);
  for (auto [time, x] : keys) {
    KR_TrackVecKey k{time, {x, 0, 0}};
    KR_TrackVecAddKey(&t, &k);
  }
  return t;
}

float At(KR_TrackVec& t, float time) {
  KR_TrackVecUpdate(&t, time);
  return t.value.x;
}

TEST(Track, InterpolatesLoopsAndRestartsBackwards) {
  KR_TrackVec t = Track({{0, 0}, {10, 10}});
  EXPECT_EQ(At(t, 5), 5.0f);
  EXPECT_EQ(At(t, 10), 10.0f);
  EXPECT_FLOAT_EQ(At(t, 12), 2.0f);  // loops with the last key's time
  EXPECT_EQ(At(t, -3), 0.0f);
  EXPECT_EQ(At(t, std::numeric_limits<float>::quiet_NaN()), 0.0f);
  KR_TrackVecKey extra{20, {1, 1, 1}};
  EXPECT_EQ(KR_TrackVecAddKey(&t, &extra), 0);  // past the capacity
  KR_Free(t.keys);

  KR_TrackVec four = Track({{0, 0}, {4, 40}, {6, 60}, {10, 0}});
  EXPECT_EQ(At(four, 8), 30.0f);
  EXPECT_EQ(four.lastIndex, 2);
  EXPECT_EQ(At(four, 3), 30.0f);  // earlier than the last time: the search starts at key 0
  EXPECT_EQ(four.lastIndex, 0);
  EXPECT_EQ(At(four, 5), 50.0f);
  KR_Free(four.keys);

  // A time before the first key uses the last pair, extrapolated.
  KR_TrackVec late = Track({{2, 2}, {4, 4}, {6, 8}});
  EXPECT_EQ(At(late, 1), -2.0f);
  KR_Free(late.keys);
}

TEST(Track, ShortTracksAndEqualTimesNeverDivideByZero) {
  KR_TrackVec none = Track({});
  EXPECT_EQ(At(none, 3), 0.0f);
  KR_TrackVec one = Track({{5, 1}});
  EXPECT_EQ(At(one, 9), 1.0f);
  KR_TrackVec same = Track({{5, 1}, {5, 7}});
  EXPECT_EQ(At(same, 4), 1.0f);
  EXPECT_EQ(At(same, 5), 7.0f);
  EXPECT_EQ(At(same, 11), 1.0f);  // loops to 1
  KR_TrackVec zero = Track({{0, 1}, {0, 2}});
  EXPECT_EQ(At(zero, 7), 2.0f);  // no period to loop with
  for (KR_TrackVec* t : {&none, &one, &same, &zero}) KR_Free(t->keys);
  KR_TrackMatRot r;
  KR_TrackMatRotCreate(&r, 1);
  KR_TrackMatRotUpdate(&r, 3);
  EXPECT_EQ(r.matrix.m[5], 1.0f);
  KR_Free(r.keys);
}

TEST(Track, RotationRowsBlendLinearlyWithoutRenormalising) {
  KR_TrackMatRot r;
  ASSERT_EQ(KR_TrackMatRotCreate(&r, 2), 1);
  KR_TrackMatRotKey identity{0, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  KR_TrackMatRotKey quarter{10, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1}};
  KR_TrackMatRotAddKey(&r, &identity);
  KR_TrackMatRotAddKey(&r, &quarter);
  KR_TrackMatRotUpdate(&r, 5);
  const float want[12] = {0.5f, 0.5f, 0, 0, -0.5f, 0.5f, 0, 0, 0, 0, 1, 0};
  for (int i = 0; i < 12; i++) EXPECT_FLOAT_EQ(r.matrix.m[i], want[i]) << i;
  KR_Free(r.keys);
}

TEST(KfScene, BindsByNameAndApplies) {
  KR_KfScene* kf = KR_KfSceneNew("kf");
  ASSERT_EQ(KR_KfSceneCreateNodes(kf, 5), 1);
  auto node = [kf](const char* name, float x, float y, float z) {
    KR_Node* n = KR_NodeNew(name);
    n->matrix = vt::Translation(x, y, z);
    KR_KfSceneAddNode(kf, n);
    return n;
  };
  KR_Node* boxNode = node("box", 1, 0, 0);
  KR_Node* boneNode = node("bone", 0, 5, 0);
  KR_Node* fixedNode = node("fixed", 50, 50, 50);
  node("moving", 7, 8, 9);
  KR_Node* targetNode = node("cam.Target", 0, 0, 0);
  EXPECT_EQ(KR_KfSceneFindNode(kf, "BOX"), nullptr);  // names are case-sensitive

  KR_Scene* s = KR_SceneNew("s");
  KR_SceneCreateMeshes(s, 2);
  KR_SceneCreateLights(s, 2);
  KR_SceneCreateCameras(s, 1);
  KR_Mesh* box = vt::BuildMesh("box", {{0, 0, 0}}, {});
  KR_Mesh* skin = vt::BuildMesh("skin", {{0, 0, 0}, {1, 0, 0}}, {});
  KR_MeshCreateBlended(skin, 1);
  KR_MeshBnodeSetName(KR_MeshBnodeGetNew(skin), "bone");
  for (int i = 0; i < 2; i++) {
    KR_MeshBlendVertex* bv = KR_MeshBlendVertexGet(skin, i);
    bv->weights[0] = {skin->vertices[i].position, 0, nullptr, 1.0f};
    bv->weightCount = 1;
  }
  skin->transformation = vt::Translation(0, 0, 3);
  KR_SceneAddMesh(s, box);
  KR_SceneAddMesh(s, skin);
  const float white[4] = {1, 1, 1, 0};
  KR_Vector at{1, 2, 3};
  KR_Light* fixed = KR_LightNew("fixed");
  KR_Light* moving = KR_LightNew("moving");
  KR_LightCreate(fixed, &at, white);
  KR_LightCreate(moving, &at, white);
  fixed->isStatic = 1;
  KR_SceneAddLight(s, fixed);
  KR_SceneAddLight(s, moving);
  KR_Camera* cam = KR_CameraNew("cam");
  KR_SceneAddCamera(s, cam);

  ASSERT_EQ(KR_SceneBindKfScene(s, kf), 1);
  EXPECT_EQ(box->node, boxNode);
  EXPECT_EQ(skin->bnodes[0].node, boneNode);
  EXPECT_EQ(skin->blendVertices[1].weights[0].bone, &skin->bnodes[0]);
  EXPECT_EQ(cam->node, nullptr);
  EXPECT_EQ(cam->targetNode, targetNode);

  ASSERT_EQ(KR_SceneApplyKfScene(s), 1);
  EXPECT_EQ(box->transformation.m[12], 1.0f);
  EXPECT_EQ(box->nodeTransformation.m[12], 1.0f);
  // The skinned mesh is rebuilt in world space and drawn untransformed.
  EXPECT_TRUE(vt::VecNear(skin->vertices[1].position, 1, 5, 0));
  EXPECT_EQ(skin->transformation.m[14], 0.0f);
  // A static light drives its node with a pure translation; a moving one follows its node.
  const float drive[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1};
  for (int i = 0; i < 16; i++) EXPECT_EQ(fixedNode->matrix.m[i], drive[i]) << i;
  EXPECT_TRUE(vt::VecNear(moving->position, 7, 8, 9));
  KR_LightApplyTransformation(moving);
  EXPECT_TRUE(vt::VecNear(moving->tposition, 7, 8, 9));
  KR_SceneDelete(s);
  KR_KfSceneDelete(kf);
}

}  // namespace
