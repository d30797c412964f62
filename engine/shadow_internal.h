// The working record of one SHADOW_RenderScene call and its volume step, shared with the
// benchmark that times the volume construction on its own; not part of the shadow interface.
#pragma once

#include "engine/kr_mesh.h"
#include "engine/kr_scene.h"

// All blocks come from the scratch cache and live until the caller resets it.
struct SHADOW_Frame {
  KR_Mesh** meshes;
  int meshCount;
  KR_MeshPoly** volumes;   // per mesh: the quads of the current light
  KR_MeshPoly*** facing;   // per mesh: its light-facing polygons for the current light
  KR_MeshPoly*** averted;  // per mesh: the others
  int* used;               // per mesh: casts a volume for the current light
  KR_MeshPoly** visible;   // visible lightmapped polygons
  int visibleCount;
  KR_MeshPoly** listA;  // polygons without a lightmap; then the quads facing the eye
  int countA;
  KR_MeshPoly** listB;  // polygons with a lightmap; then the other quads
  int countB;
  int listCapacity;  // entries of lists A and B, the closing null included
};

// Counts the meshes and polygons and takes the frame's blocks; 0 when the cache is too small.
int SHADOW_FrameBegin(SHADOW_Frame* f, KR_Mesh** meshes, int dynamic);

// The volumes of one light: marks the meshes that cast, splits their polygons by the light,
// builds their quads into lists A (facing the eye) and B. Returns the number of volumes that
// hold the eye.
int SHADOW_LightVolumes(SHADOW_Frame* f, const KR_Light* light);

// The silhouette edges of a light-facing list (null-terminated): the most quads it gives.
int SHADOW_SilhouetteCount(KR_MeshPoly** list);
