// The render queue: three lists linked through the polygons (queueNext) and materials
// (queueNext, queueFirst, queueLast), the per-material stamp that tells whether a material is
// already listed in this flush, and the depth sort of blended polygons in a scratch array.
#include "gfx/gfx_queue.h"

#include <algorithm>
#include <cfloat>

#include "base/kr_memory.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_polygon.h"

namespace {

struct Queue {
  KR_MeshPoly* untexturedHead;
  KR_MeshPoly* untexturedTail;
  GFX_Material* opaqueHead;
  GFX_Material* opaqueTail;
  KR_MeshPoly* blendedHead;
  KR_MeshPoly* blendedTail;
  int blendedCount;
};

Queue g_queue{};

const float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};

void append(KR_MeshPoly*& head, KR_MeshPoly*& tail, KR_MeshPoly* poly) {
  poly->queueNext = nullptr;
  if (tail)
    tail->queueNext = poly;
  else
    head = poly;
  tail = poly;
}

// The largest camera-space z of the corners: the farthest point of the polygon. A corner
// that is not a number would make the sort's ordering inconsistent, so such polygons sort
// as nearest.
float farthest_z(const KR_MeshPoly* p) {
  int n = p->cornerCount < 0 ? 0 : p->cornerCount > 4 ? 4 : p->cornerCount;
  if (n == 0 || !p->corners[0].vertex) return -FLT_MAX;
  float z = p->corners[0].vertex->tposition.z;
  for (int i = 1; i < n; i++)
    if (p->corners[i].vertex && p->corners[i].vertex->tposition.z > z) z = p->corners[i].vertex->tposition.z;
  return z == z ? z : -FLT_MAX;
}

void draw_blended(KR_MeshPoly* p) {
  // The layer is not meant to change between queueing and flushing; if it did, the polygon
  // is drawn with the blend function of the polygon before it.
  GFX_Material* m = GFX_PolyLayerMaterial(p, GFX_TextureLayer());
  switch (m ? m->kind : GFX_KIND_OPAQUE) {
    case GFX_KIND_ADD: GFX_Set(GFX_SET_BLEND, 1, nullptr); break;
    case GFX_KIND_MULTIPLY: GFX_Set(GFX_SET_BLEND, 2, nullptr); break;
    case GFX_KIND_ADD_OPACITY: GFX_Set(GFX_SET_BLEND, 3, &m->opacity); break;
    case GFX_KIND_ALPHA_OPACITY: GFX_Set(GFX_SET_BLEND, 4, &m->opacity); break;
    default: break;  // kinds outside 1..4 keep the previous blend function
  }
  GFX_DrawPolygon(p);
}

void flush_blended() {
  Queue& q = g_queue;
  GFX_Enable(GFX_BLEND);
  GFX_Disable(GFX_DEPTH_WRITE);
  GFX_Set(GFX_SET_COLOUR, 1, kWhite);
  auto** pp = static_cast<KR_MeshPoly**>(
      KR_CacheMalloc(KR_CacheRound(q.blendedCount * std::int32_t(sizeof(KR_MeshPoly*))), "GFX_FlushRenderQue - pp"));
  if (pp) {
    int n = 0;
    for (KR_MeshPoly* p = q.blendedHead; p; p = p->queueNext) {
      p->queueDepth = farthest_z(p);
      pp[n++] = p;
    }
    // Nearest farthest-corner first; equal depths come in no particular order.
    std::sort(pp, pp + n, [](const KR_MeshPoly* a, const KR_MeshPoly* b) { return a->queueDepth < b->queueDepth; });
    for (int i = 0; i < n; i++) draw_blended(pp[i]);
  } else {
    // No room in the scratch cache (already reported there): queue order rather than nothing.
    for (KR_MeshPoly* p = q.blendedHead; p; p = p->queueNext) draw_blended(p);
  }
  GFX_Set(GFX_SET_COLOUR, 2, nullptr);
  GFX_Enable(GFX_DEPTH_WRITE);
}

}  // namespace

int GFX_QueuePolygon(KR_MeshPoly* poly) {
  Queue& q = g_queue;
  GFX_Material* m = GFX_PolyLayerMaterial(poly, GFX_TextureLayer());
  if (!m) {
    append(q.untexturedHead, q.untexturedTail, poly);
  } else if (m->kind == GFX_KIND_OPAQUE) {
    const int stamp = GFX_QueueStamp();
    poly->queueNext = nullptr;
    if (q.opaqueHead && m->queueStamp == stamp) {
      m->queueLast->queueNext = poly;
      m->queueLast = poly;
    } else {
      // First polygon of this material in this flush: list the material at the tail.
      m->queueNext = nullptr;
      if (q.opaqueTail)
        q.opaqueTail->queueNext = m;
      else
        q.opaqueHead = m;
      q.opaqueTail = m;
      m->queueFirst = m->queueLast = poly;
      m->queueStamp = stamp;
    }
  } else {
    append(q.blendedHead, q.blendedTail, poly);
    q.blendedCount++;
  }
  return 1;
}

int GFX_FlushRenderQue(void) {
  Queue& q = g_queue;
  if (q.untexturedHead) {
    GFX_Disable(GFX_TEXTURE);
    GFX_Set(GFX_SET_COLOUR, 2, nullptr);
    for (KR_MeshPoly* p = q.untexturedHead; p; p = p->queueNext) GFX_DrawPolygon(p);
    GFX_Enable(GFX_TEXTURE);
    GFX_Enable(GFX_COLOUR_WRITE);
  }
  // The draw function binds each polygon's texture and skips the rebind within a material.
  for (GFX_Material* m = q.opaqueHead; m; m = m->queueNext)
    for (KR_MeshPoly* p = m->queueFirst; p; p = p->queueNext) GFX_DrawPolygon(p);
  if (q.blendedCount > 0) flush_blended();
  q = Queue{};
  GFX_QueueStampAdvance();
  return 1;
}
