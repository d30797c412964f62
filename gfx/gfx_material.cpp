// Materials: creation from files, blank and solid images, the shared default material,
// reference-counted deletion, the texture functions that reach the current driver, and the
// setters.
#include "gfx/gfx_material.h"

#include <cstdio>
#include <cstring>

#include "base/kr_error.h"
#include "base/kr_memory.h"
#include "gfx/gfx_colour.h"
#include "gfx/gfx_driver.h"

namespace {

constexpr int kDefaultSize = 256;
constexpr int kSolidSize = 16;

GFX_Material g_default;
int g_defaultBuilt = 0;

void init_record(GFX_Material* m, IMG_Image* image) {
  std::memset(m, 0, sizeof(*m));
  m->image = image;
  m->kind = GFX_KIND_OPAQUE;
  GFX_ColourSet(m->colourA, 0.0f, 0.0f, 0.0f, 0.0f);
  GFX_ColourSet(m->colourB, 1.0f, 1.0f, 1.0f, 1.0f);
  m->opacity = 1.0f;
  m->refCount = 1;
  m->created = 0;
  m->queueStamp = -1;
}

void fill_rgb(IMG_Image* image, int r, int g, int b) {
  std::int64_t pixels = std::int64_t(image->width) * image->height;
  for (std::int64_t i = 0; i < pixels; i++) {
    image->data[3 * i] = std::uint8_t(r);
    image->data[3 * i + 1] = std::uint8_t(g);
    image->data[3 * i + 2] = std::uint8_t(b);
  }
}

// The current driver for a texture function, or null after reporting why not.
GFX_Driver* texture_driver(const char* function, const GFX_Material* material) {
  GFX_Driver* d = GFX_DriverCurrent();
  if (!d) KR_Error("%s - no driver", function);
  else if (!material) KR_Error("%s - no material", function);
  return d && material ? d : nullptr;
}

}  // namespace

GFX_Material* GFX_MaterialNew(std::int32_t width, std::int32_t height, std::int32_t format) {
  IMG_Image* image = IMG_ImageCreate(width, height, format, 0);
  if (!image) return nullptr;
  auto* m = static_cast<GFX_Material*>(KR_Malloc(sizeof(GFX_Material), "GFX_MaterialNew - m"));
  if (!m) {
    IMG_ImageDelete(image);
    return nullptr;
  }
  init_record(m, image);
  return m;
}

GFX_Material* GFX_MaterialNewSolid(std::int32_t width, std::int32_t height, int r, int g, int b) {
  GFX_Material* m = GFX_MaterialNew(width, height, IMG_RGB);
  if (m) fill_rgb(m->image, r, g, b);
  return m;
}

GFX_Material* GFX_MaterialCreate(const char* name) {
  IMG_Image* image = name ? IMG_ImageLoad(name) : nullptr;
  if (!image) {
    int c = 0;
    if (name && name[0] == '.' && std::sscanf(name + 1, "%d", &c) == 1) {
      GFX_Material* solid = GFX_MaterialNewSolid(kSolidSize, kSolidSize, (c >> 16) & 255, (c >> 8) & 255, c & 255);
      if (solid) return solid;
    }
    return GFX_MaterialDefault();
  }
  auto* m = static_cast<GFX_Material*>(KR_Malloc(sizeof(GFX_Material), "GFX_MaterialCreate - m"));
  if (!m) {
    IMG_ImageDelete(image);
    return GFX_MaterialDefault();
  }
  init_record(m, image);
  std::snprintf(m->name, sizeof(m->name), "%s", name);
  return m;
}

GFX_Material* GFX_MaterialDefault(void) {
  if (!g_defaultBuilt) {
    IMG_Image* image = IMG_ImageCreate(kDefaultSize, kDefaultSize, IMG_RGB, 0);
    if (image) fill_rgb(image, 255, 255, 255);
    init_record(&g_default, image);
    g_defaultBuilt = 1;
  } else {
    g_default.refCount++;
  }
  // The texture is made as soon as a driver is there; the image stays, since pictures may be
  // cut from the default material.
  if (!g_default.created && g_default.image && GFX_DriverCurrent()) GFX_MaterialUpload(&g_default);
  return &g_default;
}

int GFX_MaterialDelete(GFX_Material* material) {
  if (!material) return 0;
  if (material == &g_default) {
    // Shared and static: counted, never freed.
    if (g_default.refCount > 0) g_default.refCount--;
    return 0;
  }
  if (--material->refCount > 0) return 0;
  if (material->image) IMG_ImageDelete(material->image);
  KR_Free(material);
  return 1;
}

int GFX_MaterialBind(GFX_Material* material) {
  GFX_Driver* d = texture_driver("GFX_MaterialBind", material);
  if (!d) return 0;
  if (material->created) return 1;
  int result = d->tex_create(material);
  // The default material is shared and keeps its image for everyone else.
  if (result && material != &g_default && material->image) {
    IMG_ImageDelete(material->image);
    material->image = nullptr;
  }
  return result;
}

int GFX_MaterialUpload(GFX_Material* material) {
  GFX_Driver* d = texture_driver("GFX_MaterialUpload", material);
  if (!d) return 0;
  if (material->created) return 1;
  return d->tex_create(material);
}

int GFX_MaterialUnbind(GFX_Material* material) {
  GFX_Driver* d = texture_driver("GFX_MaterialUnbind", material);
  if (!d) return 0;
  if (material->refCount < 2 && material->created) return d->tex_delete(material);
  return 0;
}

int GFX_MaterialUpdate(GFX_Material* material) {
  GFX_Driver* d = texture_driver("GFX_MaterialUpdate", material);
  return d ? d->tex_upload(material) : 0;
}

int GFX_MaterialUse(GFX_Material* material) {
  GFX_Driver* d = GFX_DriverCurrent();
  if (!d) {
    KR_Error("GFX_MaterialUse - no driver");
    return 0;
  }
  return d->tex_bind(material);
}

int GFX_MaxTextureSize(void) {
  GFX_Driver* d = GFX_DriverCurrent();
  return d ? d->max_texture_size() : 0;
}

int GFX_StencilBits(void) {
  GFX_Driver* d = GFX_DriverCurrent();
  return d ? d->stencil_bits() : 0;
}

int GFX_MaterialSetOpacity(GFX_Material* material, float opacity) {
  if (!material) return 0;
  material->opacity = opacity;
  return 1;
}

int GFX_MaterialSetColourA(GFX_Material* material, float r, float g, float b, float a) {
  if (!material) return 0;
  GFX_ColourSet(material->colourA, r, g, b, a);
  return GFX_ColourClamp(material->colourA);
}

int GFX_MaterialSetColourB(GFX_Material* material, float r, float g, float b, float a) {
  if (!material) return 0;
  GFX_ColourSet(material->colourB, r, g, b, a);
  return GFX_ColourClamp(material->colourB);
}

int GFX_MaterialSetKind(GFX_Material* material, std::int32_t kind) {
  if (!material) return 0;
  material->kind = kind;
  return 1;
}
