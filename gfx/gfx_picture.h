// Pictures: an image cut into 128x128 texture tiles, each a material, laid out as textured
// quadrilaterals on a 640x480 virtual screen (x and y from -1 to 1) with the picture's
// top-left corner at the screen's top-left and one picture pixel per virtual screen pixel.
#pragma once

#include <cstdint>

struct GFX_Material;
struct KR_MeshPoly;
struct KR_MeshVertex;

struct GFX_Picture {
  GFX_Material** materials;  // one per tile, row-major from the top-left tile
  std::int32_t columns;
  std::int32_t rows;
  std::int32_t width, height;  // the source image's size
  std::int32_t tileCount;
  std::int32_t vertexCount;
  KR_MeshVertex* vertices;  // four per tile; position and tposition alike
  std::int32_t polyCount;
  KR_MeshPoly* polys;  // one quadrilateral per tile
};

// Cuts the material's image into tiles; the material itself is not changed or kept.
GFX_Picture* GFX_PictureFromMaterial(const GFX_Material* material);
int GFX_PictureDelete(GFX_Picture* picture);
