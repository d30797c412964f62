// Materials: an image with a texture, a blend kind and two colours. Created from image files
// (with fallbacks that never fail), from blank images or as solid colours, and handed to the
// current driver's texture slots.
#pragma once

#include <cstdint>

#include "gfx/img_image.h"

struct KR_MeshPoly;

// How the render queue draws a material's polygons.
enum {
  GFX_KIND_OPAQUE = 0,
  GFX_KIND_ADD = 1,
  GFX_KIND_MULTIPLY = 2,
  GFX_KIND_ADD_OPACITY = 3,
  GFX_KIND_ALPHA_OPACITY = 4,
};

struct GFX_Material {
  IMG_Image* image;  // null once dropped after upload
  std::int32_t kind;
  float colourA[4];  // r, g, b, a; (0, 0, 0, 0) at creation
  float colourB[4];  // (1, 1, 1, 1) at creation
  float opacity;     // alpha of kinds 3 and 4
  std::int32_t refCount;
  std::int32_t created;  // the driver made the texture
  std::uint32_t texture;  // the driver's texture name
  std::int32_t queueStamp;  // flush the material was last queued in; -1 at creation
  GFX_Material* queueNext;
  KR_MeshPoly* queueFirst;
  KR_MeshPoly* queueLast;
  char name[272];  // set by GFX_MaterialCreate only
};

GFX_Material* GFX_MaterialNew(std::int32_t width, std::int32_t height, std::int32_t format);
GFX_Material* GFX_MaterialNewSolid(std::int32_t width, std::int32_t height, int r, int g, int b);
// Never null: a file that cannot be loaded gives a solid colour for a name ".<number>" (the
// number is 0xRRGGBB in decimal) and the shared default material for any other name.
GFX_Material* GFX_MaterialCreate(const char* name);
// The shared white 256x256 material; each request adds a reference.
GFX_Material* GFX_MaterialDefault(void);
// Drops a reference; frees the material with the last one (1), else 0.
int GFX_MaterialDelete(GFX_Material* material);

// Texture functions: 0 without a current driver.
// Creates the texture and drops the image.
int GFX_MaterialBind(GFX_Material* material);
// Creates the texture and keeps the image for later updates.
int GFX_MaterialUpload(GFX_Material* material);
int GFX_MaterialUnbind(GFX_Material* material);
// Sends the image into the existing texture again.
int GFX_MaterialUpdate(GFX_Material* material);
int GFX_MaterialUse(GFX_Material* material);
int GFX_MaxTextureSize(void);
int GFX_StencilBits(void);

int GFX_MaterialSetOpacity(GFX_Material* material, float opacity);
int GFX_MaterialSetColourA(GFX_Material* material, float r, float g, float b, float a);
int GFX_MaterialSetColourB(GFX_Material* material, float r, float g, float b, float a);
int GFX_MaterialSetKind(GFX_Material* material, std::int32_t kind);
