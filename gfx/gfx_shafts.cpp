// Drawing of the light-shaft cross straight through OpenGL: the background quad, the two boxes
// with the projected picture, and the additive slices clipped by the boxes' shadow volumes.
#include <GL/gl.h>

#include "gfx/gfx_ogl.h"
#include "gfx/gfx_ogl_debug.h"
#include "gfx/gfx_shafts.h"

namespace {

// The frame state lives for the whole program: the boxes are made once, the texture rectangle
// persists between frames.
GFX_ShaftsFrame g_frame = {.built = 0, .rect = {0.0f, 0.625f, 0.0f, 0.46875f}, .boxes = {}, .planes = {},
                           .planeCount = 0, .volumes = {}};
GFX_ShaftsSlice g_slice;

void draw_background(const GFX_ShaftsRect& r) {
  glBegin(GL_QUADS);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glTexCoord2f(r.u1, r.v0);
  glVertex3f(320.0f, 240.0f, 1.0f);
  glTexCoord2f(r.u1, r.v1);
  glVertex3f(320.0f, -240.0f, 1.0f);
  glTexCoord2f(r.u0, r.v1);
  glVertex3f(-320.0f, -240.0f, 1.0f);
  glTexCoord2f(r.u0, r.v0);
  glVertex3f(-320.0f, 240.0f, 1.0f);
  glEnd();
}

void draw_boxes() {
  glBegin(GL_TRIANGLES);
  for (const GFX_ShaftsBox& box : g_frame.boxes)
    for (const GFX_ShaftsTriangle& tri : box.triangles)
      for (int k = 0; k < 3; k++) {
        const KR_Vector& p = box.corners[tri.corner[k]];
        glColor3f(tri.colour[k][0], tri.colour[k][1], tri.colour[k][2]);
        glTexCoord4f(tri.tex[k][0], tri.tex[k][1], 0.0f, tri.tex[k][2]);
        glVertex3f(p.x, p.y, p.z);
      }
  glEnd();
}

void draw_slice_fans(const GFX_ShaftsSlice& s) {
  for (int f = 0; f < s.fanCount; f++) {
    glBegin(GL_TRIANGLE_FAN);
    for (int i = 0; i < s.fanSize[f]; i++) {
      const GFX_ShaftsVertex* v = s.corners[s.fanStart[f] + i];
      glColor4f(v->colour[0], v->colour[1], v->colour[2], v->colour[3]);
      glTexCoord4f(v->tex[0], v->tex[1], 0.0f, v->tex[2]);
      glVertex3f(v->pos.x, v->pos.y, v->pos.z);
    }
    glEnd();
  }
}

void draw_shafts() {
  for (int i = 0; i < GFX_SHAFTS_SLICES; i++) {
    KR_Vector a, b;
    float ta[3], tb[3];
    GFX_ShaftsSliceEdge(i, &g_frame.rect, &a, &b, ta, tb);
    GFX_ShaftsSliceMake(&g_slice, &a, &b, ta, tb);
    GFX_ShaftsSliceClip(&g_slice, g_frame.volumes, 2);
    draw_slice_fans(g_slice);
  }
}

}  // namespace

int GFX_ShaftsSetRect(float u0, float u1, float v0, float v1) {
  GFX_OGL_ENTRY();
  g_frame.rect = {u0, u1, v0, v1};
  return 1;
}

int GFX_ShaftsDraw(float angle, const KR_Matrix* camera) {
  GFX_OGL_ENTRY();
  if (!camera) return 0;
  GFX_ShaftsFrameBuild(&g_frame, angle);

  glEnable(GL_TEXTURE_2D);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  // Clamped so that the projection's edges do not wrap round to the far side of the picture.
  // The texture is put back as it was found: in the box-mask section it is the capture texture,
  // whose later screen effects sample beyond its edges and were made for the driver's repeat.
  GLint wrapS = GL_REPEAT, wrapT = GL_REPEAT;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);

  float view[16];
  GFX_ShaftsViewMatrix(camera, view);
  glLoadIdentity();
  glMultMatrixf(view);

  glDisable(GL_CULL_FACE);
  glDepthMask(GL_FALSE);
  glDisable(GL_DEPTH_TEST);
  const bool draw = !GFX_ogl.skipDrawing;  // the state changes below happen either way
  if (draw) draw_background(g_frame.rect);
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);

  glDisable(GL_BLEND);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  if (draw) draw_boxes();

  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glDepthMask(GL_FALSE);
  glEnable(GL_BLEND);
  if (draw) draw_shafts();
  glDisable(GL_BLEND);
  glDepthMask(GL_TRUE);

  glLoadIdentity();
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrapS);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrapT);
  return 1;
}
