// The sprite layer: one quadrilateral with a material and a billboard frame, drawn as
// additive camera-facing squares, with cells of an 8x8 animation sheet.
#include <cmath>

#include "base/kr_error.h"
#include "engine/kr_mesh.h"
#include "gfx/gfx_driver.h"
#include "show/demo_helpers.h"
#include "show/demo_sprite_quad.h"

namespace {

KR_MeshVertex g_vertices[4];
KR_MeshPoly g_quad;
KR_Matrix g_frame{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

constexpr int kSheetCells = 8;
constexpr float kCell = 1.0f / kSheetCells;
constexpr int kLastFrame = kSheetCells * kSheetCells - 1;

void set_coords(float u, float v, float size) {
  const float us[4] = {u, u + size, u + size, u}, vs[4] = {v, v, v + size, v + size};
  for (int k = 0; k < 4; k++) {
    KR_MeshCorner& c = g_quad.corners[k];
    c.u = c.lu = us[k];
    c.v = c.lv = vs[k];
  }
}

// The quad's corners point at its vertices from the first use on.
void link_corners() {
  g_quad.cornerCount = 4;
  for (int k = 0; k < 4; k++) g_quad.corners[k].vertex = &g_vertices[k];
}

}  // namespace

void DEMO_SpriteQuadDraw(const KR_Vector& centre, float half) {
  if (g_quad.cornerCount != 4) link_corners();
  const float dx[4] = {-half, half, half, -half}, dy[4] = {half, half, -half, -half};
  for (int k = 0; k < 4; k++) g_vertices[k].tposition = KR_Vector{centre.x + dx[k], centre.y + dy[k], centre.z};
  GFX_DrawPolygon(&g_quad);
}

void DEMO_SpriteBegin(bool depthTest) {
  if (depthTest) GFX_Enable(GFX_DEPTH_TEST);
  else GFX_Disable(GFX_DEPTH_TEST);
  GFX_Enable(GFX_MODULATE);
  GFX_Enable(GFX_PERSPECTIVE);
  GFX_Enable(GFX_TEXTURE);
  GFX_Disable(GFX_CULL);
  GFX_Disable(GFX_DEPTH_WRITE);
  GFX_Enable(GFX_BLEND);
}

void DEMO_SpriteEnd(void) {
  GFX_Disable(GFX_BLEND);
  GFX_Enable(GFX_DEPTH_WRITE);
}

const KR_Matrix& DEMO_SpriteFrame(void) { return g_frame; }

int DEMO_SpriteSetMaterial(GFX_Material* material) {
  link_corners();
  g_quad.material = g_quad.lightmap = material;
  set_coords(0.0f, 0.0f, 1.0f);
  return 1;
}

int DEMO_SpriteSetFrame(const KR_Matrix* frame) {
  if (!frame) {
    KR_Error("DEMO_SpriteSetFrame - no frame");
    return 0;
  }
  g_frame = *frame;
  return 1;
}

int DEMO_SpriteDraw(const KR_Vector* centre, float size, float brightness, int frame) {
  if (!centre) {
    KR_Error("DEMO_SpriteDraw - no centre");
    return 0;
  }
  // The sheet's cells are 0..63; later frames hold on the last one.
  const int f = frame < 0 ? 0 : frame > kLastFrame ? kLastFrame : frame;
  set_coords(float(f % kSheetCells) * kCell, float(f / kSheetCells) * kCell, kCell);
  KR_Vector at;
  KR_VecTransform(&at, centre, &g_frame);
  const float colour[4] = {brightness, brightness, brightness, brightness};
  GFX_Set(GFX_SET_COLOUR, 1, colour);
  GFX_Set(GFX_SET_BLEND, 1, nullptr);
  DEMO_SpriteQuadDraw(at, size);
  return 1;
}
