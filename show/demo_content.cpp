// Content loading: every asset of the show, in its fixed order, into the content globals, the
// one loading frame, the up-front check of the clips the timeline opens later, and the report
// of what could not be loaded.
#include "show/demo_content.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "engine/kr_fog.h"
#include "engine/kr_scene.h"
#include "gfx/gfx_2d.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/img_image.h"
#include "platform/pl_platform.h"
#include "show/demo.h"
#include "show/demo_content_internal.h"
#include "show/demo_helpers.h"
#include "show/text.h"
#include "show/video.h"

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

namespace {

constexpr int kClipSize = 512;

// A texture: the material of the file with its texture made and its image dropped.
GFX_Material* TextureLoad(const char* file) {
  GFX_Material* m = GFX_MaterialCreate(file);
  if (DEMO_MaterialIsDefault(m)) DEMO_ContentFail(file, "missing or unreadable");
  GFX_MaterialBind(m);
  return m;
}

// A 512 x 512 four-byte clip material whose image stays for the players to write into.
GFX_Material* ClipMaterial() {
  GFX_Material* m = GFX_MaterialNew(kClipSize, kClipSize, IMG_RGBX);
  if (!m) m = GFX_MaterialDefault();
  GFX_MaterialUpload(m);
  return m;
}

IMG_Image* OverlayLoad(const char* colourFile, const char* alphaFile) {
  IMG_Image* image = DEMO_ImageLoadAlpha(colourFile, alphaFile);
  // Transparent over every pixel of any clip a clip material holds: nothing is blended in.
  return image ? image : DEMO_BlankImage(kClipSize, kClipSize);
}

// The header of a clip the timeline opens later: "CLP1", then a positive size in multiples of
// 16 and a positive frame rate. The decoder reads the frames themselves when the clip opens.
bool ClipReadable(const char* path) {
  std::FILE* f = PL_Fopen(path, "rb");
  if (!f) return false;
  std::uint8_t h[CLP_HEADER_SIZE];
  const bool whole = std::fread(h, 1, sizeof h, f) == sizeof h;
  std::fclose(f);
  if (!whole || std::memcmp(h, "CLP1", 4) != 0) return false;
  auto word = [&h](int at) {
    return std::uint32_t(h[at]) | std::uint32_t(h[at + 1]) << 8 | std::uint32_t(h[at + 2]) << 16 |
           std::uint32_t(h[at + 3]) << 24;
  };
  const std::int32_t width = std::int32_t(word(9)), height = std::int32_t(word(13));
  const std::uint32_t rateBits = word(17);
  float rate;
  std::memcpy(&rate, &rateBits, sizeof rate);
  return width > 0 && height > 0 && width % 16 == 0 && height % 16 == 0 && rate > 0.0f;
}

// A player bound to its copy of the clip library with its first clip open; a player without
// a clip, or no player without the library, which every VIDEO_ function takes as it is.
VIDEO_Player* PlayerLoad(const char* clip, const char* library) {
  VIDEO_Player* p = VIDEO_StreamLoad(clip, library);
  if (!p) DEMO_ContentFail(library, "the clip library cannot be loaded");
  if ((p && !p->stream) || (!p && !ClipReadable(clip))) DEMO_ContentFail(clip, "missing or not a clip");
  return p;
}

void CheckLaterClips() {
  static const char* const kClips[] = {"data\\video\\dj.clp", "data\\video\\fa_street2.clp",
                                       "data\\video\\fa_street3.clp"};
  for (const char* clip : kClips)
    if (!ClipReadable(clip)) DEMO_ContentFail(clip, "missing or not a clip");
}

void LoadingFrame() {
  DEMO_loadingPicture = DEMO_PictureLoad("data\\graphics\\loading.jpg");
  GFX_BeginFrame();
  GFX_PictureDraw(0.0f, 0.0f, DEMO_loadingPicture);
  GFX_EndFrame();
}

}  // namespace

int DEMO_LoadContent(int) {
  DEMO_ContentFailuresClear();
  LoadingFrame();
  DEMO_maskTexture = TextureLoad("data\\graphics\\mask.jpg");
  VIDEO_overlay2 = OverlayLoad("data\\graphics\\videofaen.jpg", "data\\graphics\\videofaen ALPHA.jpg");
  VIDEO_overlay1 = OverlayLoad("data\\graphics\\videofaen2.jpg", "data\\graphics\\videofaen2 ALPHA.jpg");
  DEMO_couplePicture = DEMO_PictureLoad("data\\graphics\\couple.jpg");

  KR_MatFromEuler(&DEMO_smokeFrame, -1.57f, 0.0f, 0.0f);
  DEMO_smokeFrame.m[14] = 150.0f;
  const float fog1[4] = {0.9f, 0.7f, 0.8f, 0.0f}, fog2[4] = {0.6f, 0.7f, 0.9f, 0.0f};
  DEMO_fog1 = DEMO_FogCreate(KR_Vector{0.0f, 0.0f, 300.0f}, fog1);
  DEMO_fog2 = DEMO_FogCreate(KR_Vector{0.0f, 0.0f, -300.0f}, fog2);

  // The font's sheet is combined here rather than inside TEXT_FontCreate, so that a missing
  // file is known as such and never cut into glyphs of the default material's white.
  IMG_Image* sheet = DEMO_ImageLoadAlpha("data\\fonts\\alient.jpg", "data\\fonts\\weird.jpg");
  DEMO_font = sheet ? TEXT_FontFromSheet(sheet) : nullptr;
  IMG_ImageDelete(sheet);
  if (!DEMO_font) DEMO_font = DEMO_BlankFont();

  DEMO_clip200 = ClipMaterial();
  VIDEO_player1 = PlayerLoad("data\\video\\steps2.clp", "clpdll.dll");
  DEMO_clip201 = ClipMaterial();
  VIDEO_player2 = PlayerLoad("data\\video\\scroll.clp", "clpdll2.dll");
  DEMO_clip202 = ClipMaterial();

  DEMO_orangenvTexture = TextureLoad("data\\3d\\textures\\orangenv.jpg");
  DEMO_phongTexture = TextureLoad("data\\textures\\phong.jpg");
  DEMO_babyTexture = TextureLoad("data\\3d\\textures\\baby.jpg");
  DEMO_gradient1Texture = TextureLoad("data\\3d\\textures\\gradient1.jpg");
  DEMO_clockTexture = TextureLoad("data\\3d\\textures\\clock.jpg");

  // The fan ring and the clock landscape read the first camera of their scenes.
  DEMO_fanScene = DEMO_SceneLoad("data\\3d\\fan\\fan.krm", "data\\3d\\fan\\textures\\", "fan", {1, 0, 1});
  DEMO_fjallScene = DEMO_SceneLoad("data\\3d\\fjall\\fan.krm", "data\\3d\\fjall\\textures\\", "fan", {1, 0, 1});
  DEMO_cylinderScene =
      DEMO_SceneLoad("data\\3d\\cylinder\\cylinder.krm", "data\\3d\\cylinder\\textures\\", "fan", {1, 0, 0});
  if (DEMO_cylinderScene) {
    DEMO_MeshSetMaterial(DEMO_cylinderScene->meshes[0], DEMO_babyTexture, 0);
    DEMO_MeshSetMaterial(DEMO_cylinderScene->meshes[0], DEMO_babyTexture, 1);
  }

  DEMO_handsPicture = DEMO_PictureLoad("data\\graphics\\hands.jpg");
  DEMO_beautyPicture = DEMO_PictureLoad("data\\graphics\\beauty.jpg");
  DEMO_napscrollPicture = DEMO_PictureLoad("data\\graphics\\napscroll.jpg");
  DEMO_lensTexture = TextureLoad("data\\3d\\textures\\lens.jpg");
  DEMO_smokeTexture = TextureLoad("data\\textures\\smoke.jpg");
  DEMO_abstractTexture = TextureLoad("data\\textures\\abstract.jpg");
  DEMO_SparksReset();
  DEMO_SpriteSetMaterial(DEMO_smokeTexture);
  DEMO_greetsPicture = DEMO_PictureLoad("data\\graphics\\greets.jpg");

  // The shadowed sections light the mu4 set with two lights and spin its 14th mesh; the weird
  // set is lit by four.
  DEMO_mu4Set = DEMO_SceneSetLoad("data\\3d\\mu\\mu4.krm", "data\\3d\\mu\\", {14, 2, 0});
  DEMO_weirdSet = DEMO_SceneSetLoad("data\\3d\\mu\\weird.krm", "data\\3d\\mu\\", {1, 4, 0});
  DEMO_boxSet = DEMO_SceneSetLoad("data\\3d\\mu\\box.krm", "data\\3d\\mu\\box\\", {1, 0, 0});

  DEMO_logoPicture = DEMO_PictureLoadAlpha("data\\graphics\\logo TEXT.jpg", "data\\graphics\\logo ALPHA.jpg");
  DEMO_groupPicture = DEMO_PictureLoadAlpha("data\\graphics\\kvt TEXT.jpg", "data\\graphics\\kvt ALPHA.jpg");
  DEMO_logoBackPicture = DEMO_PictureLoad("data\\graphics\\logo BACK.jpg");
  DEMO_gridPicture = DEMO_PictureLoadAlpha("data\\graphics\\grid.jpg", "data\\graphics\\grid2 ALPHA.jpg");
  DEMO_chocochipPicture =
      DEMO_PictureLoadAlpha("data\\graphics\\chocochip.jpg", "data\\graphics\\chocochip ALPHA.jpg");
  DEMO_barBackPicture = DEMO_PictureLoad("data\\graphics\\crapbar2back.jpg");
  DEMO_barText1Picture =
      DEMO_PictureLoadAlpha("data\\graphics\\crapbar2txt1.jpg", "data\\graphics\\crapbar2txt1 ALPHA.jpg");
  DEMO_barText2Picture =
      DEMO_PictureLoadAlpha("data\\graphics\\crapbar2txt2.jpg", "data\\graphics\\crapbar2txt2 ALPHA.jpg");
  DEMO_societyPicture = DEMO_PictureLoad("data\\graphics\\society.jpg");
  DEMO_sphereScene =
      DEMO_SceneLoad("data\\3d\\sphere\\sphere.krm", "data\\3d\\sphere\\textures\\", "sphere", {1, 0, 0});

  CheckLaterClips();
  DEMO_ContentReport(stderr);
  return 1;
}
