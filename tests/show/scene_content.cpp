// The content the scene and sphere sections read, loaded from a generated pack the way the
// show loads it, for the tests that draw real frames before full content loading is present.
#include <unistd.h>

#include "engine/kr_fog.h"
#include "engine/kr_krm.h"
#include "engine/kr_scene.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_picture.h"
#include "show/demo_helpers.h"
#include "show/video.h"
#include "tests/show/scene_sets.h"

namespace vt {

namespace {

GFX_Material* Texture(const char* file) {
  GFX_Material* m = GFX_MaterialCreate(file);
  if (m) GFX_MaterialBind(m);
  return m;
}

GFX_Picture* Picture(const char* file) {
  GFX_Material* m = GFX_MaterialCreate(file);
  if (!m) return nullptr;
  GFX_Picture* p = GFX_PictureFromMaterial(m);
  GFX_MaterialDelete(m);
  return p;
}

KR_Scene* Scene(const char* file, const char* textures, const char* name) {
  KR_Scene* s = KR_ImpLoadKrm(file, textures, name);
  if (s) KR_BindMaterials(s);
  return s;
}

DEMO_SceneSet* Set(const char* file, const char* textures) {
  KR_Scene* s = Scene(file, textures, nullptr);
  if (!s) return nullptr;
  auto* set = new DEMO_SceneSet{s, new KR_Light*[s->lightCount + 1](), new KR_Mesh*[s->meshCount + 1](), nullptr};
  for (int i = 0; i < s->lightCount; i++) set->lights[i] = s->lights[i];
  for (int i = 0; i < s->meshCount; i++) set->meshes[i] = s->meshes[i];
  set->drawList = set->meshes;
  return set;
}

FOG_Volume* Fog(KR_Vector centre, const float colour[4]) {
  FOG_Volume* v = FOG_VolumeCreate(0, FOG_SphericalVolumeCreate(&centre, 250.0f));
  FOG_VolumeSetColour(v, colour);
  FOG_VolumeSetDensity(v, 0.005f);
  return v;
}

GFX_Material* ClipMaterial() {
  GFX_Material* m = GFX_MaterialNew(512, 512, 2);
  GFX_MaterialUpload(m);
  return m;
}

}  // namespace

bool LoadSceneContent(const char* dir) {
  if (chdir(dir) != 0 || access("data/3d/mu/mu4.krm", R_OK) != 0) return false;
  KR_MatFromEuler(&DEMO_smokeFrame, -1.57f, 0.0f, 0.0f);
  DEMO_smokeFrame.m[14] = 150.0f;
  const float fog1[4] = {0.9f, 0.7f, 0.8f, 0.0f}, fog2[4] = {0.6f, 0.7f, 0.9f, 0.0f};
  DEMO_fog1 = Fog({0, 0, 300}, fog1);
  DEMO_fog2 = Fog({0, 0, -300}, fog2);
  DEMO_couplePicture = Picture("data\\graphics\\couple.jpg");
  DEMO_clip200 = ClipMaterial();
  DEMO_clip201 = ClipMaterial();
  DEMO_clip202 = ClipMaterial();
  VIDEO_player1 = VIDEO_StreamLoad("data\\video\\steps2.clp", "clpdll.dll");
  DEMO_orangenvTexture = Texture("data\\3d\\textures\\orangenv.jpg");
  DEMO_phongTexture = Texture("data\\textures\\phong.jpg");
  DEMO_babyTexture = Texture("data\\3d\\textures\\baby.jpg");
  DEMO_clockTexture = Texture("data\\3d\\textures\\clock.jpg");
  DEMO_fanScene = Scene("data\\3d\\fan\\fan.krm", "data\\3d\\fan\\textures\\", "fan");
  DEMO_handsPicture = Picture("data\\graphics\\hands.jpg");
  DEMO_beautyPicture = Picture("data\\graphics\\beauty.jpg");
  DEMO_lensTexture = Texture("data\\3d\\textures\\lens.jpg");
  DEMO_smokeTexture = Texture("data\\textures\\smoke.jpg");
  DEMO_abstractTexture = Texture("data\\textures\\abstract.jpg");
  DEMO_SpriteSetMaterial(DEMO_smokeTexture);
  DEMO_mu4Set = Set("data\\3d\\mu\\mu4.krm", "data\\3d\\mu\\");
  DEMO_weirdSet = Set("data\\3d\\mu\\weird.krm", "data\\3d\\mu\\");
  DEMO_barBackPicture = Picture("data\\graphics\\crapbar2back.jpg");
  // The bar texts without their alpha files: enough to see where they go.
  DEMO_barText1Picture = Picture("data\\graphics\\crapbar2txt1.jpg");
  DEMO_barText2Picture = Picture("data\\graphics\\crapbar2txt2.jpg");
  DEMO_societyPicture = Picture("data\\graphics\\society.jpg");
  DEMO_sphereScene = Scene("data\\3d\\sphere\\sphere.krm", "data\\3d\\sphere\\textures\\", "sphere");
  return DEMO_mu4Set && DEMO_weirdSet && DEMO_fanScene && DEMO_sphereScene;
}

}  // namespace vt
