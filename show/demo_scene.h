// Scene rendering for the show: the per-frame render lists that the scene sections fill with
// DEMO_SceneAdd and draw with DEMO_SceneRender (lit, shadowed while dynamic shadows are on,
// fogged while the fog switch is on), the light override and the camera of the last add.
#pragma once

#include "base/kr_math.h"

struct DEMO_SceneSet;
struct KR_Light;
struct KR_Mesh;

// Entries of each render list, the terminating null included.
constexpr int DEMO_RENDER_LIST_SIZE = 200;

struct DEMO_RenderLists {
  KR_Mesh* meshes[DEMO_RENDER_LIST_SIZE];
  KR_Light* lights[DEMO_RENDER_LIST_SIZE];
  int meshCount, lightCount;  // entries added since the last render
  KR_Light** lightOverride;   // null-terminated; drawn instead of the lights when set
  int fog;                    // 1: DEMO_SceneRender adds the two fog volumes
  KR_Matrix camera;           // the camera of the last DEMO_SceneAdd; the fog pass uses it
};

extern DEMO_RenderLists DEMO_render;

// Places the set's lights and meshes with the camera matrix (camera index -1 and time 0 are
// all the show passes; the matrix is used as it stands) and appends them to the render lists.
// 0 for a null set, and when entries had to be refused because a list was full (the entries
// that fit are kept).
int DEMO_SceneAdd(DEMO_SceneSet* set, float time, int cameraIndex, const KR_Matrix* camera);
// Draws what was added since the last render and empties the lists; returns the result of the
// last scratch-cache reset.
int DEMO_SceneRender(void);

// Draws the set at once, lit and unshadowed, without the render lists (the light override is
// used when set); time and camera index as for DEMO_SceneAdd. 0 for a null set or camera.
int DEMO_SceneDraw(DEMO_SceneSet* set, float time, int cameraIndex, const KR_Matrix* camera);

// Mesh n of the set's meshes array, or null where the set has fewer.
KR_Mesh* DEMO_SceneMeshAt(DEMO_SceneSet* set, int n);
