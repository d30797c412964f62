// The lightmap loader: any bytes as a lightmap file, read onto a fixed scene of two static
// meshes (two quads, two triangles) and smoothed, the previous input's lightmaps released by
// each load.
#include <cstdint>

#include "engine/kr_mesh.h"
#include "engine/kr_scene.h"
#include "engine/lm_lightmap.h"
#include "fuzz/fuzz_file.h"

namespace {

KR_Mesh* mesh(const char* name, int corners) {
  KR_Mesh* m = KR_MeshNew(name);
  KR_MeshCreate(m, 6, 8, 2);
  for (int i = 0; i < 6; i++) KR_MeshVertexGetNew(m)->position = {float(i % 3) * 10, 0, float(i / 3) * 10};
  const int quads[2][4] = {{0, 3, 4, 1}, {1, 4, 5, 2}};
  for (const auto& q : quads) {
    KR_MeshPoly* p = KR_MeshPolyGetNew(m);
    for (int c = 0; c < corners; c++) KR_MeshPolyAddVertex(p, KR_MeshVertexGet(m, q[c]), 0, 0);
  }
  m->dynamic = 0;
  m->lightmapped = 1;
  return m;
}

KR_Scene* scene() {
  static KR_Scene* s = [] {
    KR_Scene* made = KR_SceneNew("fuzz");
    KR_SceneCreateMeshes(made, 2);
    KR_SceneAddMesh(made, mesh("quads", 4));
    KR_SceneAddMesh(made, mesh("triangles", 3));
    return made;
  }();
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Every map may ask for a texture of up to 1024 x 1024 texels from 24 bytes of file; larger
  // inputs add nothing the loader does not already see and only cost memory.
  if (size > 2048) return 0;
  const char* path = FUZZ_WriteInput(data, size, ".lm");
  LM_SceneLoad(scene(), path, size % 2, 2);
  return 0;
}
