// Scene sets and the stepping clock of the scene-section tests.
#include "tests/show/scene_sets.h"

#include "base/kr_memory.h"
#include "gfx/gfx_driver.h"
#include "platform/pl_platform.h"
#include "shell/app_shell.h"
#include "shell/music.h"
#include "tests/engine/shadow_scene.h"

namespace vt {

namespace {

// A cube of half-size h whose twelve triangles face inwards.
KR_Mesh* BuildRoom(float h) {
  std::vector<KR_Vector> v;
  for (int i = 0; i < 8; i++) v.push_back({(i & 1) ? h : -h, ((i >> 1) & 1) ? h : -h, ((i >> 2) & 1) ? h : -h});
  const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  std::vector<MeshPoly> polys;
  for (const auto& q : quads) {
    polys.push_back({{q[0], q[2], q[1]}});
    polys.push_back({{q[0], q[3], q[2]}});
  }
  KR_Mesh* m = BuildMesh("room", v, polys);
  KR_MeshGenerateNormals(m);
  KR_MeshGenerateBoundingBox(m);
  KR_MeshGenerateEdges(m);
  m->castsShadows = 1;
  m->lightmapped = 1;
  return m;
}

}  // namespace

DEMO_SceneSet* BuildSceneSet(int boxes, int lights, bool room) {
  auto* set = new DEMO_SceneSet{};
  set->scene = KR_SceneNew("test");
  KR_SceneCreateMeshes(set->scene, boxes);
  KR_SceneCreateLights(set->scene, lights);
  set->meshes = new KR_Mesh*[boxes + 1]();
  set->lights = new KR_Light*[lights + 1]();
  for (int i = 0; i < boxes; i++) {
    KR_Mesh* m;
    if (room && i == 0) {
      m = BuildRoom(90.0f);
    } else if (room && i == 1) {
      m = BuildBox({-6, -40, -6}, {6, 40, 6});
    } else {
      // Small boxes along the room's edges, out of the way of the camera.
      const float x = float((i % 4) * 40 - 60), z = (i / 4) % 2 ? 75.0f : -75.0f;
      m = BuildBox({x - 3, -80, z - 3}, {x + 3, -74, z + 3});
    }
    KR_MatIdentity(&m->defaultTransformation);
    KR_SceneAddMesh(set->scene, m);
    set->meshes[i] = m;
  }
  for (int i = 0; i < lights; i++) {
    set->lights[i] = BuildLight({0, 0, 0});
    KR_SceneAddLight(set->scene, set->lights[i]);
  }
  set->drawList = set->meshes;
  return set;
}

void FreeSceneSet(DEMO_SceneSet* set) {
  if (!set) return;
  KR_SceneDelete(set->scene);
  delete[] set->meshes;
  delete[] set->lights;
  delete set;
}

namespace {
unsigned g_now = 0, g_step = 0, g_until = 0;
const std::function<bool(float)>* g_frame = nullptr;

void Step() {
  const float t = MUSIC_GetTime();
  const bool wasAtEnd = g_until && g_now >= g_until;
  g_now += g_step;
  // A step never jumps over the last frame's time, which is drawn exactly.
  if (g_until && g_now > g_until) g_now = wasAtEnd ? 1000000 : g_until;
  // Stopping jumps the clock far past every section's end.
  if (g_frame && *g_frame && !(*g_frame)(t)) g_now = 1000000;
  PL_TimerSet(g_now);
}
}  // namespace

void RunSection(int (*section)(void), unsigned startMs, unsigned stepMs, const std::function<bool(float)>& frame,
                unsigned untilMs) {
  g_now = startMs;
  g_until = untilMs;
  g_step = stepMs;
  g_frame = &frame;
  PL_TimerSetManual(1, startMs);
  APP_IsRunning(1);
  GFX_FrameObserverAdd(Step);
  section();
  GFX_FrameObserverRemove(Step);
  g_frame = nullptr;
}

}  // namespace vt
