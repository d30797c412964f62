// The show's content: every asset content loading prepares, as process-wide globals that the
// timeline and the effects read directly, and the loaders that make them. Nothing here is ever
// null once DEMO_LoadContent has run: an asset that could not be loaded is replaced by a
// harmless placeholder and named in the loading report. DEMO_LoadContent (show/demo.h) fills
// them.
#pragma once

#include "base/kr_math.h"

struct FOG_Volume;
struct GFX_Material;
struct GFX_Picture;
struct IMG_Image;
struct KR_Light;
struct KR_Mesh;
struct KR_Scene;
struct TEXT_Font;

// A loaded scene with null-terminated copies of its light and mesh lists; the draw list is the
// meshes array itself.
struct DEMO_SceneSet {
  KR_Scene* scene;
  KR_Light** lights;
  KR_Mesh** meshes;
  KR_Mesh** drawList;
};

DEMO_SceneSet* DEMO_LoadScene(const char* sceneFile, const char* textureDir);
// Frees the set with its scene (tools and tests; the show keeps its sets). Null is ignored.
void DEMO_SceneSetDelete(DEMO_SceneSet* set);
GFX_Picture* DEMO_PictureLoad(const char* file);
GFX_Picture* DEMO_PictureLoadAlpha(const char* colourFile, const char* alphaFile);
IMG_Image* DEMO_ImageLoadAlpha(const char* colourFile, const char* alphaFile);

// Textures (materials bound to a texture).
extern GFX_Material* DEMO_maskTexture;
extern GFX_Material* DEMO_orangenvTexture;
extern GFX_Material* DEMO_phongTexture;
extern GFX_Material* DEMO_babyTexture;
extern GFX_Material* DEMO_gradient1Texture;
extern GFX_Material* DEMO_clockTexture;
extern GFX_Material* DEMO_lensTexture;
extern GFX_Material* DEMO_smokeTexture;
extern GFX_Material* DEMO_abstractTexture;

// The three 512 x 512 clip materials the players are shown through (named 200, 201 and 202).
extern GFX_Material* DEMO_clip200;
extern GFX_Material* DEMO_clip201;
extern GFX_Material* DEMO_clip202;

// Pictures.
extern GFX_Picture* DEMO_loadingPicture;
extern GFX_Picture* DEMO_couplePicture;
extern GFX_Picture* DEMO_handsPicture;
extern GFX_Picture* DEMO_beautyPicture;
extern GFX_Picture* DEMO_napscrollPicture;
extern GFX_Picture* DEMO_greetsPicture;
extern GFX_Picture* DEMO_logoPicture;
extern GFX_Picture* DEMO_groupPicture;
extern GFX_Picture* DEMO_logoBackPicture;
extern GFX_Picture* DEMO_gridPicture;
extern GFX_Picture* DEMO_chocochipPicture;
extern GFX_Picture* DEMO_barBackPicture;
extern GFX_Picture* DEMO_barText1Picture;
extern GFX_Picture* DEMO_barText2Picture;
extern GFX_Picture* DEMO_societyPicture;

// The frame the smoke effects draw their particles in.
extern KR_Matrix DEMO_smokeFrame;
extern FOG_Volume* DEMO_fog1;
extern FOG_Volume* DEMO_fog2;
extern TEXT_Font* DEMO_font;

// Scenes (materials bound) and scene sets. Every scene has at least one mesh.
extern KR_Scene* DEMO_fanScene;
extern KR_Scene* DEMO_fjallScene;
extern KR_Scene* DEMO_cylinderScene;
extern KR_Scene* DEMO_sphereScene;
extern DEMO_SceneSet* DEMO_mu4Set;
extern DEMO_SceneSet* DEMO_weirdSet;
extern DEMO_SceneSet* DEMO_boxSet;
