// The OpenGL driver: its driver record, its module state (a shadow of the render state, the
// texture bookkeeping, the multitexture entry points and the 256x256 render target), the
// mode set and shutdown, and every slot implementation, named so that tests and the screen
// effects can reach them directly.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstdint>

#include "gfx/gfx_driver.h"
#include "platform/win32.h"

struct GFX_Material;
struct KR_MeshPoly;

struct GFX_OglState {
  HWND window;
  HDC dc;
  HGLRC context;
  PIXELFORMATDESCRIPTOR pfd;
  std::int32_t modeWidth, modeHeight;
  float constantColour[4];  // r, g, b, a
  std::int32_t vertexColour;    // colour source: the polygon's corner colours
  std::int32_t constantColourOn;  // colour source: constantColour
  std::int32_t texturing;
  std::int32_t perspective;  // 1 while the perspective projection is loaded, 0 in screen projection
  std::int32_t filter;       // 1 linear, 0 nearest, for textures created or uploaded from now on
  float lastFov, lastNear, lastFar;
  GFX_Material* lastBound;
  std::int32_t bindLock;  // while 1, tex_bind does nothing
  std::int32_t multitexture;
  GFX_Material* unit0;
  GFX_Material* unit1;
  PFNGLACTIVETEXTUREARBPROC activeTexture;
  PFNGLMULTITEXCOORD1FARBPROC multiTexCoord1f;
  PFNGLMULTITEXCOORD2FARBPROC multiTexCoord2f;
  PFNGLMULTITEXCOORD3FARBPROC multiTexCoord3f;
  PFNGLMULTITEXCOORD4FARBPROC multiTexCoord4f;
  GLuint renderTarget;
  std::uint32_t bindCount;  // glBindTexture calls the driver issued; for tests and statistics
  // Where the show draws: the 4:3 part of the drawable (all of it when `stretch`). The
  // viewport, the scissor bands and the render target's captures all lie inside it.
  std::int32_t stretch;  // set before the mode
  GFX_Rect view;
  GLuint offscreen;  // framebuffer object drawn into instead of the window; 0 for none
  // While 1 nothing is drawn, cleared, copied or shown, but every change of render state and
  // every texture upload still happens: a show run ahead to a later moment keeps the exact
  // state it would have had, at the cost of its logic alone.
  std::int32_t skipDrawing;
};

extern GFX_OglState GFX_ogl;
// The driver's record; the registry holds it at index 3.
extern GFX_Driver GFX_oglDriver;

// An entry point of the current context into `slot`; false where it has none.
template <typename F>
bool GFX_OglFetch(F& slot, const char* name) {
  slot = reinterpret_cast<F>(wglGetProcAddress(name));
  return slot != nullptr;
}

// The screen effects' translucent passes as one pass of lookups (gfx_ogl_taps.cpp). Each
// lookup's texture coordinates are an affine function of the GL position: u = u[0] x + u[1] y
// + u[2], v likewise.
constexpr int GFX_OGL_TAPS = 20;
struct GFX_OglTap {
  float u[4], v[4];  // the fourth unused: the two rows go to the program as they stand
};
// The corners of a pass (bottom-left, bottom-right, top-right, top-left), in GL coordinates or
// texture coordinates.
using GFX_OglCorners = std::array<std::array<float, 2>, 4>;
// Builds the program on the current context; 0 where the OpenGL runs no shaders, where it did
// not build, or with VELMAR_GL_FIXED=1: the effects then draw their passes one by one.
int GFX_OglTapsStart(void);
// Deletes the program and its frame copy from the current context; the passes draw one by one.
void GFX_OglTapsStop(void);
int GFX_OglTapsReady(void);
// The lookup of a pass that maps the texture coordinates uv at the corners xy (a
// parallelogram, corners 0, 1 and 3 spanning it).
void GFX_OglTapsFromCorners(const GFX_OglCorners& xy, const GFX_OglCorners& uv, GFX_OglTap* tap);
// An 8-bit blender's product of two channel values p and q (0..255), as llvmpipe rounds it:
// (pq + pq / 256 + 128) / 256 in integers.
int GFX_OglBlendMul(int p, int q);
// K and C that make floor(p K + C) that product for every p, for the lookup program's blends.
void GFX_OglBlendFit(int q, float* k, float* c);
// The GFX_OGL_TAPS full-screen passes of the bound texture, each blended with `alpha` over the
// last (SRC_ALPHA, ONE_MINUS_SRC_ALPHA), as one quad at GL depth z, with the frame the same to
// the bit. The caller has set the passes' states, which are left as they were. 0 without the
// program.
int GFX_OglTapsDraw(const GFX_OglTap* taps, float alpha, float z);

// Context and frame.
int GFX_OglAttach(HWND window);
int GFX_OglSetMode(int width, int height, int colourBits, int depthBits, int stencilBits, int reserved);
int GFX_OglShutdown(void);
// The render state the mode set starts from: back faces culled (clockwise is front), depth
// test less-or-equal with writes, colour writes, no alpha test, texturing modulated by
// per-vertex colours, no blending, linear filtering, clear to depth 1 and black.
int GFX_OglDefaultState(void);
int GFX_OglPerspective(float fov, float nearPlane, float farPlane);
int GFX_OglBeginFrame(void);
int GFX_OglEndFrame(GFX_Driver* driver);
int GFX_OglMaxTextureSize(void);
// The OpenGL implementation's name for what draws (GL_RENDERER); "" without a context.
const char* GFX_OglRendererName(void);
// Its version line (GL_VERSION: "4.5 (Compatibility Profile) Mesa ...", "OpenGL ES 3.2 ..."); ""
// without a context.
const char* GFX_OglVersionName(void);
// Who made the implementation, what draws and which version: "VENDOR, RENDERER, OpenGL
// VERSION" (GL_VENDOR, GL_RENDERER, GL_VERSION); "" without a context.
const char* GFX_OglDescription(void);
int GFX_OglStencilBits(void);
int GFX_OglClearStencil(int value);
// gluPerspective: multiplies the current matrix by the perspective of a vertical field of view
// in degrees, an aspect ratio (width / height) and the clip distances.
void GFX_OglGluPerspective(double fovy, double aspect, double zNear, double zFar);

// Render state.
int GFX_OglEnable(int code);
int GFX_OglDisable(int code);
int GFX_OglSet(int target, int kind, const void* params);
// Chooses draw_poly and quad_vertices for the colour and texturing flags.
void GFX_OglReselect(void);
// Switches drawing off (1) or back on (0); see skipDrawing.
void GFX_OglSkipDrawing(int skip);

// Recomputes the view of the current drawable (modeWidth x modeHeight) and loads its viewport
// and projection.
void GFX_OglViewUpdate(void);
// Paints everything outside the view black; the frame end calls it.
void GFX_OglPaintBars(void);

// Offscreen drawing: from now on frames are drawn into a framebuffer of width x height
// (mode and view follow it) and never shown. 1 on success.
int GFX_OglOffscreenCreate(int width, int height);
// The largest width and height an offscreen framebuffer can have here; 0 without a context.
int GFX_OglOffscreenLimit(void);
// Starts reading back the frame just drawn and returns the one before it, or null when there
// is none: width x height RGBA pixels, rows from the bottom, valid until the next call.
const std::uint8_t* GFX_OglOffscreenRead(void);
// Waits for the frame whose read was started last and returns it (null when none).
const std::uint8_t* GFX_OglOffscreenFlush(void);
void GFX_OglOffscreenRelease(void);

// The polygon drawing variants, by colour source and texturing, and their quad counterparts.
int GFX_OglDrawPolyConstantTextured(KR_MeshPoly* poly);
int GFX_OglDrawPolyConstant(KR_MeshPoly* poly);
int GFX_OglDrawPolyVertexTextured(KR_MeshPoly* poly);
int GFX_OglDrawPolyVertex(KR_MeshPoly* poly);
int GFX_OglDrawPolyTextured(KR_MeshPoly* poly);
int GFX_OglDrawPolyPlain(KR_MeshPoly* poly);
int GFX_OglQuadConstantTextured(KR_MeshPoly* poly);
int GFX_OglQuadConstant(KR_MeshPoly* poly);
int GFX_OglQuadVertexTextured(KR_MeshPoly* poly);
int GFX_OglQuadVertex(KR_MeshPoly* poly);
int GFX_OglQuadTextured(KR_MeshPoly* poly);
int GFX_OglQuadPlain(KR_MeshPoly* poly);
// Base times lightmap: two blended passes, or one pass on two texture units.
int GFX_OglDrawPolyLmTwoPass(KR_MeshPoly* poly);
int GFX_OglDrawPolyLmMulti(KR_MeshPoly* poly);
// The polygon and quad slots while drawing is skipped.
int GFX_OglDrawNothing(KR_MeshPoly* poly);
int GFX_OglBeginQuads(void);
int GFX_OglEndPrim(void);
int GFX_OglDrawLine(const KR_Vector* p1, const KR_Vector* p2, const float* colour1, const float* colour2);
int GFX_OglDrawPoint(const KR_Vector* p, const float* colour);

// Textures.
int GFX_OglTexCreate(GFX_Material* material);
int GFX_OglTexDelete(GFX_Material* material);
int GFX_OglTexUpload(GFX_Material* material);
int GFX_OglTexBind(GFX_Material* material);
// Uploads width x height pixels (in the layout of the material's image format) at (x, y) into
// the material's existing texture; clip playback calls it for every new frame.
int GFX_OglTexSubUpload(GFX_Material* material, int x, int y, int width, int height, const void* pixels);
// Gives the render target its 256x256 store from what the framebuffer holds now; the mode set
// does it, and an offscreen framebuffer again (a context without a window has no other).
void GFX_OglTargetStore(void);
// Binds a GL texture name outside the material bookkeeping (the render target) and forgets
// the last bound material, so that the next tex_bind binds again.
void GFX_OglBindRaw(GLuint texture);
