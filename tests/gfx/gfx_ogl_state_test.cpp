// The OpenGL driver's mode set and render state: the defaults the mode set leaves, unknown
// codes, the reselection of the drawing functions, the set targets' results, the perspective
// and the screen projection of code 11, fog and filtering.
#include <gtest/gtest.h>

#include <cmath>

#include "gfx/gfx_driver.h"
#include "gfx/gfx_ogl.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/test_util.h"

namespace {

GLint GetInt(GLenum what) {
  GLint v = 0;
  glGetIntegerv(what, &v);
  return v;
}

GLint TexEnvMode() {
  GLint v = 0;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &v);
  return v;
}

// Runs first in its process (or first in the binary): the state exactly as the mode set left it.
TEST(GfxOglModeSet, LeavesTheDefaultState) {
  vt::ErrorLog log;
  if (!vt::GlOpen()) GTEST_SKIP() << "no display for OpenGL";
  RECT client{};
  ASSERT_TRUE(GetClientRect(GFX_ogl.window, &client));
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480);
  EXPECT_EQ(GFX_ogl.modeWidth, 640);
  EXPECT_EQ(GFX_ogl.modeHeight, 480);
  EXPECT_EQ(GFX_ogl.pfd.nSize, 40);
  EXPECT_EQ(GFX_ogl.pfd.dwFlags, 0x25u);
  EXPECT_EQ(GFX_ogl.pfd.cStencilBits, 8);
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_EQ(GetInt(GL_CULL_FACE_MODE), GL_BACK);
  EXPECT_EQ(GetInt(GL_FRONT_FACE), GL_CW);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_EQ(GetInt(GL_DEPTH_FUNC), GL_LEQUAL);
  EXPECT_EQ(GetInt(GL_DEPTH_WRITEMASK), GL_TRUE);
  EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(TexEnvMode(), GL_MODULATE);
  EXPECT_EQ(GFX_ogl.vertexColour, 1);
  EXPECT_EQ(GFX_ogl.constantColourOn, 0);
  EXPECT_EQ(GFX_ogl.texturing, 1);
  EXPECT_EQ(GFX_ogl.filter, 1);
  EXPECT_EQ(GFX_oglDriver.draw_poly, &GFX_OglDrawPolyVertexTextured);
  EXPECT_EQ(GFX_oglDriver.quad_vertices, &GFX_OglQuadVertexTextured);
  // Mesa has the multitexture entry points.
  EXPECT_EQ(GFX_ogl.multitexture, 1);
  EXPECT_EQ(GFX_oglDriver.draw_poly_lm, &GFX_OglDrawPolyLmMulti);
  EXPECT_EQ(GFX_OglStencilBits(), 8);
  EXPECT_GE(GFX_OglMaxTextureSize(), 512);
  // The render target has a 256x256 RGB store.
  ASSERT_NE(GFX_ogl.renderTarget, 0u);
  GFX_OglBindRaw(GFX_ogl.renderTarget);
  GLint w = 0, h = 0, format = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
  EXPECT_EQ(w, 256);
  EXPECT_EQ(h, 256);
  EXPECT_EQ(format, GL_RGB8);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  EXPECT_TRUE(log.messages.empty());
}

using GfxOglState = vt::GlTest;

TEST_F(GfxOglState, UnknownCodesChangeNothing) {
  EXPECT_EQ(GFX_Enable(14), 0);
  EXPECT_EQ(GFX_Disable(0), 0);
  EXPECT_EQ(GFX_Enable(-3), 0);
  EXPECT_EQ(GFX_Set(5, 1, nullptr), 0);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(TexEnvMode(), GL_MODULATE);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  for (int code = 1; code <= 13; code++) {
    EXPECT_EQ(GFX_Disable(code), 1) << code;
    EXPECT_EQ(GFX_Enable(code), 1) << code;
  }
  GFX_Disable(GFX_FOG);
}

TEST_F(GfxOglState, DrawingFunctionsFollowColourAndTexturing) {
  const GFX_Driver& d = GFX_oglDriver;
  const float red[4] = {1, 0, 0, 1};
  GFX_Set(GFX_SET_COLOUR, 1, red);
  EXPECT_EQ(d.draw_poly, &GFX_OglDrawPolyConstantTextured);
  EXPECT_EQ(d.quad_vertices, &GFX_OglQuadConstantTextured);
  GFX_Set(GFX_SET_COLOUR, 2, nullptr);
  EXPECT_EQ(d.draw_poly, &GFX_OglDrawPolyVertexTextured);
  GFX_Disable(GFX_MODULATE);
  EXPECT_EQ(d.draw_poly, &GFX_OglDrawPolyTextured);
  EXPECT_EQ(d.quad_vertices, &GFX_OglQuadTextured);
  EXPECT_EQ(TexEnvMode(), GL_REPLACE);
  GFX_Disable(GFX_TEXTURE);
  EXPECT_EQ(d.draw_poly, &GFX_OglDrawPolyPlain);
  EXPECT_EQ(d.quad_vertices, &GFX_OglQuadPlain);
  GFX_Set(GFX_SET_COLOUR, 1, red);
  EXPECT_EQ(d.draw_poly, &GFX_OglDrawPolyConstant);
  EXPECT_EQ(d.quad_vertices, &GFX_OglQuadConstant);
  GFX_Set(GFX_SET_COLOUR, 2, nullptr);
  EXPECT_EQ(d.draw_poly, &GFX_OglDrawPolyVertex);
  EXPECT_EQ(d.quad_vertices, &GFX_OglQuadVertex);
  // Per-vertex colour wins when both sources are flagged.
  GFX_ogl.constantColourOn = 1;
  GFX_OglReselect();
  EXPECT_EQ(GFX_ogl.constantColourOn, 0);
  EXPECT_EQ(d.draw_poly, &GFX_OglDrawPolyVertex);
  // Code 10 off is code 1 off; kind 0 of the colour target too.
  GFX_Enable(GFX_TEXTURE);
  EXPECT_EQ(GFX_Disable(GFX_ADD), 1);
  EXPECT_EQ(d.draw_poly, &GFX_OglDrawPolyTextured);
  GFX_Set(GFX_SET_COLOUR, 2, nullptr);
  EXPECT_EQ(GFX_Set(GFX_SET_COLOUR, 0, nullptr), 1);
  EXPECT_EQ(d.draw_poly, &GFX_OglDrawPolyTextured);
  EXPECT_EQ(GFX_Enable(GFX_ADD), 1);
  EXPECT_EQ(TexEnvMode(), GL_ADD);
}

TEST_F(GfxOglState, SetResultsAndTheConstantColour) {
  const float colour[4] = {0.25f, 0.5f, 0.75f, 1.0f};
  EXPECT_EQ(GFX_Set(GFX_SET_COLOUR, 1, colour), 0);
  EXPECT_EQ(GFX_ogl.constantColour[2], 0.75f);
  const float alpha = 0.3f;
  EXPECT_EQ(GFX_Set(GFX_SET_BLEND, 3, &alpha), 0);
  EXPECT_EQ(GFX_ogl.constantColour[0], 0.25f);
  EXPECT_EQ(GFX_ogl.constantColour[1], 0.5f);
  EXPECT_EQ(GFX_ogl.constantColour[2], 0.75f);
  EXPECT_EQ(GFX_ogl.constantColour[3], 0.3f);
  EXPECT_EQ(GetInt(GL_BLEND_SRC), GL_SRC_ALPHA);
  EXPECT_EQ(GetInt(GL_BLEND_DST), GL_ONE);
  EXPECT_EQ(GFX_Set(GFX_SET_BLEND, 4, nullptr), 0);  // no params: the alpha stays
  EXPECT_EQ(GFX_ogl.constantColour[3], 0.3f);
  EXPECT_EQ(GetInt(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));  // the kinds only choose the function
  GFX_Enable(GFX_BLEND);
  EXPECT_EQ(GFX_Set(GFX_SET_BLEND, 0, nullptr), 1);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(GFX_Set(GFX_SET_TEXTURE, 1, nullptr), 0);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(GFX_Set(GFX_SET_TEXTURE, 0, nullptr), 1);
  EXPECT_EQ(GFX_Set(GFX_SET_DEPTH, 3, nullptr), 0);
  EXPECT_EQ(GFX_Set(GFX_SET_DEPTH, 5, nullptr), 0);  // no such kind: the function stays
  EXPECT_EQ(GetInt(GL_DEPTH_FUNC), GL_GREATER);
  EXPECT_EQ(GFX_Set(GFX_SET_DEPTH, 0, nullptr), 1);
  EXPECT_EQ(GFX_Set(GFX_SET_CULL, 0, nullptr), 1);
  EXPECT_EQ(GFX_Set(GFX_SET_STENCIL, 0, nullptr), 1);
  EXPECT_EQ(GFX_Set(GFX_SET_STENCIL, 9, nullptr), 0);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(GfxOglState, PerspectiveLoadsOnceAndMatchesTheFrustum) {
  // Reset loaded 90, 1, 6000 already.
  EXPECT_EQ(GFX_OglPerspective(90.0f, 1.0f, 6000.0f), 0);
  GLdouble m[16];
  glGetDoublev(GL_PROJECTION_MATRIX, m);
  // Vertical angle 90 x 480 / 640 = 67.5 degrees, aspect 4:3.
  const double f = 1.0 / std::tan(67.5 / 2.0 * M_PI / 180.0);
  EXPECT_NEAR(m[5], f, 1e-5);
  EXPECT_NEAR(m[0], f * 480.0 / 640.0, 1e-5);
  EXPECT_NEAR(m[10], -6001.0 / 5999.0, 1e-5);
  EXPECT_NEAR(m[11], -1.0, 1e-9);
  EXPECT_NEAR(m[14], -12000.0 / 5999.0, 1e-5);
  EXPECT_EQ(m[15], 0.0);
  EXPECT_EQ(GFX_SetPerspective(60.0f, 1.0f, 6000.0f), 1);
  glGetDoublev(GL_PROJECTION_MATRIX, m);
  EXPECT_NEAR(m[5], 1.0 / std::tan(22.5 * M_PI / 180.0), 1e-5);
  EXPECT_EQ(GetInt(GL_MATRIX_MODE), GL_MODELVIEW);
}

TEST_F(GfxOglState, ScreenProjectionPushesOncePopsOnce) {
  EXPECT_EQ(GetInt(GL_PROJECTION_STACK_DEPTH), 1);
  EXPECT_EQ(GFX_Enable(GFX_PERSPECTIVE), 1);  // nothing pushed: pops nothing
  EXPECT_EQ(GetInt(GL_PROJECTION_STACK_DEPTH), 1);
  GFX_Disable(GFX_PERSPECTIVE);
  GFX_Disable(GFX_PERSPECTIVE);
  EXPECT_EQ(GetInt(GL_PROJECTION_STACK_DEPTH), 2);
  EXPECT_EQ(GFX_ogl.perspective, 0);
  GLdouble m[16];
  glGetDoublev(GL_PROJECTION_MATRIX, m);
  EXPECT_EQ(m[0], 1.0);
  EXPECT_EQ(m[5], 1.0);
  EXPECT_NEAR(m[10], -2.0 / (1000.0 - 0.1), 1e-7);
  EXPECT_EQ(m[15], 1.0);
  GFX_Enable(GFX_PERSPECTIVE);
  EXPECT_EQ(GetInt(GL_PROJECTION_STACK_DEPTH), 1);
  EXPECT_EQ(GFX_ogl.perspective, 1);
  glGetDoublev(GL_PROJECTION_MATRIX, m);
  EXPECT_EQ(m[11], -1.0);
  EXPECT_EQ(GetInt(GL_MATRIX_MODE), GL_MODELVIEW);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(GfxOglState, FogAndFilterFlags) {
  GFX_Enable(GFX_FOG);
  GLfloat v[4];
  glGetFloatv(GL_FOG_START, v);
  EXPECT_EQ(v[0], 10.0f);
  glGetFloatv(GL_FOG_END, v);
  EXPECT_EQ(v[0], 100.0f);
  EXPECT_EQ(GetInt(GL_FOG_MODE), GL_LINEAR);
  glGetFloatv(GL_COLOR_CLEAR_VALUE, v);
  EXPECT_EQ(v[0], 1.0f);
  EXPECT_EQ(v[3], 0.0f);
  EXPECT_TRUE(glIsEnabled(GL_FOG));
  GFX_Disable(GFX_FOG);
  EXPECT_FALSE(glIsEnabled(GL_FOG));
  glGetFloatv(GL_COLOR_CLEAR_VALUE, v);
  EXPECT_EQ(v[0], 0.0f);
  GFX_Disable(GFX_FILTER);
  EXPECT_EQ(GFX_ogl.filter, 0);
  GFX_Enable(GFX_FILTER);
  EXPECT_EQ(GFX_ogl.filter, 1);
}

}  // namespace

namespace {

// Releases the context and makes a second one, on which the tests after it run.
TEST(GfxOglModeSet, FailuresShutdownAndASecondContext) {
  if (!vt::GlOpen()) GTEST_SKIP() << "no display for OpenGL";
  vt::ErrorLog log;
  HWND window = GFX_ogl.window;
  GFX_ogl.window = nullptr;
  EXPECT_EQ(GFX_OglSetMode(640, 480, 24, 24, 8, 0), 0);
  EXPECT_TRUE(log.Has("GFX_OglSetMode(), unable to obtain DC."));
  GFX_ogl.window = window;
  GFX_ogl.dc = GetDC(window);

  EXPECT_EQ(GFX_OglShutdown(), 1);
  EXPECT_EQ(GFX_ogl.context, nullptr);
  EXPECT_EQ(GFX_ogl.dc, nullptr);
  // Nothing left to release: the second shutdown fails at deleting the context, harmlessly.
  EXPECT_EQ(GFX_OglShutdown(), 0);

  EXPECT_EQ(GFX_SetMode(640, 480, 24, 24, 8, 0), 1);
  GFX_ogl.lastFov = 0.0f;
  GFX_SetPerspective(90.0f, 1.0f, 6000.0f);
  vt::GlReset();
  GFX_Disable(GFX_PERSPECTIVE);
  GFX_Disable(GFX_TEXTURE);
  vt::Quad q(-1, 1, 1, -1, 10.0f);
  q.Colour(0, 1, 0);
  GFX_DrawPolygon(&q.poly);
  EXPECT_TRUE(vt::RgbNear(vt::GlPixel(320, 240), 0, 255, 0));
  EXPECT_EQ(GFX_OglStencilBits(), 8);
}

}  // namespace
