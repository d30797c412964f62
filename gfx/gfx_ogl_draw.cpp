// The OpenGL driver's drawing: the six polygon variants and their quad-batch counterparts
// (chosen by the render state), the lightmapped polygon in its two-pass and multitexture
// forms, quad batches, lines and points. Camera space looks down +z, OpenGL down -z, so every
// vertex goes out with z negated.
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_ogl.h"
#include "gfx/gfx_ogl_debug.h"
#include "gfx/gfx_polygon.h"

namespace {

const GLfloat kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};

// A polygon has at most four corners; a broken count never reads past them.
int corner_count(const KR_MeshPoly* poly) {
  int n = poly->cornerCount;
  return n < 0 ? 0 : n > 4 ? 4 : n;
}

void vertex(const KR_MeshCorner& c) {
  const KR_Vector& p = c.vertex->tposition;
  glVertex3f(p.x, p.y, -p.z);
}

void layer_coords(const KR_MeshCorner& c, int layer) {
  if (layer) glTexCoord2f(c.lu, c.lv);
  else glTexCoord2f(c.u, c.v);
}

void bind_layer(KR_MeshPoly* poly, int layer) { GFX_OglTexBind(GFX_PolyLayerMaterial(poly, layer)); }

// One polygon in one colour with one layer's coordinates (the lightmap passes).
void white_polygon(const KR_MeshPoly* poly, int layer) {
  if (GFX_ogl.skipDrawing) return;
  glBegin(GL_POLYGON);
  glColor4fv(kWhite);
  for (int i = 0, n = corner_count(poly); i < n; i++) {
    layer_coords(poly->corners[i], layer);
    vertex(poly->corners[i]);
  }
  glEnd();
}

}  // namespace

int GFX_OglDrawPolyConstantTextured(KR_MeshPoly* poly) {
  GFX_OGL_ENTRY();
  int layer = GFX_TextureLayer();
  bind_layer(poly, layer);
  glBegin(GL_TRIANGLE_FAN);
  glColor4fv(GFX_ogl.constantColour);
  for (int i = 0, n = corner_count(poly); i < n; i++) {
    layer_coords(poly->corners[i], layer);
    vertex(poly->corners[i]);
  }
  glEnd();
  return 1;
}

int GFX_OglDrawPolyConstant(KR_MeshPoly* poly) {
  GFX_OGL_ENTRY();
  glBegin(GL_TRIANGLE_FAN);
  glColor4fv(GFX_ogl.constantColour);
  for (int i = 0, n = corner_count(poly); i < n; i++) {
    glTexCoord2f(0.0f, 0.0f);
    vertex(poly->corners[i]);
  }
  glEnd();
  return 1;
}

int GFX_OglDrawPolyVertexTextured(KR_MeshPoly* poly) {
  GFX_OGL_ENTRY();
  int layer = GFX_TextureLayer();
  bind_layer(poly, layer);
  glBegin(GL_POLYGON);
  for (int i = 0, n = corner_count(poly); i < n; i++) {
    glColor4fv(poly->corners[i].colour);
    layer_coords(poly->corners[i], layer);
    vertex(poly->corners[i]);
  }
  glEnd();
  return 1;
}

int GFX_OglDrawPolyVertex(KR_MeshPoly* poly) {
  GFX_OGL_ENTRY();
  glBegin(GL_TRIANGLE_FAN);
  for (int i = 0, n = corner_count(poly); i < n; i++) {
    glTexCoord2f(0.0f, 0.0f);
    glColor4fv(poly->corners[i].colour);
    vertex(poly->corners[i]);
  }
  glEnd();
  return 1;
}

int GFX_OglDrawPolyTextured(KR_MeshPoly* poly) {
  GFX_OGL_ENTRY();
  int layer = GFX_TextureLayer();
  bind_layer(poly, layer);
  glBegin(GL_TRIANGLE_FAN);
  for (int i = 0, n = corner_count(poly); i < n; i++) {
    layer_coords(poly->corners[i], layer);
    vertex(poly->corners[i]);
  }
  glEnd();
  return 1;
}

int GFX_OglDrawPolyPlain(KR_MeshPoly* poly) {
  GFX_OGL_ENTRY();
  glBegin(GL_TRIANGLE_FAN);
  for (int i = 0, n = corner_count(poly); i < n; i++) {
    glTexCoord2f(0.0f, 0.0f);
    vertex(poly->corners[i]);
  }
  glEnd();
  return 1;
}

int GFX_OglQuadConstantTextured(KR_MeshPoly* poly) {
  GFX_OGL_ENTRY();
  int layer = GFX_TextureLayer();
  glColor4fv(GFX_ogl.constantColour);
  for (int i = 0, n = corner_count(poly); i < n; i++) {
    layer_coords(poly->corners[i], layer);
    vertex(poly->corners[i]);
  }
  return 1;
}

int GFX_OglQuadConstant(KR_MeshPoly* poly) {
  GFX_OGL_ENTRY();
  glColor4fv(GFX_ogl.constantColour);
  for (int i = 0, n = corner_count(poly); i < n; i++) vertex(poly->corners[i]);
  return 1;
}

int GFX_OglQuadVertexTextured(KR_MeshPoly* poly) {
  GFX_OGL_ENTRY();
  int layer = GFX_TextureLayer();
  for (int i = 0, n = corner_count(poly); i < n; i++) {
    const float* c = poly->corners[i].colour;
    glColor4f(c[0], c[1], c[2], 1.0f);
    layer_coords(poly->corners[i], layer);
    vertex(poly->corners[i]);
  }
  return 1;
}

int GFX_OglQuadVertex(KR_MeshPoly* poly) {
  GFX_OGL_ENTRY();
  for (int i = 0, n = corner_count(poly); i < n; i++) {
    glColor4fv(poly->corners[i].colour);
    vertex(poly->corners[i]);
  }
  return 1;
}

int GFX_OglQuadTextured(KR_MeshPoly* poly) {
  GFX_OGL_ENTRY();
  int layer = GFX_TextureLayer();
  for (int i = 0, n = corner_count(poly); i < n; i++) {
    layer_coords(poly->corners[i], layer);
    vertex(poly->corners[i]);
  }
  return 1;
}

int GFX_OglQuadPlain(KR_MeshPoly* poly) {
  GFX_OGL_ENTRY();
  for (int i = 0, n = corner_count(poly); i < n; i++) vertex(poly->corners[i]);
  return 1;
}

int GFX_OglDrawPolyLmTwoPass(KR_MeshPoly* poly) {
  GFX_OGL_ENTRY();
  glEnable(GL_TEXTURE_2D);
  if (poly->lightmap) {
    GFX_OglTexBind(poly->lightmap);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    white_polygon(poly, 1);
  }
  // The base texture multiplies what the lightmap pass left in the framebuffer.
  glEnable(GL_BLEND);
  glBlendFunc(GL_DST_COLOR, GL_ZERO);
  GFX_OglTexBind(poly->material);
  white_polygon(poly, 0);
  glDisable(GL_BLEND);
  return 1;
}

int GFX_OglDrawPolyLmMulti(KR_MeshPoly* poly) {
  GFX_OGL_ENTRY();
  // Unit 0 goes through tex_bind, which skips a redundant bind by itself, so single-layer
  // drawing in between cannot leave a stale texture on it.
  GFX_ogl.unit0 = poly->material;
  GFX_ogl.activeTexture(GL_TEXTURE0_ARB);
  GFX_OglTexBind(poly->material);
  GFX_ogl.activeTexture(GL_TEXTURE1_ARB);
  if (poly->lightmap) {
    if (poly->lightmap != GFX_ogl.unit1) {
      GFX_ogl.unit1 = poly->lightmap;
      glBindTexture(GL_TEXTURE_2D, poly->lightmap->texture);
      GFX_ogl.bindCount++;
    }
    glEnable(GL_TEXTURE_2D);
  } else {
    glDisable(GL_TEXTURE_2D);
  }
  if (!GFX_ogl.skipDrawing) {
    glBegin(GL_TRIANGLE_FAN);
    glColor4fv(kWhite);
    for (int i = 0, n = corner_count(poly); i < n; i++) {
      const KR_MeshCorner& c = poly->corners[i];
      GFX_ogl.multiTexCoord2f(GL_TEXTURE0_ARB, c.u, c.v);
      GFX_ogl.multiTexCoord2f(GL_TEXTURE1_ARB, c.lu, c.lv);
      vertex(c);
    }
    glEnd();
  }
  // Unit 1 is switched off again and unit 0 made active, so that the single-layer drawing
  // that follows is neither multiplied by the lightmap nor binds into the wrong unit.
  glDisable(GL_TEXTURE_2D);
  GFX_ogl.activeTexture(GL_TEXTURE0_ARB);
  return 1;
}

int GFX_OglDrawNothing(KR_MeshPoly*) { return 1; }

int GFX_OglBeginQuads(void) {
  GFX_OGL_ENTRY();
  if (!GFX_ogl.skipDrawing) {
    glBegin(GL_QUADS);
    GFX_oglDebug.primitive = 1;
  }
  return 0;
}

int GFX_OglEndPrim(void) {
  GFX_OGL_ENTRY();
  if (!GFX_ogl.skipDrawing) {
    glEnd();
    GFX_oglDebug.primitive = 0;
  }
  return 1;
}

int GFX_OglDrawLine(const KR_Vector* p1, const KR_Vector* p2, const float* colour1, const float* colour2) {
  GFX_OGL_ENTRY();
  if (GFX_ogl.skipDrawing) return 1;
  glBegin(GL_LINES);
  glColor4f(colour1[0], colour1[1], colour1[2], 1.0f);
  glVertex3f(p1->x, p1->y, -p1->z);
  glColor4f(colour2[0], colour2[1], colour2[2], 1.0f);
  glVertex3f(p2->x, p2->y, -p2->z);
  glEnd();
  return 1;
}

int GFX_OglDrawPoint(const KR_Vector* p, const float* colour) {
  GFX_OGL_ENTRY();
  if (GFX_ogl.skipDrawing) return 1;
  glDisable(GL_DEPTH_TEST);
  glBegin(GL_POINTS);
  glColor4f(colour[0], colour[1], colour[2], 1.0f);
  glVertex3f(p->x, p->y, -p->z);
  glEnd();
  glEnable(GL_DEPTH_TEST);
  return 1;
}
