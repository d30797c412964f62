// The polygon records the graphics driver draws: vertices, edges, per-vertex normal records,
// corners and polygons with their two texture layers. Meshes (engine/kr_mesh.h) are arrays of
// these; the driver, the render queue, pictures and the 2D layer use them directly.
#pragma once

#include <cstdint>

#include "base/kr_math.h"

struct GFX_Material;
struct KR_MeshPoly;

struct KR_MeshVertex {
  KR_Vector position;   // object space
  KR_Vector tposition;  // after KR_MeshTransform; camera space while drawing
  float fog[4];         // fog colour R, G, B and amount A
  std::int32_t polyCount;
  KR_MeshPoly** polys;  // owned; valid only for vertices used by a polygon
};

struct KR_MeshEdge {
  KR_MeshVertex* vertexA;
  KR_MeshVertex* vertexB;
  std::int32_t useCount;     // polygon sides on this edge
  std::int32_t shadowCount;  // working counter of the shadow volumes
};

struct KR_MeshNormal {
  KR_Vector normal;
  KR_Vector tnormal;
  float colour[4];
  float litColour[4];
  KR_MeshVertex* vertex;
  std::int32_t stamp;
  std::int32_t lit;
};

struct KR_MeshCorner {
  KR_MeshVertex* vertex;
  KR_MeshNormal* normalRecord;
  KR_Vector normal;
  KR_Vector tnormal;
  float colour[4];  // R, G, B, A
  float u, v;       // texture coordinates of the material
  float lu, lv;     // texture coordinates of the lightmap
};

struct KR_MeshPoly {
  std::int32_t cornerCount;  // 3 or 4
  std::int32_t facing;       // shadow-volume quads only
  std::int32_t smoothing;    // smoothing-group bit mask; 0 = flat
  std::int32_t isStatic;
  GFX_Material* material;  // texture layer 0, drawn with (u, v)
  GFX_Material* lightmap;  // texture layer 1, drawn with (lu, lv)
  KR_Vector normal;
  KR_Vector tnormal;
  KR_MeshCorner corners[4];
  KR_MeshEdge* edges[4];  // edge i joins corner i and corner (i + 1) mod cornerCount
  std::int32_t vertexIndex[4];
  KR_MeshPoly* queueNext;  // render-queue link
  float queueDepth;        // render-queue sort key
};
