// The page's OpenGL layer across contexts: making a context current again, or another one and
// back, keeps what was set and makes no new WebGL object; deleting the contexts frees the
// layer's objects; a shader that does not build is refused. State that is forgotten shows as a
// wrong pixel: a blend function the layer believes is already set is never sent, so WebGL keeps
// the old one. Prints one line per case and the closing count for the browser test to read.
#include <GL/gl.h>

#include <cstdio>

#include "platform/pl_platform.h"
#include "platform/web/pl_web.h"

extern "C" {
GLboolean emscripten_glIsBuffer(GLuint);
GLboolean emscripten_glIsProgram(GLuint);
GLboolean emscripten_glIsShader(GLuint);
GLboolean emscripten_glIsVertexArray(GLuint);
void emscripten_glDeleteBuffers(GLsizei, const GLuint*);
void emscripten_glDeleteProgram(GLuint);
void emscripten_glGenBuffers(GLsizei, GLuint*);
}

namespace {

constexpr int kWidth = 64, kHeight = 48;

// The WebGL programs, shaders, buffers and vertex arrays alive in the current context. Names
// are counted out by one counter for every kind, so a new buffer's name bounds them all.
int live_objects() {
  GLuint limit = 0;
  emscripten_glGenBuffers(1, &limit);
  emscripten_glDeleteBuffers(1, &limit);
  int n = 0;
  for (GLuint i = 1; i < limit; i++)
    n += emscripten_glIsProgram(i) + emscripten_glIsShader(i) + emscripten_glIsBuffer(i) +
         emscripten_glIsVertexArray(i);
  return n;
}

// Fills the window with one colour through the current blend function; the centre's RGB.
unsigned fill(float r, float g, float b) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glColor3f(r, g, b);
  glBegin(GL_QUADS);
  glVertex3f(-1, -1, 0);
  glVertex3f(1, -1, 0);
  glVertex3f(1, 1, 0);
  glVertex3f(-1, 1, 0);
  glEnd();
  unsigned char p[4] = {};
  glReadPixels(kWidth / 2, kHeight / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return unsigned(p[0]) << 16 | unsigned(p[1]) << 8 | p[2];
}

// Black, with blending on and set to keep what is there.
void clear_and_keep() {
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ZERO, GL_ONE);
}

const char* kVertex = "#version 300 es\nin vec3 a_pos;\nout vec4 v_colour;\n"
                      "void main() { gl_Position = vec4(a_pos, 1.0); v_colour = vec4(1.0); }\n";
const char* kFragment = "#version 300 es\nprecision highp float;\nin vec4 v_colour;\nout vec4 o_colour;\n"
                        "void main() { o_colour = v_colour; }\n";
// Compiles, but asks for a varying the vertex shader does not give.
const char* kUnlinked = "#version 300 es\nprecision highp float;\nin vec4 v_missing;\nout vec4 o_colour;\n"
                        "void main() { o_colour = v_missing; }\n";
const char* kUncompiled =
    "#version 300 es\nprecision highp float;\nout vec4 o_colour;\nvoid main() { o_colour = 1; }\n";

}  // namespace

int main() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "gl_contexts";
  RegisterClassA(&wc);
  HWND w = CreateWindowExA(0, "gl_contexts", "gl", WS_POPUP, 0, 0, kWidth, kHeight, nullptr, nullptr, nullptr, nullptr);
  HDC dc = w ? GetDC(w) : nullptr;
  HGLRC a = dc ? wglCreateContext(dc) : nullptr;
  if (!a || !wglMakeCurrent(dc, a)) {
    std::printf("gl contexts: no context\n0 passed, 1 failed\n");
    return 1;
  }
  const int made = live_objects();  // what a new context's layer holds

  // The blend function set before making the context current again must be sent when changed.
  clear_and_keep();
  const unsigned kept = fill(1, 0, 0);
  wglMakeCurrent(dc, a);
  glBlendFunc(GL_ONE, GL_ZERO);
  const unsigned again = fill(1, 0, 0);

  const int before = live_objects();
  for (int i = 0; i < 4; i++) {
    wglMakeCurrent(dc, a);
    fill(0, 0, 1);
  }
  const int repeated = live_objects();

  // Another context on the same canvas, and back.
  clear_and_keep();
  HGLRC b = wglCreateContext(dc);
  const int switchedIn = b && wglMakeCurrent(dc, b);
  glBlendFunc(GL_ONE, GL_ZERO);
  const unsigned inB = fill(0, 1, 0);
  glBlendFunc(GL_ZERO, GL_ONE);
  wglMakeCurrent(dc, a);
  glBlendFunc(GL_ONE, GL_ZERO);
  const unsigned backInA = fill(1, 1, 0);
  const int switched = live_objects();

  // Deleting both contexts leaves nothing of their layer: a new context holds what A held new.
  wglDeleteContext(b);
  wglMakeCurrent(nullptr, nullptr);
  wglDeleteContext(a);
  HGLRC c = wglCreateContext(dc);
  const int remade = c && wglMakeCurrent(dc, c) ? live_objects() : -1;

  struct Program {
    const char* fragment;
    bool builds;
  } programs[] = {{kFragment, true}, {kUnlinked, false}, {kUncompiled, false}};
  bool refused = true;
  for (const Program& p : programs) {
    const unsigned name = pl_gl_program_build(kVertex, p.fragment);
    refused = refused && (name != 0) == p.builds;
    if (name) emscripten_glDeleteProgram(name);
  }
  if (c) wglMakeCurrent(nullptr, nullptr), wglDeleteContext(c);

  // Colours are the centre pixel's RGB; counts are WebGL objects.
  struct Case {
    const char* name;
    const char* format;
    long got, want;
  } cases[] = {
      {"blending set to keep keeps the black", "%06lx", long(kept), 0x000000},
      {"a state changed after making the context current again is sent", "%06lx", long(again), 0xFF0000},
      {"making the context current again makes no WebGL object", "%ld", repeated, before},
      {"a state changed in another context is sent", "%06lx", switchedIn ? long(inB) : -1, 0x00FF00},
      {"a state changed back in the first context is sent", "%06lx", long(backInA), 0xFFFF00},
      {"switching contexts makes no WebGL object", "%ld", switched, before},
      {"deleting the contexts frees their WebGL objects", "%ld", remade, made},
      {"shaders that do not compile or link are refused", "%ld", refused, 1},
  };
  int passed = 0, failed = 0;
  for (const Case& k : cases) {
    const bool ok = k.got == k.want;
    char got[32], want[32];
    std::snprintf(got, sizeof got, k.format, k.got);
    std::snprintf(want, sizeof want, k.format, k.want);
    std::printf("gl contexts: %s: %s (%s, want %s)\n", k.name, ok ? "ok" : "FAILED", got, want);
    (ok ? passed : failed)++;
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed ? 1 : 0;
}
