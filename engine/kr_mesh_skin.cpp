// Skinned meshes: every vertex rebuilt from its weighted offsets in the bones' spaces.
#include "base/kr_error.h"
#include "engine/kr_keyframe.h"
#include "engine/kr_mesh.h"
#include "engine/kr_mesh_internal.h"

namespace {

// The weight's bound bone, else the mesh's bone at its index (a mesh not yet bound).
const KR_MeshBnode* weight_bone(const KR_Mesh* m, const KR_MeshBlendWeight& w) {
  if (w.bone) return w.bone;
  return w.boneIndex >= 0 && w.boneIndex < m->bnodeCount ? &m->bnodes[w.boneIndex] : nullptr;
}

}  // namespace

int KR_MeshUpdateBlended(KR_Mesh* m) {
  if (!m) {
    KR_Error("KR_MeshUpdateBlended - no mesh");
    return 0;
  }
  if (!m->blended || !m->blendVertices) {
    KR_Error("KR_MeshUpdateBlended - mesh not blended");
    return 0;
  }
  // A bone without a node stays where its offsets put it: the identity.
  for (int b = 0; b < m->bnodeCount; b++) {
    KR_MeshBnode& bone = m->bnodes[b];
    if (bone.node)
      KR_MatNormaliseRows(&bone.matrix, &bone.node->matrix);
    else
      KR_MatIdentity(&bone.matrix);
  }
  for (int i = 0; i < m->vertexCount; i++) {
    KR_MeshBlendVertex& bv = m->blendVertices[i];
    KR_VecZero(&bv.result);
    int n = bv.weightCount < KR_MESH_MAX_WEIGHTS ? bv.weightCount : KR_MESH_MAX_WEIGHTS;
    for (int w = 0; w < n; w++) {
      const KR_MeshBlendWeight& weight = bv.weights[w];
      const KR_MeshBnode* bone = weight_bone(m, weight);
      if (!bone) continue;
      KR_Vector p;
      KR_VecTransform(&p, &weight.offset, &bone->matrix);
      KR_VecScale(&p, &p, weight.weight);
      KR_VecAdd(&bv.result, &bv.result, &p);
    }
    m->vertices[i].position = bv.result;
  }
  KR_MeshUpdateVertexNormals(m);
  KR_MeshGenerateBoundingBox(m);
  return 1;
}
