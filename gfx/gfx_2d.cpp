// The 2D layer's drawing through the graphics driver: pictures at an offset (plain, blended,
// scaled, rotated), full-screen quads of a material, rotated sprites and colour fades, each
// bracketed by the screen-layer state protocol.
#include "gfx/gfx_2d.h"

#include "base/kr_error.h"
#include "base/kr_math.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_picture.h"
#include "gfx/gfx_polygon.h"

namespace {

// Camera depth of screen geometry.
constexpr float kScreenZ = 10.1f;

using Corners = float[4][2];

// The standard full-screen order: top-left, top-right, bottom-right, bottom-left.
constexpr Corners kScreen = {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
constexpr Corners kMirrored = {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}};
// The frame area of a clip texture, the whole texture, and the whole texture upside down.
constexpr Corners kVideoUv = {{0, 0}, {0.625f, 0}, {0.625f, 0.46875f}, {0, 0.46875f}};
constexpr Corners kFullUv = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
constexpr Corners kFlippedUv = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};

// 0..1, with NaN as 0.
float clamp01(float a) { return a >= 1.0f ? 1.0f : a > 0.0f ? a : 0.0f; }

// A screen quadrilateral on the stack. Both texture layers carry the material and the
// coordinates, so the quad draws the same whichever layer is current.
struct ScreenQuad {
  KR_MeshVertex vertices[4]{};
  KR_MeshPoly poly{};
  ScreenQuad(const KR_Vector (&at)[4], const Corners& uv, GFX_Material* material) {
    poly.cornerCount = 4;
    poly.material = poly.lightmap = material;
    for (int k = 0; k < 4; k++) {
      vertices[k].position = vertices[k].tposition = at[k];
      KR_MeshCorner& c = poly.corners[k];
      c.vertex = &vertices[k];
      c.u = c.lu = uv[k][0];
      c.v = c.lv = uv[k][1];
    }
  }
  ScreenQuad(const Corners& xy, const Corners& uv, GFX_Material* material)
      : ScreenQuad({{xy[0][0], xy[0][1], kScreenZ},
                    {xy[1][0], xy[1][1], kScreenZ},
                    {xy[2][0], xy[2][1], kScreenZ},
                    {xy[3][0], xy[3][1], kScreenZ}},
                   uv, material) {}
};

// Twice the signed area of a quadrilateral's outline (the shoelace sum).
float area2(const KR_Vector (&at)[4]) {
  float sum = 0.0f;
  for (int k = 0; k < 4; k++) sum += at[k].x * at[(k + 1) % 4].y - at[(k + 1) % 4].x * at[k].y;
  return sum;
}

int have_driver(const char* function) {
  if (GFX_DriverCurrent()) return 1;
  KR_Error("%s - no driver", function);
  return 0;
}

// Screen projection, no depth test or writes, no culling, texture replacing the colour.
void begin_plain() {
  GFX_Disable(GFX_DEPTH_TEST);
  GFX_Disable(GFX_MODULATE);
  GFX_Disable(GFX_PERSPECTIVE);
  GFX_Enable(GFX_TEXTURE);
  GFX_Disable(GFX_CULL);
  GFX_Disable(GFX_DEPTH_WRITE);
}

void end_plain() {
  GFX_Enable(GFX_DEPTH_TEST);
  GFX_Enable(GFX_MODULATE);
  GFX_Enable(GFX_PERSPECTIVE);
  GFX_Enable(GFX_DEPTH_WRITE);
}

// As the plain begin, but modulated by one constant colour and blended. Blend kind 4 takes
// its alpha from `alpha`, which thereby becomes the constant colour's alpha.
void begin_blended(const float colour[4], int kind, const float* alpha, int textured = 1) {
  GFX_Disable(GFX_DEPTH_TEST);
  GFX_Enable(GFX_MODULATE);
  GFX_Set(GFX_SET_COLOUR, 1, colour);
  GFX_Disable(GFX_PERSPECTIVE);
  if (textured) GFX_Enable(GFX_TEXTURE);
  else GFX_Disable(GFX_TEXTURE);
  GFX_Disable(GFX_CULL);
  GFX_Disable(GFX_DEPTH_WRITE);
  GFX_Enable(GFX_BLEND);
  GFX_Set(GFX_SET_BLEND, kind, alpha);
}

// modulate 0: the texture is left replacing the colour with no colour source.
void end_blended(int modulate = 1) {
  GFX_Disable(GFX_BLEND);
  GFX_Enable(GFX_DEPTH_TEST);
  GFX_Enable(GFX_DEPTH_WRITE);
  if (modulate) GFX_Enable(GFX_MODULATE);
  else GFX_Disable(GFX_MODULATE);
  GFX_Enable(GFX_PERSPECTIVE);
}

enum class Transform { kNone, kScale, kRotate };

// Moves every picture vertex to its position plus (x, y), applies the transform, and draws the
// tiles in order. The scale applies to x and y only: the tile corners sit at depths 10.1 and
// 0.1, on the screen projection's near plane, so scaling depth as well would push a picture
// drawn below its size in front of that plane and one drawn 100 times its size beyond the far
// plane, and the projection would cut pieces out of every tile.
void picture_polys(GFX_Picture* picture, float x, float y, Transform transform = Transform::kNone, float s = 1.0f,
                   float angle = 0.0f, bool draw = true) {
  KR_Matrix rotation;
  KR_MatFromEuler(&rotation, 0.0f, 0.0f, angle);
  for (int i = 0; i < picture->vertexCount; i++) {
    KR_MeshVertex& v = picture->vertices[i];
    v.tposition = KR_Vector{v.position.x + x, v.position.y + y, v.position.z};
    if (transform == Transform::kNone) continue;
    v.tposition.x *= s;
    v.tposition.y *= s;
    if (transform == Transform::kRotate) KR_VecTransform(&v.tposition, &v.tposition, &rotation);
  }
  if (!draw) return;
  for (int i = 0; i < picture->polyCount; i++) GFX_DrawPolygon(&picture->polys[i]);
}

int picture_ok(const char* function, const GFX_Picture* picture) {
  if (!have_driver(function)) return 0;
  if (!picture || picture->vertexCount < 0 || picture->polyCount < 0 ||
      (picture->vertexCount && !picture->vertices) || (picture->polyCount && !picture->polys)) {
    KR_Error("%s - no picture", function);
    return 0;
  }
  return 1;
}

// The blended picture draws: constant colour, blend kind, the transform, and the end step that
// leaves the texture replacing the colour.
int picture_blended(const char* function, GFX_Picture* picture, float x, float y, const float colour[4], int kind,
                    const float* alpha, Transform transform = Transform::kNone, float s = 1.0f, float angle = 0.0f) {
  if (!picture_ok(function, picture)) return 0;
  begin_blended(colour, kind, alpha);
  const float area = transform == Transform::kNone ? 1.0f : s * s;
  picture_polys(picture, x, y, transform, s, angle, GFX_PassChanges(kind, colour, area));
  end_blended(0);
  return 1;
}

// The full-screen blended draws. `layer0`: texture layer 0 is selected before drawing.
int screen_blended(const char* function, GFX_Material* material, const Corners& xy, const Corners& uv,
                   const float colour[4], int kind, const float* alpha, int layer0) {
  if (!have_driver(function)) return 0;
  ScreenQuad quad(xy, uv, material);
  begin_blended(colour, kind, alpha);
  if (layer0) GFX_SetTextureLayer(0);
  if (GFX_PassChanges(kind, colour, 1.0f)) GFX_DrawPolygon(&quad.poly);
  end_blended();
  return 1;
}

int screen_plain(const char* function, GFX_Material* material, const Corners& xy) {
  if (!have_driver(function)) return 0;
  ScreenQuad quad(xy, kVideoUv, material);
  GFX_Disable(GFX_BLEND);
  GFX_Disable(GFX_ALPHA_TEST);
  begin_plain();
  GFX_DrawPolygon(&quad.poly);
  end_plain();
  return 1;
}

// A sprite: the unit square turned by angle, scaled by s and centred at (x - 1, y + 1). Its top
// edge shows the texture's last row (v = 1).
int sprite(const char* function, float x, float y, float s, float angle, GFX_Material* material,
           const float colour[4], int kind, const float* alpha) {
  if (!have_driver(function)) return 0;
  static constexpr Corners kSpriteUv = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
  KR_Matrix rotation;
  KR_MatFromEuler(&rotation, 0.0f, 0.0f, angle);
  KR_Vector at[4];
  for (int k = 0; k < 4; k++) {
    KR_Vector c{kScreen[k][0], kScreen[k][1], 0.0f};
    KR_VecTransform(&at[k], &c, &rotation);
    at[k] = KR_Vector{at[k].x * s - 1.0f + x, at[k].y * s + 1.0f + y, kScreenZ};
  }
  ScreenQuad quad(at, kSpriteUv, material);
  begin_blended(colour, kind, alpha);
  if (GFX_PassChanges(kind, colour, area2(at))) GFX_DrawPolygon(&quad.poly);
  end_blended();
  return 1;
}

}  // namespace

int GFX_PassChanges(int blendKind, const float colour[4], float area) {
  // GL clamps the colour to 0..1, so at or below 0 is 0; NaN is not known to be 0.
  auto zero = [](float c) { return c <= 0.0f; };
  if (area == 0.0f) return 0;
  switch (blendKind) {
    case 1: return !(zero(colour[0]) && zero(colour[1]) && zero(colour[2]) && zero(colour[3]));
    case 3:
    case 4: return !zero(colour[3]);
    default: return 1;  // unblended, or multiplied by a texture this does not see
  }
}

int GFX_PictureDraw(float x, float y, GFX_Picture* picture) {
  if (!picture_ok("GFX_PictureDraw", picture)) return 0;
  begin_plain();
  picture_polys(picture, x, y);
  end_plain();
  return 1;
}

int GFX_PictureDrawAlpha(float x, float y, GFX_Picture* picture, float alpha) {
  alpha = clamp01(alpha);
  const float colour[4] = {1.0f, 1.0f, 1.0f, alpha};
  return picture_blended("GFX_PictureDrawAlpha", picture, x, y, colour, 4, &alpha);
}

int GFX_PictureDrawAdd(float x, float y, GFX_Picture* picture) {
  const float colour[4] = {1.0f, 1.0f, 1.0f, 0.0f};
  return picture_blended("GFX_PictureDrawAdd", picture, x, y, colour, 1, nullptr);
}

int GFX_PictureDrawAddBright(float x, float y, GFX_Picture* picture, float b) {
  const float colour[4] = {b, b, b, b};
  return picture_blended("GFX_PictureDrawAddBright", picture, x, y, colour, 1, nullptr);
}

int GFX_PictureDrawMul(float x, float y, GFX_Picture* picture) {
  const float colour[4] = {1.0f, 1.0f, 1.0f, 0.0f};
  return picture_blended("GFX_PictureDrawMul", picture, x, y, colour, 2, nullptr);
}

int GFX_PictureDrawMulScaled(float x, float y, GFX_Picture* picture, float s) {
  const float colour[4] = {1.0f, 1.0f, 1.0f, 0.0f};
  return picture_blended("GFX_PictureDrawMulScaled", picture, x, y, colour, 2, nullptr, Transform::kScale, s);
}

int GFX_PictureDrawAlphaScaled(float x, float y, GFX_Picture* picture, float alpha, float s) {
  alpha = clamp01(alpha);
  const float colour[4] = {1.0f, 1.0f, 1.0f, alpha};
  return picture_blended("GFX_PictureDrawAlphaScaled", picture, x, y, colour, 4, &alpha, Transform::kScale, s);
}

int GFX_PictureDrawAlphaRotated(float x, float y, GFX_Picture* picture, float alpha, float s, float angle) {
  alpha = clamp01(alpha);
  const float colour[4] = {1.0f, 1.0f, 1.0f, alpha};
  return picture_blended("GFX_PictureDrawAlphaRotated", picture, x, y, colour, 4, &alpha, Transform::kRotate, s,
                         angle);
}

int GFX_ScreenDraw(GFX_Material* material) { return screen_plain("GFX_ScreenDraw", material, kScreen); }

int GFX_ScreenDrawMirrored(GFX_Material* material) {
  return screen_plain("GFX_ScreenDrawMirrored", material, kMirrored);
}

int GFX_ScreenDrawAlpha(GFX_Material* material, float alpha) {
  alpha = clamp01(alpha);
  const float colour[4] = {1.0f, 1.0f, 1.0f, alpha};
  return screen_blended("GFX_ScreenDrawAlpha", material, kScreen, kVideoUv, colour, 4, &alpha, 1);
}

int GFX_ScreenDrawAlphaFull(GFX_Material* material, float alpha) {
  alpha = clamp01(alpha);
  const float colour[4] = {1.0f, 1.0f, 1.0f, alpha};
  return screen_blended("GFX_ScreenDrawAlphaFull", material, kScreen, kFullUv, colour, 4, &alpha, 1);
}

int GFX_ScreenDrawAdd(GFX_Material* material, float b) {
  b = clamp01(b);
  const float colour[4] = {b, b, b, b};
  return screen_blended("GFX_ScreenDrawAdd", material, kScreen, kVideoUv, colour, 1, nullptr, 1);
}

int GFX_ScreenDrawAddFull(GFX_Material* material, float b) {
  b = clamp01(b);
  const float colour[4] = {b, b, b, b};
  return screen_blended("GFX_ScreenDrawAddFull", material, kScreen, kFullUv, colour, 1, nullptr, 1);
}

int GFX_ScreenDrawAlphaMirrored(GFX_Material* material, float alpha) {
  alpha = clamp01(alpha);
  const float colour[4] = {1.0f, 1.0f, 1.0f, alpha};
  return screen_blended("GFX_ScreenDrawAlphaMirrored", material, kMirrored, kVideoUv, colour, 4, &alpha, 1);
}

int GFX_ScreenDrawMulFlipped(GFX_Material* material) {
  const float colour[4] = {1.0f, 1.0f, 1.0f, 0.0f};
  return screen_blended("GFX_ScreenDrawMulFlipped", material, kScreen, kFlippedUv, colour, 2, nullptr, 0);
}

int GFX_SpriteDrawAdd(float x, float y, float s, float angle, GFX_Material* material) {
  const float colour[4] = {1.0f, 1.0f, 1.0f, 0.0f};
  return sprite("GFX_SpriteDrawAdd", x, y, s, angle, material, colour, 1, nullptr);
}

int GFX_SpriteDrawAddBright(float x, float y, float s, float angle, float b, GFX_Material* material) {
  const float colour[4] = {b, b, b, 0.0f};
  return sprite("GFX_SpriteDrawAddBright", x, y, s, angle, material, colour, 1, nullptr);
}

int GFX_SpriteDrawAlpha(float x, float y, float alpha, float s, float angle, GFX_Material* material) {
  const float colour[4] = {1.0f, 1.0f, 1.0f, alpha};
  return sprite("GFX_SpriteDrawAlpha", x, y, s, angle, material, colour, 4, &alpha);
}

int GFX_SpriteDrawMul(float x, float y, float s, float angle, GFX_Material* material) {
  const float colour[4] = {1.0f, 1.0f, 1.0f, 0.0f};
  return sprite("GFX_SpriteDrawMul", x, y, s, angle, material, colour, 2, nullptr);
}

int GFX_ScreenFade(float alpha, int mode, const float* colour) {
  if (!have_driver("GFX_ScreenFade")) return 0;
  float rgba[4] = {0.0f, 0.0f, 0.0f, alpha};
  if (mode == 2) {
    rgba[0] = rgba[1] = rgba[2] = 1.0f;
  } else if (mode != 1) {
    if (!colour) {
      KR_Error("GFX_ScreenFade - no colour for mode %d", mode);
      return 0;
    }
    for (int i = 0; i < 3; i++) rgba[i] = colour[i];
  }
  ScreenQuad quad(kScreen, kFullUv, nullptr);
  begin_blended(rgba, 4, &alpha, 0);
  if (GFX_PassChanges(4, rgba, 1.0f)) GFX_DrawPolygon(&quad.poly);
  // Texturing is not switched back on.
  end_blended();
  return 1;
}
