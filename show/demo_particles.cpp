// Particles: the fountain of 200 coloured sprites rising through the billboard frame, and the
// spark records that are scattered again at every reset.
#include "base/kr_error.h"
#include "gfx/gfx_driver.h"
#include "shell/music.h"
#include "show/demo_helpers.h"
#include "show/demo_sprite_quad.h"

namespace {

struct Particle {
  KR_Vector position;
  float speed;  // units per second
  float colour[4];
};

constexpr float kColours[3][4] = {{1.0f, 0.5f, 0.0f, 0.0f}, {0.0f, 0.5f, 1.0f, 0.0f}, {0.5f, 1.0f, 0.5f, 0.0f}};
constexpr float kTop = 1000.0f;
constexpr float kHalf = 20.0f;  // half-size of a particle's square

Particle g_particles[DEMO_FOUNTAIN_PARTICLES];
float g_lastTime = 0.0f;

DEMO_Spark g_sparks[DEMO_SPARK_GROUPS][DEMO_SPARKS_PER_GROUP];

// A new start at the bottom: x, z and speed drawn in that order; the colour is kept.
void restart(Particle& p) {
  p.position.x = DEMO_RandRange(-20.0f, 20.0f);
  p.position.y = 0.0f;
  p.position.z = DEMO_RandRange(-20.0f, 20.0f);
  p.speed = DEMO_RandRange(100.0f, 200.0f);
}

}  // namespace

int DEMO_FountainInit(float t) {
  for (Particle& p : g_particles) {
    p.position.x = DEMO_RandRange(-20.0f, 20.0f);
    p.position.y = DEMO_RandRange(0.0f, kTop);
    p.position.z = DEMO_RandRange(-20.0f, 20.0f);
    p.speed = DEMO_RandRange(100.0f, 200.0f);
    const float* c = kColours[DEMO_Rand() % 3];
    for (int k = 0; k < 4; k++) p.colour[k] = c[k];
  }
  g_lastTime = t;
  return 1;
}

int DEMO_FountainDraw(float t, float k) {
  DEMO_SpriteBegin(true);
  GFX_Set(GFX_SET_BLEND, 1, nullptr);
  const float dt = t - g_lastTime;
  for (Particle& p : g_particles) {
    p.position.y += dt * p.speed;
    if (p.position.y > kTop) {
      restart(p);
      continue;
    }
    const float colour[4] = {k * p.colour[0], k * p.colour[1], k * p.colour[2], k};
    GFX_Set(GFX_SET_COLOUR, 1, colour);
    KR_Vector at;
    KR_VecTransform(&at, &p.position, &DEMO_SpriteFrame());
    DEMO_SpriteQuadDraw(at, kHalf);
  }
  DEMO_SpriteEnd();
  g_lastTime = t;
  return 1;
}

int DEMO_SparksReset(void) {
  for (auto& group : g_sparks)
    for (DEMO_Spark& s : group) {
      KR_Vector p;
      p.x = DEMO_RandRange(-130.0f, 130.0f);
      p.y = DEMO_RandRange(-130.0f, 130.0f);
      p.z = DEMO_RandRange(0.0f, 200.0f);
      KR_Matrix turn;
      KR_MatFromEuler(&turn, 0.0f, DEMO_RandRange(0.0f, 6.28f), 0.0f);
      KR_VecTransform(&s.position, &p, &turn);
      s.delay = DEMO_RandRange(-3.0f, 0.0f);
      s.birth = MUSIC_GetTime();
    }
  return 1;
}

const DEMO_Spark* DEMO_SparkGet(int group, int n) {
  if (group < 0 || group >= DEMO_SPARK_GROUPS || n < 0 || n >= DEMO_SPARKS_PER_GROUP) {
    KR_Error("DEMO_SparkGet - index out of range (%d, %d)", group, n);
    return nullptr;
  }
  return &g_sparks[group][n];
}
