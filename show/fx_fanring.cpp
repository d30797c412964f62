// The fan ring: a ring of fan meshes with its own state, drawn by the weird scene and the box
// sections.
#include "show/fx_fanring.h"

#include <cmath>

#include "base/kr_error.h"
#include "engine/kr_mesh.h"
#include "engine/kr_scene.h"
#include "gfx/gfx_driver.h"
#include "show/demo_helpers.h"

FX_FanRing FX_fanRingWeird = {0.4f, 0.6f, 0, 0, 0, 0.0f, 0.0f, {}};
FX_FanRing FX_fanRingBox = {0.3f, 0.7f, 1, 0, 0, 0.0f, 0.0f, {}};

namespace {

void Initialise(FX_FanRing* ring, KR_Scene* scene) {
  ring->copies = scene->meshCount;
  // The ring once drew a spin speed per copy and axis; the speeds are all 0.5 now, but the
  // draws stay so that everything after them in the show sees the same sequence.
  for (int q = 0; q < ring->copies; q++)
    for (int axis = 0; axis < 3; axis++) DEMO_Rand();
  ring->spinSpeed = 0.5f;
  ring->phaseStep = scene->meshCapacity > 0 ? 6.28f / float(scene->meshCapacity) : 0.0f;
  KR_MatIdentity(&ring->camera);
  if (scene->cameraCount > 0 && scene->cameras[0]) {
    const KR_Camera* c = scene->cameras[0];
    KR_MatLookAt(&ring->camera, &c->position, &c->target, c->roll);
  } else {
    KR_Error("FX_FanRingDraw - scene %s has no camera", scene->name);
  }
  ring->initialised = 1;
}

}  // namespace

int FX_FanRingDraw(FX_FanRing* ring, KR_Scene* scene, float t, float w) {
  if (!ring || !scene || scene->meshCount < 1 || !scene->meshes[0]) {
    KR_Error("FX_FanRingDraw - no scene or no mesh");
    return 0;
  }
  if (!ring->initialised) Initialise(ring, scene);
  KR_Mesh* mesh = scene->meshes[0];

  const float white[4] = {0.7f, 0.8f, 0.7f, 0.0f};
  float k = 0.0f;
  GFX_Enable(GFX_MODULATE);
  GFX_Set(GFX_SET_COLOUR, 1, white);
  GFX_Enable(GFX_TEXTURE);
  GFX_Enable(GFX_BLEND);
  GFX_Set(GFX_SET_BLEND, 1, &k);
  GFX_Disable(GFX_DEPTH_TEST);
  GFX_Enable(GFX_CULL);
  if (ring->boxStyle)
    GFX_Disable(GFX_DEPTH_WRITE);
  else
    GFX_Enable(GFX_PERSPECTIVE);

  static const float kPassColour[3][4] = {
      {0.065f, 0.104f, 0.156f, 0.0f}, {0.143f, 0.065f, 0.143f, 0.0f}, {0.117f, 0.091f, 0.117f, 0.0f}};
  // Each pass pulses at its own rate and phase.
  const float pulse[3] = {std::cos(2.0f * t), std::cos(2.5f * t + 3.0f), std::cos(3.0f * t + 4.0f)};
  for (int pass = 0; pass < 3; pass++) {
    GFX_Set(GFX_SET_COLOUR, 1, kPassColour[pass]);
    const float strength = pulse[pass] * ring->swing + ring->base;
    for (int q = 0; q < ring->copies; q++) {
      KR_MeshTransformIdentity(mesh);
      const float angle = ring->spinSpeed * t + float(q) * ring->phaseStep;
      KR_Matrix spin;
      KR_MatFromEuler(&spin, angle, angle, angle);
      k = strength * strength * w;
      GFX_Set(GFX_SET_BLEND, 3, &k);
      KR_MeshTransformMultiply(mesh, &spin);
      KR_MeshTransformMultiply(mesh, &ring->camera);
      KR_MeshTransform(mesh);
      KR_MeshRender(mesh);
    }
  }

  if (ring->boxStyle) {
    GFX_Disable(GFX_BLEND);
    GFX_Disable(GFX_CULL);
    GFX_Enable(GFX_DEPTH_TEST);
    GFX_Set(GFX_SET_COLOUR, 2, nullptr);
    GFX_Set(GFX_SET_BLEND, 1, nullptr);
  }
  return 1;
}
