// OpenGL debug mode: the KHR_debug callback, the glGetError fallback and the error report.
#include "gfx/gfx_ogl_debug.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstring>

#include "platform/win32.h"

GFX_OglDebugState GFX_oglDebug = {.mode = 0, .errors = 0, .primitive = 0, .entry = nullptr, .where = nullptr};

namespace {

const char* error_name(GLenum e) {
  switch (e) {
    case GL_INVALID_ENUM: return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE: return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION: return "GL_INVALID_OPERATION";
    case GL_STACK_OVERFLOW: return "GL_STACK_OVERFLOW";
    case GL_STACK_UNDERFLOW: return "GL_STACK_UNDERFLOW";
    case GL_OUT_OF_MEMORY: return "GL_OUT_OF_MEMORY";
    case GL_INVALID_FRAMEBUFFER_OPERATION: return "GL_INVALID_FRAMEBUFFER_OPERATION";
    default: return "an unknown error";
  }
}

bool has_extension(const char* name) {
  const char* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  if (!list) return false;
  const std::size_t n = std::strlen(name);
  for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += n)
    if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == 0)) return true;
  return false;
}

// Errors and high-severity messages count; notes on performance and the like are left alone.
void GLAPIENTRY on_message(GLenum, GLenum type, GLuint, GLenum severity, GLsizei, const GLchar* message,
                           const void*) {
  if (type == GL_DEBUG_TYPE_ERROR || severity == GL_DEBUG_SEVERITY_HIGH) GFX_OglDebugReport(message);
}

}  // namespace

int GFX_OglDebugStart(int wanted) {
  auto callback =
      reinterpret_cast<PFNGLDEBUGMESSAGECALLBACKPROC>(wglGetProcAddress("glDebugMessageCallback"));
  const bool khr = wanted == 1 && callback && has_extension("GL_KHR_debug");
  // Errors made before the mode starts are not this mode's to report.
  while (glGetError() != GL_NO_ERROR) {
  }
  if (callback && has_extension("GL_KHR_debug")) {
    callback(khr ? on_message : nullptr, nullptr);
    if (khr) {
      glEnable(GL_DEBUG_OUTPUT);
      glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    } else {
      glDisable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
      glDisable(GL_DEBUG_OUTPUT);
    }
  }
  GFX_oglDebug.mode = khr ? 1 : wanted ? 2 : 0;
  GFX_oglDebug.primitive = 0;
  if (GFX_oglDebug.mode)
    std::fprintf(stderr, "velmar: OpenGL debug mode: %s\n",
                 khr ? "KHR_debug messages, synchronous" : "glGetError after each driver function");
  return GFX_oglDebug.mode;
}

int GFX_OglDebugErrors(void) { return GFX_oglDebug.errors; }

void GFX_OglDebugReport(const char* what) {
  GFX_oglDebug.errors++;
  char place[96] = "";
  if (GFX_oglDebug.where) GFX_oglDebug.where(place, int(sizeof place));
  std::fprintf(stderr, "velmar: OpenGL error in %s%s%s: %s\n",
               GFX_oglDebug.entry ? GFX_oglDebug.entry : "a call outside the driver", place[0] ? ", " : "", place,
               what);
}

void GFX_OglDebugPoll(void) {
  if (GFX_oglDebug.primitive) return;
  // GL keeps one flag per kind of error; the bound guards against a lost context answering forever.
  GLenum e;
  for (int i = 0; i < 8 && (e = glGetError()) != GL_NO_ERROR; i++) GFX_OglDebugReport(error_name(e));
}
