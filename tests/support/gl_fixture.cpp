// The shared OpenGL test fixture.
#include "tests/support/gl_fixture.h"

#include <GL/gl.h>

#include <cstdlib>

#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_ogl.h"
#include "tools/common/tool_glwindow.h"

// The display libraries under the window (D-Bus, the X client, Mesa) keep allocations for the
// life of the process; they are not ours to free.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\nleak:libX11.so\nleak:swrast_dri.so\nleak:libGLX_mesa.so\nleak:libSDL2\n";
}

namespace vt {

namespace {
int g_state = 0;  // 0 not tried, 1 open, -1 no display

// Runs before the display library's own exit handler closes the display: Mesa's software
// renderer can hang joining its threads when the display closes while they still have work.
void finish_rendering() { glFinish(); }
}  // namespace

bool GlOpen() {
  if (g_state == 0) {
    g_state = -1;
    if (!TOOL_GlWindowOpen("velmar gl test", kGlWidth, kGlHeight)) return false;
    GFX_SetPerspective(90.0f, 1.0f, 6000.0f);
    std::atexit(finish_rendering);
    g_state = 1;
  }
  return g_state == 1;
}

void GlReset() {
  GFX_Enable(GFX_PERSPECTIVE);
  GFX_ogl.lastFov = 0.0f;
  GFX_SetPerspective(90.0f, 1.0f, 6000.0f);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glViewport(0, 0, kGlWidth, kGlHeight);
  glDisable(GL_SCISSOR_TEST);
  GFX_Disable(GFX_STENCIL_TEST);
  GFX_Set(GFX_SET_STENCIL, 6, nullptr);
  GFX_Set(GFX_SET_STENCIL, 8, nullptr);
  GFX_Disable(GFX_FOG);
  GFX_OglDefaultState();
  for (float& c : GFX_ogl.constantColour) c = 1.0f;
  GFX_ogl.bindLock = 0;
  GFX_SetTextureLayer(0);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  GFX_ClearStencil(0);
  GFX_BeginFrame();
}

Rgba GlPixel(int x, int y) {
  std::uint8_t p[4] = {};
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, kGlHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return Rgba{p[0], p[1], p[2], p[3]};
}

std::vector<std::uint8_t> GlReadRgb() {
  std::vector<std::uint8_t> rows(std::size_t(kGlWidth) * kGlHeight * 3);
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, kGlWidth, kGlHeight, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
  // GL's rows run from the bottom.
  std::vector<std::uint8_t> flipped(rows.size());
  const std::size_t stride = std::size_t(kGlWidth) * 3;
  for (int y = 0; y < kGlHeight; y++)
    std::copy_n(rows.data() + std::size_t(kGlHeight - 1 - y) * stride, stride, flipped.data() + std::size_t(y) * stride);
  return flipped;
}

::testing::AssertionResult RgbNear(Rgba got, int r, int g, int b, int tolerance) {
  auto near = [tolerance](int a, int e) { return a - e <= tolerance && e - a <= tolerance; };
  if (near(got.r, r) && near(got.g, g) && near(got.b, b)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got (" << int(got.r) << ", " << int(got.g) << ", " << int(got.b)
                                       << "), expected (" << r << ", " << g << ", " << b << ")";
}

Quad::Quad(float left, float top, float right, float bottom, float z, GFX_Material* material) : vertices{}, poly{} {
  const float xs[4] = {left, right, right, left};
  const float ys[4] = {top, top, bottom, bottom};
  const float us[4] = {0.0f, 1.0f, 1.0f, 0.0f};
  const float vs[4] = {0.0f, 0.0f, 1.0f, 1.0f};
  poly.cornerCount = 4;
  poly.material = material;
  for (int k = 0; k < 4; k++) {
    vertices[k].position = vertices[k].tposition = KR_Vector{xs[k], ys[k], z};
    KR_MeshCorner& c = poly.corners[k];
    c.vertex = &vertices[k];
    c.u = c.lu = us[k];
    c.v = c.lv = vs[k];
  }
  Colour(1.0f, 1.0f, 1.0f);
}

Quad& Quad::Colour(float r, float g, float b, float a) {
  for (KR_MeshCorner& c : poly.corners) {
    c.colour[0] = r;
    c.colour[1] = g;
    c.colour[2] = b;
    c.colour[3] = a;
  }
  return *this;
}

Quad& Quad::Reverse() {
  std::swap(poly.corners[1], poly.corners[3]);
  return *this;
}

GFX_Material* GlSolidMaterial(int width, int height, int format, int r, int g, int b, int a) {
  GFX_Material* m = GFX_MaterialNew(width, height, format);
  if (!m) return nullptr;
  const int bpp = IMG_BytesPerPixel(format);
  const std::uint8_t bytes[4] = {std::uint8_t(r), std::uint8_t(g), std::uint8_t(b), std::uint8_t(a)};
  for (int i = 0; i < width * height; i++)
    for (int k = 0; k < bpp; k++) m->image->data[i * bpp + k] = bytes[k];
  GFX_MaterialUpload(m);
  return m;
}

void GlTest::SetUp() {
  if (!GlOpen()) GTEST_SKIP() << "no display for OpenGL";
  GlReset();
}

}  // namespace vt
