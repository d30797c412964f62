// Processor time of the shadow renderer and of the lightmap baker, with a driver that draws
// nothing (the figures are the engine's own work, not the graphics library's):
//   - per frame, for a scene of twelve closed spheres (10,368 polygons) over a floor, lit by
//     two moving lights: the volume construction alone (the frame's blocks, then per light the
//     split, the eye count, the silhouette extrusion and the sort of the quads), and the whole
//     SHADOW_RenderScene with dynamic shadows on and off;
//   - the bake (LM_SceneCreate and LM_SceneLight) of a static scene of 2,000 polygons lit by two
//     static lights.
//   shadow_bench [FRAMES]
#include <time.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <tuple>
#include <vector>

#include "base/kr_memory.h"
#include "engine/kr_mesh.h"
#include "engine/kr_scene.h"
#include "engine/lm_lightmap.h"
#include "engine/shadow.h"
#include "engine/shadow_internal.h"
#include "gfx/gfx_driver.h"

namespace {

double cpu_seconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

GFX_Driver null_driver() {
  GFX_Driver d{};
  d.attach = [](HWND) { return 1; };
  d.enable = [](int) { return 1; };
  d.disable = [](int) { return 1; };
  d.set = [](int, int, const void*) { return 1; };
  d.set_mode = [](int, int, int, int, int, int) { return 1; };
  d.perspective = [](float, float, float) { return 1; };
  d.draw_poly = [](KR_MeshPoly*) { return 1; };
  d.begin_quads = [] { return 1; };
  d.quad_vertices = [](KR_MeshPoly*) { return 1; };
  d.end_prim = [] { return 1; };
  d.tex_create = [](GFX_Material*) { return 1; };
  d.tex_bind = [](GFX_Material*) { return 1; };
  d.stencil_bits = [] { return 8; };
  d.clear_stencil = [](int) { return 1; };
  return d;
}

GFX_Driver g_driver = null_driver();

// A mesh from quads over shared vertices (found by position), with normals, box and edges.
struct MeshBuilder {
  std::vector<KR_Vector> vertices;
  std::vector<std::array<int, 4>> quads;
  std::map<std::tuple<long, long, long>, int> index;
  int vertex(KR_Vector p) {
    auto key = std::make_tuple(std::lround(p.x * 1000), std::lround(p.y * 1000), std::lround(p.z * 1000));
    auto [it, added] = index.emplace(key, int(vertices.size()));
    if (added) vertices.push_back(p);
    return it->second;
  }
  KR_Mesh* build(const char* name, int isStatic) const {
    KR_Mesh* m = KR_MeshNew(name);
    KR_MeshCreate(m, int(vertices.size()), 4 * int(quads.size()), int(quads.size()));
    for (const KR_Vector& v : vertices) KR_MeshVertexGetNew(m)->position = v;
    for (const auto& q : quads) {
      KR_MeshPoly* p = KR_MeshPolyGetNew(m);
      p->isStatic = isStatic;
      for (int c = 0; c < 4; c++) {
        KR_MeshPolyAddVertex(p, KR_MeshVertexGet(m, q[c]), 0, 0);
        p->vertexIndex[c] = q[c];
      }
    }
    KR_MeshGenerateNormals(m);
    KR_MeshGenerateBoundingBox(m);
    KR_MeshGenerateEdges(m);
    KR_MeshTransformIdentity(m);
    KR_MeshTransform(m);
    if (isStatic) m->dynamic = 0;
    m->lightmapped = 1;
    return m;
  }
};

// A cube of n x n quads a face, centred at c with half-size r, wound outwards; pushed onto the
// sphere of radius r when `round`.
KR_Mesh* subdivided_cube(KR_Vector c, float r, int n, bool round, int isStatic) {
  MeshBuilder b;
  // Each face: an origin corner and two edge directions whose cross product points outwards.
  const float faces[6][9] = {{-1, -1, -1, 2, 0, 0, 0, 2, 0}, {-1, -1, 1, 0, 2, 0, 2, 0, 0},
                             {-1, -1, -1, 0, 0, 2, 2, 0, 0}, {-1, 1, -1, 2, 0, 0, 0, 0, 2},
                             {-1, -1, -1, 0, 2, 0, 0, 0, 2}, {1, -1, -1, 0, 0, 2, 0, 2, 0}};
  auto at = [&](const float* f, float s, float t) {
    KR_Vector p{f[0] + s * f[3] + t * f[6], f[1] + s * f[4] + t * f[7], f[2] + s * f[5] + t * f[8]};
    if (round) {
      const float l = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
      p = {p.x / l, p.y / l, p.z / l};
    }
    return b.vertex({c.x + r * p.x, c.y + r * p.y, c.z + r * p.z});
  };
  for (const auto& f : faces)
    for (int j = 0; j < n; j++)
      for (int i = 0; i < n; i++) {
        const float s0 = float(i) / n, s1 = float(i + 1) / n, t0 = float(j) / n, t1 = float(j + 1) / n;
        b.quads.push_back({at(f, s0, t0), at(f, s0, t1), at(f, s1, t1), at(f, s1, t0)});
      }
  KR_Mesh* m = b.build("cube", isStatic);
  m->castsShadows = 1;
  return m;
}

// A flat grid of w x h quads of `size` units at height y, facing up.
KR_Mesh* floor_grid(float x0, float z0, float y, int w, int h, float size, int isStatic) {
  MeshBuilder b;
  for (int j = 0; j < h; j++)
    for (int i = 0; i < w; i++) {
      auto v = [&](int di, int dj) { return b.vertex({x0 + (i + di) * size, y, z0 + (j + dj) * size}); };
      b.quads.push_back({v(0, 0), v(0, 1), v(1, 1), v(1, 0)});
    }
  return b.build("floor", isStatic);
}

KR_Light* light_at(KR_Vector p, int isStatic) {
  KR_Light* l = KR_LightNew("light");
  const float colour[4] = {0.8f, 0.7f, 0.6f, 0};
  KR_LightCreate(l, &p, colour);
  KR_LightResetTransformation(l);
  KR_LightApplyTransformation(l);
  l->isStatic = isStatic;
  return l;
}

int polygons(KR_Mesh* const* meshes) {
  int n = 0;
  for (; *meshes; ++meshes) n += (*meshes)->polyCount;
  return n;
}

void shadow_figures(int frames) {
  std::vector<KR_Mesh*> meshes;
  for (int k = 0; k < 12; k++)
    meshes.push_back(subdivided_cube({float(k % 4) * 30 - 45, -10, float(k / 4) * 30 + 60}, 10, 12, true, 0));
  meshes.push_back(floor_grid(-80, 30, -20, 16, 16, 10, 0));
  meshes.push_back(nullptr);
  KR_Light* lights[] = {light_at({0, 40, 60}, 0), light_at({0, 40, 90}, 0), nullptr};

  double volumes = 0, on = 0, off = 0;
  long quads = 0;
  int scratch = 0;
  for (int f = 0; f < frames; f++) {
    // The lights circle above the spheres.
    const float a = float(f) * 0.05f;
    lights[0]->tposition = {60 * std::cos(a), 35, 90 + 40 * std::sin(a)};
    lights[1]->tposition = {50 * std::sin(1.3f * a), 45, 90 + 30 * std::cos(a)};
    double t0 = cpu_seconds();
    SHADOW_Frame frame;
    SHADOW_FrameBegin(&frame, meshes.data(), 1);
    for (KR_Light** l = lights; *l; ++l) {
      SHADOW_LightVolumes(&frame, *l);
      quads += frame.countA + frame.countB;
    }
    double t1 = cpu_seconds();
    KR_CacheReset();
    SHADOW_RenderScene(meshes.data(), lights, 1);
    double t2 = cpu_seconds();
    if (KR_CacheUsed() > scratch) scratch = KR_CacheUsed();
    KR_CacheReset();
    SHADOW_RenderScene(meshes.data(), lights, 0);
    double t3 = cpu_seconds();
    KR_CacheReset();
    volumes += t1 - t0;
    on += t2 - t1;
    off += t3 - t2;
  }
  std::printf("shadows: %d polygons, 2 moving lights, %d frames, %.0f volume quads a frame\n", polygons(meshes.data()),
              frames, double(quads) / frames);
  std::printf("  volume construction      %8.3f ms a frame\n", volumes * 1e3 / frames);
  std::printf("  SHADOW_RenderScene       %8.3f ms a frame (dynamic shadows on, null driver)\n", on * 1e3 / frames);
  std::printf("  SHADOW_RenderScene       %8.3f ms a frame (dynamic shadows off, null driver)\n", off * 1e3 / frames);
  std::printf("  scratch cache            %8.2f MiB at most a frame (dynamic shadows on)\n", scratch / 1048576.0);
  for (KR_Light** l = lights; *l; ++l) KR_Free(*l);
  for (KR_Mesh* m : meshes)
    if (m) KR_MeshDelete(m);
}

void bake_figures() {
  // A floor of 40 x 26 quads and ten boxes of 4 x 4 quads a face: 2,000 polygons.
  KR_Scene* scene = KR_SceneNew("bake");
  KR_SceneCreateMeshes(scene, 11);
  KR_SceneAddMesh(scene, floor_grid(-200, -130, 0, 40, 26, 10, 1));
  for (int k = 0; k < 10; k++)
    KR_SceneAddMesh(scene, subdivided_cube({float(k % 5) * 70 - 140, 20.5f, float(k / 5) * 120 - 60}, 20, 4, false, 1));
  KR_SceneCreateLights(scene, 2);
  KR_SceneAddLight(scene, light_at({-60, 120, 30}, 1));
  KR_SceneAddLight(scene, light_at({90, 80, -40}, 1));
  int polys = 0, patches = 0;
  for (int i = 0; i < scene->meshCount; i++) polys += scene->meshes[i]->polyCount;

  double t0 = cpu_seconds();
  LM_Scene* lm = LM_SceneCreate(scene, 1);
  double t1 = cpu_seconds();
  LM_SceneLight(lm, nullptr);
  double t2 = cpu_seconds();
  for (int j = 0; j < lm->mapCount; j++)
    for (int p = 0; p < lm->maps[j].width * lm->maps[j].height; p++) patches += lm->maps[j].patches[p].valid;
  std::printf("lightmaps: %d polygons, 2 static lights, %d maps, %d lit patches\n", polys, lm->mapCount, patches);
  std::printf("  LM_SceneCreate           %8.1f ms\n", (t1 - t0) * 1e3);
  std::printf("  LM_SceneLight            %8.1f ms\n", (t2 - t1) * 1e3);
  LM_SceneDelete(lm);
  KR_SceneDelete(scene);
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : 200;
  KR_CacheInitialise(0xA00000);  // the show's 10 MiB
  GFX_DriverSelect(&g_driver, reinterpret_cast<HWND>(&g_driver));
  GFX_SetMode(640, 480, 24, 24, 8, 0);
  GFX_SetPerspective(90.0f, 1.0f, 6000.0f);
  shadow_figures(frames > 0 ? frames : 1);
  bake_figures();
  KR_CacheFree();
  return 0;
}
