// The OpenGL 1.1 the graphics layer is written against, on WebGL 2, for the browser build.
// The fixed-function states the show uses (two texture units with modulate, replace and add,
// projective texture coordinates, linear fog, the two matrix stacks) become a handful of small
// shaders, made when a state combination is first drawn. Immediate-mode vertices collect in one
// vertex array: polygons, fans and quads as triangles, lines and points as they are. The array
// is drawn when something that affects its drawing is about to change, so a run of polygons in
// one state costs one draw call. Everything else (blending, depth, stencil, culling, textures,
// framebuffers, read-back) goes to WebGL as it is, through Emscripten's emscripten_gl* names.
// All of it (the shaders, the vertex array, the remembered state) is a layer that lives as long
// as its WebGL context: the wgl calls make it with the context and free it with the context.
#include <GL/gl.h>
#include <GL/glext.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/pl_internal.h"
#include "platform/web/pl_web.h"

extern "C" {
void emscripten_glActiveTexture(GLenum);
void emscripten_glAttachShader(GLuint, GLuint);
void emscripten_glBindAttribLocation(GLuint, GLuint, const GLchar*);
void emscripten_glBindBuffer(GLenum, GLuint);
void emscripten_glBindFramebuffer(GLenum, GLuint);
void emscripten_glBindRenderbuffer(GLenum, GLuint);
void emscripten_glBindTexture(GLenum, GLuint);
void emscripten_glBindVertexArray(GLuint);
void emscripten_glBlendFunc(GLenum, GLenum);
void emscripten_glBufferData(GLenum, GLsizeiptr, const void*, GLenum);
GLenum emscripten_glCheckFramebufferStatus(GLenum);
void emscripten_glClear(GLbitfield);
void emscripten_glClearColor(GLfloat, GLfloat, GLfloat, GLfloat);
void emscripten_glClearDepthf(GLfloat);
void emscripten_glClearStencil(GLint);
void emscripten_glColorMask(GLboolean, GLboolean, GLboolean, GLboolean);
void emscripten_glCompileShader(GLuint);
void emscripten_glCopyTexImage2D(GLenum, GLint, GLenum, GLint, GLint, GLsizei, GLsizei, GLint);
void emscripten_glCopyTexSubImage2D(GLenum, GLint, GLint, GLint, GLint, GLint, GLsizei, GLsizei);
GLuint emscripten_glCreateProgram(void);
GLuint emscripten_glCreateShader(GLenum);
void emscripten_glCullFace(GLenum);
void emscripten_glDeleteBuffers(GLsizei, const GLuint*);
void emscripten_glDeleteProgram(GLuint);
void emscripten_glDeleteFramebuffers(GLsizei, const GLuint*);
void emscripten_glDeleteRenderbuffers(GLsizei, const GLuint*);
void emscripten_glDeleteShader(GLuint);
void emscripten_glDeleteTextures(GLsizei, const GLuint*);
void emscripten_glDeleteVertexArrays(GLsizei, const GLuint*);
void emscripten_glDepthFunc(GLenum);
void emscripten_glDepthMask(GLboolean);
void emscripten_glDetachShader(GLuint, GLuint);
void emscripten_glDisable(GLenum);
void emscripten_glDisableVertexAttribArray(GLuint);
void emscripten_glDrawArrays(GLenum, GLint, GLsizei);
void emscripten_glDrawBuffers(GLsizei, const GLenum*);
void emscripten_glEnable(GLenum);
void emscripten_glEnableVertexAttribArray(GLuint);
void emscripten_glFramebufferRenderbuffer(GLenum, GLenum, GLenum, GLuint);
void emscripten_glFrontFace(GLenum);
void emscripten_glGenBuffers(GLsizei, GLuint*);
void emscripten_glGenFramebuffers(GLsizei, GLuint*);
void emscripten_glGenRenderbuffers(GLsizei, GLuint*);
void emscripten_glGenTextures(GLsizei, GLuint*);
void emscripten_glGenVertexArrays(GLsizei, GLuint*);
void emscripten_glGetBufferSubData(GLenum, GLintptr, GLsizeiptr, void*);
void emscripten_glGetFloatv(GLenum, GLfloat*);
void emscripten_glGetIntegerv(GLenum, GLint*);
const GLubyte* emscripten_glGetString(GLenum);
void emscripten_glGetProgramInfoLog(GLuint, GLsizei, GLsizei*, GLchar*);
void emscripten_glGetProgramiv(GLuint, GLenum, GLint*);
void emscripten_glGetShaderInfoLog(GLuint, GLsizei, GLsizei*, GLchar*);
void emscripten_glGetShaderiv(GLuint, GLenum, GLint*);
void emscripten_glGetTexParameteriv(GLenum, GLenum, GLint*);
GLint emscripten_glGetUniformLocation(GLuint, const GLchar*);
GLboolean emscripten_glIsEnabled(GLenum);
void emscripten_glLinkProgram(GLuint);
void emscripten_glPixelStorei(GLenum, GLint);
void emscripten_glReadBuffer(GLenum);
void emscripten_glReadPixels(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*);
void emscripten_glRenderbufferStorage(GLenum, GLenum, GLsizei, GLsizei);
void emscripten_glScissor(GLint, GLint, GLsizei, GLsizei);
void emscripten_glShaderSource(GLuint, GLsizei, const GLchar* const*, const GLint*);
void emscripten_glStencilFunc(GLenum, GLint, GLuint);
void emscripten_glStencilOp(GLenum, GLenum, GLenum);
void emscripten_glTexImage2D(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*);
void emscripten_glTexParameteri(GLenum, GLenum, GLint);
void emscripten_glTexSubImage2D(GLenum, GLint, GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, const void*);
void emscripten_glUniform1i(GLint, GLint);
void emscripten_glUniform4fv(GLint, GLsizei, const GLfloat*);
void emscripten_glUniformMatrix4fv(GLint, GLsizei, GLboolean, const GLfloat*);
void emscripten_glUseProgram(GLuint);
void emscripten_glVertexAttribPointer(GLuint, GLint, GLenum, GLboolean, GLsizei, const void*);
void emscripten_glViewport(GLint, GLint, GLsizei, GLsizei);
}

namespace {

constexpr int kUnits = 2;

// Texture environment of a unit, as the shader key counts it.
enum { TEX_OFF = 0, TEX_MODULATE = 1, TEX_REPLACE = 2, TEX_ADD = 3 };

struct Vertex {
  float pos[3];
  float colour[4];
  float tex0[4];  // s, t, r, q
  float tex1[2];
};

struct Matrix {
  float m[16];  // column-major, as GL keeps it
};

constexpr Matrix kIdentity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

struct Program {
  GLuint name = 0;
  GLint mvp = -1, mv = -1, fogColour = -1, fogRange = -1, texAlpha = -1;
};

struct State {
  int live = 0;  // 0: no context is current, and drawing goes nowhere
  GLuint vao = 0, vbo = 0, vertexShader = 0;
  std::map<unsigned, Program> programs;  // by state key; name 0: it did not build

  // Matrices. A stack holds 32: the modelview depth OpenGL 1.1 promises on every driver
  // (GL_MAX_MODELVIEW_STACK_DEPTH is at least 32; the projection's at least 2), so the most
  // the graphics layer may count on; the projection stack gets as many. A push onto a full
  // stack is ignored, as GL refuses it.
  static constexpr std::size_t kStackDepth = 32;
  GLenum matrixMode = GL_MODELVIEW;
  std::vector<Matrix> modelview{kIdentity}, projection{kIdentity};

  // Immediate mode.
  int inside = 0;
  GLenum mode = 0;
  std::vector<Vertex> prim;  // the vertices since glBegin
  Vertex current{{0, 0, 0}, {1, 1, 1, 1}, {0, 0, 0, 1}, {0, 0}};

  // The batch: vertices of one kind of primitive waiting to be drawn.
  GLenum batchMode = GL_TRIANGLES;
  std::vector<Vertex> batch;

  // Fixed-function state.
  int activeUnit = 0;
  int texture2d[kUnits] = {0, 0};
  GLint envMode[kUnits] = {GL_MODULATE, GL_MODULATE};
  GLuint bound[kUnits] = {0, 0};
  int fog = 0;
  float fogStart = 0.0f, fogEnd = 1.0f, fogColour[4] = {0, 0, 0, 0};
  int alphaTest = 0;  // the alpha function is never set, so the test passes everything

  // Pass-through state, remembered so that repeating a value costs no draw call.
  std::map<GLenum, int> enabled;
  GLenum blend[2] = {GL_ONE, GL_ZERO};
  GLenum depthFunc = GL_LESS;
  GLenum stencilFunc = GL_ALWAYS;
  GLint stencilRef = 0;
  GLuint stencilMask = ~0u;
  GLenum stencilOps[3] = {GL_KEEP, GL_KEEP, GL_KEEP};
  GLenum cullFace = GL_BACK, frontFace = GL_CCW;
  GLboolean colourMask[4] = {1, 1, 1, 1};
  GLboolean depthMask = 1;
  GLint viewport[4] = {0, 0, 0, 0};
  GLint scissor[4] = {0, 0, 0, 0};

  // Textures whose store has no alpha (RGB), so that replace keeps the fragment's alpha.
  std::map<GLuint, int> rgbOnly;
  GLint unpackAlignment = 4;
  // Buffer objects: sizes, for mapping, and what is bound where.
  std::map<GLuint, GLsizeiptr> bufferSizes;
  std::map<GLenum, GLuint> boundBuffers;
  void* mapped = nullptr;
};

// What the GL calls act on: the current context's layer, or nothing.
State g_detached;
State* g = &g_detached;

void multiply(Matrix& a, const float* b) {
  Matrix r;
  for (int c = 0; c < 4; c++)
    for (int row = 0; row < 4; row++) {
      float s = 0;
      for (int k = 0; k < 4; k++) s += a.m[k * 4 + row] * b[c * 4 + k];
      r.m[c * 4 + row] = s;
    }
  a = r;
}

std::vector<Matrix>& stack() { return g->matrixMode == GL_PROJECTION ? g->projection : g->modelview; }

// A compiler's or linker's log without the line ends it closes with.
const char* trimmed(char* log) {
  for (std::size_t n = std::strlen(log); n > 0 && (log[n - 1] == '\n' || log[n - 1] == ' '); n--) log[n - 1] = 0;
  return log;
}

// A compiled shader, or 0 (with the compiler's word on stderr).
GLuint compile(GLenum kind, const char* source) {
  GLuint s = emscripten_glCreateShader(kind);
  emscripten_glShaderSource(s, 1, &source, nullptr);
  emscripten_glCompileShader(s);
  GLint ok = 0;
  emscripten_glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[1024] = "";
    emscripten_glGetShaderInfoLog(s, sizeof log, nullptr, log);
    std::fprintf(stderr, "OpenGL: a %s shader did not compile: %s\n", kind == GL_VERTEX_SHADER ? "vertex" : "fragment",
                 trimmed(log));
    emscripten_glDeleteShader(s);
    return 0;
  }
  return s;
}

// A linked program of the two shaders, with the vertex attributes at their places, or 0 (with
// the linker's word on stderr). The shaders stay the caller's.
GLuint link(GLuint vertex, GLuint fragment) {
  if (!vertex || !fragment) return 0;
  GLuint p = emscripten_glCreateProgram();
  emscripten_glAttachShader(p, vertex);
  emscripten_glAttachShader(p, fragment);
  const char* attributes[] = {"a_pos", "a_colour", "a_tex0", "a_tex1"};
  for (GLuint i = 0; i < 4; i++) emscripten_glBindAttribLocation(p, i, attributes[i]);
  emscripten_glLinkProgram(p);
  emscripten_glDetachShader(p, vertex);
  emscripten_glDetachShader(p, fragment);
  GLint ok = 0;
  emscripten_glGetProgramiv(p, GL_LINK_STATUS, &ok);
  if (!ok) {
    char log[1024] = "";
    emscripten_glGetProgramInfoLog(p, sizeof log, nullptr, log);
    std::fprintf(stderr, "OpenGL: a program did not link: %s\n", trimmed(log));
    emscripten_glDeleteProgram(p);
    return 0;
  }
  return p;
}

const char* kVertexShader = R"(#version 300 es
uniform mat4 u_mvp;
uniform mat4 u_mv;
in vec3 a_pos;
in vec4 a_colour;
in vec4 a_tex0;
in vec2 a_tex1;
out vec4 v_colour;
out vec4 v_tex0;
out vec2 v_tex1;
out float v_depth;
void main() {
  vec4 p = vec4(a_pos, 1.0);
  gl_Position = u_mvp * p;
  gl_PointSize = 1.0;
  v_colour = clamp(a_colour, 0.0, 1.0);
  v_tex0 = a_tex0;
  v_tex1 = a_tex1;
  v_depth = abs((u_mv * p).z);
}
)";

// One texture unit's environment applied to c; `alpha` says whether the texture has alpha.
std::string unit_code(int mode, const std::string& lookup, const std::string& alpha) {
  std::string s = "  { vec4 t = " + lookup + ";\n";
  switch (mode) {
    case TEX_MODULATE: s += "    c = c * t;\n"; break;
    case TEX_REPLACE: s += "    c = vec4(t.rgb, " + alpha + " > 0.5 ? t.a : c.a);\n"; break;
    case TEX_ADD: s += "    c = vec4(min(c.rgb + t.rgb, vec3(1.0)), c.a * t.a);\n"; break;
    default: break;
  }
  return s + "  }\n";
}

// The program of a state combination, made the first time it is drawn; its name is 0 when it
// did not build, which was said on stderr then.
Program& program_for(unsigned key) {
  auto found = g->programs.find(key);
  if (found != g->programs.end()) return found->second;
  const int unit0 = int(key & 3), unit1 = int((key >> 2) & 3), fog = int((key >> 4) & 1);
  std::string f =
      "#version 300 es\nprecision highp float;\n"
      "uniform sampler2D u_tex0;\nuniform sampler2D u_tex1;\n"
      "uniform vec4 u_fogColour;\nuniform vec4 u_fogRange;\nuniform vec4 u_texAlpha;\n"
      "in vec4 v_colour;\nin vec4 v_tex0;\nin vec2 v_tex1;\nin float v_depth;\nout vec4 o_colour;\n"
      "void main() {\n  vec4 c = v_colour;\n";
  if (unit0) f += unit_code(unit0, "textureProj(u_tex0, v_tex0.xyw)", "u_texAlpha.x");
  if (unit1) f += unit_code(unit1, "texture(u_tex1, v_tex1)", "u_texAlpha.y");
  if (fog)
    f += "  float k = clamp((u_fogRange.y - v_depth) / (u_fogRange.y - u_fogRange.x), 0.0, 1.0);\n"
         "  c.rgb = mix(u_fogColour.rgb, c.rgb, k);\n";
  f += "  o_colour = c;\n}\n";
  Program p;
  const GLuint fragment = compile(GL_FRAGMENT_SHADER, f.c_str());
  p.name = link(g->vertexShader, fragment);
  if (fragment) emscripten_glDeleteShader(fragment);
  if (!p.name) {
    std::fprintf(stderr, "OpenGL: the state combination %u draws nothing\n", key);
    return g->programs[key] = p;
  }
  p.mvp = emscripten_glGetUniformLocation(p.name, "u_mvp");
  p.mv = emscripten_glGetUniformLocation(p.name, "u_mv");
  p.fogColour = emscripten_glGetUniformLocation(p.name, "u_fogColour");
  p.fogRange = emscripten_glGetUniformLocation(p.name, "u_fogRange");
  p.texAlpha = emscripten_glGetUniformLocation(p.name, "u_texAlpha");
  emscripten_glUseProgram(p.name);
  emscripten_glUniform1i(emscripten_glGetUniformLocation(p.name, "u_tex0"), 0);
  emscripten_glUniform1i(emscripten_glGetUniformLocation(p.name, "u_tex1"), 1);
  return g->programs[key] = p;
}

// The vertex array and its buffer, with the layout of Vertex.
void make_vertex_array() {
  emscripten_glGenVertexArrays(1, &g->vao);
  emscripten_glGenBuffers(1, &g->vbo);
  emscripten_glBindVertexArray(g->vao);
  emscripten_glBindBuffer(GL_ARRAY_BUFFER, g->vbo);
  const GLsizei stride = sizeof(Vertex);
  emscripten_glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, (void*)offsetof(Vertex, pos));
  emscripten_glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, stride, (void*)offsetof(Vertex, colour));
  emscripten_glVertexAttribPointer(2, 4, GL_FLOAT, GL_FALSE, stride, (void*)offsetof(Vertex, tex0));
  emscripten_glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, stride, (void*)offsetof(Vertex, tex1));
  for (GLuint i = 0; i < 4; i++) emscripten_glEnableVertexAttribArray(i);
}

int unit_mode(int unit) {
  if (!g->texture2d[unit]) return TEX_OFF;
  switch (g->envMode[unit]) {
    case GL_REPLACE: return TEX_REPLACE;
    case GL_ADD: return TEX_ADD;
    default: return TEX_MODULATE;
  }
}

// Draws the batch in the current state.
void flush() {
  if (g->batch.empty()) return;
  const unsigned key = unsigned(unit_mode(0)) | unsigned(unit_mode(1)) << 2 | unsigned(g->fog) << 4;
  const Program* p = g->live ? &program_for(key) : nullptr;
  if (!p || !p->name) {  // no context, or a program that did not build: nothing to draw with
    g->batch.clear();
    return;
  }
  emscripten_glUseProgram(p->name);
  Matrix mvp = g->projection.back();
  multiply(mvp, g->modelview.back().m);
  emscripten_glUniformMatrix4fv(p->mvp, 1, GL_FALSE, mvp.m);
  emscripten_glUniformMatrix4fv(p->mv, 1, GL_FALSE, g->modelview.back().m);
  const float range[4] = {g->fogStart, g->fogEnd, 0, 0};
  emscripten_glUniform4fv(p->fogColour, 1, g->fogColour);
  if (p->fogRange >= 0) emscripten_glUniform4fv(p->fogRange, 1, range);
  const float alpha[4] = {g->rgbOnly.count(g->bound[0]) ? 0.0f : 1.0f, g->rgbOnly.count(g->bound[1]) ? 0.0f : 1.0f, 0,
                          0};
  if (p->texAlpha >= 0) emscripten_glUniform4fv(p->texAlpha, 1, alpha);
  emscripten_glBindVertexArray(g->vao);
  emscripten_glBindBuffer(GL_ARRAY_BUFFER, g->vbo);
  emscripten_glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(g->batch.size() * sizeof(Vertex)), g->batch.data(),
                          GL_STREAM_DRAW);
  emscripten_glDrawArrays(g->batchMode, 0, GLsizei(g->batch.size()));
  g->batch.clear();
}

// Appends the finished primitive to the batch, as triangles, lines or points.
void emit() {
  const std::vector<Vertex>& v = g->prim;
  const std::size_t n = v.size();
  GLenum kind = GL_TRIANGLES;
  if (g->mode == GL_LINES) kind = GL_LINES;
  else if (g->mode == GL_POINTS) kind = GL_POINTS;
  if (kind != g->batchMode) {
    flush();
    g->batchMode = kind;
  }
  switch (g->mode) {
    case GL_POINTS: g->batch.insert(g->batch.end(), v.begin(), v.end()); break;
    case GL_LINES: g->batch.insert(g->batch.end(), v.begin(), v.begin() + std::ptrdiff_t(n / 2 * 2)); break;
    case GL_TRIANGLES: g->batch.insert(g->batch.end(), v.begin(), v.begin() + std::ptrdiff_t(n / 3 * 3)); break;
    case GL_QUADS:
      for (std::size_t i = 0; i + 3 < n; i += 4)
        for (std::size_t k : {i, i + 1, i + 2, i, i + 2, i + 3}) g->batch.push_back(v[k]);
      break;
    case GL_POLYGON:  // convex, so a fan
    case GL_TRIANGLE_FAN:
      for (std::size_t i = 1; i + 1 < n; i++)
        for (std::size_t k : {std::size_t(0), i, i + 1}) g->batch.push_back(v[k]);
      break;
    default: break;
  }
}

// Flushes before a pass-through state changes; returns whether it changes.
template <typename T>
bool change(T& slot, T value) {
  if (slot == value) return false;
  flush();
  slot = value;
  return true;
}

// The same for a state of several values.
template <typename T, std::size_t N>
bool change_all(T (&slot)[N], const T (&value)[N]) {
  if (std::equal(value, value + N, slot)) return false;
  flush();
  std::copy(value, value + N, slot);
  return true;
}

bool is_fixed_function(GLenum cap) { return cap == GL_TEXTURE_2D || cap == GL_FOG || cap == GL_ALPHA_TEST; }

void set_enabled(GLenum cap, int on) {
  if (cap == GL_TEXTURE_2D) change(g->texture2d[g->activeUnit], on);
  else if (cap == GL_FOG) change(g->fog, on);
  else if (cap == GL_ALPHA_TEST) g->alphaTest = on;
  if (is_fixed_function(cap)) return;
  auto it = g->enabled.find(cap);
  if (it != g->enabled.end() && it->second == on) return;
  flush();
  g->enabled[cap] = on;
  if (on) emscripten_glEnable(cap);
  else emscripten_glDisable(cap);
}

// RGBX pictures are stored without their fourth byte, which is not alpha: WebGL takes an RGB
// store only from RGB data.
std::vector<unsigned char> drop_fourth(const void* pixels, GLsizei w, GLsizei h) {
  std::vector<unsigned char> out(std::size_t(w) * std::size_t(h) * 3);
  const auto* src = static_cast<const unsigned char*>(pixels);
  const std::size_t row = (std::size_t(w) * 4 + std::size_t(g->unpackAlignment) - 1) / std::size_t(g->unpackAlignment) *
                          std::size_t(g->unpackAlignment);
  for (GLsizei y = 0; y < h; y++)
    for (GLsizei x = 0; x < w; x++)
      std::memcpy(&out[(std::size_t(y) * w + x) * 3], src + std::size_t(y) * row + std::size_t(x) * 4, 3);
  return out;
}

void vertex(float x, float y, float z) {
  if (!g->inside) return;
  g->current.pos[0] = x;
  g->current.pos[1] = y;
  g->current.pos[2] = z;
  g->prim.push_back(g->current);
}

void colour(float r, float gr, float b, float a) {
  g->current.colour[0] = r;
  g->current.colour[1] = gr;
  g->current.colour[2] = b;
  g->current.colour[3] = a;
}

void tex_coord(int unit, float s, float t, float r, float q) {
  if (unit == 0) {
    g->current.tex0[0] = s, g->current.tex0[1] = t, g->current.tex0[2] = r, g->current.tex0[3] = q;
  } else {
    g->current.tex1[0] = s, g->current.tex1[1] = t;
  }
}

int unit_of(GLenum texture) {
  int u = int(texture) - GL_TEXTURE0;
  return u >= 0 && u < kUnits ? u : 0;
}

}  // namespace

extern "C" {

// Immediate mode.
void glBegin(GLenum mode) {
  g->inside = 1;
  g->mode = mode;
  g->prim.clear();
}
void glEnd(void) {
  if (!g->inside) return;
  g->inside = 0;
  emit();
}
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { vertex(x, y, z); }
void glColor3f(GLfloat r, GLfloat gr, GLfloat b) { colour(r, gr, b, 1.0f); }
void glColor4f(GLfloat r, GLfloat gr, GLfloat b, GLfloat a) { colour(r, gr, b, a); }
void glColor4fv(const GLfloat* c) { colour(c[0], c[1], c[2], c[3]); }
void glTexCoord2f(GLfloat s, GLfloat t) { tex_coord(0, s, t, 0.0f, 1.0f); }
void glTexCoord4f(GLfloat s, GLfloat t, GLfloat r, GLfloat q) { tex_coord(0, s, t, r, q); }
static void multi_tex_coord1f(GLenum unit, GLfloat s) { tex_coord(unit_of(unit), s, 0.0f, 0.0f, 1.0f); }
static void multi_tex_coord2f(GLenum unit, GLfloat s, GLfloat t) { tex_coord(unit_of(unit), s, t, 0.0f, 1.0f); }
static void multi_tex_coord3f(GLenum unit, GLfloat s, GLfloat t, GLfloat r) { tex_coord(unit_of(unit), s, t, r, 1.0f); }
static void multi_tex_coord4f(GLenum unit, GLfloat s, GLfloat t, GLfloat r, GLfloat q) {
  tex_coord(unit_of(unit), s, t, r, q);
}

// Matrices.
void glMatrixMode(GLenum mode) { g->matrixMode = mode; }
void glLoadIdentity(void) {
  flush();
  stack().back() = kIdentity;
}
void glPushMatrix(void) {
  std::vector<Matrix>& s = stack();
  if (s.size() < State::kStackDepth) s.push_back(s.back());
}
void glPopMatrix(void) {
  std::vector<Matrix>& s = stack();
  if (s.size() < 2) return;
  flush();
  s.pop_back();
}
void glMultMatrixf(const GLfloat* m) {
  flush();
  multiply(stack().back(), m);
}
void glMultMatrixd(const GLdouble* m) {
  float f[16];
  for (int i = 0; i < 16; i++) f[i] = float(m[i]);
  glMultMatrixf(f);
}
void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
  const double m[16] = {2 / (r - l), 0, 0, 0, 0, 2 / (t - b), 0, 0, 0, 0, -2 / (f - n), 0,
                        -(r + l) / (r - l), -(t + b) / (t - b), -(f + n) / (f - n), 1};
  glMultMatrixd(m);
}

// Fixed-function state.
void glEnable(GLenum cap) { set_enabled(cap, 1); }
void glDisable(GLenum cap) { set_enabled(cap, 0); }
GLboolean glIsEnabled(GLenum cap) {
  if (cap == GL_TEXTURE_2D) return GLboolean(g->texture2d[g->activeUnit]);
  if (cap == GL_FOG) return GLboolean(g->fog);
  if (cap == GL_ALPHA_TEST) return GLboolean(g->alphaTest);
  return emscripten_glIsEnabled(cap);
}
void glTexEnvi(GLenum, GLenum name, GLint mode) {
  if (name == GL_TEXTURE_ENV_MODE) change(g->envMode[g->activeUnit], mode);
}
void glFogf(GLenum name, GLfloat value) {
  if (name == GL_FOG_START) change(g->fogStart, value);
  else if (name == GL_FOG_END) change(g->fogEnd, value);
}
void glFogi(GLenum, GLint) {}  // the show's fog is always linear
void glFogfv(GLenum name, const GLfloat* v) {
  if (name == GL_FOG_COLOR) change_all(g->fogColour, {v[0], v[1], v[2], v[3]});
}
static void active_texture(GLenum unit) {
  g->activeUnit = unit_of(unit);
  emscripten_glActiveTexture(unit);
}

// Pass-through state.
void glBlendFunc(GLenum s, GLenum d) {
  if (change_all(g->blend, {s, d})) emscripten_glBlendFunc(s, d);
}
void glDepthFunc(GLenum f) {
  if (change(g->depthFunc, f)) emscripten_glDepthFunc(f);
}
void glStencilFunc(GLenum f, GLint ref, GLuint mask) {
  if (g->stencilFunc == f && g->stencilRef == ref && g->stencilMask == mask) return;
  flush();
  g->stencilFunc = f, g->stencilRef = ref, g->stencilMask = mask;
  emscripten_glStencilFunc(f, ref, mask);
}
void glStencilOp(GLenum fail, GLenum zfail, GLenum zpass) {
  if (change_all(g->stencilOps, {fail, zfail, zpass})) emscripten_glStencilOp(fail, zfail, zpass);
}
void glCullFace(GLenum f) {
  if (change(g->cullFace, f)) emscripten_glCullFace(f);
}
void glFrontFace(GLenum f) {
  if (change(g->frontFace, f)) emscripten_glFrontFace(f);
}
void glColorMask(GLboolean r, GLboolean gr, GLboolean b, GLboolean a) {
  if (change_all(g->colourMask, {r, gr, b, a})) emscripten_glColorMask(r, gr, b, a);
}
void glDepthMask(GLboolean on) {
  if (change(g->depthMask, on)) emscripten_glDepthMask(on);
}
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) {
  if (change_all(g->viewport, {x, y, w, h})) emscripten_glViewport(x, y, w, h);
}
void glScissor(GLint x, GLint y, GLsizei w, GLsizei h) {
  if (change_all(g->scissor, {x, y, w, h})) emscripten_glScissor(x, y, w, h);
}
void glClear(GLbitfield mask) {
  flush();
  emscripten_glClear(mask);
}
void glClearColor(GLfloat r, GLfloat gr, GLfloat b, GLfloat a) { emscripten_glClearColor(r, gr, b, a); }
void glClearDepth(GLclampd d) { emscripten_glClearDepthf(GLfloat(d)); }
void glClearStencil(GLint s) { emscripten_glClearStencil(s); }
void glGetIntegerv(GLenum name, GLint* v) { emscripten_glGetIntegerv(name, v); }
void glGetFloatv(GLenum name, GLfloat* v) { emscripten_glGetFloatv(name, v); }
const GLubyte* glGetString(GLenum name) { return emscripten_glGetString(name); }
void glPixelStorei(GLenum name, GLint value) {
  if (name == GL_UNPACK_ALIGNMENT) g->unpackAlignment = value > 0 ? value : 4;
  emscripten_glPixelStorei(name, value);
}
void glReadPixels(GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type, void* pixels) {
  flush();
  emscripten_glReadPixels(x, y, w, h, format, type, pixels);
}

// Textures.
void glGenTextures(GLsizei n, GLuint* names) { emscripten_glGenTextures(n, names); }
void glDeleteTextures(GLsizei n, const GLuint* names) {
  flush();
  for (GLsizei i = 0; i < n; i++) {
    g->rgbOnly.erase(names[i]);
    for (GLuint& b : g->bound)
      if (b == names[i]) b = 0;
  }
  emscripten_glDeleteTextures(n, names);
}
void glBindTexture(GLenum target, GLuint name) {
  if (g->bound[g->activeUnit] == name) return;
  flush();
  g->bound[g->activeUnit] = name;
  emscripten_glBindTexture(target, name);
}
void glTexParameteri(GLenum target, GLenum name, GLint value) {
  flush();
  if (value == GL_CLAMP) value = GL_CLAMP_TO_EDGE;
  emscripten_glTexParameteri(target, name, value);
}
void glGetTexParameteriv(GLenum target, GLenum name, GLint* value) { emscripten_glGetTexParameteriv(target, name, value); }
void glTexImage2D(GLenum target, GLint level, GLint internal, GLsizei w, GLsizei h, GLint border, GLenum format,
                  GLenum type, const void* pixels) {
  flush();
  const GLuint name = g->bound[g->activeUnit];
  const bool rgb = internal == GL_RGB8 || internal == GL_RGB;
  if (rgb) g->rgbOnly[name] = 1;
  else g->rgbOnly.erase(name);
  if (rgb && format == GL_RGBA && pixels) {
    std::vector<unsigned char> packed = drop_fourth(pixels, w, h);
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    emscripten_glTexImage2D(target, level, GL_RGB8, w, h, border, GL_RGB, type, packed.data());
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, g->unpackAlignment);
    return;
  }
  emscripten_glTexImage2D(target, level, rgb ? GL_RGB8 : GL_RGBA8, w, h, border, rgb ? GL_RGB : format, type, pixels);
}
void glTexSubImage2D(GLenum target, GLint level, GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type,
                     const void* pixels) {
  flush();
  if (g->rgbOnly.count(g->bound[g->activeUnit]) && format == GL_RGBA) {
    std::vector<unsigned char> packed = drop_fourth(pixels, w, h);
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    emscripten_glTexSubImage2D(target, level, x, y, w, h, GL_RGB, type, packed.data());
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, g->unpackAlignment);
    return;
  }
  emscripten_glTexSubImage2D(target, level, x, y, w, h, format, type, pixels);
}
void glCopyTexImage2D(GLenum target, GLint level, GLenum internal, GLint x, GLint y, GLsizei w, GLsizei h, GLint border) {
  flush();
  const bool rgb = internal == GL_RGB8 || internal == GL_RGB;
  if (rgb) g->rgbOnly[g->bound[g->activeUnit]] = 1;
  emscripten_glCopyTexImage2D(target, level, rgb ? GL_RGB8 : GL_RGBA8, x, y, w, h, border);
}
void glCopyTexSubImage2D(GLenum target, GLint level, GLint xo, GLint yo, GLint x, GLint y, GLsizei w, GLsizei h) {
  flush();
  emscripten_glCopyTexSubImage2D(target, level, xo, yo, x, y, w, h);
}

// Framebuffers and buffers, for offscreen drawing and its read-back.
void glDrawBuffer(GLenum buffer) { emscripten_glDrawBuffers(1, &buffer); }
void glReadBuffer(GLenum buffer) { emscripten_glReadBuffer(buffer); }
static void gen_framebuffers(GLsizei n, GLuint* names) { emscripten_glGenFramebuffers(n, names); }
static void bind_framebuffer(GLenum target, GLuint name) {
  flush();
  emscripten_glBindFramebuffer(target, name);
}
static void delete_framebuffers(GLsizei n, const GLuint* names) { emscripten_glDeleteFramebuffers(n, names); }
static void gen_renderbuffers(GLsizei n, GLuint* names) { emscripten_glGenRenderbuffers(n, names); }
static void bind_renderbuffer(GLenum target, GLuint name) { emscripten_glBindRenderbuffer(target, name); }
static void delete_renderbuffers(GLsizei n, const GLuint* names) { emscripten_glDeleteRenderbuffers(n, names); }
static void renderbuffer_storage(GLenum target, GLenum format, GLsizei w, GLsizei h) {
  emscripten_glRenderbufferStorage(target, format, w, h);
}
static void framebuffer_renderbuffer(GLenum target, GLenum attachment, GLenum rbTarget, GLuint name) {
  emscripten_glFramebufferRenderbuffer(target, attachment, rbTarget, name);
}
static GLenum check_framebuffer_status(GLenum target) { return emscripten_glCheckFramebufferStatus(target); }
static void gen_buffers(GLsizei n, GLuint* names) { emscripten_glGenBuffers(n, names); }
static void bind_buffer(GLenum target, GLuint name) {
  g->boundBuffers[target] = name;
  emscripten_glBindBuffer(target, name);
}
static void buffer_data(GLenum target, GLsizeiptr size, const void* data, GLenum usage) {
  g->bufferSizes[g->boundBuffers[target]] = size;
  emscripten_glBufferData(target, size, data, usage);
}
static void delete_buffers(GLsizei n, const GLuint* names) {
  for (GLsizei i = 0; i < n; i++) g->bufferSizes.erase(names[i]);
  emscripten_glDeleteBuffers(n, names);
}
// WebGL cannot map a buffer; a copy of its contents stands in until it is unmapped.
static void* map_buffer(GLenum target, GLenum) {
  const GLsizeiptr size = g->bufferSizes[g->boundBuffers[target]];
  if (g->mapped || size <= 0) return nullptr;
  g->mapped = std::malloc(std::size_t(size));
  if (g->mapped) emscripten_glGetBufferSubData(target, 0, size, g->mapped);
  return g->mapped;
}
static GLboolean unmap_buffer(GLenum) {
  std::free(g->mapped);
  g->mapped = nullptr;
  return GL_TRUE;
}

}  // extern "C"

void pl_gl_flush(void) { flush(); }

FARPROC pl_gl_proc(const char* name) {
  struct Entry {
    const char* name;
    FARPROC proc;
  };
  static const Entry kProcs[] = {
      {"glActiveTextureARB", reinterpret_cast<FARPROC>(&active_texture)},
      {"glActiveTexture", reinterpret_cast<FARPROC>(&active_texture)},
      {"glMultiTexCoord1fARB", reinterpret_cast<FARPROC>(&multi_tex_coord1f)},
      {"glMultiTexCoord2fARB", reinterpret_cast<FARPROC>(&multi_tex_coord2f)},
      {"glMultiTexCoord3fARB", reinterpret_cast<FARPROC>(&multi_tex_coord3f)},
      {"glMultiTexCoord4fARB", reinterpret_cast<FARPROC>(&multi_tex_coord4f)},
      {"glGenFramebuffers", reinterpret_cast<FARPROC>(&gen_framebuffers)},
      {"glBindFramebuffer", reinterpret_cast<FARPROC>(&bind_framebuffer)},
      {"glDeleteFramebuffers", reinterpret_cast<FARPROC>(&delete_framebuffers)},
      {"glGenRenderbuffers", reinterpret_cast<FARPROC>(&gen_renderbuffers)},
      {"glBindRenderbuffer", reinterpret_cast<FARPROC>(&bind_renderbuffer)},
      {"glDeleteRenderbuffers", reinterpret_cast<FARPROC>(&delete_renderbuffers)},
      {"glRenderbufferStorage", reinterpret_cast<FARPROC>(&renderbuffer_storage)},
      {"glFramebufferRenderbuffer", reinterpret_cast<FARPROC>(&framebuffer_renderbuffer)},
      {"glCheckFramebufferStatus", reinterpret_cast<FARPROC>(&check_framebuffer_status)},
      {"glGenBuffers", reinterpret_cast<FARPROC>(&gen_buffers)},
      {"glBindBuffer", reinterpret_cast<FARPROC>(&bind_buffer)},
      {"glBufferData", reinterpret_cast<FARPROC>(&buffer_data)},
      {"glMapBuffer", reinterpret_cast<FARPROC>(&map_buffer)},
      {"glUnmapBuffer", reinterpret_cast<FARPROC>(&unmap_buffer)},
      {"glDeleteBuffers", reinterpret_cast<FARPROC>(&delete_buffers)},
  };
  for (const Entry& e : kProcs)
    if (std::strcmp(e.name, name) == 0) return e.proc;
  return nullptr;
}

// A context's layer. State stays inside this file; the wgl calls hold the layer.
struct PL_GlLayer {
  State state;
};

namespace {

// Writes GL's initial values of everything the layer remembers into the current context, which
// may hold what an earlier context on the same canvas left there. The viewport and the scissor
// box start as the drawing buffer, as GL's start at the window.
void start_state() {
  for (GLenum cap : {GL_BLEND, GL_CULL_FACE, GL_DEPTH_TEST, GL_POLYGON_OFFSET_FILL, GL_SCISSOR_TEST, GL_STENCIL_TEST}) {
    emscripten_glDisable(cap);
    g->enabled[cap] = 0;
  }
  emscripten_glBlendFunc(g->blend[0], g->blend[1]);
  emscripten_glDepthFunc(g->depthFunc);
  emscripten_glStencilFunc(g->stencilFunc, g->stencilRef, g->stencilMask);
  emscripten_glStencilOp(g->stencilOps[0], g->stencilOps[1], g->stencilOps[2]);
  emscripten_glCullFace(g->cullFace);
  emscripten_glFrontFace(g->frontFace);
  emscripten_glColorMask(g->colourMask[0], g->colourMask[1], g->colourMask[2], g->colourMask[3]);
  emscripten_glDepthMask(g->depthMask);
  int w = 0, h = 0;
  emscripten_webgl_get_drawing_buffer_size(emscripten_webgl_get_current_context(), &w, &h);
  const GLint box[4] = {0, 0, w, h};
  std::copy(box, box + 4, g->viewport);
  std::copy(box, box + 4, g->scissor);
  emscripten_glViewport(0, 0, w, h);
  emscripten_glScissor(0, 0, w, h);
  for (int unit = kUnits - 1; unit >= 0; unit--) {
    emscripten_glActiveTexture(GLenum(GL_TEXTURE0 + unit));
    emscripten_glBindTexture(GL_TEXTURE_2D, 0);
  }
  emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, g->unpackAlignment);
  emscripten_glClearColor(0, 0, 0, 0);
  emscripten_glClearDepthf(1);
  emscripten_glClearStencil(0);
  emscripten_glBindFramebuffer(GL_FRAMEBUFFER, 0);
  emscripten_glBindRenderbuffer(GL_RENDERBUFFER, 0);
}

}  // namespace

PL_GlLayer* pl_gl_layer_create(void) {
  auto* layer = new PL_GlLayer;
  State* was = g;
  g = &layer->state;
  g->live = 1;
  start_state();
  make_vertex_array();
  g->vertexShader = compile(GL_VERTEX_SHADER, kVertexShader);
  // The plainest combination proves the shaders build here; the others follow when drawn.
  const bool ok = g->vertexShader && program_for(0).name;
  g = was;
  if (ok) return layer;
  std::fprintf(stderr, "OpenGL: the fixed-function shaders do not build on this WebGL\n");
  pl_gl_layer_delete(layer);
  return nullptr;
}

void pl_gl_layer_select(PL_GlLayer* layer) { g = layer ? &layer->state : &g_detached; }

void pl_gl_layer_delete(PL_GlLayer* layer) {
  if (!layer) return;
  State& s = layer->state;
  for (const auto& entry : s.programs)
    if (entry.second.name) emscripten_glDeleteProgram(entry.second.name);
  if (s.vertexShader) emscripten_glDeleteShader(s.vertexShader);
  emscripten_glDeleteBuffers(1, &s.vbo);
  emscripten_glDeleteVertexArrays(1, &s.vao);
  std::free(s.mapped);
  if (g == &s) g = &g_detached;
  delete layer;
}

unsigned pl_gl_program_build(const char* vertex, const char* fragment) {
  const GLuint v = compile(GL_VERTEX_SHADER, vertex), f = compile(GL_FRAGMENT_SHADER, fragment);
  const GLuint p = link(v, f);
  if (v) emscripten_glDeleteShader(v);
  if (f) emscripten_glDeleteShader(f);
  return p;
}
