// The fan ring: n copies of the fan scene's first mesh tumbling round a ring in three additive
// passes. Each ring is a record of its own: its look (strength curve, state switches) and what
// its first use sets up once (the random draws it owes the show's sequence, the phases and the
// camera). The weird scene draws FX_fanRingWeird; the box sections draw FX_fanRingBox.
#pragma once

#include "base/kr_math.h"

struct KR_Scene;

struct FX_FanRing {
  // Look: each pass's strength is (cos(...) * swing + base)^2 * fade.
  float swing, base;
  // 1: the ring turns depth writes off (instead of switching the perspective on) and puts the
  // drawing state back after its passes (blending and culling off, depth test on, per-vertex
  // colour, additive blending).
  int boxStyle;
  // Set up by the first draw.
  int initialised;
  int copies;        // n, the scene's mesh count
  float phaseStep;   // the phase of copy q is q * phaseStep (6.28 / the scene's mesh capacity)
  float spinSpeed;   // radians a second about each axis
  KR_Matrix camera;  // the look-at of the scene's first camera
};

extern FX_FanRing FX_fanRingWeird;
extern FX_FanRing FX_fanRingBox;

// Draws the ring from `scene` at music time t with fade w. 0 (and nothing drawn) for a scene
// without meshes.
int FX_FanRingDraw(FX_FanRing* ring, KR_Scene* scene, float t, float w);
