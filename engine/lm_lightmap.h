// Lightmaps: the baker groups the polygons of a scene's static lightmapped meshes into planar
// maps, lays a grid of patches over each, lights them from the static lights with hard shadows
// cast by the scene's own polygons, turns them into RGB textures and saves them; the loader
// puts a lightmap file back onto a freshly loaded scene.
//
// Texture channel c of a polygon is its material slot and its corners' coordinate pair:
// channel 0 the base material with (u, v), channel 1 the lightmap with (lu, lv).
#pragma once

#include <cstdint>

#include "base/kr_math.h"
#include "engine/kr_mesh.h"
#include "engine/kr_scene.h"

struct GFX_Material;
struct IMG_Image;

constexpr float LM_PATCH_SIZE = 10.0f;  // world units per texel in both map directions
constexpr int LM_MIN_SIZE = 16;
// The longest texture edge the baker makes and the loader accepts.
constexpr int LM_MAX_SIZE = 1024;
constexpr unsigned LM_MAGIC = 0xBEEF;
constexpr unsigned LM_VERSION = 0x0100;

struct LM_Patch {
  KR_Vector position;  // world space, on the map's plane
  KR_Vector normal;
  float colour[3];  // accumulated light, red, green, blue
  std::int32_t valid;  // inside the used area
};

struct LM_Map {
  std::int32_t width, height;  // texture size, powers of two
  KR_Vector corners[4];  // the map rectangle on the plane: origin, +u, +u+v, +v
  GFX_Material* material;  // RGB, width x height
  LM_Patch* patches;  // width x height, row by row
  KR_Plane plane;  // through the first polygon's first three corners
  KR_MeshPoly** pp;
  std::int32_t* pn;  // each polygon's index in its mesh
  std::int32_t polyCount;
  std::int32_t usedWidth, usedHeight;  // texels actually covered
  std::int32_t meshIndex;
};

// One polygon of the occluder list, with the map it belongs to and its plane kept at hand.
struct LM_Node {
  KR_MeshPoly* poly;
  LM_Node* next;
  LM_Node* prev;
  std::int32_t map;
  KR_Plane plane;
};

struct LM_Scene {
  std::int32_t mapCount;
  LM_Map* maps;
  std::int32_t capacity;
  LM_Node* nodes;
  LM_Node* head;  // the occluder list, last blocker first
  KR_Scene* scene;
};

// Called before each map is lit with the light's index in the scene and map index x 100 / maps.
typedef void (*LM_Progress)(int light, float percent);

// Builds the maps of the scene's static lightmapped meshes, writes every polygon's channel
// coordinates and material slot, and places the patches. Null on failure.
LM_Scene* LM_SceneCreate(KR_Scene* scene, int channel);
// Sizes and places one map: coordinates, corners, patches and material. 0 when the map would be
// larger than LM_MAX_SIZE texels either way or memory runs out.
int LM_LightmapCreate(LM_Map* map, int channel);
// 1 when the polygon through p0, p1, p2 lies in the map's plane (same side up, first edge within
// about 5.7 degrees of the plane, the three points within 2 units of it).
int LM_MapAccepts(const LM_Map* map, const KR_Vector* p0, const KR_Vector* p1, const KR_Vector* p2);
// Lights every map with every static light at its tposition (world space: transform the lights
// first), then fills the materials' images. `progress` may be null.
int LM_SceneLight(LM_Scene* lm, LM_Progress progress);
// Adds one light to every valid patch of map `index`.
int LM_MapLight(LM_Scene* lm, int index, const KR_Light* light);
// Fills the map's material image from the patches.
int LM_MapToTexels(LM_Map* map);
// A texel byte for an accumulated light value: 0.1 added, capped at 0.8.
std::uint8_t LM_Texel(float colour);
// Releases the maps (patches, polygon lists, materials), the nodes and the record. Polygons of
// the scene that still point at a map's material lose it, so delete this before the scene.
int LM_SceneDelete(LM_Scene* lm);

// 1, or 0 when the file cannot be created or written.
int LM_SceneSave(const char* fileName, const LM_Scene* lm, int channel);
// Reads a lightmap file onto a scene loaded from the same source: one RGB material per map in
// the scene's lightmaps, each listed polygon's channel slot and coordinates set, the texels
// smoothed `passes` times. Lightmaps of an earlier load are released first. 0 on a bad file;
// maps read before the fault stay in the scene.
int LM_SceneLoad(KR_Scene* scene, const char* fileName, int channel, int passes);
// Replaces every inner texel of the used area by the mean of its four neighbours, in place and
// row by row, `passes` times.
void LM_Smooth(IMG_Image* image, int usedWidth, int usedHeight, int passes);
