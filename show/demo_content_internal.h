// What content loading shares between its two files: the failure notes behind the loading
// report, the blank stand-ins for assets that could not be loaded, and the checked loaders.
#pragma once

#include <cstdio>

#include "base/kr_math.h"

struct DEMO_SceneSet;
struct FOG_Volume;
struct GFX_Material;
struct GFX_Picture;
struct IMG_Image;
struct KR_Scene;
struct TEXT_Font;

// Notes a file the show could not use (each path once, in the order met).
void DEMO_ContentFail(const char* path, const char* reason);
void DEMO_ContentFailuresClear(void);
// Writes the report of the noted files (nothing when there are none); their number.
int DEMO_ContentReport(std::FILE* out);

// GFX_MaterialCreate hands out the shared default material for a file it cannot load.
bool DEMO_MaterialIsDefault(const GFX_Material* material);

// Stand-ins, made to be drawn and read by the effects as they stand.
GFX_Picture* DEMO_BlankPicture(void);
IMG_Image* DEMO_BlankImage(int width, int height);
TEXT_Font* DEMO_BlankFont(void);

// What the effects reach into a scene without checking.
struct DEMO_SceneNeeds {
  int meshes;   // the first `meshes` meshes each have a polygon
  int lights;
  int cameras;
};
KR_Scene* DEMO_BlankScene(const char* name, const DEMO_SceneNeeds& needs);
bool DEMO_SceneUsable(const KR_Scene* scene, const DEMO_SceneNeeds& needs);
// Loaders that never give null: a file that fails is noted and a blank stand-in returned.
KR_Scene* DEMO_SceneLoad(const char* file, const char* textureDir, const char* name, const DEMO_SceneNeeds& needs);
DEMO_SceneSet* DEMO_SceneSetLoad(const char* file, const char* textureDir, const DEMO_SceneNeeds& needs);
FOG_Volume* DEMO_FogCreate(KR_Vector centre, const float* colour);
