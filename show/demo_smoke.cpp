// Smoke trails: puffs emitted into a ring of slots at a steady rate, each rising from where it
// was emitted and spiralling out as it ages, drawn as growing frames of the smoke sheet. The
// light smoke uses the first 100 slots, the dense smoke all 300; a puff lives until the ring
// comes round to its slot, about 3.3 seconds for both at full rate.
#include <cmath>

#include "base/kr_error.h"
#include "gfx/gfx_driver.h"
#include "show/demo_helpers.h"
#include "show/demo_sprite_quad.h"

namespace {

struct Puff {
  KR_Vector origin;
  float phase;         // radians
  float xSign, zSign;  // -1 or +1: the spiral's direction about each axis
  float divisor;       // spread of the spiral: 4 for the light smoke, 2..6 for the dense
  float birth;         // seconds
  int active;
};

struct Trail {
  float interval;  // seconds between puffs
  int slots;
  float rise;       // units per second
  float frameStep;  // units of rise per sheet frame
  bool dense;
};

constexpr Trail kLight{0.033333335f, DEMO_SMOKE_LIGHT_SLOTS, 40.0f, 2.5f, false};
constexpr Trail kDense{0.011111111f, DEMO_SMOKE_SLOTS, 70.0f, 6.0f, true};
constexpr float kLightSpread = 4.0f;
constexpr float kDenseBrightness = 0.15f;

Puff g_ring[DEMO_SMOKE_SLOTS];
int g_write = 0;
float g_lastEmission = 0.0f;
float g_amount = 0.08f;

void emit(float t, const KR_Vector& origin, const Trail& trail) {
  if (t - g_lastEmission < trail.interval) return;
  // The dense smoke may have left the write position past the light smoke's slots.
  if (g_write >= trail.slots) g_write = 0;
  Puff& p = g_ring[g_write];
  p.origin = origin;
  p.birth = t;
  p.phase = float(DEMO_Rand()) * 6.283f / 32767.0f;
  p.xSign = DEMO_Rand() < 16384 ? -1.0f : 1.0f;
  p.zSign = DEMO_Rand() < 16384 ? -1.0f : 1.0f;
  p.divisor = trail.dense ? DEMO_RandRange(2.0f, 6.0f) : kLightSpread;
  p.active = 1;
  if (++g_write >= trail.slots) g_write = 0;
  g_lastEmission = t;
}

// The sheet frame for a rise, limited before the conversion so that any age gives a cell.
int frame_of(float x) { return x >= 63.0f ? 63 : x > 0.0f ? int(x) : 0; }

int draw(float t, const KR_Vector* origin, const KR_Matrix* frame, const Trail& trail, const char* function) {
  if (!origin || !frame) {
    KR_Error("%s - no origin or frame", function);
    return 0;
  }
  emit(t, *origin, trail);
  DEMO_SpriteSetFrame(frame);
  // The light smoke draws over everything, the dense smoke into the depth of its scene.
  DEMO_SpriteBegin(trail.dense);
  const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  GFX_Set(GFX_SET_COLOUR, 1, white);
  const float brightness = trail.dense ? kDenseBrightness : g_amount;
  for (int i = 0; i < trail.slots; i++) {
    const Puff& p = g_ring[i];
    if (!p.active) continue;
    const float s = (t - p.birth) * trail.rise;
    const float spread = s / p.divisor;
    const KR_Vector at{p.origin.x + std::sin(t * p.xSign + p.phase) * spread, p.origin.y + s,
                       p.origin.z + std::cos(t * p.zSign + p.phase) * spread};
    DEMO_SpriteDraw(&at, s * 0.09f + 15.0f, brightness, frame_of(s / trail.frameStep));
  }
  DEMO_SpriteEnd();
  GFX_Enable(GFX_DEPTH_TEST);
  return 1;
}

}  // namespace

int DEMO_SmokeStart(float t) {
  // Both trails' slots: a dense smoke started again must not show the last run's puffs.
  for (Puff& p : g_ring) p.active = 0;
  g_write = 0;
  g_lastEmission = t;
  return 1;
}

int DEMO_SmokeAmount(float amount) {
  g_amount = amount;
  return 1;
}

int DEMO_SmokeDraw(float t, const KR_Vector* origin, const KR_Matrix* frame) {
  return draw(t, origin, frame, kLight, "DEMO_SmokeDraw");
}

int DEMO_SmokeDrawDense(float t, const KR_Vector* origin, const KR_Matrix* frame) {
  return draw(t, origin, frame, kDense, "DEMO_SmokeDrawDense");
}
