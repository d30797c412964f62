// Keyframe tracks (positions and rotations sampled by time), nodes and keyframe scenes, and
// their binding to the meshes, lights and cameras of a scene.
#pragma once

#include "base/kr_math.h"

struct KR_Scene;

struct KR_TrackVecKey {
  float time;
  KR_Vector value;
};

struct KR_TrackVec {
  float lastTime;  // wrapped time of the last evaluation
  KR_Vector value;  // result of the last evaluation
  int lastIndex;   // key found by the last evaluation
  float length;    // time of the last key added
  int count, capacity;
  KR_TrackVecKey* keys;
};

struct KR_TrackMatRotKey {
  float time;
  KR_Vector row0, row1, row2;  // rows of a 3x3 rotation
};

struct KR_TrackMatRot {
  float lastTime;
  KR_Matrix matrix;  // result of the last evaluation
  int lastIndex;
  float length;
  int count, capacity;
  KR_TrackMatRotKey* keys;
};

struct KR_Node {
  char name[256];
  KR_Matrix matrix;  // absolute transformation after the last update
  int hasPosition;
  KR_TrackVec position;
  int hasRotation;
  KR_TrackMatRot rotation;
};

struct KR_KfScene {
  char name[256];
  int nodeCount, nodeCapacity;
  KR_Node** nodes;
};

// Tracks. Create returns 0 when the keys cannot be allocated; AddKey refuses a key beyond the
// capacity. A track with fewer than two keys evaluates to its one key (or zero / the identity).
int KR_TrackVecCreate(KR_TrackVec* t, int capacity);
int KR_TrackVecAddKey(KR_TrackVec* t, const KR_TrackVecKey* key);
int KR_TrackVecUpdate(KR_TrackVec* t, float time);
int KR_TrackMatRotCreate(KR_TrackMatRot* t, int capacity);
int KR_TrackMatRotAddKey(KR_TrackMatRot* t, const KR_TrackMatRotKey* key);
int KR_TrackMatRotUpdate(KR_TrackMatRot* t, float time);

KR_Node* KR_NodeNew(const char* name);
int KR_NodeUpdate(KR_Node* n, float time);

KR_KfScene* KR_KfSceneNew(const char* name);
int KR_KfSceneCreateNodes(KR_KfScene* s, int n);
int KR_KfSceneAddNode(KR_KfScene* s, KR_Node* node);
KR_Node* KR_KfSceneFindNode(KR_KfScene* s, const char* name);
int KR_KfSceneUpdate(KR_KfScene* s, float time);
// Frees the keyframe scene, its nodes and their keys (tools and tests).
int KR_KfSceneDelete(KR_KfScene* s);

int KR_SceneBindKfScene(KR_Scene* scene, KR_KfScene* kf);
int KR_SceneApplyKfScene(KR_Scene* scene);
