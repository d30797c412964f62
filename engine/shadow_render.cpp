// SHADOW_RenderScene: the visible lightmapped polygons drawn with static vertex light and
// lightmaps, then one stencil-counted volume pass and one additive light pass per moving light
// (or the moving lights as vertex light when dynamic shadows are off), then the base textures
// multiplied over everything through the render queue.
#include <cstdint>

#include "base/kr_error.h"
#include "base/kr_memory.h"
#include "engine/shadow.h"
#include "engine/shadow_internal.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_queue.h"

namespace {

const float kBlack[4] = {0.0f, 0.0f, 0.0f, 1.0f};

template <typename T>
T* take(std::int64_t count, const char* label) {
  if (count < 0 || count > INT32_MAX / std::int64_t(sizeof(T))) return nullptr;
  return static_cast<T*>(KR_CacheMalloc(KR_CacheRound(std::int32_t(count * sizeof(T))), label));
}

// Culling, depth test and writes, colour writes, modulated per-vertex colours, no blending;
// texturing as asked.
void plain_state(int texturing) {
  GFX_Enable(GFX_CULL);
  GFX_Enable(GFX_DEPTH_TEST);
  GFX_Set(GFX_SET_DEPTH, 2, nullptr);
  GFX_Enable(GFX_MODULATE);
  GFX_Enable(GFX_COLOUR_WRITE);
  GFX_Enable(GFX_DEPTH_WRITE);
  GFX_Set(GFX_SET_COLOUR, 2, nullptr);
  if (texturing)
    GFX_Enable(GFX_TEXTURE);
  else
    GFX_Disable(GFX_TEXTURE);
  GFX_Disable(GFX_BLEND);
}

// Per-vertex colours added to the framebuffer.
void additive_state() {
  GFX_Enable(GFX_MODULATE);
  GFX_Set(GFX_SET_COLOUR, 2, nullptr);
  GFX_Disable(GFX_TEXTURE);
  GFX_Enable(GFX_BLEND);
  GFX_Set(GFX_SET_BLEND, 1, nullptr);
}

void draw_list(KR_MeshPoly** list, int count) {
  for (int i = 0; i < count; i++) GFX_DrawPolygon(list[i]);
}

void light_list(KR_MeshPoly** list, int count, const KR_Light* light) {
  for (int i = 0; i < count; i++) KR_MeshPolyLight(list[i], light);
}

void blacken_list(KR_MeshPoly** list, int count) {
  for (int i = 0; i < count; i++) KR_MeshPolySetColour(list[i], kBlack);
}

void quads(KR_MeshPoly** list, int count) {
  GFX_BeginQuads();
  for (int i = 0; i < count; i++) GFX_QuadVertices(list[i]);
  GFX_EndQuads();
}

// Counts the volumes into the stencil buffer: +1 where a face towards the eye passes the
// depth test, -1 for the faces turned away. Colour and depth stay untouched.
void stencil_pass(SHADOW_Frame& f) {
  GFX_Enable(GFX_DEPTH_TEST);
  GFX_Set(GFX_SET_DEPTH, 2, nullptr);
  GFX_Disable(GFX_DEPTH_WRITE);
  GFX_Disable(GFX_MODULATE);
  GFX_Enable(GFX_STENCIL_TEST);
  GFX_Set(GFX_SET_STENCIL, 6, nullptr);
  GFX_Disable(GFX_COLOUR_WRITE);
  GFX_Disable(GFX_CULL);
  GFX_Disable(GFX_TEXTURE);
  GFX_Set(GFX_SET_STENCIL, 9, nullptr);
  quads(f.listA, f.countA);
  GFX_Set(GFX_SET_STENCIL, 10, nullptr);
  quads(f.listB, f.countB);
}

// Adds one moving light where the stencil is back at the reference: pixels in no volume.
// Polygons turned away from the light take what their smoothed corners catch unstencilled.
void light_pass(SHADOW_Frame& f, const KR_Light* light, std::int32_t ref) {
  GFX_Enable(GFX_COLOUR_WRITE);
  GFX_Enable(GFX_STENCIL_TEST);
  additive_state();
  GFX_Set(GFX_SET_STENCIL, 5, &ref);
  for (int i = 0; i < f.visibleCount; i++) {
    KR_MeshPoly* p = f.visible[i];
    KR_MeshPolySetColour(p, kBlack);
    if (!KR_MeshPolyLight(p, light)) continue;
    const KR_MeshVertex* c1 = p->corners[1].vertex;
    float toward = 0.0f;
    if (c1) {
      const KR_Vector& l = light->tposition;
      const KR_Vector& q = c1->tposition;
      toward = (l.x - q.x) * p->tnormal.x + (l.y - q.y) * p->tnormal.y + (l.z - q.z) * p->tnormal.z;
    }
    if (toward > 0.0f)
      GFX_Enable(GFX_STENCIL_TEST);
    else
      GFX_Disable(GFX_STENCIL_TEST);
    GFX_DrawPolygon(p);
    GFX_Enable(GFX_BLEND);
  }
}

// The stencil value of a pixel in no volume: the middle of the stencil range.
std::int32_t stencil_reference() {
  int bits = GFX_StencilBits();
  return bits >= 1 && bits <= 31 ? std::int32_t(1) << (bits - 1) : 0;
}

}  // namespace

int SHADOW_FrameBegin(SHADOW_Frame* f, KR_Mesh** meshes, int dynamic) {
  *f = SHADOW_Frame{};
  f->meshes = meshes;
  std::int64_t polys = 0, edges = 0;
  for (KR_Mesh** it = meshes; *it; ++it) {
    f->meshCount++;
    polys += (*it)->polyCount;
    if (dynamic && (*it)->castsShadows) edges += (*it)->edgeCount;
  }
  const int m = f->meshCount;
  f->volumes = take<KR_MeshPoly*>(m, "SHADOW_RenderScene - volumes");
  f->facing = take<KR_MeshPoly**>(m, "SHADOW_RenderScene - polys");
  f->averted = take<KR_MeshPoly**>(m, "SHADOW_RenderScene - polys");
  f->used = take<int>(m, "SHADOW_RenderScene - usemesh");
  // Every list ends with a null; lists A and B later hold the quads, up to one per edge.
  const std::int64_t lists = (polys > edges ? polys : edges) + 1;
  f->listCapacity = int(lists < INT32_MAX ? lists : INT32_MAX);
  f->visible = take<KR_MeshPoly*>(polys + 1, "SHADOW_RenderScene - p");
  f->listA = take<KR_MeshPoly*>(lists, "SHADOW_RenderScene - front");
  f->listB = take<KR_MeshPoly*>(lists, "SHADOW_RenderScene - back");
  if (!f->volumes || !f->facing || !f->averted || !f->used || !f->visible || !f->listA || !f->listB) return 0;
  for (int i = 0; i < m; i++) {
    f->volumes[i] = nullptr;
    f->facing[i] = f->averted[i] = nullptr;
    f->used[i] = 0;
  }
  return 1;
}

int SHADOW_LightVolumes(SHADOW_Frame* f, const KR_Light* light) {
  int inside = 0;
  for (int i = 0; i < f->meshCount; i++) {
    KR_Mesh* m = f->meshes[i];
    f->used[i] = 0;
    if (!m->castsShadows || !SHADOW_MeshLightVisible(m, light)) continue;
    if (!f->facing[i]) {
      // A mesh's lists are taken the first time it casts in this frame.
      f->facing[i] = take<KR_MeshPoly*>(std::int64_t(m->polyCount) + 1, "SHADOW_RenderScene - polys[i]");
      f->averted[i] = take<KR_MeshPoly*>(std::int64_t(m->polyCount) + 1, "SHADOW_RenderScene - polys[i]");
      if (!f->facing[i] || !f->averted[i]) {
        f->facing[i] = nullptr;
        continue;
      }
    }
    f->used[i] = 1;
    for (int e = 0; e < m->edgeCount; e++) m->edges[e].shadowCount = m->edges[e].useCount;
    KR_MeshCullSplitFaces(m, f->facing[i], f->averted[i], &light->tposition);
    inside += SHADOW_EyeShadowCount(f->facing[i], &light->tposition);
  }
  f->countA = f->countB = 0;
  for (int i = 0; i < f->meshCount; i++) {
    if (!f->used[i]) continue;
    // Room for exactly this light's quads: a silhouette is a small part of a mesh's edges. An
    // edge is a silhouette once, so the quads fit the lists unless the edge counts were wrong.
    const int silhouettes = SHADOW_SilhouetteCount(f->facing[i]);
    if (silhouettes > f->listCapacity - 1 - f->countA - f->countB) continue;
    f->volumes[i] = take<KR_MeshPoly>(silhouettes, "SHADOW_RenderScene - volumes[i]");
    if (!f->volumes[i]) continue;
    int n = SHADOW_BuildShadowVolume(f->volumes[i], f->facing[i], light);
    SHADOW_SplitQuads(f->volumes[i], n, f->listA, &f->countA, f->listB, &f->countB);
  }
  return inside;
}

int SHADOW_RenderScene(KR_Mesh** meshes, KR_Light** lights, int dynamic) {
  SHADOW_Frame f;
  if (!SHADOW_FrameBegin(&f, meshes, dynamic)) {
    KR_Error("SHADOW_RenderScene - scratch cache too small");
    return 1;
  }
  f.visibleCount = SHADOW_CollectVisible(f.visible, meshes, SHADOW_LIGHTMAPPED);
  if (f.visibleCount == 0) return 1;

  // Polygons with a lightmap are drawn from it; the others from vertex light.
  for (int i = 0; i < f.visibleCount; i++) {
    KR_MeshPoly* p = f.visible[i];
    if (p->lightmap) {
      f.listB[f.countB++] = p;
    } else {
      KR_MeshPolySetColour(p, kBlack);
      f.listA[f.countA++] = p;
    }
  }
  for (KR_Light** l = lights; *l; ++l)
    if ((*l)->isStatic || !dynamic) light_list(f.listA, f.countA, *l);

  plain_state(0);
  draw_list(f.listA, f.countA);
  GFX_SetTextureLayer(1);
  GFX_Enable(GFX_TEXTURE);
  GFX_Disable(GFX_MODULATE);
  draw_list(f.listB, f.countB);
  GFX_SetTextureLayer(0);
  GFX_Disable(GFX_ADD);

  if (dynamic) {
    const std::int32_t ref = stencil_reference();
    for (KR_Light** l = lights; *l; ++l) {
      if ((*l)->isStatic) continue;
      // Lit pixels end at ref: each volume holding the eye is one face short on every line
      // of sight, so the clear value starts those counts one higher.
      int inside = SHADOW_LightVolumes(&f, *l);
      GFX_ClearStencil(ref + inside);
      stencil_pass(f);
      light_pass(f, *l, ref);
    }
  } else {
    blacken_list(f.listB, f.countB);
    for (KR_Light** l = lights; *l; ++l)
      if (!(*l)->isStatic) light_list(f.listB, f.countB, *l);
    additive_state();
    draw_list(f.listB, f.countB);
    GFX_Disable(GFX_BLEND);
  }

  // The base textures multiplied over the light.
  GFX_Disable(GFX_STENCIL_TEST);
  GFX_Enable(GFX_BLEND);
  GFX_Disable(GFX_MODULATE);
  GFX_Enable(GFX_TEXTURE);
  GFX_Set(GFX_SET_BLEND, 2, nullptr);
  GFX_Enable(GFX_DEPTH_TEST);
  GFX_Disable(GFX_DEPTH_WRITE);
  for (int i = 0; i < f.visibleCount; i++) GFX_QueuePolygon(f.visible[i]);
  GFX_FlushRenderQue();
  GFX_Disable(GFX_BLEND);
  GFX_Enable(GFX_DEPTH_WRITE);

  // The caller draws the other meshes in the plain state.
  if (SHADOW_CollectVisible(f.visible, meshes, SHADOW_OTHER) > 0) plain_state(1);
  return 0;
}
