// Scene and keyframe-scene summaries.
#include "tools/common/tool_scene_info.h"

#include "engine/kr_keyframe.h"
#include "engine/kr_scene.h"
#include "gfx/gfx_material.h"

namespace {

int open_edges(const KR_Mesh* m) {
  int n = 0;
  for (int i = 0; i < m->edgeCount; i++) n += m->edges[i].useCount != 2;
  return n;
}

}  // namespace

void TOOL_PrintKrmInfo(std::FILE* out, const KR_Scene* s) {
  std::fprintf(out, "scene name=%s materials=%d lights=%d cameras=%d meshes=%d\n", s->name, s->materialCount,
               s->lightCount, s->cameraCount, s->meshCount);
  for (int i = 0; i < s->materialCount; i++) {
    const GFX_Material* m = s->materials[i];
    std::fprintf(out, "material index=%d name=%s kind=%d opacity=%g\n", i, m->name, m->kind, double(m->opacity));
  }
  for (int i = 0; i < s->lightCount; i++) {
    const KR_Light* l = s->lights[i];
    std::fprintf(out, "light index=%d name=%s position=%g,%g,%g colour=%g,%g,%g range_mode=%d range=%g static=%d\n", i,
                 l->name, double(l->position.x), double(l->position.y), double(l->position.z), double(l->colour[0]),
                 double(l->colour[1]), double(l->colour[2]), l->rangeMode, double(l->range), l->isStatic);
  }
  for (int i = 0; i < s->cameraCount; i++) {
    const KR_Camera* c = s->cameras[i];
    std::fprintf(out, "camera index=%d name=%s position=%g,%g,%g target=%g,%g,%g roll=%g fov=%g\n", i, c->name,
                 double(c->position.x), double(c->position.y), double(c->position.z), double(c->target.x),
                 double(c->target.y), double(c->target.z), double(c->roll), double(c->fov));
  }
  for (int i = 0; i < s->meshCount; i++) {
    const KR_Mesh* m = s->meshes[i];
    std::fprintf(out,
                 "mesh index=%d name=%s vertices=%d polys=%d edges=%d open_edges=%d smooth=%d casts_shadows=%d "
                 "lightmapped=%d dynamic=%d blended=%d bones=%d\n",
                 i, m->name, m->vertexCount, m->polyCount, m->edgeCount, open_edges(m), m->smooth, m->castsShadows,
                 m->lightmapped, m->dynamic, m->blended, m->blended ? m->bnodeCount : 0);
  }
}

void TOOL_PrintKrkInfo(std::FILE* out, const KR_KfScene* kf) {
  std::fprintf(out, "kfscene name=%s nodes=%d\n", kf->name, kf->nodeCount);
  for (int i = 0; i < kf->nodeCount; i++) {
    const KR_Node* n = kf->nodes[i];
    std::fprintf(out, "node index=%d name=%s rotation_keys=%d position_keys=%d\n", i, n->name,
                 n->hasRotation ? n->rotation.count : 0, n->hasPosition ? n->position.count : 0);
  }
}
