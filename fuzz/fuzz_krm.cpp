// The KRM scene loader: any bytes as a scene file, then every mesh transformed (and skinned)
// the way a frame would use it.
#include <cstdint>

#include "engine/kr_krm.h"
#include "engine/kr_mesh.h"
#include "fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* path = FUZZ_WriteInput(data, size, ".krm");
  // Textures are looked for in a folder that does not exist.
  KR_Scene* s = KR_ImpLoadKrm(path, "/nonexistent/velmar-fuzz", nullptr);
  if (!s) return 0;
  for (int i = 0; i < s->meshCount; i++) {
    KR_Mesh* m = s->meshes[i];
    if (m->blended) KR_MeshUpdateBlended(m);
    KR_MeshTransformDefault(m);
    KR_MeshTransform(m);
  }
  KR_SceneDelete(s);
  return 0;
}
