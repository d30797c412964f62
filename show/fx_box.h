// The box sections' figures, for the sections and their tests: the fly-through camera and the
// fades of the clip section.
#pragma once

#include "base/kr_math.h"

struct FX_BoxView {
  KR_Vector eye, target;
  float roll;
  float e;  // how far the path has blended in (0 to 1)
};

// The camera r seconds into a box section at music time t; `mask` picks the mask section's
// path (sin for the eye's x instead of cos).
FX_BoxView FX_BoxCamera(float r, float t, int mask);
// Opacity of the scroll clip over the opening of the clip section.
float FX_BoxClipOpening(float r);
// The black veil over the clip section's end at music time t (0 before 268 s) and the
// brightness the masked fan ring is added at (0 before 267 s).
float FX_BoxClipVeil(float t);
float FX_BoxClipRing(float t);
