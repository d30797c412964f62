// The content loaders and their stand-ins: pictures, pictures with alpha, RGBA images, scene
// sets, and the blank picture, image, font, scene and fog volume that take the place of an
// asset that could not be loaded. Every file that fails is noted once for the loading report.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/kr_error.h"
#include "base/kr_memory.h"
#include "engine/kr_fog.h"
#include "engine/kr_krm.h"
#include "engine/kr_scene.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_picture.h"
#include "gfx/img_image.h"
#include "show/demo_content.h"
#include "show/demo_content_internal.h"
#include "show/text.h"

namespace {

struct Failure {
  std::string path;
  std::string reason;
};
std::vector<Failure> g_failures;

GFX_Picture* g_blankPicture = nullptr;

// The stand-in's one polygon: a triangle too small to be seen at any distance the show uses.
constexpr float kSpeck = 0.01f;

KR_Mesh* SpeckMesh(GFX_Material* material) {
  KR_Mesh* m = KR_MeshNew("placeholder");
  if (!m) return nullptr;
  if (!KR_MeshCreate(m, 3, 4, 1)) {
    KR_MeshDelete(m);
    return nullptr;
  }
  const KR_Vector corners[3] = {{0, 0, 0}, {kSpeck, 0, 0}, {0, kSpeck, 0}};
  for (const KR_Vector& c : corners) KR_MeshVertexGetNew(m)->position = c;
  KR_MeshPoly* p = KR_MeshPolyGetNew(m);
  KR_MeshPolySetMaterial(p, material);
  for (int i = 0; i < 3; i++) {
    KR_MeshPolyAddVertex(p, KR_MeshVertexGet(m, i), 0.0f, 0.0f);
    p->vertexIndex[i] = i;
  }
  KR_MeshForceValidate(m);
  KR_MeshSmooth(m, 0);
  if (!KR_MeshGenerateNormals(m) || !KR_MeshGenerateBoundingBox(m) || !KR_MeshGenerateEdges(m)) {
    KR_MeshDelete(m);
    return nullptr;
  }
  return m;
}

// Fills the set's null-terminated light and mesh arrays from its scene; 0 (nothing kept) when
// an array cannot be allocated.
int FillSet(DEMO_SceneSet* set) {
  KR_Scene* s = set->scene;
  set->lights = static_cast<KR_Light**>(KR_Malloc(sizeof(KR_Light*) * (s->lightCount + 1), "DEMO_LoadScene - d->lights"));
  set->meshes = static_cast<KR_Mesh**>(KR_Malloc(sizeof(KR_Mesh*) * (s->meshCount + 1), "DEMO_LoadScene - d->meshes"));
  if (!set->lights || !set->meshes) {
    if (set->lights) KR_Free(set->lights);
    if (set->meshes) KR_Free(set->meshes);
    set->lights = nullptr;
    set->meshes = nullptr;
    return 0;
  }
  for (int i = 0; i < s->lightCount; i++) set->lights[i] = s->lights[i];
  set->lights[s->lightCount] = nullptr;
  for (int i = 0; i < s->meshCount; i++) set->meshes[i] = s->meshes[i];
  set->meshes[s->meshCount] = nullptr;
  set->drawList = set->meshes;
  return 1;
}

DEMO_SceneSet* SetOf(KR_Scene* scene) {
  auto* set = static_cast<DEMO_SceneSet*>(KR_Malloc(sizeof(DEMO_SceneSet), "DEMO_LoadScene - s"));
  if (!set) return nullptr;
  std::memset(set, 0, sizeof *set);
  set->scene = scene;
  if (!FillSet(set)) {
    KR_Free(set);
    return nullptr;
  }
  return set;
}

}  // namespace

void DEMO_ContentFail(const char* path, const char* reason) {
  const std::string p = path ? path : "(no name)";
  for (const Failure& f : g_failures)
    if (f.path == p) return;
  g_failures.push_back({p, reason});
}

void DEMO_ContentFailuresClear(void) { g_failures.clear(); }

int DEMO_ContentReport(std::FILE* out) {
  if (g_failures.empty()) return 0;
  std::fprintf(out, "velmar: %zu content file%s could not be loaded; blank stand-ins are shown instead:\n",
               g_failures.size(), g_failures.size() == 1 ? "" : "s");
  for (const Failure& f : g_failures) std::fprintf(out, "  %s: %s\n", f.path.c_str(), f.reason.c_str());
  std::fflush(out);
  return int(g_failures.size());
}

bool DEMO_MaterialIsDefault(const GFX_Material* material) {
  GFX_Material* shared = GFX_MaterialDefault();
  GFX_MaterialDelete(shared);
  return material == shared;
}

GFX_Picture* DEMO_BlankPicture(void) {
  if (g_blankPicture) return g_blankPicture;
  // Transparent black: nothing shows through a blended draw, an opaque one leaves a black
  // square in the corner.
  GFX_Material* m = GFX_MaterialNew(256, 256, IMG_RGBA);
  if (!m) m = GFX_MaterialDefault();
  g_blankPicture = GFX_PictureFromMaterial(m);
  GFX_MaterialDelete(m);
  return g_blankPicture;
}

IMG_Image* DEMO_BlankImage(int width, int height) { return IMG_ImageCreate(width, height, IMG_RGBA, 0); }

TEXT_Font* DEMO_BlankFont(void) {
  // A sheet without a visible column: every character draws as the transparent blank.
  IMG_Image* sheet = DEMO_BlankImage(TEXT_BLANK_WIDTH, 16);
  TEXT_Font* font = sheet ? TEXT_FontFromSheet(sheet) : nullptr;
  IMG_ImageDelete(sheet);
  return font;
}

KR_Scene* DEMO_BlankScene(const char* name, const DEMO_SceneNeeds& needs) {
  KR_Scene* s = KR_SceneNew(name);
  if (!s) return nullptr;
  GFX_Material* material = GFX_MaterialDefault();
  const int meshes = needs.meshes > 0 ? needs.meshes : 1;
  const int cameras = needs.cameras > 0 ? needs.cameras : 1;
  // Once in the scene's list, the material's reference goes with the scene.
  const bool owned = KR_SceneCreateMaterials(s, 1) && KR_SceneAddMaterial(s, material);
  if (!owned) GFX_MaterialDelete(material);
  bool ok = owned && KR_SceneCreateMeshes(s, meshes) && (needs.lights < 1 || KR_SceneCreateLights(s, needs.lights)) &&
            KR_SceneCreateCameras(s, cameras);
  for (int i = 0; ok && i < meshes; i++) {
    KR_Mesh* m = SpeckMesh(material);
    ok = m && KR_SceneAddMesh(s, m);
    if (!ok && m) KR_MeshDelete(m);
  }
  const float black[4] = {0, 0, 0, 1};
  const KR_Vector origin{0, 0, 0}, back{0, 0, -100};
  for (int i = 0; ok && i < needs.lights; i++) {
    KR_Light* l = KR_LightNew("placeholder");
    ok = l && KR_LightCreate(l, &origin, black) && KR_SceneAddLight(s, l);
  }
  for (int i = 0; ok && i < cameras; i++) {
    KR_Camera* c = KR_CameraNew("placeholder");
    ok = c && KR_CameraCreate(c, &back, &origin) && KR_CameraSetFov(c, 1.5707964f) && KR_SceneAddCamera(s, c);
  }
  if (!ok) {
    KR_SceneDelete(s);
    return nullptr;
  }
  return s;
}

bool DEMO_SceneUsable(const KR_Scene* s, const DEMO_SceneNeeds& needs) {
  if (!s || s->meshCount < 1 || s->meshCount < needs.meshes || s->lightCount < needs.lights ||
      s->cameraCount < needs.cameras)
    return false;
  // The show takes materials from the first polygons of the meshes it names.
  const int named = needs.meshes > 0 ? needs.meshes : 1;
  for (int i = 0; i < named; i++)
    if (!s->meshes[i] || s->meshes[i]->polyCount < 1) return false;
  return true;
}

KR_Scene* DEMO_SceneLoad(const char* file, const char* textureDir, const char* name, const DEMO_SceneNeeds& needs) {
  KR_Scene* s = KR_ImpLoadKrm(file, textureDir, name);
  if (s && !DEMO_SceneUsable(s, needs)) {
    DEMO_ContentFail(file, "lacks the meshes, lights or cameras the show uses");
    KR_SceneDelete(s);
    s = nullptr;
  } else if (!s) {
    DEMO_ContentFail(file, "missing or not a scene");
  }
  if (!s) s = DEMO_BlankScene(name, needs);
  if (s) KR_BindMaterials(s);
  return s;
}

DEMO_SceneSet* DEMO_SceneSetLoad(const char* file, const char* textureDir, const DEMO_SceneNeeds& needs) {
  DEMO_SceneSet* set = DEMO_LoadScene(file, textureDir);
  if (set && !DEMO_SceneUsable(set->scene, needs)) {
    DEMO_ContentFail(file, "lacks the meshes, lights or cameras the show uses");
    DEMO_SceneSetDelete(set);
    set = nullptr;
  } else if (!set) {
    DEMO_ContentFail(file, "missing or not a scene");
  }
  if (set) return set;
  KR_Scene* blank = DEMO_BlankScene("placeholder", needs);
  if (!blank) return nullptr;
  KR_BindMaterials(blank);
  set = SetOf(blank);
  if (!set) KR_SceneDelete(blank);
  return set;
}

FOG_Volume* DEMO_FogCreate(KR_Vector centre, const float* colour) {
  FOG_Sphere* sphere = FOG_SphericalVolumeCreate(&centre, 250.0f);
  FOG_Volume* fog = sphere ? FOG_VolumeCreate(0, sphere) : nullptr;
  if (!fog) {
    // A sphere of radius 0 without density: every line of sight misses it.
    static FOG_Sphere none{};
    static FOG_Volume clear{FOG_SPHERICAL, &none, {0, 0, 0, 0}, {0, 0, 0, 0}, 0.0f};
    if (sphere) KR_Free(sphere);
    return &clear;
  }
  FOG_VolumeSetColour(fog, colour);
  FOG_VolumeSetDensity(fog, 0.005f);
  return fog;
}

DEMO_SceneSet* DEMO_LoadScene(const char* sceneFile, const char* textureDir) {
  KR_Scene* scene = KR_ImpLoadKrm(sceneFile, textureDir, nullptr);
  if (!scene) return nullptr;
  KR_BindMaterials(scene);
  DEMO_SceneSet* set = SetOf(scene);
  if (!set) KR_SceneDelete(scene);
  return set;
}

void DEMO_SceneSetDelete(DEMO_SceneSet* set) {
  if (!set) return;
  KR_SceneDelete(set->scene);
  KR_Free(set->lights);
  KR_Free(set->meshes);
  KR_Free(set);
}

GFX_Picture* DEMO_PictureLoad(const char* file) {
  GFX_Material* m = GFX_MaterialCreate(file);
  GFX_Picture* p = nullptr;
  if (DEMO_MaterialIsDefault(m)) DEMO_ContentFail(file, "missing or unreadable");
  else p = GFX_PictureFromMaterial(m);
  GFX_MaterialDelete(m);
  return p ? p : DEMO_BlankPicture();
}

GFX_Picture* DEMO_PictureLoadAlpha(const char* colourFile, const char* alphaFile) {
  GFX_Material* colour = GFX_MaterialCreate(colourFile);
  GFX_Material* alpha = GFX_MaterialCreate(alphaFile);
  // Either may be the shared default material, whose image belongs to everyone: only a
  // material of our own gets its image replaced.
  const bool haveColour = !DEMO_MaterialIsDefault(colour) && colour->image;
  const bool haveAlpha = !DEMO_MaterialIsDefault(alpha) && alpha->image;
  if (!haveColour) DEMO_ContentFail(colourFile, "missing or unreadable");
  if (!haveAlpha) DEMO_ContentFail(alphaFile, "missing or unreadable");
  GFX_Picture* p = nullptr;
  if (haveColour && haveAlpha) {
    IMG_Image* combined = IMG_ImageCombineAlpha(colour->image, alpha->image);
    if (!combined) {
      DEMO_ContentFail(alphaFile, "does not match its colour picture");
    } else {
      IMG_ImageDelete(colour->image);
      colour->image = combined;
      p = GFX_PictureFromMaterial(colour);
    }
  }
  GFX_MaterialDelete(alpha);
  GFX_MaterialDelete(colour);
  return p ? p : DEMO_BlankPicture();
}

IMG_Image* DEMO_ImageLoadAlpha(const char* colourFile, const char* alphaFile) {
  IMG_Image* colour = colourFile ? IMG_ImageLoad(colourFile) : nullptr;
  IMG_Image* alpha = alphaFile ? IMG_ImageLoad(alphaFile) : nullptr;
  if (!colour) DEMO_ContentFail(colourFile, "missing or unreadable");
  if (!alpha) DEMO_ContentFail(alphaFile, "missing or unreadable");
  IMG_Image* combined = colour && alpha ? IMG_ImageCombineAlpha(colour, alpha) : nullptr;
  if (colour && alpha && !combined) DEMO_ContentFail(alphaFile, "does not match its colour picture");
  IMG_ImageDelete(colour);
  IMG_ImageDelete(alpha);
  return combined;
}
