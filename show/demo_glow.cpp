// Light glows: an additive square of a glow texture around a light's camera-space position.
#include "base/kr_error.h"
#include "gfx/gfx_driver.h"
#include "show/demo_helpers.h"
#include "show/demo_sprite_quad.h"

int DEMO_LightGlowDraw(const KR_Vector* position, float k, const float* colour, GFX_Material* material) {
  if (!position || !colour) {
    KR_Error("DEMO_LightGlowDraw - no position or colour");
    return 0;
  }
  const float c[4] = {k * colour[0], k * colour[1], k * colour[2], k};
  GFX_Set(GFX_SET_COLOUR, 1, c);
  DEMO_SpriteSetMaterial(material);
  DEMO_SpriteBegin(true);
  GFX_Set(GFX_SET_BLEND, 1, nullptr);
  // World axes: the square is not turned by the billboard frame.
  DEMO_SpriteQuadDraw(*position, 50.0f);
  DEMO_SpriteEnd();
  return 1;
}
