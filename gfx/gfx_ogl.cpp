// The OpenGL driver's record and module state, the context: window sizing, pixel format,
// context creation, default render state, multitexture entry points and the render target;
// its release at exit; the projection and the frame slots.
#include "gfx/gfx_ogl.h"

#include <GL/glext.h>

#include <cmath>
#include <cstring>
#include <string>

#include "base/kr_error.h"
#include "gfx/gfx_ogl_debug.h"
#include "platform/pl_platform.h"

namespace {

int spare_one(void) { return 1; }
int spare_zero(void) { return 0; }

const char kDevices[1][256] = {"Default Open GL"};

constexpr int kTargetSize = 256;

// Whether the bound framebuffer can be read: always so without framebuffer objects, where
// the only framebuffer is the window's.
bool framebuffer_readable() {
  auto status = reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSPROC>(wglGetProcAddress("glCheckFramebufferStatus"));
  return !status || status(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

// One of OpenGL's strings; "" without a context or where it has none.
const char* gl_string(GLenum name) {
  const GLubyte* text = GFX_ogl.context ? glGetString(name) : nullptr;
  return text ? reinterpret_cast<const char*>(text) : "";
}

}  // namespace

GFX_OglState GFX_ogl = {
    .window = nullptr,
    .dc = nullptr,
    .context = nullptr,
    .pfd = {},
    .modeWidth = 1,
    .modeHeight = 1,
    .constantColour = {1.0f, 1.0f, 1.0f, 1.0f},
    .vertexColour = 1,
    .constantColourOn = 0,
    .texturing = 0,
    .perspective = 1,
    .filter = 1,
    .lastFov = 0.0f,
    .lastNear = 0.0f,
    .lastFar = 0.0f,
    .lastBound = nullptr,
    .bindLock = 0,
    .multitexture = 0,
    .unit0 = nullptr,
    .unit1 = nullptr,
    .activeTexture = nullptr,
    .multiTexCoord1f = nullptr,
    .multiTexCoord2f = nullptr,
    .multiTexCoord3f = nullptr,
    .multiTexCoord4f = nullptr,
    .renderTarget = 0,
    .bindCount = 0,
    .stretch = 0,
    .view = {0, 0, 1, 1},
    .offscreen = 0,
    .skipDrawing = 0,
};

// The drawing slots start as the variants for the initial state: per-vertex colours, no texturing.
GFX_Driver GFX_oglDriver = {
    .name = "Windows OpenGL renderer (0.1" "\xDF" ")",
    .device_count = 1,
    .devices = kDevices,
    .attach = GFX_OglAttach,
    .spare2 = spare_one,
    .enable = GFX_OglEnable,
    .disable = GFX_OglDisable,
    .spare5 = spare_zero,
    .set = GFX_OglSet,
    .set_mode = GFX_OglSetMode,
    .perspective = GFX_OglPerspective,
    .spare9 = spare_zero,
    .begin_frame = GFX_OglBeginFrame,
    .end_frame = GFX_OglEndFrame,
    .draw_poly = GFX_OglDrawPolyVertex,
    .draw_poly_lm = GFX_OglDrawPolyLmTwoPass,
    .begin_quads = GFX_OglBeginQuads,
    .quad_vertices = GFX_OglQuadVertex,
    .end_prim = GFX_OglEndPrim,
    .draw_line = GFX_OglDrawLine,
    .draw_point = GFX_OglDrawPoint,
    .tex_create = GFX_OglTexCreate,
    .tex_delete = GFX_OglTexDelete,
    .tex_upload = GFX_OglTexUpload,
    .tex_bind = GFX_OglTexBind,
    .max_texture_size = GFX_OglMaxTextureSize,
    .stencil_bits = GFX_OglStencilBits,
    .empty25 = nullptr,
    .empty26 = nullptr,
    .clear_stencil = GFX_OglClearStencil,
    .spare28 = spare_one,
    .frustum = {},
    .width = 0,
    .height = 0,
};

int GFX_OglAttach(HWND window) {
  GFX_OGL_ENTRY();
  GFX_ogl.window = window;
  return window != nullptr;
}

int GFX_OglSetMode(int width, int height, int colourBits, int depthBits, int stencilBits, int) {
  GFX_OGL_ENTRY();
  // The window is sized so that its client area is the mode, at the screen's top-left corner.
  LONG style = GetWindowLongA(GFX_ogl.window, GWL_STYLE);
  RECT rect{0, 0, width, height};
  AdjustWindowRect(&rect, DWORD(style), FALSE);
  SetWindowPos(GFX_ogl.window, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_SHOWWINDOW);
  GFX_ogl.modeWidth = width;
  GFX_ogl.modeHeight = height;

  GFX_ogl.dc = GetDC(GFX_ogl.window);
  if (!GFX_ogl.dc) {
    KR_Error("GFX_OglSetMode(), unable to obtain DC.");
    return 0;
  }
  PIXELFORMATDESCRIPTOR& pfd = GFX_ogl.pfd;
  pfd = PIXELFORMATDESCRIPTOR{};
  pfd.nSize = 40;
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = BYTE(colourBits);
  pfd.cAlphaBits = 0;
  pfd.cDepthBits = BYTE(depthBits);
  pfd.cStencilBits = BYTE(stencilBits);
  pfd.iLayerType = PFD_MAIN_PLANE;
  int format = ChoosePixelFormat(GFX_ogl.dc, &pfd);
  if (!format) {
    KR_Error("GFX_OglSetMode(), no suitable pixel format found.");
    format = 1;
  }
  SetPixelFormat(GFX_ogl.dc, format, &pfd);
  GFX_ogl.context = wglCreateContext(GFX_ogl.dc);
  if (!GFX_ogl.context) {
    KR_Error("GFX_OglSetMode(), unable to create OpenGL contex.");
    return 0;
  }
  if (!wglMakeCurrent(GFX_ogl.dc, GFX_ogl.context)) {
    KR_Error("GFX_OglSetMode(), unable to make DC current.");
    return 0;
  }
  if (PL_GlDebugWanted()) GFX_OglDebugStart(1);
  GFX_OglProfileStart();

  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  GFX_OglDefaultState();
  GFX_OglViewUpdate();

  GFX_ogl.activeTexture = reinterpret_cast<PFNGLACTIVETEXTUREARBPROC>(wglGetProcAddress("glActiveTextureARB"));
  GFX_ogl.multiTexCoord1f =
      reinterpret_cast<PFNGLMULTITEXCOORD1FARBPROC>(wglGetProcAddress("glMultiTexCoord1fARB"));
  GFX_ogl.multiTexCoord2f =
      reinterpret_cast<PFNGLMULTITEXCOORD2FARBPROC>(wglGetProcAddress("glMultiTexCoord2fARB"));
  GFX_ogl.multiTexCoord3f =
      reinterpret_cast<PFNGLMULTITEXCOORD3FARBPROC>(wglGetProcAddress("glMultiTexCoord3fARB"));
  GFX_ogl.multiTexCoord4f =
      reinterpret_cast<PFNGLMULTITEXCOORD4FARBPROC>(wglGetProcAddress("glMultiTexCoord4fARB"));
  if (GFX_ogl.activeTexture && GFX_ogl.multiTexCoord1f && GFX_ogl.multiTexCoord2f && GFX_ogl.multiTexCoord3f &&
      GFX_ogl.multiTexCoord4f) {
    GFX_oglDriver.draw_poly_lm = GFX_OglDrawPolyLmMulti;
    GFX_ogl.multitexture = 1;
  }
  GFX_OglTapsStart();

  // The render target gets its 256x256 store from whatever the framebuffer holds now.
  glGenTextures(1, &GFX_ogl.renderTarget);
  GFX_OglBindRaw(GFX_ogl.renderTarget);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  GFX_OglTargetStore();
  return 1;
}

void GFX_OglTargetStore(void) {
  GFX_OGL_ENTRY();
  GFX_OglBindRaw(GFX_ogl.renderTarget);
  // A context made without any surface has no default framebuffer to copy from (reading it is
  // an error); the offscreen framebuffer gives the target its store once it is bound.
  if (!framebuffer_readable()) return;
  glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, 0, 0, kTargetSize, kTargetSize, 0);
}

int GFX_OglDefaultState(void) {
  GFX_OGL_ENTRY();
  GFX_OglEnable(GFX_CULL);
  GFX_OglSet(GFX_SET_CULL, 2, nullptr);
  GFX_OglEnable(GFX_DEPTH_WRITE);
  GFX_OglEnable(GFX_COLOUR_WRITE);
  GFX_OglEnable(GFX_DEPTH_TEST);
  GFX_OglSet(GFX_SET_DEPTH, 2, nullptr);
  GFX_OglDisable(GFX_ALPHA_TEST);
  GFX_OglEnable(GFX_TEXTURE);
  GFX_OglEnable(GFX_MODULATE);
  GFX_OglSet(GFX_SET_COLOUR, 2, nullptr);
  GFX_OglDisable(GFX_BLEND);
  GFX_OglEnable(GFX_FILTER);
  glClearDepth(1.0);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  return 1;
}

int GFX_OglShutdown(void) {
  GFX_OGL_ENTRY();
  GFX_OglTapsStop();
  if (!wglMakeCurrent(nullptr, nullptr)) return 0;
  if (!wglDeleteContext(GFX_ogl.context)) return 0;
  GFX_oglDebug.mode = 0;  // nothing is left to ask
  // The context and every texture in it are gone; nothing may refer to them again.
  GFX_ogl.context = nullptr;
  GFX_ogl.renderTarget = 0;
  GFX_ogl.lastBound = GFX_ogl.unit0 = GFX_ogl.unit1 = nullptr;
  if (GFX_ogl.dc) {
    if (!ReleaseDC(GFX_ogl.window, GFX_ogl.dc)) return 0;
    GFX_ogl.dc = nullptr;
  }
  return 1;
}

void GFX_OglGluPerspective(double fovy, double aspect, double zNear, double zFar) {
  GFX_OGL_ENTRY();
  double half = fovy / 2.0 * M_PI / 180.0;
  double depth = zFar - zNear;
  double sine = std::sin(half);
  // A degenerate request leaves the matrix alone, as GLU does.
  if (depth == 0.0 || sine == 0.0 || aspect == 0.0) return;
  double f = std::cos(half) / sine;
  const GLdouble m[16] = {
      f / aspect, 0.0, 0.0, 0.0,                          //
      0.0, f, 0.0, 0.0,                                   //
      0.0, 0.0, -(zFar + zNear) / depth, -1.0,            //
      0.0, 0.0, -2.0 * zNear * zFar / depth, 0.0,         //
  };
  glMultMatrixd(m);
}

int GFX_OglPerspective(float fov, float nearPlane, float farPlane) {
  GFX_OGL_ENTRY();
  if (fov == GFX_ogl.lastFov && nearPlane == GFX_ogl.lastNear && farPlane == GFX_ogl.lastFar) return 0;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // The vertical angle is the horizontal one scaled by the aspect ratio, as the frustum is.
  double w = GFX_ogl.view.width, h = GFX_ogl.view.height;
  GFX_OglGluPerspective(double(fov) * h / w, w / h, nearPlane, farPlane);
  GFX_ogl.lastFov = fov;
  GFX_ogl.lastNear = nearPlane;
  GFX_ogl.lastFar = farPlane;
  glMatrixMode(GL_MODELVIEW);
  return 1;
}

int GFX_OglBeginFrame(void) {
  GFX_OGL_ENTRY();
  if (!GFX_ogl.skipDrawing) glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  return 1;
}

int GFX_OglEndFrame(GFX_Driver*) {
  GFX_OGL_ENTRY();
  GFX_OglPaintBars();
  // An offscreen frame is read back by its caller, never shown; a skipped one is neither.
  if (!GFX_ogl.offscreen && !GFX_ogl.skipDrawing) SwapBuffers(GFX_ogl.dc);
  return 1;
}

int GFX_OglMaxTextureSize(void) {
  GFX_OGL_ENTRY();
  GLint size = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
  return size;
}

const char* GFX_OglRendererName(void) {
  GFX_OGL_ENTRY();
  return gl_string(GL_RENDERER);
}

const char* GFX_OglDescription(void) {
  GFX_OGL_ENTRY();
  static std::string text;
  if (!GFX_ogl.context) return "";
  // An OpenGL ES version line names its API itself ("OpenGL ES 3.2 Mesa ...").
  const char* version = gl_string(GL_VERSION);
  text = std::string(gl_string(GL_VENDOR)) + ", " + gl_string(GL_RENDERER) + ", " +
         (std::strncmp(version, "OpenGL", 6) == 0 ? "" : "OpenGL ") + version;
  return text.c_str();
}

const char* GFX_OglVersionName(void) {
  GFX_OGL_ENTRY();
  return gl_string(GL_VERSION);
}

int GFX_OglStencilBits(void) {
  GFX_OGL_ENTRY();
  GLint bits = 0;
  glGetIntegerv(GL_STENCIL_BITS, &bits);
  return bits;
}

int GFX_OglClearStencil(int value) {
  GFX_OGL_ENTRY();
  glClearStencil(value);
  if (!GFX_ogl.skipDrawing) glClear(GL_STENCIL_BUFFER_BIT);
  return 1;
}
