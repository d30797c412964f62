// Lightmap files: saving a baked LM_Scene, loading a file back onto a scene (every count,
// index, size and corner count checked before use), and the smoothing of loaded texels.
//
// File (little-endian): magic 0xBEEF (u16), version (u16), two reserved u32, map count (u32),
// then per map: mesh index, width, height, used width, used height, polygon count (u32 each),
// per polygon its index in the mesh, its corner count and a (u, v) float pair per corner, then
// used height rows of used width RGB texels.
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "base/kr_error.h"
#include "base/kr_file.h"
#include "base/kr_read.h"
#include "engine/lm_internal.h"
#include "engine/lm_lightmap.h"
#include "gfx/gfx_material.h"
#include "gfx/img_image.h"
#include "platform/pl_platform.h"

namespace {

// The fewest bytes a map record and a polygon record take.
constexpr std::int64_t kMapBytes = 6 * 4;
constexpr std::int64_t kPolyBytes = 2 * 4;

void put_u32(std::FILE* f, std::uint32_t v) {
  const std::uint8_t b[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
  std::fwrite(b, 1, 4, f);
}

void put_f32(std::FILE* f, float v) {
  std::uint32_t bits;
  std::memcpy(&bits, &v, 4);
  put_u32(f, bits);
}

void save_map(std::FILE* f, const LM_Map& map, int channel) {
  for (std::int32_t v : {map.meshIndex, map.width, map.height, map.usedWidth, map.usedHeight, map.polyCount})
    put_u32(f, std::uint32_t(v));
  for (int k = 0; k < map.polyCount; k++) {
    KR_MeshPoly* p = map.pp[k];
    put_u32(f, std::uint32_t(map.pn[k]));
    put_u32(f, std::uint32_t(p->cornerCount));
    for (int i = 0; i < p->cornerCount && i < 4; i++) {
      put_f32(f, LM_ChannelU(p->corners[i], channel));
      put_f32(f, LM_ChannelV(p->corners[i], channel));
    }
  }
  // From the image where it is still held, else straight from the patches.
  const IMG_Image* image = map.material ? map.material->image : nullptr;
  const bool fromImage = image && image->format == IMG_RGB && image->width == map.width && image->height == map.height;
  for (int j = 0; j < map.usedHeight; j++)
    for (int i = 0; i < map.usedWidth; i++) {
      const int at = j * map.width + i;
      for (int c = 0; c < 3; c++)
        std::fputc(fromImage ? image->data[3 * at + c] : LM_Texel(map.patches[at].colour[c]), f);
    }
}

// Lightmaps of an earlier load: no polygon keeps pointing at them once they are released.
void release_lightmaps(KR_Scene* scene) {
  if (scene->lightmapCount == 0) return;
  for (int i = 0; i < scene->meshCount; i++) {
    KR_Mesh* m = scene->meshes[i];
    for (int k = 0; m && k < m->polyCount; k++)
      for (int j = 0; j < scene->lightmapCount; j++) {
        if (m->polys[k].material == scene->lightmaps[j]) m->polys[k].material = nullptr;
        if (m->polys[k].lightmap == scene->lightmaps[j]) m->polys[k].lightmap = nullptr;
      }
  }
  for (int j = 0; j < scene->lightmapCount; j++) {
    GFX_MaterialUnbind(scene->lightmaps[j]);
    GFX_MaterialDelete(scene->lightmaps[j]);
  }
  scene->lightmapCount = 0;
}

struct Loader {
  KR_Reader r;
  KR_Scene* scene;
  int channel;
  const char* name;
};

int refuse(Loader& L, const char* note, int value) {
  KR_Error("LM_SceneLoad - %s (%d) in %s", note, value, L.name);
  return 0;
}

int load_polygon(Loader& L, KR_Mesh* mesh, GFX_Material* material) {
  const std::int32_t index = KR_ReadI32(&L.r);
  const std::int32_t corners = KR_ReadI32(&L.r);
  if (!L.r.ok) return refuse(L, "file ends inside a polygon", 0);
  if (index < 0 || index >= mesh->polyCount) return refuse(L, "polygon index out of range", index);
  KR_MeshPoly* p = &mesh->polys[index];
  if (corners != p->cornerCount || corners < 0 || corners > 4) return refuse(L, "corner count differs", corners);
  float uv[4][2];
  for (int i = 0; i < corners; i++) {
    uv[i][0] = KR_ReadF32(&L.r);
    uv[i][1] = KR_ReadF32(&L.r);
  }
  if (!L.r.ok) return refuse(L, "file ends inside a polygon", index);
  LM_ChannelSlot(p, L.channel) = material;
  for (int i = 0; i < corners; i++) {
    LM_ChannelU(p->corners[i], L.channel) = uv[i][0];
    LM_ChannelV(p->corners[i], L.channel) = uv[i][1];
  }
  return 1;
}

int load_map(Loader& L, int passes) {
  std::int32_t head[6];
  for (std::int32_t& v : head) v = KR_ReadI32(&L.r);
  if (!L.r.ok) return refuse(L, "file ends inside a map", 0);
  const auto [meshIndex, width, height, usedWidth, usedHeight, polys] = head;
  if (meshIndex < 0 || meshIndex >= L.scene->meshCount || !L.scene->meshes[meshIndex])
    return refuse(L, "mesh index out of range", meshIndex);
  // The texel block is written into the image: it must fit inside it.
  if (width < 1 || width > LM_MAX_SIZE || height < 1 || height > LM_MAX_SIZE)
    return refuse(L, "texture size out of range", width < 1 || width > LM_MAX_SIZE ? width : height);
  if (usedWidth < 0 || usedWidth > width || usedHeight < 0 || usedHeight > height)
    return refuse(L, "used size out of range", usedWidth < 0 || usedWidth > width ? usedWidth : usedHeight);
  if (polys < 0 || polys > KR_ReadRemaining(&L.r) / kPolyBytes) return refuse(L, "polygon count out of range", polys);

  GFX_Material* material = GFX_MaterialNew(width, height, IMG_RGB);
  if (!material) return 0;
  if (!KR_SceneAddLightmap(L.scene, material)) {
    GFX_MaterialDelete(material);
    return 0;
  }
  KR_Mesh* mesh = L.scene->meshes[meshIndex];
  for (int k = 0; k < polys; k++)
    if (!load_polygon(L, mesh, material)) return 0;

  IMG_Image* image = material->image;
  const std::int32_t row = usedWidth * 3;
  if (std::int64_t(row) * usedHeight > KR_ReadRemaining(&L.r)) return refuse(L, "file ends inside the texels", usedHeight);
  for (int j = 0; j < usedHeight; j++)
    if (row && KR_Fread(image->data + std::size_t(j) * width * 3, row, 1, L.r.file) != 1)
      return refuse(L, "file ends inside the texels", j);
  LM_Smooth(image, usedWidth, usedHeight, passes);
  return 1;
}

}  // namespace

int LM_SceneSave(const char* fileName, const LM_Scene* lm, int channel) {
  if (!lm) {
    KR_Error("LM_SceneSave - no scene");
    return 0;
  }
  std::FILE* f = fileName ? PL_Fopen(fileName, "wb") : nullptr;
  if (!f) {
    KR_Error("LM_SceneSave - unable to create (%s)", fileName ? fileName : "");
    return 0;
  }
  const std::uint8_t header[4] = {LM_MAGIC & 0xFF, LM_MAGIC >> 8, LM_VERSION & 0xFF, LM_VERSION >> 8};
  std::fwrite(header, 1, 4, f);
  put_u32(f, 0);
  put_u32(f, 0);
  put_u32(f, std::uint32_t(lm->mapCount));
  for (int j = 0; j < lm->mapCount; j++) save_map(f, lm->maps[j], channel);
  // A full disk must not pass for a saved file.
  const bool failed = std::ferror(f) != 0;
  if (std::fclose(f) != 0 || failed) {
    KR_Error("LM_SceneSave - unable to write (%s)", fileName);
    return 0;
  }
  return 1;
}

int LM_SceneLoad(KR_Scene* scene, const char* fileName, int channel, int passes) {
  if (!scene) {
    KR_Error("LM_SceneLoad - no scene");
    return 0;
  }
  if (channel != 0 && channel != 1) {
    KR_Error("LM_SceneLoad - channel out of range (%d)", channel);
    return 0;
  }
  KR_File* f = fileName ? KR_Fopen(fileName, "rb") : nullptr;
  if (!f) {
    KR_Error("LM_SceneLoad - unable to open (%s)", fileName ? fileName : "");
    return 0;
  }
  Loader L{{f, 1, 0}, scene, channel, fileName};
  const std::uint16_t magic = KR_ReadU16(&L.r);
  KR_ReadU16(&L.r);  // version, not checked
  KR_ReadU32(&L.r);
  KR_ReadU32(&L.r);
  const std::int32_t maps = KR_ReadI32(&L.r);
  int ok = 1;
  if (!L.r.ok || magic != LM_MAGIC) {
    KR_Error("LM_SceneLoad - magic number mismatch (%s)", fileName);
    ok = 0;
  } else if (maps < 0 || maps > KR_ReadRemaining(&L.r) / kMapBytes) {
    ok = refuse(L, "map count out of range", maps);
  } else {
    release_lightmaps(scene);
    ok = KR_SceneCreateLightmaps(scene, maps);
  }
  for (int j = 0; ok && j < maps; j++) ok = load_map(L, passes);
  // The file is closed whatever was refused.
  KR_Fclose(f);
  return ok;
}

void LM_Smooth(IMG_Image* image, int usedWidth, int usedHeight, int passes) {
  if (!image || image->format != IMG_RGB || usedWidth > image->width || usedHeight > image->height) return;
  const int stride = image->width * 3;
  for (int pass = 0; pass < passes; pass++)
    for (int y = 1; y < usedHeight - 1; y++)
      for (int x = 1; x < usedWidth - 1; x++) {
        std::uint8_t* t = image->data + y * stride + x * 3;
        for (int c = 0; c < 3; c++) t[c] = std::uint8_t((t[c - stride] + t[c + stride] + t[c - 3] + t[c + 3]) / 4);
      }
}
