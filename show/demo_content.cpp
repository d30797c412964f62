// Content loading: every asset of the show, in its fixed order, into the content globals.
#include "show/demo_content.h"

#include "show/demo.h"

GFX_Material* DEMO_maskTexture;
GFX_Material* DEMO_orangenvTexture;
GFX_Material* DEMO_phongTexture;
GFX_Material* DEMO_babyTexture;
GFX_Material* DEMO_gradient1Texture;
GFX_Material* DEMO_clockTexture;
GFX_Material* DEMO_lensTexture;
GFX_Material* DEMO_smokeTexture;
GFX_Material* DEMO_abstractTexture;
GFX_Material* DEMO_clip200;
GFX_Material* DEMO_clip201;
GFX_Material* DEMO_clip202;
GFX_Picture* DEMO_loadingPicture;
GFX_Picture* DEMO_couplePicture;
GFX_Picture* DEMO_handsPicture;
GFX_Picture* DEMO_beautyPicture;
GFX_Picture* DEMO_napscrollPicture;
GFX_Picture* DEMO_greetsPicture;
GFX_Picture* DEMO_logoPicture;
GFX_Picture* DEMO_groupPicture;
GFX_Picture* DEMO_logoBackPicture;
GFX_Picture* DEMO_gridPicture;
GFX_Picture* DEMO_chocochipPicture;
GFX_Picture* DEMO_barBackPicture;
GFX_Picture* DEMO_barText1Picture;
GFX_Picture* DEMO_barText2Picture;
GFX_Picture* DEMO_societyPicture;
KR_Matrix DEMO_smokeFrame;
FOG_Volume* DEMO_fog1;
FOG_Volume* DEMO_fog2;
TEXT_Font* DEMO_font;
KR_Scene* DEMO_fanScene;
KR_Scene* DEMO_fjallScene;
KR_Scene* DEMO_cylinderScene;
KR_Scene* DEMO_sphereScene;
DEMO_SceneSet* DEMO_mu4Set;
DEMO_SceneSet* DEMO_weirdSet;
DEMO_SceneSet* DEMO_boxSet;

// Not built yet.
int DEMO_LoadContent(int) { return 1; }
