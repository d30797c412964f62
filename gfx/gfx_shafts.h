// The projected-picture cross with light shafts: a background picture at z = 0, two long boxes
// crossing in front of it with the picture projected onto them from a fixed eye point, and 62
// translucent slices fanning out from that eye, clipped away inside the boxes' shadow volumes.
//
// GFX_ShaftsDraw talks to OpenGL directly. Everything it draws is computed first by the
// geometry functions below, which touch no GL and are what the tests and the fuzz target drive.
#pragma once

#include "base/kr_math.h"

// Texture rectangle of the picture; (u0, v0) belongs to the top-left corner. The default is the
// frame area of a clip texture (0, 0.625, 0, 0.46875).
int GFX_ShaftsSetRect(float u0, float u1, float v0, float v1);
// One frame of the cross, turned by angle radians, seen through the camera matrix. The caller has
// begun the frame, bound the picture's texture and set the projection. The bound texture's wrap
// modes are clamped while drawing and restored afterwards.
int GFX_ShaftsDraw(float angle, const KR_Matrix* camera);

// ---- Geometry ----

constexpr int GFX_SHAFTS_POOL_VERTICES = 656;  // vertices clipping may make per slice
constexpr int GFX_SHAFTS_POOL_PLANES = 256;    // shadow-volume planes per frame
constexpr int GFX_SHAFTS_POLY_CORNERS = 164;   // corners of one clipped polygon
constexpr int GFX_SHAFTS_MAX_FANS = 256;       // fans one slice may draw as
constexpr int GFX_SHAFTS_FAN_CORNERS = 4096;   // corners of all fans of one slice together
constexpr int GFX_SHAFTS_SLICES = 62;          // 31 vertical, then 31 horizontal

// The projection eye and the length of the shafts from it.
constexpr KR_Vector GFX_SHAFTS_EYE = {0.0f, 0.0f, -900.0f};
constexpr float GFX_SHAFTS_LENGTH = 4000.0f;

struct GFX_ShaftsRect {
  float u0, u1, v0, v1;
};

// A corner of a slice: position, projective texture coordinate (s, t, q) and colour.
struct GFX_ShaftsVertex {
  KR_Vector pos;
  float tex[3];
  float colour[4];
};

struct GFX_ShaftsEdge {
  int a, b;     // corner indices
  int counter;  // 2 minus the number of eye-facing triangles sharing it
  int flag;     // 1 when an eye-facing triangle walks it from a to b
};

struct GFX_ShaftsTriangle {
  int corner[3];
  float colour[3][4];
  float tex[3][3];  // s, t, q per corner
  int edge[3];      // edges of sides corner 0-1, 1-2, 2-0
};

struct GFX_ShaftsBox {
  int cornerCount;
  float rotation[9];  // row-major; a corner p becomes p . R + T
  float translation[3];
  KR_Vector scaled[8];
  KR_Vector corners[8];  // transformed
  GFX_ShaftsTriangle triangles[12];
  int edgeCount;
  GFX_ShaftsEdge edges[18];
};

// A box's shadow volume: a run of the frame's planes. A point is inside when it is in front
// (n . p > d) of every plane.
struct GFX_ShaftsVolume {
  const KR_Plane* planes;
  int count;
};

// Everything one frame of the cross is drawn from.
struct GFX_ShaftsFrame {
  int built;  // boxes created
  GFX_ShaftsRect rect;
  GFX_ShaftsBox boxes[2];
  KR_Plane planes[GFX_SHAFTS_POOL_PLANES];
  int planeCount;
  GFX_ShaftsVolume volumes[2];
};

// One slice and what it draws as: fans of corners that point at the quad or the pool.
struct GFX_ShaftsSlice {
  GFX_ShaftsVertex quad[4];
  GFX_ShaftsVertex pool[GFX_SHAFTS_POOL_VERTICES];
  int poolCount;
  const GFX_ShaftsVertex* corners[GFX_SHAFTS_FAN_CORNERS];
  int cornerCount;
  int fanStart[GFX_SHAFTS_MAX_FANS];
  int fanSize[GFX_SHAFTS_MAX_FANS];
  int fanCount;
};

// Scaled unit cube: corners, the 12 triangles (white, texture (0.5, 0.5, 1)) and the 18 edges.
void GFX_ShaftsBoxBuild(GFX_ShaftsBox* box, float sx, float sy, float sz);
// The cross's rotation for an angle: Z . Y, row-major 3x3.
void GFX_ShaftsRotation(float angle, float r[9]);
void GFX_ShaftsBoxTransform(GFX_ShaftsBox* box, const float r[9], const float t[3]);
// Brightness of a surface point with normal n lit from the eye: 0 facing away, edge-on or NaN.
float GFX_ShaftsShade(const KR_Vector* p, const KR_Vector* n);
// Corner colours and projective texture coordinates of every triangle.
void GFX_ShaftsBoxShade(GFX_ShaftsBox* box, const GFX_ShaftsRect* rect);
// Appends the box's shadow-volume planes to the frame's pool. Returns 0, with an empty volume,
// when they would not fit.
int GFX_ShaftsBoxVolume(GFX_ShaftsBox* box, GFX_ShaftsFrame* frame, GFX_ShaftsVolume* volume);
// Creates the boxes on first use, turns them, shades them and rebuilds both shadow volumes.
void GFX_ShaftsFrameBuild(GFX_ShaftsFrame* frame, float angle);

// The picture-plane edge of slice i (0..61) with its texture coordinates (q = 1).
void GFX_ShaftsSliceEdge(int i, const GFX_ShaftsRect* rect, KR_Vector* a, KR_Vector* b, float ta[3], float tb[3]);
// The slice's quad from a picture-plane edge: A, B, the far ends B', A', with projective q.
void GFX_ShaftsSliceMake(GFX_ShaftsSlice* slice, const KR_Vector* a, const KR_Vector* b, const float ta[3],
                         const float tb[3]);
// Clips the quad against the volumes (list 2 first, then list 1 for what lies outside each of
// its planes) into fans. Returns 1; 0 when a pool would overflow, the slice then being the
// unclipped quad as one fan.
int GFX_ShaftsSliceClip(GFX_ShaftsSlice* slice, const GFX_ShaftsVolume* volumes, int volumeCount);
// The model-view matrix the camera becomes for GL: elements 2, 6, 8, 9 and 14 negated.
void GFX_ShaftsViewMatrix(const KR_Matrix* camera, float out[16]);
