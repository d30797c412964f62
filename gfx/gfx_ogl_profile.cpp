// The OpenGL pass profile: the kind of work each driver function is, the finishes at each change
// of kind, and the table at the end: each kind's milliseconds a frame and, where the OpenGL
// counts them (occlusion queries, 1.5 on), the fragments it drew a frame, and so its fill rate.
#include "gfx/gfx_ogl_profile.h"

#include "gfx/gfx_ogl.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

GFX_OglProfileState GFX_oglProfile = {.on = 0, .kind = nullptr, .since = 0.0, .section = nullptr};

namespace {

struct Kind {
  const char* prefix;  // of the driver functions that do this work
  const char* name;    // null: state changes, which draw nothing and change no kind
};

constexpr const char* kPolygons = "polygons";  // split by the projection below

// First match wins. Functions not listed are their own kind, under their own name.
constexpr Kind kKinds[] = {
    {"GFX_OglQuad", kPolygons},
    {"GFX_OglBeginQuads", kPolygons},
    {"GFX_OglDrawPoly", kPolygons},
    {"GFX_OglDrawLine", kPolygons},
    {"GFX_OglDrawPoint", kPolygons},
    {"GFX_OglEndPrim", kPolygons},
    {"GFX_OglTexUpload", "texture uploads (clips)"},
    {"GFX_OglTexSubUpload", "texture uploads (clips)"},
    {"GFX_OglBeginFrame", "clears"},
    {"GFX_OglClearStencil", "clears"},
    {"GFX_OglEndFrame", "frame end and read-back"},
    {"GFX_OglOffscreen", "frame end and read-back"},
    {"GFX_OglTargetStore", "captures (GFX_OglTargetStore)"},
    {"GFX_TargetCapture", "captures (GFX_TargetCapture)"},
    {"GFX_OglSkipDrawing", nullptr},
    {"GFX_OglSet", nullptr},
    {"GFX_OglEnable", nullptr},
    {"GFX_OglDisable", nullptr},
    {"GFX_OglTexBind", nullptr},
    {"GFX_OglBindRaw", nullptr},
    {"GFX_OglViewUpdate", nullptr},
    {"GFX_OglPerspective", nullptr},
    {"GFX_OglGluPerspective", nullptr},
    {"GFX_OglDefaultState", nullptr},
    {"GFX_Scissor", nullptr},
    {"GFX_TargetLock", nullptr},
    {"GFX_TargetUnlock", nullptr},
    {"GFX_TargetBegin", nullptr},
};

// Polygons in the screen projection are the 2D layer's (pictures, full-screen veils and
// fades, sprites, text); in the perspective projection they are the scenes', told apart by the
// stencil test (shadow volumes and the passes they mask) and blending (translucent layers).
const char* kind_of(const char* function) {
  for (const Kind& k : kKinds)
    if (std::strncmp(function, k.prefix, std::strlen(k.prefix)) == 0) {
      if (k.name != kPolygons) return k.name;
      if (!GFX_ogl.perspective) return "2D (pictures, veils, sprites, text)";
      if (glIsEnabled(GL_STENCIL_TEST)) return "3D with the stencil test (shadows)";
      return glIsEnabled(GL_BLEND) ? "3D blended" : "3D opaque";
    }
  return function;
}

double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::map<std::pair<int, std::string>, double> g_seconds;    // by section and kind
std::map<std::pair<int, std::string>, double> g_fragments;  // by section and kind
std::map<int, int> g_frames;                                 // frames ended, by section

// One query counts the fragments of the kind under way, read at its end.
struct Counter {
  PFNGLGENQUERIESPROC gen;
  PFNGLBEGINQUERYPROC begin;
  PFNGLENDQUERYPROC end;
  PFNGLGETQUERYOBJECTUIVPROC get;
  GLuint query;
  int running;
};
Counter g_counter{};

// The fragments since the last call; starts counting again.
double fragments() {
  Counter& c = g_counter;
  if (!c.query) return 0.0;
  GLuint n = 0;
  if (c.running) {
    c.end(GL_SAMPLES_PASSED);
    c.get(c.query, GL_QUERY_RESULT, &n);
  }
  c.begin(GL_SAMPLES_PASSED, c.query);
  c.running = 1;
  return double(n);
}

int section() { return GFX_oglProfile.section ? GFX_oglProfile.section() : 0; }

}  // namespace

int GFX_OglProfileStart(void) {
  const char* v = std::getenv("VELMAR_GL_PROFILE");
  GFX_oglProfile.on = v && *v && std::strcmp(v, "0") != 0;
  GFX_oglProfile.kind = nullptr;
  g_counter = Counter{};
  if (!GFX_oglProfile.on) return 0;
  std::fprintf(stderr, "velmar: OpenGL pass profile: a finish at each change of kind\n");
  Counter& c = g_counter;
  if (GFX_OglFetch(c.gen, "glGenQueries") && GFX_OglFetch(c.begin, "glBeginQuery") &&
      GFX_OglFetch(c.end, "glEndQuery") && GFX_OglFetch(c.get, "glGetQueryObjectuiv"))
    c.gen(1, &c.query);
  return 1;
}

void GFX_OglProfileEnter(const char* function) {
  const char* kind = kind_of(function);
  if (!kind) return;
  // Frames the run-ahead of a late start skips are not counted.
  if (std::strcmp(function, "GFX_OglEndFrame") == 0 && !GFX_ogl.skipDrawing) g_frames[section()]++;
  if (GFX_oglProfile.kind && std::strcmp(kind, GFX_oglProfile.kind) == 0) return;
  glFinish();
  const double t = now();
  const double drawn = fragments();
  if (GFX_oglProfile.kind) {
    g_seconds[{section(), GFX_oglProfile.kind}] += t - GFX_oglProfile.since;
    g_fragments[{section(), GFX_oglProfile.kind}] += drawn;
  }
  GFX_oglProfile.kind = kind;
  GFX_oglProfile.since = t;
}

void GFX_OglProfilePrint(void) {
  if (!GFX_oglProfile.on) return;
  for (const auto& [n, frames] : g_frames) {
    std::vector<std::pair<double, std::string>> kinds;
    double total = 0;
    for (const auto& [key, seconds] : g_seconds)
      if (key.first == n) kinds.push_back({seconds, key.second}), total += seconds;
    std::sort(kinds.rbegin(), kinds.rend());
    std::fprintf(stderr, "profile section %d frames %d ms_per_frame %.2f:", n, frames, 1e3 * total / frames);
    for (const auto& [seconds, kind] : kinds) {
      std::fprintf(stderr, " %s %.2f", kind.c_str(), 1e3 * seconds / frames);
      const double drawn = g_fragments[{n, kind}];
      if (g_counter.query && drawn > 0)
        std::fprintf(stderr, " (%.2f Mpx, %.0f Mpx/s)", drawn / frames / 1e6, drawn / seconds / 1e6);
      std::fprintf(stderr, ";");
    }
    std::fprintf(stderr, "\n");
  }
}
