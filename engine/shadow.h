// Stencil shadow volumes and the lit drawing of lightmapped meshes: vertex light from static
// lights, lightmaps, one additive pass per moving light kept out of shadowed pixels by volumes
// counted into the stencil buffer (depth-pass, no caps), then the base textures multiplied
// over the result. Everything is in camera space; working memory comes from the scratch cache.
#pragma once

#include "engine/kr_mesh.h"
#include "engine/kr_scene.h"

// How far a silhouette edge is pushed away from the light.
constexpr float SHADOW_EXTRUSION = 800.0f;

// Which meshes SHADOW_CollectVisible takes.
enum { SHADOW_OTHER = 0, SHADOW_LIGHTMAPPED = 1 };

// Draws the lightmapped meshes of `meshes` (null-terminated, transformed into camera space)
// lit by `lights` (null-terminated, tposition in camera space), with stencil shadows from the
// moving lights when `dynamic` is set, and leaves the plain drawing state for the caller's
// other meshes when any is visible. 1 when no lightmapped polygon is visible (nothing drawn),
// else 0. The caller resets the scratch cache afterwards.
int SHADOW_RenderScene(KR_Mesh** meshes, KR_Light** lights, int dynamic);

// Writes one quad (a, a', b', b) per silhouette edge of the light-facing polygons `list`
// (null-terminated), a' and b' pushed SHADOW_EXTRUSION away from the light; returns how many.
// Silhouette edges have shadowCount 1 (one light-facing side) and are shared (useCount not 1).
// `quads` holds one record per edge of the mesh. The last argument is not read.
int SHADOW_BuildShadowVolume(KR_MeshPoly* quads, KR_MeshPoly** list, const KR_Light* light, int reserved = 0);

// 1 when some corner of the mesh's box is farther along a frustum plane's normal than the light.
int SHADOW_MeshLightVisible(const KR_Mesh* mesh, const KR_Light* light);

// The number of the light-facing polygons (null-terminated) that stand between the eye and the
// light with the line of sight to the light passing through them: the volumes holding the eye.
int SHADOW_EyeShadowCount(KR_MeshPoly** list, const KR_Vector* light);

// Appends, for every mesh of the set (SHADOW_LIGHTMAPPED or SHADOW_OTHER) that is not outside
// the frustum, its polygons facing the eye and inside the frustum; ends the list with null and
// returns the count. `out` holds one entry per polygon of the meshes, plus one.
int SHADOW_CollectVisible(KR_MeshPoly** out, KR_Mesh** meshes, int which);

// Appends the quads facing the eye to `front` and the others to `back`, continuing both lists
// from the counts given.
void SHADOW_SplitQuads(KR_MeshPoly* quads, int count, KR_MeshPoly** front, int* frontCount, KR_MeshPoly** back,
                       int* backCount);
