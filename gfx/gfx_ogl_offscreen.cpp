// Where the OpenGL driver draws: the view (the 4:3 part of the drawable, black bars around
// it), and offscreen drawing into a framebuffer object with read-back through two pixel
// buffers in turn, so that reading one frame never waits for the next one's drawing.
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/kr_error.h"
#include "gfx/gfx_ogl.h"
#include "gfx/gfx_ogl_debug.h"

namespace {

constexpr int kTargetSize = 256;

struct Offscreen {
  PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
  PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
  PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers;
  PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
  PFNGLBINDRENDERBUFFERPROC bindRenderbuffer;
  PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers;
  PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage;
  PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer;
  PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus;
  PFNGLGENBUFFERSPROC genBuffers;
  PFNGLBINDBUFFERPROC bindBuffer;
  PFNGLBUFFERDATAPROC bufferData;
  PFNGLMAPBUFFERPROC mapBuffer;
  PFNGLUNMAPBUFFERPROC unmapBuffer;
  PFNGLDELETEBUFFERSPROC deleteBuffers;

  GLuint renderbuffers[2];  // colour, depth and stencil
  GLuint pbo[2];
  int pending[2];  // a read was started into this buffer and not yet taken
  int next;        // the buffer the next read goes into
  int width, height;
  std::vector<std::uint8_t> frame;  // the last frame taken, width x height RGBA
};

Offscreen g_off{};

bool fetch_all() {
  Offscreen& o = g_off;
  return GFX_OglFetch(o.genFramebuffers, "glGenFramebuffers") &&
         GFX_OglFetch(o.bindFramebuffer, "glBindFramebuffer") &&
         GFX_OglFetch(o.deleteFramebuffers, "glDeleteFramebuffers") &&
         GFX_OglFetch(o.genRenderbuffers, "glGenRenderbuffers") &&
         GFX_OglFetch(o.bindRenderbuffer, "glBindRenderbuffer") &&
         GFX_OglFetch(o.deleteRenderbuffers, "glDeleteRenderbuffers") &&
         GFX_OglFetch(o.renderbufferStorage, "glRenderbufferStorage") &&
         GFX_OglFetch(o.framebufferRenderbuffer, "glFramebufferRenderbuffer") &&
         GFX_OglFetch(o.checkFramebufferStatus, "glCheckFramebufferStatus") &&
         GFX_OglFetch(o.genBuffers, "glGenBuffers") && GFX_OglFetch(o.bindBuffer, "glBindBuffer") &&
         GFX_OglFetch(o.bufferData, "glBufferData") && GFX_OglFetch(o.mapBuffer, "glMapBuffer") &&
         GFX_OglFetch(o.unmapBuffer, "glUnmapBuffer") && GFX_OglFetch(o.deleteBuffers, "glDeleteBuffers");
}

// Copies buffer i's finished read into `frame`; null when it holds none.
const std::uint8_t* take(int i) {
  Offscreen& o = g_off;
  if (!o.pending[i]) return nullptr;
  o.pending[i] = 0;
  o.bindBuffer(GL_PIXEL_PACK_BUFFER, o.pbo[i]);
  const void* p = o.mapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY);
  const std::uint8_t* result = nullptr;
  if (p) {
    std::memcpy(o.frame.data(), p, o.frame.size());
    result = o.frame.data();
  }
  o.unmapBuffer(GL_PIXEL_PACK_BUFFER);
  o.bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
  if (!result) KR_Error("GFX_OglOffscreenRead - the frame could not be mapped");
  return result;
}

}  // namespace

void GFX_OglViewUpdate(void) {
  GFX_OGL_ENTRY();
  GFX_ogl.view = GFX_AspectRect(GFX_ogl.modeWidth, GFX_ogl.modeHeight, GFX_ogl.stretch);
  const GFX_Rect& v = GFX_ogl.view;
  glViewport(v.x, v.y, v.width, v.height);
  // The frustum and the projection follow the view's shape, and the projection is loaded
  // again at the next GFX_SetPerspective.
  GFX_oglDriver.width = v.width;
  GFX_oglDriver.height = v.height;
  GFX_ogl.lastFov = GFX_ogl.lastNear = GFX_ogl.lastFar = 0.0f;
}

void GFX_OglPaintBars(void) {
  GFX_OGL_ENTRY();
  const GFX_Rect& v = GFX_ogl.view;
  const int W = GFX_ogl.modeWidth, H = GFX_ogl.modeHeight;
  if ((v.x == 0 && v.y == 0 && v.width == W && v.height == H) || GFX_ogl.skipDrawing) return;
  // Clears and the render target's captures may have reached the bars; they end black.
  GLfloat clear[4];
  GLint box[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  glGetIntegerv(GL_SCISSOR_BOX, box);
  const GLboolean scissorOn = glIsEnabled(GL_SCISSOR_TEST);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glEnable(GL_SCISSOR_TEST);
  const GFX_Rect bars[4] = {
      {0, 0, v.x, H}, {v.x + v.width, 0, W - v.x - v.width, H}, {v.x, 0, v.width, v.y},
      {v.x, v.y + v.height, v.width, H - v.y - v.height}};
  for (const GFX_Rect& b : bars) {
    if (b.width <= 0 || b.height <= 0) continue;
    glScissor(b.x, b.y, b.width, b.height);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  glClearColor(clear[0], clear[1], clear[2], clear[3]);
  glScissor(box[0], box[1], box[2], box[3]);
  if (!scissorOn) glDisable(GL_SCISSOR_TEST);
}

int GFX_OglOffscreenLimit(void) {
  GFX_OGL_ENTRY();
  if (!GFX_ogl.context) return 0;
  GLint renderbuffer = 0, viewport[2] = {0, 0};
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
  return std::min({int(renderbuffer), int(viewport[0]), int(viewport[1])});
}

int GFX_OglOffscreenCreate(int width, int height) {
  GFX_OGL_ENTRY();
  const int limit = GFX_OglOffscreenLimit();
  if (!GFX_ogl.context || width <= 0 || height <= 0 || width > limit || height > limit) {
    KR_Error("GFX_OglOffscreenCreate - no context or a bad size (%d x %d)", width, height);
    return 0;
  }
  if (!fetch_all()) {
    KR_Error("GFX_OglOffscreenCreate - framebuffer objects are not supported");
    return 0;
  }
  Offscreen& o = g_off;
  GFX_ogl.modeWidth = width;
  GFX_ogl.modeHeight = height;
  GFX_OglViewUpdate();
  // The render target's 256x256 viewport starts at the view's corner; the framebuffer is
  // made large enough to hold it even where the view is smaller. Only width x height is read.
  const int fw = std::max(width, GFX_ogl.view.x + kTargetSize);
  const int fh = std::max(height, GFX_ogl.view.y + kTargetSize);

  o.genFramebuffers(1, &GFX_ogl.offscreen);
  o.bindFramebuffer(GL_FRAMEBUFFER, GFX_ogl.offscreen);
  o.genRenderbuffers(2, o.renderbuffers);
  o.bindRenderbuffer(GL_RENDERBUFFER, o.renderbuffers[0]);
  o.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, fw, fh);
  o.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, o.renderbuffers[0]);
  o.bindRenderbuffer(GL_RENDERBUFFER, o.renderbuffers[1]);
  o.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, fw, fh);
  o.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, o.renderbuffers[1]);
  o.bindRenderbuffer(GL_RENDERBUFFER, 0);
  if (o.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    KR_Error("GFX_OglOffscreenCreate - the framebuffer is not complete");
    GFX_OglOffscreenRelease();
    return 0;
  }
  glDrawBuffer(GL_COLOR_ATTACHMENT0);
  glReadBuffer(GL_COLOR_ATTACHMENT0);

  o.width = width;
  o.height = height;
  o.frame.assign(std::size_t(width) * std::size_t(height) * 4, 0);
  const GLsizeiptr bytes = GLsizeiptr(o.frame.size());
  o.genBuffers(2, o.pbo);
  for (GLuint b : o.pbo) {
    o.bindBuffer(GL_PIXEL_PACK_BUFFER, b);
    o.bufferData(GL_PIXEL_PACK_BUFFER, bytes, nullptr, GL_STREAM_READ);
  }
  o.bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
  o.pending[0] = o.pending[1] = 0;
  o.next = 0;
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  GFX_OglTargetStore();
  return 1;
}

const std::uint8_t* GFX_OglOffscreenRead(void) {
  GFX_OGL_ENTRY();
  Offscreen& o = g_off;
  if (!GFX_ogl.offscreen) return nullptr;
  const int i = o.next;
  o.bindBuffer(GL_PIXEL_PACK_BUFFER, o.pbo[i]);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, o.width, o.height, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  o.bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
  o.pending[i] = 1;
  o.next = 1 - i;
  // The other buffer's read was started a whole frame ago and is done by now.
  return take(1 - i);
}

const std::uint8_t* GFX_OglOffscreenFlush(void) {
  GFX_OGL_ENTRY();
  if (!GFX_ogl.offscreen) return nullptr;
  return take(1 - g_off.next);
}

void GFX_OglOffscreenRelease(void) {
  GFX_OGL_ENTRY();
  Offscreen& o = g_off;
  if (!GFX_ogl.offscreen) return;
  if (GFX_ogl.context) {
    o.bindFramebuffer(GL_FRAMEBUFFER, 0);
    o.deleteFramebuffers(1, &GFX_ogl.offscreen);
    o.deleteRenderbuffers(2, o.renderbuffers);
    if (o.pbo[0]) o.deleteBuffers(2, o.pbo);
  }
  GFX_ogl.offscreen = 0;
  o.pbo[0] = o.pbo[1] = 0;
  o.pending[0] = o.pending[1] = 0;
  o.frame.clear();
}
