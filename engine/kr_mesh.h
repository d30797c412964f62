// The mesh: its arrays of the graphics layer's polygon records (gfx/gfx_polygon.h), the bones
// and blend vertices of skinned meshes, and the mesh functions.
#pragma once

#include <cstdint>

#include "base/kr_math.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_polygon.h"

struct GFX_Material;
struct KR_Node;
struct KR_Light;

struct KR_MeshBnode {
  char name[256];
  KR_Node* node;
  KR_Matrix matrix;
};

struct KR_MeshBlendWeight {
  KR_Vector offset;
  std::int32_t boneIndex;
  KR_MeshBnode* bone;
  float weight;
};

struct KR_MeshBlendVertex {
  std::int32_t weightCount;  // 0..10
  KR_MeshBlendWeight weights[10];
  KR_Vector result;
};

struct KR_Mesh {
  char name[256];
  std::int32_t valid;
  std::int32_t smooth;
  std::int32_t castsShadows;
  std::int32_t lightmapped;
  std::int32_t dynamic;
  std::int32_t vertexCount, vertexCapacity;
  KR_MeshVertex* vertices;
  std::int32_t normalCount, normalCount2;
  KR_MeshNormal* normals;
  std::int32_t blended;
  std::int32_t bnodeCount, bnodeCapacity;
  KR_MeshBnode* bnodes;
  KR_MeshBlendVertex* blendVertices;
  std::int32_t edgeCount, edgeCapacity;
  KR_MeshEdge* edges;
  std::int32_t polyCount, polyCapacity;
  KR_MeshPoly* polys;
  KR_Vector box[8];   // bounding-box corners, object space
  KR_Vector tbox[8];  // the same after KR_MeshTransform
  KR_Matrix defaultTransformation;
  KR_Matrix nodeTransformation;
  KR_Matrix transformation;
  KR_Node* node;
};

// The mesh functions. Meshes are filled through the GetNew functions into arrays of fixed
// capacity that never move, since polygons point into them.

// The most weights a blend vertex holds.
constexpr int KR_MESH_MAX_WEIGHTS = 10;

// Creation and the GetNew/Get functions.
KR_Mesh* KR_MeshNew(const char* name);
int KR_MeshCreate(KR_Mesh* m, int vertices, int edges, int polys);
int KR_MeshCreateBlended(KR_Mesh* m, int bones);
KR_MeshVertex* KR_MeshVertexGetNew(KR_Mesh* m);
KR_MeshEdge* KR_MeshEdgeGetNew(KR_Mesh* m);
KR_MeshPoly* KR_MeshPolyGetNew(KR_Mesh* m);
KR_MeshBnode* KR_MeshBnodeGetNew(KR_Mesh* m);
KR_MeshVertex* KR_MeshVertexGet(KR_Mesh* m, int i);
KR_MeshBlendVertex* KR_MeshBlendVertexGet(KR_Mesh* m, int i);
KR_MeshPoly* KR_MeshPolyGet(KR_Mesh* m, int i);
// Frees a mesh and everything it owns (tools and tests; the show never frees meshes).
int KR_MeshDelete(KR_Mesh* m);

// Small setters.
int KR_MeshPolySetMaterial(KR_MeshPoly* p, GFX_Material* material);
int KR_MeshPolySetSmoothing(KR_MeshPoly* p, int mask);
// Adds a corner; a fifth corner is refused (0).
int KR_MeshPolyAddVertex(KR_MeshPoly* p, KR_MeshVertex* vertex, float u, float v);
int KR_MeshEdgeInit(KR_MeshEdge* e, KR_MeshVertex* a, KR_MeshVertex* b);
int KR_MeshBlendVertexInit(KR_MeshBlendVertex* bv);
int KR_MeshBnodeSetName(KR_MeshBnode* b, const char* name);
int KR_MeshForceValidate(KR_Mesh* m);
int KR_MeshSmooth(KR_Mesh* m, int flag);
int KR_MeshSetDefaultTransformation(KR_Mesh* m, const KR_Matrix* matrix);

// Transformations.
int KR_MeshTransformIdentity(KR_Mesh* m);
int KR_MeshTransformDefault(KR_Mesh* m);
int KR_MeshTransformMultiply(KR_Mesh* m, const KR_Matrix* matrix);
int KR_MeshTransform(KR_Mesh* m);
int KR_MeshTransformAbsolute(KR_Mesh* m, const KR_Matrix* matrix);

// Derived data.
int KR_MeshPolyGenerateNormal(KR_MeshPoly* p);
int KR_MeshGenerateNormals(KR_Mesh* m);
int KR_MeshVertexPolysGet(KR_Mesh* m);
int KR_MeshGenerateBoundingBox(KR_Mesh* m);
int KR_MeshGenerateEdges(KR_Mesh* m);
int KR_MeshUpdateBlended(KR_Mesh* m);

// Culling: `out` holds polyCount + 1 pointers and ends with null; the count is returned.
// Mode 0 every polygon, 1 those facing away from the eye, 2 those facing it.
int KR_MeshCullGetFaces(KR_Mesh* m, KR_MeshPoly** out, const KR_Vector* eye, int mode);
// Front-facing polygons to `front`, the others to `back` (each decrements its edges'
// shadowCount); both hold polyCount + 1 pointers and end with null.
int KR_MeshCullSplitFaces(KR_Mesh* m, KR_MeshPoly** front, KR_MeshPoly** back, const KR_Vector* eye);

// Corner lighting.
// Sets every corner's colour to the four floats R, G, B, A.
int KR_MeshPolySetColour(KR_MeshPoly* p, const float* colour);
int KR_MeshPolyLight(KR_MeshPoly* p, const KR_Light* light);

// Hands every polygon, in order, to GFX_DrawPolygon.
void KR_MeshRender(KR_Mesh* m);

// The driver's outside test of a mesh's eight transformed box corners (tbox); the OR of their
// plane masks goes to `outMask` when one is given.
inline int GFX_MeshOutsideFrustum(const KR_Mesh* mesh, int* outMask) { return GFX_BoxOutsideFrustum(mesh->tbox, outMask); }
