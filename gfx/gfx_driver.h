// The graphics driver table and frame control: the driver record of function slots, the
// registry of sixteen drivers, selection, mode set, perspective and view frustum, frame begin
// and end, the forwarders to the current driver, the texture layer and the frustum tests.
#pragma once

#include <cstdint>

#include "base/kr_math.h"
#include "platform/win32.h"

struct GFX_Driver;
struct GFX_Material;
struct KR_MeshPoly;

// Render-state codes of GFX_Enable and GFX_Disable.
enum {
  GFX_MODULATE = 1,      // texture colour times the vertex colour (off: texture replaces it)
  GFX_TEXTURE = 2,       // texturing
  GFX_BLEND = 3,         // blending
  GFX_DEPTH_TEST = 4,    // depth test
  GFX_ALPHA_TEST = 5,    // alpha test
  GFX_STENCIL_TEST = 6,  // stencil test
  GFX_COLOUR_WRITE = 7,  // colour writes
  GFX_DEPTH_WRITE = 8,   // depth writes
  GFX_CULL = 9,          // face culling
  GFX_ADD = 10,          // texture colour added to the vertex colour (off: as GFX_MODULATE off)
  GFX_PERSPECTIVE = 11,  // perspective projection (off: the orthographic screen projection)
  GFX_FILTER = 12,       // linear filtering for textures made from now on (off: nearest)
  GFX_FOG = 13,          // white linear fog and white clear colour
};

// Targets of GFX_Set; kind 0 of each is the same as disabling the matching state.
enum {
  GFX_SET_COLOUR = 1,   // 1 constant colour (params: 4 floats r, g, b, a); 2 per-vertex colours
  GFX_SET_TEXTURE = 2,  // 0 texturing off
  GFX_SET_BLEND = 3,    // 1 (one, one); 2 (dst colour, zero); 3 (src alpha, one); 4 (src alpha,
                        // 1 - src alpha); 3 and 4 take the constant colour's alpha from a float
  GFX_SET_DEPTH = 4,    // 1, 2 less-or-equal; 3 greater; 4 greater-or-equal; 6 always
  GFX_SET_STENCIL = 6,  // 1 <, 2 <=, 3 >, 4 >=, 5 ==, 7 != against an int32 reference in params;
                        // 6 always; 8 keep; 9 increment and 10 decrement where depth passes
  GFX_SET_CULL = 9,     // 1 cull front faces, 2 back faces; clockwise faces are front
};

// One driver: a description, 28 operation slots in this order, and the mode state. Slots
// marked spare are never called; the two empty slots are null.
struct GFX_Driver {
  char name[256];
  std::int32_t device_count;
  const char (*devices)[256];

  int (*attach)(HWND window);
  int (*spare2)(void);
  int (*enable)(int code);
  int (*disable)(int code);
  int (*spare5)(void);
  int (*set)(int target, int kind, const void* params);
  int (*set_mode)(int width, int height, int colourBits, int depthBits, int stencilBits, int reserved);
  int (*perspective)(float fov, float nearPlane, float farPlane);
  int (*spare9)(void);
  int (*begin_frame)(void);
  int (*end_frame)(GFX_Driver* driver);
  // Slots 12, 13 and 15 change with the render state: always call through the slot.
  int (*draw_poly)(KR_MeshPoly* poly);
  int (*draw_poly_lm)(KR_MeshPoly* poly);
  int (*begin_quads)(void);
  int (*quad_vertices)(KR_MeshPoly* poly);
  int (*end_prim)(void);
  int (*draw_line)(const KR_Vector* p1, const KR_Vector* p2, const float* colour1, const float* colour2);
  int (*draw_point)(const KR_Vector* p, const float* colour);
  int (*tex_create)(GFX_Material* material);
  int (*tex_delete)(GFX_Material* material);
  int (*tex_upload)(GFX_Material* material);
  int (*tex_bind)(GFX_Material* material);
  int (*max_texture_size)(void);
  int (*stencil_bits)(void);
  int (*empty25)(void);
  int (*empty26)(void);
  int (*clear_stencil)(int value);
  int (*spare28)(void);

  KR_Plane frustum[6];  // camera space: left, right, bottom, top, near, far
  std::int32_t width, height;
};

// Registry and mode.
int GFX_DriverValid(int index);
GFX_Driver* GFX_DriverGet(int index);
GFX_Driver* GFX_DriverCurrent(void);
int GFX_DriverSelect(GFX_Driver* driver, HWND window);
int GFX_SetMode(int width, int height, int colourBits, int depthBits, int stencilBits, int reserved);
// fov in degrees; recomputes the frustum, then loads the driver's projection.
int GFX_SetPerspective(float fov, float nearPlane, float farPlane);
KR_Plane* GFX_GetFrustum(void);
// The six planes of a perspective for a width x height mode, as GFX_SetPerspective sets them.
int GFX_FrustumCompute(KR_Plane planes[6], float fov, float nearPlane, float farPlane, int width, int height);

// A rectangle of the drawable in GL window coordinates (origin bottom-left).
struct GFX_Rect {
  int x, y, width, height;
};
// Where the show draws on a width x height drawable: the largest centred 4:3 rectangle, the
// rest black bars; with `stretch` the whole drawable.
GFX_Rect GFX_AspectRect(int width, int height, int stretch);

// Frame.
void GFX_BeginFrame(void);
float GFX_FrameTime(void);
int GFX_EndFrame(void);
// Frames ended since the driver was selected.
int GFX_FrameCount(void);
// Functions called after every GFX_EndFrame, in the order they were added (at most four; a
// function is added once). The show counts its frames this way, the offline renderer reads
// each frame back.
typedef void (*GFX_FrameObserver)(void);
int GFX_FrameObserverAdd(GFX_FrameObserver observer);
int GFX_FrameObserverRemove(GFX_FrameObserver observer);

// Forwarders to the current driver's slots.
int GFX_Enable(int code);
int GFX_Disable(int code);
int GFX_Set(int target, int kind, const void* params);
int GFX_ClearStencil(int value);
int GFX_DrawPolygon(KR_MeshPoly* poly);
int GFX_DrawPolygonLightmapped(KR_MeshPoly* poly);
int GFX_BeginQuads(void);
int GFX_QuadVertices(KR_MeshPoly* poly);
int GFX_EndQuads(void);
int GFX_DrawLine(const KR_Vector* p1, const KR_Vector* p2, const float* colour1, const float* colour2);
int GFX_DrawPoint(const KR_Vector* p, const float* colour);

// Texture layer for single-layer drawing: 0 the material with (u, v), 1 the lightmap with (lu, lv).
int GFX_SetTextureLayer(int layer);
int GFX_TextureLayer(void);
// The polygon's material of a texture layer.
GFX_Material* GFX_PolyLayerMaterial(const KR_MeshPoly* poly, int layer);

// Render-queue flushes since selection; the queue advances it once per flush.
int GFX_QueueStamp(void);
int GFX_QueueStampAdvance(void);

// Frustum tests: bit j of a point's mask is set when it is not in front of plane j.
int GFX_PointOutsideMask(const KR_Vector* p);
int GFX_PolygonOutsideFrustum(const KR_MeshPoly* poly);
int GFX_BoxOutsideFrustum(const KR_Vector box[8], int* outMask);
