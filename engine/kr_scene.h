// Scenes (named, fixed-capacity lists of meshes, cameras, lights, materials and lightmaps),
// cameras and lights.
#pragma once

#include "base/kr_math.h"
#include "engine/kr_mesh.h"

struct GFX_Material;
struct KR_Node;

struct KR_Camera {
  char name[256];
  KR_Vector position;
  KR_Vector target;  // point looked at
  float roll;        // about the view axis
  float fov;
  KR_Node* node;        // node of the same name
  KR_Node* targetNode;  // node named "<camera>.Target"
};

struct KR_Light {
  char name[256];
  KR_Vector position;     // current world position
  KR_Vector localOrigin;  // the position at creation; (0, 0, 0) after KR_LightTransform
  KR_Vector tposition;    // after KR_LightTransform
  float colour[4];
  int rangeMode;  // 0 unlimited, 1 linear fall-off, 2 quadratic fall-off
  float range;
  float range2;  // range squared
  KR_Vector basePosition;
  KR_Matrix matrix;
  KR_Node* node;
  int isStatic;  // keeps its own position and drives its node
};

struct KR_Scene {
  char name[256];
  int meshCount, meshCapacity;
  KR_Mesh** meshes;
  int cameraCount, cameraCapacity;
  KR_Camera** cameras;
  int lightCount, lightCapacity;
  KR_Light** lights;
  int materialCount, materialCapacity;
  GFX_Material** materials;  // the file's material order
  int lightmapCount, lightmapCapacity;
  GFX_Material** lightmaps;
  // Materials of a list that a later materials chunk replaced: polygons loaded before still
  // use them, so the scene keeps them until it is deleted.
  int retiredCount;
  GFX_Material** retired;
};

KR_Scene* KR_SceneNew(const char* name);
// Each Create gives its list a new capacity and count 0 (a list made before is dropped, not
// the objects in it).
int KR_SceneCreateMeshes(KR_Scene* s, int n);
int KR_SceneCreateCameras(KR_Scene* s, int n);
int KR_SceneCreateLights(KR_Scene* s, int n);
int KR_SceneCreateMaterials(KR_Scene* s, int n);
int KR_SceneCreateLightmaps(KR_Scene* s, int n);
int KR_SceneAddMesh(KR_Scene* s, KR_Mesh* mesh);
int KR_SceneAddCamera(KR_Scene* s, KR_Camera* camera);
int KR_SceneAddLight(KR_Scene* s, KR_Light* light);
int KR_SceneAddMaterial(KR_Scene* s, GFX_Material* material);
int KR_SceneAddLightmap(KR_Scene* s, GFX_Material* lightmap);
GFX_Material* KR_SceneGetMaterial(KR_Scene* s, int i);
// Creates the textures of every material not yet created, dropping their images.
int KR_BindMaterials(KR_Scene* s);
int KR_BindLightmaps(KR_Scene* s);
// Frees the scene with its meshes, cameras and lights, and releases its materials and
// lightmaps (tools and tests; the show never frees a scene).
int KR_SceneDelete(KR_Scene* s);

KR_Camera* KR_CameraNew(const char* name);
int KR_CameraCreate(KR_Camera* c, const KR_Vector* position, const KR_Vector* target);
int KR_CameraSetFov(KR_Camera* c, float fov);
int KR_CameraSetRoll(KR_Camera* c, float roll);

KR_Light* KR_LightNew(const char* name);
// colour: four floats R, G, B, A.
int KR_LightCreate(KR_Light* l, const KR_Vector* position, const float* colour);
int KR_LightSetRange(KR_Light* l, int mode, float range);
int KR_LightTransform(KR_Light* l, const KR_Matrix* matrix);
int KR_LightIdentity(KR_Light* l);
int KR_LightResetTransformation(KR_Light* l);
int KR_LightMultiply(KR_Light* l, const KR_Matrix* matrix);
int KR_LightApplyTransformation(KR_Light* l);
