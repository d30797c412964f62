// The OpenGL 1.1 the graphics layer is written against, on OpenGL ES 3: WebGL 2 in the
// browser, an OpenGL ES 3.0 context from EGL or SDL natively (velmar --gl es).
// The fixed-function states the show uses (two texture units with modulate, replace and add,
// projective texture coordinates, linear fog, the two matrix stacks) become a handful of small
// shaders, made when a state combination is first drawn. Immediate-mode vertices collect in one
// vertex array: polygons, fans and quads as triangles, lines and points as they are. The array
// is drawn when something that affects its drawing is about to change, so a run of polygons in
// one state costs one draw call. A program of the caller's own, bound with glUseProgram, draws
// the batch in their place (the screen effects' one-pass program). Everything else (blending,
// depth, stencil, culling, textures, framebuffers, read-back) goes to OpenGL ES as it is:
// through Emscripten's emscripten_gl* names in the browser, through the entry points the
// context's loader gives natively.
// All of it (the shaders, the vertex array, the remembered state) is a layer that lives as long
// as its context: the wgl calls make it with the context and free it with the context.
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/pl_gl.h"
#include "platform/pl_gl_es.h"

// Reading a buffer back: WebGL 2 copies out of it, OpenGL ES 3 maps it.
#ifdef __EMSCRIPTEN__
#define PL_ES_READBACK(X) X(void, GetBufferSubData, (GLenum, GLintptr, GLsizeiptr, void*))
#else
#define PL_ES_READBACK(X) \
  X(void*, MapBufferRange, (GLenum, GLintptr, GLsizeiptr, GLbitfield)) X(GLboolean, UnmapBuffer, (GLenum))
#endif

// The OpenGL ES 3 / WebGL 2 calls the layer makes: X(return type, name without "gl", parameters).
#define PL_ES_PROCS(X) \
  X(void, ActiveTexture, (GLenum)) \
  X(void, AttachShader, (GLuint, GLuint)) \
  X(void, BindAttribLocation, (GLuint, GLuint, const GLchar*)) \
  X(void, BindBuffer, (GLenum, GLuint)) \
  X(void, BindFramebuffer, (GLenum, GLuint)) \
  X(void, BindRenderbuffer, (GLenum, GLuint)) \
  X(void, BindTexture, (GLenum, GLuint)) \
  X(void, BindVertexArray, (GLuint)) \
  X(void, BlendFunc, (GLenum, GLenum)) \
  X(void, BufferData, (GLenum, GLsizeiptr, const void*, GLenum)) \
  X(GLenum, CheckFramebufferStatus, (GLenum)) \
  X(void, Clear, (GLbitfield)) \
  X(void, ClearColor, (GLfloat, GLfloat, GLfloat, GLfloat)) \
  X(void, ClearDepthf, (GLfloat)) \
  X(void, ClearStencil, (GLint)) \
  X(void, ColorMask, (GLboolean, GLboolean, GLboolean, GLboolean)) \
  X(void, CompileShader, (GLuint)) \
  X(void, CopyTexImage2D, (GLenum, GLint, GLenum, GLint, GLint, GLsizei, GLsizei, GLint)) \
  X(void, CopyTexSubImage2D, (GLenum, GLint, GLint, GLint, GLint, GLint, GLsizei, GLsizei)) \
  X(GLuint, CreateProgram, (void)) \
  X(GLuint, CreateShader, (GLenum)) \
  X(void, CullFace, (GLenum)) \
  X(void, DeleteBuffers, (GLsizei, const GLuint*)) \
  X(void, DeleteProgram, (GLuint)) \
  X(void, DeleteFramebuffers, (GLsizei, const GLuint*)) \
  X(void, DeleteRenderbuffers, (GLsizei, const GLuint*)) \
  X(void, DeleteShader, (GLuint)) \
  X(void, DeleteTextures, (GLsizei, const GLuint*)) \
  X(void, DeleteVertexArrays, (GLsizei, const GLuint*)) \
  X(void, DepthFunc, (GLenum)) \
  X(void, DepthMask, (GLboolean)) \
  X(void, DetachShader, (GLuint, GLuint)) \
  X(void, Disable, (GLenum)) \
  X(void, DisableVertexAttribArray, (GLuint)) \
  X(void, DrawArrays, (GLenum, GLint, GLsizei)) \
  X(void, DrawBuffers, (GLsizei, const GLenum*)) \
  X(void, Enable, (GLenum)) \
  X(void, EnableVertexAttribArray, (GLuint)) \
  X(void, FramebufferRenderbuffer, (GLenum, GLenum, GLenum, GLuint)) \
  X(void, FrontFace, (GLenum)) \
  X(void, GenBuffers, (GLsizei, GLuint*)) \
  X(void, GenFramebuffers, (GLsizei, GLuint*)) \
  X(void, GenRenderbuffers, (GLsizei, GLuint*)) \
  X(void, GenTextures, (GLsizei, GLuint*)) \
  X(void, GenVertexArrays, (GLsizei, GLuint*)) \
  X(GLenum, GetError, (void)) \
  X(void, GetFloatv, (GLenum, GLfloat*)) \
  X(void, GetIntegerv, (GLenum, GLint*)) \
  X(const GLubyte*, GetString, (GLenum)) \
  X(void, GetProgramInfoLog, (GLuint, GLsizei, GLsizei*, GLchar*)) \
  X(void, GetProgramiv, (GLuint, GLenum, GLint*)) \
  X(void, GetShaderInfoLog, (GLuint, GLsizei, GLsizei*, GLchar*)) \
  X(void, GetShaderiv, (GLuint, GLenum, GLint*)) \
  X(void, GetTexParameteriv, (GLenum, GLenum, GLint*)) \
  X(GLint, GetUniformLocation, (GLuint, const GLchar*)) \
  X(GLboolean, IsEnabled, (GLenum)) \
  X(void, LinkProgram, (GLuint)) \
  X(void, PixelStorei, (GLenum, GLint)) \
  X(void, ReadBuffer, (GLenum)) \
  X(void, ReadPixels, (GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*)) \
  X(void, RenderbufferStorage, (GLenum, GLenum, GLsizei, GLsizei)) \
  X(void, Scissor, (GLint, GLint, GLsizei, GLsizei)) \
  X(void, ShaderSource, (GLuint, GLsizei, const GLchar* const*, const GLint*)) \
  X(void, StencilFunc, (GLenum, GLint, GLuint)) \
  X(void, StencilOp, (GLenum, GLenum, GLenum)) \
  X(void, TexImage2D, (GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*)) \
  X(void, TexParameteri, (GLenum, GLenum, GLint)) \
  X(void, TexSubImage2D, (GLenum, GLint, GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, const void*)) \
  X(void, Uniform1i, (GLint, GLint)) \
  X(void, Uniform4fv, (GLint, GLsizei, const GLfloat*)) \
  X(void, UniformMatrix4fv, (GLint, GLsizei, GLboolean, const GLfloat*)) \
  X(void, UseProgram, (GLuint)) \
  X(void, VertexAttribPointer, (GLuint, GLint, GLenum, GLboolean, GLsizei, const void*)) \
  X(void, Viewport, (GLint, GLint, GLsizei, GLsizei)) \
  PL_ES_READBACK(X)

#ifdef __EMSCRIPTEN__
extern "C" {
#define PL_ES_DECLARE(ret, name, params) ret emscripten_gl##name params;
PL_ES_PROCS(PL_ES_DECLARE)
#undef PL_ES_DECLARE
}
#endif

namespace {

struct EsProcs {
#define PL_ES_FIELD(ret, name, params) ret(*name) params = nullptr;
  PL_ES_PROCS(PL_ES_FIELD)
#undef PL_ES_FIELD
};
EsProcs es;

// Fetches the OpenGL ES entry points; 0 when one is missing.
int es_load(void* (*load)(const char* name)) {
  int ok = 1;
#ifdef __EMSCRIPTEN__
  (void)load;
#define PL_ES_LOAD(ret, name, params) es.name = &emscripten_gl##name;
#else
#define PL_ES_LOAD(ret, name, params)                                            \
  es.name = reinterpret_cast<decltype(es.name)>(load ? load("gl" #name) : nullptr); \
  if (!es.name) std::fprintf(stderr, "OpenGL ES: gl%s is missing\n", #name), ok = 0;
#endif
  PL_ES_PROCS(PL_ES_LOAD)
#undef PL_ES_LOAD
  return ok;
}

}  // namespace

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

  // A program of the caller's own, bound with glUseProgram: the batch draws with it instead of
  // the fixed-function shaders, its u_mvp (where it has one) given the matrices.
  GLuint userProgram = 0;
  std::map<GLuint, GLint> userMvp;
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
  GLuint s = es.CreateShader(kind);
  es.ShaderSource(s, 1, &source, nullptr);
  es.CompileShader(s);
  GLint ok = 0;
  es.GetShaderiv(s, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[1024] = "";
    es.GetShaderInfoLog(s, sizeof log, nullptr, log);
    std::fprintf(stderr, "OpenGL: a %s shader did not compile: %s\n", kind == GL_VERTEX_SHADER ? "vertex" : "fragment",
                 trimmed(log));
    es.DeleteShader(s);
    return 0;
  }
  return s;
}

// A linked program of the two shaders, with the vertex attributes at their places, or 0 (with
// the linker's word on stderr). The shaders stay the caller's.
GLuint link(GLuint vertex, GLuint fragment) {
  if (!vertex || !fragment) return 0;
  GLuint p = es.CreateProgram();
  es.AttachShader(p, vertex);
  es.AttachShader(p, fragment);
  const char* attributes[] = {"a_pos", "a_colour", "a_tex0", "a_tex1"};
  for (GLuint i = 0; i < 4; i++) es.BindAttribLocation(p, i, attributes[i]);
  es.LinkProgram(p);
  es.DetachShader(p, vertex);
  es.DetachShader(p, fragment);
  GLint ok = 0;
  es.GetProgramiv(p, GL_LINK_STATUS, &ok);
  if (!ok) {
    char log[1024] = "";
    es.GetProgramInfoLog(p, sizeof log, nullptr, log);
    std::fprintf(stderr, "OpenGL: a program did not link: %s\n", trimmed(log));
    es.DeleteProgram(p);
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
  // A fragment shader's samplers are of low precision unless it says otherwise: texels would be
  // narrowed to half floats (not every 8-bit value survives that), and a software renderer
  // leaves its fast 8-bit texture path for it.
  std::string f =
      "#version 300 es\nprecision highp float;\nprecision highp sampler2D;\n"
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
  if (fragment) es.DeleteShader(fragment);
  if (!p.name) {
    std::fprintf(stderr, "OpenGL: the state combination %u draws nothing\n", key);
    return g->programs[key] = p;
  }
  p.mvp = es.GetUniformLocation(p.name, "u_mvp");
  p.mv = es.GetUniformLocation(p.name, "u_mv");
  p.fogColour = es.GetUniformLocation(p.name, "u_fogColour");
  p.fogRange = es.GetUniformLocation(p.name, "u_fogRange");
  p.texAlpha = es.GetUniformLocation(p.name, "u_texAlpha");
  es.UseProgram(p.name);
  es.Uniform1i(es.GetUniformLocation(p.name, "u_tex0"), 0);
  es.Uniform1i(es.GetUniformLocation(p.name, "u_tex1"), 1);
  return g->programs[key] = p;
}

// The vertex array and its buffer, with the layout of Vertex.
void make_vertex_array() {
  es.GenVertexArrays(1, &g->vao);
  es.GenBuffers(1, &g->vbo);
  es.BindVertexArray(g->vao);
  es.BindBuffer(GL_ARRAY_BUFFER, g->vbo);
  const GLsizei stride = sizeof(Vertex);
  es.VertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, (void*)offsetof(Vertex, pos));
  es.VertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, stride, (void*)offsetof(Vertex, colour));
  es.VertexAttribPointer(2, 4, GL_FLOAT, GL_FALSE, stride, (void*)offsetof(Vertex, tex0));
  es.VertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, stride, (void*)offsetof(Vertex, tex1));
  for (GLuint i = 0; i < 4; i++) es.EnableVertexAttribArray(i);
}

int unit_mode(int unit) {
  if (!g->texture2d[unit]) return TEX_OFF;
  switch (g->envMode[unit]) {
    case GL_REPLACE: return TEX_REPLACE;
    case GL_ADD: return TEX_ADD;
    default: return TEX_MODULATE;
  }
}

void draw_batch() {
  es.BindVertexArray(g->vao);
  es.BindBuffer(GL_ARRAY_BUFFER, g->vbo);
  es.BufferData(GL_ARRAY_BUFFER, GLsizeiptr(g->batch.size() * sizeof(Vertex)), g->batch.data(),
                          GL_STREAM_DRAW);
  es.DrawArrays(g->batchMode, 0, GLsizei(g->batch.size()));
  g->batch.clear();
}

Matrix model_view_projection() {
  Matrix mvp = g->projection.back();
  multiply(mvp, g->modelview.back().m);
  return mvp;
}

// Draws the batch with the caller's program.
void flush_user() {
  const GLuint p = g->userProgram;
  auto found = g->userMvp.find(p);
  if (found == g->userMvp.end()) found = g->userMvp.emplace(p, es.GetUniformLocation(p, "u_mvp")).first;
  es.UseProgram(p);
  if (found->second >= 0) es.UniformMatrix4fv(found->second, 1, GL_FALSE, model_view_projection().m);
  draw_batch();
}

// Draws the batch in the current state.
void flush() {
  if (g->batch.empty()) return;
  if (g->userProgram && g->live) return flush_user();
  const unsigned key = unsigned(unit_mode(0)) | unsigned(unit_mode(1)) << 2 | unsigned(g->fog) << 4;
  const Program* p = g->live ? &program_for(key) : nullptr;
  if (!p || !p->name) {  // no context, or a program that did not build: nothing to draw with
    g->batch.clear();
    return;
  }
  es.UseProgram(p->name);
  es.UniformMatrix4fv(p->mvp, 1, GL_FALSE, model_view_projection().m);
  es.UniformMatrix4fv(p->mv, 1, GL_FALSE, g->modelview.back().m);
  const float range[4] = {g->fogStart, g->fogEnd, 0, 0};
  es.Uniform4fv(p->fogColour, 1, g->fogColour);
  if (p->fogRange >= 0) es.Uniform4fv(p->fogRange, 1, range);
  const float alpha[4] = {g->rgbOnly.count(g->bound[0]) ? 0.0f : 1.0f, g->rgbOnly.count(g->bound[1]) ? 0.0f : 1.0f, 0,
                          0};
  if (p->texAlpha >= 0) es.Uniform4fv(p->texAlpha, 1, alpha);
  draw_batch();
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
  if (on) es.Enable(cap);
  else es.Disable(cap);
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

// The OpenGL 1.1 calls, under their own names in a namespace of their own: the global names
// are the platform's jumps through the current record (pl_gl.cpp).
namespace layer {

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
  return es.IsEnabled(cap);
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
  es.ActiveTexture(unit);
}

// Pass-through state.
void glBlendFunc(GLenum s, GLenum d) {
  if (change_all(g->blend, {s, d})) es.BlendFunc(s, d);
}
void glDepthFunc(GLenum f) {
  if (change(g->depthFunc, f)) es.DepthFunc(f);
}
void glStencilFunc(GLenum f, GLint ref, GLuint mask) {
  if (g->stencilFunc == f && g->stencilRef == ref && g->stencilMask == mask) return;
  flush();
  g->stencilFunc = f, g->stencilRef = ref, g->stencilMask = mask;
  es.StencilFunc(f, ref, mask);
}
void glStencilOp(GLenum fail, GLenum zfail, GLenum zpass) {
  if (change_all(g->stencilOps, {fail, zfail, zpass})) es.StencilOp(fail, zfail, zpass);
}
void glCullFace(GLenum f) {
  if (change(g->cullFace, f)) es.CullFace(f);
}
void glFrontFace(GLenum f) {
  if (change(g->frontFace, f)) es.FrontFace(f);
}
void glColorMask(GLboolean r, GLboolean gr, GLboolean b, GLboolean a) {
  if (change_all(g->colourMask, {r, gr, b, a})) es.ColorMask(r, gr, b, a);
}
void glDepthMask(GLboolean on) {
  if (change(g->depthMask, on)) es.DepthMask(on);
}
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) {
  if (change_all(g->viewport, {x, y, w, h})) es.Viewport(x, y, w, h);
}
void glScissor(GLint x, GLint y, GLsizei w, GLsizei h) {
  if (change_all(g->scissor, {x, y, w, h})) es.Scissor(x, y, w, h);
}
void glClear(GLbitfield mask) {
  flush();
  es.Clear(mask);
}
void glClearColor(GLfloat r, GLfloat gr, GLfloat b, GLfloat a) { es.ClearColor(r, gr, b, a); }
void glClearDepth(GLclampd d) { es.ClearDepthf(GLfloat(d)); }
void glClearStencil(GLint s) { es.ClearStencil(s); }
void glGetIntegerv(GLenum name, GLint* v) { es.GetIntegerv(name, v); }
void glGetFloatv(GLenum name, GLfloat* v) { es.GetFloatv(name, v); }
const GLubyte* glGetString(GLenum name) { return es.GetString(name); }
void glPixelStorei(GLenum name, GLint value) {
  if (name == GL_UNPACK_ALIGNMENT) g->unpackAlignment = value > 0 ? value : 4;
  es.PixelStorei(name, value);
}
void glReadPixels(GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type, void* pixels) {
  flush();
  es.ReadPixels(x, y, w, h, format, type, pixels);
}

// Textures.
void glGenTextures(GLsizei n, GLuint* names) { es.GenTextures(n, names); }
void glDeleteTextures(GLsizei n, const GLuint* names) {
  flush();
  for (GLsizei i = 0; i < n; i++) {
    g->rgbOnly.erase(names[i]);
    for (GLuint& b : g->bound)
      if (b == names[i]) b = 0;
  }
  es.DeleteTextures(n, names);
}
void glBindTexture(GLenum target, GLuint name) {
  if (g->bound[g->activeUnit] == name) return;
  flush();
  g->bound[g->activeUnit] = name;
  es.BindTexture(target, name);
}
void glTexParameteri(GLenum target, GLenum name, GLint value) {
  flush();
  if (value == GL_CLAMP) value = GL_CLAMP_TO_EDGE;
  es.TexParameteri(target, name, value);
}
void glGetTexParameteriv(GLenum target, GLenum name, GLint* value) { es.GetTexParameteriv(target, name, value); }
void glTexImage2D(GLenum target, GLint level, GLint internal, GLsizei w, GLsizei h, GLint border, GLenum format,
                  GLenum type, const void* pixels) {
  flush();
  const GLuint name = g->bound[g->activeUnit];
  const bool rgb = internal == GL_RGB8 || internal == GL_RGB;
  if (rgb) g->rgbOnly[name] = 1;
  else g->rgbOnly.erase(name);
  if (rgb && format == GL_RGBA && pixels) {
    std::vector<unsigned char> packed = drop_fourth(pixels, w, h);
    es.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    es.TexImage2D(target, level, GL_RGB8, w, h, border, GL_RGB, type, packed.data());
    es.PixelStorei(GL_UNPACK_ALIGNMENT, g->unpackAlignment);
    return;
  }
  es.TexImage2D(target, level, rgb ? GL_RGB8 : GL_RGBA8, w, h, border, rgb ? GL_RGB : format, type, pixels);
}
void glTexSubImage2D(GLenum target, GLint level, GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type,
                     const void* pixels) {
  flush();
  if (g->rgbOnly.count(g->bound[g->activeUnit]) && format == GL_RGBA) {
    std::vector<unsigned char> packed = drop_fourth(pixels, w, h);
    es.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    es.TexSubImage2D(target, level, x, y, w, h, GL_RGB, type, packed.data());
    es.PixelStorei(GL_UNPACK_ALIGNMENT, g->unpackAlignment);
    return;
  }
  es.TexSubImage2D(target, level, x, y, w, h, format, type, pixels);
}
void glCopyTexImage2D(GLenum target, GLint level, GLenum internal, GLint x, GLint y, GLsizei w, GLsizei h, GLint border) {
  flush();
  const bool rgb = internal == GL_RGB8 || internal == GL_RGB;
  if (rgb) g->rgbOnly[g->bound[g->activeUnit]] = 1;
  es.CopyTexImage2D(target, level, rgb ? GL_RGB8 : GL_RGBA8, x, y, w, h, border);
}
void glCopyTexSubImage2D(GLenum target, GLint level, GLint xo, GLint yo, GLint x, GLint y, GLsizei w, GLsizei h) {
  flush();
  es.CopyTexSubImage2D(target, level, xo, yo, x, y, w, h);
}

// Framebuffers and buffers, for offscreen drawing and its read-back.
void glDrawBuffer(GLenum buffer) { es.DrawBuffers(1, &buffer); }
void glReadBuffer(GLenum buffer) { es.ReadBuffer(buffer); }
static void gen_framebuffers(GLsizei n, GLuint* names) { es.GenFramebuffers(n, names); }
static void bind_framebuffer(GLenum target, GLuint name) {
  flush();
  es.BindFramebuffer(target, name);
}
static void delete_framebuffers(GLsizei n, const GLuint* names) { es.DeleteFramebuffers(n, names); }
static void gen_renderbuffers(GLsizei n, GLuint* names) { es.GenRenderbuffers(n, names); }
static void bind_renderbuffer(GLenum target, GLuint name) { es.BindRenderbuffer(target, name); }
static void delete_renderbuffers(GLsizei n, const GLuint* names) { es.DeleteRenderbuffers(n, names); }
static void renderbuffer_storage(GLenum target, GLenum format, GLsizei w, GLsizei h) {
  es.RenderbufferStorage(target, format, w, h);
}
static void framebuffer_renderbuffer(GLenum target, GLenum attachment, GLenum rbTarget, GLuint name) {
  es.FramebufferRenderbuffer(target, attachment, rbTarget, name);
}
static GLenum check_framebuffer_status(GLenum target) { return es.CheckFramebufferStatus(target); }
static void gen_buffers(GLsizei n, GLuint* names) { es.GenBuffers(n, names); }
static void bind_buffer(GLenum target, GLuint name) {
  g->boundBuffers[target] = name;
  es.BindBuffer(target, name);
}
static void buffer_data(GLenum target, GLsizeiptr size, const void* data, GLenum usage) {
  g->bufferSizes[g->boundBuffers[target]] = size;
  es.BufferData(target, size, data, usage);
}
static void delete_buffers(GLsizei n, const GLuint* names) {
  for (GLsizei i = 0; i < n; i++) g->bufferSizes.erase(names[i]);
  es.DeleteBuffers(n, names);
}
#ifdef __EMSCRIPTEN__
// WebGL cannot map a buffer; a copy of its contents stands in until it is unmapped.
static void* map_buffer(GLenum target, GLenum) {
  const GLsizeiptr size = g->bufferSizes[g->boundBuffers[target]];
  if (g->mapped || size <= 0) return nullptr;
  g->mapped = std::malloc(std::size_t(size));
  if (g->mapped) es.GetBufferSubData(target, 0, size, g->mapped);
  return g->mapped;
}
static GLboolean unmap_buffer(GLenum) {
  std::free(g->mapped);
  g->mapped = nullptr;
  return GL_TRUE;
}
#else
// OpenGL ES maps ranges only; the program maps whole buffers, to read them.
static void* map_buffer(GLenum target, GLenum) {
  const GLsizeiptr size = g->bufferSizes[g->boundBuffers[target]];
  if (size <= 0) return nullptr;
  flush();
  return es.MapBufferRange(target, 0, size, GL_MAP_READ_BIT);
}
static GLboolean unmap_buffer(GLenum target) { return es.UnmapBuffer(target); }
#endif

// Programs of the caller's own, in OpenGL ES's shading language: made and fed as they are, and
// drawn with in place of the fixed-function shaders while bound.
static void use_program(GLuint p) {
  flush();
  g->userProgram = p;
  es.UseProgram(p);
}
static void delete_program(GLuint p) {
  flush();
  if (g->userProgram == p) g->userProgram = 0;
  g->userMvp.erase(p);
  es.DeleteProgram(p);
}
static GLuint create_shader(GLenum kind) { return es.CreateShader(kind); }
static void shader_source(GLuint s, GLsizei n, const GLchar* const* text, const GLint* lengths) {
  es.ShaderSource(s, n, text, lengths);
}
static void compile_shader(GLuint s) { es.CompileShader(s); }
static void get_shaderiv(GLuint s, GLenum name, GLint* v) { es.GetShaderiv(s, name, v); }
static void get_shader_info_log(GLuint s, GLsizei n, GLsizei* length, GLchar* log) {
  es.GetShaderInfoLog(s, n, length, log);
}
static void delete_shader(GLuint s) { es.DeleteShader(s); }
static GLuint create_program(void) { return es.CreateProgram(); }
static void attach_shader(GLuint p, GLuint s) { es.AttachShader(p, s); }
static void bind_attrib_location(GLuint p, GLuint index, const GLchar* name) { es.BindAttribLocation(p, index, name); }
static void link_program(GLuint p) { es.LinkProgram(p); }
static void get_programiv(GLuint p, GLenum name, GLint* v) { es.GetProgramiv(p, name, v); }
// Uniforms go to the bound program: the caller's, bound last by use_program and not since
// replaced, as a flush draws pending polygons before use_program returns.
static GLint get_uniform_location(GLuint p, const GLchar* name) { return es.GetUniformLocation(p, name); }
static void uniform1i(GLint at, GLint v) { es.Uniform1i(at, v); }
static void uniform4fv(GLint at, GLsizei n, const GLfloat* v) { es.Uniform4fv(at, n, v); }

// Errors of the calls so far, the layer's own drawing included.
GLenum glGetError(void) {
  flush();
  return es.GetError();
}

}  // namespace layer

void pl_gl_flush(void) { flush(); }

FARPROC pl_gl_proc(const char* name) {
  struct Entry {
    const char* name;
    FARPROC proc;
  };
  static const Entry kProcs[] = {
      {"glActiveTextureARB", reinterpret_cast<FARPROC>(&layer::active_texture)},
      {"glActiveTexture", reinterpret_cast<FARPROC>(&layer::active_texture)},
      {"glMultiTexCoord1fARB", reinterpret_cast<FARPROC>(&layer::multi_tex_coord1f)},
      {"glMultiTexCoord2fARB", reinterpret_cast<FARPROC>(&layer::multi_tex_coord2f)},
      {"glMultiTexCoord3fARB", reinterpret_cast<FARPROC>(&layer::multi_tex_coord3f)},
      {"glMultiTexCoord4fARB", reinterpret_cast<FARPROC>(&layer::multi_tex_coord4f)},
      {"glGenFramebuffers", reinterpret_cast<FARPROC>(&layer::gen_framebuffers)},
      {"glBindFramebuffer", reinterpret_cast<FARPROC>(&layer::bind_framebuffer)},
      {"glDeleteFramebuffers", reinterpret_cast<FARPROC>(&layer::delete_framebuffers)},
      {"glGenRenderbuffers", reinterpret_cast<FARPROC>(&layer::gen_renderbuffers)},
      {"glBindRenderbuffer", reinterpret_cast<FARPROC>(&layer::bind_renderbuffer)},
      {"glDeleteRenderbuffers", reinterpret_cast<FARPROC>(&layer::delete_renderbuffers)},
      {"glRenderbufferStorage", reinterpret_cast<FARPROC>(&layer::renderbuffer_storage)},
      {"glFramebufferRenderbuffer", reinterpret_cast<FARPROC>(&layer::framebuffer_renderbuffer)},
      {"glCheckFramebufferStatus", reinterpret_cast<FARPROC>(&layer::check_framebuffer_status)},
      {"glGenBuffers", reinterpret_cast<FARPROC>(&layer::gen_buffers)},
      {"glBindBuffer", reinterpret_cast<FARPROC>(&layer::bind_buffer)},
      {"glBufferData", reinterpret_cast<FARPROC>(&layer::buffer_data)},
      {"glMapBuffer", reinterpret_cast<FARPROC>(&layer::map_buffer)},
      {"glUnmapBuffer", reinterpret_cast<FARPROC>(&layer::unmap_buffer)},
      {"glDeleteBuffers", reinterpret_cast<FARPROC>(&layer::delete_buffers)},
      {"glUseProgram", reinterpret_cast<FARPROC>(&layer::use_program)},
      {"glDeleteProgram", reinterpret_cast<FARPROC>(&layer::delete_program)},
      {"glCreateShader", reinterpret_cast<FARPROC>(&layer::create_shader)},
      {"glShaderSource", reinterpret_cast<FARPROC>(&layer::shader_source)},
      {"glCompileShader", reinterpret_cast<FARPROC>(&layer::compile_shader)},
      {"glGetShaderiv", reinterpret_cast<FARPROC>(&layer::get_shaderiv)},
      {"glGetShaderInfoLog", reinterpret_cast<FARPROC>(&layer::get_shader_info_log)},
      {"glDeleteShader", reinterpret_cast<FARPROC>(&layer::delete_shader)},
      {"glCreateProgram", reinterpret_cast<FARPROC>(&layer::create_program)},
      {"glAttachShader", reinterpret_cast<FARPROC>(&layer::attach_shader)},
      {"glBindAttribLocation", reinterpret_cast<FARPROC>(&layer::bind_attrib_location)},
      {"glLinkProgram", reinterpret_cast<FARPROC>(&layer::link_program)},
      {"glGetProgramiv", reinterpret_cast<FARPROC>(&layer::get_programiv)},
      {"glGetUniformLocation", reinterpret_cast<FARPROC>(&layer::get_uniform_location)},
      {"glUniform1i", reinterpret_cast<FARPROC>(&layer::uniform1i)},
      {"glUniform4fv", reinterpret_cast<FARPROC>(&layer::uniform4fv)},
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
void start_state(int width, int height) {
  for (GLenum cap : {GL_BLEND, GL_CULL_FACE, GL_DEPTH_TEST, GL_POLYGON_OFFSET_FILL, GL_SCISSOR_TEST, GL_STENCIL_TEST}) {
    es.Disable(cap);
    g->enabled[cap] = 0;
  }
  es.BlendFunc(g->blend[0], g->blend[1]);
  es.DepthFunc(g->depthFunc);
  es.StencilFunc(g->stencilFunc, g->stencilRef, g->stencilMask);
  es.StencilOp(g->stencilOps[0], g->stencilOps[1], g->stencilOps[2]);
  es.CullFace(g->cullFace);
  es.FrontFace(g->frontFace);
  es.ColorMask(g->colourMask[0], g->colourMask[1], g->colourMask[2], g->colourMask[3]);
  es.DepthMask(g->depthMask);
  const GLint box[4] = {0, 0, width, height};
  std::copy(box, box + 4, g->viewport);
  std::copy(box, box + 4, g->scissor);
  es.Viewport(0, 0, width, height);
  es.Scissor(0, 0, width, height);
  for (int unit = kUnits - 1; unit >= 0; unit--) {
    es.ActiveTexture(GLenum(GL_TEXTURE0 + unit));
    es.BindTexture(GL_TEXTURE_2D, 0);
  }
  es.PixelStorei(GL_UNPACK_ALIGNMENT, g->unpackAlignment);
  es.ClearColor(0, 0, 0, 0);
  es.ClearDepthf(1);
  es.ClearStencil(0);
  es.BindFramebuffer(GL_FRAMEBUFFER, 0);
  es.BindRenderbuffer(GL_RENDERBUFFER, 0);
}

}  // namespace

PL_GlLayer* pl_gl_layer_create(void* (*load)(const char* name), int width, int height) {
  if (!es_load(load)) return nullptr;
  auto* layer = new PL_GlLayer;
  State* was = g;
  g = &layer->state;
  g->live = 1;
  start_state(width, height);
  make_vertex_array();
  g->vertexShader = compile(GL_VERTEX_SHADER, kVertexShader);
  // The plainest combination proves the shaders build here; the others follow when drawn.
  const bool ok = g->vertexShader && program_for(0).name;
  g = was;
  if (ok) return layer;
  std::fprintf(stderr, "OpenGL: the fixed-function shaders do not build on this OpenGL ES\n");
  pl_gl_layer_delete(layer);
  return nullptr;
}

void pl_gl_layer_select(PL_GlLayer* layer) { g = layer ? &layer->state : &g_detached; }

void pl_gl_layer_delete(PL_GlLayer* layer) {
  if (!layer) return;
  State& s = layer->state;
  for (const auto& entry : s.programs)
    if (entry.second.name) es.DeleteProgram(entry.second.name);
  if (s.vertexShader) es.DeleteShader(s.vertexShader);
  es.DeleteBuffers(1, &s.vbo);
  es.DeleteVertexArrays(1, &s.vao);
  std::free(s.mapped);
  if (g == &s) g = &g_detached;
  delete layer;
}

unsigned pl_gl_program_build(const char* vertex, const char* fragment) {
  const GLuint v = compile(GL_VERTEX_SHADER, vertex), f = compile(GL_FRAGMENT_SHADER, fragment);
  const GLuint p = link(v, f);
  if (v) es.DeleteShader(v);
  if (f) es.DeleteShader(f);
  return p;
}

const PL_GlProcs* pl_gl_layer_procs(void* (*load)(const char* name)) {
  static PL_GlProcs procs;
  static int made = 0;
  if (made) return &procs;
  made = 1;
  procs.glBegin = &layer::glBegin;
  procs.glEnd = &layer::glEnd;
  procs.glVertex3f = &layer::glVertex3f;
  procs.glColor3f = &layer::glColor3f;
  procs.glColor4f = &layer::glColor4f;
  procs.glColor4fv = &layer::glColor4fv;
  procs.glTexCoord2f = &layer::glTexCoord2f;
  procs.glTexCoord4f = &layer::glTexCoord4f;
  procs.glMatrixMode = &layer::glMatrixMode;
  procs.glLoadIdentity = &layer::glLoadIdentity;
  procs.glPushMatrix = &layer::glPushMatrix;
  procs.glPopMatrix = &layer::glPopMatrix;
  procs.glMultMatrixf = &layer::glMultMatrixf;
  procs.glMultMatrixd = &layer::glMultMatrixd;
  procs.glOrtho = &layer::glOrtho;
  procs.glEnable = &layer::glEnable;
  procs.glDisable = &layer::glDisable;
  procs.glIsEnabled = &layer::glIsEnabled;
  procs.glTexEnvi = &layer::glTexEnvi;
  procs.glFogf = &layer::glFogf;
  procs.glFogi = &layer::glFogi;
  procs.glFogfv = &layer::glFogfv;
  procs.glBlendFunc = &layer::glBlendFunc;
  procs.glDepthFunc = &layer::glDepthFunc;
  procs.glStencilFunc = &layer::glStencilFunc;
  procs.glStencilOp = &layer::glStencilOp;
  procs.glCullFace = &layer::glCullFace;
  procs.glFrontFace = &layer::glFrontFace;
  procs.glColorMask = &layer::glColorMask;
  procs.glDepthMask = &layer::glDepthMask;
  procs.glViewport = &layer::glViewport;
  procs.glScissor = &layer::glScissor;
  procs.glClear = &layer::glClear;
  procs.glClearColor = &layer::glClearColor;
  procs.glClearDepth = &layer::glClearDepth;
  procs.glClearStencil = &layer::glClearStencil;
  procs.glGetError = &layer::glGetError;
  procs.glGetIntegerv = &layer::glGetIntegerv;
  procs.glGetFloatv = &layer::glGetFloatv;
  procs.glGetString = &layer::glGetString;
  procs.glPixelStorei = &layer::glPixelStorei;
  procs.glReadPixels = &layer::glReadPixels;
  procs.glReadBuffer = &layer::glReadBuffer;
  procs.glDrawBuffer = &layer::glDrawBuffer;
  procs.glGenTextures = &layer::glGenTextures;
  procs.glDeleteTextures = &layer::glDeleteTextures;
  procs.glBindTexture = &layer::glBindTexture;
  procs.glTexParameteri = &layer::glTexParameteri;
  procs.glGetTexParameteriv = &layer::glGetTexParameteriv;
  procs.glTexImage2D = &layer::glTexImage2D;
  procs.glTexSubImage2D = &layer::glTexSubImage2D;
  procs.glCopyTexImage2D = &layer::glCopyTexImage2D;
  procs.glCopyTexSubImage2D = &layer::glCopyTexSubImage2D;
  // The rest (queries only the tests make) go to OpenGL ES as they are, where it has them.
  pl_gl_fill(&procs, load);
  return &procs;
}
