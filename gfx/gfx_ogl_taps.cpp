// The screen effects' 20 translucent passes as one pass of 20 lookups, where the OpenGL runs
// shaders (2.0 and later, OpenGL ES 3 through the platform's layer). Twenty blended full-screen
// passes read and write every pixel of the frame twenty times; one program reads a copy of the
// frame once, runs the twenty blends on it and writes it once. The blends are the 8-bit ones a
// frame buffer of 8 bits a channel does, rounding after each pass: summed in floating point
// and rounded once, a dark gradient under twenty passes of a tenth comes out up to five levels
// away, as each 8-bit pass stops moving a pixel that is within five levels of the image.
// Without shaders (an OpenGL 1.1), or with VELMAR_GL_FIXED=1, the effects keep their passes.
#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gfx/gfx_ogl.h"
#include "gfx/gfx_ogl_debug.h"

namespace {

struct Taps {
  PFNGLCREATESHADERPROC createShader;
  PFNGLSHADERSOURCEPROC shaderSource;
  PFNGLCOMPILESHADERPROC compileShader;
  PFNGLGETSHADERIVPROC getShaderiv;
  PFNGLGETSHADERINFOLOGPROC getShaderInfoLog;
  PFNGLDELETESHADERPROC deleteShader;
  PFNGLCREATEPROGRAMPROC createProgram;
  PFNGLATTACHSHADERPROC attachShader;
  PFNGLBINDATTRIBLOCATIONPROC bindAttribLocation;
  PFNGLLINKPROGRAMPROC linkProgram;
  PFNGLGETPROGRAMIVPROC getProgramiv;
  PFNGLDELETEPROGRAMPROC deleteProgram;
  PFNGLUSEPROGRAMPROC useProgram;
  PFNGLGETUNIFORMLOCATIONPROC getUniformLocation;
  PFNGLUNIFORM1IPROC uniform1i;
  PFNGLUNIFORM4FVPROC uniform4fv;
  PFNGLACTIVETEXTUREPROC activeTexture;
  GLuint program;
  GLint taps, fit, frameBox;
  GLuint frame;  // the copy of the frame the passes blend onto
  float fits[256][2];  // GFX_OglBlendFit of every 8-bit value, made with the program
  int frameWidth, frameHeight;
};

Taps g_taps{};

bool fetch_all() {
  Taps& t = g_taps;
  return GFX_OglFetch(t.createShader, "glCreateShader") && GFX_OglFetch(t.shaderSource, "glShaderSource") &&
         GFX_OglFetch(t.compileShader, "glCompileShader") && GFX_OglFetch(t.getShaderiv, "glGetShaderiv") &&
         GFX_OglFetch(t.getShaderInfoLog, "glGetShaderInfoLog") && GFX_OglFetch(t.deleteShader, "glDeleteShader") &&
         GFX_OglFetch(t.createProgram, "glCreateProgram") && GFX_OglFetch(t.attachShader, "glAttachShader") &&
         GFX_OglFetch(t.bindAttribLocation, "glBindAttribLocation") &&
         GFX_OglFetch(t.linkProgram, "glLinkProgram") && GFX_OglFetch(t.getProgramiv, "glGetProgramiv") &&
         GFX_OglFetch(t.deleteProgram, "glDeleteProgram") && GFX_OglFetch(t.useProgram, "glUseProgram") &&
         GFX_OglFetch(t.getUniformLocation, "glGetUniformLocation") && GFX_OglFetch(t.uniform1i, "glUniform1i") &&
         GFX_OglFetch(t.uniform4fv, "glUniform4fv") && GFX_OglFetch(t.activeTexture, "glActiveTexture");
}

// OpenGL ES (or WebGL) reports itself in its version; everything else is desktop OpenGL,
// which runs shaders from 2.0 on.
bool is_es(const char* version) { return std::strstr(version, "OpenGL ES") || std::strncmp(version, "WebGL", 5) == 0; }
bool has_shaders(const char* version) { return is_es(version) || std::atoi(version) >= 2; }

// Each lookup's texture coordinates are an affine function of the position in the effects'
// GL coordinates, so the vertex shader works them out at the corners and the rasteriser
// interpolates them: two lookups to a vec4. u_taps holds two rows per lookup,
// u = dot(row0.xyz, (x, y, 1)) and v = dot(row1.xyz, (x, y, 1)). Desktop OpenGL takes the
// fixed-function vertex; the ES layer gives its vertex attribute 0 and its matrix.
constexpr const char* kVertexDesktop =
    "#version 110\n#define OUT varying\n"
    "#define POSITION gl_Vertex.xy\n#define CLIP ftransform()\n";
constexpr const char* kVertexEs =
    "#version 300 es\n#define OUT out\nuniform mat4 u_mvp;\nin vec3 a_pos;\n"
    "#define POSITION a_pos.xy\n#define CLIP (u_mvp * vec4(a_pos, 1.0))\n";
constexpr const char* kVertexBody =
    "uniform vec4 u_taps[40];\nOUT vec4 v_uv[10];\n"
    "void main() {\n"
    "  vec3 p = vec3(POSITION, 1.0);\n"
    "  for (int i = 0; i < 10; i++)\n"
    "    v_uv[i] = vec4(dot(u_taps[4 * i].xyz, p), dot(u_taps[4 * i + 1].xyz, p), dot(u_taps[4 * i + 2].xyz, p),\n"
    "                   dot(u_taps[4 * i + 3].xyz, p));\n"
    "  gl_Position = CLIP;\n"
    "}\n";
constexpr const char* kFragmentDesktop =
    "#version 110\n#define IN varying\n#define TEX texture2D\n#define OUT gl_FragColor\n";
// High precision for the samplers too: OpenGL ES gives a fragment shader's samplers low
// precision otherwise, and the 8-bit values would not all come back whole.
constexpr const char* kFragmentEs =
    "#version 300 es\nprecision highp float;\nprecision highp sampler2D;\n#define IN in\n#define TEX texture\n"
    "out vec4 o_colour;\n"
    "#define OUT o_colour\n";

// u_frame is the frame under the passes, at (gl_FragCoord - u_frameBox.xy) * u_frameBox.zw.
// Each pass makes a channel mul8(s, a) + mul8(d, 255 - a) of the lookup s and the frame d in
// 8 bits, mul8 as GFX_OglBlendFit says; u_fit holds the fits (K, C) of a and of 255 - a. The
// passes are written out, so that every varying is read at a constant index. The frame's alpha
// is never seen (captures and read-back take red, green and blue), so it is written as 1.
std::string fragment_body() {
  std::string f =
      "uniform sampler2D u_tex;\nuniform sampler2D u_frame;\nuniform vec4 u_fit;\nuniform vec4 u_frameBox;\n"
      "IN vec4 v_uv[10];\n"
      "void main() {\n"
      "  vec3 d = floor(TEX(u_frame, (gl_FragCoord.xy - u_frameBox.xy) * u_frameBox.zw).rgb * 255.0 + 0.5);\n"
      "  vec3 s;\n";
  for (int i = 0; i < GFX_OGL_TAPS; i++) {
    f += "  s = floor(TEX(u_tex, v_uv[" + std::to_string(i / 2) + (i % 2 ? "].zw" : "].xy") + ").rgb * 255.0 + 0.5);\n";
    f += "  d = floor(s * u_fit.x + u_fit.y) + floor(d * u_fit.z + u_fit.w);\n";
  }
  return f + "  OUT = vec4(d / 255.0, 1.0);\n}\n";
}

GLuint compile(GLenum kind, const std::string& source) {
  Taps& t = g_taps;
  const GLuint s = t.createShader(kind);
  const char* text = source.c_str();
  t.shaderSource(s, 1, &text, nullptr);
  t.compileShader(s);
  GLint ok = 0;
  t.getShaderiv(s, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[512] = "";
    t.getShaderInfoLog(s, sizeof log, nullptr, log);
    std::fprintf(stderr, "velmar: the screen effects' lookup shader did not compile (%s); they draw in passes\n", log);
    t.deleteShader(s);
    return 0;
  }
  return s;
}

GLuint build(bool es) {
  Taps& t = g_taps;
  const GLuint v = compile(GL_VERTEX_SHADER, std::string(es ? kVertexEs : kVertexDesktop) + kVertexBody);
  const GLuint f = compile(GL_FRAGMENT_SHADER, std::string(es ? kFragmentEs : kFragmentDesktop) + fragment_body());
  GLuint p = 0;
  if (v && f) {
    p = t.createProgram();
    t.attachShader(p, v);
    t.attachShader(p, f);
    t.bindAttribLocation(p, 0, "a_pos");
    t.linkProgram(p);
    GLint ok = 0;
    t.getProgramiv(p, GL_LINK_STATUS, &ok);
    if (!ok) {
      std::fprintf(stderr, "velmar: the screen effects' lookup program did not link; they draw in passes\n");
      t.deleteProgram(p);
      p = 0;
    }
  }
  if (v) t.deleteShader(v);
  if (f) t.deleteShader(f);
  return p;
}

}  // namespace

int GFX_OglTapsStart(void) {
  GFX_OGL_ENTRY();
  g_taps = Taps{};
  const char* fixed = std::getenv("VELMAR_GL_FIXED");
  if (fixed && std::strcmp(fixed, "1") == 0) return 0;
  const char* version = GFX_OglVersionName();
  if (!has_shaders(version) || !fetch_all()) return 0;
  g_taps.program = build(is_es(version));
  if (!g_taps.program) return 0;
  g_taps.taps = g_taps.getUniformLocation(g_taps.program, "u_taps");
  g_taps.fit = g_taps.getUniformLocation(g_taps.program, "u_fit");
  g_taps.frameBox = g_taps.getUniformLocation(g_taps.program, "u_frameBox");
  g_taps.useProgram(g_taps.program);
  g_taps.uniform1i(g_taps.getUniformLocation(g_taps.program, "u_tex"), 0);
  g_taps.uniform1i(g_taps.getUniformLocation(g_taps.program, "u_frame"), 1);
  g_taps.useProgram(0);
  for (int q = 0; q < 256; q++) GFX_OglBlendFit(q, &g_taps.fits[q][0], &g_taps.fits[q][1]);
  return 1;
}

void GFX_OglTapsStop(void) {
  GFX_OGL_ENTRY();
  if (g_taps.program) g_taps.deleteProgram(g_taps.program);
  if (g_taps.frame) glDeleteTextures(1, &g_taps.frame);
  g_taps = Taps{};
}

int GFX_OglTapsReady(void) { return g_taps.program != 0; }

int GFX_OglBlendMul(int p, int q) {
  const int v = p * q;
  return (v + (v >> 8) + 128) >> 8;
}

void GFX_OglBlendFit(int q, float* k, float* c) {
  // mul8(p, q) rises by q / 255 a step, so a slope near that and the middle of the offsets
  // that keep every p on its value do; of the slopes tried, the one leaving most room.
  const double slopes[] = {q * 257.0 / 65536.0, q / 255.0, (q * 257.0 + 1.0) / 65536.0, (q * 257.0 - 1.0) / 65536.0};
  double room = -1.0;
  for (double slope : slopes) {
    double lo = -1e9, hi = 1e9;
    for (int p = 0; p < 256; p++) {
      const int w = GFX_OglBlendMul(p, q);
      lo = std::fmax(lo, w - p * slope);
      hi = std::fmin(hi, w + 1 - p * slope);
    }
    if (hi - lo > room) room = hi - lo, *k = float(slope), *c = float((lo + hi) / 2.0);
  }
}

void GFX_OglTapsFromCorners(const GFX_OglCorners& xy, const GFX_OglCorners& uv, GFX_OglTap* tap) {
  // The quad is a parallelogram in both spaces: corner 0 plus a along 0->1 and b along 0->3.
  // (a, b) from (x, y) inverts the 2x2 of the edge vectors.
  const float ex = xy[1][0] - xy[0][0], ey = xy[1][1] - xy[0][1];
  const float fx = xy[3][0] - xy[0][0], fy = xy[3][1] - xy[0][1];
  const float det = ex * fy - fx * ey;
  const float ia[3] = {fy / det, -fx / det, (fx * xy[0][1] - fy * xy[0][0]) / det};
  const float ib[3] = {-ey / det, ex / det, (ey * xy[0][0] - ex * xy[0][1]) / det};
  *tap = GFX_OglTap{};
  float* rows[2] = {tap->u, tap->v};
  for (int c = 0; c < 2; c++) {
    const float du = uv[1][c] - uv[0][c], dv = uv[3][c] - uv[0][c];
    for (int k = 0; k < 3; k++) rows[c][k] = du * ia[k] + dv * ib[k];
    rows[c][2] += uv[0][c];
  }
}

namespace {

// Copies the view into the frame texture on unit 1, made or resized to the view's size.
void copy_frame() {
  Taps& t = g_taps;
  const GFX_Rect& view = GFX_ogl.view;
  if (!t.frame) glGenTextures(1, &t.frame);
  glBindTexture(GL_TEXTURE_2D, t.frame);
  if (t.frameWidth != view.width || t.frameHeight != view.height) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, view.width, view.height, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    t.frameWidth = view.width;
    t.frameHeight = view.height;
  }
  glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, view.x, view.y, view.width, view.height);
}

}  // namespace

int GFX_OglTapsDraw(const GFX_OglTap* taps, float alpha, float z) {
  GFX_OGL_ENTRY();
  Taps& t = g_taps;
  if (!t.program) return 0;
  if (GFX_ogl.skipDrawing) return 1;
  static_assert(sizeof(GFX_OglTap) == 8 * sizeof(float), "a lookup is two vec4 rows");
  // The colour's alpha as the blender gets it: to 8 bits, rounded to nearest.
  const int a8 = int(std::nearbyint(alpha * 255.0f));
  const float fit[4] = {t.fits[a8][0], t.fits[a8][1], t.fits[255 - a8][0], t.fits[255 - a8][1]};
  const GFX_Rect& view = GFX_ogl.view;
  const float box[4] = {float(view.x), float(view.y), 1.0f / float(view.width), 1.0f / float(view.height)};

  // Unit 1 holds the frame while the pass draws, then what it held before.
  GLint held = 0;
  t.activeTexture(GL_TEXTURE1);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &held);
  copy_frame();
  t.useProgram(t.program);
  t.uniform4fv(t.taps, GFX_OGL_TAPS * 2, reinterpret_cast<const GLfloat*>(taps));
  t.uniform4fv(t.fit, 1, fit);
  t.uniform4fv(t.frameBox, 1, box);
  t.activeTexture(GL_TEXTURE0);
  // The program does the blending.
  glDisable(GL_BLEND);
  glBegin(GL_POLYGON);
  glVertex3f(-1.0f, -1.0f, z);
  glVertex3f(1.0f, -1.0f, z);
  glVertex3f(1.0f, 1.0f, z);
  glVertex3f(-1.0f, 1.0f, z);
  glEnd();
  glEnable(GL_BLEND);
  t.useProgram(0);
  t.activeTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, GLuint(held));
  t.activeTexture(GL_TEXTURE0);
  return 1;
}
