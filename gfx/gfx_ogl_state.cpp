// The OpenGL driver's render state: enable and disable of the state codes, the set targets
// and their kinds, and the choice of the polygon-drawing functions that fits the colour
// source and texturing.
#include <cstdint>

#include "gfx/gfx_ogl.h"
#include "gfx/gfx_ogl_debug.h"

namespace {

void texture_mode(GLint mode) { glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, mode); }

// Texture replaces the colour; no colour source.
int replace_colour() {
  texture_mode(GL_REPLACE);
  GFX_ogl.vertexColour = 0;
  GFX_ogl.constantColourOn = 0;
  GFX_OglReselect();
  return 1;
}

void projection_push_screen() {
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(-1.0, 1.0, -1.0, 1.0, double(0.1f), 1000.0);
  GFX_ogl.perspective = 0;
  glMatrixMode(GL_MODELVIEW);
}

void projection_pop() {
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  GFX_ogl.perspective = 1;
  glMatrixMode(GL_MODELVIEW);
}

int set_colour(int kind, const void* params) {
  switch (kind) {
    case 0: return GFX_OglDisable(GFX_MODULATE);
    case 1:
      GFX_ogl.vertexColour = 0;
      GFX_ogl.constantColourOn = 1;
      if (params)
        for (int i = 0; i < 4; i++) GFX_ogl.constantColour[i] = static_cast<const float*>(params)[i];
      GFX_OglReselect();
      return 0;
    case 2:
      GFX_ogl.vertexColour = 1;
      GFX_ogl.constantColourOn = 0;
      GFX_OglReselect();
      return 0;
    default: return 0;
  }
}

// Kinds 3 and 4 also give the constant colour the alpha they are passed.
int set_blend(int kind, const void* params) {
  switch (kind) {
    case 0: return GFX_OglDisable(GFX_BLEND);
    case 1: glBlendFunc(GL_ONE, GL_ONE); break;
    case 2: glBlendFunc(GL_DST_COLOR, GL_ZERO); break;
    case 3:
    case 4:
      if (params) GFX_ogl.constantColour[3] = *static_cast<const float*>(params);
      glBlendFunc(GL_SRC_ALPHA, kind == 3 ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
      break;
    default: break;
  }
  return 0;
}

int set_depth(int kind) {
  switch (kind) {
    case 0: return GFX_OglDisable(GFX_DEPTH_TEST);
    case 1:
    case 2: glDepthFunc(GL_LEQUAL); break;
    case 3: glDepthFunc(GL_GREATER); break;
    case 4: glDepthFunc(GL_GEQUAL); break;
    case 6: glDepthFunc(GL_ALWAYS); break;
    default: break;
  }
  return 0;
}

int set_stencil(int kind, const void* params) {
  GLint ref = params ? *static_cast<const std::int32_t*>(params) : 0;
  switch (kind) {
    case 0: return GFX_OglDisable(GFX_STENCIL_TEST);
    case 1: glStencilFunc(GL_LESS, ref, 0xFFFFFFFFu); break;
    case 2: glStencilFunc(GL_LEQUAL, ref, 0xFFFFFFFFu); break;
    case 3: glStencilFunc(GL_GREATER, ref, 0xFFFFFFFFu); break;
    case 4: glStencilFunc(GL_GEQUAL, ref, 0xFFFFFFFFu); break;
    case 5: glStencilFunc(GL_EQUAL, ref, 0xFFFFFFFFu); break;
    case 6: glStencilFunc(GL_ALWAYS, 0, 0xFFFFFFFFu); break;
    case 7: glStencilFunc(GL_NOTEQUAL, ref, 0xFFFFFFFFu); break;
    case 8: glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP); break;
    case 9: glStencilOp(GL_KEEP, GL_KEEP, GL_INCR); break;
    case 10: glStencilOp(GL_KEEP, GL_KEEP, GL_DECR); break;
    default: break;
  }
  return 0;
}

int set_cull(int kind) {
  switch (kind) {
    case 0: return GFX_OglDisable(GFX_CULL);
    case 1:
      glCullFace(GL_FRONT);
      glFrontFace(GL_CW);
      break;
    case 2:
      glCullFace(GL_BACK);
      glFrontFace(GL_CW);
      break;
    default: break;
  }
  return 0;
}

}  // namespace

int GFX_OglEnable(int code) {
  GFX_OGL_ENTRY();
  switch (code) {
    case GFX_MODULATE:
      texture_mode(GL_MODULATE);
      GFX_OglReselect();
      break;
    case GFX_TEXTURE:
      glEnable(GL_TEXTURE_2D);
      GFX_ogl.texturing = 1;
      GFX_OglReselect();
      break;
    case GFX_BLEND: glEnable(GL_BLEND); break;
    case GFX_DEPTH_TEST: glEnable(GL_DEPTH_TEST); break;
    case GFX_ALPHA_TEST: glEnable(GL_ALPHA_TEST); break;
    case GFX_STENCIL_TEST: glEnable(GL_STENCIL_TEST); break;
    case GFX_COLOUR_WRITE: glColorMask(1, 1, 1, 1); break;
    case GFX_DEPTH_WRITE: glDepthMask(1); break;
    case GFX_CULL: glEnable(GL_CULL_FACE); break;
    case GFX_ADD:
      texture_mode(GL_ADD);
      GFX_OglReselect();
      break;
    case GFX_PERSPECTIVE:
      if (!GFX_ogl.perspective) projection_pop();
      break;
    case GFX_FILTER: GFX_ogl.filter = 1; break;
    case GFX_FOG: {
      // The first end and start are overridden at once; the fog runs from 10 to 100.
      static const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
      glFogf(GL_FOG_END, 400.0f);
      glFogf(GL_FOG_START, 10.0f);
      glFogf(GL_FOG_END, 100.0f);
      glFogf(GL_FOG_START, 10.0f);
      glFogi(GL_FOG_MODE, GL_LINEAR);
      glFogfv(GL_FOG_COLOR, white);
      glEnable(GL_FOG);
      glClearColor(1.0f, 1.0f, 1.0f, 0.0f);
      break;
    }
    default: return 0;
  }
  return 1;
}

int GFX_OglDisable(int code) {
  GFX_OGL_ENTRY();
  switch (code) {
    case GFX_MODULATE:
    case GFX_ADD: return replace_colour();
    case GFX_TEXTURE:
      glDisable(GL_TEXTURE_2D);
      glTexCoord2f(0.0f, 0.0f);
      GFX_ogl.texturing = 0;
      GFX_OglReselect();
      break;
    case GFX_BLEND: glDisable(GL_BLEND); break;
    case GFX_DEPTH_TEST: glDisable(GL_DEPTH_TEST); break;
    case GFX_ALPHA_TEST: glDisable(GL_ALPHA_TEST); break;
    case GFX_STENCIL_TEST: glDisable(GL_STENCIL_TEST); break;
    case GFX_COLOUR_WRITE: glColorMask(0, 0, 0, 0); break;
    case GFX_DEPTH_WRITE: glDepthMask(0); break;
    case GFX_CULL: glDisable(GL_CULL_FACE); break;
    case GFX_PERSPECTIVE:
      if (GFX_ogl.perspective) projection_push_screen();
      break;
    case GFX_FILTER: GFX_ogl.filter = 0; break;
    case GFX_FOG:
      glDisable(GL_FOG);
      glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
      break;
    default: return 0;
  }
  return 1;
}

int GFX_OglSet(int target, int kind, const void* params) {
  GFX_OGL_ENTRY();
  switch (target) {
    case GFX_SET_COLOUR: return set_colour(kind, params);
    case GFX_SET_TEXTURE: return kind == 0 ? GFX_OglDisable(GFX_TEXTURE) : 0;
    case GFX_SET_BLEND: return set_blend(kind, params);
    case GFX_SET_DEPTH: return set_depth(kind);
    case GFX_SET_STENCIL: return set_stencil(kind, params);
    case GFX_SET_CULL: return set_cull(kind);
    default: return 0;
  }
}

void GFX_OglReselect(void) {
  GFX_OGL_ENTRY();
  // Per-vertex colour wins over the constant colour.
  if (GFX_ogl.vertexColour && GFX_ogl.constantColourOn) GFX_ogl.constantColourOn = 0;
  GFX_Driver& d = GFX_oglDriver;
  if (GFX_ogl.skipDrawing) {
    d.draw_poly = d.quad_vertices = GFX_OglDrawNothing;
  } else if (GFX_ogl.constantColourOn && GFX_ogl.texturing) {
    d.draw_poly = GFX_OglDrawPolyConstantTextured;
    d.quad_vertices = GFX_OglQuadConstantTextured;
  } else if (GFX_ogl.constantColourOn) {
    d.draw_poly = GFX_OglDrawPolyConstant;
    d.quad_vertices = GFX_OglQuadConstant;
  } else if (GFX_ogl.vertexColour && GFX_ogl.texturing) {
    d.draw_poly = GFX_OglDrawPolyVertexTextured;
    d.quad_vertices = GFX_OglQuadVertexTextured;
  } else if (GFX_ogl.vertexColour) {
    d.draw_poly = GFX_OglDrawPolyVertex;
    d.quad_vertices = GFX_OglQuadVertex;
  } else if (GFX_ogl.texturing) {
    d.draw_poly = GFX_OglDrawPolyTextured;
    d.quad_vertices = GFX_OglQuadTextured;
  } else {
    d.draw_poly = GFX_OglDrawPolyPlain;
    d.quad_vertices = GFX_OglQuadPlain;
  }
}

void GFX_OglSkipDrawing(int skip) {
  GFX_OGL_ENTRY();
  GFX_ogl.skipDrawing = skip != 0;
  GFX_OglReselect();
}
