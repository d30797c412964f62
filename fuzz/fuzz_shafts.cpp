// Fuzzes the light-shaft geometry: the input's bytes are the angle, the camera and optionally a
// free box transform (any floats, NaN and infinities included); every slice is clipped against
// the resulting volumes and must stay inside its pools.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "gfx/gfx_shafts.h"

namespace {

float take(const std::uint8_t*& data, std::size_t& size) {
  float f = 0.0f;
  if (size >= sizeof f) {
    std::memcpy(&f, data, sizeof f);
    data += sizeof f;
    size -= sizeof f;
  }
  return f;
}

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto frame = std::make_unique<GFX_ShaftsFrame>();
  static auto slice = std::make_unique<GFX_ShaftsSlice>();
  frame->built = 0;
  frame->rect = {take(data, size), take(data, size), take(data, size), take(data, size)};
  const float angle = take(data, size);
  KR_Matrix camera;
  for (float& m : camera.m) m = take(data, size);
  float view[16];
  GFX_ShaftsViewMatrix(&camera, view);

  GFX_ShaftsFrameBuild(frame.get(), angle);
  if (size >= 12 * sizeof(float)) {
    // A free transform for both boxes, far from any rotation.
    float r[9], t[3];
    for (float& v : r) v = take(data, size);
    for (float& v : t) v = take(data, size);
    frame->planeCount = 0;
    for (int i = 0; i < 2; i++) {
      GFX_ShaftsBoxTransform(&frame->boxes[i], r, t);
      GFX_ShaftsBoxShade(&frame->boxes[i], &frame->rect);
      GFX_ShaftsBoxVolume(&frame->boxes[i], frame.get(), &frame->volumes[i]);
    }
  }
  check(frame->planeCount <= GFX_SHAFTS_POOL_PLANES);
  for (const GFX_ShaftsVolume& v : frame->volumes) check(v.count >= 0 && v.count <= 6 + 18);

  for (int i = 0; i < GFX_SHAFTS_SLICES; i++) {
    KR_Vector a, b;
    float ta[3], tb[3];
    GFX_ShaftsSliceEdge(i, &frame->rect, &a, &b, ta, tb);
    GFX_ShaftsSliceMake(slice.get(), &a, &b, ta, tb);
    GFX_ShaftsSliceClip(slice.get(), frame->volumes, 2);
    check(slice->poolCount <= GFX_SHAFTS_POOL_VERTICES && slice->cornerCount <= GFX_SHAFTS_FAN_CORNERS);
    for (int f = 0; f < slice->fanCount; f++) check(slice->fanSize[f] >= 3 && slice->fanSize[f] <= GFX_SHAFTS_POLY_CORNERS);
  }
  return 0;
}
