// The gallery's sheets of the graphics layer: the driver's drawing variants and render state,
// materials, and pictures.
#include <cmath>
#include <cstring>

#include "engine/kr_mesh.h"
#include "gfx/gfx_2d.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_ogl.h"
#include "gfx/gfx_picture.h"
#include "tools/gallery/gallery.h"

namespace {

const std::uint8_t kLight[3] = {230, 230, 220}, kDark[3] = {60, 70, 110};

void set_colour(GAL_Quad& q, int corner, float r, float g, float b, float a = 1.0f) {
  q.colour[corner][0] = r;
  q.colour[corner][1] = g;
  q.colour[corner][2] = b;
  q.colour[corner][3] = a;
}

// Red, green, blue and yellow corners.
GAL_Quad rainbow(float left, float top, float right, float bottom, float z = 10.0f) {
  GAL_Quad q = GAL_Rect(left, top, right, bottom, z);
  set_colour(q, 0, 1, 0, 0);
  set_colour(q, 1, 0, 1, 0);
  set_colour(q, 2, 0, 0, 1);
  set_colour(q, 3, 1, 1, 0);
  return q;
}

void screen() { GFX_Disable(GFX_PERSPECTIVE); }

// Vertical bars of six colours over the whole screen, untextured.
void stripes() {
  static const float bars[6][3] = {{1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}, {1, 1, 1}};
  GFX_Disable(GFX_TEXTURE);
  GFX_Set(GFX_SET_COLOUR, 2, nullptr);
  for (int i = 0; i < 6; i++) {
    float l = -1.0f + float(i) / 3.0f;
    GAL_Draw(GAL_Rect(l, 1.0f, l + 1.0f / 3.0f, -1.0f, 20.0f, bars[i][0] * 0.8f, bars[i][1] * 0.8f, bars[i][2] * 0.8f));
  }
  GFX_Enable(GFX_TEXTURE);
}

void blend_cell(GAL_Page& page, GFX_Material* checker, int kind, const char* caption) {
  GAL_Begin();
  screen();
  stripes();
  GFX_Enable(GFX_BLEND);
  const float white[4] = {1, 1, 1, 1};
  const float alpha = 0.5f;
  GFX_Set(GFX_SET_COLOUR, 1, white);
  GFX_Set(GFX_SET_BLEND, kind, &alpha);
  GAL_Quad q = GAL_Rect(-0.7f, 0.7f, 0.7f, -0.7f, 10.0f);
  q.material = checker;
  q.uMax = q.vMax = 2.0f;
  GAL_Draw(q);
  GAL_Capture(page, caption);
}

// A flat red square and a blue one tilted through it in depth.
void depth_cell(GAL_Page& page, int kind, const char* caption) {
  GAL_Begin();
  GFX_Disable(GFX_TEXTURE);
  GAL_Draw(GAL_Rect(-6, 5, 6, -5, 12.0f, 0.9f, 0.2f, 0.2f));
  GAL_Quad tilted = GAL_Rect(-4, 6, 4, -6, 0.0f, 0.2f, 0.4f, 1.0f);
  const float z[4] = {6.0f, 18.0f, 18.0f, 6.0f};
  std::memcpy(tilted.z, z, sizeof(z));
  GFX_Set(GFX_SET_DEPTH, kind, nullptr);
  GAL_Draw(tilted);
  GAL_Capture(page, caption);
}

void driver_colour_cells(GAL_Page& page, GFX_Material* checker) {
  GAL_Begin();
  screen();
  GFX_Disable(GFX_TEXTURE);
  GAL_Draw(rainbow(-0.9f, 0.9f, 0.9f, -0.9f));
  GAL_Capture(page, "per-vertex colours");

  GAL_Begin();
  screen();
  GFX_Disable(GFX_TEXTURE);
  const float orange[4] = {1.0f, 0.55f, 0.1f, 1.0f};
  GFX_Set(GFX_SET_COLOUR, 1, orange);
  GAL_Draw(rainbow(-0.9f, 0.9f, 0.9f, -0.9f));
  GAL_Capture(page, "constant colour");

  GAL_Quad textured = rainbow(-0.9f, 0.9f, 0.9f, -0.9f);
  textured.material = checker;
  textured.uMax = textured.vMax = 3.0f;
  GAL_Begin();
  screen();
  GFX_Disable(GFX_MODULATE);
  GAL_Draw(textured);
  GAL_Capture(page, "texture replaces");

  GAL_Begin();
  screen();
  GAL_Draw(textured);
  GAL_Capture(page, "texture x vertex colour");

  GAL_Begin();
  screen();
  GFX_Enable(GFX_ADD);
  GFX_Set(GFX_SET_COLOUR, 2, nullptr);
  GAL_Draw(textured);
  GAL_Capture(page, "texture + vertex colour");

  GAL_Begin();
  screen();
  const float sky[4] = {0.3f, 0.6f, 1.0f, 1.0f};
  GFX_Set(GFX_SET_COLOUR, 1, sky);
  GAL_Draw(textured);
  GAL_Capture(page, "texture x constant");
}

void driver_state_cells(GAL_Page& page, GFX_Material* checker) {
  blend_cell(page, checker, 1, "blend 1: one, one");
  blend_cell(page, checker, 2, "blend 2: dst colour, zero");
  blend_cell(page, checker, 3, "blend 3: alpha 0.5, one");
  blend_cell(page, checker, 4, "blend 4: alpha 0.5");
  depth_cell(page, 2, "depth less-or-equal");
  depth_cell(page, 3, "depth greater");

  // A diamond counted into the stencil, then green where it is 1 and red elsewhere.
  GAL_Begin();
  screen();
  GFX_Disable(GFX_TEXTURE);
  GFX_Disable(GFX_DEPTH_TEST);
  GFX_Enable(GFX_STENCIL_TEST);
  GFX_Set(GFX_SET_STENCIL, 6, nullptr);
  GFX_Set(GFX_SET_STENCIL, 9, nullptr);
  GFX_Disable(GFX_COLOUR_WRITE);
  GAL_Quad diamond = GAL_Rect(0, 0, 0, 0, 10.0f);
  const float dx[4] = {0.0f, 0.6f, 0.0f, -0.6f}, dy[4] = {0.8f, 0.0f, -0.8f, 0.0f};
  std::memcpy(diamond.x, dx, sizeof(dx));
  std::memcpy(diamond.y, dy, sizeof(dy));
  GAL_Draw(diamond);
  GFX_Enable(GFX_COLOUR_WRITE);
  GFX_Set(GFX_SET_STENCIL, 8, nullptr);
  const std::int32_t one = 1;
  GFX_Set(GFX_SET_STENCIL, 5, &one);
  GAL_Draw(GAL_Rect(-1, 1, 1, -1, 10.0f, 0.2f, 0.9f, 0.3f));
  GFX_Set(GFX_SET_STENCIL, 7, &one);
  GAL_Draw(GAL_Rect(-1, 1, 1, -1, 10.0f, 0.6f, 0.1f, 0.1f));
  GAL_Capture(page, "stencil equal / not equal");

  // Top: back faces culled; bottom: front faces culled. Left quads clockwise, right ones not.
  GAL_Begin();
  screen();
  GFX_Disable(GFX_TEXTURE);
  for (int row = 0; row < 2; row++) {
    GFX_Set(GFX_SET_CULL, row ? 1 : 2, nullptr);
    float top = row ? -0.1f : 0.9f;
    GAL_Draw(GAL_Rect(-0.9f, top, -0.1f, top - 0.8f, 10.0f, 0.9f, 0.8f, 0.2f));
    GAL_Quad ccw = GAL_Rect(0.1f, top, 0.9f, top - 0.8f, 10.0f, 0.2f, 0.8f, 0.9f);
    std::swap(ccw.x[1], ccw.x[3]);
    std::swap(ccw.y[1], ccw.y[3]);
    GAL_Draw(ccw);
  }
  GAL_Capture(page, "cull back (top), front");
}

void driver_scene_cells(GAL_Page& page, GFX_Material* checker, GFX_Material* glow) {
  // A floor of tiles running into the white fog.
  GAL_Begin();
  GFX_Enable(GFX_FOG);
  GFX_BeginFrame();
  for (int row = 0; row < 30; row++)
    for (int col = -6; col < 6; col++) {
      float z0 = 5.0f + float(row) * 5.0f;
      GAL_Quad tile = GAL_Rect(float(col) * 5.0f, -4.0f, float(col + 1) * 5.0f, -4.0f, z0);
      tile.z[0] = tile.z[1] = z0 + 5.0f;
      tile.material = checker;
      GAL_Draw(tile);
    }
  GAL_Capture(page, "fog 10 to 100");

  GAL_Begin();
  screen();
  for (int i = 0; i < 48; i++) {
    float a = float(i) * 6.2831853f / 48.0f;
    KR_Vector centre{0, 0, 10}, end{0.9f * std::cos(a) * 0.75f, 0.9f * std::sin(a), 10};
    const float c1[3] = {1, 1, 1}, c2[3] = {0.5f + 0.5f * std::cos(a), 0.5f + 0.5f * std::sin(a), 1.0f - 0.5f * std::cos(a)};
    GFX_DrawLine(&centre, &end, c1, c2);
  }
  for (int i = 0; i < 20; i++)
    for (int j = 0; j < 3; j++) {
      KR_Vector p{-0.95f + float(i) * 0.1f, -0.9f + float(j) * 0.04f, 10};
      const float c[3] = {1.0f, float(i) / 20.0f, 0.2f};
      GFX_DrawPoint(&p, c);
    }
  GAL_Capture(page, "lines and points");

  GAL_Quad lit = GAL_Rect(-0.9f, 0.9f, 0.9f, -0.9f, 10.0f);
  lit.material = checker;
  lit.lightmap = glow;
  GAL_Begin();
  screen();
  GAL_Draw(lit, GFX_DrawPolygonLightmapped);
  GAL_Capture(page, GFX_ogl.multitexture ? "lightmap, multitexture" : "lightmap");
  GAL_Begin();
  screen();
  GAL_Draw(lit, GFX_OglDrawPolyLmTwoPass);
  GAL_Capture(page, "lightmap, two passes");

  // One batch of small quads, then a corridor in the 90-degree perspective with a screen frame.
  GAL_Begin();
  screen();
  GFX_Disable(GFX_TEXTURE);
  GFX_BeginQuads();
  for (int i = 0; i < 16; i++)
    for (int j = 0; j < 12; j++) {
      GAL_Quad q = rainbow(-1.0f + float(i) * 0.125f + 0.01f, 1.0f - float(j) / 6.0f - 0.01f,
                           -1.0f + float(i + 1) * 0.125f - 0.01f, 1.0f - float(j + 1) / 6.0f + 0.01f);
      GAL_Draw(q, GFX_QuadVertices);
    }
  GFX_EndQuads();
  GAL_Capture(page, "one quad batch");

  GAL_Begin();
  GFX_Disable(GFX_CULL);
  for (int side = 0; side < 4; side++)
    for (int k = 0; k < 12; k++) {
      float z0 = 4.0f + float(k) * 6.0f, z1 = z0 + 6.0f;
      GAL_Quad wall = GAL_Rect(0, 0, 0, 0, 0);
      const float s = 4.0f;
      // Floor, ceiling, left and right walls.
      const float xs[4][4] = {{-s, s, s, -s}, {-s, s, s, -s}, {-s, -s, -s, -s}, {s, s, s, s}};
      const float ys[4][4] = {{-s, -s, -s, -s}, {s, s, s, s}, {s, s, -s, -s}, {s, s, -s, -s}};
      const float zs[4][4] = {{z1, z1, z0, z0}, {z0, z0, z1, z1}, {z0, z1, z1, z0}, {z1, z0, z0, z1}};
      std::memcpy(wall.x, xs[side], sizeof(wall.x));
      std::memcpy(wall.y, ys[side], sizeof(wall.y));
      std::memcpy(wall.z, zs[side], sizeof(wall.z));
      float shade = 1.0f - float(k) / 14.0f;
      for (int c = 0; c < 4; c++) set_colour(wall, c, shade, shade, shade);
      wall.material = checker;
      GAL_Draw(wall);
    }
  screen();
  GFX_Disable(GFX_TEXTURE);
  GFX_Disable(GFX_DEPTH_TEST);
  const float frame[3] = {1.0f, 0.3f, 0.3f};
  const KR_Vector corners[4] = {{-0.98f, 0.98f, 10}, {0.98f, 0.98f, 10}, {0.98f, -0.98f, 10}, {-0.98f, -0.98f, 10}};
  for (int i = 0; i < 4; i++) GFX_DrawLine(&corners[i], &corners[(i + 1) % 4], frame, frame);
  GAL_Capture(page, "perspective 90 + screen");
}

void pattern_pixel(int x, int y, std::uint8_t* rgba, const void*) {
  rgba[0] = std::uint8_t(x * 255 / 639);
  rgba[1] = std::uint8_t(y * 255 / 479);
  rgba[2] = std::uint8_t(128 + 127 * std::sin(float(x + y) * 0.05f));
  // Tile borders every 128 pixels, and a one-pixel frame around the image.
  if (x % 128 == 0 || y % 128 == 0) rgba[0] = rgba[1] = rgba[2] = 255;
  rgba[3] = 255;
}

GFX_Material* pattern(int w, int h) { return GAL_Material(w, h, IMG_RGB, pattern_pixel); }

}  // namespace

void GAL_SheetDriver(GAL_Page& page) {
  GFX_Material* checker = GAL_Checker(64, 8, kLight, kDark);
  GFX_Material* glow = GAL_Material(64, 64, IMG_RGB, [](int x, int y, std::uint8_t* rgba, const void*) {
    float d = std::hypot(float(x) - 31.5f, float(y) - 31.5f) / 45.0f;
    float v = d > 1.0f ? 0.15f : 1.0f - 0.85f * d;
    rgba[0] = std::uint8_t(255 * v);
    rgba[1] = std::uint8_t(220 * v);
    rgba[2] = std::uint8_t(160 * v);
  });
  driver_colour_cells(page, checker);
  driver_state_cells(page, checker);
  driver_scene_cells(page, checker, glow);
  GAL_Release(checker);
  GAL_Release(glow);
}

void GAL_SheetMaterials(GAL_Page& page) {
  GFX_Material* def = GFX_MaterialDefault();
  GFX_Material* solids[3] = {GFX_MaterialCreate(".16711680"), GFX_MaterialCreate(".65280"), GFX_MaterialCreate(".255")};
  for (GFX_Material* m : solids) GFX_MaterialUpload(m);
  GAL_Begin(0.15f, 0.15f, 0.2f);
  screen();
  GFX_Disable(GFX_MODULATE);
  GAL_Quad q = GAL_Rect(-0.9f, 0.9f, -0.1f, 0.1f, 10.0f);
  q.material = def;
  GAL_Draw(q);
  for (int i = 0; i < 3; i++) {
    q = GAL_Rect(-0.9f + float(i) * 0.6f, -0.1f, -0.4f + float(i) * 0.6f, -0.9f, 10.0f);
    q.material = solids[i];
    GAL_Draw(q);
  }
  GAL_Capture(page, "default, .16711680 etc.");
  for (GFX_Material* m : solids) GAL_Release(m);
  GFX_MaterialDelete(def);

  // The same image in three formats, alpha-blended over a checker: only RGBA has alpha.
  auto ramp = [](int x, int y, std::uint8_t* rgba, const void*) {
    rgba[0] = std::uint8_t(255 - y * 4);
    rgba[1] = std::uint8_t(x * 4);
    rgba[2] = 200;
    rgba[3] = std::uint8_t(x * 4);
  };
  GFX_Material* formats[3] = {GAL_Material(64, 64, IMG_RGB, ramp), GAL_Material(64, 64, IMG_RGBX, ramp),
                              GAL_Material(64, 64, IMG_RGBA, ramp)};
  GFX_Material* checker = GAL_Checker(64, 8, kLight, kDark);
  GAL_Begin();
  screen();
  GFX_Disable(GFX_MODULATE);
  q = GAL_Rect(-1, 1, 1, -1, 20.0f);
  q.material = checker;
  q.uMax = q.vMax = 4.0f;
  GAL_Draw(q);
  GFX_Enable(GFX_BLEND);
  GFX_Set(GFX_SET_BLEND, 4, nullptr);
  for (int i = 0; i < 3; i++) {
    q = GAL_Rect(-0.95f + float(i) * 0.65f, 0.5f, -0.4f + float(i) * 0.65f, -0.5f, 10.0f);
    q.material = formats[i];
    GAL_Draw(q);
  }
  GAL_Capture(page, "format 1, 2, 3 over grid");

  // A tiny image magnified: nearest on the left, linear on the right.
  auto dots = [](int x, int y, std::uint8_t* rgba, const void*) {
    rgba[0] = std::uint8_t(((x + y) & 1) * 255);
    rgba[1] = std::uint8_t(x * 36);
    rgba[2] = std::uint8_t(y * 36);
  };
  GFX_Disable(GFX_FILTER);
  GFX_Material* sharp = GAL_Material(8, 8, IMG_RGB, dots);
  GFX_Enable(GFX_FILTER);
  GFX_Material* smooth = GAL_Material(8, 8, IMG_RGB, dots);
  GAL_Begin();
  screen();
  GFX_Disable(GFX_MODULATE);
  q = GAL_Rect(-0.95f, 0.7f, -0.05f, -0.5f, 10.0f);
  q.material = sharp;
  GAL_Draw(q);
  q = GAL_Rect(0.05f, 0.7f, 0.95f, -0.5f, 10.0f);
  q.material = smooth;
  GAL_Draw(q);
  GAL_Capture(page, "filter nearest, linear");

  // A clip-style texture updated in place: a block uploaded into the middle.
  GFX_Material* clip = GAL_Material(64, 64, IMG_RGBX, [](int x, int y, std::uint8_t* rgba, const void*) {
    rgba[0] = std::uint8_t(x * 4);
    rgba[1] = 40;
    rgba[2] = std::uint8_t(y * 4);
  });
  std::vector<std::uint8_t> block(32 * 24 * 4);
  for (std::size_t i = 0; i < block.size(); i += 4) {
    block[i] = 250;
    block[i + 1] = std::uint8_t(200 + (i / 4) % 32);
    block[i + 2] = 40;
  }
  GFX_OglTexSubUpload(clip, 16, 20, 32, 24, block.data());
  GAL_Begin();
  screen();
  GFX_Disable(GFX_MODULATE);
  q = GAL_Rect(-0.7f, 0.9f, 0.7f, -0.9f, 10.0f);
  q.material = clip;
  GAL_Draw(q);
  GAL_Capture(page, "sub-image upload");

  // Texture layer 1 draws each polygon's lightmap material with its lightmap coordinates.
  GAL_Begin();
  screen();
  GFX_Disable(GFX_MODULATE);
  q = GAL_Rect(-0.95f, 0.6f, -0.05f, -0.6f, 10.0f);
  q.material = checker;
  q.lightmap = formats[0];
  GAL_Draw(q);
  GFX_SetTextureLayer(1);
  q.x[0] = q.x[3] = 0.05f;
  q.x[1] = q.x[2] = 0.95f;
  GAL_Draw(q);
  GFX_SetTextureLayer(0);
  GAL_Capture(page, "texture layer 0, layer 1");

  for (GFX_Material* m : formats) GAL_Release(m);
  for (GFX_Material* m : {checker, sharp, smooth, clip}) GAL_Release(m);
}

void GAL_SheetPictures(GAL_Page& page) {
  struct Size {
    int w, h;
    const char* caption;
  };
  const Size sizes[] = {{640, 480, "640x480: 5 x 4 tiles"},
                        {100, 50, "100x50 at the top left"},
                        {300, 200, "300x200: 3 x 2 tiles"},
                        {900, 700, "900x700, cut at 640x480"}};
  for (const Size& s : sizes) {
    GFX_Material* source = pattern(s.w, s.h);
    GFX_Picture* p = GFX_PictureFromMaterial(source);
    GAL_Begin(0.1f, 0.1f, 0.25f);
    if (p) GFX_PictureDraw(0.0f, 0.0f, p);
    GAL_Capture(page, s.caption);
    GFX_PictureDelete(p);
    GAL_Release(source);
  }
}
