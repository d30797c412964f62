// The effect helpers the timeline and the effects share: the show's random generator, time
// helpers, mesh helpers (materials, environment mapping, a sine deformation) and the sprite
// layer with its particle fountain, two smoke trails and light glows. All state is
// module-wide; everything runs on the show's thread inside a frame.
#pragma once

#include <cstdint>

#include "base/kr_math.h"

struct GFX_Material;
struct KR_Mesh;

// Random numbers: state = state * 214013 + 2531011 (mod 2^32), each result the state's bits
// 16..30, 0..32767. The state is 1 until the first seeding.
void DEMO_RandSeed(std::uint32_t seed);
int DEMO_Rand(void);
// a + (DEMO_Rand () / 32767) * (b - a).
float DEMO_RandRange(float a, float b);

// minutes * 60 + seconds: end times of the show are written this way.
float DEMO_Time(float minutes, float seconds);
// x limited to 0..1 (not-a-number gives 0).
float DEMO_Clamp01(float x);

// Every polygon's material of a texture layer: 0 the base material, 1 the lightmap slot.
int DEMO_MeshSetMaterial(KR_Mesh* mesh, GFX_Material* material, int layer);
// Environment mapping: every corner's coordinates of the layer = (nx, ny) * 0.5 + 0.5, n being
// the corner's object-space normal turned by the mesh's current transformation...
int DEMO_MeshEnvMapObject(KR_Mesh* mesh, int layer);
// ...or its transformed normal as it stands.
int DEMO_MeshEnvMap(KR_Mesh* mesh, int layer);
// Deforms the mesh at time t: coordinates within 0.01 of zero are first set to 0.01 in the
// stored positions; each position is then scaled by a sum of three cosine lobes around the
// axes (a, b and c lobes per turn) and transformed by the matrix into tposition. Face and
// corner normals follow the deformed shape. `unused` has no effect.
int DEMO_MeshWobble(KR_Mesh* mesh, float t, float unused, int a, int b, int c, const KR_Matrix* matrix);

// The sprite layer: one quadrilateral with a material, drawn additively facing the camera.
// The material goes in both texture layers, so sprites look the same whichever is current.
int DEMO_SpriteSetMaterial(GFX_Material* material);
// The billboard frame sprite centres are transformed by (identity until set).
int DEMO_SpriteSetFrame(const KR_Matrix* frame);
// One quad of half-size `size` around the transformed centre, added in constant colour
// (x, x, x, x), showing cell (frame mod 8, frame div 8) of an 8x8 animation sheet. Frames
// past the sheet's last cell (63) show that cell.
int DEMO_SpriteDraw(const KR_Vector* centre, float size, float brightness, int frame);
// One additive 100x100 quad around a camera-space position in colour k * (r, g, b) and alpha k.
int DEMO_LightGlowDraw(const KR_Vector* position, float k, const float* colour, GFX_Material* material);

// The fountain: 200 particles rising from y = 0 to 1000 in the billboard frame, restarting at
// the bottom, each in one of three colours.
constexpr int DEMO_FOUNTAIN_PARTICLES = 200;
int DEMO_FountainInit(float t);
// Moves the particles to time t and draws them at brightness k; a particle that passes
// y = 1000 restarts at the bottom and is not drawn that frame.
int DEMO_FountainDraw(float t, float k);

// Two smoke trails sharing one ring of puffs: the light smoke uses its first 100 slots and
// emits at most 30 puffs a second, the dense smoke all 300 slots at up to 90 a second. At most
// one puff per call; a puff lives until the ring comes round to its slot again.
constexpr int DEMO_SMOKE_SLOTS = 300;
constexpr int DEMO_SMOKE_LIGHT_SLOTS = 100;
// Clears the ring (both trails) and sets the last emission to t.
int DEMO_SmokeStart(float t);
// Brightness of the light smoke's puffs (0.08 at start).
int DEMO_SmokeAmount(float amount);
int DEMO_SmokeDraw(float t, const KR_Vector* origin, const KR_Matrix* frame);
int DEMO_SmokeDrawDense(float t, const KR_Vector* origin, const KR_Matrix* frame);

// Sparks: 8 groups of 60 records scattered in a ring, not drawn by the show.
constexpr int DEMO_SPARK_GROUPS = 8;
constexpr int DEMO_SPARKS_PER_GROUP = 60;
struct DEMO_Spark {
  KR_Vector position;
  float delay;  // seconds, -3..0
  float birth;  // music time of the last reset
};
int DEMO_SparksReset(void);
// Record n of group g; null outside the groups.
const DEMO_Spark* DEMO_SparkGet(int group, int n);
