// Pictures: cutting an image into 128x128 tile materials with one screen quadrilateral each,
// and deleting them again.
#include "gfx/gfx_picture.h"

#include <cstring>

#include "base/kr_error.h"
#include "base/kr_memory.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_polygon.h"

namespace {

constexpr int kTile = 128;
constexpr float kScreenWidth = 640.0f;
constexpr float kScreenHeight = 480.0f;

// A cleared array of count records, or null when the size does not fit an allocation.
void* cleared_array(std::int64_t count, std::size_t size, const char* label) {
  std::int64_t bytes = count * std::int64_t(size);
  if (bytes > 0x7FFFFFFF) {
    KR_Error("GFX_PictureFromMaterial - picture too large");
    return nullptr;
  }
  void* p = KR_Malloc(std::int32_t(bytes), label);
  if (p) std::memset(p, 0, std::size_t(bytes));
  return p;
}

void set_vertex(KR_MeshVertex* v, float x, float y, float z) {
  v->position = KR_Vector{x, y, z};
  v->tposition = v->position;
}

// Frees what a picture holds so far; tile materials are released with it.
void release(GFX_Picture* p, int unbind) {
  if (p->materials) {
    for (int t = 0; t < p->tileCount; t++) {
      if (!p->materials[t]) continue;
      if (unbind) GFX_MaterialUnbind(p->materials[t]);
      GFX_MaterialDelete(p->materials[t]);
    }
    KR_Free(p->materials);
  }
  if (p->vertices) KR_Free(p->vertices);
  if (p->polys) KR_Free(p->polys);
  KR_Free(p);
}

// Lays out tile t (row i, column j) as a quadrilateral with its tile material.
void layout_tile(GFX_Picture* p, int i, int j, GFX_Material* material) {
  int t = i * p->columns + j;
  float top = 1.0f - float(i) * 2.0f * kTile / kScreenHeight;
  float bottom = 1.0f - float(i + 1) * 2.0f * kTile / kScreenHeight;
  float vmax = 1.0f;
  if (i == p->rows - 1) {
    bottom = 1.0f - float(p->height) * 2.0f / kScreenHeight;
    vmax = float(p->height - (p->rows - 1) * kTile) / kTile;
  }
  float left = (float(j) * kTile / kScreenWidth) * 2.0f - 1.0f;
  float right = (float(j + 1) * kTile / kScreenWidth) * 2.0f - 1.0f;
  float umax = 1.0f;
  if (j == p->columns - 1) {
    right = float(p->width) * 2.0f / kScreenWidth - 1.0f;
    umax = float(p->width - (p->columns - 1) * kTile) / kTile;
  }
  KR_MeshVertex* v = &p->vertices[4 * t];
  set_vertex(&v[0], left, top, 10.1f);
  set_vertex(&v[1], right, top, 0.1f);
  set_vertex(&v[2], right, bottom, 0.1f);
  set_vertex(&v[3], left, bottom, 0.1f);
  const float us[4] = {0.0f, umax, umax, 0.0f};
  const float vs[4] = {0.0f, 0.0f, vmax, vmax};
  KR_MeshPoly* poly = &p->polys[t];
  poly->cornerCount = 4;
  poly->material = material;
  for (int k = 0; k < 4; k++) {
    poly->corners[k].vertex = &v[k];
    poly->corners[k].u = us[k];
    poly->corners[k].v = vs[k];
  }
}

}  // namespace

GFX_Picture* GFX_PictureFromMaterial(const GFX_Material* material) {
  const IMG_Image* image = material ? material->image : nullptr;
  if (!image || !image->data) {
    KR_Error("GFX_PictureFromMaterial - no image");
    return nullptr;
  }
  int bpp = IMG_BytesPerPixel(image->format);
  if (!bpp || image->width < 0 || image->height < 0) {
    KR_Error("GFX_PictureFromMaterial - bad image (%d x %d, format %d)", image->width, image->height, image->format);
    return nullptr;
  }
  const int W = image->width, H = image->height;

  auto* p = static_cast<GFX_Picture*>(cleared_array(1, sizeof(GFX_Picture), "GFX_PictureFromMaterial - p"));
  if (!p) return nullptr;
  p->columns = (W + kTile - 1) / kTile;
  p->rows = (H + kTile - 1) / kTile;
  p->width = W;
  p->height = H;
  p->tileCount = p->columns * p->rows;
  p->materials = static_cast<GFX_Material**>(
      cleared_array(p->tileCount, sizeof(GFX_Material*), "GFX_PictureFromMaterial - p->materials"));
  p->polys = static_cast<KR_MeshPoly*>(
      cleared_array(p->tileCount, sizeof(KR_MeshPoly), "GFX_PictureFromMaterial - polys"));
  p->vertices = static_cast<KR_MeshVertex*>(
      cleared_array(4 * std::int64_t(p->tileCount), sizeof(KR_MeshVertex), "GFX_PictureFromMaterial - verts"));
  if (!p->materials || !p->polys || !p->vertices) {
    release(p, 0);
    return nullptr;
  }
  p->polyCount = p->tileCount;
  p->vertexCount = 4 * p->tileCount;

  for (int i = 0; i < p->rows; i++)
    for (int j = 0; j < p->columns; j++) {
      GFX_Material* tile = GFX_MaterialNew(kTile, kTile, image->format);
      if (!tile) {
        release(p, 0);
        return nullptr;
      }
      p->materials[i * p->columns + j] = tile;
      layout_tile(p, i, j, tile);
    }

  // Each source row is split into runs of up to 128 pixels, one per tile column; parts of edge
  // tiles beyond the image stay zero.
  const std::size_t stride = std::size_t(W) * std::size_t(bpp);
  for (int y = 0; y < H; y++) {
    const std::uint8_t* row = image->data + std::size_t(y) * stride;
    for (int j = 0; j < p->columns; j++) {
      int run = W - j * kTile < kTile ? W - j * kTile : kTile;
      std::uint8_t* dest = p->materials[(y / kTile) * p->columns + j]->image->data + std::size_t(y % kTile) * kTile * bpp;
      std::memcpy(dest, row + std::size_t(j) * kTile * bpp, std::size_t(run) * bpp);
    }
  }

  // Tiles are sampled without filtering so that picture pixels stay sharp.
  if (GFX_DriverCurrent()) {
    GFX_Disable(GFX_FILTER);
    for (int t = 0; t < p->tileCount; t++) GFX_MaterialBind(p->materials[t]);
    GFX_Enable(GFX_FILTER);
  }
  return p;
}

int GFX_PictureDelete(GFX_Picture* picture) {
  if (!picture) return 0;
  release(picture, 1);
  return 1;
}
