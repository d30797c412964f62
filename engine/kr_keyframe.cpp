// Keyframe tracks, nodes and keyframe scenes; binding a scene to a keyframe scene by name and
// applying the sampled nodes to its meshes and lights.
#include "engine/kr_keyframe.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/kr_alloc.h"
#include "base/kr_error.h"
#include "base/kr_memory.h"
#include "base/kr_name.h"
#include "engine/kr_mesh.h"
#include "engine/kr_scene.h"

namespace {

// Finds the key pair for time t and the blend factor between its keys. The time loops with the
// period of the last key; the cached index makes forward playback constant-time, and a time
// earlier than the last one restarts the search at key 0. Needs at least two keys.
template <typename Track>
float find_pair(Track* t, float& time, int& index) {
  if (!(time >= 0.0f)) time = 0.0f;  // negative or not a number
  if (t->length > 0.0f && time > t->length) time = std::fmod(time, t->length);
  int last = t->count - 2;
  int i = time >= t->lastTime ? t->lastIndex : 0;
  if (i < 0 || i > last) i = 0;
  while (i < last && !(t->keys[i].time <= time && time < t->keys[i + 1].time)) i++;
  t->lastIndex = index = i;
  t->lastTime = time;
  float span = t->keys[i + 1].time - t->keys[i].time;
  // Two keys at one time have no blend between them: before it the first holds, from it on
  // the second.
  if (span == 0.0f) return time >= t->keys[i + 1].time ? 1.0f : 0.0f;
  return (time - t->keys[i].time) / span;
}

template <typename Track, typename Key>
int add_key(Track* t, const Key* key) {
  if (!t->keys || t->count >= t->capacity) return 0;
  t->keys[t->count++] = *key;
  t->length = key->time;
  return 1;
}

void set_rows(KR_Matrix* m, const KR_Vector& r0, const KR_Vector& r1, const KR_Vector& r2) {
  const KR_Vector* rows[3] = {&r0, &r1, &r2};
  for (int r = 0; r < 3; r++) {
    m->m[r * 4 + 0] = rows[r]->x;
    m->m[r * 4 + 1] = rows[r]->y;
    m->m[r * 4 + 2] = rows[r]->z;
  }
}

}  // namespace

int KR_TrackVecCreate(KR_TrackVec* t, int capacity) {
  std::memset(t, 0, sizeof *t);
  t->keys = static_cast<KR_TrackVecKey*>(KR_MallocArray(capacity, sizeof(KR_TrackVecKey), "KR_TrackVecCreate - t->keys"));
  if (!t->keys) return 0;
  t->capacity = capacity;
  return 1;
}

int KR_TrackVecAddKey(KR_TrackVec* t, const KR_TrackVecKey* key) { return add_key(t, key); }

int KR_TrackVecUpdate(KR_TrackVec* t, float time) {
  if (t->count < 2) {
    if (t->count == 1) t->value = t->keys[0].value;
    return 1;
  }
  int i;
  float f = find_pair(t, time, i);
  KR_VecLerp(&t->value, &t->keys[i].value, &t->keys[i + 1].value, f);
  return 1;
}

int KR_TrackMatRotCreate(KR_TrackMatRot* t, int capacity) {
  std::memset(t, 0, sizeof *t);
  KR_MatIdentity(&t->matrix);
  t->keys = static_cast<KR_TrackMatRotKey*>(KR_MallocArray(capacity, sizeof(KR_TrackMatRotKey), "KR_TrackMatRotCreate - t->keys"));
  if (!t->keys) return 0;
  t->capacity = capacity;
  return 1;
}

int KR_TrackMatRotAddKey(KR_TrackMatRot* t, const KR_TrackMatRotKey* key) { return add_key(t, key); }

// Rows are blended linearly and not re-normalised.
int KR_TrackMatRotUpdate(KR_TrackMatRot* t, float time) {
  if (t->count < 2) {
    if (t->count == 1) set_rows(&t->matrix, t->keys[0].row0, t->keys[0].row1, t->keys[0].row2);
    return 1;
  }
  int i;
  float f = find_pair(t, time, i);
  const KR_TrackMatRotKey& a = t->keys[i];
  const KR_TrackMatRotKey& b = t->keys[i + 1];
  KR_Vector r0, r1, r2;
  KR_VecLerp(&r0, &a.row0, &b.row0, f);
  KR_VecLerp(&r1, &a.row1, &b.row1, f);
  KR_VecLerp(&r2, &a.row2, &b.row2, f);
  set_rows(&t->matrix, r0, r1, r2);
  return 1;
}

KR_Node* KR_NodeNew(const char* name) {
  auto* n = static_cast<KR_Node*>(KR_Malloc(sizeof(KR_Node), "KR_NodeNew - n"));
  if (!n) return nullptr;
  std::memset(n, 0, sizeof *n);
  KR_NameCopy(n->name, name);
  KR_MatIdentity(&n->matrix);
  KR_MatIdentity(&n->rotation.matrix);
  return n;
}

int KR_NodeUpdate(KR_Node* n, float time) {
  KR_MatIdentity(&n->matrix);
  if (n->hasRotation) {
    KR_TrackMatRotUpdate(&n->rotation, time);
    n->matrix = n->rotation.matrix;
  }
  if (n->hasPosition) {
    KR_TrackVecUpdate(&n->position, time);
    n->matrix.m[12] = n->position.value.x;
    n->matrix.m[13] = n->position.value.y;
    n->matrix.m[14] = n->position.value.z;
  }
  return 1;
}

KR_KfScene* KR_KfSceneNew(const char* name) {
  auto* s = static_cast<KR_KfScene*>(KR_Malloc(sizeof(KR_KfScene), "KR_KfSceneNew - s"));
  if (!s) return nullptr;
  std::memset(s, 0, sizeof *s);
  KR_NameCopy(s->name, name);
  return s;
}

int KR_KfSceneCreateNodes(KR_KfScene* s, int n) {
  if (!s) {
    KR_Error("KR_KfSceneCreateNodes - no scene");
    return 0;
  }
  auto* nodes = static_cast<KR_Node**>(KR_MallocArray(n, sizeof(KR_Node*), "KR_KfSceneCreateNodes - s->nodes"));
  if (!nodes) return 0;
  if (s->nodes) KR_Free(s->nodes);
  s->nodes = nodes;
  s->nodeCount = 0;
  s->nodeCapacity = n;
  return 1;
}

int KR_KfSceneAddNode(KR_KfScene* s, KR_Node* node) {
  if (!s || s->nodeCount >= s->nodeCapacity) {
    KR_Error("KR_KfSceneAddNode - no room for node");
    return 0;
  }
  s->nodes[s->nodeCount++] = node;
  return 1;
}

KR_Node* KR_KfSceneFindNode(KR_KfScene* s, const char* name) {
  if (!s || !name) return nullptr;
  for (int i = 0; i < s->nodeCount; i++)
    if (std::strcmp(s->nodes[i]->name, name) == 0) return s->nodes[i];
  return nullptr;
}

int KR_KfSceneUpdate(KR_KfScene* s, float time) {
  if (!s) return 0;
  for (int i = 0; i < s->nodeCount; i++) KR_NodeUpdate(s->nodes[i], time);
  return 1;
}

int KR_KfSceneDelete(KR_KfScene* s) {
  if (!s) return 0;
  for (int i = 0; i < s->nodeCount; i++) {
    KR_Node* n = s->nodes[i];
    if (n->position.keys) KR_Free(n->position.keys);
    if (n->rotation.keys) KR_Free(n->rotation.keys);
    KR_Free(n);
  }
  if (s->nodes) KR_Free(s->nodes);
  KR_Free(s);
  return 1;
}

int KR_SceneBindKfScene(KR_Scene* scene, KR_KfScene* kf) {
  if (!scene) return 0;
  for (int i = 0; i < scene->meshCount; i++) {
    KR_Mesh* m = scene->meshes[i];
    m->node = KR_KfSceneFindNode(kf, m->name);
    if (!m->blended) continue;
    for (int b = 0; b < m->bnodeCount; b++) m->bnodes[b].node = KR_KfSceneFindNode(kf, m->bnodes[b].name);
    for (int v = 0; v < m->vertexCount && m->blendVertices; v++) {
      KR_MeshBlendVertex& bv = m->blendVertices[v];
      for (int w = 0; w < bv.weightCount && w < KR_MESH_MAX_WEIGHTS; w++) {
        int b = bv.weights[w].boneIndex;
        bv.weights[w].bone = b >= 0 && b < m->bnodeCount ? &m->bnodes[b] : nullptr;
      }
    }
  }
  for (int i = 0; i < scene->lightCount; i++) scene->lights[i]->node = KR_KfSceneFindNode(kf, scene->lights[i]->name);
  for (int i = 0; i < scene->cameraCount; i++) {
    KR_Camera* c = scene->cameras[i];
    c->node = KR_KfSceneFindNode(kf, c->name);
    char target[300];
    std::snprintf(target, sizeof target, "%s.Target", c->name);
    c->targetNode = KR_KfSceneFindNode(kf, target);
  }
  return 1;
}

int KR_SceneApplyKfScene(KR_Scene* scene) {
  if (!scene) return 0;
  for (int i = 0; i < scene->meshCount; i++) {
    KR_Mesh* m = scene->meshes[i];
    if (m->blended) {
      // Skinned vertices come out in world space.
      KR_MeshUpdateBlended(m);
      KR_MatIdentity(&m->transformation);
    } else if (m->node) {
      m->transformation = m->nodeTransformation = m->node->matrix;
    }
  }
  for (int i = 0; i < scene->lightCount; i++) {
    KR_Light* l = scene->lights[i];
    if (!l->node) continue;
    KR_LightIdentity(l);
    KR_Matrix& nm = l->node->matrix;
    if (l->isStatic) {
      // A static light drives its node.
      KR_MatIdentity(&nm);
      nm.m[12] = l->position.x;
      nm.m[13] = l->position.y;
      nm.m[14] = l->position.z;
    } else {
      KR_VecSet(&l->position, nm.m[12], nm.m[13], nm.m[14]);
    }
    KR_LightMultiply(l, &nm);
  }
  return 1;
}
